// The parse loop and the segment layer: records are gathered from their
// segments, and the first/last/control flags must follow each other as the
// format says, so that damage is found where it is instead of later.
#include "decode/ParseRun.h"

#include <cstring>

#include "decode/S390format.h"
#include "text/HexDump.h"

namespace corvane::parse {

ParseRun::ParseRun(BufferedReader& in, bool dump, std::vector<std::string>* dumpLines,
                   const CodePage& characters)
    : in_(in), characters_(characters), dump_(dump && dumpLines != nullptr), dumpLines_(dumpLines) {
    Info.FileSize = in.Size();
}

void ParseRun::Fail(const std::string& message) {
    throw Failure{message};
}

void ParseRun::Dump(const std::uint8_t* bytes, std::size_t n, const std::string& title,
                    std::int64_t offset) {
    if (!dump_) return;
    AppendHexDump(
        bytes, n, offset, title,
        [this](std::string_view line) {
            dumpLines_->emplace_back(line);
            return true;
        },
        &characters_);
}

void ParseRun::Run() {
    while (phase_ != Phase::Done) {
        const std::int64_t at = in_.Position();
        if (at >= in_.Size()) {
            throw ReadError("Unexpected end of file at offset " + std::to_string(at) +
                            ": the INMR06 trailer record was not found");
        }
        PeekSegment();
        recordOffset_ = at;
        if (SegmentFlags & kControlRecord) {
            ReadControlRecord();
            ProcessControlRecord();
        } else {
            ProcessDataRecord();
        }
    }
}

void ParseRun::PeekSegment() {
    const std::int64_t at = in_.Position();
    const int length = in_.ReadByte();
    const int flags = in_.ReadByte();
    in_.Seek(at);
    if (flags < 0) {
        throw ReadError("Unexpected end of file at offset " + std::to_string(at) +
                        ": a segment header is cut short");
    }
    SegmentLength = length;
    SegmentFlags = static_cast<std::uint8_t>(flags);
    if (length == 0) Fail("Invalid xmit record length of zero encountered");
    if (length < 2) Fail("Segment shorter than its header encountered");
}

// Gathers a control record: the first segment whole (its header stays at
// offsets 0 and 1, so the record name is at 2 and text units start at 8 or
// 12), then the data of each later segment.
void ParseRun::ReadControlRecord() {
    record_.clear();
    bool first = true;
    for (;;) {
        PeekSegment();
        if (!(SegmentFlags & kControlRecord)) {
            Fail("Control record continued by a data segment");
        }
        if (first != ((SegmentFlags & kFirstSegment) != 0)) {
            Fail(first ? "Control record does not start with a first segment"
                       : "Control record interrupted by the start of another record");
        }
        const auto length = static_cast<std::size_t>(SegmentLength);
        if (record_.size() + length > kMaxControlRecord) {
            Fail("Control record longer than " + std::to_string(kMaxControlRecord) +
                 " bytes encountered");
        }
        const std::size_t keep = first ? length : length - 2;
        if (!first) in_.Skip(2);
        const std::size_t at = record_.size();
        record_.resize(at + keep);
        in_.ReadExact(record_.data() + at, keep);
        if (first) {
            // A failure from here on names the record being read.
            Reason = LooksLikeXmitRecord(record_.data(), record_.size())
                         ? "INMR0" + std::to_string(record_[7] & 0x0F) + " record"
                         : "Control record";
        }
        first = false;
        if (SegmentFlags & kLastSegment) return;
    }
}

// Gathers a data record's bytes without the segment headers.
void ParseRun::ReadDataRecord() {
    record_.clear();
    bool first = true;
    for (;;) {
        PeekSegment();
        if (SegmentFlags & kControlRecord) {
            Fail(first ? "Data record expected, control record found"
                       : "Data record interrupted by a control record");
        }
        if (first != ((SegmentFlags & kFirstSegment) != 0)) {
            Fail(first ? "Data record does not start with a first segment"
                       : "Data record interrupted by the start of another record");
        }
        const auto n = static_cast<std::size_t>(SegmentLength) - 2;
        if (record_.size() + n > kMaxDataRecord) {
            Fail("Header data record longer than " + std::to_string(kMaxDataRecord) +
                 " bytes encountered");
        }
        in_.Skip(2);
        const std::size_t at = record_.size();
        record_.resize(at + n);
        in_.ReadExact(record_.data() + at, n);
        first = false;
        if (SegmentFlags & kLastSegment) return;
    }
}

}  // namespace corvane::parse
