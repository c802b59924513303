#include "search/NameFilter.h"

namespace corvane {

std::string FoldCase(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 0x20);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            const auto next = static_cast<unsigned char>(out[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97) {
                out[i + 1] = static_cast<char>(next + 0x20);
            }
            ++i;
        }
    }
    return out;
}

NameFilter::NameFilter(std::string_view filter) : pattern_(FoldCase(filter)) {
    if (!pattern_.empty() && pattern_.find_first_of("*?") == std::string::npos) {
        pattern_ = "*" + pattern_ + "*";
    }
}

namespace {
// The length of the UTF-8 character at s[i] (1 for a stray byte).
std::size_t CharLength(std::string_view s, std::size_t i) {
    std::size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
    return n;
}
}  // namespace

bool NameFilter::Matches(std::string_view rawName) const {
    if (pattern_.empty()) return true;
    const std::string name = FoldCase(rawName);
    const std::string_view p = pattern_;
    // Greedy matching with one backtrack point: the last '*' seen.
    std::size_t n = 0, k = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (k < p.size() && p[k] == '*') {
            star = ++k;
            resume = n;
        } else if (k < p.size() && p[k] == '?') {
            n += CharLength(name, n);
            ++k;
        } else if (k < p.size() && p[k] == name[n]) {
            ++n;
            ++k;
        } else if (star != std::string_view::npos) {
            k = star;
            resume += CharLength(name, resume);
            n = resume;
        } else {
            return false;
        }
    }
    while (k < p.size() && p[k] == '*') ++k;
    return k == p.size();
}

}  // namespace corvane
