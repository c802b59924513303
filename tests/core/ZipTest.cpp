#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "MemoryPorts.h"
#include "Sha256.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"
#include "util/SizeText.h"
#include "zip/ZipIntake.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
Bytes Data(std::size_t n, std::uint8_t salt = 0) {
    Bytes b(n);
    for (std::size_t k = 0; k < n; ++k) b[k] = static_cast<std::uint8_t>((k / 7 + salt) % 256);
    return b;
}

struct Archive {
    explicit Archive(const ZipSpec& plan) {
        Path = (Dir / "test.zip").string();
        WriteFile(Path, BuildZip(plan));
        Zip.OnMessage = [this](int code, const std::string& text) {
            Messages.push_back({code, text});
        };
        Zip.SetFileName(Path);
        Zip.ExtrBaseDir = Dir.Path().string();
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : Zip.Entries()) names.push_back(e.FileName);
        return names;
    }
    TempDir Dir;
    std::string Path;
    MemoryNotifier Notify;
    ZipReader Zip{&Notify};
    std::vector<std::pair<int, std::string>> Messages;
};

ZipSpec TwoEntries() {
    ZipSpec plan;
    plan.Entries = {{"DIR/", {}, 0}, {"DIR/A.XMI", Data(5000), 8}, {"B.txt", Data(300, 1), 0}};
    return plan;
}
}  // namespace

TEST(ZipDirectory, ListsEntriesWithoutFoldersAndWithBackslashes) {
    Archive a(TwoEntries());
    ASSERT_EQ(a.Zip.Count(), 2);
    EXPECT_EQ(a.Names(), (std::vector<std::string>{"DIR\\A.XMI", "B.txt"}));
    EXPECT_EQ(a.Zip.Entries()[0].UncompressedSize, 5000);
    EXPECT_EQ(a.Zip.ZipFileName(), a.Path);
    EXPECT_TRUE(a.Messages.empty());
    EXPECT_TRUE(a.Notify.Messages.empty());
}

TEST(ZipDirectory, CommentIsFoundByTheBackwardSearch) {
    ZipSpec plan = TwoEntries();
    plan.Comment = std::string(100, 'c');
    Archive a(plan);
    EXPECT_EQ(a.Zip.Count(), 2);
    EXPECT_TRUE(a.Messages.empty());
}

TEST(ZipDirectory, DataBeforeTheArchiveWarnsAndStillExtracts) {
    ZipSpec plan = TwoEntries();
    plan.Prefix = Bytes(1000, 0x90);
    Archive a(plan);
    ASSERT_EQ(a.Zip.Count(), 2);
    ASSERT_EQ(a.Messages.size(), 1u);
    EXPECT_EQ(a.Messages[0].first, 0);
    EXPECT_NE(a.Messages[0].second.find("1000 bytes"), std::string::npos);
    EXPECT_EQ(a.Notify.Messages.size(), 1u);
    a.Zip.FSpecArgs = {"A.XMI"};
    EXPECT_EQ(a.Zip.Extract(), 1);
    EXPECT_EQ(ReadFile(a.Dir / "A.XMI"), Data(5000));
}

TEST(ZipDirectory, ZeroPaddingToA512BoundaryIsQuietOtherTrailingDataWarns) {
    ZipSpec padded = TwoEntries();
    padded.PadTo = 512;
    Archive p(padded);
    EXPECT_EQ(p.Zip.Count(), 2);
    EXPECT_TRUE(p.Messages.empty());

    ZipSpec trailing = TwoEntries();
    trailing.Trailer = Bytes(30, 0x41);
    Archive t(trailing);
    EXPECT_EQ(t.Zip.Count(), 2);
    ASSERT_EQ(t.Messages.size(), 1u);
    EXPECT_NE(t.Messages[0].second.find("Warning"), std::string::npos);
}

TEST(ZipDirectory, ANonArchiveAndACutArchiveLeaveItClosed) {
    TempDir dir;
    WriteFile(dir / "not.zip", Bytes(5000, 0x33));
    MemoryNotifier notify;
    ZipReader zip(&notify);
    zip.SetFileName((dir / "not.zip").string());
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(zip.ZipFileName(), "");
    ASSERT_EQ(notify.Messages.size(), 1u);
    EXPECT_NE(notify.Messages[0].Text.find("not a zip archive"), std::string::npos);

    Bytes good = BuildZip(TwoEntries());
    for (std::size_t cut : {std::size_t{0}, std::size_t{10}, good.size() / 2, good.size() - 1}) {
        WriteFile(dir / "cut.zip",
                  Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
        zip.SetFileName((dir / "cut.zip").string());
        EXPECT_EQ(zip.Count(), 0) << cut;
    }
    zip.SetFileName((dir / "missing.zip").string());
    EXPECT_EQ(zip.Count(), 0);
}

TEST(ZipDirectory, OemNamesFromDosAreConverted) {
    ZipSpec plan;
    plan.Entries = {{std::string("M\x81LLER.XMI"), Data(10), 0, 0, 0x0014}};
    Archive a(plan);
    ASSERT_EQ(a.Zip.Count(), 1);
    EXPECT_EQ(a.Zip.Entries()[0].FileName, "M\u00FCLLER.XMI");
}

TEST(ZipExtract, StoredAndDeflatedEntriesAreByteExact) {
    Archive a(TwoEntries());
    a.Zip.FSpecArgs = {"DIR\\A.XMI", "B.txt"};
    EXPECT_EQ(a.Zip.Extract(), 2);
    EXPECT_TRUE(a.Zip.FSpecArgs.empty());
    EXPECT_EQ(ReadFile(a.Dir / "A.XMI"), Data(5000));
    EXPECT_EQ(ReadFile(a.Dir / "B.txt"), Data(300, 1));
    EXPECT_FALSE(std::filesystem::exists(a.Dir / "DIR"));  // no stored folders
}

TEST(ZipExtract, OverwriteOnlyWhenAsked) {
    Archive a(TwoEntries());
    WriteFile(a.Dir / "B.txt", Bytes(3, 'o'));
    a.Zip.FSpecArgs = {"B.txt"};
    EXPECT_EQ(a.Zip.Extract(), 0);
    EXPECT_EQ(ReadFile(a.Dir / "B.txt"), Bytes(3, 'o'));
    a.Zip.ExtrOptions.ExtrOverWrite = true;
    a.Zip.FSpecArgs = {"B.txt"};
    EXPECT_EQ(a.Zip.Extract(), 1);
    EXPECT_EQ(ReadFile(a.Dir / "B.txt"), Data(300, 1));
}

TEST(ZipExtract, BadEntriesAreReportedByNameAndLeaveNoFile) {
    ZipSpec plan;
    plan.Entries = {{"crc.xmi", Data(2000), 8, 0, 0x0314, true},
                    {"method.xmi", Data(50), 12},
                    {"secret.xmi", Data(50), 0, 0x0001},
                    {"local.xmi", Data(50), 0, 0, 0x0314, false, "other.xmi"}};
    Archive a(plan);
    ASSERT_EQ(a.Zip.Count(), 4);
    a.Zip.FSpecArgs = {"crc.xmi", "method.xmi", "secret.xmi", "local.xmi"};
    EXPECT_EQ(a.Zip.Extract(), 0);
    std::vector<std::string> errors;
    for (const auto& [code, text] : a.Messages) {
        if (code != 0) errors.push_back(text);
    }
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_NE(errors[0].find("crc.xmi: CRC error"), std::string::npos);
    EXPECT_NE(errors[1].find("method.xmi: compression method 12"), std::string::npos);
    EXPECT_NE(errors[2].find("secret.xmi: encrypted"), std::string::npos);
    EXPECT_NE(errors[3].find("local.xmi: its local header does not agree"), std::string::npos);
    for (const auto& f : std::filesystem::directory_iterator(a.Dir.Path())) {
        EXPECT_EQ(f.path().filename(), "test.zip");  // nothing half-written left behind
    }
}

TEST(ZipExtract, HostileNamesStayInsideTheFolder) {
    ZipSpec plan;
    plan.Entries = {{"../../evil.xmi", Data(20), 0},
                    {"C:\\x\\drive.xmi", Data(20), 0},
                    {"/abs/path.xmi", Data(20), 0},
                    {"dots/..", Data(20), 0}};
    Archive a(plan);
    a.Zip.FSpecArgs = {"../../evil.xmi", "C:\\x\\drive.xmi", "/abs/path.xmi"};
    EXPECT_EQ(a.Zip.Extract(), 3);
    EXPECT_TRUE(std::filesystem::exists(a.Dir / "evil.xmi"));
    EXPECT_TRUE(std::filesystem::exists(a.Dir / "drive.xmi"));
    EXPECT_TRUE(std::filesystem::exists(a.Dir / "path.xmi"));
    EXPECT_FALSE(std::filesystem::exists(a.Dir.Path().parent_path().parent_path() / "evil.xmi"));
    // A name no file may have is written escaped, as extraction does.
    a.Zip.FSpecArgs = {"dots\\.."};
    EXPECT_EQ(a.Zip.Extract(), 1);
    EXPECT_EQ(a.Zip.ExtractedFiles.back(), a.Dir / "%2E%2E");
    EXPECT_EQ(ReadFile(a.Dir / "%2E%2E"), Data(20));
}

TEST(SizeText, Examples) {
    EXPECT_EQ(SizeText(0), "0 bytes");
    EXPECT_EQ(SizeText(1024), "1024 bytes");
    EXPECT_EQ(SizeText(1025), "1 k");
    EXPECT_EQ(SizeText(1048576), "1,024 k");
    EXPECT_EQ(SizeText(2097152), "2,048 k");
    EXPECT_EQ(SizeText(2000000), "1,953 k");
    EXPECT_EQ(SizeText(1024LL * 1000000), "1000,000 k");
}

TEST(ZipIntake, CountsXmitNamesCaseSensitivelyAndRemembersTheLast) {
    ZipSpec plan;
    plan.Entries = {{"A.xmi", Data(10), 0},
                    {"B.xml", Data(10), 0},
                    {"C.Xmi", Data(10), 0},
                    {"sub.XMIT/readme", Data(10), 0}};
    TempDir dir;
    WriteFile(dir / "a.zip", BuildZip(plan));
    MemoryNotifier notify;
    MemoryLines memo;
    ZipIntake intake(notify, memo);
    EXPECT_EQ(intake.CountXmitEntries((dir / "a.zip").string()), 3);
    EXPECT_EQ(intake.RememberedName, "sub.XMIT\\readme");
    EXPECT_EQ(memo.Lines.at(0), "Opening zip file a.zip");
    EXPECT_FALSE(intake.Automatic(true));
    auto rows = intake.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].FileName, "readme");
    EXPECT_EQ(rows[3].Folder, "sub.XMIT\\");
    EXPECT_EQ(rows[0].SizeText, "10 bytes");
}

TEST(ZipIntake, MissingArchiveSaysNotFound) {
    MemoryNotifier notify;
    MemoryLines memo;
    ZipIntake intake(notify, memo);
    EXPECT_EQ(intake.CountXmitEntries("/no/such/file.zip"), -1);
    ASSERT_EQ(notify.Messages.size(), 1u);
    EXPECT_EQ(notify.Messages[0].Text, "Error - zip file\n/no/such/file.zip\nNot found!");
}

TEST(ZipIntake, AutomaticModeUnpacksTheOneXmitIntoTheChosenFolder) {
    PdsSpec pds;
    pds.Members = {{"M", ToEbcdic(std::string(80, 'm')), false, "", {}}};
    ZipSpec plan;
    plan.Entries = {{"FOLDER/DATA.XMI", BuildPds(pds), 8}, {"notes.txt", Data(10), 0}};
    TempDir dir;
    WriteFile(dir / "a.zip", BuildZip(plan));
    std::filesystem::create_directories(dir / "zipdir");
    MemoryNotifier notify;
    MemoryLines memo;
    ZipIntake intake(notify, memo);
    ASSERT_EQ(intake.CountXmitEntries((dir / "a.zip").string()), 1);
    intake.ChooseDestination((dir / "zipdir").string(), (dir / "program").string());
    EXPECT_EQ(intake.Zip.ExtrBaseDir, (dir / "zipdir").string());
    ASSERT_TRUE(intake.Automatic(true));
    WriteFile(dir / "zipdir" / "DATA.XMI", Bytes(1, 0));
    intake.ExtractSingleXmit();
    EXPECT_EQ(intake.OpenPath(), dir / "zipdir" / "DATA.XMI");
    EXPECT_EQ(ReadFile(intake.OpenPath()), plan.Entries[0].Data);  // over-written

    intake.ChooseDestination((dir / "nowhere").string(), (dir / "program").string());
    EXPECT_EQ(intake.Zip.ExtrBaseDir, (dir / "program").string());
}

TEST(ZipIntake, AnXmitWithoutAnXmitNameIsFoundByItsContent) {
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(80, 's'))};
    ZipSpec plan;
    plan.Entries = {{"TRANSFER", BuildSequential(seq), 8}, {"notes.txt", Data(10), 0}};
    TempDir dir;
    WriteFile(dir / "a.zip", BuildZip(plan));
    MemoryNotifier notify;
    MemoryLines memo;
    ZipIntake intake(notify, memo);
    EXPECT_EQ(intake.CountXmitEntries((dir / "a.zip").string()), 0);
    EXPECT_EQ(intake.SignatureEntries, 1);
    EXPECT_TRUE(intake.Automatic(true));
    EXPECT_FALSE(intake.Automatic(false));
    EXPECT_EQ(intake.RememberedName, "TRANSFER");
}

TEST(ZipSamples, EntriesListAndUnpackAsRecorded) {
    if (SamplesDir().empty()) GTEST_SKIP() << "samples folder ../shared/samples absent: skipped";
    std::ifstream in(SamplesDir() / "expected.json");
    const nlohmann::json expected = nlohmann::json::parse(in);
    for (const auto& [name, e] : expected.items()) {
        if (e["kind"] != "zip") continue;
        SCOPED_TRACE(name);
        TempDir dir;
        MemoryNotifier notify;
        ZipReader zip(&notify);
        zip.SetFileName((SamplesDir() / name).string());
        ASSERT_EQ(static_cast<std::size_t>(zip.Count()), e["entries"].size());
        zip.ExtrBaseDir = dir.Path().string();
        for (std::size_t i = 0; i < e["entries"].size(); ++i) {
            const auto& x = e["entries"][i];
            std::string stored = x["name"];
            std::replace(stored.begin(), stored.end(), '/', '\\');
            EXPECT_EQ(zip.Entries()[i].FileName, stored);
            EXPECT_EQ(zip.Entries()[i].UncompressedSize, x["size"].get<std::int64_t>());
            zip.FSpecArgs = {stored};
            ASSERT_EQ(zip.Extract(), 1);
            EXPECT_EQ(Sha256Hex(ReadFile(zip.ExtractedFiles.back())),
                      x["sha256"].get<std::string>());
        }
        EXPECT_TRUE(notify.Messages.empty());
    }
}

TEST(ZipDirectory, Zip64ArchivesAreReportedAsUnsupported) {
    ZipSpec plan = TwoEntries();
    Bytes bytes = BuildZip(plan);
    const std::size_t end = bytes.size() - 22;
    bytes[end + 16] = bytes[end + 17] = bytes[end + 18] = bytes[end + 19] =
        0xFF;  // offset in the Zip64 record
    TempDir dir;
    WriteFile(dir / "z64.zip", bytes);
    MemoryNotifier notify;
    ZipReader zip(&notify);
    zip.SetFileName((dir / "z64.zip").string());
    EXPECT_EQ(zip.Count(), 0);
    ASSERT_EQ(notify.Messages.size(), 1u);
    EXPECT_NE(notify.Messages[0].Text.find("Zip64 archives are not supported"), std::string::npos);
}
