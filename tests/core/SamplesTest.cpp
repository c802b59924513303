// Real XMIT files from public sources, checked against what independent
// readers found in them. Skipped when the samples folder is absent.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "MemoryPorts.h"
#include "Parsed.h"
#include "Sha256.h"
#include "TempDir.h"
#include "decode/S390format.h"
#include "extract/MemberReader.h"
#include "present/Presenter.h"

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

// Reads a member (or the dataset) to a file and returns its bytes.
Result<Bytes> ReadOut(Parsed& p, const MemberEntry* member, ReadForm form, const TempDir& dir) {
    MemberReader reader(p.Source, p.Info());
    MemoryProgress progress;
    ReadRequest r;
    r.Member = member;
    r.Form = form;
    r.OutputFile = dir / "out";
    auto done = reader.Read(r, progress);
    if (!done) return done.Err();
    return ReadFile(dir / "out");
}
}  // namespace

TEST(Samples, EveryXmitFileDecodesWithTheExpectedAttributes) {
    REQUIRE_SAMPLES();
    const nlohmann::json expected = Expected();
    for (const auto& [name, e] : expected.items()) {
        if (e["kind"] == "zip") continue;
        SCOPED_TRACE(name);
        Parsed p(ReadFile(SamplesDir() / name));
        ASSERT_TRUE(p.Ok()) << p.Err().Message;
        if (e["kind"] == "damaged") continue;
        const XmitInfo& x = p.Info();
        EXPECT_EQ(x.Dataset.Name, e["DatasetName"].get<std::string>());
        // A PDSE unload (INMTYPE X'80') is shown as such.
        const bool pdse = name == "jgpjcl.xmit";
        EXPECT_EQ(present::TypeText(x.Dataset),
                  pdse ? "PDSE" : e["DatasetType"].get<std::string>());
        EXPECT_EQ(present::RecfmText(x.Dataset.Recfm), e["RecfmText"].get<std::string>());
        EXPECT_EQ(x.Dataset.Lrecl, e["Lrecl"].get<std::uint32_t>());
        EXPECT_EQ(x.Dataset.Blksize, e["Blksize"].get<std::uint32_t>());
        EXPECT_EQ(x.Members.size(), e["MemberCount"].get<std::size_t>());
        EXPECT_EQ(x.Partitioned, e["IsPds"].get<bool>());
    }
}

TEST(Samples, PartitionedMembersListAndExtractByteExact) {
    REQUIRE_SAMPLES();
    std::size_t checked = 0;
    TempDir dir;
    const nlohmann::json expected = Expected();
    for (const auto& [name, e] : expected.items()) {
        if (e["kind"] != "partitioned") continue;
        SCOPED_TRACE(name);
        Parsed p(ReadFile(SamplesDir() / name));
        ASSERT_TRUE(p.Ok()) << p.Err().Message;
        const auto& members = e["members"];
        ASSERT_EQ(p.Info().Members.size(), members.size());
        for (std::size_t i = 0; i < members.size(); ++i) {
            const auto& m = members[i];
            const MemberEntry& entry = p.Info().Members[i];
            EXPECT_EQ(present::TrimmedName(entry.Name), m["name"].get<std::string>());
            EXPECT_EQ(present::Hex(entry.Ttr, 6), m["ttr"].get<std::string>());
            EXPECT_EQ(entry.Alias, m["alias"].get<bool>());

            auto data = ReadOut(p, &entry, ReadForm::Binary, dir);
            ASSERT_TRUE(data.Ok()) << m["name"] << data.Err().Title;
            EXPECT_EQ(data->size(), m["length"].get<std::size_t>()) << m["name"];
            // ISPF line counts are the member's records as the editor saved them.
            if (entry.Ispf && p.Info().Dataset.Recfm.Kind == 'F') {
                EXPECT_EQ(entry.Ispf->Lines, data->size() / 80) << m["name"];
            }
            EXPECT_EQ(Sha256Hex(data.Value()), m["sha256"].get<std::string>()) << m["name"];
            ++checked;

            if (p.Info().Dataset.Recfm.Kind == 'F') {
                auto text = ReadOut(p, &entry, ReadForm::Text, dir);
                ASSERT_TRUE(text.Ok());
                Bytes expected;
                const std::size_t lrecl = p.Info().Dataset.Lrecl;
                for (std::size_t pos = 0;; pos += lrecl) {
                    const std::size_t n = std::min(lrecl, data->size() - pos);
                    for (std::size_t k = 0; k < n; ++k)
                        expected.push_back(kEbcdicTable[data.Value()[pos + k]]);
                    expected.push_back('\r');
                    expected.push_back('\n');
                    if (n < lrecl) break;
                }
                EXPECT_EQ(text.Value(), expected) << m["name"];
            }
        }
    }
    EXPECT_GT(checked, 100u);
}

TEST(Samples, SequentialDatasetData) {
    REQUIRE_SAMPLES();
    Parsed p(ReadFile(SamplesDir() / "test_seq.xmi"));
    ASSERT_TRUE(p.Ok());
    EXPECT_TRUE(p.Info().Message.empty());
    TempDir dir;
    auto data = ReadOut(p, nullptr, ReadForm::Binary, dir);
    ASSERT_TRUE(data.Ok());
    EXPECT_EQ(Sha256Hex(data.Value()),
              Expected()["test_seq.xmi"]["data"]["sha256"].get<std::string>());
}

TEST(Samples, MessageBeforeAPartitionedDataset) {
    REQUIRE_SAMPLES();
    Parsed p(ReadFile(SamplesDir() / "test_pds_msg.xmi"));
    ASSERT_TRUE(p.Ok());
    ASSERT_FALSE(p.Info().Message.empty());
    EXPECT_EQ(p.Info().Message[0].rfind("This is a test message", 0), 0u);
}

TEST(Samples, DamagedLoadLibraryOpensAndItsMissingMembersFailCleanly) {
    REQUIRE_SAMPLES();
    Bytes file = ReadFile(SamplesDir() / "I370LOAD");
    Parsed p(file);
    ASSERT_TRUE(p.Ok());
    EXPECT_EQ(p.Info().Members.size(), 7u);
    TempDir dir;
    int failed = 0;
    for (const MemberEntry& m : p.Info().Members) {
        auto data = ReadOut(p, &m, ReadForm::Binary, dir);
        if (!data) {
            ++failed;
        } else {
            EXPECT_LE(data->size(), file.size());
        }
    }
    EXPECT_EQ(failed, 5);
}
