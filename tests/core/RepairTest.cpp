// Transfer damage: a library whose members hold every byte value, changed
// the ways file transfers change XMIT files, comes back byte for byte, and
// what cannot come back exactly is said to be so.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "TransferCopies.h"
#include "XmitBuilder.h"
#include "io/ByteSource.h"
#include "repair/StreamedRepair.h"
#include "repair/TransferRepair.h"
#include "repair/Untranslate.h"

using namespace corvane;
using namespace corvane::testing;
using namespace corvane::repair;

namespace {

Bytes Library() {
    PdsSpec library;
    Bytes every;
    for (int k = 0; k < 4; ++k) {
        for (int b = 0; b < 256; ++b) every.push_back(static_cast<std::uint8_t>(b));
    }
    every.resize(1040, 0x40);  // whole records of 80
    library.Members = {{"ALL", every, false, "", {}}, {"CARDS", Cards(30, 'C'), false, "", {}}};
    return BuildPds(library);
}

std::vector<Bytes> CardsOf(const Bytes& file) {
    std::vector<Bytes> cards;
    for (std::size_t at = 0; at < file.size(); at += 80) {
        cards.emplace_back(
            file.begin() + static_cast<std::ptrdiff_t>(at),
            file.begin() + static_cast<std::ptrdiff_t>(std::min(at + 80, file.size())));
    }
    return cards;
}

}  // namespace

TEST(Repair, EachTransferDamageIsUndoneByteForByte) {
    const Bytes original = Library();
    struct Case {
        const char* What;
        std::function<Bytes(const Bytes&)> Damage;
        const char* Said;
    };
    const Case cases[] = {
        {"CR LF",
         [](const Bytes& f) {
             Bytes out;
             for (const Bytes& c : CardsOf(f)) {
                 out.insert(out.end(), c.begin(), c.end());
                 out.insert(out.end(), {0x0D, 0x0A});
             }
             return out;
         },
         "sent with a line end (CR LF) after each record"},
        {"record descriptors",
         [](const Bytes& f) {
             Bytes out;
             for (const Bytes& c : CardsOf(f)) {
                 out.insert(out.end(), {0, 84, 0, 0});
                 out.insert(out.end(), c.begin(), c.end());
             }
             return out;
         },
         "record descriptor before every record"},
        {"padding",
         [](const Bytes& f) {
             Bytes out = f;
             out.resize(f.size() + 3120, 0x00);
             return out;
         },
         "padded after its end (3120 bytes)"},
        {"text mode", [](const Bytes& f) { return TextModeCopy(f, 37, "\r\n", false); },
         "sent in text mode (IBM 037 to ISO 8859-1, CR LF after each record)"},
        // Data bytes that became line ends split cards; the segments say where.
        {"text mode, blanks stripped",
         [](const Bytes& f) { return TextModeCopy(f, 37, "\n", true); },
         "LF after each record, trailing blanks removed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const Repair r = RepairTransfer(c.Damage(original), 37);
        ASSERT_EQ(r.Result, Repair::Outcome::Exact) << r.Sentence;
        EXPECT_EQ(r.Bytes, original);
        EXPECT_NE(r.Sentence.find(c.Said), std::string::npos) << r.Sentence;
        EXPECT_NE(r.Sentence.find("restored exactly"), std::string::npos);
    }
    EXPECT_EQ(RepairTransfer(original).Result, Repair::Outcome::Sound);
}

TEST(Repair, WhatCannotBeKnownExactlyIsSaidSo) {
    const Bytes original = Library();
    // Cut short: the start is what can be salvaged.
    const Bytes cut(original.begin(), original.begin() + 1500);
    const Repair r = RepairTransfer(cut);
    EXPECT_EQ(r.Result, Repair::Outcome::Inexact);
    EXPECT_NE(r.Sentence.find("cut short"), std::string::npos) << r.Sentence;
    EXPECT_GT(r.DamageAt, 0);
    // Text through one of several code pages that differ on the bytes the
    // file holds: which one cannot be told.
    const Repair pages = RepairTransfer(TextModeCopy(original, 37, "\r\n", false));
    EXPECT_EQ(pages.Result, Repair::Outcome::Inexact);
    EXPECT_NE(pages.Sentence.find("IBM 037"), std::string::npos) << pages.Sentence;
    EXPECT_NE(pages.Sentence.find("IBM 500"), std::string::npos) << pages.Sentence;
    EXPECT_TRUE(pages.Changed);
    // Sent in text mode and cut short: the cards that came are restored.
    const Bytes text = TextModeCopy(original, 37, "\r\n", false);
    const Repair cutText = RepairTransfer(Bytes(text.begin(), text.begin() + 82 * 20), 37);
    EXPECT_EQ(cutText.Result, Repair::Outcome::Inexact);
    EXPECT_NE(cutText.Sentence.find("text mode (IBM 037"), std::string::npos) << cutText.Sentence;
    EXPECT_NE(cutText.Sentence.find("cut short"), std::string::npos) << cutText.Sentence;
    EXPECT_EQ(cutText.Bytes, Bytes(original.begin(), original.begin() + 80 * 20));
    EXPECT_FALSE(r.Changed);  // only cut short: nothing a transfer does was found
    EXPECT_EQ(RepairTransfer(Cards(20, 'X')).Result, Repair::Outcome::NotXmit);
}

TEST(Repair, ACopyRepairedAStretchAtATimeGivesWhatTheWholeRepairGives) {
    const Bytes original = Library();
    Bytes padded = TextModeCopy(original, 500, "\r\n", false);
    for (int k = 0; k < 3; ++k) {
        padded.insert(padded.end(), 80, 0x20);
        padded.insert(padded.end(), {0x0D, 0x0A});
    }
    const Bytes lastCardBare = [&] {
        Bytes b = TextModeCopy(original, 37, "\n", false);
        b.pop_back();
        return b;
    }();
    // Large enough that its cards are written on a thread of their own.
    const Bytes large = [] {
        PdsSpec library;
        Bytes every;
        for (int k = 0; k < 5 * 4096; ++k) {
            for (int b = 0; b < 256; ++b) every.push_back(static_cast<std::uint8_t>(b ^ k));
        }
        library.Blksize = 27920;
        library.BlocksPerTrack = 2;
        library.Members = {{"LARGE", every, false, "", {}}};
        return TextModeCopy(BuildPds(library), 1047, "\r\n", false);
    }();
    struct Case {
        const char* What;
        Bytes File;
        int Page;
        bool Streamed;
    };
    const Case cases[] = {
        {"CR LF, page named", TextModeCopy(original, 37, "\r\n", false), 37, true},
        {"LF, no line end after the last card", lastCardBare, 37, true},
        {"pages not named, which differ", TextModeCopy(original, 1047, "\r\n", false), -1, true},
        {"padded with blank cards", padded, 500, true},
        {"large, pages not named, which differ", large, -1, true},
        {"blanks stripped", TextModeCopy(original, 37, "\n", true), 37, false},
        {"binary with line ends",
         [&] {
             Bytes out;
             for (const Bytes& c : CardsOf(original)) {
                 out.insert(out.end(), c.begin(), c.end());
                 out.push_back(0x0A);
             }
             return out;
         }(),
         -1, false},
    };
    for (const Case& c : cases) {
        for (const std::size_t perRead : {1u, 3u, 4096u}) {
            // A card at a time through a thread is slow and no different.
            if (c.File.size() == large.size() && perRead != 4096) continue;
            SCOPED_TRACE(std::string(c.What) + ", cards per read " + std::to_string(perRead));
            Bytes out;
            const CardOutput sink = MemoryOutput(out);
            MemorySource source(c.File);
            auto streamed = RepairCardsStreamed(source, c.Page, sink, perRead);
            ASSERT_TRUE(streamed);
            ASSERT_EQ(streamed.Value().has_value(), c.Streamed);
            if (!c.Streamed) continue;
            const Repair whole = RepairTransfer(c.File, c.Page);
            EXPECT_EQ(streamed.Value()->What.Result, whole.Result);
            EXPECT_EQ(streamed.Value()->What.Sentence, whole.Sentence);
            EXPECT_EQ(out, whole.Bytes);
        }
    }
}

// The table look-up of a large stretch is done many bytes at a time where the
// processor can: every length, the last bytes that do not fill a register
// too, and a byte without a code, give what one byte at a time gives.
TEST(Repair, UntranslatingManyBytesAtATimeGivesEveryByteItsCode) {
    std::array<std::int16_t, 256> full{}, gap{};
    for (int b = 0; b < 256; ++b) full[b] = gap[b] = static_cast<std::int16_t>((b * 7 + 3) & 0xFF);
    gap[0xA4] = -1;
    Bytes in(10000 + 82);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    for (const auto* table : {&full, &gap}) {
        for (const std::size_t n : {0u, 63u, 4096u, 4097u, 4159u, 10000u}) {
            Bytes out(n), want(n);
            bool coded = true;
            for (std::size_t i = 0; i < n; ++i) {
                coded = coded && (*table)[in[i]] >= 0;
                want[i] = static_cast<std::uint8_t>((*table)[in[i]]);
            }
            EXPECT_EQ(UntranslateBytes(in.data(), n, table->data(), out.data()), coded) << n;
            if (coded) {
                EXPECT_EQ(out, want) << n;
            }
        }
        for (const std::size_t step : {81u, 82u}) {
            const std::size_t cards = 120;
            Bytes out(cards * 80), want;
            for (std::size_t k = 0; k < cards; ++k) {
                for (std::size_t j = 0; j < 80; ++j) {
                    want.push_back(static_cast<std::uint8_t>((*table)[in[k * step + j]]));
                }
            }
            const bool coded = UntranslateCards(in.data(), cards, step, table->data(), out.data());
            EXPECT_EQ(coded, table == &full) << step;
            if (coded) {
                EXPECT_EQ(out, want) << step;
            }
        }
    }
}
