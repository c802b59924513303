#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// One IBM EBCDIC code page: the Unicode code point of every byte.
struct CodePageTable {
    int Number;
    std::uint16_t CodePoints[256];
};

extern const CodePageTable kCodePageTables[];
extern const std::size_t kCodePageTableCount;

}  // namespace corvane
