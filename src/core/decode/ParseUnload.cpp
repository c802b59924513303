// Data records by phase: messages, the IEBCOPY unload records COPYR1 and
// COPYR2 with the extent table, and the scan that finds where each member's
// data begins.
#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "decode/ParseRun.h"
#include "decode/S390format.h"
#include "decode/XmitParser.h"

namespace corvane::parse {

namespace {
constexpr std::uint8_t kCopyr1Mark[3] = {0xCA, 0x6D, 0x0F};
}

void ParseRun::ProcessDataRecord() {
    switch (phase_) {
        case Phase::Headers:
            if (!sequentialNext_) Fail("Data record met before the INMR03 record of its file");
            Info.DataStart = recordOffset_;
            Info.DataHoldsXmit = SequentialDataHoldsXmit();
            phase_ = Phase::Done;
            return;
        case Phase::Message:
            Reason = "Message data";
            ReadMessageRecord();
            return;
        case Phase::Copyr1:
            Reason = "IEBCOPY unload record COPYR1";
            ReadCopyR1();
            phase_ = Phase::Copyr2;
            return;
        case Phase::Copyr2:
            Reason = "IEBCOPY unload record COPYR2";
            ReadCopyR2();
            phase_ = Phase::Directory;
            return;
        case Phase::Directory:
            Reason = "Member directory blocks";
            ReadDirectory();
            phase_ = Phase::Members;
            return;
        case Phase::Members:
            Reason = "Member data";
            Info.DataStart = recordOffset_;
            LocateMemberData();
            phase_ = Phase::Done;
            return;
        case Phase::Done:
            return;
    }
}

// The first bytes of the sequential data, gathered from its first segments:
// whether they start an XMIT file.
bool ParseRun::SequentialDataHoldsXmit() {
    std::uint8_t head[8];
    std::size_t have = 0;
    std::int64_t at = recordOffset_;
    while (have < sizeof head) {
        in_.Seek(at);
        std::uint8_t segment[2];
        if (in_.Read(segment, 2) != 2 || segment[0] < 2 || (segment[1] & kControlRecord)) break;
        const std::size_t take = std::min<std::size_t>(segment[0] - 2u, sizeof head - have);
        if (in_.Read(head + have, take) != take) break;
        have += take;
        at += segment[0];
    }
    in_.Seek(recordOffset_);
    return StartsWithXmitHeader(head, have);
}

// Each segment of a message record is one line of the message.
void ParseRun::ReadMessageRecord() {
    bool first = true;
    std::uint8_t segment[255];
    for (;;) {
        PeekSegment();
        if (SegmentFlags & kControlRecord) Fail("Data record interrupted by a control record");
        if (first != ((SegmentFlags & kFirstSegment) != 0)) {
            Fail(first ? "Data record does not start with a first segment"
                       : "Data record interrupted by the start of another record");
        }
        const std::int64_t at = in_.Position();
        const auto length = static_cast<std::size_t>(SegmentLength);
        in_.ReadExact(segment, length);
        // A line ends at its first NUL.
        std::size_t end = 2;
        while (end < length && segment[end] != 0x00) ++end;
        Info.Message.push_back(Text(segment + 2, end - 2));
        Dump(segment, length, "Message Data:", at);
        first = false;
        if (SegmentFlags & kLastSegment) return;
    }
}

void ParseRun::ReadCopyR1() {
    ReadDataRecord();
    Dump(record_.data(), record_.size(), "IEBCOPY UNLOAD Header: COPYR1", recordOffset_);
    if (record_.size() < 4 || !std::equal(kCopyr1Mark, kCopyr1Mark + 3, record_.begin() + 1)) {
        Fail("IEBCOPY unload record COPYR1 not recognised");
    }
    // Tracks per cylinder: the low byte of the device's count, taken as signed.
    if (record_.size() > 27) tracksPerCylinder_ = static_cast<std::int8_t>(record_[27]);
}

void ParseRun::ReadCopyR2() {
    ReadDataRecord();
    Dump(record_.data(), record_.size(), "IEBCOPY UNLOAD Header: COPYR2", recordOffset_);
    const std::size_t n = record_.size();
    if (n < 16) Fail("IEBCOPY unload record COPYR2 too short");
    const std::size_t present = (n - 16) / 16;
    std::size_t count = record_[0];
    if (count > present) count = present;
    extents_.assign(count, ExtentEntry{});
    std::int64_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = 16 + 16 * i;
        ExtentEntry& x = extents_[i];
        x.FirstTrack = static_cast<std::int64_t>(BigEndianField(record_.data(), e + 6, 2)) *
                           tracksPerCylinder_ +
                       record_[e + 9];
        x.LastTrack = static_cast<std::int64_t>(BigEndianField(record_.data(), e + 10, 2)) *
                          tracksPerCylinder_ +
                      record_[e + 13];
        x.TracksBefore = total;
        total += x.LastTrack - x.FirstTrack + 1;
    }
}

std::uint32_t ParseRun::RelativeTrack(std::uint32_t cylinder, std::uint32_t head) const {
    const std::int64_t track = static_cast<std::int64_t>(cylinder) * tracksPerCylinder_ + head;
    for (const ExtentEntry& x : extents_) {
        if (x.FirstTrack <= track && track <= x.LastTrack) {
            return static_cast<std::uint32_t>(track - x.FirstTrack + x.TracksBefore) << 8;
        }
    }
    return 0;
}

// Walks the member data records up to the closing control record. A record
// whose first block's address (cylinder, head and record through the
// extents) is a member's TTR starts that member's data; it ends where the
// next member found starts, or at the closing record.
void ParseRun::LocateMemberData() {
    std::unordered_map<std::uint32_t, std::int64_t> starts;
    starts.reserve(Info.Members.size());
    for (const MemberEntry& m : Info.Members) starts.emplace(m.Ttr, -1);

    // The members' addresses in order: a member's blocks lie below the
    // next member's address, so a record at or above it starts another
    // member's data even when no block is at that address exactly.
    std::vector<std::uint32_t> addresses;
    addresses.reserve(starts.size());
    for (const auto& [ttr, unused] : starts) addresses.push_back(ttr);
    std::sort(addresses.begin(), addresses.end());
    std::uint32_t below = 0;  // the address the member being walked stays below; 0: none known
    const auto beyond = [&](std::uint32_t address) {
        auto next = std::upper_bound(addresses.begin(), addresses.end(), address);
        return next == addresses.end() ? 0 : *next;
    };
    std::vector<std::int64_t> found;
    // What the members hold whose data is a container: a transmission or another.
    std::unordered_map<std::uint32_t, Content> holds;
    bool first = true;  // the next segment must start a record
    // The record's first bytes: the count field, and for a record that starts
    // a member also the key and the first data bytes, to see whether the
    // member holds a transmission.
    std::uint8_t head[12 + 255 + kSniffBytes];
    const std::uint8_t* count = head;
    std::size_t want = 12;
    std::size_t have = 0;
    std::uint32_t sniffed = 0;      // the TTR of the member being looked at
    std::uint8_t previousFlag = 0;  // the first block's flag of the record before
    std::int64_t recordStart = 0;
    // Damage in the member data does not stop the file from opening: the
    // members before it are read as they are, and the member it is in fails
    // when it is read, because its data ends before its end-of-member block.
    auto stop = [&](std::int64_t at, const std::string& why) {
        Info.DataEnd = at < in_.Size() ? at : in_.Size();
        Info.Notices.push_back({why + " at offset " + std::to_string(Info.DataEnd), 1});
    };
    // A member's data whose start was found: the walk is sound up to here.
    std::int64_t trusted = in_.Position();
    // After damage the chain of segments is found again at the first place
    // past the last sound record where a segment starts a record whose
    // first block is a member not yet found: the members after the damage
    // are read as if it were not there. -1 when there is none.
    auto resume = [&](std::int64_t from) -> std::int64_t {
        constexpr std::size_t kLook = 14;  // a segment header and a count field
        if (from + static_cast<std::int64_t>(kLook) > in_.Size()) return -1;
        // No more than the rest of the file, and not cleared: only what was
        // read is looked at.
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::int64_t>(1 << 16, in_.Size() - from));
        const std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[size]);
        for (std::int64_t base = from; base + static_cast<std::int64_t>(kLook) <= in_.Size();) {
            in_.Seek(base);
            const std::size_t got = in_.Read(chunk.get(), size);
            if (got < kLook) break;
            for (std::size_t i = 0; i + kLook <= got; ++i) {
                const std::uint8_t* b = chunk.get() + i;
                const std::uint8_t* c = b + 2;
                if (b[0] < kLook || (b[1] & kFirstSegment) == 0 || (b[1] & kControlRecord) != 0 ||
                    c[0] != 0x00) {
                    continue;
                }
                const std::uint32_t ttr =
                    RelativeTrack(BigEndianField(c, 4, 2), BigEndianField(c, 6, 2)) | c[8];
                const auto it = starts.find(ttr);
                if (it != starts.end() && it->second < 0)
                    return base + static_cast<std::int64_t>(i);
            }
            base += static_cast<std::int64_t>(got - kLook + 1);
        }
        return -1;
    };
    // Damage found at: the walk goes on after it, or stops there.
    auto damaged = [&](std::int64_t at, const std::string& why) {
        const std::int64_t again = resume(trusted + 1);
        if (again < 0) {
            stop(at, why);
            return false;
        }
        Info.Notices.push_back({why + " at offset " + std::to_string(at) +
                                    "; the members from offset " + std::to_string(again) +
                                    " on are read",
                                1});
        // Record starts the astray walk took from the bytes after the place
        // found again are walked again.
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](std::int64_t start) { return start >= again; }),
                    found.end());
        in_.Seek(again);
        trusted = again;
        return true;
    };
    // The count field of a record's first block is complete.
    auto counted = [&] {
        // A member starts at a data block, or, when it has no data, at the
        // end block after the one that closed the member before (PDSE
        // unloads mark their other blocks with their flags).
        const std::uint8_t flag = count[0];
        const std::size_t dataLength = BigEndianField(count, 10, 2);
        const bool startsMember = flag == 0x00 || (flag == 0x80 && dataLength == 0 &&
                                                   (previousFlag == 0x84 || previousFlag == 0x88));
        const std::uint32_t ttr =
            RelativeTrack(BigEndianField(count, 4, 2), BigEndianField(count, 6, 2)) | count[8];
        auto it = startsMember ? starts.find(ttr) : starts.end();
        if (it != starts.end() && it->second < 0) {
            it->second = recordStart;
            trusted = recordStart;
            found.push_back(recordStart);
            below = beyond(ttr);
            if (dataLength > 0) {
                want = 12 + count[9] + std::min<std::size_t>(kSniffBytes, dataLength);
                sniffed = ttr;
                if (dataLength < kSniffBytes) ShortFirstBlocks.push_back(ttr);
            }
        } else if (below != 0 && ttr >= below && flag == 0x00) {
            // The next member's data, its first block not found: the member
            // before ends here, whether or not its end block came.
            found.push_back(recordStart);
            below = beyond(ttr);
        }
        previousFlag = flag;
    };
    for (;;) {
        const std::int64_t at = in_.Position();
        const int length = in_.ReadByte();
        const int flags = in_.ReadByte();
        in_.Seek(at);
        if (flags < 0) {
            if (damaged(at, "Member data cut short by the end of the file")) {
                first = true;
                continue;
            }
            break;
        }
        SegmentLength = length;
        SegmentFlags = static_cast<std::uint8_t>(flags);
        if (length < 2) {
            if (damaged(at, "Member data segment with a wrong length")) {
                first = true;
                continue;
            }
            break;
        }
        if ((SegmentFlags & kControlRecord) && first) {
            std::uint8_t name[8] = {};
            if (in_.Read(name, 8) == 8 && LooksLikeXmitRecord(name, 8)) {
                in_.Seek(at);
                Info.DataEnd = at;
                // A closing record of one segment ends the file here.
                if (name[7] == 0xF6 && (SegmentFlags & kLastSegment)) Info.TrailerEnd = at + length;
                break;
            }
            in_.Seek(at);
        }
        // Damaged flags are left to the read of the member they are in; a
        // record starts after a segment that ended one.
        if (first || (SegmentFlags & kFirstSegment)) {
            have = 0;
            want = 12;
            recordStart = at;
        }
        const auto n = static_cast<std::size_t>(SegmentLength) - 2;
        if (have < want) {
            in_.Skip(2);
            std::size_t used = 0;
            bool cut = false;
            while (have < want && used < n) {
                const std::size_t take = std::min(n - used, want - have);
                if (in_.Read(head + have, take) != take) {
                    cut = true;
                    break;
                }
                used += take;
                const bool counting = have < 12;
                have += take;
                if (counting && have == 12) {
                    counted();
                } else if (have == want) {
                    const std::size_t key = 12 + count[9];
                    const Content held = HeldContent(head + key, want - key);
                    if (held != Content::Unknown) holds[sniffed] = held;
                }
            }
            if (cut && have < 12) {
                if (damaged(at, "Member data cut short by the end of the file")) {
                    first = true;
                    continue;
                }
                break;
            }
            if (cut) want = have;  // the first data bytes are left to the read
        }
        in_.Seek(at + SegmentLength);
        first = (SegmentFlags & kLastSegment) != 0;
    }
    // Each member ends where the next one found begins.
    std::sort(found.begin(), found.end());
    for (MemberEntry& m : Info.Members) {
        const std::int64_t start = starts[m.Ttr];
        if (start < 0) continue;
        m.DataStart = start;
        auto next = std::upper_bound(found.begin(), found.end(), start);
        m.DataEnd = next == found.end() ? Info.DataEnd : *next;
        const auto held = holds.find(m.Ttr);
        const Content content = held == holds.end() ? Content::Unknown : held->second;
        m.HoldsXmit = content == Content::Xmit;
        m.Holds = m.HoldsXmit ? Content::Unknown : content;
    }
}

}  // namespace corvane::parse
