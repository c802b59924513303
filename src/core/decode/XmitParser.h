#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/XmitInfo.h"
#include "io/ByteSource.h"
#include "text/CodePage.h"
#include "util/Result.h"

namespace corvane {

struct ParseOptions {
    // Keep a hex dump of every header record read (the debug view).
    bool HeaderDump = false;
    // How names and text units become characters; null is the program's table.
    const CodePage* Characters = nullptr;
    // A TERSE file on the way that unpacks to more bytes than this is refused.
    std::int64_t UnpackLimit = INT64_MAX;
    // A path that ends at a zip archive opens it as a node whose entries are
    // its children, instead of failing as no transmission.
    bool ArchivesAsNodes = false;
};

// Reads an XMIT file once, up to the transmitted data (for a partitioned
// dataset also over the member data, to find where each member starts), and
// returns what it found or why it could not. When headerDump is given it
// receives the dump lines of the records read, also when the parse fails.
Result<XmitInfo> ParseXmit(ByteSource& source, const ParseOptions& options = {},
                           std::vector<std::string>* headerDump = nullptr);

// The first bytes of an XMIT file: "INMR0" in EBCDIC at offset 2 and a
// record number of 1 to 15 after it.
bool LooksLikeXmit(const std::uint8_t* bytes, std::size_t n);

// The first bytes of data that are an XMIT file themselves: a first segment
// flagged as a control record, named INMR01.
bool StartsWithXmitHeader(const std::uint8_t* bytes, std::size_t n);

}  // namespace corvane
