#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// The few file operations that standard C++ leaves to the platform.
namespace corvane::platform {

// Opens a regular file for reading. A FIFO, device, socket or folder is
// refused without blocking; *error then says why.
std::FILE* OpenForReading(const std::filesystem::path& path, std::string* error);
// Creates the file, or empties an existing one, and opens it for writing.
std::FILE* CreateForWriting(const std::filesystem::path& path);
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

// The program's arguments in UTF-8, the encoding of every text in the
// program (Windows hands main() its arguments in the ANSI code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// The folder of the running program's file; empty when it cannot be told.
std::filesystem::path ProgramFolder();
// Standard output and error write their bytes unchanged, so that a program's
// output is the same on every platform (no LF to CR LF on Windows).
void UseBinaryStandardOutput();

#ifdef _WIN32
// Conversions between UTF-8 and the UTF-16 of the Windows calls.
std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& text);
#endif

}  // namespace corvane::platform
