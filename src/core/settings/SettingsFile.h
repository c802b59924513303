#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

class ByteSource;

// Writes a settings file whole through an AtomicWriter, flushed to the disk,
// creating its folder when needed. A symlink at the path stays one: the file
// it names is replaced. False when the file cannot be written.
bool SaveSettingsFile(const std::filesystem::path& path, std::string_view contents);
// Whether a settings file may be written: the file, if present, and its
// folder (or the nearest existing parent) carry the owner's write permission.
bool CanWriteFile(const std::filesystem::path& path);

enum class FileRead { Read, Missing, Unreadable };
// Reads a whole regular file (a FIFO or device is Unreadable, never waited on),
// or its first limit bytes.
FileRead ReadSettingsFile(const std::filesystem::path& path, std::string& contents,
                          std::size_t limit = SIZE_MAX);
// The same from a source already open: a read that fails, or that ends
// before the source's size, is Unreadable, never a shorter text.
FileRead ReadSettingsFrom(ByteSource& source, std::string& contents, std::size_t limit = SIZE_MAX);
// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& contents);

}  // namespace corvane
