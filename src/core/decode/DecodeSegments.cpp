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

bool TXmitDecoder::ReadControlRecord() {
    WritePosition = 0;
    RecordLength = 0;
    do {
        PeekSegment();
        if (SegmentLength == 0) return Fail("Invalid xmit record length of zero encountered");
        if (WritePosition + static_cast<std::size_t>(SegmentLength) > kRecordBufferSize) {
            return Fail("Control record longer than " + std::to_string(kRecordBufferSize) +
                        " bytes encountered");
        }
        Stream->ReadExact(RecordBuffer + WritePosition, static_cast<std::size_t>(SegmentLength));
        RecordLength += SegmentLength;
        WritePosition += static_cast<std::size_t>(SegmentLength);
    } while (!(SegmentFlags & 0x40));
    return true;
}

bool TXmitDecoder::ReadStrippedRecord() {
    WritePosition = 0;
    RecordLength = 0;
    do {
        std::uint8_t header[2];
        Stream->ReadExact(header, 2);
        SegmentFlags = header[1];
        if (header[0] == 0) {
            SegmentLength = 0;
            return Fail("Invalid xmit record length of zero encountered");
        }
        SegmentLength = DataLength(header[0]);
        if (WritePosition + static_cast<std::size_t>(SegmentLength) > kRecordBufferSize) {
            return Fail("IEBCOPY unload record longer than " + std::to_string(kRecordBufferSize) +
                        " bytes encountered");
        }
        Stream->ReadExact(RecordBuffer + WritePosition, static_cast<std::size_t>(SegmentLength));
        RecordLength += SegmentLength;
        WritePosition += static_cast<std::size_t>(SegmentLength);
    } while (!(SegmentFlags & 0x40));
    Dump(RecordBuffer, static_cast<std::size_t>(RecordLength), "IEBCOPY UNLOAD Header: COPYR2");
    return true;
}

void TXmitDecoder::ReadSegmentWhole() {
    // SegmentLength is at most 255, well inside RecordBuffer.
    Stream->ReadExact(RecordBuffer, static_cast<std::size_t>(SegmentLength));
}

bool TXmitDecoder::ReadDirectorySegmentHeader(std::int32_t& bytesLeft) {
    std::uint8_t b = 0;
    Stream->ReadExact(&b, 1);
    SegmentLength = b;
    if (b == 0) return Fail("Invalid xmit record length of zero encountered");
    Stream->ReadExact(&SegmentFlags, 1);
    bytesLeft = DataLength(b);
    return true;
}

bool TXmitDecoder::ReadDirectoryBlocks() {
    MemberPositions = std::make_unique<MemberPositionMap>();
    std::int32_t bytesLeft = 0;
    if (!ReadDirectorySegmentHeader(bytesLeft)) return false;
    LastDirectoryBlock = false;
    std::size_t filled = 0;
    std::size_t needed = kDirectoryBlockSize;
    for (;;) {
        if (LastDirectoryBlock) {
            // The rest of the segment after the end of the directory is dropped.
            Stream->ReadExact(RecordBuffer, static_cast<std::size_t>(bytesLeft));
            return true;
        }
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
        ParseDirectoryBlock();
    }
}

}  // namespace corvane
