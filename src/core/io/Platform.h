#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

// The few file operations that standard C++ leaves to the platform.
namespace corvane::platform {

std::FILE* OpenForReading(const std::filesystem::path& path);
// Opens a regular file for reading; anything else (a folder, a FIFO, a
// device) is refused without blocking, with the reason in why.
std::FILE* OpenRegularForReading(const std::filesystem::path& path, std::string& why);
std::int64_t FileSize(std::FILE* file);
bool SeekTo(std::FILE* file, std::int64_t offset);
// Opens an existing file for writing without emptying it, and asks for
// exclusive access. Returns null when the file cannot be opened or locked.
std::FILE* OpenExclusiveForWriting(const std::filesystem::path& path);
// Sets the length of an open file.
bool Truncate(std::FILE* file, std::int64_t length);

}  // namespace corvane::platform
