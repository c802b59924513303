#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "TempDir.h"
#include "XmitBuilder.h"
#include "decode/S390format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
struct CliRun {
    int Code = -1;
    std::string Out;
};

CliRun Cli(const std::string& args) {
    CliRun r;
    std::string cmd = std::string(CORVANE_CLI) + " " + args + " 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
    int status = pclose(p);
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Q(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

PdsSpec Library() {
    PdsSpec plan;
    std::string a(160, 'a'), b(100, 'b');
    plan.Members = {
        {"FIRST", ToEbcdic(a), false, "", IspfStats(1, 2, 1, 0x20, 45, 10, 30, "ME")},
        {"SECOND", ToEbcdic(b), false, "", IspfStats(3, 4, 1, 0x21, 100, 11, 0, "YOU")}};
    return plan;
}
}  // namespace

TEST(Cli, InfoJsonIsStableSnakeCaseWithIsoDates) {
    TempDir dir;
    WriteFile(dir / "lib.xmi", BuildPds(Library()));
    CliRun r = Cli("info --json " + Q(dir / "lib.xmi"));
    ASSERT_EQ(r.Code, 0);
    auto j = nlohmann::json::parse(r.Out);
    EXPECT_EQ(j["file"], "lib.xmi");
    EXPECT_EQ(j["created"], "2003-07-04T13:20:05");
    EXPECT_EQ(j["from"]["node"], "NODEA");
    EXPECT_EQ(j["to"]["user"], "USERB");
    EXPECT_EQ(j["file_count"], 1);
    EXPECT_EQ(j["dataset"]["name"], "USER.TEST.PDS");
    EXPECT_EQ(j["dataset"]["organization"], "PDS");
    EXPECT_EQ(j["dataset"]["recfm"], "FB");
    EXPECT_EQ(j["dataset"]["lrecl"], 80);
    EXPECT_EQ(j["dataset"]["members"], 2);
    EXPECT_TRUE(j["message"].is_array());
    // The human output follows the date order asked for.
    EXPECT_NE(Cli("info --date-order iso " + Q(dir / "lib.xmi")).Out.find("2003-07-04 13:20"),
              std::string::npos);
    EXPECT_NE(Cli("info --date-order mdy " + Q(dir / "lib.xmi")).Out.find("07/04/2003  13:20"),
              std::string::npos);
}

TEST(Cli, ListJsonHasTypedStatistics) {
    TempDir dir;
    WriteFile(dir / "lib.xmi", BuildPds(Library()));
    CliRun r = Cli("list --json " + Q(dir / "lib.xmi"));
    ASSERT_EQ(r.Code, 0);
    auto j = nlohmann::json::parse(r.Out);
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[0]["name"], "FIRST");
    EXPECT_EQ(j[0]["ttr"], "000001");
    EXPECT_TRUE(j[0]["alias_of"].is_null());
    EXPECT_TRUE(j[0]["load_module"].is_null());
    EXPECT_EQ(j[0]["ispf"]["version"], "01.02");
    EXPECT_EQ(j[0]["ispf"]["created"], "2032-02-14");
    EXPECT_EQ(j[0]["ispf"]["modified"], "2032-02-14T10:30:00");
    EXPECT_EQ(j[0]["ispf"]["user"], "ME");
    EXPECT_TRUE(j[0]["ispf"]["lines"].is_number());
    CliRun text = Cli("list --date-order dmy " + Q(dir / "lib.xmi"));
    EXPECT_NE(text.Out.find("Member"), std::string::npos);
    EXPECT_NE(text.Out.find("14/02/2032  10:30"), std::string::npos);
}

TEST(Cli, ExtractAllMembersAsTextIntoAFolder) {
    TempDir dir;
    WriteFile(dir / "lib.xmi", BuildPds(Library()));
    CliRun r = Cli("extract --text --ext .jcl -o " + Q(dir / "out") + " " + Q(dir / "lib.xmi"));
    ASSERT_EQ(r.Code, 0);
    Bytes first = ReadFile(dir / "out" / "FIRST.jcl");
    EXPECT_EQ(first.size(), 166u);
    EXPECT_EQ(first[80], '\r');
    EXPECT_EQ(ReadFile(dir / "out" / "SECOND.jcl").size(), 80u + 2 + 20 + 2);
}

TEST(Cli, ExtractOneMemberBinaryToAPath) {
    TempDir dir;
    PdsSpec plan = Library();
    WriteFile(dir / "lib.xmi", BuildPds(plan));
    CliRun r =
        Cli("extract --binary --output " + Q(dir / "s.bin") + " " + Q(dir / "lib.xmi") + " SECOND");
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(ReadFile(dir / "s.bin"), plan.Members[1].Data);
}

TEST(Cli, ViewTextAndHex) {
    TempDir dir;
    WriteFile(dir / "lib.xmi", BuildPds(Library()));
    CliRun text = Cli("view " + Q(dir / "lib.xmi") + " FIRST");
    ASSERT_EQ(text.Code, 0);
    EXPECT_EQ(text.Out, std::string(80, 'a') + "\n" + std::string(80, 'a') + "\n\n");
    CliRun hex = Cli("view --hex " + Q(dir / "lib.xmi") + " FIRST");
    EXPECT_NE(hex.Out.find("Dump size is: 160 bytes"), std::string::npos);
    EXPECT_EQ(Cli("view " + Q(dir / "lib.xmi") + " NOSUCH").Code, 1);
}

TEST(Cli, SequentialDatasetViewAndExtract) {
    TempDir dir;
    SequentialSpec plan;
    plan.Records = {ToEbcdic(std::string(80, 'z'))};
    WriteFile(dir / "seq.xmi", BuildSequential(plan));
    CliRun view = Cli("view " + Q(dir / "seq.xmi"));
    EXPECT_EQ(view.Out, std::string(80, 'z') + "\n\n");
    ASSERT_EQ(Cli("extract -o " + Q(dir.Path()) + " " + Q(dir / "seq.xmi")).Code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "USER.TEST.DATA.txt"));
}

TEST(Cli, FailuresAndUsageErrorsHaveTheirExitCodes) {
    TempDir dir;
    WriteFile(dir / "garbage", ToEbcdic("NOT AN XMIT FILE"));
    EXPECT_EQ(Cli("info " + Q(dir / "garbage")).Code, 1);
    EXPECT_EQ(Cli("info " + Q(dir / "missing")).Code, 1);
    Bytes lib = BuildPds(Library());
    lib.resize(300);
    WriteFile(dir / "cut.xmi", lib);
    EXPECT_EQ(Cli("list " + Q(dir / "cut.xmi")).Code, 1);
    EXPECT_EQ(Cli("").Code, 2);
    EXPECT_EQ(Cli("info").Code, 2);
    EXPECT_EQ(Cli("frobnicate x").Code, 2);
}
