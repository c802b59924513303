#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "decode/XmitInfo.h"
#include "extract/MemberReader.h"

namespace corvane::cli {

// manifest.json: what an extraction wrote, enough to make the library again
// (the dataset, the message, the transfer, every member's directory entry
// as it stands and, where the format needs them, its blocks).
inline constexpr const char* kManifestName = "manifest.json";

struct ManifestFile {
    std::string File;  // the name in the folder
    bool Text = false;
    std::uint64_t Size = 0;
    std::int64_t Modified = 0;  // the file's time as written, in nanoseconds
};

// One member as extraction recorded it.
struct ManifestMember {
    const MemberEntry* Entry = nullptr;
    ManifestFile Written;
    std::vector<BlockMark> Blocks;
};

// The file's size and time now, to tell later whether it was edited.
ManifestFile Stamp(const std::filesystem::path& path, bool text);

nlohmann::json ManifestJson(const XmitInfo& info, const std::vector<ManifestMember>& members,
                            const std::optional<ManifestFile>& sequential);

// What in a manifest cannot be true of a library extraction wrote, one line
// each (fields of the wrong kind, bytes that are not hex, a user data length
// a directory entry cannot have); empty when it can be used.
std::vector<std::string> ManifestProblems(const nlohmann::json& manifest);

// The directory entry of a member as the lists show it.
nlohmann::json MemberJson(const XmitInfo& x, const MemberEntry& m);

std::string HexBytes(const std::string& bytes);
// False when the text is not hex digits in pairs.
bool FromHex(const std::string& text, std::vector<std::uint8_t>& out);

}  // namespace corvane::cli
