#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane {

// One file of a zip archive, from its central directory.
struct ZipDirEntry {
    std::string FileName;  // as stored, "\" between folders, UTF-8
    std::string RawName;   // the stored bytes
    std::int64_t UncompressedSize = 0;
    std::int64_t CompressedSize = 0;
    std::uint32_t Crc32 = 0;
    std::uint16_t Method = 0;
    std::uint16_t Flags = 0;
    std::uint16_t VersionMadeBy = 0;
    std::int64_t LocalHeaderOffset = 0;
    bool Encrypted = false;
    std::string Comment;
};

// A zip archive read through a byte source: its central directory, and the
// entries (stored and deflated) unpacked with their size and CRC checked.
class ZipReader {
  public:
    using ByteWriter = std::function<bool(const std::uint8_t* data, std::size_t n)>;
    // The most ReadEntry holds in memory unless told otherwise.
    static constexpr std::int64_t kMemoryEntryLimit = std::int64_t{256} << 20;

    // Reads the central directory. The error's Message is the line the user
    // is shown ("Error reading zip file NAME: why"), its Reason the why.
    // Warnings receives, in order and also when the directory is unreadable,
    // what was found besides the archive (other data before or after it).
    static Result<ZipReader> Open(std::unique_ptr<ByteSource> source,
                                  std::vector<std::string>* warnings = nullptr);
    static Result<ZipReader> OpenFile(const std::string& path,
                                      std::vector<std::string>* warnings = nullptr);

    // The path the archive was opened from (the source's name for memory).
    const std::string& Name() const { return name_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::vector<ZipDirEntry>& Entries() const { return entries_; }
    // The entry of a full stored name ("/" or "\" between folders), else of a
    // file-name part, else of a name as the list shows it; null when none.
    const ZipDirEntry* Find(std::string name) const;

    // Streams an entry's bytes to a writer (which may stop early by
    // returning false). The error's Message says why, e.g. "CRC error (...)".
    // A writer that wants only the first few bytes gives their number as
    // head: the entry is then read in small pieces.
    Status Unpack(const ZipDirEntry& entry, const ByteWriter& write, std::size_t head = 0) const;
    // One entry's bytes in memory: an error when it holds more than limit
    // bytes (recorded or found) or is damaged.
    Result<std::vector<std::uint8_t>> ReadEntry(const ZipDirEntry& entry,
                                                std::int64_t limit = kMemoryEntryLimit) const;
    // Unpacks an entry into a file that appears only when complete; replace
    // off leaves an existing file alone (Kind::Usage). Write failures are
    // Kind::Io, a damaged entry Kind::Damaged.
    Status WriteEntry(const ZipDirEntry& entry, const std::filesystem::path& target,
                      bool replace) const;

    // Called between chunks of a long unpack.
    std::function<void()> ProcessEvents;

  private:
    explicit ZipReader(std::unique_ptr<ByteSource> source);
    Status ReadDirectory(std::vector<std::string>& warnings);

    std::unique_ptr<ByteSource> source_;
    std::string name_;
    std::vector<ZipDirEntry> entries_;
    std::int64_t archiveEnd_ = 0;
    std::int64_t centralStart_ = 0;
    std::int64_t shift_ = 0;  // bytes of other data before the archive
};

std::string EntryFolder(const std::string& storedName);
std::string EntryFileName(const std::string& storedName);
// The stored name with "/" between its folders, as paths and lists write it.
std::string EntryPathName(std::string storedName);

}  // namespace corvane
