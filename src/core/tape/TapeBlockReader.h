#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "tape/TapeChunks.h"
#include "tape/TapeInflate.h"
#include "tape/TapeWindow.h"
#include "util/Result.h"

namespace corvane::tape {

struct ByteSpan {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
};

// Reads the data of indexed blocks: the chunks' data joined, inflated where
// the block is compressed. Blocks read in image order mostly come from its
// window without a system call.
class BlockReader {
  public:
    BlockReader(ByteSource& image, std::size_t window, BlockInflater& inflater)
        : window_(image, window), inflater_(inflater) {}

    // The block's chunk data joined, valid until the next call.
    Result<ByteSpan> Stored(const TapeBlock& block);
    // The block's data, inflated where it is compressed, valid until the next
    // call. number counts blocks on the tape from 1, for the messages.
    Result<ByteSpan> Data(const TapeBlock& block, std::size_t number);

  private:
    TapeWindow window_;
    std::vector<std::uint8_t> joined_;
    std::unique_ptr<std::uint8_t[]> inflated_;  // kMaxInflated bytes once needed
    BlockInflater& inflater_;
};

}  // namespace corvane::tape
