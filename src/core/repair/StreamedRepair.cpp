#include "repair/StreamedRepair.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "io/BackgroundWriter.h"
#include "repair/SegmentWalk.h"
#include "repair/TextPages.h"
#include "repair/Untranslate.h"

namespace corvane::repair {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
const std::optional<StreamedRepair> kNotSuch;
constexpr std::size_t kBackgroundFrom = std::size_t{4} << 20;

// The cards in hand: card From / kCard of the untranslated bytes starts at
// P, each card followed by its line end (Step bytes from one to the next).
struct Window {
    const std::uint8_t* P;
    std::size_t From, To;  // offsets in the untranslated bytes
    std::size_t Step;
    std::uint8_t At(std::size_t i, const std::int16_t* back) const {
        const std::size_t k = i - From;
        return static_cast<std::uint8_t>(back[P[k / kCard * Step + k % kCard]]);
    }
};

// One page's walk along the segment chain, a window at a time; past the
// closing record the rest must be filler.
struct Walker {
    const PageTable* Page;
    SegmentWalk Walk;
    std::size_t FillerAt = 0;  // filler checked up to here
    bool Filler = true;

    void Advance(const Window& w, std::size_t size) {
        const std::int16_t* back = Page->Back.data();
        auto at = [&](std::size_t i) { return w.At(i, back); };
        Walk.Advance(at, w.To, size);
        if (Walk.Now != SegmentWalk::State::Closed) return;
        FillerAt = std::max(FillerAt, Walk.End);
        for (; Filler && FillerAt < w.To; ++FillerAt) {
            const std::uint8_t b = at(FillerAt);
            Filler = b == 0x40 || b == 0x00;
        }
    }
    // The chain ran to the closing record, and only filler follows.
    bool Sound() const { return Walk.Now == SegmentWalk::State::Closed && Filler; }
};

// The table with X'FF' for every byte that has no code.
Table EveryByteCoded(Table back) {
    for (std::int16_t& code : back) code = code < 0 ? 0xFF : code;
    return back;
}

// Reads the cards perRead at a time into a buffer that keeps the card read
// before them (with its line end) in front, and calls f(window, the cards'
// bytes, the first card's number, how many, their length in bytes); f
// returning false stops the reading.
class CardReader {
  public:
    CardReader(ByteSource& in, std::size_t step, std::size_t cards, std::size_t perRead)
        : in_(in), step_(step), cards_(cards), perRead_(perRead), buffer_((perRead + 1) * step) {}

    template <class F>
    Result<bool> Each(const F& f) {
        const std::int64_t size = in_.Size();
        bool prefix = false;
        for (std::size_t card = 0; card < cards_; card += perRead_) {
            const std::size_t n = std::min(perRead_, cards_ - card);
            const std::int64_t from = static_cast<std::int64_t>(card * step_);
            const std::size_t length = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(n * step_), size - from));
            std::uint8_t* chunk = buffer_.data() + step_;
            std::size_t got = 0;
            while (got < length) {
                auto r =
                    in_.ReadAt(from + static_cast<std::int64_t>(got), chunk + got, length - got);
                if (!r) return r.Err();
                if (r.Value() == 0) {
                    return Error::Plain(Error::Kind::Io,
                                        in_.Name() + " became shorter while it was read");
                }
                got += r.Value();
            }
            const Window w{prefix ? buffer_.data() : chunk, (card - (prefix ? 1 : 0)) * kCard,
                           (card + n) * kCard, step_};
            if (!f(w, chunk, card, n, length)) return false;
            if (length >= step_) std::memcpy(buffer_.data(), chunk + length - step_, step_);
            prefix = length >= step_;
        }
        return true;
    }

  private:
    ByteSource& in_;
    std::size_t step_, cards_, perRead_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

Result<std::optional<StreamedRepair>> RepairCardsStreamed(ByteSource& in, int codePage,
                                                          const CardOutput& out,
                                                          std::size_t cardsPerRead) {
    cardsPerRead = std::max<std::size_t>(cardsPerRead, 1);
    const std::int64_t fileSize = in.Size();
    if (fileSize < static_cast<std::int64_t>(kCard) + 1) return kNotSuch;
    std::uint8_t head[kCard + 2] = {};
    const std::size_t headSize = static_cast<std::size_t>(
        std::min<std::int64_t>(fileSize, static_cast<std::int64_t>(sizeof head)));
    auto got = in.ReadAt(0, head, headSize);
    if (!got) return got.Err();
    if (got.Value() < headSize) return kNotSuch;
    // Text-mode bytes alone: undoings of descriptors come before text.
    if (!std::equal(kTextStart, kTextStart + 7, head + 1) || StartsLikeXmit(head + 4, 8) ||
        StartsLikeXmit(head + 8, 8)) {
        return kNotSuch;
    }
    std::size_t step = 0;
    if (headSize == kCard + 2 && head[kCard] == 0x0D && head[kCard + 1] == 0x0A) {
        step = kCard + 2;
    } else if (head[kCard] == 0x0A) {
        step = kCard + 1;
    } else {
        return kNotSuch;
    }
    const auto total = static_cast<std::size_t>(fileSize);
    const std::size_t whole = total / step;
    const std::size_t rest = total % step;
    if (rest != 0 && rest != kCard) return kNotSuch;
    const std::size_t cards = whole + (rest ? 1 : 0);
    const std::size_t size = cards * kCard;

    std::vector<Walker> walkers;
    for (const PageTable& page : PageTables()) {
        if (codePage >= 0 && page.Number != codePage) continue;
        if (FirstSegmentUntranslates(head, page.Back))
            walkers.push_back(Walker{&page, {}, 0, true});
    }
    if (walkers.empty()) return kNotSuch;

    // The cards are written through the first page that may be the file's
    // while the rest is found out, a byte without a code as X'FF': whether
    // each has one is told from the byte values seen.
    const Table written = EveryByteCoded(walkers.front().Page->Back);
    // The byte values the cards hold, noted where there are pages to tell
    // apart; with one, whether a byte has no code there.
    const bool onePage = walkers.size() == 1;
    bool uncoded = false;
    std::array<bool, 256> seen{};
    bool seenAll = false;
    std::array<bool, 256> known{};
    std::array<std::size_t, 256> firstAt;  // where each byte value first stands in the cards
    firstAt.fill(kNone);
    LineEnds lineEnds;  // as the whole repair counts them
    std::vector<std::uint8_t> outBuffers[2] = {std::vector<std::uint8_t>(cardsPerRead * kCard),
                                               std::vector<std::uint8_t>(cardsPerRead * kCard)};
    int flip = 0;
    bool writing = true;
    auto lend = [&out](const std::uint8_t* p, std::size_t n) { return out.Write(p, n); };
    // A large file's cards are written on a thread of their own while the
    // next are read; a small file's are not worth a thread.
    auto background = size >= kBackgroundFrom ? std::make_unique<BackgroundWriter>(lend) : nullptr;

    CardReader reader(in, step, cards, cardsPerRead);
    auto read = reader.Each([&](const Window& w, const std::uint8_t* chunk, std::size_t card,
                                std::size_t n, std::size_t length) {
        // Every line end where it belongs (the last card may have none).
        for (std::size_t k = 0; k < n && card + k < whole; ++k) {
            const std::uint8_t* e = chunk + k * step + kCard;
            if (step == kCard + 2 ? (e[0] != 0x0D || e[1] != 0x0A) : e[0] != 0x0A) return false;
        }
        lineEnds.Count(chunk, length);
        std::uint8_t* o = outBuffers[flip].data();
        if (onePage) {
            // No other page to tell apart: only whether every byte has a code.
            const std::int16_t* back = walkers.front().Page->Back.data();
            uncoded = !UntranslateCards(chunk, n, step, back, o) || uncoded;
        } else {
            // Once every value has been seen there is nothing more to note.
            for (std::size_t k = 0; k < n && !seenAll; ++k) {
                const std::uint8_t* c = chunk + k * step;
                for (std::size_t j = 0; j < kCard; ++j) seen[c[j]] = true;
            }
            seenAll = std::all_of(seen.begin(), seen.end(), [](bool b) { return b; });
            UntranslateCards(chunk, n, step, written.data(), o);
        }
        for (std::size_t b = 0; b < 256; ++b) {
            if (!seen[b] || known[b]) continue;
            known[b] = true;
            for (std::size_t i = 0; i < n * kCard && firstAt[b] == kNone; ++i) {
                if (chunk[i / kCard * step + i % kCard] == b) firstAt[b] = card * kCard + i;
            }
        }
        for (Walker& walker : walkers) walker.Advance(w, size);
        if (writing) writing = background ? background->Lend(o, n * kCard) : lend(o, n * kCard);
        flip ^= 1;
        return true;
    });
    if (!read) return read.Err();
    writing = (!background || background->Finish()) && writing;
    if (!read.Value()) return kNotSuch;
    if (lineEnds.MostlyCrLf() != (step == kCard + 2)) return kNotSuch;

    // As the whole repair chooses: pages alike on every byte the file holds
    // tried once, the first page whose chain runs to the end taken, and
    // one that gives other bytes before the end makes it unknown.
    std::array<bool, 256> held = seen;
    held[0x0A] = held[0x0D] = held[0x20] = true;
    std::vector<Table> tried;
    const Walker* found = nullptr;
    Table foundBack{};
    std::size_t kept = 0;
    std::vector<std::string> rivals;
    for (const Walker& walker : walkers) {
        Table back;
        back.fill(-1);
        for (std::size_t b = 0; b < 256; ++b) {
            if (held[b]) back[b] = walker.Page->Back[b];
        }
        if (std::find(tried.begin(), tried.end(), back) != tried.end()) continue;
        tried.push_back(back);
        bool codes = !uncoded;
        for (std::size_t b = 0; b < 256; ++b) codes = codes && (!seen[b] || back[b] >= 0);
        if (!codes || !walker.Sound()) continue;
        const std::size_t ends = (walker.Walk.End + kCard - 1) / kCard * kCard;
        if (!found) {
            found = &walker;
            foundBack = back;
            kept = ends;
            continue;
        }
        bool same = ends == kept;
        for (std::size_t b = 0; same && b < 256; ++b) {
            same = !seen[b] || back[b] == foundBack[b] || firstAt[b] >= kept;
        }
        if (same) continue;
        const std::string name = PageName(walker.Page->Number);
        if (rivals.empty()) rivals.push_back(PageName(found->Page->Number));
        if (std::find(rivals.begin(), rivals.end(), name) == rivals.end()) rivals.push_back(name);
    }
    if (!found) return kNotSuch;

    StreamedRepair r;
    if (rivals.empty()) {
        r.What.Result = Repair::Outcome::Exact;
        r.What.Sentence = Sentence(TextModeWhat(found->Page->Number, step == kCard + 2) + ")" +
                                       (size >= kept + kCard ? " and padded after its end" : ""),
                                   true);
    } else {
        r.What.Result = Repair::Outcome::Inexact;
        r.What.Sentence = RivalsSentence(rivals);
        r.What.DamageAt = 0;
        r.What.Changed = true;
    }
    bool again = false;
    for (std::size_t b = 0; b < 256; ++b) again = again || (seen[b] && foundBack[b] != written[b]);
    if (again && writing) {
        // Another page gives the file: its cards, written again.
        background.reset();
        const Table table = EveryByteCoded(foundBack);
        writing = out.Restart();
        if (size >= kBackgroundFrom) background = std::make_unique<BackgroundWriter>(lend);
        auto rewrite = reader.Each([&](const Window&, const std::uint8_t* chunk, std::size_t,
                                       std::size_t n, std::size_t) {
            std::uint8_t* o = outBuffers[flip].data();
            UntranslateCards(chunk, n, step, table.data(), o);
            writing =
                writing && (background ? background->Lend(o, n * kCard) : out.Write(o, n * kCard));
            flip ^= 1;
            return writing;
        });
        if (!rewrite) return rewrite.Err();
        writing = (!background || background->Finish()) && writing;
    }
    r.Written = writing && out.Cut(static_cast<std::int64_t>(kept));
    return std::optional<StreamedRepair>(std::move(r));
}

}  // namespace corvane::repair
