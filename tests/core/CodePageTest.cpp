#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decode/S390format.h"
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

}  // namespace
}  // namespace corvane
