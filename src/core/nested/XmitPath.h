#pragma once

#include <memory>
#include <string>
#include <vector>

#include "decode/XmitParser.h"
#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane {

// The separator of a nested path: PATH!MEMBER[!MEMBER...] or
// ARCHIVE.zip!ENTRY[!MEMBER...].
inline constexpr char kNestSeparator = '!';
// Names the sequential dataset of a file in a nested path, whatever it is called.
inline constexpr const char* kDatasetPart = "*";

// A transmission opened by its path and parsed.
struct OpenedXmit {
    std::unique_ptr<ByteSource> Source;  // the innermost file's bytes; owns the outer ones
    XmitInfo Info;
    std::string Path;  // the path as given (UTF-8)
    std::string Name;  // the innermost file's own name: its member, entry or file name
    // Opened from inside a file (a member or a zip entry), not the file itself.
    bool Nested = false;
};

// Opens a file, or a transmission inside one: each part after a "!" names a
// member (or, for a sequential dataset, the dataset: its name or "*") that
// holds an XMIT file, or after a zip archive one of its entries as stored,
// folders included. A path that is a file is taken whole even if it holds
// "!". options and headerDump apply to the innermost file's parse.
Result<OpenedXmit> OpenXmitPath(const std::string& path, const ParseOptions& options = {},
                                std::vector<std::string>* headerDump = nullptr);

// A path cut into its file and the parts inside it; one part when the path
// names no transmission inside a file (then it may name no file at all).
std::vector<std::string> SplitXmitPath(const std::string& path);

// The path of a transmission inside an opened one: its member, or its
// sequential dataset when member is null.
std::string NestedPath(const std::string& path, const XmitInfo& info, const MemberEntry* member);

}  // namespace corvane
