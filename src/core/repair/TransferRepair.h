#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::repair {

// What a file transfer did to an XMIT file, found from its bytes alone, and
// the file as it was before, where that can be known.
struct Repair {
    enum class Outcome {
        Sound,    // the file is an XMIT file as it stands (filler after the end aside)
        Exact,    // the damage was undone; Bytes are the original file
        Inexact,  // damage was found but the original cannot be known exactly
        NotXmit,  // nothing here was ever an XMIT file
    };
    Outcome Result = Outcome::NotXmit;
    // What was undone, in the words the user is shown ("This file was sent
    // in text mode (IBM 037 to ISO 8859-1, CR LF after each record); the
    // original bytes were restored exactly.").
    std::string Sentence;
    // Exact: the original bytes. Inexact: as much as could be restored (the
    // readable start of the file).
    std::vector<std::uint8_t> Bytes;
    // Inexact: where the damage starts in the restored bytes.
    std::int64_t DamageAt = -1;
    // Inexact: a change a transfer makes was found (not only a file cut
    // short or broken as it stands).
    bool Changed = false;
};

// Looks at the file's bytes and undoes what a transfer did: a line end
// (LF or CR LF) after every 80-byte record, a record or block descriptor
// before every record, translation from EBCDIC through any offered code page
// with line ends and trailing blanks stripped, and reports a file cut short.
// Where a translation or line splitting is ambiguous, the segment structure
// of the file decides. A code page number at or above 0 is the only one
// text is taken to have been translated through.
Repair RepairTransfer(const std::vector<std::uint8_t>& file, int codePage = -1);

// Whether a file starting with these bytes (16 or the whole file) may be an
// XMIT file a transfer changed: the start a repair looks for, binary, behind
// descriptors or translated as text.
bool MayBeRepaired(const std::uint8_t* start, std::size_t n);

// What opening a file that parsed as it stands should still say: the
// padding after its end, when there is more than fills its last card.
std::string PaddingSentence(std::int64_t fileSize, std::int64_t trailerEnd);

// Where the NETDATA segments of an XMIT file end: the offset just past the
// closing control record, or -1 with brokenAt the offset where the chain
// breaks (a length that runs past the end, records out of sequence).
std::int64_t SegmentChainEnd(const std::uint8_t* data, std::size_t size, std::int64_t& brokenAt);

}  // namespace corvane::repair
