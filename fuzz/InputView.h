// What the differential check needs to know about raw bytes, found without either parser:
// the byte-order mark, how the text opens and what its XML declaration says, where the first
// NUL character stands, and whether a document type declaration stands anywhere.
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
  // As written, in lower case; empty when no declaration names one.
  std::string DeclaredEncoding;
  // The first characters behind the mark up to the first "?>" (at most 512), read in the
  // units the mark implies; exact for ASCII, which is all that is looked for in them.
  std::string Opening;
  // Where the first character U+0000 begins in Bytes; npos when there is none.
  std::size_t FirstNulByte = std::string::npos;

  // "<!DOCTYPE" in one-, two- or four-byte units of either byte order.
  bool HoldsDoctype() const;
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

  const bool wide = Mark == TByteOrderMark::Utf16BE || Mark == TByteOrderMark::Utf16LE;
  const std::size_t step = Mark == TByteOrderMark::Ucs4 ? 4 : wide ? 2 : 1;
  const std::size_t low = Mark == TByteOrderMark::Utf16BE ? 1 : Mark == TByteOrderMark::Ucs4 && b[0] == 0 ? 3 : 0;
  for (std::size_t i = low; i < body.size() && Opening.size() < 512; i += step) {
    Opening += body[i];
    if (Opening.size() >= 2 && Opening.compare(Opening.size() - 2, 2, "?>") == 0) break;
  }
  if (Opening.rfind("<?xml", 0) == 0 && Opening.size() > 5 && IsSpace(Opening[5]))
    DeclaredEncoding = PseudoAttribute(Opening, "encoding");

  if (wide) {
    for (std::size_t i = markSize; i + 1 < Bytes.size() && FirstNulByte == std::string::npos; i += 2)
      if (Bytes[i] == '\0' && Bytes[i + 1] == '\0') FirstNulByte = i;
  } else if (Mark != TByteOrderMark::Ucs4) {
    FirstNulByte = Bytes.find('\0', markSize);
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
