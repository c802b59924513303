#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace corvane {

struct AtomicWriteOptions {
    // Whatever is at the target (a file, or a symlink, dangling or not) may be
    // replaced. Off: the write ends with Status::Exists and the target stays.
    bool Replace = true;
    // A symlink at the target stays a symlink, and the file it names is
    // replaced (settings files). Off: the symlink itself is replaced and what
    // it points at is never touched (extraction, unzipping).
    bool ThroughSymlinks = false;
    // Flush the data to the disk before the rename (small files that must
    // survive a crash).
    bool Durable = false;
};

// Writes one file as a whole: the bytes go to a new file of a unique name in
// the target's folder, created exclusively (never an existing file, never
// through a symlink), which replaces the target by a rename only when
// committed. A crash or a failed write leaves the old target as it was. A
// file that a file source of this process has open is never replaced.
class AtomicWriter {
  public:
    enum class Status {
        Ok,
        Exists,        // something is at the target and Replace is off
        IsOpenInput,   // the target is a file this process is reading
        Held,          // the target is read-only or held by another program
        CannotCreate,  // the temporary file cannot be created
        WriteFailed,   // a write, flush or close failed
        CannotReplace  // the rename into place failed
    };

    static Status Create(const std::filesystem::path& target, const AtomicWriteOptions& options,
                         std::unique_ptr<AtomicWriter>& out);
    ~AtomicWriter();  // discards an uncommitted file
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    // False when the bytes were not all taken.
    bool Write(const void* data, std::size_t n);
    // Cuts or extends the file to length bytes.
    bool SetLength(std::int64_t length);
    // Closes the file and puts it in place of the target; on failure the
    // temporary file is removed.
    Status Commit();
    // Closes and removes the temporary file; the target is untouched.
    void Discard();

    // The file that Commit replaces (the symlink's destination when
    // ThroughSymlinks is on).
    const std::filesystem::path& Target() const { return target_; }

  private:
    AtomicWriter(int fd, std::filesystem::path target, std::filesystem::path temp,
                 AtomicWriteOptions options);
    bool Close();

    int fd_;
    std::filesystem::path target_;
    std::filesystem::path temp_;
    AtomicWriteOptions options_;
    bool failed_ = false;
};

// An AtomicWriter for the target, its folder created when needed.
AtomicWriter::Status CreateWithFolder(const std::filesystem::path& target,
                                      const AtomicWriteOptions& options,
                                      std::unique_ptr<AtomicWriter>& out);

// Writes a whole small file through an AtomicWriter, creating its folder when
// needed.
AtomicWriter::Status WriteFileAtomically(const std::filesystem::path& target,
                                         std::string_view contents,
                                         const AtomicWriteOptions& options = {});

// Whether anything is at the path, a dangling symlink included.
bool PathPresent(const std::filesystem::path& path);

// The file a chain of symlinks at the path ends at (the path itself when it
// is no symlink); the end need not exist.
std::filesystem::path SymlinkDestination(const std::filesystem::path& path);

// A message for a status other than Ok, naming the path.
std::string AtomicWriteText(AtomicWriter::Status status, const std::filesystem::path& path);

// Paths from and to the program's UTF-8 texts, the same on every platform.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace corvane
