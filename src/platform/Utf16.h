// Conversions between the wide strings of the XML pipeline and UTF-8, the encoding of every
// exception message, so that a message can quote the text that caused it.
#pragma once

#include "platform/WideString.h"

#include <string>

// A lone surrogate becomes U+FFFD; everything else converts exactly.
std::string WideToUtf8(const WideString& text);
// Malformed UTF-8 sequences become U+FFFD.
WideString Utf8ToWide(const std::string& text);
