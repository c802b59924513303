#pragma once

#include <string>
#include <vector>

#include "XmitBuilder.h"
#include "decode/XmitParser.h"

namespace corvane::testing {

// An XMIT byte stream parsed from memory, with the header dump kept.
struct Parsed {
    explicit Parsed(const Bytes& bytes, bool dump = false)
        : Source(bytes), Outcome(ParseXmit(Source, ParseOptions{.HeaderDump = dump}, &Dump)) {}
    bool Ok() const { return Outcome.Ok(); }
    const XmitInfo& Info() const { return Outcome.Value(); }
    const Error& Err() const { return Outcome.Err(); }

    MemorySource Source;
    std::vector<std::string> Dump;
    Result<XmitInfo> Outcome;
};

}  // namespace corvane::testing
