// Real XMIT files from public sources, checked against what independent
// readers found in them. Skipped when the samples folder is absent.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "Decoded.h"
#include "Sha256.h"
#include "decode/S390format.h"
#include "extract/Extractdata.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
nlohmann::json Expected() {
    std::ifstream in(SamplesDir() / "expected.json");
    return nlohmann::json::parse(in);
}

#define REQUIRE_SAMPLES()                                                       \
    do {                                                                        \
        if (SamplesDir().empty()) {                                             \
            GTEST_SKIP() << "samples folder ../shared/samples absent: skipped"; \
        }                                                                       \
    } while (false)

std::string Trim(const std::string& s) {
    auto end = s.find_last_not_of(' ');
    return end == std::string::npos ? "" : s.substr(0, end + 1);
}
}  // namespace

TEST(Samples, EveryXmitFileDecodesWithTheExpectedAttributes) {
    REQUIRE_SAMPLES();
    const nlohmann::json expected = Expected();
    for (const auto& [name, e] : expected.items()) {
        if (e["kind"] == "zip") continue;
        SCOPED_TRACE(name);
        Decoded d(ReadFile(SamplesDir() / name));
        ASSERT_EQ(d.Result, 0) << d.ReadFailure;
        if (e["kind"] == "damaged") continue;
        EXPECT_EQ(FieldText(d.Decoder.DatasetName), e["DatasetName"].get<std::string>());
        EXPECT_EQ(FieldText(d.Decoder.DatasetType), e["DatasetType"].get<std::string>());
        EXPECT_EQ(FieldText(d.Decoder.RecfmText), e["RecfmText"].get<std::string>());
        EXPECT_EQ(d.Decoder.Lrecl, e["Lrecl"].get<std::uint32_t>());
        EXPECT_EQ(d.Decoder.Blksize, e["Blksize"].get<std::uint32_t>());
        EXPECT_EQ(d.Decoder.MemberCount, e["MemberCount"].get<int>());
        EXPECT_EQ(d.Decoder.IsPds, e["IsPds"].get<bool>());
    }
}

TEST(Samples, PartitionedMembersListAndExtractByteExact) {
    REQUIRE_SAMPLES();
    std::size_t checked = 0;
    const nlohmann::json expected = Expected();
    for (const auto& [name, e] : expected.items()) {
        if (e["kind"] != "partitioned") continue;
        SCOPED_TRACE(name);
        Decoded d(ReadFile(SamplesDir() / name));
        ASSERT_EQ(d.Result, 0);
        const auto& members = e["members"];
        ASSERT_EQ(d.List.Rows.size(), members.size());
        auto x = MemberExtractor::Create(d.Decoder, d.File, d.Notify, d.Errors);
        MemoryProgress progress;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const auto& m = members[i];
            const MemberRow& row = d.List.Rows[i];
            EXPECT_EQ(Trim(row.Caption), m["name"].get<std::string>());
            char ttr[7];
            std::snprintf(ttr, sizeof ttr, "%06X", row.Ttr.Get());
            EXPECT_EQ(ttr, m["ttr"].get<std::string>());
            EXPECT_EQ(row.Alias, m["alias"].get<bool>());

            auto bin = (d.Dir / "member.bin").string();
            x->TextMode = false;
            ASSERT_EQ(x->ReadMember(progress, row.Ttr.Get(), bin, nullptr), 0) << m["name"];
            Bytes data = ReadFile(bin);
            EXPECT_EQ(data.size(), m["length"].get<std::size_t>()) << m["name"];
            EXPECT_EQ(Sha256Hex(data), m["sha256"].get<std::string>()) << m["name"];
            ++checked;

            if (d.Decoder.FixedRecords) {
                auto txt = (d.Dir / "member.txt").string();
                x->TextMode = true;
                ASSERT_EQ(x->ReadMember(progress, row.Ttr.Get(), txt, nullptr), 0);
                Bytes expected;
                const std::size_t lrecl = d.Decoder.Lrecl;
                for (std::size_t pos = 0;; pos += lrecl) {
                    std::size_t n = std::min(lrecl, data.size() - pos);
                    for (std::size_t k = 0; k < n; ++k)
                        expected.push_back(kEbcdicTable[data[pos + k]]);
                    expected.push_back('\r');
                    expected.push_back('\n');
                    if (n < lrecl) break;
                }
                EXPECT_EQ(ReadFile(txt), expected) << m["name"];
            }
        }
    }
    EXPECT_GT(checked, 100u);
}

TEST(Samples, SequentialDatasetData) {
    REQUIRE_SAMPLES();
    Decoded d(ReadFile(SamplesDir() / "test_seq.xmi"));
    ASSERT_EQ(d.Result, 0);
    EXPECT_TRUE(d.Memo.Lines.empty());
    auto x = MemberExtractor::Create(d.Decoder, d.File, d.Notify, d.Errors);
    MemoryProgress progress;
    auto out = (d.Dir / "seq.bin").string();
    x->TextMode = false;
    ASSERT_EQ(x->ReadRange(progress, d.Decoder.ContentStart, out, nullptr, d.Stream->Size()), 0);
    const auto e = Expected()["test_seq.xmi"]["data"];
    EXPECT_EQ(Sha256Hex(ReadFile(out)), e["sha256"].get<std::string>());
}

TEST(Samples, MessageBeforeAPartitionedDataset) {
    REQUIRE_SAMPLES();
    Decoded d(ReadFile(SamplesDir() / "test_pds_msg.xmi"));
    ASSERT_EQ(d.Result, 0);
    ASSERT_FALSE(d.Memo.Lines.empty());
    EXPECT_EQ(d.Memo.Lines[0].rfind("This is a test message", 0), 0u);
}

TEST(Samples, DamagedLoadLibraryOpensAndItsMissingMembersFailCleanly) {
    REQUIRE_SAMPLES();
    Bytes file = ReadFile(SamplesDir() / "I370LOAD");
    Decoded d(file);
    ASSERT_EQ(d.Result, 0);
    EXPECT_EQ(d.List.Rows.size(), 7u);
    auto x = MemberExtractor::Create(d.Decoder, d.File, d.Notify, d.Errors);
    MemoryProgress progress;
    int failed = 0;
    for (const MemberRow& row : d.List.Rows) {
        auto out = (d.Dir / "m.bin").string();
        std::filesystem::remove(out);
        x->TextMode = false;
        if (x->ReadMember(progress, row.Ttr.Get(), out, nullptr) != 0) ++failed;
        if (std::filesystem::exists(out)) {
            EXPECT_LE(std::filesystem::file_size(out), file.size());
        }
    }
    EXPECT_GE(failed, 4);
    EXPECT_EQ(d.Errors.Reports.size(), static_cast<std::size_t>(failed));
}
