#include "tape/TapeFileSource.h"

#include <algorithm>
#include <cstring>

#include "tape/TapeError.h"
#include "tape/TapeWindow.h"

namespace corvane {

namespace {
constexpr std::size_t kWindow = 256 * 1024;
}

TapeFileSource::TapeFileSource(std::shared_ptr<TapeImage> image, std::size_t firstBlock,
                               std::vector<std::int64_t> starts, std::string name)
    : image_(std::move(image)),
      first_(firstBlock),
      starts_(std::move(starts)),
      name_(std::move(name)),
      reader_(*image_->image_, kWindow, inflater_) {}

Result<std::size_t> TapeFileSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
    const std::int64_t size = Size();
    if (offset < 0 || offset >= size || n == 0) return std::size_t{0};
    n = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(n), size - offset));
    auto* out = static_cast<std::uint8_t*>(destination);
    // The block that holds offset: the last one starting at or before it.
    auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    std::size_t i = static_cast<std::size_t>(it - starts_.begin()) - 1;
    std::size_t done = 0;
    while (done < n) {
        const std::int64_t at = offset + static_cast<std::int64_t>(done);
        while (starts_[i + 1] <= at) ++i;  // blocks of no bytes
        const tape::TapeBlock& b = image_->index_.Blocks[first_ + i];
        const auto within = static_cast<std::size_t>(at - starts_[i]);
        const auto length = static_cast<std::size_t>(starts_[i + 1] - starts_[i]);
        const std::size_t take = std::min(length - within, n - done);
        if (b.Packing == tape::Compression::None && b.Chunks == 1) {
            const std::int64_t from =
                b.Offset + static_cast<std::int64_t>(tape::kHeaderSize + within);
            if (auto read = tape::ReadExact(*image_->image_, from, out + done, take); !read)
                return read.Err();
        } else {
            if (kept_ != i) {
                kept_ = static_cast<std::size_t>(-1);
                auto data = reader_.Data(b, first_ + i + 1);
                if (!data) return data.Err();
                if (data->Size != length) {
                    return tape::Damage("The block at offset " + std::to_string(b.Offset) +
                                            " changed since the image was opened",
                                        b.Offset);
                }
                keptData_ = data.Value();
                kept_ = i;
            }
            std::memcpy(out + done, keptData_.Data + within, take);
        }
        done += take;
    }
    return done;
}

}  // namespace corvane
