#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Conversions of mainframe data: EBCDIC text, big-endian binary fields,
// packed-decimal digits and ISPF statistics dates.
namespace corvane {

// The EBCDIC-to-ASCII (ISO 8859-1) table used everywhere in the program.
extern const std::uint8_t kEbcdicTable[256];
// Nibble value to digit character; 10 to 15 give "0".
inline constexpr char kDigitChars[] = "0123456789000000";
// 17-character date template, NUL at position 0 (see FillDateTemplate).
inline constexpr char kDateTemplate[18] = {'\0', ' ', '/', ' ', ' ', '/', ' ', ' ', ' ',
                                           ' ',  ' ', ' ', ' ', ' ', ':', ' ', ' ', '\0'};
inline constexpr std::size_t kDateTextSize = 18;  // 17 characters and a NUL

inline std::uint8_t EbcdicToAscii(std::uint8_t b) {
    return kEbcdicTable[b];
}
void EbcdicInPlace(std::uint8_t* buffer, std::size_t count);
// destination[k] = table[source[offset + k]]; no terminator is written.
void EbcdicCopy(const std::uint8_t* source, char* destination, std::size_t offset,
                std::size_t count);
std::string EbcdicString(const std::uint8_t* source, std::size_t count);

// Unsigned big-endian value; fields longer than 4 bytes use their last 4.
std::uint32_t BigEndianField(const std::uint8_t* buffer, std::size_t offset, std::size_t size);
// Each source byte gives two destination bytes: high nibble, low nibble.
void UnpackNibbles(const std::uint8_t* source, std::uint8_t* destination, std::size_t offset,
                   std::size_t count);
// Decimal value of count digit values; digits are not checked.
std::uint32_t DigitsToInt(const std::uint8_t* digits, std::size_t offset, std::size_t count);

void FillDateTemplate(char* destination, std::size_t n);
// Places count (8 or 12) digits, year-month-day[-hour-minute], into a filled
// template in the order that dateOrder asks (0 = month first), then ends it.
void ReorderDateText(const char* source, char* destination, std::size_t count,
                     std::uint8_t dateOrder);
// ISPF statistics date at buffer[offset]: century, packed year, packed day.
// destination needs kDateTextSize bytes. Returns 0, or 1 for an invalid date.
int FormatIspfDate(const std::uint8_t* buffer, char* destination, std::size_t offset,
                   std::uint8_t dateOrder, bool withTime);

// ISO 8859-1 text to UTF-8, for display.
std::string Latin1ToUtf8(std::string_view latin1);
// Appends EBCDIC bytes as UTF-8 display text in which nothing is hidden:
// control characters become visible symbols.
void AppendEbcdicVisible(const std::uint8_t* data, std::size_t count, std::string& out);

}  // namespace corvane
