#pragma once

#include <array>
#include <cstdint>
#include <memory>
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
    static constexpr int kEnd = -1;
    // The next code, kEnd or kFailed.
    int Next() {
        if (nibble_ + 3 <= limit_) {
            const std::int64_t at = kTerseHeaderSize + nibble_ / 2 - bufferStart_;
            if (at >= 0 && at + 2 <= static_cast<std::int64_t>(buffer_.size())) {
                const std::uint8_t* p = buffer_.data() + at;
                const int code =
                    (nibble_ & 1) ? ((p[0] & 0x0F) << 8) | p[1] : (p[0] << 4) | (p[1] >> 4);
                nibble_ += 3;
                return code;
            }
        }
        return Refill();
    }
    const Error& Failure() const { return error_; }
    std::int64_t Place() const { return nibble_; }
    void Seek(std::int64_t nibble) { nibble_ = nibble; }
    // Next(): no whole code left; an error of the source (then Error()).
    static constexpr int kFailed = -2;
    // Where the code stream is, in bytes of the file, for messages.
    std::int64_t Offset() const { return kTerseHeaderSize + nibble_ / 2; }
    // Halves of bytes not read yet.
    std::int64_t Left() const;

  private:
    int Refill();

    ByteSource& source_;
    std::int64_t limit_ = -1;  // halves of bytes in the stream; -1 not known yet
    Error error_;
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
    // The last state of a run that shares its history with no copy leaves it
    // to the next decoder made on this thread.
    ~TerseDecoder();
    TerseDecoder(const TerseDecoder&) = default;
    TerseDecoder(TerseDecoder&&) = default;
    TerseDecoder& operator=(const TerseDecoder&) = default;
    TerseDecoder& operator=(TerseDecoder&&) = default;

    // Decodes codes until at least want bytes were appended to out, or the
    // stream ended (Ended()). A damaged stream is an Error.
    Status Run(TerseCodes& codes, std::vector<std::uint8_t>& out, std::size_t want);
    bool Ended() const { return ended_; }
    // Output made so far, and the code place to go on from: both only
    // between codes, when a variable record is not half made.
    std::uint64_t Produced() const { return produced_; }
    std::int64_t Place() const { return place_; }
    bool AtRecordBoundary() const { return recordLength_ == 0; }
    // After the state was copied back: the recent codes kept are not this
    // state's any more.
    void ForgetHistory() { historyFrom_ = emitted_; }

    static constexpr int kSlots = 4096;
    static constexpr int kFirstSlot = 258;
    static constexpr int kEndOfRecord = 257;
    // Longer variable records cannot be given an RDW.
    static constexpr std::size_t kLongestRecord = 65531;

  private:
    // Each decodes one code into out (which has room for its string), or
    // sets failure_ and returns false.
    bool Pack(int code);
    bool Spack(int code);
    // Writes one code of a string: a byte, or the end of a record.
    bool Put(int code) {
        if (code > 0 && code < kEndOfRecord) {
            const auto byte = static_cast<std::uint8_t>(code - 1);
            if (!header_.Variable) {
                *write_++ = byte;
                return true;
            }
            if (recordLength_ < record_.size()) {
                record_.data()[recordLength_++] = byte;
                return true;
            }
        }
        return PutOther(code);
    }
    // The end of a record, a byte for a record that needs more room, or a
    // code that cannot be written.
    bool PutOther(int code);
    // Writes n codes, code(i) giving each, with the output's place in
    // locals: a store through a byte pointer would make the compiler load
    // every member again.
    template <class Code>
    bool PutCodes(std::size_t n, Code code) {
        if (!header_.Variable) {
            std::uint8_t* w = write_;
            for (std::size_t i = 0; i < n; ++i) {
                const unsigned c = code(i);
                if (c - 1u < 256u) {
                    *w++ = static_cast<std::uint8_t>(c - 1u);
                } else if (c != kEndOfRecord) {
                    write_ = w;
                    return PutOther(static_cast<int>(c));
                }
            }
            write_ = w;
            return true;
        }
        std::uint8_t* record = record_.data();
        std::size_t room = record_.size();
        std::size_t length = recordLength_;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned c = code(i);
            if (c - 1u < 256u && length < room) {
                record[length++] = static_cast<std::uint8_t>(c - 1u);
                continue;
            }
            recordLength_ = length;
            if (!PutOther(static_cast<int>(c))) return false;
            length = recordLength_;
            record = record_.data();
            room = record_.size();
        }
        recordLength_ = length;
        return true;
    }
    bool EndRecord();
    bool Expand(int code);
    // SPACK writes each code through here, keeping it in the history.
    bool Emit(int code) {
        if (emitted_ == historySize_ && historySize_ < kHistory) GrowHistory(2 * historySize_);
        historyData_[emitted_ & (historySize_ - 1)] = static_cast<std::uint16_t>(code);
        ++emitted_;
        return Put(code);
    }
    // Until the history is at its full size, nothing in it was overwritten:
    // it can grow to any larger power of two.
    void GrowHistory(std::uint64_t size);
    void AttachHistory() {
        if (!history_) return;
        historyData_ = history_->data();
        historySize_ = history_->size();
    }
    bool Fail(const std::string& what);
    // Room in out for n more bytes at write_.
    void Reserve(std::size_t n) {
        if (static_cast<std::size_t>(end_ - write_) < n) Grow(n);
    }
    void Grow(std::size_t n);
    Error Damaged(const std::string& what) const;
    // The recency list of PACK and the age queue of SPACK.
    void Unlink(int s);
    void PushFront(int s);
    void PushBack(int s);
    // PACK, for every slot of a string: to the front of the recency list.
    void MoveToFront(int s) {
        Slot& x = slots_[s];
        if (!x.Listed) return PushFront(s);
        if (s == head_) return;
        slots_[x.Prev].Next = x.Next;  // listed and not first: it has one
        if (x.Next)
            slots_[x.Next].Prev = x.Prev;
        else
            tail_ = x.Prev;
        x.Prev = 0;
        x.Next = head_;
        slots_[head_].Prev = static_cast<std::uint16_t>(s);
        head_ = static_cast<std::uint16_t>(s);
    }

    TerseHeader header_;
    bool ended_ = false;
    bool started_ = false;
    std::uint64_t produced_ = 0;
    std::int64_t place_ = 0;
    std::int64_t offset_ = 0;  // file offset of the code being decoded, for messages
    // One slot of the dictionary, its fields side by side.
    struct Slot {
        // PACK: parent and last code. SPACK: left and right.
        std::uint16_t First = 0;
        std::uint16_t Second = 0;
        // A doubly linked list (PACK: most recent first; SPACK: the age
        // queue, oldest first); 0 ends it.
        std::uint16_t Prev = 0;
        std::uint16_t Next = 0;
        std::uint16_t Refs = 0;  // SPACK: the pairs that name it
        bool Listed = false;
        bool Used = false;         // SPACK: a live pair
        std::uint32_t Length = 0;  // SPACK: its string's length, up to maxString_ + 1
        std::uint64_t Pos = 0;     // SPACK: where its string was written, in codes
    };
    Slot slots_[kSlots] = {};  // indexes are 12-bit codes: always in range
    std::uint16_t head_ = 0;
    std::uint16_t tail_ = 0;
    int pending_ = -1;  // PACK: the slot whose last code the next string gives
    // SPACK: the free list and the code before.
    std::uint64_t maxString_;
    std::vector<std::uint16_t> free_;
    int previous_ = 0;
    std::vector<std::uint8_t> record_;  // a variable record being made, grown as needed
    std::size_t recordLength_ = 0;
    std::uint16_t stack_[kSlots + 2] = {};  // scratch: PACK paths, SPACK expansion
    // SPACK: the codes last written, shared by copies of the state, so a
    // string still in it is copied rather than expanded pair by pair.
    static constexpr std::uint64_t kHistory = 1u << 16;
    std::shared_ptr<std::vector<std::uint16_t>> history_;
    // The history as this state last saw it; only a running state grows it.
    std::uint16_t* historyData_ = nullptr;
    std::uint64_t historySize_ = 0;
    std::uint64_t emitted_ = 0;        // codes written
    std::uint64_t historyFrom_ = 0;    // the history holds this state's codes from here
    std::uint64_t previousStart_ = 0;  // where the code before was written
    // Where the code being decoded writes: into out_, at write_.
    std::vector<std::uint8_t>* out_ = nullptr;
    std::uint8_t* write_ = nullptr;
    std::uint8_t* end_ = nullptr;  // the end of out_
    std::string failure_;
};

}  // namespace corvane
