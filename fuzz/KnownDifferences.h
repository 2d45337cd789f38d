// Where this parser and libxml2 are known to answer a document without DOCTYPE differently,
// each with its reason. The differential check consults this table, and only this table,
// when the two verdicts disagree; a disagreement no entry explains is a finding. An entry
// names the side that accepts and looks at the input and both parsers' errors as narrowly as
// the difference allows, so that it cannot hide an unrelated fault in the same document.
//
// Not listed, because the check removes them at the source: the name characters and the
// version number (libxml2 is asked for the fourth edition's rules, XML_PARSE_OLD10, which
// this parser follows: the same names, and no version but 1.0), documents with a DOCTYPE
// and encodings outside those both parsers read alike (skipped, see Differential.h).
#pragma once

#include "DifferentialParsers.h"
#include "InputView.h"

#include "platform/Utf16.h"
#include "xml/DomError.h"
#include "xml/cUnicodeCodecsWin32.h"

#include <libxml/xmlerror.h>

#include <cstdint>
#include <memory>
#include <string>

enum class TAcceptingSide { Here, Libxml2, Either };

struct TKnownDifference {
  const char* Name;
  const char* Reason;
  TAcceptingSide Accepts;
  bool (*Applies)(const TInputView& input, const TVerdict& here, const TVerdict& libxml2);
};

// Whether the check finds nothing wrong with these bytes: the parsers agree, or a known
// difference explains why not (Differential.h). An entry that takes one difference out of a
// document asks it about the rest.
inline bool JudgedSound(const std::string& bytes);

namespace known_differences_detail {

// A windows-1250 document as this parser reads it, written again as UTF-8 and declared so.
inline std::string RecodedFromWindows1250(const std::string& bytes) {
  const std::unique_ptr<TCustomUnicodeCodec> codec = CreateCodec(&TWindows1250Codec::ClassInfo);
  const auto size = static_cast<std::int64_t>(bytes.size());
  std::u16string wide(bytes.size(), u'\0');
  std::int64_t consumed = 0;
  const std::int64_t units =
      codec->DecodeToUtf16(reinterpret_cast<const std::uint8_t*>(bytes.data()), size, wide.data(), 2 * size, consumed);
  wide.resize(static_cast<std::size_t>(units));
  std::string text = WideToUtf8(wide);
  std::string lower = text.substr(0, text.find("?>"));
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const std::size_t name = lower.find("windows-1250");
  if (name != std::string::npos) text.replace(name, 12, "UTF-8");
  return text;
}

inline bool StartsWith(const std::string& bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && std::string_view(bytes).substr(0, prefix.size()) == prefix;
}

// Where libxml2's converter first fails on the input in the encodings where it stops early:
// npos when it reads everything (or the encoding is not one of these).
inline std::size_t FirstUnconvertible(const TInputView& input) {
  const std::string& bytes = input.Bytes;
  const bool little = input.Mark == TByteOrderMark::Utf16LE ||
                      (input.Mark == TByteOrderMark::None && input.DeclaredEncoding == "utf-16le");
  const bool big = input.Mark == TByteOrderMark::Utf16BE ||
                   (input.Mark == TByteOrderMark::None && input.DeclaredEncoding == "utf-16be");
  if (little || big) {
    std::size_t at = input.Mark == TByteOrderMark::None ? 0 : 2;
    auto unit = [&](std::size_t i) {
      const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
      return little ? (b << 8 | a) : (a << 8 | b);
    };
    for (; at + 1 < bytes.size(); at += 2) {
      const int u = unit(at);
      if (u >= 0xDC00 && u < 0xE000) return at;
      if (u >= 0xD800 && u < 0xDC00) {
        if (at + 3 >= bytes.size()) return at;
        const int low = unit(at + 2);
        if (low < 0xDC00 || low >= 0xE000) return at;
        at += 2;
      }
    }
    return std::string::npos;
  }
  if (input.Mark != TByteOrderMark::None) return std::string::npos;
  if (input.DeclaredEncoding == "us-ascii") {
    for (std::size_t i = 0; i < bytes.size(); ++i)
      if (static_cast<unsigned char>(bytes[i]) >= 0x80) return i;
    return std::string::npos;
  }
  if (input.DeclaredEncoding == "windows-1250") return bytes.find_first_of("\x81\x83\x88\x90\x98");
  return std::string::npos;
}

// The document with every ":" behind its XML declaration written as "_", for the encodings
// in which ":" is the byte 0x3A and no other character contains that byte; empty for the
// others, and when there is no ":" to write.
inline std::string ColonsAsUnderscores(const TInputView& input) {
  const std::string& declared = input.DeclaredEncoding;
  const bool singleBytes = input.Mark == TByteOrderMark::None || input.Mark == TByteOrderMark::Utf8;
  if (!singleBytes || declared.rfind("utf-16", 0) == 0 || declared.rfind("ucs", 0) == 0 ||
      declared.rfind("utf-32", 0) == 0)
    return std::string();
  std::string text = input.Bytes;
  std::size_t from = 0;
  if (text.find("<?xml") < 4) {
    const std::size_t end = text.find("?>");
    if (end == std::string::npos) return std::string();
    from = end + 2;
  }
  bool any = false;
  for (std::size_t i = from; i < text.size(); ++i)
    if (text[i] == ':') {
      text[i] = '_';
      any = true;
    }
  return any ? text : std::string();
}

}  // namespace known_differences_detail

inline const TKnownDifference kKnownDifferences[] = {
    {"encoding guessed without a byte-order mark",
     "A text encoded in UTF-16 must begin with the byte-order mark; this parser reads a text "
     "without one as UTF-8 up to its declaration, while libxml2 guesses UTF-16, UCS-4 or "
     "EBCDIC from the first four bytes and reads on.",
     TAcceptingSide::Libxml2,
     [](const TInputView& input, const TVerdict&, const TVerdict&) {
       using known_differences_detail::StartsWith;
       return input.Mark == TByteOrderMark::None &&
              (StartsWith(input.Bytes, std::string_view("<\0?\0", 4)) ||
               StartsWith(input.Bytes, std::string_view("\0<\0?", 4)) ||
               StartsWith(input.Bytes, std::string_view("\0\0\0<", 4)) ||
               StartsWith(input.Bytes, std::string_view("<\0\0\0", 4)) ||
               StartsWith(input.Bytes, "\x4C\x6F\xA7\x94"));
     }},
    {"byte-order mark contradicting the declared encoding",
     "This parser refuses a document whose byte-order mark and declared encoding disagree (a "
     "UTF-8 mark with encoding=\"iso-8859-1\", a UTF-16LE mark with encoding=\"utf-16be\"), as the "
     "rules for detecting the encoding demand; libxml2 follows the mark and goes on.",
     TAcceptingSide::Libxml2,
     [](const TInputView& input, const TVerdict& here, const TVerdict&) {
       const std::string& declared = input.DeclaredEncoding;
       const bool contradicts =
           (input.Mark == TByteOrderMark::Utf8 && declared != "utf-8") ||
           (input.Mark == TByteOrderMark::Utf16LE && declared != "utf-16" && declared != "utf-16le") ||
           (input.Mark == TByteOrderMark::Utf16BE && declared != "utf-16" && declared != "utf-16be");
       return !input.DeclaredEncoding.empty() && contradicts && here.FirstIs(EK_ENCODING_CONVERSION_FAILED);
     }},
    {"windows-1250 bytes 0x81, 0x83, 0x88, 0x90, 0x98",
     "The windows-1250 code page leaves these five bytes unassigned; this parser's table reads "
     "them as the C1 controls of the same value, and the C library's table that libxml2 uses "
     "refuses them. The same document written as UTF-8 must then be one this parser accepts "
     "too and on which the check finds nothing else.",
     TAcceptingSide::Here,
     [](const TInputView& input, const TVerdict&, const TVerdict&) {
       if (input.DeclaredEncoding != "windows-1250" || input.Mark != TByteOrderMark::None ||
           input.Bytes.find_first_of("\x81\x83\x88\x90\x98") == std::string::npos)
         return false;
       const std::string recoded = known_differences_detail::RecodedFromWindows1250(input.Bytes);
       return ParseHere(recoded).Accepted && JudgedSound(recoded);
     }},
    {"bytes libxml2 cannot convert, behind the document element",
     "libxml2 takes the first bytes its converter cannot read for the end of the input (a byte "
     "above 0x7F in US-ASCII, one of the five unassigned windows-1250 bytes, an unpaired "
     "surrogate in UTF-16), so it accepts a document whose element is complete before them, "
     "whatever follows; this parser refuses such bytes, or what they stand for behind the "
     "element. The document up to those bytes must be one this parser accepts.",
     TAcceptingSide::Libxml2,
     [](const TInputView& input, const TVerdict&, const TVerdict&) {
       const std::size_t stop = known_differences_detail::FirstUnconvertible(input);
       return stop != std::string::npos && ParseHere(input.Bytes.substr(0, stop)).Accepted;
     }},
    {"colons in names",
     "This parser reads names by XML 1.0 alone, where \":\" is a name character like \"_\"; "
     "libxml2 always reads element and attribute names as qualified names of the namespaces "
     "recommendation, and a name with a second colon (\"xmlns:xml:2\") can end its reading of "
     "the attribute early and fail the document. The same document with every \":\" behind "
     "the XML declaration written as \"_\" must be one this parser accepts and on which the "
     "check finds nothing else.",
     TAcceptingSide::Here,
     [](const TInputView& input, const TVerdict&, const TVerdict&) {
       const std::string underscored = known_differences_detail::ColonsAsUnderscores(input);
       return !underscored.empty() && ParseHere(underscored).Accepted && JudgedSound(underscored);
     }},
    {"NUL behind the document element",
     "libxml2 takes a NUL character behind the document element for the end of the input and "
     "accepts whatever follows it; NUL is no XML character, and this parser refuses it "
     "wherever it stands. The document up to the NUL must be one this parser accepts.",
     TAcceptingSide::Libxml2,
     [](const TInputView& input, const TVerdict&, const TVerdict&) {
       return input.FirstNulByte != std::string::npos && ParseHere(input.Bytes.substr(0, input.FirstNulByte)).Accepted;
     }},
};

