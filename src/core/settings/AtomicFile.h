#pragma once

#include <filesystem>
#include <string>

namespace corvane {

// Writes a whole file through a temporary file beside it and a rename, so a
// crash leaves either the old file or the new one, never half of one.
// Creates the folder when needed. False when the file cannot be written.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& contents);
// Whether a settings file may be written: the file, if present, and its
// folder (or the nearest existing parent) carry the owner's write permission.
bool CanWriteFile(const std::filesystem::path& path);
// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& contents);

}  // namespace corvane
