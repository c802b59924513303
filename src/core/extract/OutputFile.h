#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace corvane {

// An extraction's output file: opened in place with exclusive access, written
// through a large buffer, and cut to the length written when it is closed.
class OutputFile {
  public:
    enum class OpenResult { Opened, CannotCreate, CannotOpen };

    static OpenResult Open(const std::filesystem::path& path, std::unique_ptr<OutputFile>& out);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Raises WriteError ("Stream write error") when the bytes are not taken.
    void Write(const void* data, std::size_t n);
    // Flushes, sets the file's length and closes it; false when that failed.
    bool Close(std::int64_t length);

  private:
    explicit OutputFile(std::FILE* file);

    std::FILE* file_;
    std::vector<unsigned char> buffer_;
    std::size_t used_ = 0;
};

}  // namespace corvane
