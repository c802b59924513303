#include <gtest/gtest.h>

#include "extract/Dump.h"
#include "ports/MemoryPorts.h"

using namespace corvane;

TEST(DumpWriter, EmptyBlockHasFourLines) {
    MemoryLines lines;
    DumpWriter dump(lines);
    dump.DumpBlock(nullptr, 0, true, 0, "Title");
    ASSERT_EQ(lines.Lines.size(), 4u);
    EXPECT_EQ(lines.Lines[0], "Title");
    EXPECT_EQ(lines.Lines[1], "Dump size is: 0 bytes");
    EXPECT_EQ(lines.Lines[2], std::string(50, ' '));
    EXPECT_EQ(lines.Lines[3], "");
}

TEST(DumpWriter, RowLayoutMatchesTheExample) {
    const std::uint8_t bytes[] = {0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x40, 0xE6, 0xD6,
                                  0xD9, 0xD3, 0xC4, 0x40, 0x40, 0x40, 0x40, 0x40};
    MemoryLines lines;
    DumpWriter dump(lines);
    dump.DumpBlock(bytes, 16, true, 0x1F40, "T");
    ASSERT_EQ(lines.Lines.size(), 5u);
    EXPECT_EQ(lines.Lines[2], std::string(10, ' '));
    EXPECT_EQ(lines.Lines[3], "001F40  C8C5 D3D3 D640 E6D6 D9D3 C440 4040 4040   HELLO WORLD     ");
    EXPECT_EQ(lines.Lines[3].size(), 66u);
}

TEST(DumpWriter, ShortRowsArePaddedAndOffsetsRunOn) {
    std::uint8_t bytes[17];
    for (int k = 0; k < 17; ++k) bytes[k] = static_cast<std::uint8_t>(0x3E + k % 2);
    MemoryLines lines;
    DumpWriter dump(lines);
    dump.DumpBlock(bytes, 17, true, 0, "T");
    ASSERT_EQ(lines.Lines.size(), 6u);
    EXPECT_EQ(lines.Lines[4].substr(0, 8), "000010  ");
    EXPECT_EQ(lines.Lines[4].substr(8, 40), "3E" + std::string(38, ' '));
    // 0x3E shows as a dot; 0x3F is translated (to the control character 0x1A).
    EXPECT_EQ(lines.Lines[3].substr(50, 2), ".\x1A");
}

TEST(DumpWriter, WithoutTranslationLowBytesAreDots) {
    const std::uint8_t bytes[] = {'0', 'A'};
    MemoryLines lines;
    DumpWriter dump(lines);
    dump.DumpBlock(bytes, 2, false, 0, "T");
    EXPECT_EQ(lines.Lines[3].substr(50), ".A");
}

TEST(DumpWriter, ReportsARefusedLine) {
    MemoryLines lines(2);
    DumpWriter dump(lines);
    const std::uint8_t b = 1;
    EXPECT_FALSE(dump.DumpBlock(&b, 1, true, 0, "T"));
}
