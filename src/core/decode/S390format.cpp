#include "decode/S390format.h"

#include <array>
#include <cstring>

#include "text/CodePage.h"

namespace corvane {

const std::uint8_t kEbcdicTable[256] = {
    0x00, 0x01, 0x02, 0x03, 0x9C, 0x09, 0x86, 0x7F, 0x97, 0x8D, 0x8E, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x9D, 0x85, 0x08, 0x87, 0x18, 0x19, 0x92, 0x8F, 0x1C, 0x1D, 0x1E, 0x1F,
    0x80, 0x81, 0x82, 0x83, 0x84, 0x0A, 0x17, 0x1B, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x05, 0x06, 0x07,
    0x90, 0x91, 0x16, 0x93, 0x94, 0x95, 0x96, 0x04, 0x98, 0x99, 0x9A, 0x9B, 0x14, 0x15, 0x9E, 0x1A,
    0x20, 0xA0, 0xE2, 0xE4, 0xE0, 0xE1, 0xE3, 0xE5, 0xE7, 0xF1, 0xA2, 0x2E, 0x3C, 0x28, 0x2B, 0x7C,
    0x26, 0xE9, 0xEA, 0xEB, 0xE8, 0xED, 0xEE, 0xEF, 0xEC, 0xDF, 0x21, 0x24, 0x2A, 0x29, 0x3B, 0x5E,
    0x2D, 0x2F, 0xC2, 0xC4, 0xC0, 0xC1, 0xC3, 0xC5, 0xC7, 0xD1, 0xA6, 0x2C, 0x25, 0x5F, 0x3E, 0x3F,
    0xF8, 0xC9, 0xCA, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0x60, 0x3A, 0x23, 0x40, 0x27, 0x3D, 0x22,
    0xD8, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0xAB, 0xBB, 0xF0, 0xFD, 0xFE, 0xB1,
    0xB0, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0xAA, 0xBA, 0xE6, 0xB8, 0xC6, 0xA4,
    0xB5, 0x7E, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0xA1, 0xBF, 0xD0, 0x5B, 0xDE, 0xAE,
    0xAC, 0xA3, 0xA5, 0xB7, 0xA9, 0xA7, 0xB6, 0xBC, 0xBD, 0xBE, 0xDD, 0xA8, 0xAF, 0x5D, 0xB4, 0xD7,
    0x7B, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0xAD, 0xF4, 0xF6, 0xF2, 0xF3, 0xF5,
    0x7D, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0xB9, 0xFB, 0xFC, 0xF9, 0xFA, 0xFF,
    0x5C, 0xF7, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0xB2, 0xD4, 0xD6, 0xD2, 0xD3, 0xD5,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xB3, 0xDB, 0xDC, 0xD9, 0xDA, 0xFF,
};

void EbcdicInPlace(std::uint8_t* buffer, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) buffer[k] = kEbcdicTable[buffer[k]];
}

void EbcdicCopy(const std::uint8_t* source, char* destination, std::size_t offset,
                std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        destination[k] = static_cast<char>(kEbcdicTable[source[offset + k]]);
    }
}

std::string EbcdicString(const std::uint8_t* source, std::size_t count) {
    std::string s(count, '\0');
    EbcdicCopy(source, s.data(), 0, count);
    return s;
}

std::uint32_t BigEndianField(const std::uint8_t* buffer, std::size_t offset, std::size_t size) {
    if (size > 4) {
        offset += size - 4;
        size = 4;
    }
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < size; ++k) value = (value << 8) | buffer[offset + k];
    return value;
}

void UnpackNibbles(const std::uint8_t* source, std::uint8_t* destination, std::size_t offset,
                   std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        destination[2 * k] = static_cast<std::uint8_t>(source[offset + k] >> 4);
        destination[2 * k + 1] = static_cast<std::uint8_t>(source[offset + k] & 0x0F);
    }
}

std::uint32_t DigitsToInt(const std::uint8_t* digits, std::size_t offset, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < count; ++k) value = value * 10 + digits[offset + k];
    return value;
}

void FillDateTemplate(char* destination, std::size_t n) {
    std::memcpy(destination, kDateTemplate, n < sizeof kDateTemplate ? n : sizeof kDateTemplate);
}

namespace {
constexpr std::array<std::uint8_t, 12> kMonthFirst = {6, 7, 8, 9, 0, 1, 3, 4, 12, 13, 15, 16};
constexpr std::array<std::uint8_t, 12> kDayFirst = {6, 7, 8, 9, 3, 4, 0, 1, 12, 13, 15, 16};
constexpr std::array<std::uint16_t, 13> kDaysBefore = {0,   31,  59,  90,  120, 151, 181,
                                                       212, 243, 273, 304, 334, 365};
constexpr std::array<std::uint16_t, 13> kDaysBeforeLeap = {0,   31,  60,  91,  121, 152, 182,
                                                           213, 244, 274, 305, 335, 366};
}  // namespace

void ReorderDateText(const char* source, char* destination, std::size_t count,
                     std::uint8_t dateOrder) {
    const auto& map = dateOrder == 0 ? kMonthFirst : kDayFirst;
    if (count > map.size()) count = map.size();
    for (std::size_t k = 0; k < count; ++k) destination[map[k]] = source[k];
    destination[count >= 12 ? 17 : 10] = '\0';
}

int FormatIspfDate(const std::uint8_t* buffer, char* destination, std::size_t offset,
                   std::uint8_t dateOrder, bool withTime) {
    std::uint8_t dayDigits[6];
    std::uint8_t yearDigits[2];
    std::uint8_t timeDigits[4] = {0, 0, 0, 0};
    UnpackNibbles(buffer, dayDigits, offset + 2, 2);
    UnpackNibbles(buffer, yearDigits, offset + 1, 1);
    std::size_t count = 8;
    if (withTime) {
        UnpackNibbles(buffer, timeDigits, offset + 4, 2);
        FillDateTemplate(destination, 17);
        count = 12;
    } else {
        FillDateTemplate(destination, 10);
    }
    std::uint32_t yearInCentury = DigitsToInt(yearDigits, 0, 2);
    if (yearInCentury > 99) return 1;
    std::uint8_t century = buffer[offset];
    if (century >= 3) return 1;
    std::uint32_t year = 1900 + 100 * century + yearInCentury;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const auto& table = leap ? kDaysBeforeLeap : kDaysBefore;
    std::uint32_t day = DigitsToInt(dayDigits, 0, 3);
    if (day == 0 || day > table[12]) return 1;
    std::size_t month = 0;
    while (table[month] < day) ++month;
    std::uint32_t dayOfMonth = day - table[month - 1];
    char text[12] = {
        kDigitChars[year / 1000 % 10], kDigitChars[year / 100 % 10], kDigitChars[year / 10 % 10],
        kDigitChars[year % 10],        kDigitChars[month / 10],      kDigitChars[month % 10],
        kDigitChars[dayOfMonth / 10],  kDigitChars[dayOfMonth % 10], kDigitChars[timeDigits[0]],
        kDigitChars[timeDigits[1]],    kDigitChars[timeDigits[2]],   kDigitChars[timeDigits[3]]};
    ReorderDateText(text, destination, count, dateOrder);
    return 0;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

void AppendEbcdicVisible(const std::uint8_t* data, std::size_t count, std::string& out) {
    CodePage::Default().AppendVisible(data, count, out);
}

}  // namespace corvane
