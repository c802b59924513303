#pragma once

#include <cstdint>
#include <vector>

#include "XmitBuilder.h"

// Writes TERSE files for tests and fuzz seeds. Every byte goes out as its
// own code, which both algorithms read without ever naming a string of
// their dictionaries, so the bytes written are exactly the records given.
namespace corvane::testing {

struct TersePlan {
    bool Spack = false;
    bool Variable = false;       // V records, code 257 between them
    std::uint32_t Lrecl = 80;    // for V the record length with its RDW
    std::vector<Bytes> Records;  // F: cut from their bytes joined
    bool EndCode = true;         // the closing code 0
    std::size_t PadTo = 1024;    // filler after the codes, as real files have
};
Bytes BuildTerse(const TersePlan& plan);
// The header alone, and a code stream from given 12-bit codes.
Bytes TerseHeaderBytes(const TersePlan& plan);
Bytes TerseCodeBytes(const std::vector<std::uint16_t>& codes);

}  // namespace corvane::testing
