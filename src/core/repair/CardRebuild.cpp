#include "repair/CardRebuild.h"

#include <cstddef>
#include <cstring>

namespace corvane::repair {

namespace {

constexpr std::size_t kCard = 80;
// Steps per line tried before the rebuild gives up as ambiguous: a wrong
// choice shows within a few segments, so a real file needs few.
constexpr std::size_t kStepsPerLine = 64;

// The segment chain walked over the bytes known so far.
struct Chain {
    std::size_t Next = 0;  // where the next segment header is
    bool RecordStart = true;
    bool Closed = false;  // the closing record was met
    std::size_t ClosedAt = 0;

    // False when a header among the bytes known is not one.
    bool Advance(const std::vector<std::uint8_t>& out) {
        while (!Closed && Next + 2 <= out.size()) {
            const std::size_t length = out[Next];
            const std::uint8_t flags = out[Next + 1];
            const bool first = (flags & 0x80) != 0;
            if (length < 2 || first != RecordStart || (flags & 0x0F) != 0) return false;
            // A control record's name must be known before it is passed.
            if ((flags & 0x20) && first && Next + 8 > out.size()) break;
            if ((flags & 0x20) && first) {
                const std::uint8_t* n = out.data() + Next + 2;
                if (n[0] != 0xC9 || n[1] != 0xD5 || n[2] != 0xD4 || n[3] != 0xD9 || n[4] != 0xF0) {
                    return false;
                }
                if (n[5] == 0xF6) {
                    if (!(flags & 0x40)) return false;
                    Closed = true;
                    ClosedAt = Next + length;
                }
            }
            RecordStart = (flags & 0x40) != 0;
            Next += length;
        }
        // After the closing record only filler may follow.
        if (Closed) {
            const std::uint8_t* p = out.data();
            for (std::size_t i = ClosedAt, n = out.size(); i < n; ++i) {
                if (p[i] != 0x40 && p[i] != 0x00) return false;
            }
        }
        return true;
    }
};

struct State {
    std::size_t Piece = 0;
    std::size_t Size = 0;       // bytes of the output
    std::size_t CardStart = 0;  // where the card being filled starts
    Chain Walk;
    bool TriedData = false;  // at a choice: the line end as data is what is left
};

}  // namespace

std::vector<TextLine> SplitLines(const std::vector<std::uint8_t>& text, bool crlf) {
    std::vector<TextLine> lines;
    const std::uint8_t* const begin = text.data();
    const std::uint8_t* const end = begin + text.size();
    std::size_t start = 0;
    for (const std::uint8_t* p = begin; p < end; ++p) {
        p = static_cast<const std::uint8_t*>(
            std::memchr(p, 0x0A, static_cast<std::size_t>(end - p)));
        if (!p) break;
        const std::size_t i = static_cast<std::size_t>(p - begin);
        const bool withCr = crlf && i > start && begin[i - 1] == 0x0D;
        lines.push_back({start, withCr ? i - 1 : i, withCr ? 2u : 1u});
        start = i + 1;
    }
    if (start < text.size()) lines.push_back({start, text.size(), 0});
    return lines;
}

std::optional<std::vector<std::uint8_t>> RebuildCards(const std::vector<std::uint8_t>& text,
                                                      const std::vector<TextLine>& pieces,
                                                      const std::array<std::int16_t, 256>& back) {
    if (back[0x0A] < 0 || back[0x0D] < 0 || back[0x20] < 0) return std::nullopt;

    std::vector<std::uint8_t> out;
    // Each line fills one card at most: room for all of them at once.
    out.reserve((pieces.size() + 1) * kCard);
    std::vector<State> choices;  // where the other way is still to be tried
    State s;
    std::size_t steps = 0;
    const std::size_t budget = kStepsPerLine * pieces.size() + 256;
    while (true) {
        if (++steps > budget) return std::nullopt;
        bool failed = false;
        if (s.Piece == pieces.size()) {
            if (s.Walk.Closed && out.size() % kCard == 0) return out;
            failed = true;
        } else {
            const TextLine& p = pieces[s.Piece];
            // The line's bytes untranslated, when the card has room for them.
            const std::size_t length = p.To - p.From;
            const std::size_t inCard = s.Size - s.CardStart + length;
            failed = inCard > kCard;
            if (!failed) {
                out.resize(s.Size + length);
                const std::uint8_t* from = text.data() + p.From;
                std::uint8_t* to = out.data() + s.Size;
                const std::int16_t* table = back.data();
                std::int16_t all = 0;  // below 0 when a byte has no code
                for (std::size_t i = 0; i < length; ++i) {
                    const std::int16_t code = table[from[i]];
                    all |= code;
                    to[i] = static_cast<std::uint8_t>(code);
                }
                failed = all < 0;
            }
            if (!failed) {
                // The line end as a data byte, when the card has room for it.
                const bool dataPossible = p.End > 0 && inCard + p.End <= kCard && !s.TriedData;
                if (!s.TriedData) {
                    if (dataPossible) {
                        State other = s;
                        other.TriedData = true;
                        choices.push_back(other);
                    }
                    // The line ends the card: blanks to its end.
                    out.resize(s.CardStart + kCard, 0x40);
                    s.CardStart = out.size();
                } else {
                    if (p.End == 2) out.push_back(static_cast<std::uint8_t>(back[0x0D]));
                    out.push_back(static_cast<std::uint8_t>(back[0x0A]));
                }
                s.TriedData = false;
                s.Size = out.size();
                ++s.Piece;
                if (!s.Walk.Advance(out)) failed = true;
            }
        }
        if (failed) {
            if (choices.empty()) return std::nullopt;
            s = choices.back();
            choices.pop_back();
        }
    }
}

}  // namespace corvane::repair
