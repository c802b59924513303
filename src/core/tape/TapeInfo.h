#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// One data file of a tape: its labels where the tape has them, and its size.
struct TapeFileInfo {
    std::size_t Number = 0;                 // its place among the data files on this tape, from 1
    std::optional<std::uint32_t> Sequence;  // HDR1 file sequence number; none without labels
    std::string Dsn;    // HDR1 dataset identifier, trailing blanks removed; empty without labels
    std::string Recfm;  // HDR2 record format and block attribute ("FB", "VBS"); "U" without labels
    std::uint32_t Lrecl = 0, Blksize = 0;  // HDR2 (large block length where given); 0 without
    std::uint64_t Blocks = 0;              // data blocks
    std::int64_t Bytes = -1;  // data bytes (blocks joined); -1 until compressed blocks are measured
    std::string Hdr1, Hdr2, Eof1;  // the 80-character label texts; empty where absent
    std::string JobStep;           // HDR2 job/step, 17 characters as given
    std::optional<std::uint64_t> Eof1BlockCount;
    std::string Created;  // HDR1 creation date as YYYY-MM-DD, empty when unreadable
};

// What a tape image holds.
struct TapeInfo {
    bool Het = false;                 // some block carries HET compression
    bool Labelled = false;            // IBM standard labels (VOL1)
    std::string Volser;               // VOL1 volume serial; empty without labels
    std::string Owner;                // VOL1 owner
    std::uint64_t PhysicalFiles = 0;  // tapemark-delimited files, labels and the last empty one too
    std::uint64_t PlainBlocks = 0, ZlibBlocks = 0, Bzip2Blocks = 0;
    std::vector<TapeFileInfo> Files;  // the data files, in order
    std::vector<std::string> Notes;   // what the user should know about the tape
};

}  // namespace corvane
