#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#if defined(__GLIBC__)
#include <iconv.h>
#endif

#include "CliRun.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"
#include "decode/S390format.h"
#include "io/AtomicWriter.h"
#include "io/Platform.h"
#include "settings/RegFileRegistry.h"
#include "settings/WindowState.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
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
    EXPECT_EQ(r.Out, j.dump(2) + "\n");  // written a member at a time, laid out as one value
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

TEST(Cli, ListTakesTheDateOrderTheProgramStored) {
#ifdef _WIN32
    GTEST_SKIP() << "the store is the user's own registry, which tests leave alone";
#else
    TempDir dir;
    WriteFile(dir / "lib.xmi", BuildPds(Library()));
    const char* was = std::getenv("XDG_CONFIG_HOME");
    const std::string before = was ? was : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    RegFileRegistry(RegFileRegistry::DefaultFolder())
        .OpenKey(RegRoot::CurrentUser, kStatusKey, true, true)
        ->WriteBool("engDate", false);
    const std::string out = Cli("list " + Q(dir / "lib.xmi")).Out;
    if (was)
        setenv("XDG_CONFIG_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    EXPECT_NE(out.find("02/14/2032  10:30"), std::string::npos) << out;
#endif
}

TEST(Cli, InfoAndListPrintTheParsersNotesOnStandardError) {
    TempDir dir;
    const Bytes good = BuildPds(Library());
    // Cut inside the member data: the file opens, and the member scan stops there.
    WriteFile(dir / "cut.xmi", Bytes(good.begin(), good.end() - 120));
    for (const char* command : {"info ", "list ", "list --json "}) {
        CliRun out = Cli(command + Q(dir / "cut.xmi"));
        CliRun all = Cli(command + Q(dir / "cut.xmi"), true);
        ASSERT_EQ(all.Code, 0) << command << all.Out;
        EXPECT_EQ(out.Out.find("note:"), std::string::npos) << command;
        EXPECT_NE(all.Out.find("corvane-cli: note: Member data cut short by the end of the file at "
                               "offset "),
                  std::string::npos)
            << command << all.Out;
    }
    WriteFile(dir / "good.xmi", good);
    EXPECT_EQ(Cli("list " + Q(dir / "good.xmi"), true).Out.find("note:"), std::string::npos);
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
    // Folders that do not exist yet are made, as for a library.
    ASSERT_EQ(Cli("extract -o " + Q(dir / "new" / "one") + " " + Q(dir / "seq.xmi")).Code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "new" / "one" / "USER.TEST.DATA.txt"));
    ZipSpec zip;
    zip.Entries = {{"SEQ.XMI", BuildSequential(plan), 8}};
    WriteFile(dir / "seq.zip", BuildZip(zip));
    ASSERT_EQ(Cli("unzip " + Q(dir / "seq.zip") + " SEQ.XMI -o " + Q(dir / "new" / "two")).Code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "new" / "two" / "SEQ.XMI"));
    // --output naming a folder says so.
    const CliRun folder =
        Cli("extract --overwrite --output " + Q(dir / "new") + " " + Q(dir / "seq.xmi"), true);
    EXPECT_EQ(folder.Code, 1);
    EXPECT_NE(folder.Out.find("is a folder, not a file to write"), std::string::npos) << folder.Out;
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

TEST(Cli, CodePageDecodesNamesAndTextAndAnUnknownOneIsAUsageError) {
    TempDir dir;
    PdsSpec plan;
    Bytes record = {0x4A, 0x5F, 0x6A, 0x25, 0xC1};  // "¢¬¦", line feed, "A" in 037
    plan.Members = {{"@ABC", record, false, "", {}}};
    WriteFile(dir / "lib.xmi", BuildPds(plan));
    const std::string lib = " " + Q(dir / "lib.xmi");
    CliRun list = Cli("list --json --codepage 273" + lib);
    ASSERT_EQ(list.Code, 0);
    EXPECT_EQ(nlohmann::json::parse(list.Out)[0]["name"], "§ABC");
    // The characters go out as they are: the line feed too.
    EXPECT_EQ(Cli("view --codepage 037" + lib + " @ABC").Out, "¢¬¦\nA\n");
    // Without a code page the text is as it always was.
    EXPECT_EQ(Cli("view" + lib + " @ABC").Out,
              "¢^¦\xE2\x90\x8A"
              "A\n");
    ASSERT_EQ(Cli("extract --text --codepage 1140 -o " + Q(dir.Path()) + lib).Code, 0);
    const Bytes file = ReadFile(dir / "@ABC.txt");
    EXPECT_EQ(std::string(file.begin(), file.end()), "¢¬¦\nA\r\n");
    for (const char* command : {"info", "list", "view", "extract", "headers"}) {
        EXPECT_EQ(Cli(std::string(command) + " --codepage 850" + lib).Code, 2) << command;
    }
    EXPECT_EQ(Cli("unzip --codepage x " + Q(dir / "a.zip")).Code, 2);
}

namespace {
std::string Card(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
}
}  // namespace

TEST(CliGrep, PrintsMemberLineAndTextWithGrepsExitCodes) {
    TempDir dir;
    PdsSpec plan;
    plan.Members = {{"ALPHA",
                     ToEbcdic(Card("HELLO WORLD") + Card("nothing") + Card("hello again")),
                     false,
                     "",
                     {}},
                    {"BETA", ToEbcdic(Card("no match here") + Card("say Hello")), false, "", {}}};
    WriteFile(dir / "lib.xmi", BuildPds(plan));
    SequentialSpec seq;
    seq.Records = {ToEbcdic(Card("first")), ToEbcdic(Card("HELLO second"))};
    WriteFile(dir / "seq.xmi", BuildSequential(seq));
    WriteFile(dir / "garbage", ToEbcdic("NOT AN XMIT FILE"));
    const std::string lib = " " + Q(dir / "lib.xmi");
    struct Case {
        std::string Args;
        int Code;
        std::string Out;
    };
    const std::vector<Case> cases = {
        {"grep HELLO" + lib, 0, "ALPHA:1:" + Card("HELLO WORLD") + "\n"},
        {"grep -i hello" + lib, 0,
         "ALPHA:1:" + Card("HELLO WORLD") + "\nALPHA:3:" + Card("hello again") +
             "\nBETA:2:" + Card("say Hello") + "\n"},
        {"grep -i hello" + lib + " BETA", 0, "BETA:2:" + Card("say Hello") + "\n"},
        {"grep NOWHERE" + lib, 1, ""},
        {"grep " + Q("") + lib + " BETA", 0,  // every record, and nothing after the last
         "BETA:1:" + Card("no match here") + "\nBETA:2:" + Card("say Hello") + "\n"},
        {"grep HELLO" + lib + " MISSING", 2, ""},
        {"grep HELLO " + Q(dir / "seq.xmi"), 0, "2:" + Card("HELLO second") + "\n"},
        {"grep HELLO " + Q(dir / "garbage"), 2, ""},
        {"grep HELLO " + Q(dir / "missing.xmi"), 2, ""},
        {"grep" + lib, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args);
        const CliRun r = Cli(c.Args);
        EXPECT_EQ(r.Code, c.Code);
        EXPECT_EQ(r.Out, c.Out);
    }
}

namespace {
CliRun CliAll(const std::string& args) {
    return Cli(args, true);
}

}  // namespace

TEST(CliOutput, EveryMemberLandsInsideTheFolderOnceUnderItsEscapedName) {
    struct Case {
        std::string member, file;
    };
    const std::vector<Case> cases = {
        {"/x/PWN", "%2Fx%2FPWN.bin"},
        {"../../AB", "..%2F..%2FAB.bin"},
        {".", "%2E.bin"},
        {"..", "%2E%2E.bin"},
        {"A/B", "A%2FB.bin"},
        {"A\\B", "A%5CB.bin"},
        {std::string("N\0L", 3), "N%00L.bin"},
        {"A\nB", "A%0AB.bin"},
        {"\x85NEL", "%C2%85NEL.bin"},
        {"", "%20.bin"},
        {"CON", "%43ON.bin"},
        {"lpt1", "%6Cpt1.bin"},
        {"A:*?<>|\"", "A%3A%2A%3F%3C%3E%7C%22.bin"},
        {"100%", "100%25.bin"},
        {"A.", "A..bin"},
        {"SAME", "SAME.bin"},
        {"SAME", "SAME~2.bin"},
    };
    TempDir dir;
    PdsSpec plan;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        plan.Members.push_back(
            {cases[i].member, Bytes(100 + i, static_cast<std::uint8_t>(i)), false, "", {}});
    }
    WriteFile(dir / "lib.xmi", BuildPds(plan));
    CliRun r = Cli("extract --binary -o " + Q(dir / "out") + " " + Q(dir / "lib.xmi"));
    EXPECT_EQ(r.Code, 0);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        expected.push_back(cases[i].file);
        EXPECT_EQ(ReadFile(dir / "out" / cases[i].file), plan.Members[i].Data) << cases[i].file;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FileNames(dir / "out"), expected);
    EXPECT_EQ(FileNames(dir.Path()), (std::vector<std::string>{"lib.xmi", "out"}));
    // The list shows the names with the same escapes, never a raw control character.
    CliRun list = Cli("list " + Q(dir / "lib.xmi"));
    EXPECT_NE(list.Out.find("A%0AB"), std::string::npos);
    EXPECT_NE(list.Out.find("N%00L"), std::string::npos);
    EXPECT_EQ(list.Out.find("A\nB"), std::string::npos);
}

TEST(CliOutput, ExistingFilesAreReplacedOnlyWithOverwriteAndTheInputNever) {
    TempDir dir;
    PdsSpec plan = Library();
    WriteFile(dir / "lib.xmi", BuildPds(plan));
    const Bytes input = ReadFile(dir / "lib.xmi");
#ifdef _WIN32
    GTEST_SKIP() << "symlinks need privileges on Windows";
#endif
    std::filesystem::create_directories(dir / "out");
    WriteFile(dir / "out" / "FIRST.bin", Bytes(3, 'o'));
    WriteFile(dir / "victim", Bytes(3, 'v'));
    // A symlink planted at a target, and a dangling one: both count as present.
    std::filesystem::create_symlink(dir / "victim", dir / "out" / "SECOND.bin");
    const std::string extract = "extract --binary -o " + Q(dir / "out") + " " + Q(dir / "lib.xmi");
    CliRun kept = CliAll(extract);
    EXPECT_NE(kept.Out.find("Skipped " + (dir / "out" / "FIRST.bin").string()), std::string::npos);
    EXPECT_NE(kept.Out.find("2 skipped"), std::string::npos);
    EXPECT_EQ(Cli(extract).Code, 1);
    EXPECT_EQ(ReadFile(dir / "out" / "FIRST.bin"), Bytes(3, 'o'));
    std::filesystem::remove(dir / "victim");
    EXPECT_EQ(Cli(extract).Code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "victim"));

    WriteFile(dir / "victim", Bytes(3, 'v'));
    EXPECT_EQ(Cli(extract + " --overwrite").Code, 0);
    EXPECT_EQ(ReadFile(dir / "victim"), Bytes(3, 'v'));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "out" / "SECOND.bin"));
    EXPECT_EQ(ReadFile(dir / "out" / "SECOND.bin"), plan.Members[1].Data);
    EXPECT_EQ(ReadFile(dir / "out" / "FIRST.bin"), plan.Members[0].Data);

    for (const char* target : {"lib.xmi", "link.xmi"}) {
        if (std::string(target) == "link.xmi")
            std::filesystem::create_hard_link(dir / "lib.xmi", dir / target);
        CliRun self = CliAll("extract --overwrite --output " + Q(dir / target) + " " +
                             Q(dir / "lib.xmi") + " SECOND");
        EXPECT_NE(self.Out.find("is the file being read"), std::string::npos) << target;
        EXPECT_EQ(ReadFile(dir / "lib.xmi"), input);
    }
}

TEST(CliOutput, AMessageOnlyTransmissionHasNothingToExtract) {
    TempDir dir;
    MemoryOut out;
    XmitWriter w(out);
    w.Control(1, HeaderUnits(1));
    w.Control(2, {TextUnit::Raw(0x0028, {})});
    w.Control(3, {});
    w.Record(ToEbcdic("PLEASE READ THIS"));
    w.Control(6, {});
    WriteFile(dir / "msg.xmi", out.Data);
    ASSERT_EQ(Cli("info " + Q(dir / "msg.xmi")).Code, 0);
    CliRun r = CliAll("extract -o " + Q(dir / "out") + " " + Q(dir / "msg.xmi"));
    EXPECT_NE(r.Out.find("holds only a message"), std::string::npos) << r.Out;
    EXPECT_EQ(Cli("extract -o " + Q(dir / "out") + " " + Q(dir / "msg.xmi")).Code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

TEST(CliInput, WhatIsNotAFileIsRefusedWithTheReason) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs in the file system";
#else
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe.xmi").c_str(), 0600), 0);
    std::filesystem::create_directories(dir / "folder.zip");
    struct Case {
        std::string command;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"list " + Q(dir / "pipe.xmi"), "pipe"},
        {"extract " + Q(dir / "pipe.xmi"), "pipe"},
        {"unzip " + Q(dir / "pipe.xmi"), "pipe"},
        {"unzip " + Q(dir / "folder.zip"), "folder"},
    };
    for (const Case& c : cases) {
        CliRun r = CliAll(c.command);
        EXPECT_EQ(r.Code, 1) << c.command;
        EXPECT_NE(r.Out.find(c.reason), std::string::npos) << c.command << ": " << r.Out;
    }
#endif
}

TEST(CliInput, LargeZipEntriesAreUnpackedOnlyWhenAllowed) {
    TempDir dir;
    ZipSpec plan;
    plan.Entries = {{"A.XMI", Bytes(100, 1), 8}};
    Bytes zip = BuildZip(plan);
    // The central directory claims 300 MiB.
    const Bytes central = {0x50, 0x4B, 0x01, 0x02};
    auto at = std::search(zip.begin(), zip.end(), central.begin(), central.end()) - zip.begin();
    const std::uint32_t claimed = 300u << 20;
    for (int k = 0; k < 4; ++k)
        zip[static_cast<std::size_t>(at + 24 + k)] = static_cast<std::uint8_t>(claimed >> (8 * k));
    WriteFile(dir / "big.zip", zip);
    const std::string unzip = "unzip " + Q(dir / "big.zip") + " A.XMI -o " + Q(dir.Path());
    CliRun refused = CliAll(unzip);
    EXPECT_NE(refused.Out.find("more than 256 MiB"), std::string::npos) << refused.Out;
    EXPECT_NE(refused.Out.find("--allow-large"), std::string::npos);
    EXPECT_EQ(refused.Out.find("Unzipping"), std::string::npos);
    EXPECT_EQ(Cli(unzip).Code, 1);
    CliRun allowed = CliAll(unzip + " --allow-large");
    EXPECT_NE(allowed.Out.find("Error unzipping A.XMI: its unpacked size differs"),
              std::string::npos)
        << allowed.Out;
    EXPECT_FALSE(std::filesystem::exists(dir / "A.XMI"));
}

TEST(Cli, NamesOutsideTheAnsiCodePageAndPathsOverMaxPath) {
    TempDir dir;
    std::filesystem::path deep = dir.Path() / PathFromUtf8("Ωmega ✓ 日本");
    while (deep.native().size() <= 300) deep /= PathFromUtf8(std::string(40, 'd') + "-Корвейн");
    std::filesystem::create_directories(deep);
    const std::filesystem::path xmi = deep / PathFromUtf8("библиотека.xmi");
    PdsSpec plan = Library();
    plan.Members.push_back(
        {"\xA3"
         "SIGN",
         ToEbcdic("pound"),
         false,
         "",
         {}});
    WriteFile(xmi, BuildPds(plan));
    EXPECT_EQ(nlohmann::json::parse(Cli("list --json " + Q(xmi)).Out).size(), 3u);
    const std::filesystem::path out = deep / PathFromUtf8("вывод");
    ASSERT_EQ(Cli("extract --binary --ext .bin -o " + Q(out) + " " + Q(xmi)).Code, 0);
    EXPECT_EQ(ReadFile(out / "FIRST.bin"), plan.Members[0].Data);
    EXPECT_EQ(ReadFile(out / "SECOND.bin"), plan.Members[1].Data);
    EXPECT_EQ(ReadFile(out / PathFromUtf8("£SIGN.bin")), plan.Members[2].Data);
}

namespace {
// The logical records of a member's data: slices of the record length, or
// what walking the block and record descriptor words gives, spanned
// segments joined. Windows has no iconv to compare with, and no use for it.
[[maybe_unused]] std::vector<Bytes> RecordsOf(const Bytes& data, bool variable, std::size_t lrecl) {
    std::vector<Bytes> records;
    if (!variable) {
        for (std::size_t at = 0; at < data.size(); at += lrecl) {
            records.emplace_back(data.begin() + at,
                                 data.begin() + std::min(at + lrecl, data.size()));
        }
        return records;
    }
    Bytes record;
    for (std::size_t block = 0; block + 4 <= data.size();) {
        const std::size_t end = block + (data[block] << 8 | data[block + 1]);
        for (std::size_t at = block + 4; at + 4 <= end;) {
            const std::size_t length = data[at] << 8 | data[at + 1];
            record.insert(record.end(), data.begin() + at + 4, data.begin() + at + length);
            if ((data[at + 2] & 0x01) == 0) records.push_back(std::move(record)), record.clear();
            at += length;
        }
        block = end;
    }
    return records;
}

#if defined(__GLIBC__)
std::string Iconv(const Bytes& in, int page) {
    const std::string name = (page < 100 ? "IBM0" : "IBM") + std::to_string(page);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
    std::string out(in.size() * 3 + 1, '\0');
    char* from = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in.data()));
    std::size_t fromLeft = in.size(), toLeft = out.size();
    char* to = out.data();
    EXPECT_NE(iconv(cd, &from, &fromLeft, &to, &toLeft), static_cast<std::size_t>(-1)) << name;
    iconv_close(cd);
    out.resize(out.size() - toLeft);
    return out;
}
#endif
}  // namespace

TEST(CliSamples, CodePageViewsEqualIconvOfTheRecordsAndAPdseShowsAsPdse) {
    if (SamplesDir().empty()) GTEST_SKIP() << "samples folder ../shared/samples absent: skipped";
#if !defined(__GLIBC__)
    GTEST_SKIP() << "no iconv on this platform to compare with";
#else
    TempDir dir;
    struct Case {
        const char* file;
        bool variable;
        std::size_t members;  // the first ones
    };
    for (const Case& c : {Case{"CMSBATCH.xmi", false, 1}, Case{"CH.xmi", true, 4}}) {
        const std::string xmit = Q(SamplesDir() / c.file);
        const auto list = nlohmann::json::parse(Cli("list --json " + xmit).Out);
        const auto info = nlohmann::json::parse(Cli("info --json " + xmit).Out);
        const std::size_t lrecl = info["dataset"]["lrecl"].get<std::size_t>();
        for (std::size_t m = 0; m < c.members; ++m) {
            const std::string member = Q(list.at(m)["name"].get<std::string>());
            ASSERT_EQ(Cli("extract --binary --overwrite --output " + Q(dir / "data") + " " + xmit +
                          " " + member)
                          .Code,
                      0);
            const auto records = RecordsOf(ReadFile(dir / "data"), c.variable, lrecl);
            ASSERT_FALSE(records.empty()) << c.file << " " << member;
            for (int page : {37, 273, 500, 1140}) {
                std::string expected;
                for (const Bytes& r : records) expected += Iconv(r, page) + "\n";
                if (!c.variable) expected += "\n";  // the data ends on a record boundary
                const std::string asked = "view --codepage " + std::to_string(page) + " ";
                EXPECT_EQ(Cli(asked + xmit + " " + member).Out, expected)
                    << c.file << " " << member << " " << page;
            }
        }
    }
    const auto pdse =
        nlohmann::json::parse(Cli("info --json " + Q(SamplesDir() / "jgpjcl.xmit")).Out);
    EXPECT_EQ(pdse["dataset"]["organization"], "PDSE");
#endif
}

namespace {
// Puts raw EBCDIC bytes where a marker's encoding stands in a built file.
void Plant(Bytes& file, const std::string& marker, const Bytes& bytes) {
    const Bytes from = ToEbcdic(marker);
    auto at = std::search(file.begin(), file.end(), from.begin(), from.end());
    ASSERT_NE(at, file.end()) << marker;
    std::copy(bytes.begin(), bytes.end(), at);
}
}  // namespace

TEST(CliTerminal, ControlCodesFromTheFileNeverReachTheTerminal) {
    // IBM-037: X'27' ESC, X'2F' BEL, X'0D' CR, X'25' LF.
    TempDir dir;
    SequentialSpec seq;
    seq.MessageLines = {"QQQQPWNEDZ", "ONE JJTWO", "SEEN KK  To user:     EVIL"};
    seq.Records = {ToEbcdic(Card("RECORD VVVV2J HERE"))};
    Bytes file = BuildSequential(seq);
    Plant(file, "QQQQ", {0x27, 0xBD, 0xF0, 0x5E});                // ESC ] 0 ;
    Plant(file, "PWNEDZ", {0xD7, 0xE6, 0xD5, 0xC5, 0xC4, 0x2F});  // PWNED BEL
    Plant(file, "JJ", {0x0D, 0x0D});
    Plant(file, "KK", {0x25, 0x25});
    Plant(file, "VVVV", {0x27, 0x27, 0x27, 0x27});
    WriteFile(dir / "evil.xmi", file);
    const std::string path = " " + Q(dir / "evil.xmi") + " --codepage 37";
    for (const std::string command : {"info", "grep RECORD"}) {
        SCOPED_TRACE(command);
        const CliRun r = Cli(command + path, true);
        EXPECT_EQ(r.Code, 0);
        EXPECT_TRUE(std::none_of(r.Out.begin(), r.Out.end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return (u < 0x20 && u != '\n') || u == 0x7F;
        })) << r.Out;
    }
    const std::string info = Cli("info" + path).Out;
    EXPECT_NE(info.find("%1B"), std::string::npos) << info;  // shown, not dropped
    std::size_t toUser = 0;
    for (std::size_t at = 0; (at = info.find("To user:", at)) != std::string::npos; ++at) ++toUser;
    EXPECT_EQ(toUser, 2u) << info;  // the real field, and the message's text on its own line
    EXPECT_EQ(info.find("\n  To user:     EVIL"), std::string::npos) << info;
    // The program's own reports keep their lines.
    WriteFile(dir / "plain", ToEbcdic("NOT AN XMIT FILE"));
    const CliRun refused = Cli("info " + Q(dir / "plain"), true);
    EXPECT_NE(refused.Out.find("!\nThis does not look like an Xmit file"), std::string::npos)
        << refused.Out;
}
