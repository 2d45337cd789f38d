#include "platform/Ansi1250.h"

WideString AnsiToWide(const AnsiString& text) {
  WideString result;
  result.reserve(text.size());
  for (const char c : text) result.push_back(Ansi1250ToUtf16Table[static_cast<unsigned char>(c)]);
  return result;
}

char WideCharToAnsi(char16_t unit) {
  if (unit < 0x80) return static_cast<char>(unit);
  // Only 128 entries above ASCII; a linear search keeps the table the single source of truth.
  for (unsigned b = 0x80; b < 0x100; ++b)
    if (Ansi1250ToUtf16Table[b] == unit) return static_cast<char>(b);
  return '?';
}

AnsiString WideToAnsi(const WideString& text) {
  AnsiString result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      result.push_back('?');  // one character outside the code page, however many units
      ++i;
      continue;
    }
    result.push_back(WideCharToAnsi(unit));
  }
  return result;
}
