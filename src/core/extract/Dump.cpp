#include "extract/Dump.h"

#include "decode/S390format.h"

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

bool DumpWriter::DumpBlock(const std::uint8_t* bytes, std::size_t n, bool translate,
                           std::int64_t offset, const std::string& title) {
    bool ok = Target.AppendLine(title);
    ok = Target.AppendLine("Dump size is: " + std::to_string(n) + " bytes") && ok;
    if (n == 0) {
        ok = Target.AppendLine(std::string(50, ' ')) && ok;
    } else {
        ok = Target.AppendLine(std::string(10, ' ')) && ok;
        std::string row;
        for (std::size_t start = 0; start < n; start += 16) {
            std::size_t count = n - start < 16 ? n - start : 16;
            row.clear();
            AppendOffset(row, offset + static_cast<std::int64_t>(start));
            row.append("  ");
            std::size_t hexStart = row.size();
            for (std::size_t k = 0; k < count; ++k) {
                row.push_back(kHex[bytes[start + k] >> 4]);
                row.push_back(kHex[bytes[start + k] & 0xF]);
                if (k % 2 == 1) row.push_back(' ');
            }
            row.resize(hexStart + 40, ' ');
            row.append("  ");
            for (std::size_t k = 0; k < count; ++k) {
                std::uint8_t b = bytes[start + k];
                if (b < 0x3F) {
                    row.push_back('.');
                } else {
                    char c = static_cast<char>(translate ? EbcdicToAscii(b) : b);
                    row.append(Latin1ToUtf8(std::string_view(&c, 1)));
                }
            }
            ok = Target.AppendLine(row) && ok;
        }
    }
    ok = Target.AppendLine("") && ok;
    return ok;
}

}  // namespace corvane
