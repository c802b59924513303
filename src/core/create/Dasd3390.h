#pragma once

#include <cstdint>

namespace corvane::create {

// The geometry of the disk a written library is laid out on: an IBM 3390.
constexpr std::uint32_t kTracksPerCylinder = 15;
constexpr std::uint32_t kTrackCells = 1729;
constexpr std::uint32_t kTrackLength = 58786;
constexpr std::uint32_t kLargestBlock = 56664;
// Half a track: the block size the system picks for a new dataset.
constexpr std::uint32_t kHalfTrack = 27998;

// The cells of a track a block of keyLength and dataLength bytes takes.
std::uint32_t BlockCells(std::uint32_t keyLength, std::uint32_t dataLength);

// Places blocks one after another on consecutive tracks, from relative
// track 0, record 1, as the access method writes them: a block that does
// not fit on the track goes to the next, where records count from 1 again.
class TrackPlacer {
  public:
    // The relative track and record number (TTR) of the block placed.
    std::uint32_t Place(std::uint32_t keyLength, std::uint32_t dataLength);
    // Tracks touched so far (at least one).
    std::uint32_t TracksUsed() const { return track_ + 1; }

  private:
    std::uint32_t track_ = 0;
    std::uint32_t cells_ = 0;
    std::uint32_t record_ = 0;
};

}  // namespace corvane::create
