#include <gtest/gtest.h>

#include "Parsed.h"
#include "present/Presenter.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
// A minimal sequential transmission with the given INMR02 text units.
Bytes Sequential(const std::vector<TextUnit>& inmr02,
                 const std::vector<TextUnit>& inmr01 = HeaderUnits()) {
    MemoryOut out;
    XmitWriter w(out);
    w.Control(1, inmr01);
    w.Control(2, inmr02);
    w.Control(3, {});
    w.Record(ToEbcdic(std::string(80, 'A')));
    w.Control(6, {});
    return out.Data;
}

std::vector<TextUnit> SeqUnits() {
    return {TextUnit::Text(0x1028, "INMCOPY"),   TextUnit::Number(0x003C, 0x4000, 2),
            TextUnit::Number(0x0042, 80, 2),     TextUnit::Number(0x0030, 3120, 4),
            TextUnit::Number(0x0049, 0x9000, 2), TextUnit::Name(0x0002, {"SYS1", "MACLIB"})};
}

using present::DateOrder;
}  // namespace

TEST(Parser, ReadsTheTransferHeaderAndDatasetAttributes) {
    Bytes bytes = Sequential(SeqUnits());
    Parsed p(bytes);
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    const XmitInfo& x = p.Info();
    EXPECT_EQ(x.Transfer.FromNode, "NODEA");
    EXPECT_EQ(x.Transfer.FromUser, "USERA");
    EXPECT_EQ(x.Transfer.ToNode, "NODEB");
    EXPECT_EQ(x.Transfer.ToUser, "USERB");
    EXPECT_EQ(present::CreatedText(x.Transfer, DateOrder::MonthFirst), "07/04/2003  13:20");
    EXPECT_EQ(present::CreatedText(x.Transfer, DateOrder::DayFirst), "04/07/2003  13:20");
    ASSERT_TRUE(x.Transfer.Created);
    EXPECT_EQ(present::IsoDateTime(*x.Transfer.Created), "2003-07-04T13:20:05");
    EXPECT_EQ(x.Transfer.FileCount, 1u);
    EXPECT_EQ(x.Dataset.Name, "SYS1.MACLIB");
    EXPECT_EQ(present::TypeText(x.Dataset), "SEQ");
    EXPECT_EQ(present::RecfmText(x.Dataset.Recfm), "FB");
    EXPECT_EQ(x.Dataset.Lrecl, 80u);
    EXPECT_EQ(x.Dataset.Blksize, 3120u);
    EXPECT_FALSE(x.Partitioned);
    EXPECT_TRUE(x.Members.empty());
    EXPECT_EQ(x.FileSize, static_cast<std::int64_t>(bytes.size()));
    // The data starts with the first data segment after the last INMR03.
    ASSERT_LT(static_cast<std::size_t>(x.DataStart) + 1, bytes.size());
    EXPECT_EQ(bytes[static_cast<std::size_t>(x.DataStart) + 1] & 0xE0, 0xC0);
}

TEST(Parser, RecordFormatLetters) {
    struct Case {
        std::uint16_t recfm;
        const char* text;
    };
    for (Case c : {Case{0x9000, "FB"}, Case{0x5000, "VB"}, Case{0xC000, "U"}, Case{0x8000, "F"},
                   Case{0xD000, "UB"}, Case{0x1000, "?B"}}) {
        auto units = SeqUnits();
        units[4] = TextUnit::Number(0x0049, c.recfm, 2);
        Parsed p(Sequential(units));
        ASSERT_TRUE(p.Ok()) << c.text;
        EXPECT_EQ(present::RecfmText(p.Info().Dataset.Recfm), c.text);
    }
}

TEST(Parser, DatasetNameWithMemberNamesInIbmLayout) {
    auto units = SeqUnits();
    units.push_back(TextUnit::Name(0x0003, {"IEBCOPY", "OTHER"}));
    Parsed p(Sequential(units));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_EQ(p.Info().Dataset.Name, "SYS1.MACLIB(IEBCOPY)");

    // A member name before any dataset name is dropped; long names stay whole.
    auto early = SeqUnits();
    early.pop_back();
    early.insert(early.begin(), TextUnit::Name(0x0003, {"MEM"}));
    early.push_back(TextUnit::Name(0x0002, {std::string(44, 'A')}));
    Parsed e(Sequential(early));
    ASSERT_TRUE(e.Ok());
    EXPECT_EQ(e.Info().Dataset.Name, std::string(44, 'A'));
}

TEST(Parser, UnknownKeysAreSkippedByTheirLengthAndShownInTheDump) {
    auto header = HeaderUnits();
    for (std::uint16_t key : {0x102B, 0x8018, 0x000B})
        header.push_back(TextUnit::Number(key, 7, 3));
    Parsed p(Sequential(SeqUnits(), header), true);
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_EQ(p.Info().Transfer.FromNode, "NODEA");
    EXPECT_NE(std::find(p.Dump.begin(), p.Dump.end(), "Text unit x8018 not known: skipped"),
              p.Dump.end());
}

TEST(Parser, KnownTextUnitsWithNoItemsOrAnEmptyItemFailCleanly) {
    // Every key the parser acts on, with no items and with one empty item, in
    // the header and in the file description: a result or an error, never a
    // read of an item that is not there (the sanitizer build checks that).
    for (std::uint16_t key : {0x0002, 0x0003, 0x0028, 0x0030, 0x0042, 0x102F, 0x003C, 0x0049,
                              0x1001, 0x1002, 0x1011, 0x1012, 0x1024, 0x1028, 0x8012}) {
        for (const std::vector<Bytes>& items : {std::vector<Bytes>{}, std::vector<Bytes>{{}}}) {
            auto header = HeaderUnits();
            header.insert(header.begin(), TextUnit::Raw(key, items));
            auto units = SeqUnits();
            units.insert(units.begin(), TextUnit::Raw(key, items));
            Parsed inHeader(Sequential(SeqUnits(), header));
            Parsed inFile(Sequential(units));
            for (const Parsed* p : {&inHeader, &inFile}) {
                if (!p->Ok()) {
                    EXPECT_FALSE(p->Err().Message.empty()) << std::hex << key;
                }
            }
        }
    }
}

TEST(Parser, FailuresCarryTheirContextForTheErrorWindow) {
    MemoryOut out;
    XmitWriter w(out);
    // INMR01 whose last item claims 40 bytes but carries 3.
    Bytes record = ToEbcdic("INMR01");
    record.insert(record.end(), {0x10, 0x11, 0x00, 0x01, 0x00, 0x28, 0xC1, 0xC2, 0xC3});
    w.Segment(static_cast<std::uint8_t>(record.size() + 2), 0xE0, record);
    w.Control(6, {});
    Parsed p(out.Data);
    ASSERT_FALSE(p.Ok());
    const ErrorReportData r = present::ErrorReportFor(p.Err());
    EXPECT_EQ(r.Caption, "Error");
    EXPECT_EQ(r.Title, "Error while decoding");
    EXPECT_EQ(r.Reason, "INMR01 record");
    ASSERT_EQ(r.Details.size(), 8u);
    EXPECT_NE(r.Details[0].find("past the end"), std::string::npos);
    EXPECT_EQ(r.Details[4], "Current xmit record type is xE0");
    EXPECT_EQ(r.Details[6], " Xmit File size is " + std::to_string(out.Data.size()));
}

TEST(Parser, SignatureCheck) {
    Parsed garbage(ToEbcdic("THIS IS NOT AN XMIT FILE AT ALL"));
    ASSERT_FALSE(garbage.Ok());
    EXPECT_EQ(garbage.Err().What, Error::Kind::NotXmit);
    EXPECT_EQ(garbage.Err().Message,
              "INMR01 header not found!\nThis does not look like an Xmit file");
    EXPECT_EQ(garbage.Err().Caption, "Xmit parse error");
    EXPECT_FALSE(Parsed(Bytes{}).Ok());
    MemoryOut zero;
    XmitWriter(zero).Control(0, {});
    EXPECT_EQ(Parsed(zero.Data).Err().What, Error::Kind::NotXmit);
}

TEST(Parser, VsamIsRefused) {
    auto units = SeqUnits();
    units[1] = TextUnit::Number(0x003C, 0x0008, 2);
    Parsed p(Sequential(units));
    ASSERT_FALSE(p.Ok());
    EXPECT_EQ(p.Err().What, Error::Kind::Unsupported);
    EXPECT_EQ(p.Err().Message, "Sorry VSAM content is not supported.");
    EXPECT_EQ(p.Err().Caption, "Unsupported functionality");
}

TEST(Parser, MessageSegmentsBecomeLines) {
    MemoryOut out;
    XmitWriter w(out);
    w.Control(1, HeaderUnits());
    w.Control(2, {TextUnit{0x0028, {}}});
    w.Control(3, {});
    w.Record(ToEbcdic("HELLO THERE"));
    w.Record(ToEbcdic(std::string(300, 'X')));  // two segments give two lines
    w.Control(6, {});
    Parsed p(out.Data);
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_EQ(p.Info().Message, (std::vector<std::string>{"HELLO THERE", std::string(253, 'X'),
                                                          std::string(47, 'X')}));
    EXPECT_FALSE(p.Info().HasData());
}

TEST(Parser, DatasetsWithAndWithoutNamesAfterAMessage) {
    for (bool named : {true, false}) {
        SequentialSpec plan;
        if (!named) plan.Qualifiers.clear();
        plan.MessageLines = {"FIRST LINE", "SECOND LINE"};
        plan.Records = {ToEbcdic(std::string(80, 'C'))};
        Parsed p(BuildSequential(plan));
        ASSERT_TRUE(p.Ok()) << p.Err().Message;
        ASSERT_EQ(p.Info().Message.size(), 2u);
        EXPECT_EQ(p.Info().Message[1], "SECOND LINE" + std::string(69, ' '));
        EXPECT_GT(p.Info().DataStart, 0) << named;
        EXPECT_EQ(p.Info().Transfer.FileCount, 2u);
        EXPECT_EQ(present::TypeText(p.Info().Dataset), "SEQ");
    }
}

TEST(Parser, ControlRecordsLongerThanOneSegmentAreJoined) {
    auto header = HeaderUnits();
    for (int k = 0; k < 30; ++k) header.push_back(TextUnit::Text(0x1029, std::string(20, 'P')));
    header.push_back(TextUnit::Text(0x1002, "LASTUSER"));
    Parsed p(Sequential(SeqUnits(), header));
    ASSERT_TRUE(p.Ok()) << p.Err().Message;
    EXPECT_EQ(p.Info().Transfer.ToUser, "LASTUSER");
}

TEST(Parser, DamagedSegmentsFail) {
    struct Case {
        Bytes raw;
        const char* message;
    };
    const Case cases[] = {
        {{0x00, 0x80, 0x00, 0x00}, "Invalid xmit record length of zero encountered"},
        {{0x01, 0x80, 0x00, 0x00}, "Segment shorter than its header encountered"},
        {{0x04, 0x00, 0xC1, 0xC1}, "Data record does not start with a first segment"},
        {{0x04, 0xA0, 0xC1, 0xC1, 0x04, 0x40, 0xC1, 0xC1},
         "Control record continued by a data segment"},
        {{0x0A, 0xE0, 0xC9, 0xD5, 0xD4, 0xD9, 0xF9, 0xF9, 0x00, 0x00},
         "Unknown control record encountered"},
    };
    for (const Case& c : cases) {
        MemoryOut out;
        XmitWriter w(out);
        w.Control(1, HeaderUnits());
        w.Control(2, {TextUnit{0x0028, {}}});
        w.Control(3, {});
        w.Raw(c.raw);
        w.Control(6, {});
        Parsed p(out.Data);
        ASSERT_FALSE(p.Ok()) << c.message;
        EXPECT_EQ(p.Err().Message, c.message);
    }
}

TEST(Parser, FileCutShortIsAnError) {
    Bytes full = Sequential(SeqUnits());
    Parsed p(Bytes(full.begin(), full.begin() + full[0] + 10));  // inside INMR02
    ASSERT_FALSE(p.Ok());
    EXPECT_EQ(p.Err().What, Error::Kind::Io);

    // A message without INMR06: the end of the file is an error too.
    MemoryOut out;
    XmitWriter w(out);
    w.Control(1, HeaderUnits());
    w.Control(2, {TextUnit{0x0028, {}}});
    w.Control(3, {});
    w.Record(ToEbcdic("NO TRAILER"));
    Parsed n(out.Data);
    ASSERT_FALSE(n.Ok());
    EXPECT_NE(n.Err().Message.find("INMR06"), std::string::npos);
}

TEST(Parser, HeaderDumpHasEveryControlRecordAlsoWhenTheParseFails) {
    Parsed p(Sequential(SeqUnits()), true);
    ASSERT_TRUE(p.Ok());
    std::vector<std::string> titles;
    for (const std::string& line : p.Dump) {
        if (line.rfind("Header: ", 0) == 0) titles.push_back(line);
    }
    EXPECT_EQ(titles,
              (std::vector<std::string>{"Header: INMR01", "Header: INMR02", "Header: INMR03"}));

    Bytes full = Sequential(SeqUnits());
    Parsed cut(Bytes(full.begin(), full.begin() + full[0] + 10), true);
    ASSERT_FALSE(cut.Ok());
    EXPECT_EQ(cut.Dump.at(0), "Header: INMR01");
}
