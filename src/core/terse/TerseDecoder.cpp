#include "terse/TerseDecoder.h"

#include <algorithm>

namespace corvane {

namespace {
constexpr std::size_t kCodeBuffer = 64 * 1024;
constexpr std::uint16_t kBlankCode = 0x41;  // EBCDIC blank, as a code
}  // namespace

std::int64_t TerseCodes::Left() const {
    const std::int64_t total = std::max<std::int64_t>(0, source_.Size() - kTerseHeaderSize) * 2;
    return total - nibble_;
}

Result<int> TerseCodes::Next() {
    if (Left() < 3) return kEnd;
    const std::int64_t at = kTerseHeaderSize + nibble_ / 2;  // the code's first byte
    if (at < bufferStart_ || at + 2 > bufferStart_ + static_cast<std::int64_t>(buffer_.size())) {
        buffer_.resize(kCodeBuffer);
        auto got = source_.ReadAt(at, buffer_.data(), buffer_.size());
        if (!got) return got.Err();
        buffer_.resize(got.Value());
        bufferStart_ = at;
        if (buffer_.size() < 2) {
            Error e;
            e.What = Error::Kind::Io;
            e.Caption = "Error reading file";
            e.Message = source_.Name() + ": the TERSE data ends early";
            return e;
        }
    }
    const std::uint8_t* p = buffer_.data() + (at - bufferStart_);
    const int code = (nibble_ & 1) ? ((p[0] & 0x0F) << 8) | p[1] : (p[0] << 4) | (p[1] >> 4);
    nibble_ += 3;
    return code;
}

TerseDecoder::TerseDecoder(const TerseHeader& header, std::uint64_t maxString)
    : header_(header), maxString_(maxString) {
    if (!header_.Spack) {
        // Slot s starts as s - 256 blanks; 258 is the most recent.
        second_.fill(kBlankCode);
        first_[kFirstSlot] = kBlankCode;
        for (int s = kFirstSlot + 1; s < kSlots; ++s) first_[s] = static_cast<std::uint16_t>(s - 1);
        for (int s = kFirstSlot; s < kSlots; ++s) PushBack(s);
    } else {
        free_.reserve(kSlots);
        for (int s = kSlots - 1; s >= kFirstSlot; --s)
            free_.push_back(static_cast<std::uint16_t>(s));
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
    const std::uint16_t p = prev_[s], n = next_[s];
    if (p)
        next_[p] = n;
    else
        head_ = n;
    if (n)
        prev_[n] = p;
    else
        tail_ = p;
    prev_[s] = next_[s] = 0;
    listed_[s] = false;
}

void TerseDecoder::PushFront(int s) {
    prev_[s] = 0;
    next_[s] = head_;
    if (head_)
        prev_[head_] = static_cast<std::uint16_t>(s);
    else
        tail_ = static_cast<std::uint16_t>(s);
    head_ = static_cast<std::uint16_t>(s);
    listed_[s] = true;
}

void TerseDecoder::PushBack(int s) {
    next_[s] = 0;
    prev_[s] = tail_;
    if (tail_)
        next_[tail_] = static_cast<std::uint16_t>(s);
    else
        head_ = static_cast<std::uint16_t>(s);
    tail_ = static_cast<std::uint16_t>(s);
    listed_[s] = true;
}

Status TerseDecoder::Leaf(int code, std::vector<std::uint8_t>& out) {
    if (code == kEndOfRecord) {
        if (!header_.Variable) return Success();
        const std::size_t n = record_.size() + 4;
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(n));
        out.push_back(0);
        out.push_back(0);
        out.insert(out.end(), record_.begin(), record_.end());
        produced_ += n;
        record_.clear();
        return Success();
    }
    if (code <= 0 || code > 256)
        return Damaged("TERSE code " + std::to_string(code) + " out of range");
    const auto byte = static_cast<std::uint8_t>(code - 1);
    if (header_.Variable) {
        if (record_.size() == kLongestRecord) {
            return Damaged("TERSE record longer than " + std::to_string(kLongestRecord) + " bytes");
        }
        record_.push_back(byte);
    } else {
        out.push_back(byte);
        ++produced_;
    }
    return Success();
}

// PACK: the least recent slot becomes the new string, the string of the
// code is written and its slots become the most recent.
Status TerseDecoder::Pack(int code, std::vector<std::uint8_t>& out) {
    const int n = tail_;
    Unlink(n);
    path_.clear();
    int s = code;
    while (s >= kFirstSlot) {
        if (path_.size() == kSlots) return Damaged("TERSE dictionary holds a loop");
        path_.push_back(static_cast<std::uint16_t>(s));
        s = first_[s];
    }
    const int leaf = s;
    for (std::uint16_t p : path_) {
        if (listed_[p]) Unlink(p);
    }
    PushFront(n);
    for (std::uint16_t p : path_) {
        if (p != n) PushFront(p);
    }
    if (pending_ >= 0) second_[pending_] = static_cast<std::uint16_t>(leaf);
    auto done = Leaf(leaf, out);
    if (!done) return done;
    for (std::size_t i = path_.size(); i-- > 0;) {
        done = Leaf(second_[path_[i]], out);
        if (!done) return done;
    }
    first_[n] = static_cast<std::uint16_t>(code);
    pending_ = n;
    return Success();
}

Status TerseDecoder::Expand(int code, std::vector<std::uint8_t>& out) {
    path_.clear();
    path_.push_back(static_cast<std::uint16_t>(code));
    std::uint64_t leaves = 0;
    while (!path_.empty()) {
        const int s = path_.back();
        path_.pop_back();
        if (s >= kFirstSlot) {
            path_.push_back(second_[s]);
            path_.push_back(first_[s]);
            continue;
        }
        if (++leaves > maxString_) return Damaged("TERSE string longer than the data can be");
        auto done = Leaf(s, out);
        if (!done) return done;
    }
    return Success();
}

// SPACK: each code after the first makes the pair of the code before and
// itself; when no slot is free the oldest unused pair goes.
Status TerseDecoder::Spack(int code, std::vector<std::uint8_t>& out) {
    if (!started_) {
        started_ = true;
        if (code >= kFirstSlot)
            return Damaged("TERSE code " + std::to_string(code) + " names no string");
        previous_ = code;
        return Leaf(code, out);
    }
    int freed = -1;
    if (free_.empty()) {
        const int p = head_;
        if (p == 0) return Damaged("TERSE dictionary overflows: every string is in use");
        Unlink(p);
        used_[p] = false;
        for (int child : {first_[p], second_[p]}) {
            if (child >= kFirstSlot && --refs_[child] == 0) PushBack(child);
        }
        free_.push_back(static_cast<std::uint16_t>(p));
        freed = p;
    }
    if (code >= kFirstSlot && !used_[code] && code != freed) {
        return Damaged("TERSE code " + std::to_string(code) + " names no string");
    }
    auto done = Expand(code, out);
    if (!done) return done;
    const int n = free_.back();
    free_.pop_back();
    first_[n] = static_cast<std::uint16_t>(previous_);
    second_[n] = static_cast<std::uint16_t>(code);
    for (int child : {previous_, code}) {
        if (child >= kFirstSlot && refs_[child]++ == 0 && listed_[child]) Unlink(child);
    }
    used_[n] = true;
    refs_[n] = 0;
    if (!listed_[n]) PushBack(n);
    previous_ = code;
    return Success();
}

Status TerseDecoder::Run(TerseCodes& codes, std::vector<std::uint8_t>& out, std::size_t want) {
    const std::size_t start = out.size();
    codes.Seek(place_);
    while (!ended_ && out.size() - start < want) {
        offset_ = codes.Offset();
        auto code = codes.Next();
        if (!code) return code.Err();
        if (code.Value() == TerseCodes::kEnd && codes.Left() != 1) {
            return Damaged("TERSE data ends without its end code: the file is cut short");
        }
        if (code.Value() == TerseCodes::kEnd || code.Value() == 0) {
            if (!record_.empty()) {
                auto flushed = Leaf(kEndOfRecord, out);
                if (!flushed) return flushed;
            }
            ended_ = true;
            break;
        }
        auto done = header_.Spack ? Spack(code.Value(), out) : Pack(code.Value(), out);
        if (!done) return done;
        place_ = codes.Place();
    }
    place_ = codes.Place();
    return Success();
}

}  // namespace corvane
