#include <gtest/gtest.h>

#include <algorithm>

#include "Decoded.h"

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
}  // namespace

TEST(Decoder, ReadsTheTransferHeaderAndDatasetAttributes) {
    Decoded d(Sequential(SeqUnits()));
    ASSERT_EQ(d.Result, 0) << d.ReadFailure;
    const TXmitDecoder& x = d.Decoder;
    EXPECT_STREQ(x.FromNode, "NODEA");
    EXPECT_STREQ(x.FromUserId, "USERA");
    EXPECT_STREQ(x.ToNode, "NODEB");
    EXPECT_STREQ(x.ToUserId, "USERB");
    EXPECT_STREQ(x.CreatedText, "07/04/2003  13:20");
    EXPECT_EQ(x.FileCount, 1u);
    EXPECT_STREQ(x.DatasetName, "SYS1.MACLIB");
    EXPECT_STREQ(x.DatasetType, "SEQ");
    EXPECT_STREQ(x.RecfmText, "FB");
    EXPECT_TRUE(x.FixedRecords);
    EXPECT_EQ(x.Lrecl, 80u);
    EXPECT_EQ(x.Blksize, 3120u);
    EXPECT_FALSE(x.IsPds);
    EXPECT_EQ(x.MemberPositions, nullptr);
    EXPECT_TRUE(d.List.Columns.empty());
    EXPECT_TRUE(d.List.Rows.empty());
    EXPECT_EQ(x.FileSize, static_cast<std::int64_t>(std::filesystem::file_size(d.File)));
    // ContentStart is the first data segment after the last INMR03.
    auto bytes = ReadFile(d.File);
    ASSERT_LT(static_cast<std::size_t>(x.ContentStart) + 1, bytes.size());
    EXPECT_EQ(bytes[static_cast<std::size_t>(x.ContentStart) + 1] & 0xE0, 0xC0);
}

TEST(Decoder, DayFirstDateOrderAppliesToTheTimestamp) {
    Decoded d(Sequential(SeqUnits()), 1);
    EXPECT_STREQ(d.Decoder.CreatedText, "04/07/2003  13:20");
}

TEST(Decoder, RecordFormatLetters) {
    struct Case {
        std::uint16_t recfm;
        const char* text;
        bool fixed;
    };
    for (Case c : {Case{0x9000, "FB", true}, Case{0x5000, "VB", false}, Case{0xC000, "U", false},
                   Case{0x8000, "F", true}, Case{0xD000, "UB", false}}) {
        auto units = SeqUnits();
        units[4] = TextUnit::Number(0x0049, c.recfm, 2);
        Decoded d(Sequential(units));
        EXPECT_STREQ(d.Decoder.RecfmText, c.text);
        EXPECT_EQ(d.Decoder.FixedRecords, c.fixed) << c.text;
    }
    auto units = SeqUnits();
    units[4] = TextUnit::Number(0x0049, 0x1000, 2);
    Decoded d(Sequential(units));
    EXPECT_EQ(d.Result, 0);  // not a failure on its own
    EXPECT_STREQ(d.Decoder.RecfmText, "?B");
    EXPECT_EQ(d.Decoder.ErrorDetails, "Cannot determine RECFM of the content file.");
}

TEST(Decoder, DatasetNameWithMemberAndLimits) {
    auto units = SeqUnits();
    units.push_back(TextUnit::Name(0x0003, {"IEBCOPY"}));
    Decoded d(Sequential(units));
    EXPECT_STREQ(d.Decoder.DatasetName, "SYS1.MACLIB(IEBCOPY)");

    // Qualifiers that would reach 100 characters are left out but still end the name.
    auto longName = SeqUnits();
    longName[5] = TextUnit::Name(0x0002, {std::string(60, 'A'), std::string(60, 'B')});
    longName.push_back(TextUnit::Name(0x0003, {std::string(60, 'M')}));
    Decoded l(Sequential(longName));
    EXPECT_EQ(l.Result, 0);
    std::string name = l.Decoder.DatasetName;
    EXPECT_EQ(name.substr(0, 62), std::string(60, 'A') + ".(");
    EXPECT_LT(name.size(), 100u);
    EXPECT_EQ(name.back(), ')');

    // A member name before any dataset name is dropped.
    auto early = SeqUnits();
    early.insert(early.begin(), TextUnit::Name(0x0003, {"MEM"}));
    early.pop_back();
    Decoded e(Sequential(early));
    EXPECT_STREQ(e.Decoder.DatasetName, "");
}

TEST(Decoder, NodeNamesAreCutToTenCharactersAndTimestampsToTwenty) {
    auto header = HeaderUnits();
    header[0] = TextUnit::Text(0x1011, "ABCDEFGHIJKL");
    header[4] = TextUnit::Text(0x1024, "2003070413200512345678901234");
    Decoded d(Sequential(SeqUnits(), header));
    EXPECT_EQ(d.Result, 0);
    EXPECT_STREQ(d.Decoder.FromNode, "ABCDEFGHIJ");
    EXPECT_STREQ(d.Decoder.CreatedText, "07/04/2003  13:20");
}

TEST(Decoder, UnknownKeysArePassedOverByTheirLength) {
    // Keys IBM documents that the program does not use, before units it reads.
    auto header = HeaderUnits();
    for (std::uint16_t key : {0x000B, 0x8018, 0x8028, 0x102B}) {
        header.insert(header.begin(), TextUnit::Raw(key, {Bytes(3, 0xC1), Bytes(key % 5, 1)}));
    }
    Decoded d(Sequential(SeqUnits(), header), 0, 1);
    ASSERT_EQ(d.Result, 0);
    EXPECT_STREQ(d.Decoder.FromNode, "NODEA");
    EXPECT_EQ(d.Decoder.FileCount, 1u);
    const auto& dump = d.Viewers.Viewers.at(0)->Text();
    EXPECT_NE(std::find(dump.begin(), dump.end(), "Text unit x8018 (not used)"), dump.end());
}

namespace {
// A sequential transmission whose INMR01 ends with an item claiming 40 bytes
// but carrying 3.
Bytes BrokenHeader() {
    MemoryOut out;
    XmitWriter w(out);
    Bytes record = ToEbcdic("INMR01");
    record.insert(record.end(), {0x10, 0x11, 0x00, 0x01, 0x00, 0x28, 0xC1, 0xC2, 0xC3});
    w.Segment(static_cast<std::uint8_t>(record.size() + 2), 0xE0, record);
    w.Control(2, SeqUnits());
    w.Control(3, {});
    w.Record(Bytes(10, 0xC1));
    w.Control(6, {});
    return out.Data;
}
}  // namespace

TEST(Decoder, ErrorReportDetailsLines) {
    Decoded d(BrokenHeader());
    EXPECT_EQ(d.Errors.Reports.at(0).Reason, "INMR01 record");
    EXPECT_EQ(d.Errors.Reports.at(0).Title, "Error while decoding");
    EXPECT_EQ(d.Errors.Reports.at(0).Caption, "Error");
    const auto& lines = d.Errors.Reports.at(0).Details;
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Information obtained at the point of error:");
    EXPECT_EQ(lines[3].rfind("Current xmit record length is ", 0), 0u);
    EXPECT_EQ(lines[4], "Current xmit record type is xE0");
    EXPECT_EQ(lines[6], " Xmit File size is " + std::to_string(std::filesystem::file_size(d.File)));
    EXPECT_EQ(
        lines[7],
        "\nUse the Debug option to provide a  format dump of the xmit file for further diagnosis.");
}

TEST(Decoder, SignatureCheck) {
    Decoded garbage(ToEbcdic("THIS IS NOT AN XMIT FILE AT ALL"));
    EXPECT_EQ(garbage.Result, 1);
    ASSERT_EQ(garbage.Notify.Messages.size(), 1u);
    EXPECT_EQ(garbage.Notify.Messages[0].Text,
              "INMR01 header not found!\nThis does not look like an Xmit file");
    EXPECT_EQ(garbage.Notify.Messages[0].Caption, "Xmit parse error");
    EXPECT_TRUE(garbage.Errors.Reports.empty());

    Decoded empty(Bytes{});
    EXPECT_EQ(empty.Result, 1);

    // INMR00 fails; a file that starts with INMR02 passes the check.
    MemoryOut zero;
    XmitWriter(zero).Control(0, {});
    EXPECT_EQ(Decoded(zero.Data).Result, 1);
    MemoryOut two;
    XmitWriter w(two);
    w.Control(2, SeqUnits());
    w.Control(3, {});
    w.Record(Bytes(10, 0xC1));
    w.Control(6, {});
    Decoded d(two.Data);
    EXPECT_EQ(d.Result, 0);
    EXPECT_TRUE(d.Notify.Messages.empty());
}

TEST(Decoder, VsamIsRefusedWithAMessageThenTheErrorWindow) {
    auto units = SeqUnits();
    units[1] = TextUnit::Number(0x003C, 0x0008, 2);
    Decoded d(Sequential(units));
    EXPECT_EQ(d.Result, 1);
    ASSERT_EQ(d.Notify.Messages.size(), 1u);
    EXPECT_EQ(d.Notify.Messages[0].Text, "Sorry VSAM content is not supported.");
    EXPECT_EQ(d.Notify.Messages[0].Caption, "Unsupported functionality");
    EXPECT_EQ(d.Errors.Reports.size(), 1u);
    EXPECT_STREQ(d.Decoder.DatasetType, "VSAM");
}

TEST(Decoder, InmtermHidesTheRestOfItsRecordAndMessagesBecomeLines) {
    MemoryOut out;
    XmitWriter w(out);
    w.Control(1, HeaderUnits());
    w.Control(2, {TextUnit{0x0028, {}}, TextUnit::Number(0x7777, 1, 1)});  // hidden unknown key
    w.Control(3, {});
    w.Record(ToEbcdic("HELLO THERE"));
    w.Record(ToEbcdic(std::string(300, 'X')));  // two segments give two lines
    w.Control(6, {});
    Decoded d(out.Data);
    ASSERT_EQ(d.Result, 0);
    ASSERT_EQ(d.Memo.Lines.size(), 3u);
    EXPECT_EQ(d.Memo.Lines[0], "HELLO THERE");
    EXPECT_EQ(d.Memo.Lines[1], std::string(253, 'X'));
    EXPECT_EQ(d.Memo.Lines[2], std::string(47, 'X'));
    EXPECT_EQ(d.Decoder.ContentStart, 0);
}

TEST(Decoder, DatasetWithoutNameIsNotAMessage) {
    SequentialSpec plan;
    plan.Qualifiers.clear();
    plan.Records = {ToEbcdic(std::string(160, 'B'))};
    Decoded d(BuildSequential(plan));
    ASSERT_EQ(d.Result, 0);
    EXPECT_TRUE(d.Memo.Lines.empty());
    EXPECT_GT(d.Decoder.ContentStart, 0);
    EXPECT_STREQ(d.Decoder.DatasetType, "SEQ");
}

TEST(Decoder, MessageBeforeASequentialDataset) {
    SequentialSpec plan;
    plan.MessageLines = {"FIRST LINE", "SECOND LINE"};
    plan.Records = {ToEbcdic(std::string(80, 'C'))};
    Decoded d(BuildSequential(plan));
    ASSERT_EQ(d.Result, 0);
    ASSERT_EQ(d.Memo.Lines.size(), 2u);
    EXPECT_EQ(d.Memo.Lines[1], "SECOND LINE" + std::string(69, ' '));
    EXPECT_GT(d.Decoder.ContentStart, 0);
    EXPECT_EQ(d.Decoder.FileCount, 2u);
}

TEST(Decoder, SecondInmr02AfterAPartitionedOneIsNotParsed) {
    PdsSpec plan;
    plan.Members = {{"A", ToEbcdic(std::string(80, 'A')), false, "", {}}};
    Bytes bytes = BuildPds(plan);
    // Make the second INMR02 (INMCOPY) malformed: its first item claims 255 bytes.
    std::size_t at = 0;
    for (int seen = 0;; at += bytes[at]) {
        if ((bytes[at + 1] & 0x20) && bytes[at + 7] == 0xF2 && ++seen == 2) break;
    }
    bytes[at + 16] = 0xFF;
    Decoded d(bytes);
    EXPECT_EQ(d.Result, 0);
    EXPECT_TRUE(d.Decoder.IsPds);
    EXPECT_STREQ(d.Decoder.DatasetType, "PDS");
}

TEST(Decoder, ZeroLengthSegmentFailsTheDecode) {
    MemoryOut out;
    XmitWriter w(out);
    w.Control(1, HeaderUnits());
    w.Control(2, SeqUnits());
    w.Control(3, {});
    w.Raw({0x00, 0x80, 0x00, 0x00});
    Decoded d(out.Data);
    EXPECT_EQ(d.Result, 1);
    ASSERT_EQ(d.Errors.Reports.size(), 1u);
    EXPECT_EQ(d.Errors.Reports[0].Details[0], "Invalid xmit record length of zero encountered");
    EXPECT_EQ(d.Errors.Reports[0].Details[3], "Current xmit record length is 0 bytes");
}

TEST(Decoder, ControlRecordsLongerThanTheBufferFail) {
    auto header = HeaderUnits();
    for (int k = 0; k < 30; ++k) header.push_back(TextUnit::Text(0x1029, std::string(20, 'P')));
    Decoded d(Sequential(SeqUnits(), header));
    EXPECT_EQ(d.Result, 1);
    ASSERT_EQ(d.Errors.Reports.size(), 1u);
    EXPECT_NE(d.Errors.Reports[0].Details[0].find("longer than 514"), std::string::npos);
}

TEST(Decoder, TextUnitLengthPastTheRecordFails) {
    MemoryOut out;
    XmitWriter w(out);
    // INMR01 whose last item claims 40 bytes but carries 3.
    Bytes record = ToEbcdic("INMR01");
    record.insert(record.end(), {0x10, 0x11, 0x00, 0x01, 0x00, 0x28, 0xC1, 0xC2, 0xC3});
    w.Segment(static_cast<std::uint8_t>(record.size() + 2), 0xE0, record);
    w.Control(6, {});
    Decoded d(out.Data);
    EXPECT_EQ(d.Result, 1);
    EXPECT_NE(d.Errors.Reports.at(0).Details[0].find("past the end"), std::string::npos);
}

TEST(Decoder, FileCutShortRaisesAReadError) {
    Bytes full = Sequential(SeqUnits());
    Bytes cut(full.begin(), full.begin() + full[0] + 10);  // inside INMR02
    Decoded d(cut);
    EXPECT_EQ(d.Result, -1);
    EXPECT_FALSE(d.ReadFailure.empty());
    EXPECT_STREQ(d.Decoder.FromNode, "NODEA");  // what was filled stays

    // A message without INMR06: the loop ends at the end of the file with a read error.
    MemoryOut out;
    XmitWriter w(out);
    w.Control(1, HeaderUnits());
    w.Control(2, {TextUnit{0x0028, {}}});
    w.Control(3, {});
    w.Record(ToEbcdic("NO TRAILER"));
    Decoded n(out.Data);
    EXPECT_EQ(n.Result, -1);
    EXPECT_EQ(n.Memo.Lines.size(), 1u);
}

TEST(Decoder, DebugHeadersDumpEveryControlRecordAndSayOk) {
    Decoded d(Sequential(SeqUnits()), 0, 1);
    ASSERT_EQ(d.Result, 0);
    ASSERT_EQ(d.Viewers.Viewers.size(), 1u);
    const MemoryViewer& v = *d.Viewers.Viewers[0];
    EXPECT_TRUE(v.TextShown);
    EXPECT_EQ(v.Status0, "Ok");
    std::vector<std::string> titles;
    for (const std::string& line : v.Text()) {
        if (line.rfind("Header: ", 0) == 0) titles.push_back(line);
    }
    EXPECT_EQ(titles,
              (std::vector<std::string>{"Header: INMR01", "Header: INMR02", "Header: INMR03"}));

    Decoded f(BrokenHeader(), 0, 1);
    EXPECT_EQ(f.Result, 1);
    ASSERT_EQ(f.Viewers.Viewers.size(), 1u);
    EXPECT_EQ(f.Viewers.Viewers[0]->Status0, "Loading...");
    EXPECT_EQ(f.Viewers.Viewers[0]->Text().at(0), "Header: INMR01");
}
