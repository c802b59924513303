#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "MemoryPorts.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "decode/S390format.h"
#include "decode/XmitParser.h"
#include "extract/MemberReader.h"
#include "text/CodePage.h"

#if defined(__GLIBC__)
#include <iconv.h>
#endif

namespace corvane {
namespace {

std::vector<std::uint8_t> AllBytes() {
    std::vector<std::uint8_t> bytes(256);
    for (int b = 0; b < 256; ++b) bytes[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
    return bytes;
}

TEST(CodePage, EveryIbmPageDecodesAsIconvDoes) {
#if defined(__GLIBC__)
    const auto bytes = AllBytes();
    for (int number : CodePage::Numbers()) {
        if (number == CodePage::kCorvaneTable) continue;
        std::string name = "IBM" + std::string(number < 100 ? "0" : "") + std::to_string(number);
        iconv_t cd = iconv_open("UTF-8", name.c_str());
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
        std::string expected(256 * 3, '\0');
        char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes.data()));
        std::size_t inLeft = bytes.size();
        char* out = expected.data();
        std::size_t outLeft = expected.size();
        ASSERT_NE(iconv(cd, &in, &inLeft, &out, &outLeft), static_cast<std::size_t>(-1)) << name;
        iconv_close(cd);
        expected.resize(expected.size() - outLeft);
        std::string got;
        CodePage::Find(number)->AppendText(bytes.data(), bytes.size(), got);
        EXPECT_EQ(got, expected) << name;
    }
#else
    GTEST_SKIP() << "no iconv on this platform to compare with";
#endif
}

TEST(CodePage, NationalCharactersComeOutAsThemselves) {
    struct Case {
        int page;
        std::uint8_t byte;
        const char* utf8;
    };
    const Case cases[] = {{37, 0x4A, "¢"},   {37, 0x5F, "¬"},   {37, 0x6A, "¦"},
                          {273, 0x5A, "Ü"},  {273, 0x7C, "§"},  {500, 0x4A, "["},
                          {1047, 0xAD, "["}, {1140, 0x9F, "€"}, {1141, 0x9F, "€"}};
    for (const Case& c : cases) {
        std::string got;
        CodePage::Find(c.page)->AppendText(&c.byte, 1, got);
        EXPECT_EQ(got, c.utf8) << c.page << " " << int(c.byte);
    }
}

TEST(CodePage, ProgramTableIsTheDefaultAndKeepsItsBytes) {
    const auto bytes = AllBytes();
    std::string text;
    CodePage::Default().AppendText(bytes.data(), bytes.size(), text);
    ASSERT_EQ(text.size(), 256u);
    for (std::size_t b = 0; b < 256; ++b) {
        EXPECT_EQ(static_cast<std::uint8_t>(text[b]), kEbcdicTable[b]) << b;
    }
    EXPECT_EQ(CodePage::Find(12345), nullptr);
    EXPECT_EQ(CodePage::DisplayName(37), "IBM 037");
}

TEST(CodePage, VisibleTextHidesNoControlCharacter) {
    // EBCDIC NUL, 0x15 (NEL), 0x25 (LF) and a letter.
    const std::uint8_t data[] = {0x00, 0x15, 0x25, 0xC1};
    for (int number : {CodePage::kCorvaneTable, 37, 1047}) {
        std::string got;
        CodePage::Find(number)->AppendVisible(data, sizeof data, got);
        EXPECT_EQ(got,
                  "\xE2\x90\x80\xEF\xBF\xBD\xE2\x90\x8A"
                  "A")
            << number;
    }
}

// A library whose names hold "@" (X'7C', "§" in code page 273) and whose one
// FB 80 record holds X'4A' X'5F' X'6A' ("¢¬¦" in 037), an EBCDIC line feed
// X'25' and "A".
struct NationalLibrary {
    static testing::Bytes Build() {
        testing::PdsSpec plan;
        plan.Qualifiers = {"USER", "T@ST"};
        testing::Bytes record = {0x4A, 0x5F, 0x6A, 0x25, 0xC1};
        record.resize(80, 0x40);
        plan.Members = {{"@ABC", record, false, "", {}}};
        return testing::BuildPds(plan);
    }
    Result<XmitInfo> Parse(int page) {
        ParseOptions options;
        options.Characters = CodePage::Find(page);
        return ParseXmit(Source, options);
    }
    MemorySource Source{Build()};
};

TEST(CodePage, NamesAndTextUnitsAreDecodedThroughTheChosenPage) {
    NationalLibrary lib;
    auto table = lib.Parse(CodePage::kCorvaneTable);
    auto german = lib.Parse(273);
    ASSERT_TRUE(table.Ok() && german.Ok());
    EXPECT_EQ(table->Dataset.Name, "USER.T@ST");
    EXPECT_EQ(table->Members.at(0).Name, "@ABC    ");
    EXPECT_EQ(german->Dataset.Name, "USER.T§ST");
    EXPECT_EQ(german->Members.at(0).Name, "§ABC    ");
}

TEST(CodePage, ReadsGiveTheCharactersOfThePage) {
    NationalLibrary lib;
    auto info = lib.Parse(CodePage::kCorvaneTable);
    ASSERT_TRUE(info.Ok());
    MemberReader reader(lib.Source, info.Value());
    MemoryProgress progress;
    const std::string blanks(75, ' ');
    auto read = [&](ReadForm form, bool keepControls, MemoryLines* lines,
                    std::vector<std::uint8_t>* bytes) {
        ReadRequest r;
        r.Member = &info->Members.at(0);
        r.Form = form;
        r.Lines = lines;
        r.Bytes = bytes;
        r.Characters = CodePage::Find(37);
        r.KeepControls = keepControls;
        ASSERT_TRUE(reader.Read(r, progress).Ok());
    };
    MemoryLines kept, shown, hex;
    read(ReadForm::Text, true, &kept, nullptr);
    EXPECT_EQ(kept.Lines, (std::vector<std::string>{"¢¬¦\nA" + blanks, ""}));
    read(ReadForm::Text, false, &shown, nullptr);
    EXPECT_EQ(shown.Lines.at(0), "¢¬¦\u240AA" + blanks);
    read(ReadForm::Hex, false, &hex, nullptr);
    EXPECT_EQ(hex.Lines.at(3).substr(50, 8), "¢¬¦.A");
    // A text file is UTF-8 with CR LF line ends.
    std::vector<std::uint8_t> file;
    read(ReadForm::Text, false, nullptr, &file);
    const std::string expected = "¢¬¦\nA" + blanks + "\r\n\r\n";
    EXPECT_EQ(std::string(file.begin(), file.end()), expected);
}

}  // namespace
}  // namespace corvane
