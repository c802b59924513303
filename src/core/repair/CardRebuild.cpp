#include "repair/CardRebuild.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "repair/Untranslate.h"
#include "util/PlainCode.h"

namespace corvane::repair {

namespace {

constexpr std::size_t kCard = 80;
// Steps per line tried before the rebuild gives up as ambiguous: a wrong
// choice shows within a few segments, so a real file needs few.
constexpr std::size_t kStepsPerLine = 16;

// The segment chain walked over the bytes known so far.
struct Chain {
    std::size_t Next = 0;  // where the next segment header is
    bool RecordStart = true;
    bool Closed = false;       // the closing record was met
    std::size_t FillerAt = 0;  // past it, the bytes checked to be filler up to here

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
                    FillerAt = Next + length;
                }
            }
            RecordStart = (flags & 0x40) != 0;
            Next += length;
        }
        // After the closing record only filler may follow.
        if (Closed) {
            const std::uint8_t* p = out.data();
            for (const std::size_t n = out.size(); FillerAt < n; ++FillerAt) {
                if (p[FillerAt] != 0x40 && p[FillerAt] != 0x00) return false;
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

// All the rest of a rebuild depends on once a line is placed: the next
// line, how full the card is, and where the chain stands against the bytes
// made, with the first bytes of a header when only they are made. A state
// whose every way on has failed fails again wherever it comes back.
struct Key {
    std::uint64_t Where = 0, Pending = 0;
    bool operator==(const Key&) const = default;
};

// The states known to fail, in one table of open addressing: a rebuild
// notes thousands, and a node for each cost more than the search.
class DeadStates {
  public:
    CORVANE_PLAIN_CODE bool Has(const Key& k) const {
        if (count_ == 0) return false;
        for (std::size_t i = Slot(k);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == k) return true;
            if (slots_[i].Where == kEmpty) return false;
        }
    }
    CORVANE_PLAIN_CODE void Add(const Key& k) {
        if (2 * (count_ + 1) > slots_.size()) Grow();
        std::size_t i = Slot(k);
        for (; slots_[i].Where != kEmpty; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == k) return;
        }
        slots_[i] = k;
        ++count_;
    }

  private:
    // No key has every bit set: the line number takes 46 bits at most.
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    std::size_t Slot(const Key& k) const {
        const std::uint64_t h =
            (k.Where ^ k.Pending * 0xC2B2AE3D27D4EB4Full) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h >> 32) & (slots_.size() - 1);
    }
    void Grow() {
        std::vector<Key> old(std::max<std::size_t>(64, slots_.size() * 2), Key{kEmpty, 0});
        old.swap(slots_);
        count_ = 0;
        for (const Key& k : old) {
            if (k.Where != kEmpty) Add(k);
        }
    }
    std::vector<Key> slots_;
    std::size_t count_ = 0;
};

CORVANE_PLAIN_CODE Key KeyOf(const State& s, const std::vector<std::uint8_t>& out) {
    Key k;
    // Before the closing record the next header is at most 255 bytes past
    // the end and less than 8 before it; after its start, bytes are looked
    // at only past its end, at most 255 bytes on.
    std::uint64_t next = s.Walk.FillerAt > s.Size ? s.Walk.FillerAt - s.Size : 0;
    if (!s.Walk.Closed) {
        next = s.Walk.Next + 8 - s.Size;
        for (std::size_t i = s.Walk.Next; i < s.Size; ++i) k.Pending = k.Pending << 8 | out[i];
    }
    k.Where = static_cast<std::uint64_t>(s.Piece) << 18 | (s.Size - s.CardStart) << 11 | next << 2 |
              (s.Walk.RecordStart ? 2u : 0u) | (s.Walk.Closed ? 1u : 0u);
    return k;
}

// A choice still to be tried, and how many placed lines led to it.
struct Choice {
    State At;
    std::size_t Trail;
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
    std::vector<Choice> choices;  // where the other way is still to be tried
    std::vector<Key> trail;       // the states of the lines placed since the start
    DeadStates dead;
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
                failed = !UntranslateBytes(text.data() + p.From, length, back.data(),
                                           out.data() + s.Size);
            }
            if (!failed) {
                // The line end as a data byte, when the card has room for it.
                const bool dataPossible = p.End > 0 && inCard + p.End <= kCard && !s.TriedData;
                if (!s.TriedData) {
                    if (dataPossible) {
                        State other = s;
                        other.TriedData = true;
                        choices.push_back({other, trail.size()});
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
                failed = !s.Walk.Advance(out);
                // Only a state a choice may come back past is noted.
                if (!failed && !choices.empty()) {
                    const Key key = KeyOf(s, out);
                    failed = dead.Has(key);
                    if (!failed) trail.push_back(key);
                }
            }
        }
        if (failed) {
            if (choices.empty()) return std::nullopt;
            // Every way on from the states placed since the choice failed.
            const Choice& c = choices.back();
            for (std::size_t i = c.Trail; i < trail.size(); ++i) dead.Add(trail[i]);
            trail.resize(c.Trail);
            s = c.At;
            choices.pop_back();
            if (choices.empty()) trail.clear();
        }
    }
}

}  // namespace corvane::repair
