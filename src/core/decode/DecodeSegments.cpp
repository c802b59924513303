// The segment reader of the decoder: peeks, control records, records with
// their segment headers removed, whole segments and directory blocks.
#include <cstring>

#include "decode/Decode.h"

namespace corvane {

namespace {
// A segment's data length; a length byte below 2 carries no data.
inline std::int32_t DataLength(std::int32_t length) {
    return length < 2 ? 0 : length - 2;
}

constexpr const char* kZeroLength = "Invalid xmit record length of zero encountered";
}  // namespace

std::uint8_t TXmitDecoder::PeekFlags() {
    std::int64_t at = Stream->Position();
    if (at >= Stream->Size()) {
        throw ReadError("Unexpected end of file at offset " + std::to_string(at) +
                        ": the INMR06 trailer record was not found");
    }
    Stream->Skip(1);
    int b = Stream->ReadByte();
    if (b >= 0) SegmentFlags = static_cast<std::uint8_t>(b);
    Stream->Seek(at);
    return SegmentFlags;
}

void TXmitDecoder::PeekSegment() {
    std::int64_t at = Stream->Position();
    int length = Stream->ReadByte();
    int flags = Stream->ReadByte();
    if (length >= 0) SegmentLength = length;
    if (flags >= 0) SegmentFlags = static_cast<std::uint8_t>(flags);
    Stream->Seek(at);
}

// Every segment either starts a logical record (first-segment flag) or
// continues the open one; a record ends with the last-segment flag. A data
// record's continuation never carries the control-record flag.
bool TXmitDecoder::CheckSegment(std::uint8_t flags) {
    const bool first = (flags & 0x80) != 0;
    if (first && inRecord_) {
        return Fail("Segment out of sequence: a record starts before the previous one ended");
    }
    if (!first && !inRecord_) {
        return Fail("Segment out of sequence: a continuation segment outside any record");
    }
    if (first) {
        recordIsControl_ = (flags & 0x20) != 0;
    } else if ((flags & 0x20) && !recordIsControl_) {
        return Fail("Control record flag inside a data record encountered");
    }
    inRecord_ = (flags & 0x40) == 0;
    return true;
}

// Gathers a control record: the first segment whole (its header stays at
// bytes 0 and 1, the name at 2 to 7), then only the data of later segments,
// so that text units run on across segment boundaries.
bool TXmitDecoder::ReadControlRecord() {
    WritePosition = 0;
    RecordLength = 0;
    PeekSegment();
    if (SegmentLength == 0) return Fail(kZeroLength);
    if (!CheckSegment(SegmentFlags)) return false;
    Stream->ReadExact(RecordBuffer, static_cast<std::size_t>(SegmentLength));
    RecordLength = SegmentLength;
    WritePosition = static_cast<std::size_t>(SegmentLength);
    // From here a failure names this record, not the one before it.
    const int type = ControlRecordType();
    ErrorReason = type != 0 ? "INMR0" + std::to_string(type) + " record" : "Control record";
    while (!(SegmentFlags & 0x40)) {
        std::uint8_t header[2];
        Stream->ReadExact(header, 2);
        SegmentLength = header[0];
        SegmentFlags = header[1];
        if (SegmentLength == 0) return Fail(kZeroLength);
        if (!CheckSegment(SegmentFlags)) return false;
        const auto n = static_cast<std::size_t>(DataLength(SegmentLength));
        if (WritePosition + n > kRecordBufferSize) {
            return Fail("Control record longer than " + std::to_string(kRecordBufferSize) +
                        " bytes encountered");
        }
        Stream->ReadExact(RecordBuffer + WritePosition, n);
        WritePosition += n;
        RecordLength += static_cast<std::int32_t>(n);
    }
    return true;
}

bool TXmitDecoder::ReadStrippedRecord(const char* dumpTitle) {
    WritePosition = 0;
    RecordLength = 0;
    do {
        std::uint8_t header[2];
        Stream->ReadExact(header, 2);
        SegmentFlags = header[1];
        if (header[0] == 0) {
            SegmentLength = 0;
            return Fail(kZeroLength);
        }
        if (!CheckSegment(SegmentFlags)) return false;
        SegmentLength = DataLength(header[0]);
        if (WritePosition + static_cast<std::size_t>(SegmentLength) > kRecordBufferSize) {
            return Fail("IEBCOPY unload record longer than " + std::to_string(kRecordBufferSize) +
                        " bytes encountered");
        }
        Stream->ReadExact(RecordBuffer + WritePosition, static_cast<std::size_t>(SegmentLength));
        RecordLength += SegmentLength;
        WritePosition += static_cast<std::size_t>(SegmentLength);
    } while (!(SegmentFlags & 0x40));
    Dump(RecordBuffer, static_cast<std::size_t>(RecordLength), dumpTitle);
    return true;
}

bool TXmitDecoder::ReadSegmentWhole() {
    if (!CheckSegment(SegmentFlags)) return false;
    // SegmentLength is at most 255, well inside RecordBuffer.
    Stream->ReadExact(RecordBuffer, static_cast<std::size_t>(SegmentLength));
    return true;
}

bool TXmitDecoder::ReadDirectorySegmentHeader(std::int32_t& bytesLeft) {
    std::uint8_t b = 0;
    Stream->ReadExact(&b, 1);
    SegmentLength = b;
    if (b == 0) return Fail(kZeroLength);
    Stream->ReadExact(&SegmentFlags, 1);
    if (!CheckSegment(SegmentFlags)) return false;
    bytesLeft = DataLength(b);
    return true;
}

// After the last directory block: what is left of its logical record (the
// 12-byte end-of-directory marker) is read and dropped.
bool TXmitDecoder::SkipRestOfRecord(std::int32_t bytesLeft) {
    for (;;) {
        Stream->ReadExact(RecordBuffer, static_cast<std::size_t>(bytesLeft));
        if (!inRecord_) return true;
        if (!ReadDirectorySegmentHeader(bytesLeft)) return false;
    }
}

bool TXmitDecoder::ReadDirectoryBlocks() {
    MemberPositions = std::make_unique<MemberPositionMap>();
    std::int32_t bytesLeft = 0;
    if (!ReadDirectorySegmentHeader(bytesLeft)) return false;
    LastDirectoryBlock = false;
    std::size_t filled = 0;
    std::size_t needed = kDirectoryBlockSize;
    for (;;) {
        if (LastDirectoryBlock) return SkipRestOfRecord(bytesLeft);
        while (needed > static_cast<std::size_t>(bytesLeft)) {
            Stream->ReadExact(RecordBuffer + filled, static_cast<std::size_t>(bytesLeft));
            filled += static_cast<std::size_t>(bytesLeft);
            needed -= static_cast<std::size_t>(bytesLeft);
            if (!ReadDirectorySegmentHeader(bytesLeft)) return false;
        }
        Stream->ReadExact(RecordBuffer + filled, needed);
        bytesLeft -= static_cast<std::int32_t>(needed);
        filled = 0;
        needed = kDirectoryBlockSize;
        RecordOffset = Stream->Position() - static_cast<std::int64_t>(kDirectoryBlockSize);
        Dump(RecordBuffer, 30, "Directory Block Record Length: 276 (first 30 bytes)");
        if (!ParseDirectoryBlock()) return false;
    }
}

}  // namespace corvane
