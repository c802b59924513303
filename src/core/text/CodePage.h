#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// How EBCDIC text becomes characters: the program's own table (number 0,
// ISO 8859-1 output, the default) or one of the IBM code pages it offers
// (UTF-8 output).
class CodePage {
  public:
    static constexpr int kCorvaneTable = 0;

    // The code page of that number, or null when it is not offered.
    static const CodePage* Find(int number);
    static const CodePage& Default();
    // Every number offered, the program's table first.
    static std::vector<int> Numbers();
    // "Corvane table", or "IBM 037" and so on.
    static std::string DisplayName(int number);

    int Number() const { return number_; }
    char32_t CodePoint(std::uint8_t b) const { return codePoints_[b]; }

    // Appends the characters of count bytes: UTF-8 for an IBM code page,
    // the table's single bytes for the program's table. Control characters
    // are kept as they are.
    void AppendText(const std::uint8_t* data, std::size_t count, std::string& out) const;
    // Appends the characters as UTF-8 whatever the page, control
    // characters kept.
    void AppendUtf8(const std::uint8_t* data, std::size_t count, std::string& out) const;
    std::string Utf8(const std::uint8_t* data, std::size_t count) const {
        std::string out;
        AppendUtf8(data, count, out);
        return out;
    }
    // Appends UTF-8 for display in which nothing is hidden: control
    // characters become visible symbols.
    void AppendVisible(const std::uint8_t* data, std::size_t count, std::string& out) const;
    // True when text output is UTF-8 (an IBM page), false for the program's
    // table, whose text output is its single bytes.
    bool Unicode() const { return number_ != kCorvaneTable; }

  private:
    struct Utf8Table {
        std::array<std::array<char, 4>, 256> bytes{};
        std::array<std::uint8_t, 256> length{};
    };
    CodePage(int number, const std::uint16_t* codePoints);
    static void Fill(Utf8Table& table, const std::array<char32_t, 256>& points);

    int number_;
    std::array<char32_t, 256> codePoints_{};
    Utf8Table text_;
    Utf8Table utf8_;
    Utf8Table visible_;
};

}  // namespace corvane
