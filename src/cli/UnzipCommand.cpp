#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "Commands.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "present/ContainerText.h"
#include "zip/ZipIntake.h"

namespace corvane::cli {

namespace {
// A line that the window would also show in a message box: here its caption
// and text follow the line, as a box would.
void Report(const Error& e) {
    std::cerr << VisibleLines(e.Message) << "\n";
    if (!e.Caption.empty())
        std::cerr << VisibleLines(e.Caption) << ": " << VisibleLines(e.Message) << "\n";
}
}  // namespace

int UnzipCommand(const std::string& archive, const std::string& entry, const std::string& dir,
                 bool overwrite, bool allowLarge) {
    ZipIntake intake([](const std::string& line) { std::cerr << VisibleLines(line) << "\n"; });
    const Result<int> counted = intake.CountXmitEntries(archive);
    if (!counted) {
        std::cerr << VisibleLines(counted.Err().Caption) << ": "
                  << VisibleLines(counted.Err().Message) << "\n";
        return 1;
    }
    for (const std::string& alert : intake.Alerts()) {
        std::cerr << VisibleLines(alert) << "\n"
                  << "Zip: " << VisibleLines(alert) << "\n";
    }
    if (!intake.IsOpen()) return 1;  // unreadable: already reported
    if (entry.empty()) {
        auto rows = intake.Rows();
        const std::vector<std::string> headings = present::ZipHeadings();
        std::vector<std::vector<std::string>> cells;
        for (const ZipRow& r : rows) cells.push_back(present::ZipCells(r));
        std::size_t nameWidth = headings[0].size(), sizeWidth = headings[1].size();
        for (const auto& c : cells) {
            nameWidth = std::max(nameWidth, c[0].size());
            sizeWidth = std::max(sizeWidth, c[1].size());
        }
        std::printf("%-*s  %*s  %s\n", static_cast<int>(nameWidth), headings[0].c_str(),
                    static_cast<int>(sizeWidth), headings[1].c_str(), headings[2].c_str());
        for (const auto& c : cells) {
            std::printf("%-*s  %*s  %s\n", static_cast<int>(nameWidth), c[0].c_str(),
                        static_cast<int>(sizeWidth), c[1].c_str(), c[2].c_str());
        }
        return 0;
    }
    intake.Destination = dir.empty() ? "." : dir;
    std::error_code ec;
    if (!dir.empty())
        std::filesystem::create_directories(PathFromUtf8(dir), ec);  // as extract does
    intake.LargeEntries =
        allowLarge ? ZipIntake::LargePolicy::Allow : ZipIntake::LargePolicy::Refuse;
    const Result<std::filesystem::path> written = intake.ExtractChosen(entry, overwrite);
    if (!written) Report(written.Err());
    if (intake.LargeRefused) std::cerr << "Not unpacked; --allow-large unpacks it.\n";
    if (!written) return 1;
    std::cout << PathToUtf8(written.Value()) << "\n";
    return 0;
}

CLI::App* Unzip::Declare(CLI::App& tool) {
    auto* c = tool.add_subcommand("unzip", "List a zip archive or unpack one entry");
    c->add_option("ARCHIVE", archive_, "Zip archive")->required();
    c->add_option("ENTRY", entry_, "Entry to unpack");
    c->add_option("-o,--dir", dir_, "Destination folder");
    c->add_flag("--overwrite", overwrite_, "Replace an existing file");
    c->add_flag("--allow-large", allowLarge_,
                "Unpack an entry over 256 MiB or larger than the free space");
    return c;
}

int Unzip::Run(const CodePage*) {
    return UnzipCommand(archive_, entry_, dir_, overwrite_, allowLarge_);
}

}  // namespace corvane::cli
