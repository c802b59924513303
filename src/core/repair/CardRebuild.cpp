#include "repair/CardRebuild.h"

#include <cstddef>

namespace corvane::repair {

namespace {

constexpr std::size_t kCard = 80;
// Steps per line tried before the rebuild gives up as ambiguous: a wrong
// choice shows within a few segments, so a real file needs few.
constexpr std::size_t kStepsPerLine = 64;

struct Piece {
    std::size_t From, To;  // the line's bytes, its end not included
    std::size_t End;       // bytes of its end: 1 (LF), 2 (CR LF) or 0 (the file's end)
};

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
            for (std::size_t i = ClosedAt; i < out.size(); ++i) {
                if (out[i] != 0x40 && out[i] != 0x00) return false;
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

std::optional<std::vector<std::uint8_t>> RebuildCards(const std::vector<std::uint8_t>& text,
                                                      const std::array<std::int16_t, 256>& back,
                                                      bool crlf) {
    std::vector<Piece> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != 0x0A) continue;
        const bool withCr = crlf && i > start && text[i - 1] == 0x0D;
        pieces.push_back({start, withCr ? i - 1 : i, withCr ? 2u : 1u});
        start = i + 1;
    }
    if (start < text.size()) pieces.push_back({start, text.size(), 0});
    if (back[0x0A] < 0 || back[0x0D] < 0 || back[0x20] < 0) return std::nullopt;

    std::vector<std::uint8_t> out;
    out.reserve(text.size() + text.size() / 4);
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
            const Piece& p = pieces[s.Piece];
            out.resize(s.Size);
            for (std::size_t i = p.From; i < p.To && !failed; ++i) {
                if (back[text[i]] < 0) {
                    failed = true;
                } else {
                    out.push_back(static_cast<std::uint8_t>(back[text[i]]));
                }
            }
            const std::size_t inCard = out.size() - s.CardStart;
            if (!failed && inCard > kCard) failed = true;
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
