#include "tape/TapeChunks.h"

#include <string>

#include "tape/TapeError.h"
#include "tape/TapeWindow.h"

namespace corvane::tape {

namespace {
constexpr std::size_t kIndexWindow = 256 * 1024;

std::string At(std::int64_t offset) {
    return "at offset " + std::to_string(offset);
}
std::string Hex(std::uint8_t b) {
    const char* digits = "0123456789ABCDEF";
    return {'X', '\'', digits[b >> 4], digits[b & 15], '\''};
}
}  // namespace

bool ChunkCompression(const ChunkHeader& h, Compression& packing) {
    const int bits = h.Flags1 & kCompressionBits;
    if (bits == 3) return false;
    packing = static_cast<Compression>(bits);
    if (h.Flags2 & kBusTechZlib) {
        if (packing == Compression::Bzip2) return false;
        packing = Compression::Zlib;
    }
    return true;
}

Result<ChunkIndex> IndexChunks(ByteSource& image) {
    ChunkIndex index;
    index.Files.push_back({});
    TapeWindow window(image, kIndexWindow);
    const std::int64_t size = image.Size();
    std::int64_t at = 0;
    std::uint16_t previous = 0;
    bool open = false;
    TapeBlock block;
    while (at < size) {
        if (size - at < static_cast<std::int64_t>(kHeaderSize)) {
            if (open) break;
            index.Trailing = size - at;
            break;
        }
        auto bytes = window.At(at, kHeaderSize);
        if (!bytes) return bytes.Err();
        const ChunkHeader h = ChunkHeader::Decode(bytes.Value());
        if (h.Previous != previous) {
            return Damage("The chunk header " + At(at) +
                              " gives the length of the chunk before it as " +
                              std::to_string(h.Previous) + " bytes, but that chunk has " +
                              std::to_string(previous) + ": the block lengths do not agree",
                          at);
        }
        if (h.Flags1 & kTapemark) {
            if (open) {
                return Damage("The block that starts " + At(block.Offset) +
                                  " has no end-of-block chunk before the tapemark " + At(at),
                              block.Offset);
            }
            if (h.Length != 0) {
                return Damage("The tapemark " + At(at) + " claims " + std::to_string(h.Length) +
                                  " bytes of data",
                              at);
            }
            index.Files.back().Tapemark = true;
            index.Files.push_back({index.Blocks.size(), 0, false});
            previous = 0;
            at += kHeaderSize;
            continue;
        }
        const std::int64_t left = size - at - static_cast<std::int64_t>(kHeaderSize);
        if (h.Length > left) {
            return Damage("The chunk " + At(at) + " claims " + std::to_string(h.Length) +
                              " bytes of data, but only " + std::to_string(left) +
                              " remain in the image",
                          at);
        }
        Compression packing = Compression::None;
        if (!ChunkCompression(h, packing)) {
            return Damage("The chunk " + At(at) + " names an unknown compression (flags " +
                              Hex(h.Flags1) + " " + Hex(h.Flags2) + ")",
                          at);
        }
        if (!open) {
            if (!(h.Flags1 & kBeginBlock)) {
                return Damage(
                    "The chunk " + At(at) + " continues a block, but no block was begun before it",
                    at);
            }
            block = TapeBlock{};
            block.Offset = at;
            block.Packing = packing;
            open = true;
        } else if (h.Flags1 & kBeginBlock) {
            return Damage("The chunk " + At(at) +
                              " begins a block in the middle of the block that starts " +
                              At(block.Offset),
                          at);
        } else if (packing != block.Packing) {
            return Damage("The chunks of the block that starts " + At(block.Offset) +
                              " do not agree on its compression",
                          at);
        }
        block.Stored += h.Length;
        ++block.Chunks;
        if (block.Stored > kMaxStored || block.Span() > kMaxSpan) {
            return Damage("The block that starts " + At(block.Offset) +
                              " runs on for more than 2 MiB without an end-of-block chunk",
                          block.Offset);
        }
        previous = h.Length;
        at += static_cast<std::int64_t>(kHeaderSize) + h.Length;
        if (h.Flags1 & kEndBlock) {
            block.Measured = block.Packing == Compression::None;
            block.Length = block.Measured ? block.Stored : 0;
            index.Blocks.push_back(block);
            ++index.Files.back().Count;
            open = false;
        }
    }
    if (open) {
        return Damage("The block that starts " + At(block.Offset) +
                          " has no end-of-block chunk before the end of the image",
                      block.Offset);
    }
    return index;
}

}  // namespace corvane::tape
