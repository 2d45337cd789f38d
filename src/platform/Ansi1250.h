// Conversion between the windows-1250 bytes of the order application and UTF-16, used
// wherever text crosses between the order model and the window system or the XML tree.
#pragma once

#include "platform/WideString.h"

#include <array>

// The UTF-16 unit of each byte; generated from the code page by tools/gen_ansi1250.py.
extern const std::array<char16_t, 256> Ansi1250ToUtf16Table;

// Every byte has a unit, so this never fails.
WideString AnsiToWide(const AnsiString& text);

// A character that windows-1250 cannot hold becomes "?", one per character (a surrogate
// pair counts as one character, a lone surrogate too), as the platform's ANSI conversion does.
AnsiString WideToAnsi(const WideString& text);

// The byte of one UTF-16 unit, or '?' when the code page has none.
char WideCharToAnsi(char16_t unit);
