#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/Result.h"

namespace corvane {

inline constexpr std::size_t kTerseHeaderSize = 12;

// The header of a TERSE file (AMATERSE, TRSMAIN) in its host form.
struct TerseHeader {
    bool Spack = false;              // SPACK (version 05), else PACK (version 02)
    bool Variable = false;           // V records: each written with its 4-byte RDW
    std::uint32_t RecordLength = 0;  // as the header gives it (V: LRECL - 4)
    std::uint32_t BlockSize = 0;     // of the original dataset
    std::uint32_t Lrecl() const { return Variable ? RecordLength + 4 : RecordLength; }
    std::string FormatName() const { return Spack ? "SPACK" : "PACK"; }
};

// The first bytes are a TERSE header this decoder takes, and its first code
// is one that can start a stream.
bool LooksLikeTerse(const std::uint8_t* head, std::size_t n);
Result<TerseHeader> ReadTerseHeader(const std::uint8_t* head, std::size_t n);

}  // namespace corvane
