#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ports/LineTarget.h"
#include "ports/Notifier.h"
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
class ZipIntake {
  public:
    // An entry larger than this, or than the free space of the destination,
    // is unpacked only when LargeEntries allows it.
    static constexpr std::int64_t kLargeEntry = std::int64_t{256} << 20;
    enum class LargePolicy { Ask, Allow, Refuse };

    ZipIntake(Notifier& notifier, LineTarget& messages);

    // The number of XMIT-named entries, or -1 (after a message) when no file
    // exists at the path.
    int CountXmitEntries(const std::string& path);
    // ZipDir when that folder exists, else the program's folder.
    void ChooseDestination(const std::string& zipDir, const std::string& programDir);
    // One XMIT entry (by name, or else by content) and AutoZip on.
    bool Automatic(bool autoZip) const;
    // Automatic mode: unpacks the remembered entry, over-writing.
    void ExtractSingleXmit();
    // Window mode: unpacks the entry named by a row's file name.
    void ExtractChosen(const std::string& fileName, bool overwrite);
    std::vector<ZipRow> Rows() const;
    // The path of the file to open: the one just unpacked.
    std::filesystem::path OpenPath() const;
    void Close() { Zip.SetFileName(""); }

    static bool IsXmitName(const std::string& storedName);
    // Why an entry needs the user's consent before it is unpacked into the
    // folder (its size, or the free space there); empty when it does not.
    static std::string LargeEntryReason(const ZipDirEntry& entry, const std::string& folder);

    ZipReader Zip;
    std::string RememberedName;  // last XMIT-named entry (stored name)
    std::string ChosenName;
    LargePolicy LargeEntries = LargePolicy::Ask;  // Ask: a Yes/No question
    bool LargeRefused = false;                    // the last extraction skipped a large entry
    int SignatureEntries = 0;  // entries starting with INMR01 when none is XMIT-named

  private:
    int count_ = 0;
    Notifier& notifier_;
    LineTarget& messages_;
};

}  // namespace corvane
