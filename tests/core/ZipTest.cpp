#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "Sha256.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"
#include "io/ByteSource.h"
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

// An archive read from memory, with the warnings its directory gave.
struct Memory {
    explicit Memory(const Bytes& bytes)
        : Zip(ZipReader::Open(std::make_unique<MemorySource>(bytes, "test.zip"), &Warnings)) {}
    explicit Memory(const ZipSpec& plan) : Memory(BuildZip(plan)) {}
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : Zip->Entries()) names.push_back(e.FileName);
        return names;
    }
    std::vector<std::string> Warnings;
    Result<ZipReader> Zip;
};

// An archive in a folder, unpacked into that folder through the intake.
struct Archive {
    explicit Archive(const ZipSpec& plan)
        : Intake([this](const std::string& line) { Lines.push_back(line); }) {
        Path = (Dir / "test.zip").string();
        WriteFile(Path, BuildZip(plan));
        Counted = Intake.CountXmitEntries(Path).Ok();
        Intake.Destination = Dir.Path().string();
    }
    // Unpacks each name; the error lines of those that failed.
    std::vector<std::string> Extract(const std::vector<std::string>& names, bool overwrite) {
        std::vector<std::string> errors;
        for (const std::string& name : names) {
            auto written = Intake.ExtractChosen(name, overwrite);
            if (!written) errors.push_back(written.Err().Message);
        }
        return errors;
    }
    TempDir Dir;
    std::string Path;
    std::vector<std::string> Lines;
    ZipIntake Intake;
    bool Counted = false;
};

ZipSpec TwoEntries() {
    ZipSpec plan;
    plan.Entries = {{"DIR/", {}, 0}, {"DIR/A.XMI", Data(5000), 8}, {"B.txt", Data(300, 1), 0}};
    return plan;
}
}  // namespace

TEST(ZipDirectory, ListsEntriesWithoutFoldersAndWithBackslashes) {
    Memory a(TwoEntries());
    ASSERT_TRUE(a.Zip.Ok());
    ASSERT_EQ(a.Zip->Count(), 2);
    EXPECT_EQ(a.Names(), (std::vector<std::string>{"DIR\\A.XMI", "B.txt"}));
    EXPECT_EQ(a.Zip->Entries()[0].UncompressedSize, 5000);
    EXPECT_EQ(a.Zip->Name(), "test.zip");
    EXPECT_TRUE(a.Warnings.empty());
}

TEST(ZipDirectory, CommentIsFoundByTheBackwardSearch) {
    ZipSpec plan = TwoEntries();
    plan.Comment = std::string(100, 'c');
    Memory a(plan);
    ASSERT_TRUE(a.Zip.Ok());
    EXPECT_EQ(a.Zip->Count(), 2);
    EXPECT_TRUE(a.Warnings.empty());
}

TEST(ZipDirectory, DataBeforeTheArchiveWarnsAndStillUnpacks) {
    ZipSpec plan = TwoEntries();
    plan.Prefix = Bytes(1000, 0x90);
    Memory a(plan);
    ASSERT_TRUE(a.Zip.Ok());
    ASSERT_EQ(a.Zip->Count(), 2);
    ASSERT_EQ(a.Warnings.size(), 1u);
    EXPECT_NE(a.Warnings[0].find("1000 bytes"), std::string::npos);
    auto bytes = a.Zip->ReadEntry(*a.Zip->Find("A.XMI"));
    ASSERT_TRUE(bytes.Ok()) << bytes.Err().Message;
    EXPECT_EQ(bytes.Value(), Data(5000));
}

TEST(ZipDirectory, ZeroPaddingToA512BoundaryIsQuietOtherTrailingDataWarns) {
    ZipSpec padded = TwoEntries();
    padded.PadTo = 512;
    Memory p(padded);
    ASSERT_TRUE(p.Zip.Ok());
    EXPECT_EQ(p.Zip->Count(), 2);
    EXPECT_TRUE(p.Warnings.empty());

    ZipSpec trailing = TwoEntries();
    trailing.Trailer = Bytes(30, 0x41);
    Memory t(trailing);
    ASSERT_TRUE(t.Zip.Ok());
    EXPECT_EQ(t.Zip->Count(), 2);
    ASSERT_EQ(t.Warnings.size(), 1u);
    EXPECT_NE(t.Warnings[0].find("Warning"), std::string::npos);
}

TEST(ZipDirectory, ANonArchiveACutArchiveAndZip64AreErrorsThatNameTheArchive) {
    const Bytes good = BuildZip(TwoEntries());
    Bytes zip64 = good;
    std::fill_n(zip64.end() - 6, 4, 0xFF);  // the directory's offset: in the Zip64 record
    struct Case {
        Bytes bytes;
        const char* why;
    };
    std::vector<Case> cases = {{Bytes(5000, 0x33), "not a zip archive"},
                               {zip64, "Zip64 archives are not supported"}};
    for (std::size_t cut : {std::size_t{0}, std::size_t{10}, good.size() / 2, good.size() - 1})
        cases.push_back({Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), ""});
    for (const Case& c : cases) {
        Memory a(c.bytes);
        ASSERT_FALSE(a.Zip.Ok()) << c.why;
        EXPECT_EQ(a.Zip.Err().Message.rfind("Error reading zip file test.zip: ", 0), 0u);
        EXPECT_NE(a.Zip.Err().Message.find(c.why), std::string::npos) << a.Zip.Err().Message;
        EXPECT_EQ(a.Zip.Err().Caption, "Zip");
    }
}

TEST(ZipDirectory, OemNamesFromDosAreConverted) {
    ZipSpec plan;
    plan.Entries = {{std::string("M\x81LLER.XMI"), Data(10), 0, 0, 0x0014}};
    Memory a(plan);
    ASSERT_TRUE(a.Zip.Ok());
    ASSERT_EQ(a.Zip->Count(), 1);
    EXPECT_EQ(a.Zip->Entries()[0].FileName, "M\u00FCLLER.XMI");
}

TEST(ZipEntryInMemory, ComesWholeOrAsAnErrorBoundedByTheLimit) {
    ZipSpec plan;
    plan.Entries = {{"A.XMI", Data(5000), 8}, {"crc.xmi", Data(2000), 8, 0, 0x0314, true}};
    Memory a(plan);
    ASSERT_TRUE(a.Zip.Ok());
    const ZipDirEntry& good = a.Zip->Entries()[0];
    auto whole = a.Zip->ReadEntry(good, 5000);
    ASSERT_TRUE(whole.Ok()) << whole.Err().Message;
    EXPECT_EQ(whole.Value(), Data(5000));
    auto large = a.Zip->ReadEntry(good, 4999);
    ASSERT_FALSE(large.Ok());
    EXPECT_NE(large.Err().Message.find("more than the 4999"), std::string::npos);
    // An entry that inflates past its recorded size stops there.
    ZipDirEntry understated = good;
    understated.UncompressedSize = 100;
    auto bomb = a.Zip->ReadEntry(understated, 200);
    ASSERT_FALSE(bomb.Ok());
    EXPECT_EQ(bomb.Err().Message, "it holds more data than recorded");
    auto damaged = a.Zip->ReadEntry(a.Zip->Entries()[1]);
    ASSERT_FALSE(damaged.Ok());
    EXPECT_NE(damaged.Err().Message.find("CRC error"), std::string::npos);
}

TEST(ZipExtract, StoredAndDeflatedEntriesAreByteExact) {
    Archive a(TwoEntries());
    ASSERT_TRUE(a.Counted);
    EXPECT_TRUE(a.Extract({"DIR\\A.XMI", "B.txt"}, false).empty());
    EXPECT_EQ(ReadFile(a.Dir / "A.XMI"), Data(5000));
    EXPECT_EQ(ReadFile(a.Dir / "B.txt"), Data(300, 1));
    EXPECT_FALSE(std::filesystem::exists(a.Dir / "DIR"));  // no stored folders
}

TEST(ZipExtract, OverwriteOnlyWhenAsked) {
    Archive a(TwoEntries());
    WriteFile(a.Dir / "B.txt", Bytes(3, 'o'));
    const auto refused = a.Extract({"B.txt"}, false);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].find("exists and over-writing is off"), std::string::npos);
    EXPECT_EQ(ReadFile(a.Dir / "B.txt"), Bytes(3, 'o'));
    EXPECT_TRUE(a.Extract({"B.txt"}, true).empty());
    EXPECT_EQ(ReadFile(a.Dir / "B.txt"), Data(300, 1));
}

TEST(ZipExtract, BadEntriesAreReportedByNameAndLeaveNoFile) {
    ZipSpec plan;
    plan.Entries = {{"crc.xmi", Data(2000), 8, 0, 0x0314, true},
                    {"method.xmi", Data(50), 12},
                    {"secret.xmi", Data(50), 0, 0x0001},
                    {"local.xmi", Data(50), 0, 0, 0x0314, false, "other.xmi"}};
    Archive a(plan);
    ASSERT_EQ(a.Intake.Entries().size(), 4u);
    const auto errors =
        a.Extract({"crc.xmi", "method.xmi", "secret.xmi", "local.xmi", "none"}, true);
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_NE(errors[0].find("crc.xmi: CRC error"), std::string::npos);
    EXPECT_NE(errors[1].find("method.xmi: compression method 12"), std::string::npos);
    EXPECT_NE(errors[2].find("secret.xmi: encrypted"), std::string::npos);
    EXPECT_NE(errors[3].find("local.xmi: its local header does not agree"), std::string::npos);
    EXPECT_EQ(errors[4], "No entry none in the archive");
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
    EXPECT_TRUE(a.Extract({"../../evil.xmi", "C:\\x\\drive.xmi", "/abs/path.xmi"}, false).empty());
    EXPECT_TRUE(std::filesystem::exists(a.Dir / "evil.xmi"));
    EXPECT_TRUE(std::filesystem::exists(a.Dir / "drive.xmi"));
    EXPECT_TRUE(std::filesystem::exists(a.Dir / "path.xmi"));
    EXPECT_FALSE(std::filesystem::exists(a.Dir.Path().parent_path().parent_path() / "evil.xmi"));
    // A name no file may have is written escaped, as extraction does.
    EXPECT_TRUE(a.Extract({"dots\\.."}, false).empty());
    EXPECT_EQ(a.Intake.OpenPath(), a.Dir / "%2E%2E");
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
    std::vector<std::string> lines;
    ZipIntake intake([&](const std::string& line) { lines.push_back(line); });
    auto counted = intake.CountXmitEntries((dir / "a.zip").string());
    ASSERT_TRUE(counted.Ok());
    EXPECT_EQ(counted.Value(), 3);
    EXPECT_EQ(intake.RememberedName, "sub.XMIT\\readme");
    EXPECT_EQ(lines.at(0), "Opening zip file a.zip");
    EXPECT_FALSE(intake.Automatic(true));
    auto rows = intake.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].FileName, "readme");
    EXPECT_EQ(rows[3].Folder, "sub.XMIT\\");
    EXPECT_EQ(rows[0].SizeText, "10 bytes");
}

TEST(ZipIntake, AMissingArchiveIsAnErrorAnUnreadableOneAnAlert) {
    TempDir dir;
    WriteFile(dir / "bad.zip", Bytes(300, 'z'));
    ZipIntake intake;
    auto missing = intake.CountXmitEntries("/no/such/file.zip");
    ASSERT_FALSE(missing.Ok());
    EXPECT_EQ(missing.Err().Message, "Error - zip file\n/no/such/file.zip\nNot found!");
    EXPECT_EQ(missing.Err().Caption, "Error");

    auto bad = intake.CountXmitEntries((dir / "bad.zip").string());
    ASSERT_TRUE(bad.Ok());
    EXPECT_EQ(bad.Value(), 0);
    EXPECT_FALSE(intake.IsOpen());
    ASSERT_EQ(intake.Alerts().size(), 1u);
    EXPECT_EQ(intake.Alerts()[0].rfind("Error reading zip file bad.zip: it is not a zip", 0), 0u);
    auto unpacked = intake.ExtractChosen("A.XMI", true);
    ASSERT_FALSE(unpacked.Ok());
    EXPECT_EQ(unpacked.Err().Caption, "Zip");  // a warning box as well as the line
}

TEST(ZipIntake, AutomaticModeUnpacksTheOneXmitIntoTheChosenFolder) {
    PdsSpec pds;
    pds.Members = {{"M", ToEbcdic(std::string(80, 'm')), false, "", {}}};
    ZipSpec plan;
    plan.Entries = {{"FOLDER/DATA.XMI", BuildPds(pds), 8}, {"notes.txt", Data(10), 0}};
    TempDir dir;
    WriteFile(dir / "a.zip", BuildZip(plan));
    std::filesystem::create_directories(dir / "zipdir");
    ZipIntake intake;
    ASSERT_EQ(intake.CountXmitEntries((dir / "a.zip").string()).Value(), 1);
    intake.ChooseDestination((dir / "zipdir").string(), (dir / "program").string());
    EXPECT_EQ(intake.Destination, (dir / "zipdir").string());
    ASSERT_TRUE(intake.Automatic(true));
    WriteFile(dir / "zipdir" / "DATA.XMI", Bytes(1, 0));
    ASSERT_TRUE(intake.ExtractSingleXmit().Ok());
    EXPECT_EQ(intake.OpenPath(), dir / "zipdir" / "DATA.XMI");
    EXPECT_EQ(ReadFile(intake.OpenPath()), plan.Entries[0].Data);  // over-written

    intake.ChooseDestination((dir / "nowhere").string(), (dir / "program").string());
    EXPECT_EQ(intake.Destination, (dir / "program").string());
}

TEST(ZipIntake, AnXmitWithoutAnXmitNameIsFoundByItsContent) {
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(80, 's'))};
    ZipSpec plan;
    plan.Entries = {{"TRANSFER", BuildSequential(seq), 8}, {"notes.txt", Data(10), 0}};
    TempDir dir;
    WriteFile(dir / "a.zip", BuildZip(plan));
    ZipIntake intake;
    EXPECT_EQ(intake.CountXmitEntries((dir / "a.zip").string()).Value(), 0);
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
        std::vector<std::string> warnings;
        auto zip = ZipReader::OpenFile((SamplesDir() / name).string(), &warnings);
        ASSERT_TRUE(zip.Ok()) << zip.Err().Message;
        EXPECT_TRUE(warnings.empty());
        ASSERT_EQ(static_cast<std::size_t>(zip->Count()), e["entries"].size());
        for (std::size_t i = 0; i < e["entries"].size(); ++i) {
            const auto& x = e["entries"][i];
            std::string stored = x["name"];
            std::replace(stored.begin(), stored.end(), '/', '\\');
            EXPECT_EQ(zip->Entries()[i].FileName, stored);
            EXPECT_EQ(zip->Entries()[i].UncompressedSize, x["size"].get<std::int64_t>());
            auto bytes = zip->ReadEntry(zip->Entries()[i]);
            ASSERT_TRUE(bytes.Ok()) << bytes.Err().Message;
            EXPECT_EQ(Sha256Hex(bytes.Value()), x["sha256"].get<std::string>());
        }
    }
}
