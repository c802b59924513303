#include <algorithm>
#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "io/AtomicWriter.h"
#include "zip/ZipIntake.h"

namespace corvane::cli {

namespace {
// Message boxes become lines on standard error; questions are answered Yes.
class ConsoleNotifier : public Notifier {
  public:
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon,
                       MessageButtons buttons) override {
        std::cerr << caption << ": " << text << "\n";
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
};

class StderrLines : public LineTarget {
  public:
    bool AppendLine(std::string_view line) override {
        std::cerr << line << "\n";
        return true;
    }
};
}  // namespace

int UnzipCommand(const std::string& archive, const std::string& entry, const std::string& dir,
                 bool overwrite, bool allowLarge) {
    ConsoleNotifier notifier;
    StderrLines messages;
    ZipIntake intake(notifier, messages);
    if (intake.CountXmitEntries(archive) < 0) return 1;
    if (intake.Zip.ZipFileName().empty()) return 1;  // unreadable: already reported
    if (entry.empty()) {
        auto rows = intake.Rows();
        std::size_t nameWidth = 9, sizeWidth = 12;
        for (const ZipRow& r : rows) {
            nameWidth = std::max(nameWidth, r.FileName.size());
            sizeWidth = std::max(sizeWidth, r.SizeText.size());
        }
        std::printf("%-*s  %*s  %s\n", static_cast<int>(nameWidth), "File Name",
                    static_cast<int>(sizeWidth), "UnZip'd Size", "Directory Structure");
        for (const ZipRow& r : rows) {
            std::printf("%-*s  %*s  %s\n", static_cast<int>(nameWidth), r.FileName.c_str(),
                        static_cast<int>(sizeWidth), r.SizeText.c_str(), r.Folder.c_str());
        }
        return 0;
    }
    intake.Zip.ExtrBaseDir = dir.empty() ? "." : dir;
    intake.LargeEntries =
        allowLarge ? ZipIntake::LargePolicy::Allow : ZipIntake::LargePolicy::Refuse;
    intake.ExtractChosen(entry, overwrite);
    if (intake.LargeRefused) std::cerr << "Not unpacked; --allow-large unpacks it.\n";
    if (intake.Zip.ExtractedFiles.empty()) return 1;
    std::cout << PathToUtf8(intake.Zip.ExtractedFiles.back()) << "\n";
    return 0;
}

}  // namespace corvane::cli
