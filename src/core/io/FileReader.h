#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "io/Platform.h"
#include "io/ReadError.h"

namespace corvane {

// A read-only, buffered, random-access view of a file. Small reads, peeks and
// short forward seeks are served from the buffer, so the decoder's one- and
// two-byte reads never become system calls. Offsets and sizes are 64-bit.
class FileReader {
  public:
    static constexpr std::size_t kDefaultBufferSize = 256 * 1024;

    // Opens the file; returns null and sets *error when it cannot be opened
    // or is not a regular file (a FIFO, device, socket or folder).
    static std::unique_ptr<FileReader> Open(const std::filesystem::path& path, std::string* error,
                                            std::size_t bufferSize = kDefaultBufferSize);
    // Reads bytes held in memory as if they were a file of that size.
    static std::unique_ptr<FileReader> FromBytes(std::vector<unsigned char> bytes);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    std::int64_t Size() const { return size_; }
    std::int64_t Position() const { return pos_; }
    const std::filesystem::path& Path() const { return path_; }

    // Absolute and relative seeks; a position past the end is allowed and
    // makes the next read come up short.
    void Seek(std::int64_t position) { pos_ = position < 0 ? 0 : position; }
    void Skip(std::int64_t delta) { Seek(pos_ + delta); }

    // Reads up to n bytes; returns the number read (fewer only at the end).
    std::size_t Read(void* destination, std::size_t n);
    // Reads exactly n bytes or raises ReadError naming the offset.
    void ReadExact(void* destination, std::size_t n);
    // One byte, or -1 at the end of the file.
    int ReadByte() {
        if (pos_ >= bufStart_ && pos_ < bufStart_ + static_cast<std::int64_t>(bufLen_)) {
            return buffer_[static_cast<std::size_t>(pos_++ - bufStart_)];
        }
        unsigned char b = 0;
        return Read(&b, 1) == 1 ? b : -1;
    }

  private:
    FileReader(std::FILE* file, std::filesystem::path path, std::int64_t size,
               std::size_t bufferSize);
    bool Fill();

    std::FILE* file_;  // null for bytes held in memory: all of them are in buffer_
    std::filesystem::path path_;
    std::int64_t size_;
    std::int64_t pos_ = 0;
    std::int64_t bufStart_ = 0;
    std::size_t bufLen_ = 0;
    std::vector<unsigned char> buffer_;
    platform::FileId id_;
    bool registered_ = false;
};

// Whether the file at the path (a symlink there not followed) is one that a
// FileReader of this process has open: such a file is never written.
bool IsOpenInput(const std::filesystem::path& path);
bool IsOpenInput(const platform::FileId& id);
// Every reader of a file enters it here while it has it open.
void RegisterOpenInput(const platform::FileId& id);
void UnregisterOpenInput(const platform::FileId& id);

}  // namespace corvane
