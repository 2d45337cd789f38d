// Helpers shared by the XML pipeline tests.
#pragma once

#include "platform/WideString.h"

#include <cstdio>
#include <string>
#include <string_view>

// ASCII as is and every other unit as \uXXXX, so that surrogates, NULs and controls show
// in a failure message.
inline std::string Show(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}
