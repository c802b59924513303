#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "io/ByteSource.h"
#include "tape/TapeBlockReader.h"
#include "tape/TapeImage.h"

namespace corvane {

// The data blocks of one file of a tape joined: a read finds the block of its
// offset and takes plain bytes straight from the image; a compressed or
// multi-chunk block is read whole, and the last one read is kept.
class TapeFileSource : public ByteSource {
  public:
    // starts: where each block begins in the joined data, and the size last.
    TapeFileSource(std::shared_ptr<TapeImage> image, std::size_t firstBlock,
                   std::vector<std::int64_t> starts, std::string name);

    std::int64_t Size() const override { return starts_.back(); }
    Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
    std::string Name() const override { return name_; }

  private:
    std::shared_ptr<TapeImage> image_;
    std::size_t first_;
    std::vector<std::int64_t> starts_;
    std::string name_;
    tape::BlockInflater inflater_;
    tape::BlockReader reader_;
    std::size_t kept_ = static_cast<std::size_t>(-1);  // the block whose data is in keptData_
    tape::ByteSpan keptData_;
};

}  // namespace corvane
