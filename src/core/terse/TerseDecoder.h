#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "io/ByteSource.h"
#include "terse/TerseHeader.h"
#include "util/Result.h"

namespace corvane {

// The 12-bit codes of a TERSE file after its header, two in three bytes,
// read through a buffer. Its place is a count of 4-bit halves, so a copy of
// the decoder's state can go back to any code.
class TerseCodes {
  public:
    explicit TerseCodes(ByteSource& source) : source_(source) {}
    static constexpr int kEnd = -1;  // no whole code left
    // The next code, kEnd, or an Error from the source.
    Result<int> Next();
    std::int64_t Place() const { return nibble_; }
    void Seek(std::int64_t nibble) { nibble_ = nibble; }
    // Where the code stream is, in bytes of the file, for messages.
    std::int64_t Offset() const { return kTerseHeaderSize + nibble_ / 2; }
    // Halves of bytes not read yet.
    std::int64_t Left() const;

  private:
    ByteSource& source_;
    std::int64_t nibble_ = 0;  // halves of bytes after the header
    std::vector<std::uint8_t> buffer_;
    std::int64_t bufferStart_ = 0;  // file offset of buffer_[0]
};

// The PACK and SPACK decoders: codes in, the dataset's bytes out (F: the
// bytes; V: each record behind its 4-byte RDW). The whole state is in this
// object, which can be copied to come back to a point of the stream.
class TerseDecoder {
  public:
    // maxString bounds the bytes one code may give (SPACK strings).
    explicit TerseDecoder(const TerseHeader& header, std::uint64_t maxString = 16u << 20);

    // Decodes codes until at least want bytes were appended to out, or the
    // stream ended (Ended()). A damaged stream is an Error.
    Status Run(TerseCodes& codes, std::vector<std::uint8_t>& out, std::size_t want);
    bool Ended() const { return ended_; }
    // Output made so far, and the code place to go on from: both only
    // between codes, when a variable record is not half made.
    std::uint64_t Produced() const { return produced_; }
    std::int64_t Place() const { return place_; }
    bool AtRecordBoundary() const { return record_.empty(); }

    static constexpr int kSlots = 4096;
    static constexpr int kFirstSlot = 258;
    static constexpr int kEndOfRecord = 257;
    // Longer variable records cannot be given an RDW.
    static constexpr std::size_t kLongestRecord = 65531;

  private:
    Status Pack(int code, std::vector<std::uint8_t>& out);
    Status Spack(int code, std::vector<std::uint8_t>& out);
    // Writes a leaf code's byte (or ends a record).
    Status Leaf(int code, std::vector<std::uint8_t>& out);
    Status Expand(int code, std::vector<std::uint8_t>& out);
    Error Damaged(const std::string& what) const;
    // The recency list of PACK and the age queue of SPACK.
    void Unlink(int s);
    void PushFront(int s);
    void PushBack(int s);

    TerseHeader header_;
    bool ended_ = false;
    bool started_ = false;
    std::uint64_t produced_ = 0;
    std::int64_t place_ = 0;
    std::int64_t offset_ = 0;  // file offset of the code being decoded, for messages
    // PACK: parent and last code of each slot. SPACK: left and right.
    std::array<std::uint16_t, kSlots> first_{};
    std::array<std::uint16_t, kSlots> second_{};
    // A doubly linked list (PACK: most recent first; SPACK: the age queue,
    // oldest first); 0 ends it.
    std::array<std::uint16_t, kSlots> prev_{};
    std::array<std::uint16_t, kSlots> next_{};
    std::array<bool, kSlots> listed_{};
    std::uint16_t head_ = 0;
    std::uint16_t tail_ = 0;
    int pending_ = -1;  // PACK: the slot whose last code the next string gives
    // SPACK: references, use, string lengths, the free list and the code before.
    std::array<std::uint16_t, kSlots> refs_{};
    std::array<bool, kSlots> used_{};
    std::uint64_t maxString_;
    std::vector<std::uint16_t> free_;
    int previous_ = 0;
    std::vector<std::uint8_t> record_;  // a variable record being made
    std::vector<std::uint16_t> path_;   // scratch: PACK paths, SPACK expansion stack
};

}  // namespace corvane
