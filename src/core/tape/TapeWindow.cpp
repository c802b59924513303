#include "tape/TapeWindow.h"

#include <algorithm>

#include "tape/TapeError.h"

namespace corvane::tape {

TapeWindow::TapeWindow(ByteSource& image, std::size_t size)
    : image_(image), imageSize_(image.Size()), size_(size) {
    // No larger than the image: a small image does not pay for a large window.
    if (imageSize_ >= 0 && static_cast<std::uint64_t>(imageSize_) < size_)
        size_ = std::max<std::size_t>(static_cast<std::size_t>(imageSize_), 64);
}

Result<const std::uint8_t*> TapeWindow::At(std::int64_t offset, std::size_t n) {
    if (offset >= start_ &&
        offset - start_ + static_cast<std::int64_t>(n) <= static_cast<std::int64_t>(length_))
        return buffer_.get() + (offset - start_);
    if (offset < 0 || offset > imageSize_ || static_cast<std::uint64_t>(imageSize_ - offset) < n)
        return EndsEarly(offset, imageSize_);
    std::size_t want = std::max(size_, n);
    want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(want), imageSize_ - offset));
    if (capacity_ < want) {
        buffer_.reset(new std::uint8_t[want]);
        capacity_ = want;
    }
    length_ = 0;
    start_ = offset;
    while (length_ < want) {
        auto got = image_.ReadAt(offset + static_cast<std::int64_t>(length_),
                                 buffer_.get() + length_, want - length_);
        if (!got) return ReadFailure(got.Err());
        if (got.Value() == 0) break;
        length_ += got.Value();
    }
    if (length_ < n) return EndsEarly(offset + static_cast<std::int64_t>(length_), imageSize_);
    return buffer_.get();
}

Status ReadExact(ByteSource& image, std::int64_t offset, void* destination, std::size_t n) {
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < n) {
        auto got = image.ReadAt(offset + static_cast<std::int64_t>(done), out + done, n - done);
        if (!got) return ReadFailure(got.Err());
        if (got.Value() == 0)
            return EndsEarly(offset + static_cast<std::int64_t>(done), image.Size());
        done += got.Value();
    }
    return Success();
}

}  // namespace corvane::tape
