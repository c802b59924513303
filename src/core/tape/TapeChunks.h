#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane::tape {

// Every chunk of an AWS or HET image starts with this header.
constexpr std::size_t kHeaderSize = 6;
constexpr std::uint8_t kBeginBlock = 0x80;
constexpr std::uint8_t kTapemark = 0x40;
constexpr std::uint8_t kEndBlock = 0x20;
constexpr std::uint8_t kCompressionBits = 0x03;
constexpr std::uint8_t kBusTechZlib = 0x80;  // in the second flag byte

// A block longer than this is taken for a chain of chunks that never ends.
constexpr std::uint32_t kMaxStored = 2u << 20;
constexpr std::uint32_t kMaxSpan = 4u << 20;  // its chunk headers included
// A HET block holds at most this many bytes once inflated.
constexpr std::uint32_t kMaxInflated = 65535;

enum class Compression : std::uint8_t { None = 0, Zlib = 1, Bzip2 = 2 };

struct ChunkHeader {
    std::uint16_t Length = 0;    // data after this header
    std::uint16_t Previous = 0;  // data of the chunk before
    std::uint8_t Flags1 = 0, Flags2 = 0;
    static ChunkHeader Decode(const std::uint8_t* p) {
        return {static_cast<std::uint16_t>(p[0] | p[1] << 8),
                static_cast<std::uint16_t>(p[2] | p[3] << 8), p[4], p[5]};
    }
};

// Where a block lies and what it holds: the image keeps one per block.
struct TapeBlock {
    std::int64_t Offset = 0;   // of its first chunk header
    std::uint32_t Stored = 0;  // its chunks' data joined
    std::uint32_t Length = 0;  // its data once inflated; known when Measured
    std::uint32_t Chunks = 0;
    Compression Packing = Compression::None;
    bool Measured = false;
    std::uint32_t Span() const { return Stored + Chunks * static_cast<std::uint32_t>(kHeaderSize); }
};

// The blocks between two tapemarks (or the start or end of the image).
struct PhysicalFile {
    std::size_t First = 0;  // index of its first block
    std::size_t Count = 0;
    bool Tapemark = false;  // it ends with a tapemark
};

struct ChunkIndex {
    std::vector<TapeBlock> Blocks;
    std::vector<PhysicalFile> Files;  // at least one, the last one possibly empty
    std::int64_t Trailing = 0;        // bytes at the end too few for a chunk header
};

// The compression a chunk's flags name; false when they name none known.
bool ChunkCompression(const ChunkHeader& h, Compression& packing);

// Walks every chunk header of the image, checking the chain, and lists the
// blocks and the physical files. Reads only the headers.
Result<ChunkIndex> IndexChunks(ByteSource& image);

}  // namespace corvane::tape
