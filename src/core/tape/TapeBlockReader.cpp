#include "tape/TapeBlockReader.h"

#include <cstring>
#include <string>

#include "tape/TapeError.h"

namespace corvane::tape {

Result<ByteSpan> BlockReader::Stored(const TapeBlock& block) {
    auto span = window_.At(block.Offset, block.Span());
    if (!span) return span.Err();
    const std::uint8_t* p = span.Value();
    if (block.Chunks == 1) return ByteSpan{p + kHeaderSize, block.Stored};
    // The headers were checked when the image was indexed; they are checked
    // again here in case the image changed since.
    if (joined_.size() < block.Stored) joined_.resize(block.Stored);
    std::size_t at = 0, done = 0;
    for (std::uint32_t k = 0; k < block.Chunks; ++k) {
        const ChunkHeader h = ChunkHeader::Decode(p + at);
        at += kHeaderSize;
        if (h.Length > block.Stored - done) {
            return Damage("The block at offset " + std::to_string(block.Offset) +
                              " changed since the image was opened",
                          block.Offset);
        }
        if (h.Length > 0) std::memcpy(joined_.data() + done, p + at, h.Length);
        at += h.Length;
        done += h.Length;
    }
    return ByteSpan{joined_.data(), done};
}

Result<ByteSpan> BlockReader::Data(const TapeBlock& block, std::size_t number) {
    auto stored = Stored(block);
    if (!stored || block.Packing == Compression::None) return stored;
    if (!inflated_) inflated_.reset(new std::uint8_t[kMaxInflated]);
    auto length = inflater_.Inflate(block, number, stored->Data, inflated_.get());
    if (!length) return length.Err();
    return ByteSpan{inflated_.get(), length.Value()};
}

}  // namespace corvane::tape
