#include "XmitSession.h"

#include <iostream>

#include "io/AtomicWriter.h"
#include "io/OutputName.h"

namespace corvane::cli {

std::string TrimRight(const std::string& s) {
    std::size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

int XmitSession::Open(const std::filesystem::path& path, bool debugHeaders) {
    Path = path;
    std::string error;
    Stream = FileReader::Open(path, &error);
    if (!Stream) {
        std::cerr << "Error opening file: " << DisplayName(PathToUtf8(path)) << ": " << error
                  << "\n";
        return 1;
    }
    try {
        DecodePorts ports{Notify, Errors, &DumpViewers};
        return Decoder.DecodeXmit(*Stream, Members, 0, debugHeaders ? 1 : 0, Messages, ports);
    } catch (const ReadError& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}

const MemberRow* XmitSession::FindMember(const std::string& name) const {
    for (const MemberRow& row : Members.Rows) {
        if (TrimRight(row.Caption) == TrimRight(name)) return &row;
    }
    return nullptr;
}

}  // namespace corvane::cli
