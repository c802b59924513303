#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "io/FileReader.h"
#include "ports/Notifier.h"

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

struct ZipExtrOptions {
    bool ExtrOverWrite = false;
    bool ExtrDirNames = false;  // kept off: files go into ExtrBaseDir itself
};

// The zip component: reads an archive's central directory when its name is
// set and unpacks named entries (stored and deflated) with their CRC checked.
class ZipReader {
  public:
    using MessageHandler = std::function<void(int errCode, const std::string& message)>;
    using ByteWriter = std::function<bool(const std::uint8_t* data, std::size_t n)>;

    explicit ZipReader(Notifier* notifier = nullptr) : notifier_(notifier) {}

    // Opens the archive and reads its directory; "" closes it.
    void SetFileName(const std::string& path);
    const std::string& ZipFileName() const { return zipFileName_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::vector<ZipDirEntry>& Entries() const { return entries_; }

    // Unpacks every entry named in FSpecArgs (full stored name, or file-name
    // part) into ExtrBaseDir under its output name (OutputName of the
    // file-name part); returns the number of files written.
    int Extract();
    // Streams an entry's bytes to a writer (which may stop early by
    // returning false); error receives the reason on failure.
    bool Unpack(const ZipDirEntry& entry, const ByteWriter& write, std::string* error);

    bool Verbose = false;
    bool Unattended = false;
    std::string ExtrBaseDir;
    ZipExtrOptions ExtrOptions;
    std::vector<std::string> FSpecArgs;
    MessageHandler OnMessage;
    std::function<void()> ProcessEvents;
    // Asked before an entry is unpacked, when set; false skips the entry.
    std::function<bool(const ZipDirEntry& entry)> ConfirmUnpack;
    // The paths Extract wrote, in order.
    std::vector<std::filesystem::path> ExtractedFiles;

  private:
    bool ReadDirectory(const std::string& path, std::string* error);
    bool ExtractOne(const ZipDirEntry& entry);
    void Message(int errCode, const std::string& text, bool needsUser);

    Notifier* notifier_;
    std::string zipFileName_;
    std::vector<ZipDirEntry> entries_;
    std::int64_t archiveEnd_ = 0;
    std::int64_t centralStart_ = 0;
    std::int64_t shift_ = 0;  // bytes of other data before the archive
};

std::string EntryFolder(const std::string& storedName);
std::string EntryFileName(const std::string& storedName);

}  // namespace corvane
