// Nested paths on the command line: a transmission inside a member gives
// what the same command gives on the member extracted and opened as a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
// OUTER.XMIT: member MIDDLE holds a library with INNER (a library) and SEQ
// (a sequential file); member TEXT is text.
Bytes Outer() {
    PdsSpec inner;
    inner.Members = {
        {"ALPHA", Cards(30, 'A'), false, "", IspfStats(1, 2, 1, 0x20, 45, 10, 30, "ME")},
        {"BETA", Cards(3, 'B'), false, "", {}}};
    SequentialSpec seq;
    seq.Records = {Cards(10, 'S'), Cards(5, 'T')};
    PdsSpec middle;
    middle.MaxSegment = 100;
    middle.Members = {{"INNER", BuildPds(inner), false, "", {}},
                      {"SEQ", BuildSequential(seq), false, "", {}},
                      {"TEXT", Cards(4, 'X'), false, "", {}}};
    PdsSpec outer;
    outer.Members = {{"MIDDLE", BuildPds(middle), false, "", {}},
                     {"TEXT", Cards(2, 'Y'), false, "", {}}};
    return BuildPds(outer);
}

// Every file under a folder with its bytes.
std::vector<std::pair<std::string, Bytes>> Tree(const std::filesystem::path& dir) {
    std::vector<std::pair<std::string, Bytes>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        if (e.is_regular_file()) {
            files.emplace_back(std::filesystem::relative(e.path(), dir).string(),
                               ReadFile(e.path()));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}
}  // namespace

TEST(CliNested, PathsGiveWhatTheExtractedMemberGives) {
    TempDir dir;
    WriteFile(dir / "OUTER.XMIT", Outer());
    // The members extracted by hand, level by level, named as the members.
    const auto middle = dir / "MIDDLE";
    ASSERT_EQ(
        Cli("extract --binary --output " + Q(middle) + " " + Q(dir / "OUTER.XMIT") + " MIDDLE")
            .Code,
        0);
    ASSERT_EQ(
        Cli("extract --binary --output " + Q(dir / "INNER") + " " + Q(middle) + " INNER").Code, 0);
    ASSERT_EQ(Cli("extract --binary --output " + Q(dir / "SEQ") + " " + Q(middle) + " SEQ").Code,
              0);
    const std::string outer = (dir / "OUTER.XMIT").string();
    ZipSpec zip;
    zip.Entries = {{"dist/OUTER.XMIT", ReadFile(dir / "OUTER.XMIT")}};
    WriteFile(dir / "A.zip", BuildZip(zip));
    const std::string archive = (dir / "A.zip").string();
    struct Case {
        std::string Nested;
        std::filesystem::path Direct;
    } cases[] = {{outer + "!MIDDLE", middle},
                 {archive + "!dist/OUTER.XMIT", dir / "OUTER.XMIT"},
                 {archive + "!dist/OUTER.XMIT!MIDDLE!INNER", dir / "INNER"},
                 {outer + "!MIDDLE!INNER", dir / "INNER"},
                 {outer + "!MIDDLE!SEQ", dir / "SEQ"}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Nested);
        const std::string nested = Q(c.Nested);
        CliRun list = Cli("list --json " + nested);
        ASSERT_EQ(list.Code, 0);
        EXPECT_EQ(list.Out, Cli("list --json " + Q(c.Direct)).Out);
        for (const char* mode : {"--binary", "--text"}) {
            const auto a = dir / ("a" + std::to_string(n));
            const auto b = dir / ("b" + std::to_string(n++));
            std::filesystem::create_directories(a);  // extract makes it only for members
            std::filesystem::create_directories(b);
            ASSERT_EQ(Cli(std::string("extract ") + mode + " -o " + Q(a) + " " + nested).Code, 0);
            ASSERT_EQ(Cli(std::string("extract ") + mode + " -o " + Q(b) + " " + Q(c.Direct)).Code,
                      0);
            const auto written = Tree(a);
            EXPECT_FALSE(written.empty());
            EXPECT_EQ(written, Tree(b));
        }
    }
    auto j = nlohmann::json::parse(Cli("list --json " + Q(outer + "!MIDDLE")).Out);
    EXPECT_EQ(j[0]["content"], "xmit");  // INNER
    EXPECT_EQ(j[1]["content"], "xmit");  // SEQ
    EXPECT_TRUE(j[2]["content"].is_null());
}

TEST(CliNested, MissingOrPlainMembersAreErrors) {
    TempDir dir;
    WriteFile(dir / "OUTER.XMIT", Outer());
    const std::string outer = (dir / "OUTER.XMIT").string();
    ZipSpec zip;
    zip.Entries = {{"dist/OUTER.XMIT", Outer()}};
    WriteFile(dir / "OUTER.XMIT.zip", BuildZip(zip));
    const Bytes whole = BuildZip(zip);
    WriteFile(dir / "CUT.zip", Bytes(whole.begin(), whole.begin() + 40));
    struct Case {
        std::string Path;
        std::string Says;
    } cases[] = {{outer + "!NOSUCH", "No member NOSUCH in " + outer},
                 {outer + ".zip!OUTER.XMIT", "No entry OUTER.XMIT in " + outer + ".zip"},
                 {outer + "!TEXT", outer + "!TEXT is not an XMIT file"},
                 {outer + "!MIDDLE!TEXT", outer + "!MIDDLE!TEXT is not an XMIT file"},
                 // Said alone, without a transmission's place of error.
                 {(dir / "CUT.zip!A").string(),
                  "Error reading zip file CUT.zip: it is not a zip archive (no end of central "
                  "directory record)\n"}};
    for (const Case& c : cases) {
        for (const std::string& command :
             std::vector<std::string>{"info ", "list ", "extract -o " + Q(dir / "x") + " "}) {
            CliRun r = Cli(command + Q(c.Path), true);
            EXPECT_EQ(r.Code, 1) << command << c.Path;
            EXPECT_NE(r.Out.find(c.Says), std::string::npos) << r.Out;
            EXPECT_EQ(r.Out.find("xmit record"), std::string::npos) << r.Out;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
}

TEST(CliNested, NamesHoldingTheSeparatorOrControlsAreGivenAsListsShowThem) {
    TempDir dir;
    PdsSpec plan;
    plan.Members = {{"A!B", Outer(), false, "", {}},
                    {"\x01"
                     "CTL",
                     Cards(1, 'C'),
                     false,
                     "",
                     {}}};
    WriteFile(dir / "lib.xmi", BuildPds(plan));
    ZipSpec zip;
    zip.Entries = {{"x!y.xmi", Outer()}};
    WriteFile(dir / "lib.zip", BuildZip(zip));
    const std::string lib = (dir / "lib.xmi").string();
    EXPECT_NE(Cli("list " + Q(lib)).Out.find("%01CTL"), std::string::npos);
    for (const std::string& args : {"view " + Q(lib) + " %01CTL", "list " + Q(lib + "!A%21B"),
                                    "list " + Q((dir / "lib.zip").string() + "!x%21y.xmi"),
                                    "view " + Q(lib + "!A%21B") + " TEXT"}) {
        const CliRun r = Cli(args, true);
        EXPECT_EQ(r.Code, 0) << args << "\n" << r.Out;
    }
}
