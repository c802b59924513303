#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::repair {

// n bytes of a text-mode copy through the table (each byte's EBCDIC code,
// below 0 where it has none) into to; false when a byte has no code there.
bool UntranslateBytes(const std::uint8_t* from, std::size_t n, const std::int16_t* table,
                      std::uint8_t* to);

// The same for cards of 80 bytes that stand step bytes apart (each followed
// by its line end), written one after the other.
bool UntranslateCards(const std::uint8_t* from, std::size_t cards, std::size_t step,
                      const std::int16_t* table, std::uint8_t* to);

}  // namespace corvane::repair
