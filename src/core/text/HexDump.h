#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

class CodePage;

// The lines of one titled hex-dump block: the title, "Dump size is: N bytes",
// then rows of offset, hexadecimal and character columns, and an empty line.
// Calls line(text) for each; returns false when any call did. The character
// column follows the code page given, the program's table when none is.
template <class LineFn>
bool AppendHexDump(const std::uint8_t* bytes, std::size_t n, std::int64_t offset,
                   std::string_view title, LineFn&& line, const CodePage* characters = nullptr);

// One row of up to 16 bytes (offset, 2 blanks, 40 hex columns, 2 blanks, the
// characters, EBCDIC translated; bytes below 0x3F show as ".").
void FormatHexRow(const std::uint8_t* bytes, std::size_t count, std::int64_t offset,
                  std::string& row, const CodePage* characters = nullptr);

// Where the character column of a row that FormatHexRow made begins, or
// nothing when the line is no such row (a title, a size line, a blank).
std::optional<std::size_t> HexRowCharacters(std::string_view line);

template <class LineFn>
bool AppendHexDump(const std::uint8_t* bytes, std::size_t n, std::int64_t offset,
                   std::string_view title, LineFn&& line, const CodePage* characters) {
    bool ok = line(title);
    ok = line("Dump size is: " + std::to_string(n) + " bytes") && ok;
    if (n == 0) {
        ok = line(std::string(50, ' ')) && ok;
    } else {
        ok = line(std::string(10, ' ')) && ok;
        std::string row;
        for (std::size_t start = 0; start < n; start += 16) {
            const std::size_t count = n - start < 16 ? n - start : 16;
            FormatHexRow(bytes + start, count, offset + static_cast<std::int64_t>(start), row,
                         characters);
            ok = line(row) && ok;
        }
    }
    ok = line(std::string_view()) && ok;
    return ok;
}

}  // namespace corvane
