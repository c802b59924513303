// corvane-cli repair, and the commands reading a file a transfer changed as
// it was, saying once what was undone.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRun.h"
#include "TempDir.h"
#include "TransferCopies.h"
#include "XmitBuilder.h"

using namespace corvane;
using namespace corvane::testing;

TEST(CliRepair, ADamagedCopyIsReadAsTheOriginalAndRepairedOnlyWhenExact) {
    TempDir dir;
    PdsSpec library;
    library.Members = {{"ONE", Cards(40, 'A'), false, "", {}},
                       {"TWO", Cards(9, 'B'), false, "", {}}};
    const Bytes original = BuildPds(library);
    Bytes lines;
    for (std::size_t at = 0; at < original.size(); at += 80) {
        lines.insert(lines.end(), original.begin() + static_cast<std::ptrdiff_t>(at),
                     original.begin() + static_cast<std::ptrdiff_t>(at + 80));
        lines.insert(lines.end(), {0x0D, 0x0A});
    }
    WriteFile(dir / "lib.xmi", original);
    WriteFile(dir / "lines.xmi", lines);
    WriteFile(dir / "cut.xmi", Bytes(original.begin(), original.begin() + 2000));

    const CliRun listed = Cli("list " + Q(dir / "lines.xmi"), true);
    EXPECT_EQ(listed.Code, 0);
    EXPECT_NE(listed.Out.find("note: This file was sent with a line end (CR LF) after each "
                              "record; the original bytes were restored exactly."),
              std::string::npos)
        << listed.Out;
    EXPECT_EQ(Cli("view " + Q(dir / "lines.xmi") + " TWO").Out,
              Cli("view " + Q(dir / "lib.xmi") + " TWO").Out);

    EXPECT_EQ(Cli("repair " + Q(dir / "lines.xmi") + " " + Q(dir / "fixed.xmi")).Code, 0);
    EXPECT_EQ(ReadFile(dir / "fixed.xmi"), original);
    EXPECT_EQ(Cli("repair " + Q(dir / "lines.xmi") + " " + Q(dir / "lines.xmi")).Code, 2);
    EXPECT_EQ(ReadFile(dir / "lines.xmi"), lines);

    const CliRun cut = Cli("repair " + Q(dir / "cut.xmi") + " " + Q(dir / "cut.fixed"), true);
    EXPECT_EQ(cut.Code, 1);
    EXPECT_NE(cut.Out.find("cut short"), std::string::npos) << cut.Out;
    EXPECT_FALSE(std::filesystem::exists(dir / "cut.fixed"));
    EXPECT_EQ(Cli("repair --salvage " + Q(dir / "cut.xmi") + " " + Q(dir / "cut.fixed")).Code, 1);
    EXPECT_EQ(ReadFile(dir / "cut.fixed").size(), 2000u);
}

TEST(CliRepair, SalvageWritesTheRecordsBeforeTheDamageBesideTheMember) {
    TempDir dir;
    PdsSpec library;
    library.Members = {{"ONE", Cards(40, 'A'), false, "", {}}};
    const Bytes original = BuildPds(library);
    WriteFile(dir / "lib.xmi", original);
    WriteFile(dir / "cut.xmi", Bytes(original.begin(), original.begin() + 2000));
    ASSERT_EQ(Cli("extract --text -o " + Q(dir / "whole") + " " + Q(dir / "lib.xmi")).Code, 0);
    const Bytes whole = ReadFile(dir / "whole" / "ONE.txt");

    EXPECT_EQ(Cli("extract --text -o " + Q(dir / "plain") + " " + Q(dir / "cut.xmi")).Code, 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "plain"));
    const CliRun saved =
        Cli("extract --text --salvage -o " + Q(dir / "kept") + " " + Q(dir / "cut.xmi"), true);
    EXPECT_EQ(saved.Code, 1);  // still a failure: the member is not whole
    const Bytes kept = ReadFile(dir / "kept" / "ONE.partial.txt");
    const auto lines = std::count(kept.begin(), kept.end(), '\n');
    EXPECT_GT(lines, 0);
    EXPECT_LT(lines, 40);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), whole.begin()));
    EXPECT_NE(saved.Out.find("Salvaged " + std::to_string(lines) + " records of ONE into "),
              std::string::npos)
        << saved.Out;
    EXPECT_NE(saved.Out.find("the damage starts at offset 2000"), std::string::npos) << saved.Out;
}

TEST(CliRepair, ATextCopyThatCannotBeUndoneExactlySaysWhyBesideTheError) {
    TempDir dir;
    PdsSpec library;
    Bytes every;
    for (int round = 0; round < 5; ++round)
        for (int b = 0; b < 256; ++b) every.push_back(static_cast<std::uint8_t>(b));
    library.Members = {{"ALL", every, false, "", {}}};
    const Bytes original = BuildPds(library);
    // Sent in text mode through IBM 037, which other pages read differently.
    const Bytes text = TextModeCopy(original, 37);
    WriteFile(dir / "text.xmi", text);
    const CliRun listed = Cli("list " + Q(dir / "text.xmi"), true);
    EXPECT_EQ(listed.Code, 1);
    EXPECT_NE(listed.Out.find("note: This file was sent in text mode through a code page that "
                              "cannot be told: IBM 037"),
              std::string::npos)
        << listed.Out;
    const CliRun named = Cli("list --codepage 37 " + Q(dir / "text.xmi"), true);
    EXPECT_EQ(named.Code, 0) << named.Out;
    EXPECT_NE(named.Out.find("ALL"), std::string::npos);

    // Repaired as it is read: into a folder not there yet, never over a file.
    const auto fixed = dir / "new" / "fixed.xmi";
    EXPECT_EQ(Cli("repair " + Q(dir / "text.xmi") + " " + Q(fixed)).Code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "new"));  // nothing kept, no folder left
    EXPECT_EQ(Cli("repair --codepage 37 " + Q(dir / "text.xmi") + " " + Q(fixed)).Code, 0);
    EXPECT_EQ(ReadFile(fixed), original);
    WriteFile(fixed, Bytes{1, 2, 3});
    const CliRun again = Cli("repair --codepage 37 " + Q(dir / "text.xmi") + " " + Q(fixed), true);
    EXPECT_EQ(again.Code, 1);
    EXPECT_NE(again.Out.find("exists"), std::string::npos) << again.Out;
    EXPECT_EQ(ReadFile(fixed), (Bytes{1, 2, 3}));
}
