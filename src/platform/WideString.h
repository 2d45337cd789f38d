// The text types shared by every layer: UTF-16 wide strings for the XML pipeline and the
// document model, windows-1250 byte strings for the order application.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using WideString = std::u16string;
using WideStringView = std::u16string_view;
using WideChar = char16_t;

// Single-byte text of the order application (windows-1250 bytes).
using AnsiString = std::string;
