#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "util/Result.h"

namespace corvane {

class TapeImage;

// Writes the data blocks of a tape file joined, as they are, to a file: the
// binary extract of a sequential tape file, each block read once. Like every
// extraction the file appears under its name only when it is complete.
Result<std::int64_t> CopyTapeFile(TapeImage& tape, std::size_t index,
                                  const std::filesystem::path& path);

}  // namespace corvane
