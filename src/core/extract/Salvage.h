#pragma once

#include <filesystem>
#include <string>

#include "extract/MemberReader.h"

namespace corvane {

// Where the readable part of a damaged member goes: NAME.partial.EXT beside
// the file it would have been.
std::filesystem::path PartialPath(const std::filesystem::path& path);

struct Salvaged {
    PartialRead Kept;               // Bytes 0: nothing could be read, no file
    std::filesystem::path Written;  // the partial file, when there is one
    std::string Sentence;           // what was kept, in the user's words
};

// Reads again what failed on damage into PartialPath(request.OutputFile),
// keeping what comes before the damage.
Salvaged Salvage(MemberReader& reader, ReadRequest request, Progress& progress,
                 const std::string& shownName);

}  // namespace corvane
