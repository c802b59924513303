#include <gtest/gtest.h>

#include <cstring>

#include "decode/S390format.h"

using namespace corvane;

TEST(EbcdicTable, DiffersFromCodePage037InTheSevenChosenPlaces) {
    EXPECT_EQ(EbcdicToAscii(0x5F), 0x5E);
    EXPECT_EQ(EbcdicToAscii(0xAD), '[');
    EXPECT_EQ(EbcdicToAscii(0xBD), ']');
    EXPECT_EQ(EbcdicToAscii(0xB0), 0xAC);
    EXPECT_EQ(EbcdicToAscii(0xBA), 0xDD);
    EXPECT_EQ(EbcdicToAscii(0xBB), 0xA8);
    EXPECT_EQ(EbcdicToAscii(0xFF), 0xFF);
    EXPECT_EQ(EbcdicToAscii(0xDF), 0xFF);
    for (int b = 0; b < 256; ++b) EXPECT_NE(EbcdicToAscii(static_cast<std::uint8_t>(b)), 0x9F);
}

TEST(EbcdicTable, FollowsCodePage037ElsewhereIncludingControls) {
    EXPECT_EQ(EbcdicToAscii(0x15), 0x85);
    EXPECT_EQ(EbcdicToAscii(0x25), 0x0A);
    EXPECT_EQ(EbcdicToAscii(0x40), ' ');
    EXPECT_EQ(EbcdicToAscii(0xC1), 'A');
    EXPECT_EQ(EbcdicToAscii(0xF9), '9');
    EXPECT_EQ(EbcdicToAscii(0x81), 'a');
    std::uint8_t ff[8];
    std::memset(ff, 0xFF, 8);
    char out[8];
    EbcdicCopy(ff, out, 0, 8);
    for (char c : out) EXPECT_EQ(static_cast<std::uint8_t>(c), 0xFF);
}

TEST(EbcdicCopy, TakesTheOffsetInTheSource) {
    const std::uint8_t src[] = {0xC1, 0xC2, 0xC3, 0xC4};
    char out[3] = {'x', 'x', 'x'};
    EbcdicCopy(src, out, 1, 2);
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'C');
    EXPECT_EQ(out[2], 'x');  // no terminator written
}

TEST(BigEndianField, UsesTheLastFourBytesOfLongFields) {
    const std::uint8_t six[] = {0x00, 0x00, 0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(BigEndianField(six, 0, 6), 0x12345678u);
    const std::uint8_t eight[] = {0xAA, 0xBB, 0xCC, 0xDD, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(BigEndianField(eight, 0, 8), 0x01020304u);
    EXPECT_EQ(BigEndianField(six, 2, 2), 0x1234u);
    EXPECT_EQ(BigEndianField(six, 0, 0), 0u);
}

TEST(PackedDigits, UnpackAndConvert) {
    const std::uint8_t packed[] = {0x12, 0x3F};
    std::uint8_t digits[4];
    UnpackNibbles(packed, digits, 0, 2);
    EXPECT_EQ(digits[0], 1);
    EXPECT_EQ(digits[3], 15);
    EXPECT_EQ(DigitsToInt(digits, 0, 3), 123u);
}

namespace {
std::string Ispf(std::uint8_t century, std::uint8_t year, std::uint8_t d1, std::uint8_t d2,
                 std::uint8_t order, bool withTime, int* result = nullptr, std::uint8_t hh = 0x14,
                 std::uint8_t mm = 0x35) {
    const std::uint8_t field[] = {century, year, d1, d2, hh, mm};
    char out[kDateTextSize];
    int r = FormatIspfDate(field, out, 0, order, withTime);
    if (result) *result = r;
    return r == 0 ? std::string(out) : std::string("invalid");
}
}  // namespace

TEST(FormatIspfDate, MonthFirstAndDayFirstWithTime) {
    EXPECT_EQ(Ispf(1, 0x02, 0x07, 0x4F, 0, true), "03/15/2002  14:35");
    EXPECT_EQ(Ispf(1, 0x02, 0x07, 0x4F, 1, true), "15/03/2002  14:35");
    EXPECT_EQ(Ispf(1, 0x02, 0x07, 0x4F, 0, false), "03/15/2002");
    EXPECT_EQ(Ispf(0, 0x97, 0x00, 0x1F, 1, false), "01/01/1997");
}

TEST(FormatIspfDate, CenturiesLeapYearsAndInvalidFields) {
    EXPECT_EQ(Ispf(2, 0x99, 0x00, 0x1F, 0, false), "01/01/2199");
    EXPECT_EQ(Ispf(3, 0x00, 0x00, 0x1F, 0, false), "invalid");
    EXPECT_EQ(Ispf(1, 0x00, 0x36, 0x6F, 0, false), "12/31/2000");  // day 366 of 2000
    EXPECT_EQ(Ispf(1, 0x04, 0x36, 0x6F, 0, false), "12/31/2004");
    EXPECT_EQ(Ispf(1, 0x01, 0x36, 0x6F, 0, false), "invalid");     // 2001 has 365 days
    EXPECT_EQ(Ispf(1, 0x01, 0x00, 0x0F, 0, false), "invalid");     // day 0
    EXPECT_EQ(Ispf(1, 0xA0, 0x00, 0x1F, 0, false), "invalid");     // year nibble above 9
    EXPECT_EQ(Ispf(1, 0x01, 0x06, 0x0F, 0, false), "03/01/2001");  // day 60, ordinary year
    EXPECT_EQ(Ispf(1, 0x04, 0x06, 0x0F, 0, false), "02/29/2004");  // day 60, leap year
}

TEST(FormatIspfDate, TimeNibblesAboveNinePrintAsZero) {
    EXPECT_EQ(Ispf(1, 0x02, 0x07, 0x4F, 0, true, nullptr, 0x1A, 0x35), "03/15/2002  10:35");
}

TEST(ReorderDateText, PlacesDigitsIntoTheTemplate) {
    char out[kDateTextSize];
    FillDateTemplate(out, 17);
    ReorderDateText("200307041320", out, 12, 0);
    EXPECT_STREQ(out, "07/04/2003  13:20");
    FillDateTemplate(out, 17);
    ReorderDateText("200307041320", out, 12, 1);
    EXPECT_STREQ(out, "04/07/2003  13:20");
    FillDateTemplate(out, 10);
    ReorderDateText("20030704", out, 8, 1);
    EXPECT_STREQ(out, "04/07/2003");
    FillDateTemplate(out, 17);
    EXPECT_STREQ(out, "");  // the template reads empty until digits arrive
}

TEST(DisplayText, ControlCharactersBecomeVisible) {
    const std::uint8_t data[] = {0xC1, 0x00, 0x25, 0xC2};
    std::string out;
    AppendEbcdicVisible(data, 4, out);
    EXPECT_EQ(out,
              "A\u2400\u240A"
              "B");
    EXPECT_EQ(Latin1ToUtf8("\xE9t\xE9"), "\u00E9t\u00E9");
}
