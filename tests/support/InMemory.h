#pragma once

#include <string>
#include <vector>

#include "MemoryPorts.h"
#include "XmitBuilder.h"
#include "decode/XmitParser.h"
#include "extract/MemberReader.h"
#include "present/Presenter.h"

namespace corvane::testing {

// An XMIT byte stream parsed from memory whose members (or sequential
// dataset) are read into memory. Result is 0 when the parse succeeded, 1 when
// it failed, -1 when it ran into the end of the file; every failure's error
// window texts are kept in Reports.
struct InMemory {
    explicit InMemory(const Bytes& bytes) : Source(bytes) {
        auto parsed = ParseXmit(Source);
        if (parsed) {
            Info = std::move(parsed.Value());
            return;
        }
        Result = parsed.Err().What == Error::Kind::Io ? -1 : 1;
        Reports.push_back(present::ErrorReportFor(parsed.Err()));
    }
    // The data bytes of member k, or of the sequential dataset when k is
    // npos; *result is 0 when the read succeeded, 1 when it failed.
    Bytes Read(std::size_t k, int* result = nullptr) {
        MemberReader reader(Source, Info);
        MemoryProgress progress;
        ReadRequest request;
        if (k != static_cast<std::size_t>(-1)) request.Member = &Info.Members.at(k);
        request.Name = request.Member ? request.Member->Name : Info.Dataset.Name;
        Bytes out;
        request.Bytes = &out;
        auto done = reader.Read(request, progress);
        if (!done) Reports.push_back(present::ErrorReportFor(done.Err()));
        if (result) *result = done.Ok() ? 0 : 1;
        return out;
    }

    MemorySource Source;
    XmitInfo Info;
    int Result = 0;
    std::vector<ErrorReportData> Reports;
};

}  // namespace corvane::testing
