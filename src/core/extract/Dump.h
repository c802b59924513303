#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ports/LineTarget.h"

namespace corvane {

// Writes titled hex-dump blocks (offset, hexadecimal and character columns)
// into a multi-line text control.
class DumpWriter {
  public:
    explicit DumpWriter(LineTarget& target) : Target(target) {}
    // Appends one block for the first n bytes; offset is printed for the
    // first byte. Returns false when the target refused a line.
    bool DumpBlock(const std::uint8_t* bytes, std::size_t n, bool translate, std::int64_t offset,
                   const std::string& title);

    LineTarget& Target;
};

}  // namespace corvane
