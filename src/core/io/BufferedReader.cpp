#include "io/BufferedReader.h"

#include <cstring>

namespace corvane {

namespace {
// No larger than the source: a small file or a member read from memory does
// not pay for a buffer it cannot fill.
std::size_t BufferSize(std::size_t wanted, std::int64_t sourceSize) {
    std::size_t n = wanted < 512 ? 512 : wanted;
    if (sourceSize >= 0 && static_cast<std::uint64_t>(sourceSize) < n) {
        n = static_cast<std::size_t>(sourceSize) < 512 ? 512 : static_cast<std::size_t>(sourceSize);
    }
    return n;
}
}  // namespace

BufferedReader::BufferedReader(ByteSource& source, std::size_t bufferSize)
    : source_(source),
      size_(source.Size()),
      bufferSize_(BufferSize(bufferSize, size_)),
      // Not zeroed: only the bytes read into it are ever looked at.
      buffer_(new unsigned char[bufferSize_]) {}

std::size_t BufferedReader::ReadSource(std::int64_t offset, void* destination, std::size_t n) {
    Result<std::size_t> got = source_.ReadAt(offset, destination, n);
    if (!got) throw ReadError(got.Err().Message);
    return got.Value();
}

bool BufferedReader::Fill() {
    if (pos_ >= size_) return false;
    bufStart_ = pos_;
    bufLen_ = 0;
    bufLen_ = ReadSource(pos_, buffer_.get(), bufferSize_);
    return bufLen_ > 0;
}

std::size_t BufferedReader::Read(void* destination, std::size_t n) {
    auto* out = static_cast<unsigned char*>(destination);
    std::size_t done = 0;
    while (done < n) {
        const std::int64_t bufEnd = bufStart_ + static_cast<std::int64_t>(bufLen_);
        if (pos_ >= bufStart_ && pos_ < bufEnd) {
            const auto avail = static_cast<std::size_t>(bufEnd - pos_);
            const std::size_t take = avail < n - done ? avail : n - done;
            std::memcpy(out + done, buffer_.get() + (pos_ - bufStart_), take);
            done += take;
            pos_ += static_cast<std::int64_t>(take);
            continue;
        }
        if (n - done >= bufferSize_) {
            // A large read goes straight into the caller's memory.
            if (pos_ >= size_) break;
            const std::size_t got = ReadSource(pos_, out + done, n - done);
            if (got == 0) break;
            done += got;
            pos_ += static_cast<std::int64_t>(got);
            continue;
        }
        if (!Fill()) break;
    }
    return done;
}

void BufferedReader::ReadExact(void* destination, std::size_t n) {
    const std::int64_t at = pos_;
    if (Read(destination, n) != n) {
        throw ReadError("Read past end of file: " + std::to_string(n) + " bytes wanted at offset " +
                        std::to_string(at) + ", file size " + std::to_string(size_));
    }
}

}  // namespace corvane
