#include <gtest/gtest.h>

#include "MemoryPorts.h"
#include "Parsed.h"
#include "TempDir.h"
#include "decode/S390format.h"
#include "extract/MemberReader.h"
#include "present/Presenter.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
Bytes Pattern(std::size_t n, std::uint8_t salt = 0) {
    Bytes b(n);
    for (std::size_t k = 0; k < n; ++k) b[k] = static_cast<std::uint8_t>((k * 7 + salt) % 251);
    return b;
}

// A parsed file and a reader over it.
struct Opened {
    explicit Opened(const Bytes& bytes) : P(bytes), Reader(P.Source, P.Info()) {}
    explicit Opened(const PdsSpec& plan) : Opened(BuildPds(plan)) {}
    const MemberEntry* Member(std::size_t k) const { return &P.Info().Members.at(k); }

    Result<ReadSummary> ToFile(const MemberEntry* m, ReadForm form, const std::string& file,
                               std::int32_t cut = -1) {
        ReadRequest r;
        r.Member = m;
        r.Form = form;
        r.RecordCut = cut;
        r.OutputFile = Dir / file;
        r.Name = file;
        return Reader.Read(r, Progress);
    }
    // Extracts a member (or the dataset) and returns the file's bytes.
    Bytes Extract(const MemberEntry* m, ReadForm form, std::int32_t cut = -1) {
        auto r = ToFile(m, form, "out", cut);
        EXPECT_TRUE(r.Ok()) << (r.Ok() ? "" : r.Err().Title);
        return r.Ok() ? ReadFile(Dir / "out") : Bytes{};
    }
    Result<ReadSummary> View(const MemberEntry* m, ReadForm form, MemoryLines& lines,
                             const std::string& name) {
        ReadRequest r;
        r.Member = m;
        r.Form = form;
        r.Lines = &lines;
        r.Name = name;
        return Reader.Read(r, Progress);
    }

    Parsed P;
    MemberReader Reader;
    MemoryProgress Progress;
    TempDir Dir;
};

Bytes Crlf(const Bytes& ebcdic, std::size_t lrecl, std::size_t cut = 0) {
    Bytes out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t n = std::min(lrecl, ebcdic.size() - pos);
        const std::size_t keep = cut && cut < n ? cut : n;
        for (std::size_t k = 0; k < keep; ++k) out.push_back(kEbcdicTable[ebcdic[pos + k]]);
        out.push_back('\r');
        out.push_back('\n');
        pos += n;
        if (n < lrecl) break;
    }
    return out;
}
}  // namespace

TEST(MemberReader, BlockChainsGiveExactlyTheMembersBytes) {
    // Several blocks per record, short last blocks, the end block sharing a
    // record or standing alone, small segments that split count fields.
    for (std::size_t perRecord : {1u, 3u}) {
        for (bool eofShared : {true, false}) {
            for (std::size_t segment : {14u, 20u, 37u, 255u}) {
                PdsSpec plan;
                plan.Recfm = 0xC000;
                plan.Blksize = 700;
                plan.BlocksPerRecord = perRecord;
                plan.EofInLastRecord = eofShared;
                plan.MaxSegment = segment;
                plan.Members = {{"A", Pattern(2500, 1), false, "", {}},
                                {"B", Pattern(700, 2), false, "", {}},
                                {"C", Pattern(1, 3), false, "", {}}};
                Opened o(plan);
                ASSERT_TRUE(o.P.Ok()) << o.P.Err().Message;
                for (std::size_t k = 0; k < 3; ++k) {
                    EXPECT_EQ(o.Extract(o.Member(k), ReadForm::Binary), plan.Members[k].Data)
                        << perRecord << eofShared << segment << " member " << k;
                }
            }
        }
    }
}

TEST(MemberReader, TextFilesHaveCrLfLinesAndTheCutHoldsForEveryRead) {
    PdsSpec plan;
    plan.Members = {{"TWO", Cards(2, 'T'), false, "", {}}, {"ODD", Cards(3, 'O'), false, "", {}}};
    plan.Members[1].Data.resize(200);  // a short last record
    Opened o(plan);
    EXPECT_EQ(o.Extract(o.Member(0), ReadForm::Text), Crlf(plan.Members[0].Data, 80));
    EXPECT_EQ(o.Extract(o.Member(1), ReadForm::Text), Crlf(plan.Members[1].Data, 80));
    EXPECT_EQ(o.Extract(o.Member(0), ReadForm::Text, 72), Crlf(plan.Members[0].Data, 80, 72));
    EXPECT_EQ(o.Extract(o.Member(1), ReadForm::Text, 72), Crlf(plan.Members[1].Data, 80, 72));
}

TEST(MemberReader, TextViewShowsControlsVisibleAndTheFileKeepsTheByte) {
    PdsSpec plan;
    Bytes data = Cards(2, 'V');
    data[5] = 0x00;
    plan.Members = {{"V", data, false, "", {}}};
    Opened o(plan);
    MemoryLines lines;
    auto r = o.View(o.Member(0), ReadForm::Text, lines, "V");
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Bytes, 160);
    EXPECT_FALSE(r->Cancelled);
    ASSERT_EQ(lines.Lines.size(), 3u);
    EXPECT_EQ(lines.Lines[0].substr(0, 8), "V0   \u2400");
    EXPECT_EQ(lines.Lines[2], "");
    EXPECT_EQ(o.Extract(o.Member(0), ReadForm::Text)[5], 0x00);
}

TEST(MemberReader, HexViewBlocksAndOffsets) {
    PdsSpec plan;
    plan.Recfm = 0xC000;
    plan.Blksize = 1000;
    plan.Members = {{"H", Pattern(2048), false, "", {}}};
    Opened o(plan);
    MemoryLines lines;
    auto r = o.View(o.Member(0), ReadForm::Hex, lines, "H");
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r->Bytes, 2048);
    std::vector<std::string> sizes, firstRows;
    const auto& t = lines.Lines;
    for (std::size_t k = 1; k < t.size(); ++k) {
        if (t[k].rfind("Dump size is: ", 0) != 0) continue;
        sizes.push_back(t[k]);
        EXPECT_EQ(t[k - 1], "H");
        if (k + 2 < t.size()) firstRows.push_back(t[k + 2].substr(0, 6));
    }
    EXPECT_EQ(sizes,
              (std::vector<std::string>{"Dump size is: 1024 bytes", "Dump size is: 1024 bytes",
                                        "Dump size is: 0 bytes"}));
    EXPECT_EQ(firstRows, (std::vector<std::string>{"000000", "000400", ""}));
}

TEST(MemberReader, MembersNotFoundReportTheLocationAndOthersStillRead) {
    PdsSpec plan;
    plan.Members = {{"A", Cards(2, 'A'), false, "", {}}, {"B", Cards(2, 'B'), false, "", {}}};
    Opened o(plan);
    MemberEntry lost = *o.Member(1);
    lost.DataStart = -1;
    MemoryLines lines;
    auto r = o.View(&lost, ReadForm::Text, lines, "NOWHERE ");
    ASSERT_FALSE(r.Ok());
    const ErrorReportData report = present::ErrorReportFor(r.Err());
    EXPECT_EQ(report.Caption, "Data extraction error!");
    EXPECT_EQ(report.Title, "Cannot find correct data location for");
    EXPECT_EQ(report.Reason, "NOWHERE ");
    EXPECT_EQ(report.Details.at(0), "member NOWHERE  offsets into file:");
    EXPECT_EQ(report.Details.at(1).rfind("Start   = ", 0), 0u);
    EXPECT_TRUE(lines.Lines.empty());
    EXPECT_EQ(o.Extract(o.Member(0), ReadForm::Binary), plan.Members[0].Data);
}

TEST(MemberReader, CancelStopsTheReadAndKeepsWhatWasRead) {
    PdsSpec plan;
    plan.Members = {{"BIG", Cards(500, 'Q'), false, "", {}}};
    Opened o(plan);
    MemoryLines lines;
    o.Progress.CancelAfterPumps = 10;
    auto r = o.View(o.Member(0), ReadForm::Text, lines, "BIG");
    ASSERT_TRUE(r.Ok());
    EXPECT_TRUE(r->Cancelled);
    EXPECT_GT(lines.Lines.size(), 0u);
    EXPECT_LT(lines.Lines.size(), 500u);
}

TEST(MemberReader, SequentialDatasetIsReadWhole) {
    SequentialSpec plan;
    plan.Records = {Cards(33, 'S'), Cards(2, 'R')};
    Opened o(BuildSequential(plan));
    Bytes expected = plan.Records[0];
    expected.insert(expected.end(), plan.Records[1].begin(), plan.Records[1].end());
    EXPECT_EQ(o.Extract(nullptr, ReadForm::Binary), expected);
    EXPECT_EQ(o.Progress.Maximum, 100);  // progress set back after the read
}

TEST(MemberReader, DamageAndRefusedReadsLeaveNoFile) {
    PdsSpec plan;
    plan.Recfm = 0xC000;
    plan.Blksize = 500;
    plan.Members = {{"A", Pattern(400), false, "", {}}, {"B", Pattern(5000, 9), false, "", {}}};
    Bytes bytes = BuildPds(plan);
    const auto bStart = static_cast<std::size_t>(Parsed(bytes).Info().Members[1].DataStart);
    Opened cut(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bStart + 1000)));
    ASSERT_TRUE(cut.P.Ok()) << cut.P.Err().Message;
    EXPECT_EQ(cut.Extract(cut.Member(0), ReadForm::Binary), plan.Members[0].Data);
    WriteFile(cut.Dir / "old", Bytes(10, 'o'));
    auto r = cut.ToFile(cut.Member(1), ReadForm::Binary, "old");
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.Err().Title.find("end of file"), std::string::npos);
    EXPECT_EQ(ReadFile(cut.Dir / "old"), Bytes(10, 'o'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cut.Dir.Path()), {}), 2);

    SequentialSpec noLength;
    noLength.Lrecl = 0;
    noLength.Records = {Cards(1, 'L')};
    Opened o(BuildSequential(noLength));
    auto text = o.ToFile(nullptr, ReadForm::Text, "l.txt");
    ASSERT_FALSE(text.Ok());
    EXPECT_NE(text.Err().Title.find("Record length is 0"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(o.Dir / "l.txt"));
    auto folder = o.ToFile(nullptr, ReadForm::Binary, "no-such-folder/f.bin");
    ASSERT_FALSE(folder.Ok());
    EXPECT_EQ(folder.Err().Message,
              "Cannot create file " + (o.Dir / "no-such-folder/f.bin").string());
}

namespace {
std::vector<Bytes> VariableRecordsOf(std::size_t count) {
    std::vector<Bytes> records;
    for (std::size_t k = 0; k < count; ++k) {
        records.push_back(ToEbcdic("RECORD " + std::to_string(k) + std::string(k * 37 % 300, '*')));
    }
    return records;
}

PdsSpec VariablePds(const std::vector<Bytes>& records, bool spanned, std::size_t blksize) {
    PdsSpec plan;
    plan.Recfm = spanned ? 0x5800 : 0x5000;  // VBS, VB
    plan.Lrecl = 32756;
    plan.Blksize = static_cast<std::uint32_t>(blksize);
    VariableData v = VariableBlocks(records, blksize, spanned);
    plan.Members = {{"VAR", v.Data, false, "", {}}};
    plan.BlockSizes = {v.BlockSizes};
    return plan;
}

std::vector<std::string> Visible(const std::vector<Bytes>& records) {
    std::vector<std::string> lines;
    for (const Bytes& r : records) {
        std::string line;
        AppendEbcdicVisible(r.data(), r.size(), line);
        lines.push_back(line);
    }
    return lines;
}
}  // namespace

TEST(MemberReader, VariableRecordsAreLinesWithoutDescriptors) {
    const auto records = VariableRecordsOf(60);
    for (bool spanned : {false, true}) {
        // Spanned records longer than a block are joined from their segments.
        Opened o(VariablePds(records, spanned, spanned ? 120 : 800));
        ASSERT_TRUE(o.P.Ok()) << o.P.Err().Message;
        MemoryLines lines;
        auto r = o.View(o.Member(0), ReadForm::Text, lines, "VAR");
        ASSERT_TRUE(r.Ok()) << r.Err().Title;
        EXPECT_EQ(lines.Lines, Visible(records)) << spanned;
        Bytes file = o.Extract(o.Member(0), ReadForm::Text);
        Bytes expected;
        for (const Bytes& rec : records) {
            for (std::uint8_t b : rec) expected.push_back(kEbcdicTable[b]);
            expected.insert(expected.end(), {'\r', '\n'});
        }
        EXPECT_EQ(file, expected) << spanned;
        // Binary keeps the descriptors, as the mainframe holds the data.
        EXPECT_EQ(o.Extract(o.Member(0), ReadForm::Binary),
                  VariableBlocks(records, spanned ? 120 : 800, spanned).Data);
    }
}

TEST(MemberReader, DamagedDescriptorsEndTheReadNamingMemberAndOffset) {
    struct Case {
        std::size_t at;  // byte of the member data to change
        std::uint8_t value;
        const char* message;
    };
    const Case cases[] = {{1, 0x10, "Block descriptor word with length"},
                          {5, 0x00, "Record descriptor word with length"},
                          {5, 0x02, "Record descriptor word with length"},
                          {4, 0x7F, "Record descriptor word runs past its block"},
                          {6, 0x02, "Spanned record segment without its first segment"}};
    for (const Case& c : cases) {
        PdsSpec plan = VariablePds(VariableRecordsOf(10), false, 800);
        plan.Members[0].Data[c.at] = c.value;
        Opened o(plan);
        MemoryLines lines;
        auto r = o.View(o.Member(0), ReadForm::Text, lines, "VAR");
        ASSERT_FALSE(r.Ok()) << c.message;
        EXPECT_EQ(r.Err().Title.rfind(c.message, 0), 0u) << r.Err().Title;
        EXPECT_NE(r.Err().Title.find(" at offset "), std::string::npos);
        EXPECT_EQ(r.Err().Reason, "VAR");
    }
}

TEST(MemberReader, SequentialVariableDataIsOneLinePerXmitRecord) {
    SequentialSpec plan;
    plan.Recfm = 0x5002;  // VB, sent without record descriptor words
    plan.Records = {ToEbcdic("SHORT"), ToEbcdic(std::string(600, 'L')), ToEbcdic("")};
    Opened o(BuildSequential(plan));
    MemoryLines lines;
    auto r = o.View(nullptr, ReadForm::Text, lines, "SEQ");
    ASSERT_TRUE(r.Ok()) << r.Err().Title;
    EXPECT_EQ(lines.Lines, Visible(plan.Records));
}

TEST(MemberReader, AMemberWithoutItsEndBlockNeverTakesTheNextOnesData) {
    PdsSpec plan;
    plan.EofInLastRecord = false;  // each end block is a record of its own
    plan.Members = {{"A", Cards(20, 'A'), false, "", {}},
                    {"B", Cards(50, 'B'), false, "", {}},
                    {"C", Cards(20, 'C'), false, "", {}}};
    Bytes file = BuildPds(plan);
    // A's end block: a one-segment record of a count field with no data.
    const Bytes end = {14, 0xC0};
    auto at = std::search(file.begin(), file.end(), end.begin(), end.end());
    while (at != file.end() && (at[2 + 9] != 0 || at[2 + 10] != 0 || at[2 + 11] != 0))
        at = std::search(at + 1, file.end(), end.begin(), end.end());
    ASSERT_NE(at, file.end());
    const std::size_t cut = static_cast<std::size_t>(at - file.begin());
    file.erase(at, at + 14);
    file[cut + 2 + 8] = 0xEE;  // B's first block is not at B's address any more
    Opened o(file);
    for (std::size_t k : {0, 1}) {
        auto r = o.ToFile(o.Member(k), ReadForm::Binary, "out");
        EXPECT_FALSE(r.Ok()) << k;
        EXPECT_FALSE(std::filesystem::exists(o.Dir / "out")) << k;
    }
    EXPECT_EQ(o.Extract(o.Member(2), ReadForm::Binary), plan.Members[2].Data);
}
