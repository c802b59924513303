#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::testing {

// SHA-256 of a byte string as 64 lower-case hexadecimal digits.
std::string Sha256Hex(const std::vector<std::uint8_t>& data);

}  // namespace corvane::testing
