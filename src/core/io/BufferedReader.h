#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "io/ByteSource.h"
#include "io/ReadError.h"

namespace corvane {

// Reads a byte source forward through a buffer, so that the parser's one- and
// two-byte reads and peeks never reach the file system. Short forward and
// backward seeks inside the buffer cost nothing. A read that cannot be
// satisfied raises ReadError, which the core's entry points turn into an
// Error value.
class BufferedReader {
  public:
    static constexpr std::size_t kDefaultBufferSize = 256 * 1024;

    explicit BufferedReader(ByteSource& source, std::size_t bufferSize = kDefaultBufferSize);

    std::int64_t Size() const { return size_; }
    std::int64_t Position() const { return pos_; }
    ByteSource& Source() { return source_; }

    // A position past the end is allowed: the next read comes up short.
    void Seek(std::int64_t position) { pos_ = position < 0 ? 0 : position; }
    void Skip(std::int64_t delta) { Seek(pos_ + delta); }

    // Up to n bytes; fewer only at the end of the source.
    std::size_t Read(void* destination, std::size_t n);
    // Exactly n bytes, or ReadError naming the offset.
    void ReadExact(void* destination, std::size_t n);
    // One byte, or -1 at the end.
    int ReadByte() {
        if (pos_ >= bufStart_ && pos_ < bufStart_ + static_cast<std::int64_t>(bufLen_)) {
            return buffer_[static_cast<std::size_t>(pos_++ - bufStart_)];
        }
        unsigned char b = 0;
        return Read(&b, 1) == 1 ? b : -1;
    }

  private:
    bool Fill();
    std::size_t ReadSource(std::int64_t offset, void* destination, std::size_t n);

    ByteSource& source_;
    std::int64_t size_;
    std::int64_t pos_ = 0;
    std::int64_t bufStart_ = 0;
    std::size_t bufLen_ = 0;
    std::size_t bufferSize_;
    std::unique_ptr<unsigned char[]> buffer_;
};

}  // namespace corvane
