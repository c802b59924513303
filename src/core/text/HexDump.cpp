#include "text/HexDump.h"

#include "decode/S390format.h"
#include "text/CodePage.h"

namespace corvane {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";

void AppendOffset(std::string& row, std::int64_t value) {
    char digits[17];
    int n = 0;
    auto v = static_cast<std::uint64_t>(value);
    do {
        digits[n++] = kHex[v & 0xF];
        v >>= 4;
    } while (v != 0);
    for (int k = n; k < 6; ++k) row.push_back('0');
    while (n > 0) row.push_back(digits[--n]);
}
}  // namespace

void FormatHexRow(const std::uint8_t* bytes, std::size_t count, std::int64_t offset,
                  std::string& row, const CodePage* characters) {
    row.clear();
    AppendOffset(row, offset);
    row.append("  ");
    const std::size_t hexStart = row.size();
    for (std::size_t k = 0; k < count; ++k) {
        row.push_back(kHex[bytes[k] >> 4]);
        row.push_back(kHex[bytes[k] & 0xF]);
        if (k % 2 == 1) row.push_back(' ');
    }
    row.resize(hexStart + 40, ' ');
    row.append("  ");
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t b = bytes[k];
        if (b < 0x3F) {
            row.push_back('.');
        } else if (characters && characters->Unicode()) {
            characters->AppendUtf8(&b, 1, row);
        } else {
            const std::uint8_t a = EbcdicToAscii(b);
            if (a < 0x80) {
                row.push_back(static_cast<char>(a));
            } else {
                row.push_back(static_cast<char>(0xC0 | (a >> 6)));
                row.push_back(static_cast<char>(0x80 | (a & 0x3F)));
            }
        }
    }
}

std::optional<std::size_t> HexRowCharacters(std::string_view line) {
    auto hexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    std::size_t digits = 0;
    while (digits < line.size() && hexDigit(line[digits])) ++digits;
    if (digits < 6) return std::nullopt;
    const std::size_t hexStart = digits + 2;
    const std::size_t characters = hexStart + 42;
    if (line.size() <= characters || line.substr(digits, 2) != "  " ||
        line.substr(hexStart + 40, 2) != "  ") {
        return std::nullopt;
    }
    for (std::size_t k = hexStart; k < hexStart + 40; ++k) {
        if (!hexDigit(line[k]) && line[k] != ' ') return std::nullopt;
    }
    return characters;
}

}  // namespace corvane
