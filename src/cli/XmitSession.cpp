#include "XmitSession.h"

#include <iostream>

#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "io/Platform.h"
#include "nested/XmitPath.h"
#include "repair/RepairedOpen.h"
#include "settings/ProgramOptions.h"
#include "settings/RegFileRegistry.h"
#include "settings/WinRegistry.h"
#include "settings/WindowState.h"

namespace corvane::cli {

void PrintError(const Error& e) {
    switch (e.What) {
        case Error::Kind::NotXmit:
        case Error::Kind::Io:
        case Error::Kind::Usage:
            std::cerr << VisibleLines(e.Caption.empty() ? "" : e.Caption + ": ")
                      << VisibleLines(e.Message) << "\n";
            return;
        case Error::Kind::Unsupported:
            std::cerr << VisibleLines(e.Caption) << ": " << VisibleLines(e.Message) << "\n";
            break;
        case Error::Kind::Damaged:
            // Damage the decoder did not find (a zip archive, a TERSE file,
            // a tape) has no place in a transmission to report.
            if (e.SegmentLength < 0 && e.RangeStart < 0) {
                std::cerr << VisibleLines(
                                 e.Title.empty()
                                     ? std::string()
                                     : e.Title + (e.Reason.empty() ? "" : " (" + e.Reason + ")") +
                                           ": ")
                          << VisibleLines(e.Message) << "\n";
                return;
            }
            break;
    }
    const ErrorReportData report = present::ErrorReportFor(e);
    std::cerr << VisibleLines(report.Caption) << "\n"
              << VisibleLines(report.Title) << "\n"
              << VisibleLines(report.Reason) << "\n";
    for (const std::string& line : report.Details) std::cerr << VisibleLines(line) << "\n";
}

int XmitSession::Open(const std::filesystem::path& path, bool headerDump, bool tapes) {
    Path = path;
    ParseOptions options;
    options.HeaderDump = headerDump;
    options.Characters = Characters;
    std::string note;
    auto opened = repair::OpenRepairedPath(PathToUtf8(path), options, &HeaderDump,
                                           Characters ? Characters->Number() : -1, note);
    if (!opened) {
        if (headerDump) {
            for (const std::string& line : HeaderDump) std::cout << VisibleText(line) << "\n";
        }
        PrintError(opened.Err());
        if (!note.empty()) std::cerr << "corvane-cli: note: " << note << "\n";
        return 1;
    }
    if (opened->Kind == NodeKind::Tape && !tapes) {
        const std::string shown = DisplayName(PathToUtf8(path));
        std::cerr << shown << " is a tape image: name one of its files, as " << shown
                  << "!1 ('corvane-cli list' shows them)\n";
        return 1;
    }
    if (headerDump && opened->Kind != NodeKind::Xmit) {
        std::cerr << DisplayName(PathToUtf8(path))
                  << " is not an XMIT file: it has no transmission headers\n";
        return 1;
    }
    if (!note.empty()) std::cerr << "corvane-cli: note: " << note << "\n";
    Source = std::move(opened->Source);
    Info = std::move(opened->Info);
    Leaf = opened->Name;
    Kind = opened->Kind;
    Tape = std::move(opened->Tape);
    TapeFile = opened->TapeFile;
    Terse = opened->Terse;
    Unload = opened->Unload;
    return 0;
}

void XmitSession::PrintNotices() const {
    for (const DecodeNotice& n : Info.Notices) {
        std::cerr << "corvane-cli: note: " << present::NoticeText(n) << "\n";
    }
}

const MemberEntry* XmitSession::FindMember(const std::string& name) const {
    // As it stands, or else in the escaped form the lists show.
    for (const std::string& typed : {name, FromDisplayName(name)}) {
        const std::string wanted = present::TrimmedName(typed);
        for (const MemberEntry& m : Info.Members) {
            if (present::TrimmedName(m.Name) == wanted) return &m;
        }
    }
    return nullptr;
}

present::DateOrder ChooseDateOrder(const std::string& asked) {
    if (asked == "dmy") return present::DateOrder::DayFirst;
    if (asked == "mdy") return present::DateOrder::MonthFirst;
    if (asked == "iso") return present::DateOrder::Iso;
#ifdef _WIN32
    WinRegistry registry;
#else
    RegFileRegistry registry(RegFileRegistry::DefaultFolder());
#endif
    // The option as the program stores it, read through the program's own
    // store: the one value alone, where the program keeps it.
    IniFile ini(platform::ProgramFolder() / kOptionsIniName);
    OptionStore store(registry, ini, kStatusKey, DefaultFolders{});
    return present::DateOrderOf(store.StoredDayFirst());
}

}  // namespace corvane::cli
