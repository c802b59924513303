#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::repair {

inline constexpr std::size_t kCard = 80;
// "\INMR01" after the first segment's length byte: EBCDIC, and as text mode
// translates it (the same in every offered code page).
inline constexpr std::uint8_t kEbcdicStart[7] = {0xE0, 0xC9, 0xD5, 0xD4, 0xD9, 0xF0, 0xF1};
inline constexpr std::uint8_t kTextStart[7] = {0x5C, 0x49, 0x4E, 0x4D, 0x52, 0x30, 0x31};

bool StartsLikeXmit(const std::uint8_t* p, std::size_t n);

// Each byte of a text-mode copy back to its EBCDIC code; below 0: none.
using Table = std::array<std::int16_t, 256>;

// A code page's text-mode table reversed: each ISO 8859-1 byte back to its
// EBCDIC code, where the page has one.
struct PageTable {
    int Number;
    Table Back;
};

// Every page's reversed table, made once.
const std::vector<PageTable>& PageTables();

// Whether the page gives back the first segment's header and INMR01 from
// the first 8 bytes: a page that does not cannot give the file, whatever
// follows.
bool FirstSegmentUntranslates(const std::uint8_t* in, const Table& back);

// The page as the sentences name it.
std::string PageName(int page);

// How a text-mode copy through the page is named in the sentence, up to the
// closing parenthesis: "sent in text mode (IBM 037 to ISO 8859-1, CR LF
// after each record".
std::string TextModeWhat(int page, bool crlf);

// "This file was " what, and whether the original came back.
std::string Sentence(const std::string& what, bool exact);

// What is said when pages that give different bytes each give a file.
std::string RivalsSentence(const std::vector<std::string>& pages);

}  // namespace corvane::repair
