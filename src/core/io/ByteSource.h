#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "io/Platform.h"
#include "util/Result.h"

namespace corvane {

// Random-access bytes to read from: a file, memory, or the data of a member
// of another transmission. Offsets and sizes are 64-bit.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    // Copies up to n bytes from offset; returns how many were copied (fewer
    // only at the end). A failing device is an Error.
    virtual Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) = 0;
    // What the source is called in messages (a path, "memory").
    virtual std::string Name() const = 0;
};

// A regular file opened read-only. Folders, FIFOs, devices and sockets are
// refused at the door: reading them would block or mean nothing.
class FileSource : public ByteSource {
  public:
    static Result<std::unique_ptr<FileSource>> Open(const std::filesystem::path& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::int64_t Size() const override { return size_; }
    Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
    std::string Name() const override;
    const std::filesystem::path& Path() const { return path_; }

  private:
    FileSource(std::FILE* file, std::filesystem::path path, std::int64_t size);
    std::FILE* file_;
    std::filesystem::path path_;
    std::int64_t size_;
    std::int64_t at_ = -1;  // where the file's own position is, -1 unknown
    platform::FileId id_;
    bool registered_ = false;
};

// Bytes held in memory: the tests' and the fuzzers' input.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes, std::string name = "memory")
        : bytes_(std::move(bytes)), name_(std::move(name)) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
    std::string Name() const override { return name_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::string name_;
};

}  // namespace corvane
