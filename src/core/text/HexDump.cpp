#include "text/HexDump.h"

#include "decode/S390format.h"
#include "text/CodePage.h"

namespace corvane {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::size_t kRowBytes = 16;
}  // namespace

// The row is put together in a buffer on the stack and copied once: the hex
// view and the header dump make one of these for every 16 bytes.
void FormatHexRow(const std::uint8_t* bytes, std::size_t count, std::int64_t offset,
                  std::string& row, const CodePage* characters) {
    if (count > kRowBytes) count = kRowBytes;
    // offset (up to 16 digits), 2 blanks, 40 hex columns, 2 blanks, and
    // characters of up to 2 bytes each
    char line[16 + 2 + 40 + 2 + 2 * kRowBytes];
    std::size_t n = 0;
    char digits[16];
    int d = 0;
    auto v = static_cast<std::uint64_t>(offset);
    do {
        digits[d++] = kHex[v & 0xF];
        v >>= 4;
    } while (v != 0);
    for (int k = d; k < 6; ++k) line[n++] = '0';
    while (d > 0) line[n++] = digits[--d];
    line[n++] = ' ';
    line[n++] = ' ';
    const std::size_t hexEnd = n + 40;
    for (std::size_t k = 0; k < count; ++k) {
        line[n++] = kHex[bytes[k] >> 4];
        line[n++] = kHex[bytes[k] & 0xF];
        if (k % 2 == 1) line[n++] = ' ';
    }
    while (n < hexEnd) line[n++] = ' ';
    line[n++] = ' ';
    line[n++] = ' ';
    const bool unicode = characters && characters->Unicode();
    for (std::size_t k = 0; k < count && !unicode; ++k) {
        const std::uint8_t b = bytes[k];
        const std::uint8_t a = b < 0x3F ? '.' : EbcdicToAscii(b);
        if (a < 0x80) {
            line[n++] = static_cast<char>(a);
        } else {
            line[n++] = static_cast<char>(0xC0 | (a >> 6));
            line[n++] = static_cast<char>(0x80 | (a & 0x3F));
        }
    }
    row.assign(line, n);
    for (std::size_t k = 0; k < count && unicode; ++k) {
        const std::uint8_t b = bytes[k];
        if (b < 0x3F) {
            row.push_back('.');
        } else {
            characters->AppendUtf8(&b, 1, row);
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
