// corvane-cli create and extract --manifest: libraries made again from what
// extraction wrote, files made from PC text, and input refused before
// anything is written; Hercules loads what is written as the host would.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "Hercules.h"
#include "TempDir.h"
#include "XmitBuilder.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// The directory as list --json gives it, without the addresses.
nlohmann::json Directory(const std::filesystem::path& file) {
    const CliRun r = Cli("list --json " + Q(file));
    EXPECT_EQ(r.Code, 0) << file;
    nlohmann::json list = r.Code == 0 ? nlohmann::json::parse(r.Out) : nlohmann::json::array();
    for (auto& m : list) m.erase("ttr");
    return list;
}

}  // namespace

TEST(CliCreate, EverySampleLibraryIsMadeAgainFromWhatExtractionWrote) {
    if (SamplesDir().empty()) GTEST_SKIP() << "samples folder ../shared/samples absent: skipped";
    TempDir dir;
    for (const char* name : {"test_pds.xmi", "test_pds_msg.xmi", "CMSBATCH.xmi", "CH.xmi",
                             "LOAD.xmi", "ICON.xmi", "jgppds.xmit", "jgpjcl.xmit"}) {
        SCOPED_TRACE(name);
        const auto sample = SamplesDir() / name;
        const auto work = dir / name;
        ASSERT_EQ(Cli("extract " + Q(sample) + " -o " + Q(work / "files") + " --manifest").Code, 0);
        const CliRun made = Cli("create " + Q(work / "new.xmi") + " " + Q(work / "files"), true);
        ASSERT_EQ(made.Code, 0) << made.Out;
        EXPECT_EQ(made.Out.find("written as a PDS") != std::string::npos,
                  std::string(name) == "jgpjcl.xmit")
            << made.Out;
        EXPECT_EQ(Directory(work / "new.xmi"), Directory(sample));
        EXPECT_EQ(nlohmann::json::parse(Cli("info --json " + Q(work / "new.xmi")).Out)["message"],
                  nlohmann::json::parse(Cli("info --json " + Q(sample)).Out)["message"]);
        ASSERT_EQ(Cli("extract --binary " + Q(sample) + " -o " + Q(work / "a")).Code, 0);
        ASSERT_EQ(Cli("extract --binary " + Q(work / "new.xmi") + " -o " + Q(work / "b")).Code, 0);
        const std::vector<std::string> files = FileNames(work / "a");
        ASSERT_EQ(FileNames(work / "b"), files);
        std::string log;
        const bool hercules = HerculesPresent();
        if (hercules) {
            ASSERT_TRUE(HerculesLoad(work / "new.xmi", "X.Y", work / "d.dsk", log)) << log;
        }
        for (const std::string& f : files) {
            const Bytes original = ReadFile(work / "a" / f);
            EXPECT_EQ(ReadFile(work / "b" / f), original) << f;
            if (hercules) {
                EXPECT_EQ(HerculesMember(work / "d.dsk", "X.Y", f.substr(0, f.rfind('.'))),
                          original)
                    << f;
            }
        }
    }
}

TEST(CliCreate, UnicodeTextBecomesBlankPaddedRecordsOfTheCodePage) {
    TempDir dir;
    std::filesystem::create_directories(dir / "in");
    std::ofstream(dir / "in" / "hello.txt") << "Grüße, {welt}\n¬|!\n";
    std::ofstream(dir / "in" / "jcl.jcl") << "//STEP1 EXEC PGM=IEFBR14\r\n";
    std::ofstream(dir / "note.txt") << "Please RECEIVE this.\n";
    const std::string create = "create " + Q(dir / "lib.xmi") + " " + Q(dir / "in") +
                               " --codepage 037 --time 20261209120000 --message " +
                               Q(dir / "note.txt") + " --from me@here --to you@there";
    ASSERT_EQ(Cli(create).Code, 0);
    const Bytes first = ReadFile(dir / "lib.xmi");
    std::filesystem::remove(dir / "lib.xmi");
    ASSERT_EQ(Cli(create).Code, 0);
    EXPECT_EQ(ReadFile(dir / "lib.xmi"), first);  // the same input gives the same bytes
    // IBM 037: G=C7 r=99 ü=DC ß=59 e=85 ,=6B {=C0 }=D0 ¬=5F |=4F !=5A
    Bytes hello = {0xC7, 0x99, 0xDC, 0x59, 0x85, 0x6B, 0x40, 0xC0, 0xA6, 0x85, 0x93, 0xA3, 0xD0};
    hello.resize(80, 0x40);
    Bytes second = {0x5F, 0x4F, 0x5A};
    second.resize(80, 0x40);
    hello.insert(hello.end(), second.begin(), second.end());
    const std::string info = Cli("info --json " + Q(dir / "lib.xmi")).Out;
    EXPECT_NE(info.find("Please RECEIVE this."), std::string::npos) << info;
    EXPECT_NE(info.find("\"user\": \"ME\""), std::string::npos) << info;
    if (!HerculesPresent()) GTEST_SKIP() << "Hercules (/usr/bin/dasdload, dasdcat) absent: skipped";
    std::string log;
    ASSERT_TRUE(HerculesLoad(dir / "lib.xmi", "USER.LIB", dir / "d.dsk", log)) << log;
    EXPECT_EQ(HerculesMember(dir / "d.dsk", "USER.LIB", "HELLO"), hello);
    Bytes jcl = ToEbcdic("//STEP1 EXEC PGM=IEFBR14");
    jcl.resize(80, 0x40);
    EXPECT_EQ(HerculesMember(dir / "d.dsk", "USER.LIB", "JCL"), jcl);

    // One file as a sequential dataset.
    ASSERT_EQ(Cli("create --sequential --recfm VB " + Q(dir / "seq.xmi") + " " +
                  Q(dir / "in" / "jcl.jcl"))
                  .Code,
              0);
    EXPECT_EQ(Cli("view " + Q(dir / "seq.xmi")).Out, "//STEP1 EXEC PGM=IEFBR14\n");
}

TEST(CliCreate, BadInputIsRefusedWithOneLineEachAndNothingIsWritten) {
    TempDir dir;
    struct Case {
        std::vector<std::pair<std::string, std::string>> Files;
        std::string Options;
        std::vector<std::string> Said;
        int Code;
    };
    const Case cases[] = {
        {{{"toolongname.txt", "x\n"}, {"9lives.txt", "x\n"}},
         "",
         {"toolongname.txt: \"TOOLONGNAME\" is not a valid member name",
          "9lives.txt: \"9LIVES\" is not a valid member name"},
         2},
        {{{"a.txt", "x\n"}, {"A.jcl", "y\n"}}, "", {" both become member A"}, 2},
        {{{"wide.txt", std::string(81, 'w') + "\n"}},
         "",
         {"Line 1 of ", "is 81 characters long"},
         2},
        {{{"odd.bin", std::string(90, 'b')}},
         "--binary",
         {"not a multiple of the record length 80"},
         2},
        {{{"x.txt", "x\n"}},
         "--recfm FB --lrecl 80 --blksize 100",
         {"not a multiple of the record length"},
         2},
        {{{"x.txt", "x\n"}}, "--from nobody", {"--from nobody: give USER@NODE"}, 2},
        {{{"long-name.txt", "x\n"}},
         "--rename long-name.txt=SHORT",
         {"long-name.txt becomes member SHORT"},
         0},
    };
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Said.front());
        const auto in = dir / ("in" + std::to_string(++k));
        std::filesystem::create_directories(in);
        for (const auto& [name, content] : c.Files) std::ofstream(in / name) << content;
        const auto out = dir / ("out" + std::to_string(k) + ".xmi");
        const CliRun r = Cli("create " + Q(out) + " " + Q(in) + " " + c.Options, true);
        EXPECT_EQ(r.Code, c.Code) << r.Out;
        for (const std::string& said : c.Said)
            EXPECT_NE(r.Out.find(said), std::string::npos) << r.Out;
        EXPECT_EQ(std::filesystem::exists(out), c.Code == 0);
    }
}

TEST(CliCreate, AFolderThatNoLongerMatchesItsManifestIsMadeAsTheUserLeftIt) {
    TempDir dir;
    PdsSpec library;
    library.Members = {
        {"EDITED", Cards(3, 'E'), false, "", IspfStats(1, 4, 1, 20, 100, 9, 30, "OLD")},
        {"GONE", Cards(2, 'G'), false, "", {}},
        {"KEPT", Cards(2, 'K'), false, "", IspfStats(2, 0, 1, 21, 5, 8, 0, "KEEP")}};
    WriteFile(dir / "lib.xmi", BuildPds(library));
    ASSERT_EQ(Cli("extract " + Q(dir / "lib.xmi") + " -o " + Q(dir / "f") + " --manifest").Code, 0);
    // A line added at the end, as an editor saves it.
    const Bytes was = ReadFile(dir / "f" / "EDITED.txt");
    std::string edited(was.begin(), was.end());
    ASSERT_EQ(edited.substr(edited.size() - 4), "\r\n\r\n");
    edited.resize(edited.size() - 2);
    std::ofstream(dir / "f" / "EDITED.txt", std::ios::binary) << edited << "A NEW LINE\r\n";
    std::filesystem::remove(dir / "f" / "GONE.txt");
    std::ofstream(dir / "f" / "ADDED.txt") << "NEW MEMBER\n";
    const CliRun r =
        Cli("create " + Q(dir / "new.xmi") + " " + Q(dir / "f") + " --user NEWBIE", true);
    ASSERT_EQ(r.Code, 0) << r.Out;
    EXPECT_NE(r.Out.find("Member GONE is left out: its file GONE.txt is not in the folder"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("ADDED.txt is not in the manifest: added as member ADDED"),
              std::string::npos)
        << r.Out;
    const nlohmann::json list = Directory(dir / "new.xmi");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]["name"], "ADDED");
    EXPECT_EQ(list[1]["name"], "EDITED");
    EXPECT_EQ(list[1]["ispf"]["version"], "01.05");
    EXPECT_EQ(list[1]["ispf"]["lines"], 4);
    EXPECT_EQ(list[1]["ispf"]["user"], "NEWBIE");
    EXPECT_EQ(list[1]["ispf"]["created"], "2020-04-09");
    EXPECT_EQ(list[2], Directory(dir / "lib.xmi")[2]);  // KEPT as it was
    EXPECT_EQ(Cli("view " + Q(dir / "new.xmi") + " EDITED").Out.substr(243, 10), "A NEW LINE");

    // A manifest that is not one, or says what no library holds, is refused.
    const std::pair<const char*, const char*> lies[] = {
        {"{ not json", "is not a manifest"},
        {R"({"dataset": {"recfm": "FB"}, "members": [{"name": "A", "user_data": "XYZ"}]})",
         "member 1 (A): user_data is not hex"},
        {R"({"dataset": {"lrecl": "eighty"}})", "the dataset's lrecl is not a number"},
        {R"({"dataset": {}, "members": [{"name": "P", "file": "../../etc/passwd"}]})",
         "member 1 (P): file ../../etc/passwd is not a file of the folder"}};
    for (const auto& [manifest, said] : lies) {
        std::ofstream(dir / "f" / "manifest.json") << manifest;
        const CliRun bad = Cli("create " + Q(dir / "bad.xmi") + " " + Q(dir / "f"), true);
        EXPECT_EQ(bad.Code, 2);
        EXPECT_NE(bad.Out.find(said), std::string::npos) << bad.Out;
        EXPECT_FALSE(std::filesystem::exists(dir / "bad.xmi"));
    }
}
