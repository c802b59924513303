// Raw IEBCOPY unloads, with block descriptors as a tape carries them or with
// record descriptors only, opened as the libraries they hold.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "InMemory.h"
#include "Sha256.h"
#include "TempDir.h"
#include "UnloadWriter.h"
#include "container/Content.h"
#include "nested/XmitPath.h"
#include "unload/UnloadLibrary.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

PdsSpec Library() {
    PdsSpec plan;
    plan.BlocksPerRecord = 3;
    plan.Members = {
        {"ALPHA", Cards(120, 'A'), false, "", IspfStats(1, 2, 1, 21, 68, 4, 53, "IBMUSER")},
        {"BETA", Cards(7, 'B'), false, "", {}},
        {"GAMMA", Cards(41, 'G'), false, "", {}}};
    return plan;
}

}  // namespace

TEST(Unload, BothFormsReadAsTheLibraryTheyHold) {
    const Bytes xmit = BuildPds(Library());
    InMemory original(xmit);
    ASSERT_EQ(original.Result, 0);
    const std::vector<Bytes> records = DataRecords(xmit);
    ASSERT_GT(records.size(), 3u);
    struct Form {
        const char* Name;
        Bytes Data;
        bool Blocks;
    } forms[] = {{"records with RDW", WithRecordDescriptors(records), false},
                 {"blocks, none spanned", InSpannedBlocks(records, 32760), true},
                 {"blocks, records spanned", InSpannedBlocks(records, 300), true}};
    for (const Form& f : forms) {
        SCOPED_TRACE(f.Name);
        EXPECT_EQ(SniffContent(f.Data.data(), std::min<std::size_t>(f.Data.size(), kSniffBytes)),
                  Content::Unload);
        auto opened = OpenUnload(std::make_unique<MemorySource>(f.Data), {});
        ASSERT_TRUE(opened.Ok()) << opened.Err().Message;
        EXPECT_EQ(opened->Facts.Blocks, f.Blocks);
        EXPECT_EQ(opened->Facts.Records, records.size());
        const XmitInfo& info = opened->Info;
        ASSERT_EQ(info.Members.size(), original.Info.Members.size());
        EXPECT_TRUE(info.Partitioned);
        EXPECT_EQ(info.Dataset.Lrecl, 80u);
        EXPECT_EQ(present::RecfmText(info.Dataset.Recfm), "FB");
        ASSERT_TRUE(info.Members[0].Ispf.has_value());
        EXPECT_EQ(info.Members[0].Ispf->User, original.Info.Members[0].Ispf->User);
        MemberReader reader(*opened->Framed, info);
        for (std::size_t k = 0; k < info.Members.size(); ++k) {
            EXPECT_EQ(info.Members[k].Name, original.Info.Members[k].Name);
            Bytes got;
            ReadRequest request;
            request.Member = &info.Members[k];
            request.Bytes = &got;
            NullProgress progress;
            ASSERT_TRUE(reader.Read(request, progress).Ok());
            EXPECT_EQ(got, original.Read(k)) << info.Members[k].Name;
        }
    }
}

TEST(Unload, DamagedDescriptorsAreClearErrors) {
    const std::vector<Bytes> records = DataRecords(BuildPds(Library()));
    const Bytes blocks = InSpannedBlocks(records, 300);
    Bytes cut(blocks.begin(), blocks.end() - 100);
    Bytes lying = blocks;
    lying[1] ^= 0x10;  // the first block's length
    Bytes unfinished = WithRecordDescriptors(records);
    unfinished.pop_back();  // the last record cut by a byte
    Bytes orphan = InSpannedBlocks(records, 300);
    orphan[6] = 2;  // the first record's segment claims to end a spanned record
    for (const Bytes* damaged : {&cut, &lying, &unfinished, &orphan}) {
        auto opened = OpenUnload(std::make_unique<MemorySource>(*damaged), {});
        ASSERT_FALSE(opened.Ok());
        EXPECT_EQ(opened.Err().What, Error::Kind::Damaged);
        EXPECT_FALSE(opened.Err().Message.empty());
    }
}

TEST(Unload, SampleUnloadsGiveTheirMembersByteForByte) {
    if (SamplesDir().empty()) GTEST_SKIP() << "samples folder ../shared/samples absent: skipped";
    const auto dir = SamplesDir() / "containers";
    std::ifstream in(dir / "expected.json");
    const nlohmann::json expected = nlohmann::json::parse(in);
    for (const char* name : {"xmilib_pds.unload", "xmilib_pds.unload.rdw"}) {
        SCOPED_TRACE(name);
        const nlohmann::json& e = expected.at(name);
        auto opened = OpenXmitPath((dir / name).string());
        ASSERT_TRUE(opened.Ok()) << opened.Err().Message;
        EXPECT_EQ(opened->Kind, NodeKind::Unload);
        ASSERT_TRUE(opened->Unload.has_value());
        EXPECT_EQ(opened->Unload->Copyr1Length, e.at("copyr1_length").get<std::size_t>());
        EXPECT_EQ(opened->Unload->Records, e.at("logical_records").get<std::uint64_t>());
        EXPECT_EQ(opened->Info.Dataset.Lrecl, e.at("lrecl").get<std::uint32_t>());
        EXPECT_EQ(opened->Info.Dataset.Blksize, e.at("blksize").get<std::uint32_t>());
        EXPECT_EQ(present::RecfmText(opened->Info.Dataset.Recfm), e.at("recfm").get<std::string>());
        const auto& members = e.at("members");
        ASSERT_EQ(opened->Info.Members.size(), members.size());
        MemberReader reader(*opened->Source, opened->Info);
        for (std::size_t k = 0; k < members.size(); ++k) {
            const MemberEntry& m = opened->Info.Members[k];
            EXPECT_EQ(present::TrimmedName(m.Name), members[k].at("name").get<std::string>());
            EXPECT_EQ(present::Hex(m.Ttr, 6), members[k].at("ttr").get<std::string>());
            Bytes got;
            ReadRequest request;
            request.Member = &m;
            request.Bytes = &got;
            NullProgress progress;
            ASSERT_TRUE(reader.Read(request, progress).Ok()) << m.Name;
            EXPECT_EQ(got.size(), members[k].at("length").get<std::size_t>());
            EXPECT_EQ(Sha256Hex(got), members[k].at("sha256").get<std::string>());
        }
    }
}
