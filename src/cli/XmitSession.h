#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "ConsolePorts.h"
#include "decode/Decode.h"
#include "ports/MemoryPorts.h"

namespace corvane::cli {

// An XMIT file opened and decoded for one command.
struct XmitSession {
    std::filesystem::path Path;
    std::unique_ptr<FileReader> Stream;
    TXmitDecoder Decoder;
    MemoryMemberList Members;
    MemoryLines Messages;
    MemoryViewerFactory DumpViewers;
    ConsoleNotifier Notify;
    ConsoleErrorReport Errors;

    // Opens and decodes; returns 0, or 1 after the failure was printed.
    int Open(const std::filesystem::path& path, bool debugHeaders = false);
    // Row of the member whose name (trailing blanks ignored) is given, or null.
    const MemberRow* FindMember(const std::string& name) const;
};

std::string TrimRight(const std::string& s);

}  // namespace corvane::cli
