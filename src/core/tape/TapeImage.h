#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "io/ByteSource.h"
#include "tape/TapeBlockReader.h"
#include "tape/TapeChunks.h"
#include "tape/TapeInfo.h"
#include "util/Result.h"

namespace corvane {

// The first bytes of an AWS or HET image: a plausible first chunk header
// and, where the bytes reach it, a second header that agrees with it.
bool LooksLikeTape(const std::uint8_t* head, std::size_t n);

// An AWS or HET tape image: its blocks indexed, its labels read, its data
// files read on request.
class TapeImage : public std::enable_shared_from_this<TapeImage> {
  public:
    // Indexes the chunks (headers only: of the compressed blocks only label
    // blocks are inflated) and reads the labels.
    static Result<std::shared_ptr<TapeImage>> Open(std::unique_ptr<ByteSource> image);

    const TapeInfo& Info() const { return info_; }
    // Fills in the byte count of every file, inflating compressed blocks to
    // count them; nothing is kept.
    Status Measure();
    // The data blocks of Files[index] joined, as a random-access source that
    // keeps this image alive.
    Result<std::unique_ptr<ByteSource>> OpenFile(std::size_t index);
    // The length of every data block of Files[index], in order.
    Result<std::vector<std::uint32_t>> BlockLengths(std::size_t index);
    // Streams the data blocks of Files[index] joined to write (which returns
    // false to stop), inflating each block once.
    Status CopyFile(std::size_t index,
                    const std::function<bool(const std::uint8_t*, std::size_t)>& write);

  private:
    friend class TapeFileSource;
    TapeImage(std::unique_ptr<ByteSource> image, tape::ChunkIndex index)
        : image_(std::move(image)), index_(std::move(index)) {}
    // The reader of Measure, BlockLengths and CopyFile, made when first needed.
    tape::BlockReader& Stream();
    Status CheckIndex(std::size_t index) const;
    // Inflates the compressed blocks of a data file not measured yet.
    Status MeasureFile(std::size_t index);
    // The number of a block on the tape, from 1, for messages.
    static std::size_t Number(std::size_t block) { return block + 1; }

    std::unique_ptr<ByteSource> image_;
    tape::ChunkIndex index_;
    std::vector<tape::PhysicalFile> data_;  // the blocks of each data file
    TapeInfo info_;
    tape::BlockInflater inflater_;
    std::unique_ptr<tape::BlockReader> stream_;
};

}  // namespace corvane
