#include "zip/ZipIntake.h"

#include <cstring>

#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "util/SizeText.h"

namespace corvane {

ZipIntake::ZipIntake(Notifier& notifier, LineTarget& messages)
    : Zip(&notifier), notifier_(notifier), messages_(messages) {
    Zip.OnMessage = [this](int, const std::string& text) { messages_.AppendLine(text); };
    Zip.ConfirmUnpack = [this](const ZipDirEntry& entry) {
        const std::string reason = LargeEntryReason(entry, Zip.ExtrBaseDir);
        if (reason.empty() || LargeEntries == LargePolicy::Allow) return true;
        if (LargeEntries == LargePolicy::Ask &&
            notifier_.Show(reason + "\nUnpack it?", "Zip", MessageIcon::Warning,
                           MessageButtons::YesNo) == MessageAnswer::Yes) {
            return true;
        }
        messages_.AppendLine(reason);
        LargeRefused = true;
        return false;
    };
}

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

int ZipIntake::CountXmitEntries(const std::string& path) {
    if (!PathPresent(PathFromUtf8(path))) {
        notifier_.Show("Error - zip file\n" + DisplayName(path) + "\nNot found!", "Error",
                       MessageIcon::Error, MessageButtons::Ok);
        return -1;
    }
    messages_.AppendLine("Opening zip file " + DisplayName(EntryFileName(path)));
    Zip.SetFileName(path);
    Zip.Verbose = true;
    count_ = 0;
    for (const ZipDirEntry& e : Zip.Entries()) {
        if (IsXmitName(e.FileName)) {
            ++count_;
            RememberedName = e.FileName;
        }
    }
    SignatureEntries = 0;
    if (count_ == 0) {
        // A transmission file sent without an XMIT-like name: look at its content.
        static const std::uint8_t kInmr01[6] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0, 0xF1};
        for (const ZipDirEntry& e : Zip.Entries()) {
            std::uint8_t head[8] = {};
            std::size_t got = 0;
            Zip.Unpack(
                e,
                [&](const std::uint8_t* p, std::size_t n) {
                    std::size_t take = std::min(n, sizeof head - got);
                    std::memcpy(head + got, p, take);
                    got += take;
                    return got < sizeof head;
                },
                nullptr);
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
    Zip.ExtrBaseDir = !zipDir.empty() && std::filesystem::is_directory(PathFromUtf8(zipDir), ec)
                          ? zipDir
                          : programDir;
}

bool ZipIntake::Automatic(bool autoZip) const {
    return autoZip && (count_ == 1 || (count_ == 0 && SignatureEntries == 1));
}

void ZipIntake::ExtractSingleXmit() {
    LargeRefused = false;
    Zip.ExtrOptions.ExtrOverWrite = true;
    ChosenName = RememberedName;
    Zip.FSpecArgs = {RememberedName};
    Zip.Extract();
}

void ZipIntake::ExtractChosen(const std::string& fileName, bool overwrite) {
    LargeRefused = false;
    Zip.ExtrOptions.ExtrOverWrite = overwrite;
    ChosenName = fileName;
    Zip.FSpecArgs = {fileName};
    Zip.Extract();
}

std::vector<ZipRow> ZipIntake::Rows() const {
    std::vector<ZipRow> rows;
    for (const ZipDirEntry& e : Zip.Entries()) {
        rows.push_back({DisplayName(EntryFileName(e.FileName)), SizeText(e.UncompressedSize),
                        DisplayName(EntryFolder(e.FileName))});
    }
    return rows;
}

std::filesystem::path ZipIntake::OpenPath() const {
    if (!Zip.ExtractedFiles.empty()) return Zip.ExtractedFiles.back();
    return PathFromUtf8(Zip.ExtrBaseDir) / PathFromUtf8(OutputName(EntryFileName(ChosenName)));
}

}  // namespace corvane
