#pragma once

#include <cstdint>
#include <vector>

#include "decode/XmitInfo.h"

namespace corvane::create {

// ISPF statistics as a directory entry's user data: 30 bytes, or 40 (the
// extended form) when a line count needs more than 2 bytes.
std::vector<std::uint8_t> IspfUserData(const IspfStatistics& stats);

// The statistics ISPF gives a member saved at that time with that many lines.
IspfStatistics NewStatistics(const DateTime& saved, std::uint32_t lines, const std::string& user);
// The statistics of a member edited and saved again: the modification level
// one higher, the new time and line count; the creation date and user stay
// unless another user saves.
IspfStatistics EditedStatistics(const IspfStatistics& before, const DateTime& saved,
                                std::uint32_t lines, const std::string& user);

}  // namespace corvane::create
