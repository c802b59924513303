#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane::tape {

// A stretch of the image held in memory: reads forward through it cost no
// system call, and a stretch outside it is read from where it starts.
class TapeWindow {
  public:
    TapeWindow(ByteSource& image, std::size_t size);

    // The n bytes at offset, valid until the next call; an image that ends
    // before them is an error.
    Result<const std::uint8_t*> At(std::int64_t offset, std::size_t n);
    ByteSource& Image() { return image_; }

  private:
    ByteSource& image_;
    std::int64_t imageSize_;
    std::size_t size_;
    std::unique_ptr<std::uint8_t[]> buffer_;  // not zeroed: only bytes read are looked at
    std::size_t capacity_ = 0;
    std::int64_t start_ = 0;
    std::size_t length_ = 0;
};

// Reads exactly n bytes at offset into destination.
Status ReadExact(ByteSource& image, std::int64_t offset, void* destination, std::size_t n);

}  // namespace corvane::tape
