// Single changes in the structure of a transmission are errors, never a
// success with other bytes; and transmissions that the format allows but a
// narrower reading refused decode.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "InMemory.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
struct Segment {
    std::size_t At;
    std::uint8_t Flags;
    bool Control(char digit) const { return (Flags & 0x20) && digit == 0; }
};

// The segments up to and including INMR06.
std::vector<Segment> Segments(const Bytes& b) {
    std::vector<Segment> out;
    for (std::size_t at = 0; at + 1 < b.size() && b[at] != 0; at += b[at]) {
        out.push_back({at, b[at + 1]});
        if ((b[at + 1] & 0x20) && b[at] >= 8 && b[at + 7] == 0xF6) break;
    }
    return out;
}

// Offset of the n-th segment (from 0) for which pick holds.
std::size_t Find(const Bytes& b, const std::function<bool(std::size_t)>& pick, int n = 0) {
    for (const Segment& s : Segments(b)) {
        if (pick(s.At) && n-- == 0) return s.At;
    }
    throw std::runtime_error("no such segment");
}

// Offset of control record INMR0<digit>, the n-th of its kind.
std::size_t Control(const Bytes& b, int digit, int n = 0) {
    return Find(
        b, [&](std::size_t at) { return (b[at + 1] & 0x20) && b[at + 7] == 0xF0 + digit; }, n);
}

PdsSpec Library() {
    PdsSpec plan;
    plan.Blksize = 200;
    plan.BlocksPerRecord = 2;
    plan.MaxSegment = 120;
    plan.MessageLines = {"HELLO"};
    plan.Members = {{"A", ToEbcdic(std::string(450, 'a')), false, "", {}},
                    {"B", ToEbcdic(std::string(120, 'b')), false, "", {}},
                    {"C", ToEbcdic(std::string(90, 'c')), false, "", {}}};
    return plan;
}

Bytes Sequential() {
    SequentialSpec plan;
    plan.MessageLines = {"HELLO"};
    plan.Records = {ToEbcdic(std::string(400, 's')), ToEbcdic(std::string(80, 't'))};
    return BuildSequential(plan);
}

// Where each member's data begins, and the segment that ends it.
struct Placed {
    std::size_t Start, LastSegment;
};
std::vector<Placed> Place(const Bytes& b) {
    InMemory m(b);
    std::vector<Placed> out;
    for (const MemberEntry& member : m.Info.Members) {
        const auto start = static_cast<std::size_t>(member.DataStart);
        const auto next = static_cast<std::size_t>(member.DataEnd);
        std::size_t last = start;
        while (last + b[last] < next) last += b[last];
        out.push_back({start, last});
    }
    return out;
}
}  // namespace

TEST(Damage, EachClassOfStructuralDamageFailsTheDecode) {
    struct Case {
        const char* what;
        bool pds;
        std::function<void(Bytes&)> damage;
        const char* reason;
        const char* error;
    };
    const Case cases[] = {
        {"control flag cleared on INMR01", false, [](Bytes& b) { b[1] &= ~0x20; }, "",
         "before the INMR03"},
        {"first-segment flag cleared on INMR02", false,
         [](Bytes& b) { b[Control(b, 2) + 1] &= ~0x80; }, "",
         "does not start with a first segment"},
        {"last-segment flag cleared on INMR01", false, [](Bytes& b) { b[1] &= ~0x40; },
         "INMR01 record", "interrupted by the start of another record"},
        {"control record of unknown name", false, [](Bytes& b) { b[Control(b, 3) + 5] = 0xC1; },
         "Control record", "Unknown control record"},
        {"INMR05", false, [](Bytes& b) { b[Control(b, 3) + 7] = 0xF5; }, "Control record",
         "Unknown control record"},
        {"INMR02 turned INMR04", true, [](Bytes& b) { b[Control(b, 2, 1) + 7] = 0xF4; },
         "INMR04 record", "past the end"},
        {"second INMR03 lost", false, [](Bytes& b) { b[Control(b, 3, 1) + 7] = 0xF7; },
         "INMR06 record", "data of file 2 is missing"},
        {"message file number changed", false, [](Bytes& b) { b[Control(b, 2) + 11] = 3; },
         "INMR02 record", "file 3 out of order"},
        {"INMTERM key changed", false,
         [](Bytes& b) {
             const std::size_t at = Control(b, 2);
             for (std::size_t k = at + 12; k < at + b[at]; ++k) {
                 if (b[k] == 0x00 && b[k + 1] == 0x28) b[k + 1] = 0x29;
             }
         },
         "INMR03 record", "is not that of the dataset"},
        {"control flag on a message continuation", false,
         [](Bytes& b) {
             const std::size_t msg = Find(b, [&](std::size_t at) { return b[at + 1] == 0xC0; });
             b[msg + 1] = 0x80;
             b[msg + b[msg] + 1] = 0x60;  // the next segment continues it as a control segment
         },
         "Message data", "interrupted by a control record"},
        {"COPYR1 mark", true,
         [](Bytes& b) {
             b[Find(b, [&](std::size_t at) { return b[at + 3] == 0xCA && b[at + 4] == 0x6D; }) +
               3] = 0xCB;
         },
         "IEBCOPY unload record COPYR1", "COPYR1 not"},
        {"IEBCOPY utility name", true,
         [](Bytes& b) {
             const std::size_t at = Control(b, 2, 1);
             for (std::size_t k = at; k < at + b[at]; ++k) {
                 if (b[k] == 0xC9 && b[k + 1] == 0xC5 && b[k + 2] == 0xC2) b[k + 2] = 0xC3;
             }
         },
         "", "INMUTILN names an unknown utility"},
        {"INMR02 file number in a partitioned dataset", true,
         [](Bytes& b) { b[Control(b, 2, 1) + 11] = 1; }, "", "IEBCOPY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = c.pds ? BuildPds(Library()) : Sequential();
        c.damage(bytes);
        InMemory m(bytes);
        ASSERT_NE(m.Result, 0);
        if (m.Result == -1) continue;  // ran to the end of the file: a read error
        const ErrorReportData& r = m.Reports.at(0);
        EXPECT_NE(r.Details[0].find(c.error), std::string::npos) << r.Details[0];
        if (*c.reason) {
            EXPECT_EQ(r.Reason, c.reason);
        }
    }
}

TEST(Damage, EachClassOfDamageInAMembersDataFailsThatMemberAlone) {
    struct Case {
        const char* what;
        std::size_t victim;
        std::function<void(Bytes&, const std::vector<Placed>&)> damage;
        const char* error;
    };
    using P = const std::vector<Placed>&;
    const Case cases[] = {
        {"record number of the first block", 0, [](Bytes& b, P p) { b[p[0].Start + 10] ^= 0x40; },
         "Cannot find correct data location"},
        {"first-segment flag of a member", 1, [](Bytes& b, P p) { b[p[1].Start + 1] &= ~0x80; },
         "Segment out of sequence"},
        {"control flag on member data", 1, [](Bytes& b, P p) { b[p[1].Start + 1] |= 0x20; },
         "Control record flag inside the data"},
        {"data length of a block", 0, [](Bytes& b, P p) { b[p[0].Start + 13] += 1; },
         "runs past the end of its record"},
        {"end block given a length", 0,
         [](Bytes& b, P p) { b[p[0].LastSegment + b[p[0].LastSegment] - 1] = 1; },
         "runs past the end of its record"},
        {"last-segment flag of a member", 0,
         [](Bytes& b, P p) { b[p[0].LastSegment + 1] &= ~0x40; },
         "End-of-member block is not the end of its record"},
        // The segment chain broken: the members after it are found again.
        {"length of a member's first segment", 1, [](Bytes& b, P p) { b[p[1].Start] = 1; },
         "Cannot find correct data location"},
        {"length of a segment cut short", 1, [](Bytes& b, P p) { b[p[1].Start] -= 7; },
         "Segment out of sequence"},
        {"end block missing", 0,
         [](Bytes& b, P p) {
             const std::size_t at = p[0].LastSegment;  // the end block's own record
             b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                     b.begin() + static_cast<std::ptrdiff_t>(at + b[at]));
         },
         "ends without its end-of-member block"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PdsSpec plan = Library();
        plan.EofInLastRecord = false;
        Bytes bytes = BuildPds(plan);
        c.damage(bytes, Place(bytes));
        InMemory m(bytes);
        ASSERT_EQ(m.Result, 0) << m.Reports.back().Title;
        for (std::size_t i = 0; i < plan.Members.size(); ++i) {
            int r = -1;
            const Bytes data = m.Read(i, &r);
            if (i != c.victim) {
                EXPECT_EQ(r, 0) << i << " " << m.Reports.back().Title;
                EXPECT_EQ(data, plan.Members[i].Data) << i;
                continue;
            }
            EXPECT_EQ(r, 1);
            EXPECT_NE(m.Reports.back().Title.find(c.error), std::string::npos)
                << m.Reports.back().Title;
        }
    }
}

TEST(Damage, SequentialDataEndsOnlyAtAControlRecord) {
    struct Case {
        const char* what;
        std::uint8_t flags;
        const char* error;
    };
    for (Case c : {Case{"control flag on a continuation", 0x60, "Control record flag inside"},
                   Case{"first-segment flag on a continuation", 0xC0, "out of sequence"},
                   Case{"a record without its first segment", 0x00, "out of sequence"}}) {
        SCOPED_TRACE(c.what);
        Bytes bytes = Sequential();
        InMemory good(bytes);
        const auto start = static_cast<std::size_t>(good.Info.DataStart);
        const std::size_t second = start + bytes[start];  // continues the 400-byte record
        bytes[second + 1] = c.flags;
        InMemory m(bytes);
        ASSERT_EQ(m.Result, 0);
        int r = 0;
        m.Read(static_cast<std::size_t>(-1), &r);
        EXPECT_EQ(r, 1);
        EXPECT_NE(m.Reports.at(0).Title.find(c.error), std::string::npos);
    }
}

TEST(Transmissions, MessageThenSequentialDatasetWithoutAName) {
    SequentialSpec plan;
    plan.Qualifiers.clear();
    plan.MessageLines = {"READ ME"};
    plan.Records = {ToEbcdic(std::string(300, 'd'))};
    InMemory m(BuildSequential(plan));
    ASSERT_EQ(m.Result, 0);
    ASSERT_EQ(m.Info.Message.size(), 1u);
    EXPECT_EQ(m.Info.Message[0].rfind("READ ME", 0), 0u);
    EXPECT_EQ(m.Read(static_cast<std::size_t>(-1)), plan.Records[0]);
}

TEST(Transmissions, ControlRecordsSpanningSeveralSegments) {
    for (std::size_t segment : {9u, 20u, 37u}) {
        MemoryOut out;
        XmitWriter w(out);
        w.MaxControlSegment = segment;
        w.Control(1, HeaderUnits());
        w.Control(2, {TextUnit::Text(0x1028, "INMCOPY"), TextUnit::Number(0x003C, 0x4000, 2),
                      TextUnit::Number(0x0042, 80, 2), TextUnit::Name(0x0002, {"SYS1", "LONG"})});
        w.Control(3, {TextUnit::Number(0x0042, 80, 2)});
        w.Record(ToEbcdic(std::string(80, 'x')));
        w.Control(6, {});
        InMemory m(out.Data);
        ASSERT_EQ(m.Result, 0) << segment;
        EXPECT_EQ(m.Info.Transfer.FromNode, "NODEA");
        EXPECT_EQ(present::CreatedText(m.Info.Transfer, present::DateOrder::MonthFirst),
                  "07/04/2003  13:20");
        EXPECT_EQ(m.Info.Dataset.Name, "SYS1.LONG");
        EXPECT_EQ(m.Read(static_cast<std::size_t>(-1)), ToEbcdic(std::string(80, 'x')));
    }
}

TEST(Transmissions, MemberNameUnitInBothLayouts) {
    // IBM's layout (count, then length and name) and the one with two zero
    // bytes after the count.
    const Bytes ibm = {0x00, 0x03, 0x00, 0x01, 0x00, 0x03, 0xD4, 0xC5, 0xD4};
    const Bytes padded = {0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0xD4, 0xC5, 0xD4};
    for (const Bytes& unit : {ibm, padded}) {
        MemoryOut out;
        XmitWriter w(out);
        w.Control(1, HeaderUnits());
        Bytes record = ToEbcdic("INMR02");
        record.insert(record.end(), {0, 0, 0, 1});
        const Bytes name = {0x00, 0x02, 0x00, 0x01, 0x00, 0x03, 0xC1, 0xC2, 0xC3};
        record.insert(record.end(), name.begin(), name.end());
        record.insert(record.end(), unit.begin(), unit.end());
        w.Segment(static_cast<std::uint8_t>(record.size() + 2), 0xE0, record);
        w.Control(3, {});
        w.Record(Bytes(8, 0xC1));
        w.Control(6, {});
        InMemory m(out.Data);
        ASSERT_EQ(m.Result, 0);
        EXPECT_EQ(m.Info.Dataset.Name, "ABC(MEM)");
    }
}

TEST(Transmissions, RecordRejectedWhileBeingReadIsNamed) {
    // INMR02 with a zero length in its second segment, and one too long.
    for (bool zero : {true, false}) {
        MemoryOut out;
        XmitWriter w(out);
        w.Control(1, HeaderUnits());
        w.MaxControlSegment = 40;
        std::vector<TextUnit> units = {TextUnit::Text(0x1028, "INMCOPY")};
        for (int k = 0; k < (zero ? 3 : 14000); ++k) units.push_back(TextUnit::Text(0x1029, "P"));
        const std::size_t at = out.Data.size();
        w.Control(2, units);
        if (zero) out.Data[at + 40] = 0;
        w.Control(6, {});
        InMemory m(out.Data);
        ASSERT_EQ(m.Result, 1);
        EXPECT_EQ(m.Reports.at(0).Reason, "INMR02 record");
    }
}

TEST(Transmissions, DatasetNameFillingItsFieldThenAMemberName) {
    for (std::size_t length = 90; length <= 104; ++length) {
        SCOPED_TRACE(length);
        std::vector<std::string> qualifiers;
        for (std::size_t left = length; left > 0;) {
            const std::size_t n = std::min<std::size_t>(left, 8);
            qualifiers.push_back(std::string(n, 'Q'));
            left -= n;
        }
        auto units = std::vector<TextUnit>{TextUnit::Name(0x0002, qualifiers),
                                           TextUnit::Name(0x0003, {"MEMBER"})};
        MemoryOut out;
        XmitWriter w(out);
        w.Control(1, HeaderUnits());
        w.Control(2, units);
        w.Control(3, {});
        w.Record(Bytes(8, 0xC1));
        w.Control(6, {});
        InMemory m(out.Data);
        ASSERT_EQ(m.Result, 0);
        EXPECT_EQ(m.Info.Dataset.Name.rfind("QQQQQQQQ.", 0), 0u);
        EXPECT_EQ(m.Info.Dataset.Name.substr(m.Info.Dataset.Name.size() - 8), "(MEMBER)");
    }
}

TEST(Transmissions, AMemberWhoseDataIsNotFoundHidesNoOther) {
    PdsSpec plan = Library();
    Bytes bytes = BuildPds(plan);
    const auto placed = Place(bytes);
    bytes[placed[0].Start + 10] ^= 0x40;  // the first member's record number
    InMemory m(bytes);
    ASSERT_EQ(m.Result, 0);
    int failed = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < plan.Members.size(); ++i) {
            int r = 0;
            const Bytes data = m.Read(i, &r);
            failed += r;
            if (i > 0) {
                EXPECT_EQ(data, plan.Members[i].Data);
            }
        }
    }
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(m.Reports.back().Title, "Cannot find correct data location for");
}
