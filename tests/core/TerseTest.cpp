// TERSE PACK and SPACK files unpacked as a stream: the reference outputs of
// the real samples, files made by the test writer, and damaged streams.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "Sha256.h"
#include "TempDir.h"
#include "TerseWriter.h"
#include "terse/TerseSource.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

Result<std::unique_ptr<TerseSource>> Unpack(const Bytes& file, std::int64_t maxSize = INT64_MAX) {
    return TerseSource::Open(std::make_unique<MemorySource>(file), "T.PACK", maxSize);
}

Bytes ReadRange(TerseSource& s, std::int64_t at, std::size_t n) {
    Bytes out(n);
    auto got = s.ReadAt(at, out.data(), n);
    EXPECT_TRUE(got.Ok()) << got.Err().Message;
    out.resize(got ? got.Value() : 0);
    return out;
}

// Reads the whole output back to front in uneven pieces, which makes the
// source go back to its saved states again and again.
Bytes ReadBackwards(TerseSource& s, std::size_t piece) {
    const auto size = static_cast<std::size_t>(s.Size());
    Bytes out(size);
    for (std::size_t end = size; end > 0;) {
        const std::size_t n = std::min(piece, end);
        const Bytes part = ReadRange(s, static_cast<std::int64_t>(end - n), n);
        std::copy(part.begin(), part.end(), out.begin() + static_cast<std::ptrdiff_t>(end - n));
        end -= n;
        piece = piece * 3 / 2 + 17;
    }
    return out;
}

Bytes VariableOutput(const std::vector<Bytes>& records) {
    Bytes out;
    for (const Bytes& r : records) {
        out.push_back(static_cast<std::uint8_t>((r.size() + 4) >> 8));
        out.push_back(static_cast<std::uint8_t>(r.size() + 4));
        out.insert(out.end(), {0, 0});
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

}  // namespace

TEST(Terse, SamplesGiveTheReferenceOutput) {
    if (SamplesDir().empty()) GTEST_SKIP() << "samples folder ../shared/samples absent: skipped";
    const auto dir = SamplesDir() / "containers";
    std::ifstream in(dir / "expected.json");
    const nlohmann::json expected = nlohmann::json::parse(in);
    int seen = 0;
    for (const auto& [name, e] : expected.items()) {
        if (e.at("kind") != "terse") continue;
        SCOPED_TRACE(name);
        ++seen;
        auto s = Unpack(ReadFile(dir / name));
        ASSERT_TRUE(s.Ok()) << s.Err().Message;
        TerseSource& source = *s.Value();
        EXPECT_EQ(source.Header().FormatName(), e.at("format").get<std::string>());
        EXPECT_EQ(source.Header().Variable, e.at("recfm") == "VB");
        EXPECT_EQ(source.Header().RecordLength, e.at("lrecl_header").get<std::uint32_t>());
        const auto& out = e.at("binary_output");
        ASSERT_EQ(source.Size(), out.at("length").get<std::int64_t>());
        const Bytes forward = ReadRange(source, 0, static_cast<std::size_t>(source.Size()));
        EXPECT_EQ(Sha256Hex(forward), out.at("sha256").get<std::string>());
        EXPECT_EQ(ReadBackwards(source, 1000), forward);
    }
    EXPECT_EQ(seen, 8);
}

TEST(Terse, EveryByteValueRoundTripsInBothFormsAndAlgorithms) {
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    const std::vector<Bytes> records = {all, {}, Bytes(3, 0x40), Bytes(all.rbegin(), all.rend())};
    for (bool spack : {false, true}) {
        for (bool variable : {false, true}) {
            SCOPED_TRACE(std::string(spack ? "SPACK" : "PACK") + (variable ? " V" : " F"));
            TersePlan plan;
            plan.Spack = spack;
            plan.Variable = variable;
            plan.Lrecl = variable ? 260 : 1;
            plan.Records = records;
            auto s = Unpack(BuildTerse(plan));
            ASSERT_TRUE(s.Ok()) << s.Err().Message;
            Bytes expected;
            if (variable) {
                expected = VariableOutput(records);
            } else {
                for (const Bytes& r : records) expected.insert(expected.end(), r.begin(), r.end());
            }
            EXPECT_EQ(ReadRange(*s.Value(), 0, expected.size() + 10), expected);
        }
    }
}

TEST(Terse, LongOutputReadsAnywhereFromItsSavedStates) {
    // Several MiB, so that the saved states are thinned out at least once.
    TersePlan plan;
    plan.Spack = true;
    plan.Lrecl = 80;
    Bytes data(9u << 20);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + i / 4093);
    plan.Records = {data};
    auto s = Unpack(BuildTerse(plan));
    ASSERT_TRUE(s.Ok()) << s.Err().Message;
    TerseSource& source = *s.Value();
    ASSERT_EQ(source.Size(), static_cast<std::int64_t>(data.size()));
    for (std::int64_t at : {8000000LL, 5LL, 9437000LL, 1048576LL, 4194303LL, 0LL}) {
        const Bytes got = ReadRange(source, at, 300);
        const auto from = data.begin() + at;
        EXPECT_EQ(got, Bytes(from, from + static_cast<std::ptrdiff_t>(got.size()))) << at;
        EXPECT_EQ(got.size(),
                  std::min<std::size_t>(300, data.size() - static_cast<std::size_t>(at)));
    }
}

TEST(Terse, DamagedFilesAreClearErrors) {
    TersePlan f;
    f.Records = {Bytes(500, 0xC1)};
    const Bytes good = BuildTerse(f);
    auto withHeader = [&](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    auto codes = [&](bool spack, const std::vector<std::uint16_t>& list) {
        TersePlan plan;
        plan.Spack = spack;
        Bytes b = TerseHeaderBytes(plan);
        const Bytes stream = TerseCodeBytes(list);
        b.insert(b.end(), stream.begin(), stream.end());
        return b;
    };
    TersePlan cut = f;
    cut.EndCode = false;
    cut.PadTo = 0;
    TersePlan longRecord;
    longRecord.Variable = true;
    longRecord.Lrecl = 255;
    longRecord.Records = {Bytes(70000, 0xC1)};
    struct Case {
        const char* What;
        Bytes File;
        std::int64_t Max = INT64_MAX;
    } cases[] = {
        {"cut short before its end code", BuildTerse(cut)},
        {"header cut short", Bytes(good.begin(), good.begin() + 7)},
        {"unknown version", withHeader(0, 0x03)},
        {"unknown record format", withHeader(1, 0x02)},
        {"no record length",
         [&] {
             Bytes b = withHeader(2, 0);
             b[3] = 0;
             return b;
         }()},
        {"two record lengths", withHeader(11, 0x51)},
        {"SPACK starting with a string", codes(true, {300, 0})},
        {"SPACK naming a string not made", codes(true, {0xC2, 0xC3, 0xC4, 700, 0})},
        {"a record too long for its RDW", BuildTerse(longRecord)},
        {"more output than allowed", good, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        auto s = Unpack(c.File, c.Max);
        ASSERT_FALSE(s.Ok());
        EXPECT_FALSE(s.Err().Message.empty());
    }
}
