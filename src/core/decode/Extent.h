#pragma once

#include <cstdint>

namespace corvane {

// One extent of the unloaded dataset, in absolute tracks, from COPYR2.
struct ExtentEntry {
    std::int64_t FirstTrack = 0;
    std::int64_t LastTrack = 0;
    std::int64_t TracksBefore = 0;  // tracks of all earlier extents
};

}  // namespace corvane
