#include "extract/RecordSplitter.h"

#include <algorithm>
#include <cstring>

namespace corvane {

bool FixedSlices::Bytes(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const std::size_t k = std::min(slice_ - filled_, n);
        std::memcpy(buffer_.data() + filled_, p, k);
        filled_ += k;
        p += k;
        n -= k;
        if (filled_ == slice_) {
            filled_ = 0;
            if (!sink_.Take(buffer_.data(), slice_)) return false;
        }
    }
    return true;
}

bool PieceIndex::Bytes(const std::uint8_t* p, std::size_t n) {
    if (n == 0) return true;
    const std::int64_t file = offset_ + (p - base_);
    if (pieces_.empty() || pieces_.back().FileOffset + (total_ - pieces_.back().Offset) != file) {
        pieces_.push_back({total_, file});
    }
    total_ += static_cast<std::int64_t>(n);
    return true;
}

void VariableRecords::Damaged(const std::string& what) const {
    throw ReadFailure{what + " at offset " + std::to_string(where_)};
}

void VariableRecords::Append(const std::uint8_t* p, std::size_t n) {
    if (recordLength_ + n > max_)
        Damaged("Variable-length record longer than " + std::to_string(max_) + " bytes");
    if (record_.size() < recordLength_ + n + 2)
        record_.resize(std::max(recordLength_ + n + 2, record_.size() * 2));
    std::memcpy(record_.data() + recordLength_, p, n);
    recordLength_ += n;
}

bool VariableRecords::Emit() {
    if (record_.size() < recordLength_ + 2) record_.resize(recordLength_ + 2);
    const std::size_t n = recordLength_;
    recordLength_ = 0;
    return sink_.Take(record_.data(), n);
}

void VariableRecords::StartRecord() {
    if (blocks_) return;
    if (inRecord_) Damaged("Record started before the previous one ended");
    inRecord_ = true;
    recordLength_ = 0;
    have_ = 0;
    state_ = descriptors_ ? State::Rdw : State::Data;
    dataLeft_ = static_cast<std::size_t>(-1);
}

bool VariableRecords::EndRecord() {
    if (blocks_) return true;
    if (!inRecord_) Damaged("Record ended before it started");
    inRecord_ = false;
    if (state_ == State::Rdw && have_ > 0) Damaged("Record descriptor word cut short");
    if (state_ == State::Data && descriptors_ && dataLeft_ != 0) {
        Damaged("Record shorter than its record descriptor word says");
    }
    state_ = State::Skip;
    return Emit();
}

bool VariableRecords::Block(std::size_t length) {
    if (state_ != State::Skip && state_ != State::Bdw) Damaged("Block ends inside a record");
    if (state_ == State::Bdw && have_ > 0) Damaged("Block descriptor word cut short");
    blockLeft_ = length;
    have_ = 0;
    state_ = State::Bdw;
    return true;
}

// A record descriptor word is complete: length (itself included) and the
// segment code of spanned records.
bool VariableRecords::RecordDescriptorDone() {
    const std::size_t length = static_cast<std::size_t>(head_[0]) << 8 | head_[1];
    segment_ = head_[2] & 0x03;
    if (length < 4) Damaged("Record descriptor word with length " + std::to_string(length));
    if (blocks_ && length - 4 > blockLeft_) {
        Damaged("Record descriptor word runs past its block (length " + std::to_string(length) +
                ")");
    }
    const bool continues = segment_ == 2 || segment_ == 3;
    if (continues != spanning_) {
        Damaged(continues ? "Spanned record segment without its first segment"
                          : "Spanned record not completed before the next record");
    }
    spanning_ = segment_ == 1 || segment_ == 3;
    if (!continues) recordLength_ = 0;
    dataLeft_ = length - 4;
    state_ = State::Data;
    return dataLeft_ > 0 || DataDone();
}

// The data of a record (or of a segment of a spanned one) is complete.
bool VariableRecords::DataDone() {
    if (!blocks_) {
        state_ = State::Skip;  // more before the XMIT record ends is damage
        return true;
    }
    state_ = blockLeft_ > 0 ? State::Rdw : State::Skip;
    return spanning_ || Emit();
}

bool VariableRecords::Bytes(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        switch (state_) {
            case State::Skip:
                Damaged(blocks_ ? "Data after the records of a block"
                                : "Data after the end of a record");
            case State::Bdw:
            case State::Rdw: {
                const std::size_t k = std::min(4 - have_, n);
                std::memcpy(head_ + have_, p, k);
                have_ += k;
                p += k;
                n -= k;
                if (blocks_) blockLeft_ -= k;
                if (have_ < 4) break;
                have_ = 0;
                if (state_ == State::Rdw) {
                    if (!RecordDescriptorDone()) return false;
                    break;
                }
                // Block descriptor: its length counts itself and the records.
                std::size_t length = static_cast<std::size_t>(head_[0]) << 8 | head_[1];
                if (head_[0] & 0x80) {
                    length = (static_cast<std::size_t>(head_[0] & 0x7F) << 24) |
                             static_cast<std::size_t>(head_[1]) << 16 |
                             static_cast<std::size_t>(head_[2]) << 8 | head_[3];
                }
                if (length < 4 || length - 4 != blockLeft_) {
                    Damaged("Block descriptor word with length " + std::to_string(length) +
                            " in a block of " + std::to_string(blockLeft_ + 4) + " bytes");
                }
                state_ = blockLeft_ > 0 ? State::Rdw : State::Skip;
                break;
            }
            case State::Data: {
                const std::size_t k = std::min(dataLeft_, n);
                Append(p, k);
                p += k;
                n -= k;
                dataLeft_ -= k;
                if (blocks_) blockLeft_ -= k;
                if (dataLeft_ == 0 && !DataDone()) return false;
                break;
            }
        }
    }
    return true;
}

bool VariableRecords::Finish() {
    if (spanning_) Damaged("Spanned record not completed");
    if (inRecord_) Damaged("Data ends inside a record");
    if (blocks_ && (state_ == State::Rdw || state_ == State::Data || have_ > 0)) {
        Damaged("Data ends inside a block");
    }
    return true;
}

}  // namespace corvane
