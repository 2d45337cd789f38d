// printf-like message formatting for the program's message texts ("%s" and "%d" only),
// so that message templates can be kept exactly as the program shows them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

using FormatArg = std::variant<std::string, std::int64_t>;

// Replaces each "%s" or "%d" in order by the next argument; "%%" gives "%".
std::string Format(const std::string& pattern, std::initializer_list<FormatArg> args);

// The system's reason text for an errno value, as the file errors quote it.
std::string SysErrorMessage(int error);
