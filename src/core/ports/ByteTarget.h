#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// Takes the bytes of a read that goes to memory rather than to a viewer or
// a file (a member's data read for a check, or to look inside it).
class ByteTarget {
  public:
    virtual ~ByteTarget() = default;
    virtual void Write(const std::uint8_t* data, std::size_t n) = 0;
};

}  // namespace corvane
