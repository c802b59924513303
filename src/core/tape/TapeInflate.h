#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "tape/TapeChunks.h"
#include "util/Result.h"

namespace corvane::tape {

// Inflates the zlib or bzip2 data of HET blocks; one inflater serves many
// blocks.
class BlockInflater {
  public:
    BlockInflater();
    ~BlockInflater();
    BlockInflater(const BlockInflater&) = delete;
    BlockInflater& operator=(const BlockInflater&) = delete;

    // Inflates the stored bytes of a compressed block into out, which holds
    // kMaxInflated bytes; returns the block's length. number counts blocks
    // from 1 on the tape, for the messages.
    Result<std::size_t> Inflate(const TapeBlock& block, std::size_t number,
                                const std::uint8_t* stored, std::uint8_t* out);

  private:
    struct Zlib;
    std::unique_ptr<Zlib> zlib_;
};

}  // namespace corvane::tape
