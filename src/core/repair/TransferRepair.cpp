#include "repair/TransferRepair.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>

#include "repair/CardRebuild.h"
#include "repair/SegmentWalk.h"
#include "repair/TextPages.h"
#include "repair/Untranslate.h"
#include "text/CodePage.h"

namespace corvane::repair {

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Filler(const std::uint8_t* p, std::size_t n) {
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0x40 || b == 0x00; });
}

// The file as it ends properly: up to the end of the card that holds the
// end of its closing record, the filler there as it stands.
void Trim(Bytes& data, std::size_t end) {
    data.resize((end + kCard - 1) / kCard * kCard, 0x40);
}

// The same, as a copy.
Bytes Trimmed(const Bytes& data, std::size_t end) {
    Bytes out(data.begin(),
              data.begin() + static_cast<std::ptrdiff_t>(std::min(end + kCard, data.size())));
    Trim(out, end);
    return out;
}

// Each byte of a text-mode copy back to its EBCDIC code; below 0: none.
using Table = std::array<std::int16_t, 256>;

// The bytes through the table, or nothing when one has no code there.
std::optional<Bytes> Untranslated(const Bytes& data, const Table& table);

// One way the bytes may have been changed, undone. Its bytes are its own,
// or (a text-mode undoing) another's each through a table, made only when
// the candidate is kept: most are looked at and dropped.
struct Candidate {
    Bytes Data;
    std::string What;  // "sent in text mode (...)", as the sentence says it
    std::string Page;  // the code page of a text-mode undoing
    const Bytes* Through = nullptr;
    const Table* Via = nullptr;

    std::size_t Size() const { return Through ? Through->size() : Data.size(); }
    // Calls f with the candidate's bytes as a function of their offset.
    template <class F>
    void Visit(const F& f) const {
        if (Through) {
            const std::uint8_t* from = Through->data();
            const std::int16_t* table = Via->data();
            f([from, table](std::size_t i) { return static_cast<std::uint8_t>(table[from[i]]); });
        } else {
            const std::uint8_t* data = Data.data();
            f([data](std::size_t i) { return data[i]; });
        }
    }
    void Make() {
        if (!Through) return;
        Data = Untranslated(*Through, *Via).value_or(Bytes{});
        Through = nullptr;
    }
};

// Where the NETDATA segments of the bytes end (see SegmentChainEnd), the
// bytes read through at(offset).
template <class Byte>
std::int64_t ChainEnd(const Byte& at, std::size_t size, std::int64_t& brokenAt) {
    SegmentWalk walk;
    walk.Advance(at, size, size);
    const bool closed = walk.Now == SegmentWalk::State::Closed;
    brokenAt = closed ? -1 : static_cast<std::int64_t>(walk.Pos);
    return closed ? static_cast<std::int64_t>(walk.End) : -1;
}

// Records behind 4-byte descriptors; with blocks, block descriptors around
// them.
std::optional<Bytes> WithoutDescriptors(const Bytes& in, bool blocks) {
    Bytes out;
    out.reserve(in.size());
    std::size_t at = 0;
    auto records = [&](std::size_t from, std::size_t to) {
        while (from < to) {
            if (to - from < 4 || in[from + 2] != 0 || in[from + 3] != 0) return false;
            const std::size_t n = static_cast<std::size_t>(in[from]) << 8 | in[from + 1];
            if (n < 4 || n > to - from) return false;
            out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(from + 4),
                       in.begin() + static_cast<std::ptrdiff_t>(from + n));
            from += n;
        }
        return true;
    };
    while (at < in.size()) {
        if (!blocks) {
            if (!records(at, in.size())) return std::nullopt;
            break;
        }
        if (in.size() - at < 4 || in[at + 2] != 0 || in[at + 3] != 0) return std::nullopt;
        const std::size_t n = static_cast<std::size_t>(in[at]) << 8 | in[at + 1];
        if (n < 8 || n > in.size() - at || !records(at + 4, at + n)) return std::nullopt;
        at += n;
    }
    return out;
}

// Cards followed by their line ends, at fixed places: exact whatever bytes
// the cards hold.
std::optional<Bytes> FixedCards(const Bytes& in, std::size_t endLength) {
    const std::size_t step = kCard + endLength;
    if (in.size() % step != 0 && in.size() % step != kCard) return std::nullopt;
    // Every line end checked before anything is copied.
    for (std::size_t at = kCard; at < in.size(); at += step) {
        const bool ends = endLength == 2 ? in[at] == 0x0D && in[at + 1] == 0x0A : in[at] == 0x0A;
        if (!ends) return std::nullopt;
    }
    Bytes out(in.size() / step * kCard + (in.size() % step == kCard ? kCard : 0));
    std::uint8_t* to = out.data();
    for (std::size_t at = 0; at < in.size(); at += step, to += kCard) {
        std::memcpy(to, in.data() + at, kCard);
    }
    return out;
}

// The bytes through the table, or nothing when one has no code there.
std::optional<Bytes> Untranslated(const Bytes& data, const Table& table) {
    Bytes out(data.size());
    const std::int16_t* back = table.data();
    constexpr std::size_t kStep = 1 << 16;  // checked a stretch at a time
    for (std::size_t at = 0; at < data.size(); at += kStep) {
        const std::size_t n = std::min(data.size() - at, kStep);
        if (!UntranslateBytes(data.data() + at, n, back, out.data() + at)) return std::nullopt;
    }
    return out;
}

// The candidates for text translated from EBCDIC, one per code page whose
// table gives the file's first bytes.
// True when the candidate was an XMIT file to its end.
using Consider = std::function<bool(Candidate&&)>;

void TextCandidates(const Bytes& in, const Consider& consider, int only) {
    if (in.size() < 8 || !std::equal(kTextStart, kTextStart + 7, in.begin() + 1)) return;
    LineEnds ends;
    ends.Count(in.data(), in.size());
    const bool crlf = ends.MostlyCrLf();
    // Pages that untranslate every byte the file holds alike give the same
    // file: each such group is tried once, under its first page's name.
    // The byte values the file holds, and line ends and blanks, which come
    // back as data or fill whether present or not.
    std::array<bool, 256> present{};
    for (std::uint8_t b : in) present[b] = true;
    present[0x0A] = present[0x0D] = present[0x20] = true;
    std::vector<std::uint8_t> held;
    for (std::size_t b = 0; b < 256; ++b) {
        if (present[b]) held.push_back(static_cast<std::uint8_t>(b));
    }
    std::vector<Table> tried;
    std::optional<Bytes> fixedCards = FixedCards(in, crlf ? 2 : 1);
    std::array<bool, 256> inCards{};  // the byte values the cards hold
    if (fixedCards) {
        for (std::uint8_t b : *fixedCards) inCards[b] = true;
    }
    std::vector<TextLine> lines;  // cut once, when a page needs them
    for (const PageTable& page : PageTables()) {
        const int number = page.Number;
        if (only >= 0 && number != only) continue;
        if (!FirstSegmentUntranslates(in.data(), page.Back)) continue;
        Table back;
        back.fill(-1);
        for (const std::uint8_t b : held) back.data()[b] = page.Back.data()[b];
        if (std::find(tried.begin(), tried.end(), back) != tried.end()) continue;
        tried.push_back(back);
        if (fixedCards) {
            // Every line a whole card: no blanks were removed, and cutting
            // the lines otherwise gives these bytes or none, so the cards
            // are all there is to look at.
            bool codes = true;
            for (std::size_t b = 0; b < 256; ++b) codes = codes && (!inCards[b] || back[b] >= 0);
            if (codes) {
                consider(
                    {{}, TextModeWhat(number, crlf) + ")", PageName(number), &*fixedCards, &back});
            }
            continue;
        }
        // Trailing blanks removed: lines shorter than a card, blanks put back.
        if (lines.empty()) lines = SplitLines(in, crlf);
        if (auto cards = RebuildCards(in, lines, back)) {
            consider({std::move(*cards), TextModeWhat(number, crlf) + ", trailing blanks removed)",
                      PageName(number)});
        }
    }
}

void BinaryCandidates(const Bytes& in, const Consider& consider) {
    if (in.size() >= 12 && StartsLikeXmit(in.data() + 4, in.size() - 4)) {
        if (auto data = WithoutDescriptors(in, false)) {
            consider(
                {std::move(*data), "fetched with a record descriptor before every record", ""});
        }
    }
    if (in.size() >= 16 && StartsLikeXmit(in.data() + 8, in.size() - 8)) {
        if (auto data = WithoutDescriptors(in, true)) {
            consider(
                {std::move(*data), "fetched as blocks, with block and record descriptors", ""});
        }
    }
    if (StartsLikeXmit(in.data(), in.size())) {
        for (const std::size_t ends : {2u, 1u}) {
            if (auto cards = FixedCards(in, ends)) {
                consider({std::move(*cards),
                          std::string("sent with a line end (") + (ends == 2 ? "CR LF" : "LF") +
                              ") after each record",
                          ""});
            }
        }
    }
}

}  // namespace

bool StartsLikeXmit(const std::uint8_t* p, std::size_t n) {
    return n >= 8 && std::equal(kEbcdicStart, kEbcdicStart + 7, p + 1);
}

const std::vector<PageTable>& PageTables() {
    static const std::vector<PageTable> tables = [] {
        std::vector<PageTable> made;
        for (int number : CodePage::Numbers()) {
            const CodePage* page = CodePage::Find(number);
            if (!page) continue;
            PageTable t{number, {}};
            t.Back.fill(-1);
            for (int e = 0; e < 256; ++e) {
                const char32_t c = page->CodePoint(static_cast<std::uint8_t>(e));
                if (c < 256 && t.Back[c] < 0) t.Back[c] = static_cast<std::int16_t>(e);
            }
            made.push_back(t);
        }
        return made;
    }();
    return tables;
}

bool FirstSegmentUntranslates(const std::uint8_t* in, const Table& back) {
    std::uint8_t head[8];
    for (std::size_t i = 0; i < 8; ++i) {
        if (back[in[i]] < 0) return false;
        head[i] = static_cast<std::uint8_t>(back[in[i]]);
    }
    return head[0] >= 8 && (head[1] & 0xA0) == 0xA0 && StartsLikeXmit(head, 8);
}

std::string PageName(int page) {
    return page == CodePage::kCorvaneTable ? "EBCDIC" : CodePage::DisplayName(page);
}

std::string TextModeWhat(int page, bool crlf) {
    return "sent in text mode (" + PageName(page) + " to ISO 8859-1, " + (crlf ? "CR LF" : "LF") +
           " after each record";
}

std::string RivalsSentence(const std::vector<std::string>& pages) {
    std::string names;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        names += (i == 0 ? "" : i + 1 == pages.size() ? " and " : ", ") + pages[i];
    }
    return "This file was sent in text mode through a code page that cannot be told: " + names +
           " give different bytes for it; the original bytes could not all be restored.";
}

std::string Sentence(const std::string& what, bool exact) {
    return "This file was " + what +
           (exact ? "; the original bytes were restored exactly."
                  : "; the original bytes could not all be restored.");
}

bool MayBeRepaired(const std::uint8_t* p, std::size_t n) {
    return StartsLikeXmit(p, n) || (n >= 12 && StartsLikeXmit(p + 4, n - 4)) ||
           (n >= 16 && StartsLikeXmit(p + 8, n - 8)) ||
           (n >= 8 && std::equal(kTextStart, kTextStart + 7, p + 1));
}

std::string PaddingSentence(std::int64_t fileSize, std::int64_t trailerEnd) {
    if (trailerEnd < 0) return {};
    const std::int64_t card = (trailerEnd + 79) / 80 * 80;
    if (fileSize <= card) return {};
    return Sentence("padded after its end (" + std::to_string(fileSize - card) + " bytes)", true);
}

std::int64_t SegmentChainEnd(const std::uint8_t* data, std::size_t size, std::int64_t& brokenAt) {
    return ChainEnd([data](std::size_t i) { return data[i]; }, size, brokenAt);
}

Repair RepairTransfer(const Bytes& file, int codePage) {
    Repair r;
    std::int64_t broken = -1;
    if (StartsLikeXmit(file.data(), file.size())) {
        const std::int64_t end = SegmentChainEnd(file.data(), file.size(), broken);
        if (end >= 0 && Filler(file.data() + end, file.size() - static_cast<std::size_t>(end))) {
            Bytes trimmed = Trimmed(file, static_cast<std::size_t>(end));
            if (trimmed.size() >= file.size()) {
                r.Result = Repair::Outcome::Sound;
                return r;
            }
            r.Result = Repair::Outcome::Exact;
            r.Sentence = Sentence(
                "padded after its end (" + std::to_string(file.size() - trimmed.size()) + " bytes)",
                true);
            r.Bytes = std::move(trimmed);
            return r;
        }
    }
    // An undoing whose segments run to the closing record gives the
    // original; two that give different bytes (code pages that differ on
    // characters the file holds) leave it unknown. The one that gets
    // furthest is what can be salvaged. Each is looked at as it is made,
    // so that no more than these are held at once.
    std::optional<Candidate> found;
    std::vector<std::string> rivals;
    std::optional<Candidate> furthest;
    std::int64_t furthestAt = -1;
    const Consider consider = [&](Candidate&& c) {
        const std::size_t size = c.Size();
        std::int64_t end = -1;
        bool sound = false;
        c.Visit([&](const auto& at) {
            end = ChainEnd(at, size, broken);
            sound = end >= 0;
            for (std::size_t i = sound ? static_cast<std::size_t>(end) : size; i < size; ++i) {
                if (at(i) != 0x40 && at(i) != 0x00) {
                    sound = false;
                    break;
                }
            }
        });
        if (!sound) {
            if (broken > furthestAt) {
                furthestAt = broken;
                c.Make();
                furthest = std::move(c);
            }
            return false;
        }
        // The bytes as the file ends properly (as Trim makes them).
        const std::size_t kept = (static_cast<std::size_t>(end) + kCard - 1) / kCard * kCard;
        if (!found) {
            c.Make();
            Trim(c.Data, static_cast<std::size_t>(end));
            if (size >= c.Data.size() + kCard) c.What += " and padded after its end";
            found = std::move(c);
            return true;
        }
        bool same = kept == found->Data.size();
        const std::uint8_t* other = found->Data.data();
        c.Visit([&](const auto& at) {
            for (std::size_t i = 0; same && i < kept; ++i) {
                same = (i < size ? at(i) : 0x40) == other[i];
            }
        });
        if (!same) {
            if (rivals.empty()) rivals.push_back(found->Page);
            if (std::find(rivals.begin(), rivals.end(), c.Page) == rivals.end()) {
                rivals.push_back(c.Page);
            }
        }
        return true;
    };
    BinaryCandidates(file, consider);
    TextCandidates(file, consider, codePage);
    if (found && rivals.empty()) {
        r.Result = Repair::Outcome::Exact;
        r.Sentence = Sentence(found->What, true);
        r.Bytes = std::move(found->Data);
        return r;
    }
    if (found) {
        r.Result = Repair::Outcome::Inexact;
        r.Sentence = RivalsSentence(rivals);
        r.Bytes = std::move(found->Data);
        r.DamageAt = 0;
        r.Changed = true;
        return r;
    }
    // The file as it stands, when no undoing got further through it.
    if (StartsLikeXmit(file.data(), file.size())) {
        SegmentChainEnd(file.data(), file.size(), broken);
        if (broken > furthestAt) {
            furthestAt = broken;
            furthest = Candidate{file, "", ""};
        }
    }
    if (furthest) {
        const bool cut = furthestAt >= static_cast<std::int64_t>(furthest->Data.size()) - 255;
        const std::string what = furthest->What.empty()
                                     ? (cut ? "cut short" : "damaged in transfer")
                                     : furthest->What + (cut ? " and cut short" : ", and damaged");
        r.Result = Repair::Outcome::Inexact;
        r.Sentence = Sentence(what, false);
        r.Changed = !furthest->What.empty();
        r.Bytes = std::move(furthest->Data);
        r.DamageAt = furthestAt;
        return r;
    }
    r.Result = Repair::Outcome::NotXmit;
    return r;
}

}  // namespace corvane::repair
