#include "io/ByteSource.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/AtomicWriter.h"
#include "io/OpenInputs.h"
#include "io/OutputName.h"
#include "io/Platform.h"

namespace corvane {

namespace {
Error OpenError(const std::filesystem::path& path, const std::string& why) {
    Error e;
    e.What = Error::Kind::Io;
    e.Caption = "Error opening file";
    e.Message = DisplayName(PathToUtf8(path)) + ": " + why;
    return e;
}
}  // namespace

Result<std::unique_ptr<FileSource>> FileSource::Open(const std::filesystem::path& path) {
    std::string why;
    std::FILE* f = platform::OpenForReading(path, &why);
    if (!f) return OpenError(path, why);
    std::int64_t size = platform::FileSize(f);
    if (size < 0) {
        std::fclose(f);
        return OpenError(path, "cannot determine the file's size");
    }
    auto source = std::unique_ptr<FileSource>(new FileSource(f, path, size));
    // A file being read is never written over while it is open.
    source->registered_ = platform::IdOfOpenFile(f, source->id_);
    if (source->registered_) RegisterOpenInput(source->id_);
    return source;
}

FileSource::FileSource(std::FILE* file, std::filesystem::path path, std::int64_t size)
    : file_(file), path_(std::move(path)), size_(size) {
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

FileSource::~FileSource() {
    if (registered_) UnregisterOpenInput(id_);
    std::fclose(file_);
}

std::string FileSource::Name() const {
    return PathToUtf8(path_);
}

Result<std::size_t> FileSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
    if (offset < 0 || offset >= size_ || n == 0) return std::size_t{0};
    if (offset != at_ && !platform::SeekTo(file_, offset)) {
        at_ = -1;
        Error e;
        e.What = Error::Kind::Io;
        e.Caption = "Error reading file";
        e.Message = PathToUtf8(path_) + ": cannot seek to offset " + std::to_string(offset);
        return e;
    }
    std::size_t got = std::fread(destination, 1, n, file_);
    if (got < n && std::ferror(file_)) {
        at_ = -1;
        std::clearerr(file_);
        Error e;
        e.What = Error::Kind::Io;
        e.Caption = "Error reading file";
        e.Message = PathToUtf8(path_) + ": " + std::strerror(errno);
        return e;
    }
    at_ = offset + static_cast<std::int64_t>(got);
    return got;
}

Result<std::size_t> MemorySource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
    const auto size = static_cast<std::int64_t>(bytes_.size());
    if (offset < 0 || offset >= size) return std::size_t{0};
    const auto left = static_cast<std::size_t>(size - offset);
    const std::size_t k = n < left ? n : left;
    std::memcpy(destination, bytes_.data() + offset, k);
    return k;
}

}  // namespace corvane
