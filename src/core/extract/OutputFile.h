#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace corvane {

// An extraction's output file. The data goes to a temporary file beside the
// target, which takes the target's name only when the read has ended well
// (or was cancelled by the user); a failed read leaves no half-written file
// under the final name, and an older file there stays as it was.
class OutputFile {
  public:
    enum class OpenResult { Opened, CannotCreate, CannotOpen };

    static OpenResult Open(const std::filesystem::path& path, std::unique_ptr<OutputFile>& out);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Raises WriteError ("Stream write error") when the bytes are not taken.
    void Write(const void* data, std::size_t n);
    // Flushes and closes; with keep, sets the length and puts the file in
    // place, otherwise removes it. False when keeping failed.
    bool Close(std::int64_t length, bool keep);

  private:
    OutputFile(std::FILE* file, std::filesystem::path target, std::filesystem::path temp);

    std::FILE* file_;
    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::vector<unsigned char> buffer_;
    std::size_t used_ = 0;
};

}  // namespace corvane
