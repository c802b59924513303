// IEBCOPY unload records COPYR1 and COPYR2, the extent table and the scan
// that finds where each member's data begins.
#include <cstring>

#include "decode/Decode.h"
#include "decode/S390format.h"

namespace corvane {

namespace {
constexpr std::uint8_t kCopyR1Mark[3] = {0xCA, 0x6D, 0x0F};
constexpr std::uint8_t kInmr0[5] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0};
constexpr std::int32_t kMaxExtents = 16;  // COPYR2 holds 16 extent entries
}  // namespace

bool TXmitDecoder::ReadCopyR1() {
    if (!ReadStrippedRecord("IEBCOPY UNLOAD Header: COPYR1")) return false;
    // The record carries X'CA6D0F' at 1 to 3; tracks per cylinder is the low
    // byte of the device's count at 27, taken as signed.
    if (RecordLength < 28 || std::memcmp(RecordBuffer + 1, kCopyR1Mark, 3) != 0) {
        return Fail("IEBCOPY unload record COPYR1 not found where it belongs");
    }
    TracksPerCylinder = static_cast<std::int8_t>(RecordBuffer[27]);
    return true;
}

bool TXmitDecoder::ReadCopyR2() {
    if (!ReadStrippedRecord("IEBCOPY UNLOAD Header: COPYR2")) return false;
    ExtentCount = RecordLength >= 1 ? RecordBuffer[0] : 0;
    if (ExtentCount == 0 || ExtentCount > kMaxExtents || RecordLength < 16 + 16 * ExtentCount) {
        return Fail("IEBCOPY unload record COPYR2 holds " + std::to_string(ExtentCount) +
                    " extents in " + std::to_string(RecordLength) + " bytes");
    }
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

// One pass over the member data records: the first block of every logical
// record names its track and record; a record whose address is a member's
// TTR not yet placed is where that member's data begins. Each look-up is a
// map search, so damage that leaves members unplaced costs no more than a
// healthy file, and an unplaced member does not hide the ones after it.
void TXmitDecoder::LocateMemberData() {
    if (!MemberPositions || MemberPositions->empty()) return;
    FileReader& s = *Stream;
    const std::int64_t size = s.Size();
    bool inRecord = false;
    std::uint8_t before = 0x88;  // block flag of the record before: the start counts as X'88'
    for (;;) {
        const std::int64_t at = s.Position();
        std::uint8_t head[11];
        if (s.Read(head, 2) != 2 || head[0] == 0) return;
        const std::uint8_t flags = head[1];
        // A record starts after the last segment of the one before, whatever
        // this segment's flags say: a damaged flag must not move a member's
        // start to a later record of the same address (its reader then
        // reports the damage).
        const bool start = (flags & 0x80) || !inRecord;
        inRecord = (flags & 0x40) == 0;
        if (start) {
            const std::size_t want = head[0] < 11 ? (head[0] < 2 ? 0u : head[0] - 2u) : 9u;
            const std::size_t got = s.Read(head + 2, want);
            if ((flags & 0x20) && got >= 6 && std::memcmp(head + 2, kInmr0, 5) == 0) {
                (*MemberPositions)[kClosingTtr] = at;  // the control record after the data
                return;
            }
            // A member begins with a data block (flag X'00'). In a PDSE unload
            // every block of a member carries its address, so its end block
            // (X'80') begins an empty member only right after the previous
            // member's closing blocks (X'84') or the unload's first record
            // (X'88'), not after data that went unmatched.
            const std::uint8_t blockFlag = got >= 1 ? head[2] : 0xFF;
            const bool candidate =
                blockFlag == 0 || (blockFlag == 0x80 && (before == 0x84 || before == 0x88));
            before = blockFlag;
            if (got == 9 && candidate) {
                const std::uint8_t* count = head + 2;  // the first block's count field
                const std::uint32_t ttr =
                    RelativeTrack(BigEndianField(count, 4, 2), BigEndianField(count, 6, 2)) |
                    count[8];
                auto it = MemberPositions->find(ttr);
                if (it != MemberPositions->end() && it->second == 0) it->second = at;
            }
        }
        s.Seek(at + head[0]);
        if (at + head[0] - 1 > size) return;
    }
}

}  // namespace corvane
