#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decode/XmitParser.h"
#include "io/ByteSource.h"
#include "nested/XmitPath.h"
#include "present/Presenter.h"
#include "text/CodePage.h"

namespace corvane::cli {

// An XMIT file opened and parsed for one command: a file, or a transmission
// inside one named by a path with "!" (PATH!MEMBER, ARCHIVE.zip!ENTRY!MEMBER).
struct XmitSession {
    std::filesystem::path Path;
    std::string Leaf;  // the innermost file's own name: its member, entry or file name
    std::unique_ptr<ByteSource> Source;
    XmitInfo Info;
    std::vector<std::string> HeaderDump;
    // What the node is, and the containers it came in (nested/XmitPath.h).
    NodeKind Kind = NodeKind::Xmit;
    std::shared_ptr<TapeImage> Tape;
    std::optional<std::size_t> TapeFile;
    std::optional<TerseHeader> Terse;
    std::optional<UnloadFacts> Unload;
    // The code page chosen on the command line (--codepage); null is the
    // program's table. It decodes names, text units and text output.
    const CodePage* Characters = nullptr;

    // Opens and parses; returns 0, or 1 after the failure was printed. A
    // tape image is refused (its files are named in the path) unless tapes.
    int Open(const std::filesystem::path& path, bool headerDump = false, bool tapes = false);
    // The parser's notices on standard error, "corvane-cli: note: TEXT".
    void PrintNotices() const;
    // The member whose name (trailing blanks ignored) is given, or null.
    const MemberEntry* FindMember(const std::string& name) const;
};

// Prints a failure on standard error the way the windows would show it.
void PrintError(const Error& error);

// The date order of the user's options, or the one asked for on the command
// line ("dmy", "mdy" or "iso").
present::DateOrder ChooseDateOrder(const std::string& asked);

}  // namespace corvane::cli
