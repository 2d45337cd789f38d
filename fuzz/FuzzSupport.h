// What every fuzz target shares: the bytes as a stream the pipeline reads, and the rule
// that a refusal through the program's own exceptions is an answer, not a finding.
#pragma once

#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline TMemoryStream FuzzStream(const std::uint8_t* data, std::size_t size) {
  return TMemoryStream(std::string(reinterpret_cast<const char*>(data), size));
}
