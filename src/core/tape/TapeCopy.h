#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tape/TapeBlockReader.h"
#include "tape/TapeChunks.h"
#include "util/Result.h"

namespace corvane::tape {

using BlockWriter = std::function<bool(const std::uint8_t*, std::size_t)>;

// Streams blocks [first, first + count) to write in order, inflating each
// once and noting its length in the index. *bytes gets the bytes written;
// *stopped tells whether write asked to stop. Where the compressed data are
// large and the machine has a second core, two threads inflate: the
// caller's and one of its own.
Status CopyBlocks(BlockReader& reader, std::vector<TapeBlock>& blocks, std::size_t first,
                  std::size_t count, const BlockWriter& write, std::int64_t* bytes, bool* stopped);

}  // namespace corvane::tape
