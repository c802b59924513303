#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ports/LineTarget.h"
#include "ports/Notifier.h"
#include "zip/ZipBuilder.h"

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

    TZipBuilder Zip;
    std::string RememberedName;  // last XMIT-named entry (stored name)
    std::string ChosenName;
    int SignatureEntries = 0;  // entries starting with INMR01 when none is XMIT-named

  private:
    int count_ = 0;
    Notifier& notifier_;
    LineTarget& messages_;
};

}  // namespace corvane
