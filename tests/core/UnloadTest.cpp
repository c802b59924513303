// Raw IEBCOPY unloads, with block descriptors as a tape carries them or with
// record descriptors only, opened as the libraries they hold.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "InMemory.h"
#include "Sha256.h"
#include "TempDir.h"
#include "container/Content.h"
#include "nested/XmitPath.h"
#include "unload/UnloadLibrary.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// The data records of a transmission's last file: its segments joined.
std::vector<Bytes> DataRecords(const Bytes& xmit) {
    std::vector<Bytes> records;
    Bytes record;
    bool dataStarted = false;
    for (std::size_t at = 0; at + 2 <= xmit.size() && xmit[at] >= 2;) {
        const std::size_t n = xmit[at];
        const std::uint8_t flags = xmit[at + 1];
        if (flags & 0x80) record.clear();
        record.insert(record.end(), xmit.begin() + at + 2, xmit.begin() + at + n);
        if (flags & 0x40) {
            const bool control = flags & 0x20;
            if (control && record.size() >= 6 && record[5] == 0xF3) dataStarted = true;  // INMR03
            if (control && record.size() >= 6 && record[5] == 0xF6) break;               // INMR06
            if (!control && dataStarted) records.push_back(record);
        }
        at += n;
    }
    return records;
}

void PutHalfword(Bytes& out, std::size_t value, std::uint8_t code = 0) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(code);
    out.push_back(0);
}

Bytes WithRecordDescriptors(const std::vector<Bytes>& records) {
    Bytes out;
    for (const Bytes& r : records) {
        PutHalfword(out, r.size() + 4);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

// VS blocks of at most blksize bytes; a record that does not fit the room
// left is spanned over the next blocks.
Bytes InSpannedBlocks(const std::vector<Bytes>& records, std::size_t blksize) {
    Bytes out;
    Bytes block;
    auto flush = [&] {
        if (block.empty()) return;
        PutHalfword(out, block.size() + 4);
        out.insert(out.end(), block.begin(), block.end());
        block.clear();
    };
    for (const Bytes& r : records) {
        std::size_t done = 0;
        bool first = true;
        while (first || done < r.size()) {
            if (blksize - 4 - block.size() < 5) flush();
            const std::size_t room = blksize - 4 - block.size() - 4;
            const std::size_t k = std::min(room, r.size() - done);
            const bool last = done + k == r.size();
            const std::uint8_t code = first ? (last ? 0 : 1) : (last ? 2 : 3);
            PutHalfword(block, k + 4, code);
            block.insert(block.end(), r.begin() + done, r.begin() + done + k);
            done += k;
            first = false;
        }
    }
    flush();
    return out;
}

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
    unfinished.resize(unfinished.size() - 1);
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
