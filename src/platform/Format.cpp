#include "platform/Format.h"

#include <cstring>

std::string Format(const std::string& pattern, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      out += c;
      continue;
    }
    const char conversion = pattern[i + 1];
    if (conversion == '%') {
      out += '%';
      ++i;
      continue;
    }
    if ((conversion == 's' || conversion == 'd') && next != args.end()) {
      if (const auto* s = std::get_if<std::string>(&*next))
        out += *s;
      else
        out += std::to_string(std::get<std::int64_t>(*next));
      ++next;
      ++i;
      continue;
    }
    out += c;
  }
  return out;
}

std::string SysErrorMessage(int error) {
  return std::strerror(error);
}
