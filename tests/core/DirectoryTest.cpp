#include <gtest/gtest.h>

#include "Decoded.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
PdsSpec IspfPds() {
    PdsSpec plan;
    plan.Members = {
        {"ALPHA", ToEbcdic(std::string(800, 'A')), false, "",
         IspfStats(2, 17, 1, 0x02, 74, 14, 35, "JOE")},
        {"BETA", ToEbcdic(std::string(2000, 'B')), false, "",
         IspfStats(1, 0, 0, 97, 1, 9, 5, "ANN")},
        {"BETALIAS", {}, true, "BETA", {}},
        {"SHORT", ToEbcdic(std::string(80, 'S')), false, "", Bytes(28, 0)},
        {"NOSTATS", ToEbcdic(std::string(80, 'N')), false, "", {}},
    };
    return plan;
}

PdsSpec LoadPds() {
    PdsSpec plan;
    plan.Recfm = 0xC000;
    plan.Lrecl = 0;
    plan.Blksize = 1024;
    plan.Members = {
        {"PROGA", Bytes(3000, 0x47), false, "", LoadModuleData(0xC2, 0x000A38, 0x10, 0x12, 1)},
        {"PROGB", Bytes(100, 0x05), false, "", LoadModuleData(0x00, 0x64, 0, 0x03, 0)},
        {"ALIASA", {}, true, "PROGA", LoadModuleData(0xC2, 0x000A38, 0x10, 0x01, 0, "PROGA")},
    };
    return plan;
}

Bytes DirectoryBlock(const std::vector<Bytes>& entries, bool endKey, std::uint8_t usedHigh,
                     std::uint8_t usedLow) {
    Bytes block = {0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 1, 0};
    Bytes key = endKey ? Bytes(8, 0xFF) : ToEbcdic("ZZZZZZZZ");
    block.insert(block.end(), key.begin(), key.end());
    Bytes area = {usedHigh, usedLow};
    for (const Bytes& e : entries) area.insert(area.end(), e.begin(), e.end());
    area.resize(256, 0);
    block.insert(block.end(), area.begin(), area.end());
    return block;
}

Bytes Entry(const std::string& name, std::uint32_t ttr, std::uint8_t indicator,
            std::size_t userBytes) {
    std::string n = name;
    n.resize(8, ' ');
    Bytes e = ToEbcdic(n);
    Bytes t = BigEndian(ttr, 3);
    e.insert(e.end(), t.begin(), t.end());
    e.push_back(indicator);
    e.insert(e.end(), userBytes, 0);
    return e;
}
}  // namespace

TEST(Directory, IspfColumnsAndRows) {
    Decoded d(BuildPds(IspfPds()));
    ASSERT_EQ(d.Result, 0) << d.ReadFailure;
    ASSERT_EQ(d.List.Columns.size(), 6u);
    const char* captions[] = {"Member", "Alias?", "Created", "Modified", "User ID", "Version"};
    const int widths[] = {80, 80, 70, 105, 70, 50};
    for (std::size_t c = 0; c < 6; ++c) {
        EXPECT_EQ(d.List.Columns[c].Caption, captions[c]);
        EXPECT_EQ(d.List.Columns[c].Width, widths[c]);
        EXPECT_EQ(d.List.Columns[c].Align, ColumnAlign::Center);
    }
    ASSERT_EQ(d.List.Rows.size(), 5u);
    EXPECT_EQ(d.Decoder.MemberCount, 5);
    const auto& alpha = d.List.Rows[0];
    EXPECT_EQ(alpha.Caption, "ALPHA   ");  // trailing blanks kept
    EXPECT_EQ(alpha.SubItems, (std::vector<std::string>{" ", "03/15/2002", "03/15/2002  14:35",
                                                        "JOE     ", "2-17"}));
    EXPECT_EQ(d.List.Rows[1].SubItems[1], "01/01/1997");
    EXPECT_EQ(d.List.Rows[2].SubItems, (std::vector<std::string>{"Alias"}));
    EXPECT_EQ(d.List.Rows[2].Ttr.Get(), d.List.Rows[1].Ttr.Get());
    EXPECT_EQ(d.List.Rows[3].SubItems, (std::vector<std::string>{" "}));  // 28 bytes: too short
    EXPECT_EQ(d.List.Rows[4].SubItems, (std::vector<std::string>{" "}));
}

TEST(Directory, DayFirstDatesInTheList) {
    Decoded d(BuildPds(IspfPds()), 1);
    EXPECT_EQ(d.List.Rows[0].SubItems[1], "15/03/2002");
}

TEST(Directory, InvalidIspfDatesShowABlank) {
    PdsSpec plan = IspfPds();
    plan.Members[0].UserData[4] = 3;  // century 3
    Decoded d(BuildPds(plan));
    EXPECT_EQ(d.List.Rows[0].SubItems[1], " ");
    EXPECT_EQ(d.List.Rows[0].SubItems[2], "03/15/2002  14:35");
}

TEST(Directory, LoadModuleColumnsAndRows) {
    Decoded d(BuildPds(LoadPds()));
    ASSERT_EQ(d.Result, 0) << d.ReadFailure;
    ASSERT_EQ(d.List.Columns.size(), 8u);
    EXPECT_EQ(d.List.Columns[7].Caption, "Attributes");
    EXPECT_EQ(d.List.Columns[7].Align, ColumnAlign::Left);
    EXPECT_EQ(d.List.Columns[7].Width, 150);
    EXPECT_EQ(d.List.Columns[6].Caption, "AC");
    EXPECT_EQ(d.List.Rows[0].SubItems,
              (std::vector<std::string>{" ", "000A38", "000010", "31", "ANY", "1", "RU RN "}));
    EXPECT_EQ(d.List.Rows[1].SubItems,
              (std::vector<std::string>{" ", "000064", "000000", "ANY", "24", "0", "NX "}));
    EXPECT_EQ(d.List.Rows[2].SubItems[0], "PROGA   ");
    EXPECT_EQ(d.List.Rows[2].SubItems[3], "24");
    EXPECT_TRUE(d.List.Rows[2].Alias);
}

TEST(Directory, ColumnSetFollowsTheBlockedBitAlone) {
    PdsSpec plan = LoadPds();
    plan.Recfm = 0xD000;  // UB
    Decoded ub(BuildPds(plan));
    EXPECT_EQ(ub.List.Columns.size(), 6u);
    PdsSpec f = IspfPds();
    f.Recfm = 0x8000;  // F unblocked
    Decoded fu(BuildPds(f));
    EXPECT_EQ(fu.List.Columns.size(), 8u);
}

TEST(MemberPositions, EveryMemberFoundAndTheClosingEntryIsInmr06) {
    Decoded d(BuildPds(IspfPds()));
    ASSERT_NE(d.Decoder.MemberPositions, nullptr);
    const auto& map = *d.Decoder.MemberPositions;
    EXPECT_EQ(map.size(), 5u);  // four members and the closing entry; no alias
    Bytes bytes = ReadFile(d.File);
    for (const auto& [ttr, offset] : map) {
        ASSERT_GT(offset, 0) << std::hex << ttr;
        if (ttr == kClosingTtr) {
            EXPECT_EQ(bytes[static_cast<std::size_t>(offset) + 1] & 0x20, 0x20);
        } else {
            EXPECT_EQ(bytes[static_cast<std::size_t>(offset) + 1] & 0x80, 0x80);
        }
    }
    EXPECT_EQ(map.begin()->second, d.Decoder.ContentStart);
}

TEST(MemberPositions, FirstMemberIsMatchedByItsTtrNotByPlace) {
    PdsSpec plan = IspfPds();
    Bytes pdseAttributes = {0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    plan.RecordBeforeMembers = pdseAttributes;
    Decoded d(BuildPds(plan));
    ASSERT_EQ(d.Result, 0);
    const auto& map = *d.Decoder.MemberPositions;
    EXPECT_GT(map.begin()->second, d.Decoder.ContentStart);
    for (const auto& [ttr, offset] : map) EXPECT_GT(offset, 0) << std::hex << ttr;
}

TEST(Extents, RelativeTrackThroughOneAndTwoExtents) {
    TXmitDecoder x;
    x.TracksPerCylinder = 15;
    x.Extents = {{150, 299, 0}};
    EXPECT_EQ(x.RelativeTrack(11, 2), 17u * 256);
    EXPECT_EQ(x.RelativeTrack(9, 0), 0u);  // outside every extent
    x.Extents = {{0, 29, 0}, {300, 314, 30}};
    EXPECT_EQ(x.RelativeTrack(20, 0), 30u * 256);
    EXPECT_EQ(x.RelativeTrack(20, 14), 44u * 256);
}

TEST(Extents, MembersSpreadOverSeveralExtentsAreFound) {
    PdsSpec plan = IspfPds();
    plan.Extents = {{10, 0, 10, 1}, {20, 5, 20, 7}, {30, 0, 39, 14}};
    plan.BlocksPerTrack = 1;
    Decoded d(BuildPds(plan));
    ASSERT_EQ(d.Result, 0);
    EXPECT_EQ(d.Decoder.ExtentCount, 3);
    EXPECT_EQ(d.Decoder.Extents[1].TracksBefore, 2);
    EXPECT_EQ(d.Decoder.Extents[2].TracksBefore, 5);
    for (const auto& [ttr, offset] : *d.Decoder.MemberPositions)
        EXPECT_GT(offset, 0) << std::hex << ttr;
}

TEST(Extents, ACountOfNoneOrMoreThanCopyr2HoldsFailsTheDecode) {
    for (std::uint8_t count : {0, 17, 200}) {
        PdsSpec plan = IspfPds();
        plan.ExtentCountOverride = count;
        Bytes bytes = BuildPds(plan);
        if (count == 0) {  // the override 0 means "not set": clear the byte itself
            std::size_t at = 0;
            while (bytes[at + 3] != 0xCA || bytes[at + 1] & 0x20) at += bytes[at];  // COPYR1
            at += bytes[at];
            bytes[at + 2] = 0;  // COPYR2 follows
        }
        Decoded d(bytes);
        EXPECT_EQ(d.Result, 1) << int(count);
        EXPECT_NE(d.Errors.Reports.at(0).Details[0].find("COPYR2 holds"), std::string::npos);
        EXPECT_EQ(d.Errors.Reports.at(0).Reason, "IEBCOPY unload record COPYR2");
    }
}

TEST(Directory, BlocksSplitAcrossSegmentsAndRecords) {
    for (std::size_t segment : {40u, 100u, 255u}) {
        for (std::size_t perRecord : {1u, 3u}) {
            PdsSpec plan = IspfPds();
            for (int k = 0; k < 40; ++k) {
                plan.Members.push_back({"M" + std::to_string(k), ToEbcdic(std::string(80, 'x')),
                                        false, "", IspfStats(1, 1, 1, 0x20, 1, 1, 1, "U")});
            }
            plan.MaxSegment = segment;
            plan.DirectoryBlocksPerRecord = perRecord;
            Decoded d(BuildPds(plan));
            ASSERT_EQ(d.Result, 0) << segment << " " << perRecord << d.ReadFailure;
            EXPECT_EQ(d.List.Rows.size(), 45u);
            EXPECT_EQ(d.List.Rows.back().Caption, "M39     ");
            for (const auto& [ttr, offset] : *d.Decoder.MemberPositions) {
                EXPECT_GT(offset, 0) << segment << " " << perRecord << " " << std::hex << ttr;
            }
        }
    }
}

TEST(Directory, DamagedBlocksFailTheDecode) {
    const Bytes end = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    const Bytes one = Entry("ONE", 0x000101, 0, 0);
    const Bytes two = Entry("TWO", 0x000301, 0, 0);
    auto block = [&](std::vector<Bytes> entries, const std::string& key, std::size_t used) {
        Bytes b = DirectoryBlock(entries, key.empty(), static_cast<std::uint8_t>(used >> 8),
                                 static_cast<std::uint8_t>(used));
        if (!key.empty()) {
            Bytes k = ToEbcdic(key + std::string(8 - key.size(), ' '));
            std::copy(k.begin(), k.end(), b.begin() + 12);
        }
        return b;
    };
    struct Case {
        const char* what;
        Bytes record;
        const char* error;
    };
    Bytes keyed = block({one}, "ONE", 14);
    keyed[9] = 0;  // key length 0 in the count field
    Bytes shortData = block({one}, "ONE", 14);
    shortData[11] = 0xFF;  // data length 255
    const Case cases[] = {
        {"count field", keyed, "count field of key length 0"},
        {"data length", shortData, "data length 511"},
        {"bytes used beyond its entries", block({one, end}, "", 14 + 12 + 2), ""},
        {"bytes used short of the last entry", block({one, two}, "TWO", 14), "does not match"},
        {"bytes used inside an entry", block({one, two}, "TWO", 20), "do not fill"},
        {"bytes used over 256", block({one}, "ONE", 0x0201), "bytes-used count of 513"},
        {"bytes used below 2", block({one}, "ONE", 1), "bytes-used count of 1"},
        {"key not the last name", block({one}, "OTHER", 14), "key does not match"},
        {"end entry before the last block", block({one, end}, "ONE", 26), "not marked"},
        {"last block without its end entry", block({one}, "", 14), "missing from the last"},
        {"user data past bytes used", block({Entry("E", 0x000101, 0x1F, 62)}, "E", 14), "fill"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PdsSpec plan = IspfPds();
        plan.RawDirectoryRecords = {c.record};
        Decoded d(BuildPds(plan));
        if (*c.error == '\0') {  // the end entry ends the walk, whatever the count says
            EXPECT_EQ(d.Result, 0);
            continue;
        }
        ASSERT_EQ(d.Result, 1) << c.what;
        EXPECT_EQ(d.Errors.Reports.at(0).Reason, "Member directory blocks");
        EXPECT_NE(d.Errors.Reports.at(0).Details[0].find(c.error), std::string::npos)
            << c.what << ": " << d.Errors.Reports.at(0).Details[0];
    }
}

TEST(Directory, EndEntryCutShortByTheCountAsPdseUnloadsHaveIt) {
    PdsSpec plan = IspfPds();
    const Bytes end = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    Bytes block1 = DirectoryBlock({Entry("ONE", 0x000101, 0, 0)}, false, 0, 14);
    const Bytes key = ToEbcdic("ONE     ");
    std::copy(key.begin(), key.end(), block1.begin() + 12);
    // The count covers itself and the end entry's name only.
    plan.RawDirectoryRecords = {block1, DirectoryBlock({end}, true, 0, 10)};
    Decoded d(BuildPds(plan));
    ASSERT_EQ(d.Result, 0);
    ASSERT_EQ(d.List.Rows.size(), 1u);
    EXPECT_EQ(d.List.Rows[0].Caption, "ONE     ");
}
