#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "io/AtomicWriter.h"

namespace corvane {

// An extraction's output file. The data goes through an AtomicWriter: it
// takes the target's name only when the read has ended well (or was
// cancelled by the user); a failed read leaves no half-written file under the
// final name, and an older file there stays as it was. A symlink at the
// target is replaced, never written through, and the file being read is
// never replaced.
class OutputFile {
  public:
    enum class OpenResult { Opened, CannotCreate, CannotOpen, IsFolder };

    static OpenResult Open(const std::filesystem::path& path, std::unique_ptr<OutputFile>& out);
    // The path as UTF-8 text.
    static OpenResult Open(const std::string& path, std::unique_ptr<OutputFile>& out) {
        return Open(PathFromUtf8(path), out);
    }
    ~OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Raises WriteError ("Stream write error") when the bytes are not taken.
    void Write(const void* data, std::size_t n);
    // Flushes and closes; with keep, sets the length and puts the file in
    // place, otherwise removes it. False when keeping failed.
    bool Close(std::int64_t length, bool keep);

  private:
    explicit OutputFile(std::unique_ptr<AtomicWriter> writer);

    std::unique_ptr<AtomicWriter> writer_;
    std::vector<unsigned char> buffer_;
    std::size_t used_ = 0;
};

}  // namespace corvane
