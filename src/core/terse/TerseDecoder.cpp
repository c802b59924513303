#include "terse/TerseDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace corvane {

namespace {
constexpr std::size_t kCodeBuffer = 64 * 1024;
constexpr std::uint16_t kBlankCode = 0x41;  // EBCDIC blank, as a code

// A history no decoder holds any more. A decoder reads back only what it
// wrote itself, so what an earlier one left in it does not matter.
thread_local std::shared_ptr<std::vector<std::uint16_t>> spareHistory;
}  // namespace

TerseDecoder::~TerseDecoder() {
    if (history_ && history_.use_count() == 1 &&
        (!spareHistory || spareHistory->size() < history_->size()))
        spareHistory = std::move(history_);
}

std::int64_t TerseCodes::Left() const {
    const std::int64_t total = std::max<std::int64_t>(0, source_.Size() - kTerseHeaderSize) * 2;
    return total - nibble_;
}

int TerseCodes::Refill() {
    if (limit_ < 0) limit_ = Left();
    if (nibble_ + 3 > limit_) return kEnd;
    const std::int64_t at = kTerseHeaderSize + nibble_ / 2;  // the code's first byte
    buffer_.resize(static_cast<std::size_t>(
        std::clamp<std::int64_t>(source_.Size() - at, 0, static_cast<std::int64_t>(kCodeBuffer))));
    auto got = source_.ReadAt(at, buffer_.data(), buffer_.size());
    if (!got) {
        error_ = got.Err();
        buffer_.clear();
        return kFailed;
    }
    buffer_.resize(got.Value());
    bufferStart_ = at;
    if (buffer_.size() < 2) {
        error_ = Error{};
        error_.What = Error::Kind::Io;
        error_.Caption = "Error reading file";
        error_.Message = source_.Name() + ": the TERSE data ends early";
        return kFailed;
    }
    return Next();
}

TerseDecoder::TerseDecoder(const TerseHeader& header, std::uint64_t maxString)
    : header_(header), maxString_(maxString) {
    // Room for a record of the stated length; a longer one grows it.
    if (header_.Variable)
        record_.resize(std::clamp<std::size_t>(header_.Lrecl(), 256, kLongestRecord));
    if (!header_.Spack) {
        // Slot s starts as s - 256 blanks; 258 is the most recent, the
        // list runs from it up to 4095. Made once, copied for each decoder.
        static const std::vector<Slot> start = [] {
            std::vector<Slot> slots(kSlots);
            for (Slot& slot : slots) slot.Second = kBlankCode;
            for (int s = kFirstSlot; s < kSlots; ++s) {
                Slot& slot = slots[s];
                slot.First = static_cast<std::uint16_t>(s == kFirstSlot ? kBlankCode : s - 1);
                slot.Prev = static_cast<std::uint16_t>(s == kFirstSlot ? 0 : s - 1);
                slot.Next = static_cast<std::uint16_t>(s + 1 == kSlots ? 0 : s + 1);
                slot.Listed = true;
            }
            return slots;
        }();
        static_assert(std::is_trivially_copyable_v<Slot>);
        std::memcpy(slots_, start.data(), sizeof slots_);
        head_ = kFirstSlot;
        tail_ = kSlots - 1;
    } else {
        history_ = spareHistory ? std::move(spareHistory)
                                : std::make_shared<std::vector<std::uint16_t>>(4096);
        spareHistory = nullptr;
        // Free slots, the lowest taken first.
        free_.resize(kSlots - kFirstSlot);
        std::uint16_t* f = free_.data();
        for (int i = 0; i < kSlots - kFirstSlot; ++i)
            f[i] = static_cast<std::uint16_t>(kSlots - 1 - i);
    }
}

Error TerseDecoder::Damaged(const std::string& what) const {
    Error e;
    e.What = Error::Kind::Damaged;
    e.Caption = "Error";
    e.Title = "Error while unpacking";
    e.Reason = "TERSE " + header_.FormatName() + " data";
    e.Message = what + " at offset " + std::to_string(offset_);
    e.Offset = offset_;
    return e;
}

void TerseDecoder::Unlink(int s) {
    const std::uint16_t p = slots_[s].Prev, n = slots_[s].Next;
    if (p)
        slots_[p].Next = n;
    else
        head_ = n;
    if (n)
        slots_[n].Prev = p;
    else
        tail_ = p;
    slots_[s].Prev = slots_[s].Next = 0;
    slots_[s].Listed = false;
}

void TerseDecoder::PushFront(int s) {
    slots_[s].Prev = 0;
    slots_[s].Next = head_;
    if (head_)
        slots_[head_].Prev = static_cast<std::uint16_t>(s);
    else
        tail_ = static_cast<std::uint16_t>(s);
    head_ = static_cast<std::uint16_t>(s);
    slots_[s].Listed = true;
}

void TerseDecoder::PushBack(int s) {
    slots_[s].Next = 0;
    slots_[s].Prev = tail_;
    if (tail_)
        slots_[tail_].Next = static_cast<std::uint16_t>(s);
    else
        head_ = static_cast<std::uint16_t>(s);
    tail_ = static_cast<std::uint16_t>(s);
    slots_[s].Listed = true;
}

bool TerseDecoder::Fail(const std::string& what) {
    if (failure_.empty()) failure_ = what;
    return false;
}

void TerseDecoder::Grow(std::size_t n) {
    std::vector<std::uint8_t>& out = *out_;
    const std::size_t used = static_cast<std::size_t>(write_ - out.data());
    out.resize(std::max(used + n, used + used / 2 + 4096));
    write_ = out.data() + used;
    end_ = out.data() + out.size();
}

bool TerseDecoder::PutOther(int code) {
    if (code == kEndOfRecord) return EndRecord();
    if (code > 0 && code < kEndOfRecord) {
        if (!header_.Variable || recordLength_ >= kLongestRecord)
            return Fail("TERSE record too long for its RDW");
        if (recordLength_ == record_.size())
            record_.resize(std::min(kLongestRecord, 2 * record_.size()));
        record_[recordLength_++] = static_cast<std::uint8_t>(code - 1);
        return true;
    }
    return Fail("TERSE code " + std::to_string(code) + " out of range");
}

// A variable record is complete: its RDW, then its bytes.
bool TerseDecoder::EndRecord() {
    if (!header_.Variable) return true;
    const std::size_t n = recordLength_ + 4;
    Reserve(n);
    write_[0] = static_cast<std::uint8_t>(n >> 8);
    write_[1] = static_cast<std::uint8_t>(n);
    write_[2] = 0;
    write_[3] = 0;
    std::memcpy(write_ + 4, record_.data(), recordLength_);
    write_ += n;
    recordLength_ = 0;
    return true;
}

// PACK: the least recent slot becomes the new string, the string of the
// code is written and its slots become the most recent.
bool TerseDecoder::Pack(int code) {
    // The new slot goes to the front of the list, then the string's slots,
    // leaf side first, as the walk from the code up to its leaf meets them.
    const int n = tail_;
    Unlink(n);
    PushFront(n);
    int depth = 0;
    int s = code;
    while (s >= kFirstSlot) {
        if (depth == kSlots) return Fail("TERSE dictionary holds a loop");
        stack_[depth++] = static_cast<std::uint16_t>(s);
        if (s != n) MoveToFront(s);
        s = slots_[s].First;
    }
    const int leaf = s;
    if (pending_ >= 0) slots_[pending_].Second = static_cast<std::uint16_t>(leaf);
    Reserve(static_cast<std::size_t>(depth) + 1);
    if (!Put(leaf)) return false;
    const std::uint16_t* path = stack_;
    const Slot* slots = slots_;
    if (!PutCodes(static_cast<std::size_t>(depth),
                  [=](std::size_t i) -> unsigned { return slots[path[depth - 1 - i]].Second; }))
        return false;
    slots_[n].First = static_cast<std::uint16_t>(code);
    pending_ = n;
    return true;
}

void TerseDecoder::GrowHistory(std::uint64_t size) {
    history_->resize(size);
    AttachHistory();
}

bool TerseDecoder::Expand(int code) {
    if (code < kFirstSlot) {
        Reserve(1);
        return Emit(code);
    }
    const Slot& slot = slots_[code];
    if (slot.Length > maxString_) return Fail("TERSE string longer than the data can be");
    Reserve(slot.Length);
    if (slot.Pos >= historyFrom_ && slot.Pos + slot.Length <= emitted_ &&
        emitted_ + slot.Length - slot.Pos <= kHistory) {
        // Written before, and still in the history: copied from there.
        if (emitted_ + slot.Length > historySize_ && historySize_ < kHistory)
            GrowHistory(std::min(kHistory, std::bit_ceil(emitted_ + slot.Length)));
        const std::uint64_t mask = historySize_ - 1;
        std::uint16_t* history = historyData_;
        const std::uint64_t from = slot.Pos, to = emitted_;
        emitted_ += slot.Length;
        return PutCodes(slot.Length, [=](std::size_t i) -> unsigned {
            const std::uint16_t c = history[(from + i) & mask];
            history[(to + i) & mask] = c;
            return c;
        });
    }
    std::uint64_t left = slot.Length;
    std::size_t depth = 0;
    stack_[depth++] = static_cast<std::uint16_t>(code);
    while (depth > 0) {
        int s = stack_[--depth];
        // Down the left side, keeping the right parts for later.
        while (s >= kFirstSlot) {
            if (depth == kSlots) return Fail("TERSE string whose pairs name themselves");
            stack_[depth++] = slots_[s].Second;
            s = slots_[s].First;
        }
        // A string whose pairs name themselves never ends.
        if (left-- == 0) return Fail("TERSE string longer than its pairs");
        if (!Emit(s)) return false;
    }
    return true;
}

// SPACK: each code after the first makes the pair of the code before and
// itself; when no slot is free the oldest unused pair goes.
bool TerseDecoder::Spack(int code) {
    if (!started_) {
        started_ = true;
        if (code >= kFirstSlot)
            return Fail("TERSE code " + std::to_string(code) + " names no string");
        previous_ = code;
        previousStart_ = emitted_;
        Reserve(1);
        return Emit(code);
    }
    int freed = -1;
    if (free_.empty()) {
        const int p = head_;
        if (p == 0) return Fail("TERSE dictionary overflows: every string is in use");
        Unlink(p);
        slots_[p].Used = false;
        for (int child : {slots_[p].First, slots_[p].Second}) {
            if (child >= kFirstSlot && --slots_[child].Refs == 0) PushBack(child);
        }
        free_.push_back(static_cast<std::uint16_t>(p));
        freed = p;
    }
    if (code >= kFirstSlot && !slots_[code].Used && code != freed) {
        return Fail("TERSE code " + std::to_string(code) + " names no string");
    }
    const std::uint64_t start = emitted_;
    if (!Expand(code)) return false;
    const int n = free_.back();
    free_.pop_back();
    const std::uint64_t length =
        static_cast<std::uint64_t>(previous_ >= kFirstSlot ? slots_[previous_].Length : 1) +
        (code >= kFirstSlot ? slots_[code].Length : 1);
    slots_[n].First = static_cast<std::uint16_t>(previous_);
    slots_[n].Second = static_cast<std::uint16_t>(code);
    slots_[n].Length = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, maxString_ + 1));
    for (int child : {previous_, code}) {
        if (child >= kFirstSlot && slots_[child].Refs++ == 0 && slots_[child].Listed) Unlink(child);
    }
    slots_[n].Used = true;
    slots_[n].Refs = 0;
    slots_[n].Pos = previousStart_;  // the code before, then this one
    previousStart_ = start;
    if (!slots_[n].Listed) PushBack(n);
    previous_ = code;
    return true;
}

Status TerseDecoder::Run(TerseCodes& codes, std::vector<std::uint8_t>& out, std::size_t want) {
    const std::size_t start = out.size();
    out_ = &out;
    write_ = out.data() + start;
    end_ = out.data() + out.size();
    auto finish = [&] {
        out.resize(static_cast<std::size_t>(write_ - out.data()));
        produced_ += out.size() - start;
        out_ = nullptr;
        write_ = end_ = nullptr;
    };
    codes.Seek(place_);
    AttachHistory();
    while (!ended_ && static_cast<std::size_t>(write_ - out.data()) - start < want) {
        offset_ = codes.Offset();
        const int code = codes.Next();
        if (code == TerseCodes::kFailed) {
            finish();
            return codes.Failure();
        }
        if (code == TerseCodes::kEnd && codes.Left() != 1) {
            finish();
            return Damaged("TERSE data ends without its end code: the file is cut short");
        }
        if (code == TerseCodes::kEnd || code == 0) {
            if (recordLength_ > 0) EndRecord();
            ended_ = true;
            break;
        }
        const bool ok = header_.Spack ? Spack(code) : Pack(code);
        if (!ok) {
            finish();
            return Damaged(failure_);
        }
        place_ = codes.Place();
    }
    place_ = codes.Place();
    finish();
    return Success();
}

}  // namespace corvane
