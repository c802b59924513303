// IEBCOPY unload records COPYR1 and COPYR2, the extent table and the scan
// that finds where each member's data begins.
#include "decode/Decode.h"
#include "decode/S390format.h"

namespace corvane {

void TXmitDecoder::ReadCopyR1() {
    ReadSegmentWhole();
    // Tracks per cylinder: the low byte of the device's count, taken as signed.
    // Only the record's first segment carries it.
    if ((SegmentFlags & 0x80) && SegmentLength > 29) {
        TracksPerCylinder = static_cast<std::int8_t>(RecordBuffer[29]);
    }
    Dump(RecordBuffer, static_cast<std::size_t>(SegmentLength), "IEBCOPY UNLOAD Header: COPYR1");
}

bool TXmitDecoder::ReadCopyR2() {
    if (!ReadStrippedRecord()) return false;
    std::int32_t present = RecordLength >= 16 ? (RecordLength - 16) / 16 : 0;
    ExtentCount = RecordLength >= 1 ? RecordBuffer[0] : 0;
    if (ExtentCount > present) ExtentCount = present;
    Extents.assign(static_cast<std::size_t>(ExtentCount), ExtentEntry{});
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < ExtentCount; ++i) {
        const std::size_t e = 16 + 16 * static_cast<std::size_t>(i);
        ExtentEntry& x = Extents[static_cast<std::size_t>(i)];
        x.FirstTrack =
            static_cast<std::int64_t>(BigEndianField(RecordBuffer, e + 6, 2)) * TracksPerCylinder +
            RecordBuffer[e + 9];
        x.LastTrack =
            static_cast<std::int64_t>(BigEndianField(RecordBuffer, e + 10, 2)) * TracksPerCylinder +
            RecordBuffer[e + 13];
        x.TracksBefore = total;
        total += x.LastTrack - x.FirstTrack + 1;
    }
    return true;
}

std::uint32_t TXmitDecoder::RelativeTrack(std::uint32_t cylinder, std::uint32_t head) const {
    std::int64_t track = static_cast<std::int64_t>(cylinder) * TracksPerCylinder + head;
    for (const ExtentEntry& x : Extents) {
        if (x.FirstTrack <= track && track <= x.LastTrack) {
            return static_cast<std::uint32_t>(track - x.FirstTrack + x.TracksBefore) << 8;
        }
    }
    return 0;
}

void TXmitDecoder::LocateMemberData() {
    if (!MemberPositions || MemberPositions->empty()) return;
    FileReader& s = *Stream;
    auto expected = MemberPositions->begin();
    for (;;) {
        const std::int64_t at = s.Position();
        std::uint8_t head[15];
        if (s.Read(head, 2) != 2) return;
        if (head[0] == 0) return;
        s.Seek(at);
        if (head[1] & 0x20) {
            (*MemberPositions)[kClosingTtr] = at;
            return;
        }
        if ((head[1] & 0x80) && expected != MemberPositions->end() && head[0] >= 11) {
            if (s.Read(head, 15) == 15) {
                const std::uint32_t key = expected->first;
                const std::uint8_t* count = head + 2;  // the first block's count field
                if (count[8] == (key & 0xFF) &&
                    RelativeTrack(BigEndianField(count, 4, 2), BigEndianField(count, 6, 2)) ==
                        (key & 0xFFFF00)) {
                    expected->second = at;
                    ++expected;
                }
            }
            s.Seek(at);
        }
        s.Seek(at + head[0]);
        if (s.Position() - 1 > s.Size()) return;
    }
}

}  // namespace corvane
