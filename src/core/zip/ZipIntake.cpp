#include "zip/ZipIntake.h"

#include <cstring>

#include "extract/ExistingFile.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "util/SizeText.h"

namespace corvane {

namespace {
Error LineError(const std::string& line) {
    Error e;
    e.What = Error::Kind::Usage;
    e.Message = line;
    return e;
}
}  // namespace

std::string ZipIntake::LargeEntryReason(const ZipDirEntry& entry, const std::string& folder) {
    const std::string head = DisplayName(EntryFileName(entry.FileName)) + " unpacks to " +
                             SizeText(entry.UncompressedSize);
    std::error_code ec;
    const std::filesystem::space_info space = std::filesystem::space(PathFromUtf8(folder), ec);
    if (!ec && entry.UncompressedSize > static_cast<std::int64_t>(space.available)) {
        return head + ", more than the " + SizeText(static_cast<std::int64_t>(space.available)) +
               " free in " + DisplayName(folder) + ".";
    }
    if (entry.UncompressedSize > kLargeEntry) return head + ", more than 256 MiB.";
    return {};
}

bool ZipIntake::IsXmitName(const std::string& storedName) {
    return storedName.find(".xm") != std::string::npos ||
           storedName.find(".XM") != std::string::npos;
}

const std::vector<ZipDirEntry>& ZipIntake::Entries() const {
    static const std::vector<ZipDirEntry> none;
    return zip_ ? zip_->Entries() : none;
}

Result<int> ZipIntake::CountXmitEntries(const std::string& path) {
    zip_.reset();
    alerts_.clear();
    path_ = path;
    count_ = 0;
    SignatureEntries = 0;
    if (!PathPresent(PathFromUtf8(path))) {
        Error e;
        e.What = Error::Kind::Io;
        e.Caption = "Error";
        e.Message = "Error - zip file\n" + DisplayName(path) + "\nNot found!";
        return e;
    }
    Line("Opening zip file " + DisplayName(EntryFileName(path)));
    Result<ZipReader> opened = ZipReader::OpenFile(path, &alerts_);
    if (!opened) {
        alerts_.push_back(opened.Err().Message);
        return 0;
    }
    zip_.emplace(std::move(opened.Value()));
    zip_->ProcessEvents = [this] {
        if (ProcessEvents) ProcessEvents();
    };
    for (const ZipDirEntry& e : zip_->Entries()) {
        if (IsXmitName(e.FileName)) {
            ++count_;
            RememberedName = e.FileName;
        }
    }
    if (count_ == 0) {
        // A transmission file sent without an XMIT-like name: look at its content.
        static const std::uint8_t kInmr01[6] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0, 0xF1};
        for (const ZipDirEntry& e : zip_->Entries()) {
            std::uint8_t head[8] = {};
            std::size_t got = 0;
            (void)zip_->Unpack(e, [&](const std::uint8_t* p, std::size_t n) {
                std::size_t take = std::min(n, sizeof head - got);
                std::memcpy(head + got, p, take);
                got += take;
                return got < sizeof head;
            });
            if (got == sizeof head && std::memcmp(head + 2, kInmr01, 6) == 0) {
                ++SignatureEntries;
                RememberedName = e.FileName;
            }
        }
    }
    return count_;
}

void ZipIntake::ChooseDestination(const std::string& zipDir, const std::string& programDir) {
    std::error_code ec;
    Destination = !zipDir.empty() && std::filesystem::is_directory(PathFromUtf8(zipDir), ec)
                      ? zipDir
                      : programDir;
}

bool ZipIntake::Automatic(bool autoZip) const {
    return autoZip && (count_ == 1 || (count_ == 0 && SignatureEntries == 1));
}

Result<std::filesystem::path> ZipIntake::ExtractSingleXmit() {
    return ExtractChosen(RememberedName, true);
}

Result<std::filesystem::path> ZipIntake::ExtractChosen(const std::string& fileName,
                                                       bool overwrite) {
    LargeRefused = false;
    ChosenName = fileName;
    extracted_.clear();
    std::error_code ec;
    if (!zip_ || !std::filesystem::is_regular_file(PathFromUtf8(path_), ec)) {
        Error e = LineError("Zip file " + DisplayName(path_) + " not found");
        e.Caption = "Zip";
        return e;
    }
    const ZipDirEntry* entry = zip_->Find(fileName);
    if (!entry) return LineError("No entry " + DisplayName(fileName) + " in the archive");
    return ExtractOne(*entry, overwrite);
}

Result<std::filesystem::path> ZipIntake::ExtractOne(const ZipDirEntry& entry, bool overwrite) {
    const std::string shown = DisplayName(entry.FileName);
    const std::string name = OutputName(EntryFileName(entry.FileName));
    const std::filesystem::path target = PathFromUtf8(Destination) / PathFromUtf8(name);
    const std::string targetText = PathToUtf8(target);
    switch (ActionFor(target, overwrite)) {
        case TargetAction::Write:
            break;
        case TargetAction::Skip:
            return LineError("Skipped " + shown + ": " + targetText +
                             " exists and over-writing is off");
        case TargetAction::NeverWritten:
            return LineError("Skipped " + shown + ": " + targetText +
                             " is the file being read; it is never written");
    }
    const std::string reason = LargeEntryReason(entry, Destination);
    if (!reason.empty() && LargeEntries != LargePolicy::Allow &&
        !(LargeEntries == LargePolicy::Ask && AskLarge && AskLarge(reason + "\nUnpack it?"))) {
        Line(reason);
        LargeRefused = true;
        return LineError("Skipped " + shown + ": not unpacked");
    }
    Line("Unzipping " + shown + " to " + targetText);
    Status written = zip_->WriteEntry(entry, target, overwrite);
    if (!written) return LineError("Error unzipping " + shown + ": " + written.Err().Message);
    extracted_ = target;
    Line("  " + name + ": " + std::to_string(entry.UncompressedSize) + " bytes, CRC ok");
    return target;
}

std::vector<ZipRow> ZipIntake::Rows() const {
    std::vector<ZipRow> rows;
    for (const ZipDirEntry& e : Entries()) {
        rows.push_back({DisplayName(EntryFileName(e.FileName)), SizeText(e.UncompressedSize),
                        DisplayName(EntryFolder(e.FileName))});
    }
    return rows;
}

std::filesystem::path ZipIntake::OpenPath() const {
    if (!extracted_.empty()) return extracted_;
    return PathFromUtf8(Destination) / PathFromUtf8(OutputName(EntryFileName(ChosenName)));
}

}  // namespace corvane
