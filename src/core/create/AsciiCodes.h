#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::create {

// The EBCDIC codes of the 128 ASCII characters in one code page, and the
// fast way through them: 32 characters at a time where the processor has
// AVX2, two at a time through a table of pairs elsewhere.
class AsciiCodes {
  public:
    explicit AsciiCodes(const std::array<std::uint8_t, 128>& codes);
    // Encodes n bytes of ASCII text into to; false, with to unfinished,
    // when a byte is not ASCII.
    bool Encode(const unsigned char* p, std::size_t n, std::uint8_t* to) const;

  private:
    bool EncodePairs(const unsigned char* p, std::size_t n, std::uint8_t* to) const;

    std::array<std::uint8_t, 128> codes_;
    // The codes of two characters (the first in the low byte), by the
    // first plus 128 times the second: 32 KiB, in the cache.
    std::vector<std::uint16_t> pairs_;
};

}  // namespace corvane::create
