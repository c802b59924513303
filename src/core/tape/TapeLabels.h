#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tape/TapeInfo.h"

namespace corvane::tape {

// IBM standard labels are 80-byte EBCDIC blocks.
constexpr std::size_t kLabelSize = 80;

// The 80 characters of a label block through the default code page.
std::string LabelText(const std::uint8_t* label);
// The label's identifier: "VOL1", "HDR1", "EOF1" and so on.
inline std::string LabelId(const std::string& text) {
    return text.substr(0, 4);
}
// A field of a label, trailing blanks removed.
std::string Field(const std::string& text, std::size_t offset, std::size_t length);
// A field of decimal digits (blanks around them allowed); none when it holds
// anything else or nothing.
std::optional<std::uint64_t> Number(const std::string& text, std::size_t offset,
                                    std::size_t length);

// An HDR1 creation date 'cyyddd' as YYYY-MM-DD; empty when it is not a date.
std::string CreationDate(const std::string& hdr1);
// The HDR2 record format with its block attribute: "FB", "VS", "VBS", "U".
std::string RecordFormat(const std::string& hdr2);
// A block count of an EOF1 or EOV1 label: low-order and high-order digits.
std::optional<std::uint64_t> BlockCount(const std::string& eof1);

// Fills a file's label fields from its HDR1 and (where there is one) HDR2.
void ApplyHeaderLabels(TapeFileInfo& file, const std::string& hdr1, const std::string* hdr2);

}  // namespace corvane::tape
