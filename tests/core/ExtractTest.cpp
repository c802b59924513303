#include <gtest/gtest.h>

#include "Decoded.h"
#include "decode/S390format.h"
#include "extract/Extractdata.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
Bytes Pattern(std::size_t n, std::uint8_t salt = 0) {
    Bytes b(n);
    for (std::size_t k = 0; k < n; ++k) b[k] = static_cast<std::uint8_t>((k * 7 + salt) % 251);
    return b;
}

Bytes Text(std::size_t records, char c) {
    std::string s;
    for (std::size_t r = 0; r < records; ++r) {
        std::string line = std::string(1, c) + std::to_string(r);
        line.resize(80, ' ');
        s += line;
    }
    return ToEbcdic(s);
}

struct Opened {
    explicit Opened(const PdsSpec& plan) : D(BuildPds(plan)) {
        X = MemberExtractor::Create(D.Decoder, D.File, D.Notify, D.Errors);
    }
    explicit Opened(const Bytes& bytes) : D(bytes) {
        X = MemberExtractor::Create(D.Decoder, D.File, D.Notify, D.Errors);
    }
    std::uint32_t Ttr(std::size_t row) const { return D.List.Rows.at(row).Ttr.Get(); }
    // Binary or text extraction of a row to a file; returns the file's bytes.
    Bytes Extract(std::size_t row, bool text, int* result = nullptr) {
        X->TextMode = text;
        auto path = (D.Dir / ("out" + std::to_string(row))).string();
        int r = X->ReadMember(P, Ttr(row), path, nullptr);
        if (result) *result = r;
        return std::filesystem::exists(path) ? ReadFile(path) : Bytes{};
    }
    Decoded D;
    std::unique_ptr<MemberExtractor> X;
    MemoryProgress P;
};

Bytes Crlf(const Bytes& ebcdic, std::size_t lrecl, std::size_t cut = 0) {
    Bytes out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t n = std::min(lrecl, ebcdic.size() - pos);
        std::size_t keep = cut && cut < n ? cut : n;
        for (std::size_t k = 0; k < keep; ++k) out.push_back(kEbcdicTable[ebcdic[pos + k]]);
        out.push_back('\r');
        out.push_back('\n');
        pos += n;
        if (n < lrecl) break;
    }
    return out;
}
}  // namespace

TEST(ReadMember, BlockChainsGiveExactlyTheMembersBytes) {
    // Several blocks per record, short last blocks, the end block sharing a
    // record or standing alone, small segments that split count fields.
    for (std::size_t perRecord : {1u, 3u}) {
        for (bool eofShared : {true, false}) {
            for (std::size_t segment : {20u, 37u, 255u}) {
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
                ASSERT_EQ(o.D.Result, 0);
                for (std::size_t row = 0; row < 3; ++row) {
                    int r = -1;
                    EXPECT_EQ(o.Extract(row, false, &r), plan.Members[row].Data)
                        << perRecord << eofShared << segment << " row " << row;
                    EXPECT_EQ(r, 0);
                }
            }
        }
    }
}

TEST(ReadMember, CountFieldStraddlingEverySegmentPosition) {
    // Segment sizes 14 to 40 move the count fields across every split point.
    for (std::size_t segment = 14; segment <= 40; ++segment) {
        PdsSpec plan;
        plan.Recfm = 0xC000;
        plan.Blksize = 50;
        plan.BlocksPerRecord = 4;
        plan.MaxSegment = segment;
        plan.Members = {{"A", Pattern(333, 5), false, "", {}}};
        Opened o(plan);
        ASSERT_EQ(o.D.Result, 0) << segment;
        EXPECT_EQ(o.Extract(0, false), plan.Members[0].Data) << segment;
    }
}

TEST(ReadMember, TextExtractionCutsRecordsAndEndsLinesWithCrLf) {
    PdsSpec plan;
    plan.Members = {{"TWO", Text(2, 'T'), false, "", {}}, {"ODD", Text(3, 'O'), false, "", {}}};
    plan.Members[1].Data.resize(200);  // a short last record
    Opened o(plan);
    Bytes two = o.Extract(0, true);
    EXPECT_EQ(two.size(), 166u);  // two lines and an empty last line
    EXPECT_EQ(two, Crlf(plan.Members[0].Data, 80));
    EXPECT_EQ(o.Extract(1, true), Crlf(plan.Members[1].Data, 80));
}

TEST(ReadMember, TruncationAppliesToEveryMemberOfACommand) {
    PdsSpec plan;
    plan.Members = {{"A", Text(2, 'A'), false, "", {}}, {"B", Text(2, 'B'), false, "", {}}};
    Opened o(plan);
    o.X->TruncateLength = 72;
    EXPECT_EQ(o.Extract(0, true).size(), 150u);
    EXPECT_EQ(o.Extract(1, true), Crlf(plan.Members[1].Data, 80, 72));
    o.X->FinishCommand();
    EXPECT_EQ(o.Extract(1, true).size(), 166u);
    // A binary read is unaffected by a cut of 0.
    o.X->TruncateLength = 0;
    EXPECT_EQ(o.Extract(0, false), plan.Members[0].Data);
}

TEST(ReadMember, TextViewShowsEveryRecordWithControlsVisible) {
    PdsSpec plan;
    Bytes data = Text(2, 'V');
    data[5] = 0x00;  // translates to NUL
    plan.Members = {{"V", data, false, "", {}}};
    Opened o(plan);
    MemoryViewer viewer("V       ");
    o.X->TextMode = true;
    ASSERT_EQ(o.X->ReadMember(o.P, o.Ttr(0), "", &viewer), 0);
    ASSERT_EQ(viewer.Text().size(), 3u);
    EXPECT_EQ(viewer.Text()[0].substr(0, 8), "V0   \u2400");
    EXPECT_EQ(viewer.Text()[2], "");
    EXPECT_EQ(viewer.Status0, "Data read ok.");
    EXPECT_EQ(viewer.Status1, "Size: 160 bytes");
    EXPECT_TRUE(viewer.Finished);
    // The text file still gets the byte.
    Bytes file = o.Extract(0, true);
    EXPECT_EQ(file[5], 0x00);
}

TEST(ReadMember, HexViewBlocksAndOffsets) {
    PdsSpec plan;
    plan.Recfm = 0xC000;
    plan.Blksize = 1000;
    plan.Members = {{"H", Pattern(2048), false, "", {}}};
    Opened o(plan);
    MemoryViewer viewer("H");
    o.X->TextMode = false;
    ASSERT_EQ(o.X->ReadMember(o.P, o.Ttr(0), "", &viewer), 0);
    std::vector<std::string> sizes, firstRows;
    const auto& t = viewer.Text();
    for (std::size_t k = 0; k < t.size(); ++k) {
        if (t[k].rfind("Dump size is: ", 0) == 0) {
            sizes.push_back(t[k]);
            EXPECT_EQ(t[k - 1], "H");
            if (k + 2 < t.size()) firstRows.push_back(t[k + 2].substr(0, 6));
        }
    }
    EXPECT_EQ(sizes,
              (std::vector<std::string>{"Dump size is: 1024 bytes", "Dump size is: 1024 bytes",
                                        "Dump size is: 0 bytes"}));
    EXPECT_EQ(firstRows[0], "000000");
    EXPECT_EQ(firstRows[1], "000400");
    EXPECT_EQ(viewer.Status1, "Size: 2048 bytes");
}

TEST(ReadMember, LocationErrors) {
    PdsSpec plan;
    plan.Members = {{"A", Text(1, 'A'), false, "", {}}};
    Opened o(plan);
    MemoryViewer viewer("NOWHERE ");
    EXPECT_EQ(o.X->ReadMember(o.P, 0x123456, "", &viewer), 1);
    ASSERT_EQ(o.D.Errors.Reports.size(), 1u);
    const auto& r = o.D.Errors.Reports[0];
    EXPECT_EQ(r.Caption, "Data extraction error!");
    EXPECT_EQ(r.Title, "Cannot find correct data location for");
    EXPECT_EQ(r.Reason, "NOWHERE ");
    EXPECT_EQ(r.Details[0], "member NOWHERE  offsets into file:");
    EXPECT_EQ(r.Details[1].rfind("Start   = ", 0), 0u);
    EXPECT_EQ(r.Details[2].rfind("End       = ", 0), 0u);
    EXPECT_TRUE(viewer.Text().empty());
}

TEST(ReadMember, UnfoundMemberReportsTheLocationErrorAndOthersStillRead) {
    PdsSpec plan;
    plan.Members = {{"A", Text(2, 'A'), false, "", {}},
                    {"B", Text(2, 'B'), false, "", {}},
                    {"C", Text(2, 'C'), false, "", {}}};
    Opened o(plan);
    // Forget where B's data is, as when the scan did not find it.
    auto& map = *o.D.Decoder.MemberPositions;
    map[o.Ttr(1)] = 0;
    int r = 0;
    o.Extract(1, false, &r);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(o.Extract(0, false), plan.Members[0].Data);
    EXPECT_EQ(o.Extract(2, false), plan.Members[2].Data);
}

TEST(ReadMember, CancelStopsTheReadAndTheViewerSaysSo) {
    PdsSpec plan;
    plan.Members = {{"BIG", Text(500, 'Q'), false, "", {}}};
    Opened o(plan);
    MemoryViewer viewer("BIG");
    o.X->TextMode = true;
    o.P.CancelAfterPumps = 10;
    EXPECT_EQ(o.X->ReadMember(o.P, o.Ttr(0), "", &viewer), 0);
    EXPECT_EQ(viewer.Status0, "Operation cancelled. Not all the data is present.");
    EXPECT_LT(viewer.Text().size(), 500u);
    EXPECT_GT(viewer.Text().size(), 0u);
    // After a cancelled view the next extraction reads in full.
    o.P.IsCancelled = false;
    o.P.CancelAfterPumps = 0;
    EXPECT_EQ(o.Extract(0, false), plan.Members[0].Data);
}

TEST(ReadRange, SequentialDatasetIsReadWhole) {
    SequentialSpec plan;
    plan.Records = {Text(33, 'S'), Text(2, 'R')};
    Opened o(BuildSequential(plan));
    ASSERT_EQ(o.D.Result, 0);
    auto path = (o.D.Dir / "seq.bin").string();
    o.X->TextMode = false;
    ASSERT_EQ(o.X->ReadRange(o.P, o.D.Decoder.ContentStart, path, nullptr, o.D.Stream->Size()), 0);
    Bytes expected = plan.Records[0];
    expected.insert(expected.end(), plan.Records[1].begin(), plan.Records[1].end());
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(o.P.Maximum, 100);  // progress set back after the read
}

TEST(ReadRange, ZeroLengthInsideTheDataFails) {
    SequentialSpec plan;
    plan.Records = {Text(5, 'Z')};
    Bytes bytes = BuildSequential(plan);
    Opened good(bytes);
    const auto start = static_cast<std::size_t>(good.D.Decoder.ContentStart);
    bytes[start + bytes[start]] = 0;  // the second segment's length
    Opened o(bytes);
    auto path = (o.D.Dir / "z.txt").string();
    o.X->TextMode = true;
    EXPECT_EQ(o.X->ReadRange(o.P, o.D.Decoder.ContentStart, path, nullptr, o.D.Stream->Size()), 1);
    EXPECT_EQ(o.D.Errors.Reports.at(0).Title, "Zero length record encountered");
}

TEST(ReadRange, TruncatedFileEndsWithAClearErrorAndNoInventedData) {
    PdsSpec plan;
    plan.Recfm = 0xC000;
    plan.Blksize = 500;
    plan.Members = {{"A", Pattern(400), false, "", {}}, {"B", Pattern(5000, 9), false, "", {}}};
    Bytes bytes = BuildPds(plan);
    Opened full(bytes);
    const auto bStart = static_cast<std::size_t>(full.D.Decoder.MemberPositions->at(full.Ttr(1)));
    Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bStart + 1000));
    Opened o(cut);
    ASSERT_EQ(o.D.Result, 0);
    EXPECT_EQ(o.Extract(0, false), plan.Members[0].Data);
    int r = 0;
    WriteFile(o.D.Dir / "out1", Bytes(10, 'o'));  // an older file at the target
    Bytes after = o.Extract(1, false, &r);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(after, Bytes(10, 'o'));  // the failed read wrote nothing under the name
    for (const auto& e : std::filesystem::directory_iterator(o.D.Dir.Path())) {
        EXPECT_EQ(e.path().string().find("corvane-part"), std::string::npos);
    }
    EXPECT_NE(o.D.Errors.Reports.back().Title.find("end of file"), std::string::npos);
    // A view shows what was there before the file ended, and no more.
    MemoryViewer viewer("B");
    o.X->TextMode = false;
    EXPECT_EQ(o.X->ReadMember(o.P, o.Ttr(1), "", &viewer), 1);
}

TEST(ReadRange, TextReadWithoutRecordLengthIsRefused) {
    SequentialSpec plan;
    plan.Lrecl = 0;
    plan.Records = {Text(1, 'L')};
    Opened o(BuildSequential(plan));
    MemoryViewer viewer("L");
    o.X->TextMode = true;
    EXPECT_EQ(o.X->ReadRange(o.P, o.D.Decoder.ContentStart, "", &viewer, o.D.Stream->Size()), 1);
    EXPECT_NE(o.D.Errors.Reports.at(0).Title.find("Record length is 0"), std::string::npos);
    o.X->Lrecl = 0x7FFFFFFF;  // a damaged record-length unit
    EXPECT_EQ(o.X->ReadRange(o.P, o.D.Decoder.ContentStart, "", &viewer, o.D.Stream->Size()), 1);
    EXPECT_NE(o.D.Errors.Reports.back().Title.find("too large"), std::string::npos);
}

TEST(OutputFile, OverwritesALongerFileAndIgnoresOneCharacterPaths) {
    PdsSpec plan;
    plan.Members = {{"A", Text(2, 'A'), false, "", {}}};
    Opened o(plan);
    auto path = o.D.Dir / "out0";
    WriteFile(path, Bytes(10000, 'z'));
    EXPECT_EQ(o.Extract(0, false), plan.Members[0].Data);

    o.X->TextMode = false;
    EXPECT_EQ(o.X->ReadMember(o.P, o.Ttr(0), "x", nullptr), 1);  // no sink: nothing written
    EXPECT_FALSE(std::filesystem::exists("x"));

    auto missing = (o.D.Dir / "no-such-folder" / "f.bin").string();
    EXPECT_EQ(o.X->ReadMember(o.P, o.Ttr(0), missing, nullptr), 1);
    EXPECT_EQ(o.D.Notify.Messages.back().Text, "Cannot create file " + missing);
}
