#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/HexDump.h"

using namespace corvane;

namespace {
std::vector<std::string> Dump(const std::uint8_t* bytes, std::size_t n, std::int64_t offset) {
    std::vector<std::string> lines;
    AppendHexDump(bytes, n, offset, "T", [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}
}  // namespace

TEST(HexDump, EmptyBlockHasFourLines) {
    EXPECT_EQ(Dump(nullptr, 0, 0),
              (std::vector<std::string>{"T", "Dump size is: 0 bytes", std::string(50, ' '), ""}));
}

TEST(HexDump, RowLayoutMatchesTheExample) {
    const std::uint8_t bytes[] = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x40, 0xE6, 0xD6,
                                  0xD9, 0xD3, 0xC4, 0x40, 0x40, 0x40, 0x40, 0x40};
    const auto lines = Dump(bytes, 16, 0x1F40);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], std::string(10, ' '));
    EXPECT_EQ(lines[3], "001F40  C8C5 D3D3 D640 E6D6 D9D3 C440 4040 4040   HELLO WORLD     ");
}

TEST(HexDump, ShortRowsArePaddedAndOffsetsRunOn) {
    std::uint8_t bytes[17];
    for (int k = 0; k < 17; ++k) bytes[k] = static_cast<std::uint8_t>(0x3E + k % 2);
    const auto lines = Dump(bytes, 17, 0);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4].substr(0, 8), "000010  ");
    EXPECT_EQ(lines[4].substr(8, 40), "3E" + std::string(38, ' '));
    // 0x3E shows as a dot; 0x3F is translated (to the control character 0x1A).
    EXPECT_EQ(lines[3].substr(50, 2), ".\x1A");
}

TEST(HexDump, ReportsARefusedLine) {
    const std::uint8_t b = 1;
    int left = 2;
    EXPECT_FALSE(AppendHexDump(&b, 1, 0, "T", [&](std::string_view) { return left-- > 0; }));
}
