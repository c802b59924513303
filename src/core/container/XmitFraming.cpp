#include "container/XmitFraming.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

constexpr std::uint8_t kControlFlags = 0xE0;  // first and last segment of a control record
constexpr std::uint8_t kInmr0[5] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0};
constexpr std::uint8_t kIebcopy[7] = {0xC9, 0xC5, 0xC2, 0xC3, 0xD6, 0xD7, 0xE8};
constexpr std::uint8_t kInmcopy[7] = {0xC9, 0xD5, 0xD4, 0xC3, 0xD6, 0xD7, 0xE8};

void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) {
    for (std::size_t i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void NumberUnit(std::vector<std::uint8_t>& out, std::uint16_t key, std::uint64_t value,
                std::size_t size) {
    PutNumber(out, key, 2);
    PutNumber(out, 1, 2);
    PutNumber(out, size, 2);
    PutNumber(out, value, size);
}

void BytesUnit(std::vector<std::uint8_t>& out, std::uint16_t key, const std::uint8_t* data,
               std::size_t size) {
    PutNumber(out, key, 2);
    PutNumber(out, 1, 2);
    PutNumber(out, size, 2);
    out.insert(out.end(), data, data + size);
}

// One control record "INMR0n" as a single segment (these are all short).
void Control(std::vector<std::uint8_t>& out, int number, const std::vector<std::uint8_t>& body) {
    out.push_back(static_cast<std::uint8_t>(2 + 6 + body.size()));
    out.push_back(kControlFlags);
    out.insert(out.end(), kInmr0, kInmr0 + 5);
    out.push_back(static_cast<std::uint8_t>(0xF0 + number));
    out.insert(out.end(), body.begin(), body.end());
}

std::vector<std::uint8_t> Head(const FramedDataset& d) {
    std::vector<std::uint8_t> head;
    std::vector<std::uint8_t> units;
    NumberUnit(units, 0x0042, 80, 2);  // INMLRECL
    NumberUnit(units, 0x102F, 1, 1);   // INMNUMF
    Control(head, 1, units);
    units.clear();
    PutNumber(units, 1, 4);  // file 1
    if (d.Unload) {
        BytesUnit(units, 0x1028, kIebcopy, sizeof kIebcopy);
    } else {
        BytesUnit(units, 0x1028, kInmcopy, sizeof kInmcopy);
    }
    NumberUnit(units, 0x003C, d.Unload ? 0x0200 : 0x4000, 2);  // INMDSORG
    NumberUnit(units, 0x0042, d.Lrecl, 2);
    NumberUnit(units, 0x0030, d.Blksize, 4);
    NumberUnit(units, 0x0049, d.Recfm, 2);
    if (d.Extended) NumberUnit(units, 0x8012, 0x80, 1);  // INMTYPE: a PDSE
    Control(head, 2, units);
    Control(head, 3, {});
    return head;
}

}  // namespace

XmitFraming::XmitFraming(std::unique_ptr<ByteSource> base, const FramedDataset& dataset,
                         RecordLayout records)
    : base_(std::move(base)), layout_(std::move(records)), head_(Head(dataset)) {
    Control(trailer_, 6, {});
    layout_.ShrinkToFit();
    starts_.reserve(layout_.Records().size());
    std::int64_t at = static_cast<std::int64_t>(head_.size());
    for (const RecordLayout::Record& r : layout_.Records()) {
        starts_.push_back(at);
        at += FramedLength(r.Length);
    }
    recordsEnd_ = at;
    size_ = at + static_cast<std::int64_t>(trailer_.size());
}

std::size_t XmitFraming::RecordAt(std::int64_t offset) {
    auto within = [&](std::size_t r) {
        const std::int64_t end = r + 1 < starts_.size() ? starts_[r + 1] : recordsEnd_;
        return starts_[r] <= offset && offset < end;
    };
    if (cursor_ < starts_.size() && within(cursor_)) return cursor_;
    if (cursor_ + 1 < starts_.size() && within(cursor_ + 1)) return ++cursor_;
    auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    cursor_ = static_cast<std::size_t>(it - starts_.begin()) - 1;
    return cursor_;
}

// Bytes from to to of a record's data into the scratch buffer.
Status XmitFraming::ReadRecordData(std::size_t record, std::uint64_t from, std::uint64_t to) {
    scratch_.resize(static_cast<std::size_t>(to - from));
    const auto& pieces = layout_.Pieces();
    std::uint64_t at = 0;  // where the piece starts in the record's data
    for (std::size_t p = layout_.Records()[record].FirstPiece;
         p < layout_.PieceEnd(record) && at < to; ++p) {
        const std::uint64_t end = at + pieces[p].Length;
        if (end > from) {
            const std::uint64_t a = std::max(at, from);
            const std::uint64_t b = std::min(end, to);
            const auto n = static_cast<std::size_t>(b - a);
            auto got = base_->ReadAt(pieces[p].Offset + static_cast<std::int64_t>(a - at),
                                     scratch_.data() + (a - from), n);
            if (!got) return got.Err();
            if (got.Value() != n) {
                Error e;
                e.What = Error::Kind::Damaged;
                e.Caption = "Error reading file";
                e.Message = base_->Name() + ": a record ends early";
                return e;
            }
        }
        at = end;
    }
    return Success();
}

Result<std::size_t> XmitFraming::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
    if (offset < 0 || offset >= size_ || n == 0) return std::size_t{0};
    n = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(n), size_ - offset));
    auto* out = static_cast<std::uint8_t*>(destination);
    const std::int64_t end = offset + static_cast<std::int64_t>(n);
    std::int64_t at = offset;
    auto copyFrom = [&](const std::vector<std::uint8_t>& bytes, std::int64_t base) {
        const std::int64_t upto = std::min(end, base + static_cast<std::int64_t>(bytes.size()));
        std::memcpy(out + (at - offset), bytes.data() + (at - base),
                    static_cast<std::size_t>(upto - at));
        at = upto;
    };
    if (at < static_cast<std::int64_t>(head_.size())) copyFrom(head_, 0);
    while (at < end && at < recordsEnd_) {
        const std::size_t r = RecordAt(at);
        const std::uint64_t length = layout_.Records()[r].Length;
        const std::int64_t start = starts_[r];
        const std::int64_t recordEnd = std::min(end, start + FramedLength(length));
        // The data bytes of the record that this read touches.
        const auto firstSegment = static_cast<std::uint64_t>(at - start) / (kSegmentData + 2);
        const auto lastSegment =
            static_cast<std::uint64_t>(recordEnd - 1 - start) / (kSegmentData + 2);
        const std::uint64_t dataFrom = firstSegment * kSegmentData;
        const std::uint64_t dataTo = std::min(length, (lastSegment + 1) * kSegmentData);
        auto read = ReadRecordData(r, dataFrom, dataTo);
        if (!read) return read.Err();
        for (std::uint64_t s = firstSegment; s <= lastSegment; ++s) {
            const std::uint64_t d = s * kSegmentData;
            const std::uint64_t k = std::min<std::uint64_t>(kSegmentData, length - d);
            std::uint8_t header[2] = {static_cast<std::uint8_t>(2 + k), 0};
            if (s == 0) header[1] |= 0x80;
            if (d + k == length) header[1] |= 0x40;
            const std::int64_t segmentStart =
                start + static_cast<std::int64_t>(s * (kSegmentData + 2));
            for (std::int64_t q = at - segmentStart; q < 2 && at < recordEnd; ++q, ++at) {
                out[at - offset] = header[q];
            }
            const std::int64_t dataEnd =
                std::min<std::int64_t>(recordEnd, segmentStart + 2 + static_cast<std::int64_t>(k));
            if (at < dataEnd) {
                const std::uint64_t from = d + static_cast<std::uint64_t>(at - segmentStart - 2);
                std::memcpy(out + (at - offset), scratch_.data() + (from - dataFrom),
                            static_cast<std::size_t>(dataEnd - at));
                at = dataEnd;
            }
        }
    }
    if (at < end) copyFrom(trailer_, recordsEnd_);
    return n;
}

}  // namespace corvane
