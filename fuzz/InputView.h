// What the differential check needs to know about raw bytes, found without either parser:
// the byte-order mark, what the XML declaration says, whether a document type declaration
// stands anywhere, and the characters, decoded exactly where the known differences look
// (ASCII, the C1 controls, everything in UTF-8 and UTF-16) and roughly elsewhere.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// One parser's answer.
struct TVerdict {
  bool Accepted = false;
  // What a person needs to see first: the first error reported and what ended the parse.
  std::string FirstError;
  // This parser: the kinds of every error or fatal error delivered. libxml2: the codes of
  // every report of level error or fatal.
  std::vector<int> Errors;

  bool OnlyErrors(std::initializer_list<int> codes) const {
    if (Errors.empty()) return false;
    for (int e : Errors)
      if (std::find(codes.begin(), codes.end(), e) == codes.end()) return false;
    return true;
  }
  bool FirstIs(int code) const { return !Errors.empty() && Errors.front() == code; }
};

enum class TByteOrderMark { None, Utf8, Utf16BE, Utf16LE, Ucs4 };

struct TInputView {
  explicit TInputView(std::string bytes);

  std::string Bytes;
  TByteOrderMark Mark = TByteOrderMark::None;
  bool HasDeclaration = false;
  // As written, in lower case; empty when the declaration does not name them.
  std::string DeclaredVersion;
  std::string DeclaredEncoding;
  // The text after the mark in the encoding the mark or the declaration selects.
  std::u32string Text;
  // Where the first character U+0000 begins in Bytes; npos when there is none.
  std::size_t FirstNulByte = std::string::npos;

  // "<!DOCTYPE" in one-, two- or four-byte units of either byte order.
  bool HoldsDoctype() const;
  bool Holds(char32_t c) const { return Text.find(c) != std::u32string::npos; }
};

namespace input_view_detail {

inline std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of one pseudo-attribute of a declaration: name, "=", a quoted value.
inline std::string PseudoAttribute(const std::string& declaration, std::string_view name) {
  for (std::size_t at = declaration.find(name); at != std::string::npos; at = declaration.find(name, at + 1)) {
    std::size_t i = at + name.size();
    while (i < declaration.size() && IsSpace(declaration[i])) ++i;
    if (i >= declaration.size() || declaration[i] != '=') continue;
    ++i;
    while (i < declaration.size() && IsSpace(declaration[i])) ++i;
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) continue;
    const std::size_t end = declaration.find(declaration[i], i + 1);
    if (end == std::string::npos) return {};
    return Lower(std::string_view(declaration).substr(i + 1, end - i - 1));
  }
  return {};
}

inline void AppendUtf8(std::u32string& out, std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    const int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= bytes.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(bytes[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    out += valid ? c : U'\uFFFD';
    i += valid ? static_cast<std::size_t>(length) : 1;
  }
}

inline void AppendUtf16(std::u32string& out, std::string_view bytes, bool bigEndian) {
  auto unit = [&](std::size_t i) -> char32_t {
    const char32_t a = static_cast<std::uint8_t>(bytes[i]), b = static_cast<std::uint8_t>(bytes[i + 1]);
    return bigEndian ? (a << 8) | b : (b << 8) | a;
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
      out += 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else {
      out += u;
    }
  }
}

}  // namespace input_view_detail

inline TInputView::TInputView(std::string bytes) : Bytes(std::move(bytes)) {
  using namespace input_view_detail;
  const std::string_view b(Bytes);
  std::size_t markSize = 0;
  if (b.substr(0, 4) == std::string_view("\0\0\xFE\xFF", 4) || b.substr(0, 4) == std::string_view("\xFF\xFE\0\0", 4) ||
      b.substr(0, 4) == std::string_view("\0\0\xFF\xFE", 4) || b.substr(0, 4) == std::string_view("\xFE\xFF\0\0", 4)) {
    Mark = TByteOrderMark::Ucs4;
    markSize = 4;
  } else if (b.substr(0, 3) == "\xEF\xBB\xBF") {
    Mark = TByteOrderMark::Utf8;
    markSize = 3;
  } else if (b.substr(0, 2) == "\xFE\xFF") {
    Mark = TByteOrderMark::Utf16BE;
    markSize = 2;
  } else if (b.substr(0, 2) == "\xFF\xFE") {
    Mark = TByteOrderMark::Utf16LE;
    markSize = 2;
  }
  const std::string_view body = b.substr(markSize);

  // The declaration's characters, read in the units the mark (or its absence) implies.
  const bool wide = Mark == TByteOrderMark::Utf16BE || Mark == TByteOrderMark::Utf16LE;
  const std::size_t step = Mark == TByteOrderMark::Ucs4 ? 4 : wide ? 2 : 1;
  const std::size_t low = Mark == TByteOrderMark::Utf16BE ? 1 : Mark == TByteOrderMark::Ucs4 && b[0] == 0 ? 3 : 0;
  std::string declaration;
  for (std::size_t i = low; i < body.size() && declaration.size() < 512; i += step) {
    declaration += body[i];
    if (declaration.size() >= 2 && declaration.compare(declaration.size() - 2, 2, "?>") == 0) break;
  }
  if (declaration.rfind("<?xml", 0) == 0 && declaration.size() > 5 && IsSpace(declaration[5])) {
    HasDeclaration = true;
    DeclaredVersion = PseudoAttribute(declaration, "version");
    DeclaredEncoding = PseudoAttribute(declaration, "encoding");
  }

  if (wide) {
    for (std::size_t i = markSize; i + 1 < Bytes.size() && FirstNulByte == std::string::npos; i += 2)
      if (Bytes[i] == '\0' && Bytes[i + 1] == '\0') FirstNulByte = i;
  } else if (Mark != TByteOrderMark::Ucs4) {
    FirstNulByte = Bytes.find('\0', markSize);
  }

  if (wide) {
    AppendUtf16(Text, body, Mark == TByteOrderMark::Utf16BE);
  } else if (Mark == TByteOrderMark::None && DeclaredEncoding != "utf-8" && !DeclaredEncoding.empty()) {
    // A single-byte code page: the C1 range is exact for the ISO-8859 ones and absent from
    // windows-1250, whose 0x80-0x9F are letters and marks (given here as U+FFFD); the rest
    // stands in as Latin-1, which only ASCII look-ups rely on.
    const bool windows = DeclaredEncoding == "windows-1250" || DeclaredEncoding == "cp1250";
    for (const char c : body) {
      const auto byte = static_cast<std::uint8_t>(c);
      Text += windows && byte >= 0x80 && byte < 0xA0 ? U'\uFFFD' : static_cast<char32_t>(byte);
    }
  } else {
    AppendUtf8(Text, body);
  }
}

inline bool TInputView::HoldsDoctype() const {
  static const std::string_view word = "<!DOCTYPE";
  for (const std::size_t width : {1u, 2u, 4u}) {
    for (const bool bigEndian : {false, true}) {
      std::string needle;
      for (const char c : word) {
        std::string unit(width, '\0');
        unit[bigEndian ? width - 1 : 0] = c;
        needle += unit;
      }
      if (Bytes.find(needle) != std::string::npos) return true;
      if (width == 1) break;
    }
  }
  return false;
}
