#include <gtest/gtest.h>

#include "Parsed.h"
#include "present/Presenter.h"

using namespace corvane;
using namespace corvane::testing;
using present::DateOrder;

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

Bytes DirectoryBlock(const std::vector<Bytes>& entries, bool endKey, std::uint16_t used) {
    Bytes block = {0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 1, 0};
    Bytes key = endKey ? Bytes(8, 0xFF) : ToEbcdic("ZZZZZZZZ");
    block.insert(block.end(), key.begin(), key.end());
    Bytes area = BigEndian(used, 2);
    for (const Bytes& e : entries) area.insert(area.end(), e.begin(), e.end());
    area.resize(256, 0);
    block.insert(block.end(), area.begin(), area.end());
    return block;
}

Bytes Entry(const std::string& name, std::uint32_t ttr, std::uint8_t indicator, std::size_t user) {
    std::string n = name;
    n.resize(8, ' ');
    Bytes e = ToEbcdic(n);
    Bytes t = BigEndian(ttr, 3);
    e.insert(e.end(), t.begin(), t.end());
    e.push_back(indicator);
    e.insert(e.end(), user, 0);
    return e;
}

std::vector<std::string> Cells(const XmitInfo& x, std::size_t k,
                               DateOrder order = DateOrder::MonthFirst) {
    return present::MemberCells(x.Members.at(k), x.Dataset.IspfDirectory, order);
}
}  // namespace

TEST(MemberDirectory, IspfStatisticsAsTheListShowsThem) {
    Parsed p(BuildPds(IspfPds()));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    const XmitInfo& x = p.Info();
    ASSERT_EQ(x.Members.size(), 5u);
    EXPECT_EQ(present::MemberColumns(true).size(), 9u);
    EXPECT_EQ(Cells(x, 0),
              (std::vector<std::string>{"ALPHA   ", " ", "03/15/2002", "03/15/2002  14:35",
                                        "JOE     ", "2-17", "0", "0", "0"}));
    EXPECT_EQ(Cells(x, 0, DateOrder::DayFirst)[2], "15/03/2002");
    EXPECT_EQ(Cells(x, 1)[2], "01/01/1997");
    EXPECT_EQ(Cells(x, 2), (std::vector<std::string>{"BETALIAS", "Alias"}));
    EXPECT_EQ(x.Members[2].Ttr, x.Members[1].Ttr);
    EXPECT_EQ(Cells(x, 3), (std::vector<std::string>{"SHORT   ", " "}));  // 28 bytes: too short
    EXPECT_EQ(Cells(x, 4), (std::vector<std::string>{"NOSTATS ", " "}));
}

TEST(MemberDirectory, LineCountsInBothStatisticsForms) {
    PdsSpec plan = IspfPds();
    Bytes& basic = plan.Members[0].UserData;
    basic[14] = 0x01, basic[15] = 0x02, basic[17] = 7, basic[19] = 3;  // 258, 7, 3
    basic[3] = 0x42;                                                   // seconds, packed
    Bytes& extended = plan.Members[1].UserData;
    extended[2] = 0x20;  // the 4-byte counts follow the user id
    extended[14] = 0xFF, extended[15] = 0xFF;
    const Bytes counts = {0x00, 0x01, 0x86, 0xA0, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01, 0x00, 0x00};
    extended.resize(28);
    extended.insert(extended.end(), counts.begin(), counts.end());
    Parsed p(BuildPds(plan));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    const IspfStatistics& a = *p.Info().Members[0].Ispf;
    EXPECT_EQ(std::vector<std::uint32_t>({a.Lines, a.InitialLines, a.ModifiedLines}),
              (std::vector<std::uint32_t>{258, 7, 3}));
    EXPECT_FALSE(a.Extended);
    EXPECT_EQ(a.Modified->Second, 42);
    const IspfStatistics& b = *p.Info().Members[1].Ispf;
    EXPECT_TRUE(b.Extended);
    EXPECT_EQ(std::vector<std::uint32_t>({b.Lines, b.InitialLines, b.ModifiedLines}),
              (std::vector<std::uint32_t>{100000, 5, 65536}));
    EXPECT_EQ(Cells(p.Info(), 1)[6], "100000");
}

TEST(MemberDirectory, InvalidIspfDatesShowABlank) {
    PdsSpec plan = IspfPds();
    plan.Members[0].UserData[4] = 3;  // century 3
    Parsed p(BuildPds(plan));
    ASSERT_TRUE(p.Ok());
    EXPECT_EQ(Cells(p.Info(), 0)[2], " ");
    EXPECT_EQ(Cells(p.Info(), 0)[3], "03/15/2002  14:35");
}

TEST(MemberDirectory, LoadModuleAttributes) {
    Parsed p(BuildPds(LoadPds()));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_EQ(Cells(p.Info(), 0), (std::vector<std::string>{"PROGA   ", " ", "000A38", "000010",
                                                            "31", "ANY", "1", "RU RN "}));
    EXPECT_EQ(Cells(p.Info(), 1)[7], "NX ");
    EXPECT_EQ(Cells(p.Info(), 2)[1], "PROGA   ");
    EXPECT_TRUE(p.Info().Members[2].Alias);
    const auto columns = present::MemberColumns(false);
    ASSERT_EQ(columns.size(), 8u);
    EXPECT_TRUE(columns[7].LeftAligned);
}

TEST(MemberDirectory, ColumnSetFollowsTheBlockedBitAlone) {
    PdsSpec ub = LoadPds();
    ub.Recfm = 0xD000;
    EXPECT_TRUE(Parsed(BuildPds(ub)).Info().Dataset.IspfDirectory);
    PdsSpec f = IspfPds();
    f.Recfm = 0x8000;
    EXPECT_FALSE(Parsed(BuildPds(f)).Info().Dataset.IspfDirectory);
}

TEST(MemberDirectory, EveryMemberIsFoundByItsTtr) {
    struct Case {
        std::size_t segment, perRecord;
        std::vector<PdsSpec::Extent> extents;
        bool pdseRecord;
    };
    const Case cases[] = {{255, 1, {{10, 0, 19, 14}}, false},
                          {40, 3, {{10, 0, 19, 14}}, false},
                          {100, 1, {{10, 0, 10, 1}, {20, 5, 20, 7}, {30, 0, 39, 14}}, false},
                          {255, 1, {{10, 0, 19, 14}}, true}};
    for (const Case& c : cases) {
        PdsSpec plan = IspfPds();
        for (int k = 0; k < 40; ++k) {
            plan.Members.push_back({"M" + std::to_string(k), ToEbcdic(std::string(80, 'x')), false,
                                    "", IspfStats(1, 1, 1, 0x20, 1, 1, 1, "U")});
        }
        plan.MaxSegment = c.segment;
        plan.DirectoryBlocksPerRecord = c.perRecord;
        plan.Extents = c.extents;
        plan.BlocksPerTrack = 1;
        if (c.pdseRecord) plan.RecordBeforeMembers = {0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        Bytes bytes = BuildPds(plan);
        Parsed p(bytes);
        ASSERT_TRUE(p.Ok()) << c.segment << " " << p.Err().Message;
        ASSERT_EQ(p.Info().Members.size(), 45u);
        EXPECT_EQ(p.Info().Members.back().Name, "M39     ");
        for (const MemberEntry& m : p.Info().Members) {
            ASSERT_GT(m.DataStart, 0) << m.Name;
            EXPECT_EQ(bytes[static_cast<std::size_t>(m.DataStart) + 1] & 0x80, 0x80);
            EXPECT_GT(m.DataEnd, m.DataStart);
        }
        EXPECT_EQ(bytes[static_cast<std::size_t>(p.Info().DataEnd) + 1] & 0x20, 0x20);
    }
}

TEST(MemberDirectory, EndOfDirectoryInTheMiddleOfABlockEndsIt) {
    PdsSpec plan = IspfPds();
    const Bytes end = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    Bytes block1 = DirectoryBlock(
        {Entry("ONE", 0x000101, 0, 0), end, Entry("GHOST", 0x000201, 0, 0)}, false, 38);
    Bytes block2 = DirectoryBlock({Entry("TWO", 0x000301, 0, 0)}, true, 14);
    block1.insert(block1.end(), block2.begin(), block2.end());
    plan.RawDirectoryRecords = {block1};
    Parsed p(BuildPds(plan));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    ASSERT_EQ(p.Info().Members.size(), 2u);
    EXPECT_EQ(p.Info().Members[1].Name, "TWO     ");
}

TEST(MemberDirectory, DamagedBlocksFail) {
    std::vector<Bytes> full;
    for (int k = 0; k < 4; ++k)
        full.push_back(Entry("E" + std::to_string(k), 0x000101u + k, 0x1F, 62));
    struct Case {
        Bytes block;
        const char* message;
    };
    Bytes badCount = DirectoryBlock({Entry("ONE", 0x000101, 0, 0)}, true, 14);
    badCount[11] = 0x10;
    const Case cases[] = {
        {DirectoryBlock(full, true, 256), "Directory entry runs past the end of its block"},
        {DirectoryBlock({Entry("ONE", 0x000101, 0, 0)}, true, 300),
         "Directory block with a wrong used-bytes count"},
        {DirectoryBlock({Entry("ONE", 0x000101, 0, 0)}, true, 20),
         "Directory entry cut by the end of its block"},
        {badCount, "Directory block with a wrong count field"},
    };
    for (const Case& c : cases) {
        PdsSpec plan = IspfPds();
        plan.RawDirectoryRecords = {c.block};
        Parsed p(BuildPds(plan));
        ASSERT_FALSE(p.Ok()) << c.message;
        EXPECT_EQ(p.Err().Message, c.message);
        EXPECT_EQ(p.Err().Reason, "Member directory blocks");
    }
}
