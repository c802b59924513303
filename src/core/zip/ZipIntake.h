#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "util/Result.h"
#include "zip/ZipReader.h"

namespace corvane {

// One row of the zip window's list.
struct ZipRow {
    std::string FileName;
    std::string SizeText;
    std::string Folder;
};

// What the zip intake does without its window: counts the XMIT-named entries
// of an archive, picks the destination folder and unpacks the chosen entry.
// It shows nothing: what it does goes to the line handler as it happens, and
// what went wrong comes back to the caller.
class ZipIntake {
  public:
    // An entry larger than this, or than the free space of the destination,
    // is unpacked only when LargeEntries allows it.
    static constexpr std::int64_t kLargeEntry = std::int64_t{256} << 20;
    enum class LargePolicy { Ask, Allow, Refuse };
    using LineHandler = std::function<void(const std::string& line)>;

    explicit ZipIntake(LineHandler lines = {}) : lines_(std::move(lines)) {}

    // The number of XMIT-named entries; an error (captioned "Error") when no
    // file exists at the path. An archive that cannot be read counts none,
    // and Alerts says why.
    Result<int> CountXmitEntries(const std::string& path);
    // What the user is told after CountXmitEntries, each as a message line
    // and in a "Zip" warning box: data besides the archive, an unreadable one.
    const std::vector<std::string>& Alerts() const { return alerts_; }
    bool IsOpen() const { return zip_.has_value(); }
    const std::vector<ZipDirEntry>& Entries() const;
    // ZipDir when that folder exists, else the program's folder.
    void ChooseDestination(const std::string& zipDir, const std::string& programDir);
    // One XMIT entry (by name, or else by content) and AutoZip on.
    bool Automatic(bool autoZip) const;
    // Automatic mode: unpacks the remembered entry, over-writing.
    Result<std::filesystem::path> ExtractSingleXmit();
    // Window mode: unpacks the entry named by a row's file name (or its full
    // stored name). The error's Message is the line that says why nothing
    // was unpacked; a Caption asks for a warning box as well.
    Result<std::filesystem::path> ExtractChosen(const std::string& fileName, bool overwrite);
    std::vector<ZipRow> Rows() const;
    // The path of the file to open: the one just unpacked.
    std::filesystem::path OpenPath() const;
    void Close() { zip_.reset(); }

    static bool IsXmitName(const std::string& storedName);
    // Why an entry needs the user's consent before it is unpacked into the
    // folder (its size, or the free space there); empty when it does not.
    static std::string LargeEntryReason(const ZipDirEntry& entry, const std::string& folder);

    std::string Destination;     // the folder entries are unpacked into
    std::string RememberedName;  // last XMIT-named entry (stored name)
    std::string ChosenName;
    LargePolicy LargeEntries = LargePolicy::Ask;
    // Ask: the Yes/No question, answered true for Yes; unset counts as No.
    std::function<bool(const std::string& question)> AskLarge;
    bool LargeRefused = false;  // the last extraction skipped a large entry
    int SignatureEntries = 0;   // entries starting with INMR01 when none is XMIT-named
    // Called between chunks of a long unpack.
    std::function<void()> ProcessEvents;

  private:
    void Line(const std::string& text) const {
        if (lines_) lines_(text);
    }
    Result<std::filesystem::path> ExtractOne(const ZipDirEntry& entry, bool overwrite);

    LineHandler lines_;
    std::optional<ZipReader> zip_;
    std::string path_;
    std::vector<std::string> alerts_;
    std::filesystem::path extracted_;
    int count_ = 0;
};

}  // namespace corvane
