#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XmitBuilder.h"
#include "search/TextFind.h"
#include "text/HexDump.h"

using namespace corvane;

namespace {
struct Case {
    const char* Name;
    std::string Text, Pattern;
    std::size_t From;
    FindOptions Options;
    long Begin;  // -1: nothing found
    bool Wrapped;
};

std::string HexText(const std::string& ascii, std::int64_t offset = 0) {
    const corvane::testing::Bytes ebcdic = corvane::testing::ToEbcdic(ascii);
    std::string text;
    AppendHexDump(ebcdic.data(), ebcdic.size(), offset, "MEMBER", [&](std::string_view line) {
        text.append(line).push_back('\n');
        return true;
    });
    return text;
}
}  // namespace

TEST(TextFind, FindsWrapsAndFolds) {
    const std::string text = "alpha Beta\ngamma beta\n\xC3\x84rger";  // "Ärger"
    const FindOptions exact{true, false, false}, fold{}, back{false, true, false};
    const std::vector<Case> cases = {
        {"forward from the start", text, "beta", 0, fold, 6, false},
        {"match case skips Beta", text, "beta", 0, exact, 17, false},
        {"next after a match", text, "beta", 7, fold, 17, false},
        {"wraps past the end", text, "alpha", 1, fold, 0, true},
        {"backward before from", text, "beta", 17, back, 6, false},
        {"backward wraps", text, "beta", 6, back, 17, true},
        {"Latin-1 capital folds", text, "\xC3\xA4rger", 0, fold, 22, false},
        {"Latin-1 kept with match case", text, "\xC3\xA4rger", 0, exact, -1, false},
        {"a lone continuation byte is no capital", "\xE2\x80\x9C", "\xE2\xA0\xBC", 0, fold, -1,
         false},
        {"not found", text, "delta", 0, fold, -1, false},
        {"empty pattern", text, "", 0, fold, -1, false},
        {"pattern longer than the text", "ab", "abc", 0, fold, -1, false},
        {"from past the end", text, "alpha", 999, fold, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto found = FindText(c.Text, c.Pattern, c.From, c.Options);
        if (c.Begin < 0) {
            EXPECT_FALSE(found.has_value());
            continue;
        }
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->Begin, static_cast<std::size_t>(c.Begin));
        EXPECT_EQ(found->End, found->Begin + c.Pattern.size());
        EXPECT_EQ(found->Wrapped, c.Wrapped);
    }
}

TEST(TextFind, HexDumpSearchesTheCharacterColumnAcrossRows) {
    // 16 characters a row: "PROGRAM" runs from the first row into the second.
    const std::string text = HexText("0123456789ABPROGRAM-ID C1C2", 0x123456789);
    const FindOptions hex{false, false, true};
    // "C1C2" is in the hex column of the first row and the characters of the second.
    const auto c1 = FindText(text, "c1c2", 0, hex);
    ASSERT_TRUE(c1.has_value());
    const std::size_t secondRow = text.find("\n", text.find("PROG")) + 1;
    EXPECT_GT(c1->Begin, secondRow + 50);
    EXPECT_EQ(text.substr(c1->Begin, 4), "C1C2");

    const auto program = FindText(text, "program-id", 0, hex);
    ASSERT_TRUE(program.has_value());
    EXPECT_EQ(text.substr(program->Begin, 4), "PROG");
    EXPECT_EQ(text.substr(program->End - 6, 6), "RAM-ID");  // the rest, on the next row
    EXPECT_FALSE(FindText(text, "Dump size", 0, hex).has_value());
    EXPECT_FALSE(FindText(text, "MEMBER", 0, hex).has_value());
}

TEST(TextFind, HexRowsAreRecognisedByTheirLayout) {
    EXPECT_EQ(HexRowCharacters("000010  C1C2" + std::string(36, ' ') + "  AB"), 50u);
    EXPECT_EQ(HexRowCharacters("100000010  C1C2" + std::string(36, ' ') + "  AB"), 53u);
    EXPECT_FALSE(HexRowCharacters("Dump size is: 2 bytes").has_value());
    EXPECT_FALSE(HexRowCharacters("000010  C1XY" + std::string(36, ' ') + "  AB").has_value());
    EXPECT_FALSE(HexRowCharacters(std::string(10, ' ')).has_value());
}
