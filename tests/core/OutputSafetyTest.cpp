// Output names made from data, the atomic writer, and what inputs are refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "XmitBuilder.h"
#include "extract/ExistingFile.h"
#include "io/AtomicWriter.h"
#include "io/ByteSource.h"
#include "io/OpenInputs.h"
#include "io/OutputName.h"
#include "zip/ZipIntake.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
std::string Text(const std::filesystem::path& p) {
    Bytes b = ReadFile(p);
    return std::string(b.begin(), b.end());
}

}  // namespace

TEST(OutputName, EscapesWhatNoFileNameMayHold) {
    struct Case {
        std::string name, ext, expected;
    };
    const std::vector<Case> cases = {
        {"BOOL    ", ".jcl", "BOOL.jcl"},
        {"/x/PWN", ".bin", "%2Fx%2FPWN.bin"},
        {"../../AB", ".bin", "..%2F..%2FAB.bin"},
        {"A\\B", "", "A%5CB"},
        {".", ".bin", "%2E.bin"},
        {"..", "", "%2E%2E"},
        {"        ", ".bin", "%20.bin"},
        {"", "", "%20"},
        {std::string("A\0B", 3), ".bin", "A%00B.bin"},
        {"A\nB\x7F", "", "A%0AB%7F"},
        {"A\xC2\x85", "", "A%C2%85"},           // a C1 control (NEL) in UTF-8
        {"\xC3\xA9T\xC3", "", "\xC3\xA9T%C3"},  // Latin-1 letter kept, a broken sequence escaped
        {"<>:\"|?*", "", "%3C%3E%3A%22%7C%3F%2A"},
        {"100%", ".txt", "100%25.txt"},
        {"A.", "", "A%2E"},
        {"A. ", "", "A%2E"},
        {"A", ".", "A%2E"},
        {" A", "", " A"},
        {"CON", ".txt", "%43ON.txt"},
        {"nul", "", "%6Eul"},
        {"Com1", ".bin", "%43om1.bin"},
        {"LPT9.X", "", "%4CPT9.X"},
        {"COM\xC2\xB9", "", "%43OM\xC2\xB9"},
        {"AUX .a", "", "%41UX .a"},
        {"CONSOLE", ".txt", "CONSOLE.txt"},
        {"COM10", "", "COM10"},
        {"A", "/../x", "A%2F..%2Fx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OutputName(c.name, c.ext), c.expected) << c.name;
    }
}

TEST(OutputName, DisplayEscapesControlsAndPercentOnly) {
    EXPECT_EQ(DisplayName("A/B:C"), "A/B:C");
    EXPECT_EQ(DisplayName(std::string("M\x15\0%", 4)), "M%15%00%25");
    EXPECT_EQ(DisplayName("X\xC2\x9F\xC3\xA9"), "X%C2%9F\xC3\xA9");
}

TEST(OutputName, ALongNameIsCutBetweenCharactersAndStaysDistinct) {
    // The cut falls inside a two-byte letter, then inside an escape.
    for (const std::string& stem : {std::string(241, 'a') + "\xC3\xA9" + std::string(40, 'b'),
                                    std::string(241, 'a') + ":" + std::string(40, 'b')}) {
        const std::string a = OutputName(stem + "X", ".txt"), b = OutputName(stem + "Y", ".txt");
        EXPECT_NE(a, b);
        EXPECT_LE(a.size(), 255u);
        EXPECT_EQ(a.substr(0, 241), std::string(241, 'a'));
        EXPECT_EQ(a.substr(241, 1), "~") << a;  // nothing of the cut character
        EXPECT_TRUE(a.ends_with(".txt")) << a;
    }
    const std::string exact(251, 'n');
    EXPECT_EQ(OutputName(exact, ".txt"), exact + ".txt");  // 255 bytes: as it is
}

TEST(OutputName, OneCommandNeverGivesTwoItemsOneFile) {
    OutputNameSet names;
    EXPECT_EQ(names.Take("SAME    ", ".bin"), "SAME.bin");
    EXPECT_EQ(names.Take("SAME", ".bin"), "SAME~2.bin");
    EXPECT_EQ(names.Take("same", ".bin"), "same~3.bin");  // one file on Windows
    EXPECT_EQ(names.Take("SAME~2", ".bin"), "SAME~2~2.bin");
    EXPECT_EQ(names.Take("\xC3\x89T\xC3\x89", ""), "\xC3\x89T\xC3\x89");
    EXPECT_EQ(names.Take("\xC3\xA9t\xC3\xA9", ""), "\xC3\xA9t\xC3\xA9~2");
    EXPECT_EQ(names.Take("", ""), "%20");
    EXPECT_EQ(names.Take(" ", ""), "~2");
}

TEST(AtomicWriter, ASymlinkAtTheTargetIsReplacedNotFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "symlinks need privileges on Windows";
#else
    TempDir dir;
    WriteFile(dir / "victim", Bytes(3, 'v'));
    std::filesystem::create_symlink(dir / "victim", dir / "out.bin");
    // The temporary name an older version used, planted as a symlink too.
    std::filesystem::create_symlink(dir / "victim", dir / "out.bin.corvane-part");
    ASSERT_EQ(WriteFileAtomically(dir / "out.bin", "new"), AtomicWriter::Status::Ok);
    EXPECT_EQ(Text(dir / "victim"), "vvv");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "out.bin"));
    EXPECT_EQ(Text(dir / "out.bin"), "new");
#endif
}

TEST(AtomicWriter, ThroughSymlinksTheLinkStaysAndItsFileIsReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "symlinks need privileges on Windows";
#else
    TempDir dir;
    std::filesystem::create_directories(dir / "real");
    WriteFile(dir / "real" / "settings", Bytes(3, 'o'));
    std::filesystem::create_symlink("real/settings", dir / "link");
    AtomicWriteOptions options;
    options.ThroughSymlinks = true;
    ASSERT_EQ(WriteFileAtomically(dir / "link", "new", options), AtomicWriter::Status::Ok);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_EQ(Text(dir / "real" / "settings"), "new");
    EXPECT_EQ(FileNames(dir / "real"), std::vector<std::string>{"settings"});
#endif
}

TEST(AtomicWriter, WithoutReplaceAnythingAtTheNameStays) {
    TempDir dir;
    AtomicWriteOptions keep;
    keep.Replace = false;
    std::vector<std::string> expected = {"file", "late"};
#ifndef _WIN32  // symlinks need privileges on Windows
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    EXPECT_EQ(WriteFileAtomically(dir / "dangling", "x", keep), AtomicWriter::Status::Exists);
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
    expected.insert(expected.begin(), "dangling");
#endif
    WriteFile(dir / "file", Bytes(1, 'o'));
    EXPECT_EQ(WriteFileAtomically(dir / "file", "x", keep), AtomicWriter::Status::Exists);
    EXPECT_EQ(Text(dir / "file"), "o");
    // Something appearing while the file is written is not replaced either.
    std::unique_ptr<AtomicWriter> w;
    ASSERT_EQ(AtomicWriter::Create(dir / "late", keep, w), AtomicWriter::Status::Ok);
    w->Write("new", 3);
    WriteFile(dir / "late", Bytes(1, 'o'));
    EXPECT_EQ(w->Commit(), AtomicWriter::Status::Exists);
    EXPECT_EQ(Text(dir / "late"), "o");
    EXPECT_EQ(FileNames(dir.Path()), expected);
}

TEST(AtomicWriter, DiscardedOrFailedWritesLeaveOnlyTheOldFile) {
    TempDir dir;
    WriteFile(dir / "t", Bytes(2, 'o'));
    {
        std::unique_ptr<AtomicWriter> w;
        ASSERT_EQ(AtomicWriter::Create(dir / "t", {}, w), AtomicWriter::Status::Ok);
        w->Write("abc", 3);
    }  // never committed
    std::filesystem::create_directories(dir / "folder");
    EXPECT_EQ(WriteFileAtomically(dir / "folder", "x"), AtomicWriter::Status::CannotReplace);
    EXPECT_EQ(Text(dir / "t"), "oo");
    EXPECT_EQ(FileNames(dir.Path()), (std::vector<std::string>{"folder", "t"}));
}

TEST(AtomicWriter, AFileBeingReadIsNeverReplaced) {
    TempDir dir;
    WriteFile(dir / "in.xmi", Bytes(4, 'i'));
    std::filesystem::create_hard_link(dir / "in.xmi", dir / "same.xmi");
    {
        auto reader = FileSource::Open(dir / "in.xmi");
        ASSERT_TRUE(reader.Ok());
        EXPECT_TRUE(IsOpenInput(dir / "same.xmi"));
        EXPECT_EQ(WriteFileAtomically(dir / "in.xmi", "x"), AtomicWriter::Status::IsOpenInput);
        EXPECT_EQ(WriteFileAtomically(dir / "same.xmi", "x"), AtomicWriter::Status::IsOpenInput);
    }
    EXPECT_EQ(Text(dir / "in.xmi"), "iiii");
    EXPECT_FALSE(IsOpenInput(dir / "in.xmi"));
    EXPECT_EQ(WriteFileAtomically(dir / "in.xmi", "x"), AtomicWriter::Status::Ok);
}

// The rule the window and the command line both ask before extracting.
TEST(ExistingFile, ReplacedOnlyWhenAllowedAndTheInputNever) {
    TempDir dir;
    WriteFile(dir / "in.xmi", Bytes(4, 'i'));
    WriteFile(dir / "old.txt", Bytes(1, 'o'));
    // Symlinks need privileges on Windows: there the dangling one is left out.
    std::error_code noLink;
    std::filesystem::create_symlink(dir / "gone", dir / "dangling", noLink);
    auto reader = FileSource::Open(dir / "in.xmi");
    ASSERT_TRUE(reader.Ok());
    const struct {
        const char* name;
        TargetAction kept, replaced;
    } cases[] = {
        {"new.txt", TargetAction::Write, TargetAction::Write},
        {"old.txt", TargetAction::Skip, TargetAction::Write},
        {"dangling", TargetAction::Skip, TargetAction::Write},
        {"in.xmi", TargetAction::NeverWritten, TargetAction::NeverWritten},
    };
    for (const auto& c : cases) {
        if (noLink && std::string(c.name) == "dangling") continue;
        EXPECT_EQ(ActionFor(dir / c.name, false), c.kept) << c.name;
        EXPECT_EQ(ActionFor(dir / c.name, true), c.replaced) << c.name;
    }
}

TEST(FileSource, RefusesWhatIsNotARegularFileWithoutWaiting) {
    TempDir dir;
    std::filesystem::create_directories(dir / "folder");
    struct Case {
        std::filesystem::path path;
        std::string reason;
    };
    std::vector<Case> cases = {{dir / "folder", "folder"}};
#ifndef _WIN32  // Windows has no FIFOs in the file system, nor /dev
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    cases.push_back({dir / "fifo", "pipe"});
    cases.push_back({"/dev/null", "device"});
#endif
    for (const Case& c : cases) {
        auto opened = FileSource::Open(c.path);
        ASSERT_FALSE(opened.Ok()) << c.path;
        EXPECT_NE(opened.Err().Message.find(c.reason), std::string::npos) << opened.Err().Message;
    }
}

TEST(ZipIntake, LargeEntriesAndEntriesOverTheFreeSpaceNeedConsent) {
    TempDir dir;
    ZipDirEntry entry;
    entry.FileName = "BIG\\A.XMI";
    struct Case {
        std::int64_t size;
        const char* reason;  // empty: no consent needed
    };
    for (const Case& c :
         {Case{ZipIntake::kLargeEntry, ""},
          Case{ZipIntake::kLargeEntry + 1, "A.XMI unpacks to 262,144 k, more than 256 MiB."},
          Case{std::int64_t{1} << 62, "free in"}}) {
        entry.UncompressedSize = c.size;
        const std::string reason = ZipIntake::LargeEntryReason(entry, dir.Path().string());
        if (*c.reason == '\0') {
            EXPECT_EQ(reason, "");
        } else {
            EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        }
    }
}
