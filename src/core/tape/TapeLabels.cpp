#include "tape/TapeLabels.h"

#include <cstdio>

#include "text/CodePage.h"

namespace corvane::tape {

std::string LabelText(const std::uint8_t* label) {
    std::string text;
    text.reserve(kLabelSize);
    CodePage::Default().AppendText(label, kLabelSize, text);
    return text;
}

std::string Field(const std::string& text, std::size_t offset, std::size_t length) {
    if (offset >= text.size()) return {};
    std::string field = text.substr(offset, length);
    while (!field.empty() && field.back() == ' ') field.pop_back();
    return field;
}

std::optional<std::uint64_t> Number(const std::string& text, std::size_t offset,
                                    std::size_t length) {
    if (offset >= text.size()) return std::nullopt;
    const std::string field = text.substr(offset, length);
    std::size_t from = field.find_first_not_of(' ');
    if (from == std::string::npos) return std::nullopt;
    std::size_t to = field.find_last_not_of(' ') + 1;
    std::uint64_t value = 0;
    for (std::size_t k = from; k < to; ++k) {
        if (field[k] < '0' || field[k] > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(field[k] - '0');
    }
    return value;
}

std::string CreationDate(const std::string& hdr1) {
    if (hdr1.size() < 47) return {};
    const char c = hdr1[41];
    auto yy = Number(hdr1, 42, 2);
    auto ddd = Number(hdr1, 44, 3);
    if (!yy || !ddd || hdr1[42] == ' ' || hdr1[44] == ' ' || hdr1[46] == ' ') return {};
    int year = 0;
    if (c == ' ') {
        // Older systems leave the century blank whatever the year.
        year = (*yy < 70 ? 2000 : 1900) + static_cast<int>(*yy);
    } else if (c >= '0' && c <= '9') {
        year = 2000 + (c - '0') * 100 + static_cast<int>(*yy);
    } else {
        return {};
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int days[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int day = static_cast<int>(*ddd);
    if (day < 1 || day > (leap ? 366 : 365)) return {};
    int month = 0;
    while (day > days[month]) day -= days[month++];
    char out[40];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month + 1, day);
    return out;
}

std::string RecordFormat(const std::string& hdr2) {
    if (hdr2.size() < 39) return "U";
    std::string recfm(1, hdr2[4] == ' ' ? 'U' : hdr2[4]);
    switch (hdr2[38]) {
        case 'B':
            recfm += "B";
            break;
        case 'S':
            recfm += "S";
            break;
        case 'R':
            recfm += "BS";
            break;
        default:
            break;
    }
    return recfm;
}

std::optional<std::uint64_t> BlockCount(const std::string& eof1) {
    auto low = Number(eof1, 54, 6);
    if (!low) return std::nullopt;
    auto high = Number(eof1, 76, 4);
    return (high ? *high * 1000000 : 0) + *low;
}

void ApplyHeaderLabels(TapeFileInfo& file, const std::string& hdr1, const std::string* hdr2) {
    file.Hdr1 = hdr1;
    file.Dsn = Field(hdr1, 4, 17);
    if (auto seq = Number(hdr1, 31, 4)) file.Sequence = static_cast<std::uint32_t>(*seq);
    file.Created = CreationDate(hdr1);
    if (!hdr2) return;
    file.Hdr2 = *hdr2;
    file.Recfm = RecordFormat(*hdr2);
    file.Blksize = static_cast<std::uint32_t>(Number(*hdr2, 5, 5).value_or(0));
    file.Lrecl = static_cast<std::uint32_t>(Number(*hdr2, 10, 5).value_or(0));
    if (auto large = Number(*hdr2, 70, 10); large && *large > 0 && *large <= 0xFFFFFFFFu)
        file.Blksize = static_cast<std::uint32_t>(*large);
    file.JobStep = hdr2->substr(17, 17);
}

}  // namespace corvane::tape
