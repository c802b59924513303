#include "search/TextFind.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "text/HexDump.h"

namespace corvane {

namespace {
using Byte = unsigned char;

// Folds a byte without looking at its neighbours: ASCII capitals and every
// byte 0x80..0x9E (but 0x97) that could be the second byte of a Latin-1
// capital (C3 80..9E). Matches under this fold are candidates; Folded()
// then checks them exactly.
Byte LooseFold(Byte b) {
    if (b >= 'A' && b <= 'Z') return static_cast<Byte>(b + 0x20);
    if (b >= 0x80 && b <= 0x9E && b != 0x97) return static_cast<Byte>(b + 0x20);
    return b;
}

// The byte at i folded exactly: a continuation byte only after C3.
Byte Folded(std::string_view s, std::size_t i) {
    const auto b = static_cast<Byte>(s[i]);
    if (b >= 'A' && b <= 'Z') return static_cast<Byte>(b + 0x20);
    if (b >= 0x80 && b <= 0x9E && b != 0x97 && i > 0 && static_cast<Byte>(s[i - 1]) == 0xC3)
        return static_cast<Byte>(b + 0x20);
    return b;
}

}  // namespace

TextMatcher::TextMatcher(std::string_view pattern, bool matchCase)
    : pattern_(pattern), matchCase_(matchCase) {
    for (std::size_t b = 0; b < 256; ++b) {
        map_[b] = matchCase ? static_cast<Byte>(b) : LooseFold(static_cast<Byte>(b));
    }
    const std::size_t m = pattern_.size();
    mapped_.resize(m);
    for (std::size_t k = 0; k < m; ++k)
        mapped_[k] = static_cast<char>(map_[static_cast<Byte>(pattern_[k])]);
    forward_.fill(m);
    backward_.fill(m);
    for (std::size_t k = 0; k + 1 < m; ++k) forward_[static_cast<Byte>(mapped_[k])] = m - 1 - k;
    for (std::size_t k = m; k-- > 1;) backward_[static_cast<Byte>(mapped_[k])] = k;
}

bool TextMatcher::ExactAt(std::string_view text, std::size_t at) const {
    if (matchCase_) return true;  // the mapped comparison was exact
    for (std::size_t k = 0; k < pattern_.size(); ++k) {
        if (Folded(text, at + k) != Folded(pattern_, k)) return false;
    }
    return true;
}

std::optional<std::size_t> TextMatcher::First(std::string_view text, std::size_t lo,
                                              std::size_t hi) const {
    const std::size_t m = pattern_.size();
    if (m == 0 || text.size() < m) return std::nullopt;
    hi = std::min(hi, text.size() - m + 1);
    const auto* t = reinterpret_cast<const Byte*>(text.data());
    const auto* p = reinterpret_cast<const Byte*>(mapped_.data());
    for (std::size_t at = lo; at < hi;) {
        std::size_t k = m - 1;
        while (map_[t[at + k]] == p[k]) {
            if (k == 0) {
                if (ExactAt(text, at)) return at;
                break;
            }
            --k;
        }
        at += forward_[map_[t[at + m - 1]]];
    }
    return std::nullopt;
}

std::optional<std::size_t> TextMatcher::Last(std::string_view text, std::size_t lo,
                                             std::size_t hi) const {
    const std::size_t m = pattern_.size();
    if (m == 0 || text.size() < m) return std::nullopt;
    hi = std::min(hi, text.size() - m + 1);
    const auto* t = reinterpret_cast<const Byte*>(text.data());
    const auto* p = reinterpret_cast<const Byte*>(mapped_.data());
    for (std::size_t end = hi; end > lo;) {
        const std::size_t at = end - 1;  // the window begins here
        std::size_t k = 0;
        while (map_[t[at + k]] == p[k]) {
            if (k == m - 1) {
                if (ExactAt(text, at)) return at;
                break;
            }
            ++k;
        }
        const std::size_t shift = backward_[map_[t[at]]];
        end = end > lo + shift ? end - shift : lo;
    }
    return std::nullopt;
}

namespace {
std::optional<FoundText> FindAround(std::string_view text, const TextMatcher& matcher,
                                    std::size_t from, bool backward) {
    from = std::min(from, text.size());
    const std::size_t end = text.size() + 1;
    const std::size_t m = matcher.Size();
    if (!backward) {
        if (auto at = matcher.First(text, from, end)) return FoundText{*at, *at + m};
        if (auto at = matcher.First(text, 0, from)) return FoundText{*at, *at + m, true};
        return std::nullopt;
    }
    if (auto at = matcher.Last(text, 0, from)) return FoundText{*at, *at + m};
    if (auto at = matcher.Last(text, from, end)) return FoundText{*at, *at + m, true};
    return std::nullopt;
}

// The character columns of a hex dump's rows, one after the other; rows
// that do not follow each other are kept apart by a '\n'.
struct HexCharacters {
    std::string Flat;
    struct Piece {
        std::size_t FlatBegin, TextBegin;
    };
    std::vector<Piece> Pieces;

    explicit HexCharacters(std::string_view text) {
        bool inRun = false;
        for (std::size_t begin = 0; begin <= text.size();) {
            std::size_t end = text.find('\n', begin);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view line = text.substr(begin, end - begin);
            if (auto column = HexRowCharacters(line)) {
                Pieces.push_back({Flat.size(), begin + *column});
                Flat.append(line.substr(*column));
                inRun = true;
            } else if (inRun) {
                Flat.push_back('\n');
                inRun = false;
            }
            begin = end + 1;
        }
    }
    // The text offset of the flat byte at f.
    std::size_t ToText(std::size_t f) const {
        auto it = std::upper_bound(Pieces.begin(), Pieces.end(), f,
                                   [](std::size_t v, const Piece& p) { return v < p.FlatBegin; });
        const Piece& p = *std::prev(it);
        return p.TextBegin + (f - p.FlatBegin);
    }
    // The flat offset of the first character column byte at or after t.
    std::size_t ToFlat(std::size_t t) const {
        for (const Piece& p : Pieces) {
            const std::size_t next = &p == &Pieces.back() ? Flat.size() : (&p + 1)->FlatBegin;
            const std::size_t length = next - p.FlatBegin;
            if (t < p.TextBegin) return p.FlatBegin;
            if (t <= p.TextBegin + length) return p.FlatBegin + std::min(t - p.TextBegin, length);
        }
        return Flat.size();
    }
};
}  // namespace

std::optional<FoundText> FindText(std::string_view text, std::string_view pattern, std::size_t from,
                                  const FindOptions& options) {
    if (pattern.empty()) return std::nullopt;
    const TextMatcher matcher(pattern, options.MatchCase);
    if (!options.HexCharacters) return FindAround(text, matcher, from, options.Backward);
    const HexCharacters hex(text);
    if (hex.Pieces.empty()) return std::nullopt;
    auto found = FindAround(hex.Flat, matcher, hex.ToFlat(from), options.Backward);
    if (!found) return std::nullopt;
    return FoundText{hex.ToText(found->Begin), hex.ToText(found->End - 1) + 1, found->Wrapped};
}

}  // namespace corvane
