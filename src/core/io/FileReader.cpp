#include "io/FileReader.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "io/Platform.h"

namespace corvane {

namespace {
// The files open for reading in this process, which no output may replace.
std::mutex inputsLock;
std::vector<platform::FileId>& OpenInputs() {
    static std::vector<platform::FileId> inputs;
    return inputs;
}
}  // namespace

bool IsOpenInput(const std::filesystem::path& path) {
    platform::FileId id;
    return platform::IdOfPath(path, id) && IsOpenInput(id);
}

void RegisterOpenInput(const platform::FileId& id) {
    std::lock_guard<std::mutex> hold(inputsLock);
    OpenInputs().push_back(id);
}

void UnregisterOpenInput(const platform::FileId& id) {
    std::lock_guard<std::mutex> hold(inputsLock);
    auto& inputs = OpenInputs();
    auto it = std::find(inputs.begin(), inputs.end(), id);
    if (it != inputs.end()) inputs.erase(it);
}

bool IsOpenInput(const platform::FileId& id) {
    std::lock_guard<std::mutex> hold(inputsLock);
    const auto& inputs = OpenInputs();
    return std::find(inputs.begin(), inputs.end(), id) != inputs.end();
}

std::unique_ptr<FileReader> FileReader::Open(const std::filesystem::path& path, std::string* error,
                                             std::size_t bufferSize) {
    std::string why;
    std::FILE* f = platform::OpenForReading(path, &why);
    if (!f) {
        if (error) *error = why;
        return nullptr;
    }
    std::int64_t size = platform::FileSize(f);
    if (size < 0) {
        std::fclose(f);
        if (error) *error = "cannot determine the file's size";
        return nullptr;
    }
    return std::unique_ptr<FileReader>(new FileReader(f, path, size, bufferSize));
}

std::unique_ptr<FileReader> FileReader::FromBytes(std::vector<unsigned char> bytes) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    std::unique_ptr<FileReader> reader(new FileReader(nullptr, {}, size, 0));
    reader->buffer_ = std::move(bytes);
    reader->bufLen_ = reader->buffer_.size();
    return reader;
}

FileReader::FileReader(std::FILE* file, std::filesystem::path path, std::int64_t size,
                       std::size_t bufferSize)
    : file_(file),
      path_(std::move(path)),
      size_(size),
      buffer_(bufferSize < 512 ? 512 : bufferSize) {
    if (file_) {
        std::setvbuf(file_, nullptr, _IONBF, 0);
        registered_ = platform::IdOfOpenFile(file_, id_);
        if (registered_) RegisterOpenInput(id_);
    }
}

FileReader::~FileReader() {
    if (registered_) UnregisterOpenInput(id_);
    if (file_) std::fclose(file_);
}

bool FileReader::Fill() {
    if (pos_ >= size_ || !file_) return false;
    if (!platform::SeekTo(file_, pos_)) return false;
    bufStart_ = pos_;
    bufLen_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    return bufLen_ > 0;
}

std::size_t FileReader::Read(void* destination, std::size_t n) {
    auto* out = static_cast<unsigned char*>(destination);
    std::size_t done = 0;
    while (done < n) {
        std::int64_t bufEnd = bufStart_ + static_cast<std::int64_t>(bufLen_);
        if (pos_ >= bufStart_ && pos_ < bufEnd) {
            std::size_t avail = static_cast<std::size_t>(bufEnd - pos_);
            std::size_t take = avail < n - done ? avail : n - done;
            std::memcpy(out + done, buffer_.data() + (pos_ - bufStart_), take);
            done += take;
            pos_ += static_cast<std::int64_t>(take);
            continue;
        }
        if (!file_) break;
        if (n - done >= buffer_.size()) {
            // Large read: straight into the caller's memory.
            if (pos_ >= size_ || !platform::SeekTo(file_, pos_)) break;
            std::size_t got = std::fread(out + done, 1, n - done, file_);
            if (got == 0) break;
            done += got;
            pos_ += static_cast<std::int64_t>(got);
            continue;
        }
        if (!Fill()) break;
    }
    return done;
}

void FileReader::ReadExact(void* destination, std::size_t n) {
    std::int64_t at = pos_;
    if (Read(destination, n) != n) {
        throw ReadError("Read past end of file: " + std::to_string(n) + " bytes wanted at offset " +
                        std::to_string(at) + ", file size " + std::to_string(size_));
    }
}

}  // namespace corvane
