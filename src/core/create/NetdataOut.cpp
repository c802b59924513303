#include "create/NetdataOut.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "decode/S390format.h"

namespace corvane::create {

namespace {
constexpr std::size_t kBufferSize = 1 << 18;
constexpr std::size_t kSegmentData = 253;
}  // namespace

Bytes Ebcdic(std::string_view text) {
    static const std::array<std::uint8_t, 256> reverse = [] {
        std::array<std::uint8_t, 256> r{};
        r.fill(0x6F);
        for (int e = 255; e >= 0; --e) r[kEbcdicTable[e]] = static_cast<std::uint8_t>(e);
        return r;
    }();
    Bytes out;
    out.reserve(text.size());
    for (char c : text) out.push_back(reverse[static_cast<unsigned char>(c)]);
    return out;
}

void TextUnits::Start(std::uint16_t key, std::uint16_t count) {
    const std::uint8_t head[4] = {
        static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key),
        static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count)};
    data_.insert(data_.end(), head, head + 4);
}

void TextUnits::Item(const std::uint8_t* p, std::size_t n) {
    data_.push_back(static_cast<std::uint8_t>(n >> 8));
    data_.push_back(static_cast<std::uint8_t>(n));
    data_.insert(data_.end(), p, p + n);
}

TextUnits& TextUnits::Text(std::uint16_t key, std::string_view text) {
    Start(key, 1);
    const Bytes e = Ebcdic(text);
    Item(e.data(), e.size());
    return *this;
}

TextUnits& TextUnits::Number(std::uint16_t key, std::uint64_t value, std::size_t size) {
    Start(key, 1);
    std::uint8_t b[8];
    for (std::size_t k = 0; k < size; ++k)
        b[size - 1 - k] = static_cast<std::uint8_t>(value >> (8 * k));
    Item(b, size);
    return *this;
}

TextUnits& TextUnits::Name(std::uint16_t key, std::string_view dottedName) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at <= dottedName.size()) {
        const std::size_t dot = std::min(dottedName.find('.', at), dottedName.size());
        parts.push_back(dottedName.substr(at, dot - at));
        at = dot + 1;
    }
    Start(key, static_cast<std::uint16_t>(parts.size()));
    for (std::string_view q : parts) {
        const Bytes e = Ebcdic(q);
        Item(e.data(), e.size());
    }
    return *this;
}

TextUnits& TextUnits::Flag(std::uint16_t key) {
    Start(key, 0);
    return *this;
}

NetdataOut::NetdataOut(Target target)
    : target_(std::move(target)), buffer_(kBufferSize), spare_(kBufferSize) {}

NetdataOut::~NetdataOut() {
    try {
        target_(buffer_.data(), 0);
    } catch (...) {
        // Nothing more is given to a target that failed.
    }
}

void NetdataOut::Flush() {
    if (used_ == 0) return;
    if (!target_(buffer_.data(), used_)) throw WriteRefused{};
    written_ += used_;
    used_ = 0;
    // The target has let go of the other buffer by now.
    buffer_.swap(spare_);
}

void NetdataOut::Put(const std::uint8_t* p, std::size_t n) {
    if (used_ + n > buffer_.size()) Flush();
    std::memcpy(buffer_.data() + used_, p, n);
    used_ += n;
}

// A segment is made where it will be written: its 2 header bytes are left
// free and filled when it closes. A buffer is only sent between segments.
void NetdataOut::OpenSegment() {
    if (used_ + 2 + kSegmentData > buffer_.size()) Flush();
    segment_ = used_;
    used_ += 2;
    have_ = 0;
    open_ = true;
}

void NetdataOut::CloseSegment(bool last) {
    std::uint8_t flags = flags_;
    if (first_) flags |= 0x80;
    if (last) flags |= 0x40;
    buffer_[segment_] = static_cast<std::uint8_t>(have_ + 2);
    buffer_[segment_ + 1] = flags;
    first_ = false;
    open_ = false;
}

void NetdataOut::BeginRecord() {
    first_ = true;
    open_ = false;
}

void NetdataOut::Append(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        // A full segment is closed only when more follows, so that the last
        // one can carry the last-segment flag.
        if (!open_) {
            OpenSegment();
        } else if (have_ == kSegmentData) {
            CloseSegment(false);
            OpenSegment();
        }
        const std::size_t k = std::min(n, kSegmentData - have_);
        std::memcpy(buffer_.data() + used_, data, k);
        used_ += k;
        have_ += k;
        data += k;
        n -= k;
    }
}

void NetdataOut::EndRecord() {
    if (!open_) OpenSegment();
    CloseSegment(true);
    flags_ = 0;
}

void NetdataOut::Record(const std::uint8_t* data, std::size_t n) {
    BeginRecord();
    Append(data, n);
    EndRecord();
}

void NetdataOut::Control(int number, const TextUnits& units, std::uint32_t fileNumber) {
    Bytes head = Ebcdic("INMR0" + std::to_string(number));
    if (number == 2) {
        for (int k = 3; k >= 0; --k)
            head.push_back(static_cast<std::uint8_t>(fileNumber >> (8 * k)));
    }
    flags_ = 0x20;
    BeginRecord();
    Append(head.data(), head.size());
    Append(units.Data().data(), units.Data().size());
    EndRecord();
}

void NetdataOut::Finish() {
    Control(6, TextUnits{});
    const std::uint64_t rest = Written() % 80;
    if (rest != 0) {
        const Bytes fill(80 - rest, 0x40);
        Put(fill.data(), fill.size());
    }
    Flush();
    if (!target_(buffer_.data(), 0)) throw WriteRefused{};
}

}  // namespace corvane::create
