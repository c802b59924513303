#pragma once

#include <cstddef>

#include "container/Content.h"
#include "util/Result.h"

namespace corvane {

class TapeImage;

// What a file of a tape holds, from its first bytes.
Result<Content> SniffTapeFile(TapeImage& tape, std::size_t index);

}  // namespace corvane
