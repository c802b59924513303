#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "create/CreatePlan.h"
#include "create/NetdataOut.h"
#include "ports/Progress.h"
#include "util/Result.h"

namespace corvane::create {

struct CreateSummary {
    std::size_t Members = 0;
    std::uint32_t DirectoryBlocks = 0;
    std::uint64_t Bytes = 0;
    bool Cancelled = false;  // stopped by the user: nothing was written
};

// What keeps a plan from being written, one line each; empty when it can be
// (member names, duplicates, aliases, record format, block sizes, the
// directory's room). Data is not read.
std::vector<std::string> LibraryProblems(const LibraryPlan& plan);
std::vector<std::string> FormatProblems(const WriteFormat& format, bool partitioned);

// The block size the system gives a new dataset of this format on a 3390.
std::uint32_t SystemBlockSize(const WriteFormat& format);

// Writes the transmission to the target. Input that turns out bad while it
// is read (a line too long, say) ends the write with a usage error.
// Progress goes from 0 to the number of members (a library) or the data's
// bytes (a sequential dataset); a cancel stops the write.
Result<CreateSummary> WriteLibrary(const LibraryPlan& plan, const NetdataOut::Target& target,
                                   Progress* progress = nullptr);
Result<CreateSummary> WriteSequential(const SequentialPlan& plan, const NetdataOut::Target& target,
                                      Progress* progress = nullptr);

// The same into a file, which appears only when the whole write succeeded.
// An existing file is replaced only when replace is set.
Result<CreateSummary> CreateXmitFile(const std::filesystem::path& output, const LibraryPlan& plan,
                                     bool replace, Progress* progress = nullptr);
Result<CreateSummary> CreateXmitFile(const std::filesystem::path& output,
                                     const SequentialPlan& plan, bool replace,
                                     Progress* progress = nullptr);

// Whether a name can be a member name: 1 to 8 of A-Z, 0-9, @ # $, not
// starting with a digit.
bool ValidMemberName(const std::string& name);

}  // namespace corvane::create
