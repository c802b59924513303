#pragma once

#include <cstddef>
#include <cstdint>

#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane {

// What a run of bytes holds, told from its first bytes alone.
enum class Content {
    Unknown,  // nothing known: data of its own
    Xmit,     // a TSO TRANSMIT file
    Zip,      // a zip archive
    Tape,     // an AWS or HET tape image
    Unload,   // a raw IEBCOPY unload
    Terse,    // a TERSE (PACK or SPACK) file
};

// Enough first bytes for every kind to be told.
inline constexpr std::size_t kSniffBytes = 16;

Content SniffContent(const std::uint8_t* head, std::size_t n);
// The first bytes of a source, sniffed.
Result<Content> SniffSource(ByteSource& source);
// What the first bytes of a member's data hold: Xmit only for a transmission
// whose first segment is its INMR01 control record; Unknown for data of its own.
Content HeldContent(const std::uint8_t* head, std::size_t n);
// "xmit", "zip", "tape", "unload", "terse"; null for unknown content.
const char* ContentName(Content content);

}  // namespace corvane
