#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane::repair {

// The lines of a text-mode copy: each line's bytes, its end not included,
// and the bytes of its end: 1 (LF), 2 (CR LF) or 0 (the file's end).
struct TextLine {
    std::size_t From, To;
    std::size_t End;
};

// The text cut at its line ends (CR LF counted as one where crlf is set).
std::vector<TextLine> SplitLines(const std::vector<std::uint8_t>& text, bool crlf);

// Cards sent as lines of text with their trailing blanks removed, rebuilt:
// each line is untranslated and filled back to 80 bytes with EBCDIC blanks.
// A line end that was a data byte (EBCDIC X'25' or X'0D' translated to LF or
// CR) splits a card in two; where a line may end a card or be such a byte,
// the NETDATA segment chain decides: the choice whose segments go on
// soundly is taken, back to the last choice when they break. Null when no
// choice gives a chain that runs to the closing record.
std::optional<std::vector<std::uint8_t>> RebuildCards(const std::vector<std::uint8_t>& text,
                                                      const std::vector<TextLine>& lines,
                                                      const std::array<std::int16_t, 256>& back);

}  // namespace corvane::repair
