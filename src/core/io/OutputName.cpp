#include "io/OutputName.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "search/NameFilter.h"

namespace corvane {

namespace {
// The longest file name Linux takes, in bytes (Windows takes as many UTF-16
// units, never fewer).
constexpr std::size_t kLongestName = 255;

void AppendEscape(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0x0F]);
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 when there is none.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char lead = at(0);
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size() || at(1) < low || at(1) > high) return 0;
    for (std::size_t k = 2; k < n; ++k) {
        if (at(k) < 0x80 || at(k) > 0xBF) return 0;
    }
    return n;
}

// Copies s, writing as %XX every byte of a control character (C0, DEL, C1),
// every byte that is not part of well-formed UTF-8, '%' (unless percent is
// false), and the ASCII characters listed in extra; line ends stay when
// newlines is true.
std::string Escape(std::string_view s, const char* extra, bool percent = true,
                   bool newlines = false) {
    // An ASCII character that stands as it is.
    const auto kept = [&](unsigned char c) {
        return (c >= 0x20 || (c == '\n' && newlines)) && c < 0x7F && (c != '%' || !percent) &&
               (c == 0 || std::strchr(extra, c) == nullptr);
    };
    // Most names need nothing escaped.
    if (std::all_of(s.begin(), s.end(),
                    [&](char c) { return kept(static_cast<unsigned char>(c)); }))
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (kept(c)) {
                out.push_back(static_cast<char>(c));
            } else {
                AppendEscape(out, c);
            }
            ++i;
            continue;
        }
        const std::size_t n = Utf8Length(s, i);
        if (n == 0) {
            AppendEscape(out, c);
            ++i;
            continue;
        }
        const bool c1Control = n == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
        for (std::size_t k = 0; k < n; ++k) {
            if (c1Control) {
                AppendEscape(out, static_cast<unsigned char>(s[i + k]));
            } else {
                out.push_back(s[i + k]);
            }
        }
        i += n;
    }
    return out;
}

constexpr char kUnsafeInNames[] = "/\\<>:\"|?*";

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether Windows takes the name as a device: the part before the first dot,
// without trailing blanks, is a device name.
bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = Upper(c);
    static const std::array<const char*, 6> kPlain = {"CON", "PRN",    "AUX",
                                                      "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kPlain) {
        if (stem == device) return true;
    }
    if (stem.size() < 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) {
        return false;
    }
    const std::string number = stem.substr(3);
    // A digit, or a superscript one, two or three (UTF-8 C2 B9, C2 B2, C2 B3).
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

}  // namespace

std::string OutputName(std::string_view name, std::string_view extension) {
    std::size_t end = name.size();
    while (end > 0 && name[end - 1] == ' ') --end;
    const std::string_view trimmed = name.substr(0, end);

    std::string out;
    if (trimmed.empty()) {
        out = "%20";
    } else if (trimmed == "." || trimmed == "..") {
        for (std::size_t k = 0; k < trimmed.size(); ++k) out += "%2E";
    } else {
        out = Escape(trimmed, kUnsafeInNames);
    }
    const std::string ext = Escape(extension, kUnsafeInNames);
    if (out.size() + ext.size() > kLongestName) {
        // Too long for a file system: the start of the name, then a hash of
        // the whole, so distinct names stay distinct; cut between
        // characters, never inside one or inside an escape.
        std::uint32_t hash = 2166136261u;  // FNV-1a
        for (char c : out + ext) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        char tag[10];
        std::snprintf(tag, sizeof tag, "~%08X", static_cast<unsigned>(hash));
        std::size_t cut = kLongestName > ext.size() + 9 ? kLongestName - ext.size() - 9 : 0;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        for (std::size_t back = 1; back <= 2 && back <= cut; ++back) {
            if (out[cut - back] == '%') {
                cut -= back;
                break;
            }
        }
        out = out.substr(0, cut) + tag;
    }
    out += ext;

    // Windows drops a final dot or blank.
    const char last = out.back();
    if (last == '.' || last == ' ') {
        out.pop_back();
        AppendEscape(out, static_cast<unsigned char>(last));
    }
    if (IsDeviceName(out)) {
        const auto first = static_cast<unsigned char>(out[0]);
        std::string escaped;
        AppendEscape(escaped, first);
        out.replace(0, 1, escaped);
    }
    return out;
}

std::string DisplayName(std::string_view name) {
    return Escape(name, "");
}

std::string FromDisplayName(std::string_view typed) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string name;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] == '%' && i + 2 < typed.size() && digit(typed[i + 1]) >= 0 &&
            digit(typed[i + 2]) >= 0) {
            name.push_back(static_cast<char>(digit(typed[i + 1]) * 16 + digit(typed[i + 2])));
            i += 2;
        } else {
            name.push_back(typed[i]);
        }
    }
    return name;
}

std::string VisibleText(std::string_view text) {
    return Escape(text, "", false);
}

std::string VisibleLines(std::string_view text) {
    return Escape(text, "", false, true);
}

std::string OutputNameSet::Take(std::string_view name, std::string_view extension) {
    std::string result = OutputName(name, extension);
    std::size_t end = name.size();
    while (end > 0 && name[end - 1] == ' ') --end;
    for (int n = 2; !taken_.insert(FoldCase(result)).second; ++n) {
        result = OutputName(std::string(name.substr(0, end)) + "~" + std::to_string(n), extension);
    }
    return result;
}

}  // namespace corvane
