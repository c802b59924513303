#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes zip archives for tests, with zlib's deflate.
namespace corvane::testing {

struct ZipEntrySpec {
    ZipEntrySpec(std::string name, std::vector<std::uint8_t> data, std::uint16_t method = 8,
                 std::uint16_t flags = 0, std::uint16_t versionMadeBy = 0x0314, bool badCrc = false,
                 std::string localName = {})
        : Name(std::move(name)),
          Data(std::move(data)),
          Method(method),
          Flags(flags),
          VersionMadeBy(versionMadeBy),
          BadCrc(badCrc),
          LocalName(std::move(localName)) {}
    std::string Name;  // stored name, "/" between folders
    std::vector<std::uint8_t> Data;
    std::uint16_t Method = 8;  // 0 stored, 8 deflated, anything else as given
    std::uint16_t Flags = 0;
    std::uint16_t VersionMadeBy = 0x0314;  // Unix, 2.0
    bool BadCrc = false;
    std::string LocalName;  // when set, the local header carries this name instead
};

struct ZipSpec {
    std::vector<ZipEntrySpec> Entries;
    std::string Comment;
    std::vector<std::uint8_t> Prefix;   // other data before the archive
    std::size_t PadTo = 0;              // zero-pad the file to a multiple of this
    std::vector<std::uint8_t> Trailer;  // other data after the archive
};

std::vector<std::uint8_t> BuildZip(const ZipSpec& plan);
std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data);

}  // namespace corvane::testing
