#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

// The few file operations that standard C++ leaves to the platform.
namespace corvane::platform {

// Opens a regular file for reading. A FIFO, device, socket or folder is
// refused without blocking; *error then says why.
std::FILE* OpenForReading(const std::filesystem::path& path, std::string* error);
std::int64_t FileSize(std::FILE* file);
bool SeekTo(std::FILE* file, std::int64_t offset);

// What makes a file the same file under two names.
struct FileId {
    std::uint64_t Device = 0;
    std::uint64_t Index = 0;
    bool operator==(const FileId&) const = default;
};
bool IdOfOpenFile(std::FILE* file, FileId& id);
// The file at the path itself, a symlink not followed; false when there is
// none.
bool IdOfPath(const std::filesystem::path& path, FileId& id);

// Whether a regular file exists at the path (not followed through a
// symlink) that this program may not open for writing, or that another
// program holds open with exclusive access.
bool HeldOrReadOnly(const std::filesystem::path& path);

}  // namespace corvane::platform
