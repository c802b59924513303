#include "text/CodePage.h"

#include <cstring>
#include <memory>

#include "decode/S390format.h"
#include "text/CodePageTables.h"

namespace corvane {

namespace {

void EncodeUtf8(char32_t cp, std::array<char, 4>& out, std::uint8_t& n) {
    n = 0;
    if (cp < 0x80) {
        out[n++] = static_cast<char>(cp);
    } else if (cp < 0x800) {
        out[n++] = static_cast<char>(0xC0 | (cp >> 6));
        out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out[n++] = static_cast<char>(0xE0 | (cp >> 12));
        out[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// What a control character shows as: the control pictures for C0 and DEL,
// the replacement character for C1.
char32_t VisibleCodePoint(char32_t cp) {
    if (cp < 0x20) return 0x2400 + cp;
    if (cp == 0x7F) return 0x2421;
    if (cp >= 0x80 && cp < 0xA0) return 0xFFFD;
    return cp;
}

struct Registry {
    std::vector<std::unique_ptr<CodePage>> pages;
};

}  // namespace

CodePage::CodePage(int number, const std::uint16_t* codePoints) : number_(number) {
    for (std::size_t b = 0; b < 256; ++b) {
        codePoints_[b] = codePoints ? codePoints[b] : kEbcdicTable[b];
    }
    std::array<char32_t, 256> visible{};
    for (std::size_t b = 0; b < 256; ++b) visible[b] = VisibleCodePoint(codePoints_[b]);
    Fill(visible_, visible);
    Fill(utf8_, codePoints_);
    if (codePoints) {
        Fill(text_, codePoints_);
    } else {
        for (std::size_t b = 0; b < 256; ++b) {
            text_.bytes[b][0] = static_cast<char>(kEbcdicTable[b]);
            text_.length[b] = 1;
        }
    }
}

void CodePage::Fill(Utf8Table& table, const std::array<char32_t, 256>& points) {
    for (std::size_t b = 0; b < 256; ++b) EncodeUtf8(points[b], table.bytes[b], table.length[b]);
}

const CodePage* CodePage::Find(int number) {
    static const Registry registry = [] {
        Registry r;
        r.pages.emplace_back(new CodePage(kCorvaneTable, nullptr));
        for (std::size_t k = 0; k < kCodePageTableCount; ++k) {
            r.pages.emplace_back(
                new CodePage(kCodePageTables[k].Number, kCodePageTables[k].CodePoints));
        }
        return r;
    }();
    for (const auto& page : registry.pages) {
        if (page->number_ == number) return page.get();
    }
    return nullptr;
}

const CodePage& CodePage::Default() {
    return *Find(kCorvaneTable);
}

std::vector<int> CodePage::Numbers() {
    std::vector<int> numbers{kCorvaneTable};
    for (std::size_t k = 0; k < kCodePageTableCount; ++k) {
        numbers.push_back(kCodePageTables[k].Number);
    }
    return numbers;
}

std::string CodePage::DisplayName(int number) {
    if (number == kCorvaneTable) return "Corvane table";
    std::string digits = std::to_string(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return "IBM " + digits;
}

namespace {
// Appends the table's bytes for each byte of data. Each character is copied
// as four bytes into a buffer on the stack and the buffer goes to out in one
// piece: several times faster than appending the characters one by one.
template <class Table>
void AppendThrough(const Table& table, const std::uint8_t* data, std::size_t count,
                   std::string& out) {
    char chunk[1024];
    std::size_t n = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (n > sizeof chunk - 4) {
            out.append(chunk, n);
            n = 0;
        }
        const std::uint8_t b = data[k];
        std::memcpy(chunk + n, table.bytes[b].data(), 4);
        n += table.length[b];
    }
    out.append(chunk, n);
}
}  // namespace

void CodePage::AppendText(const std::uint8_t* data, std::size_t count, std::string& out) const {
    AppendThrough(text_, data, count, out);
}

void CodePage::AppendUtf8(const std::uint8_t* data, std::size_t count, std::string& out) const {
    AppendThrough(utf8_, data, count, out);
}

void CodePage::AppendVisible(const std::uint8_t* data, std::size_t count, std::string& out) const {
    AppendThrough(visible_, data, count, out);
}

}  // namespace corvane
