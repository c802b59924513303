// Damaged files: every prefix of good files and single-byte corruptions of
// them must end in a clear failure or a sound partial result, never in a
// crash, a hang, a read outside a buffer or a half-written output file.
#include <gtest/gtest.h>

#include "MemoryPorts.h"
#include "Parsed.h"
#include "TempDir.h"
#include "ZipWriter.h"
#include "extract/MemberReader.h"
#include "io/ByteSource.h"
#include "zip/ZipReader.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
PdsSpec SmallLibrary() {
    PdsSpec plan;
    plan.Blksize = 160;
    plan.BlocksPerRecord = 2;
    plan.Members = {
        {"ONE", ToEbcdic(std::string(330, '1')), false, "", IspfStats(1, 2, 1, 24, 10, 1, 2, "ME")},
        {"TWO", ToEbcdic(std::string(90, '2')), false, "", {}},
        {"ALIAS", {}, true, "ONE", {}}};
    plan.MessageLines = {"HI"};
    return plan;
}

struct Outcome {
    bool Parsed = false;
    std::vector<bool> Reads;
};

// Parses the bytes and reads every member in binary and text and as a view;
// checks the invariants that hold for any input.
Outcome Exercise(const Bytes& bytes, const std::vector<Bytes>* exact = nullptr) {
    Outcome out;
    Parsed p(bytes);
    out.Parsed = p.Ok();
    if (!p.Ok()) return out;
    const XmitInfo& x = p.Info();
    MemberReader reader(p.Source, x);
    MemoryProgress progress;
    static const TempDir dir;  // one folder for every case
    const auto target = dir / "member.out";
    const std::size_t items = x.Partitioned ? x.Members.size() : 1;
    for (std::size_t i = 0; i < items; ++i) {
        const MemberEntry* member = x.Partitioned ? &x.Members[i] : nullptr;
        for (bool text : {false, true}) {
            std::filesystem::remove(target);
            ReadRequest r;
            r.Member = member;
            r.Form = text && x.Dataset.Lrecl > 0 && x.Dataset.Lrecl < 4096 ? ReadForm::Text
                                                                           : ReadForm::Binary;
            r.OutputFile = target;
            const bool ok = reader.Read(r, progress).Ok();
            out.Reads.push_back(ok);
            // No temporary file is left, and a failed read leaves no file.
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}),
                      ok ? 1 : 0);
            if (ok) {
                // Nothing comes out that is not in the file (text adds 2 bytes a line).
                EXPECT_LE(std::filesystem::file_size(target), bytes.size() * 2);
                if (exact && r.Form == ReadForm::Binary && i < exact->size()) {
                    EXPECT_EQ(ReadFile(target), (*exact)[i]);
                }
            }
        }
        MemoryLines lines(100000);
        ReadRequest view;
        view.Member = member;
        view.Form = ReadForm::Hex;
        view.Lines = &lines;
        reader.Read(view, progress);
    }
    return out;
}
}  // namespace

TEST(BadInput, EveryPrefixOfAnXmitFile) {
    const PdsSpec plan = SmallLibrary();
    const Bytes good = BuildPds(plan);
    const std::vector<Bytes> data = {plan.Members[0].Data, plan.Members[1].Data,
                                     plan.Members[0].Data};
    int decoded = 0;
    for (std::size_t n = 0; n <= good.size(); ++n) {
        SCOPED_TRACE(n);
        Outcome o =
            Exercise(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)), &data);
        decoded += o.Parsed;
    }
    EXPECT_GT(decoded, 0);
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(300, 's'))};
    const Bytes sequential = BuildSequential(seq);
    for (std::size_t n = 0; n <= sequential.size(); ++n)
        Exercise(Bytes(sequential.begin(), sequential.begin() + static_cast<std::ptrdiff_t>(n)));
}

TEST(BadInput, SingleByteCorruptionsOfAnXmitFile) {
    const Bytes good = BuildPds(SmallLibrary());
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (std::uint8_t value :
             {std::uint8_t{0x00}, std::uint8_t{0xFF}, static_cast<std::uint8_t>(good[at] ^ 0x80),
              static_cast<std::uint8_t>(good[at] + 1)}) {
            if (value == good[at]) continue;
            Bytes bad = good;
            bad[at] = value;
            SCOPED_TRACE(::testing::Message() << "offset " << at << " value " << int(value));
            Exercise(bad);
        }
    }
}

TEST(BadInput, CorruptedDirectoryExtentsAndCounts) {
    // Large values in the places that steer the reader: extent counts,
    // bytes-used fields, indicator bytes, key and data lengths of blocks.
    PdsSpec plan = SmallLibrary();
    plan.ExtentCountOverride = 255;
    Exercise(BuildPds(plan));
    // Tracks per cylinder of 0 and of -1 (0xFF) in COPYR1.
    const Bytes good = BuildPds(SmallLibrary());
    for (std::size_t p = 0; p + 31 < good.size(); p += good[p]) {
        if (good[p + 1] == 0xC0 && good[p + 3] == 0xCA && good[p + 4] == 0x6D &&
            good[p + 5] == 0x0F) {
            for (std::uint8_t tpc : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
                Bytes bad = good;
                bad[p + 29] = tpc;
                Exercise(bad);
            }
            break;
        }
        ASSERT_NE(good[p], 0);
    }
}

TEST(BadInput, EveryPrefixAndCorruptionOfAZipArchive) {
    ZipSpec plan;
    plan.Entries = {{"A.XMI", Bytes(700, 'a'), 8}, {"dir/B.txt", Bytes(90, 'b'), 0}};
    plan.Comment = "c";
    const Bytes good = BuildZip(plan);
    // Read from memory; unpacking into files is the zip tests' concern.
    auto check = [&](const Bytes& bytes) {
        auto zip = ZipReader::Open(std::make_unique<MemorySource>(bytes));
        if (!zip) {
            EXPECT_FALSE(zip.Err().Message.empty());
            return 0;
        }
        for (const ZipDirEntry& e : zip->Entries()) {
            auto read = zip->ReadEntry(e, 1 << 20);
            if (read) {
                EXPECT_EQ(read->size(), static_cast<std::size_t>(e.UncompressedSize));
            }
        }
        return zip->Count();
    };
    for (std::size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(check(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n))), 0);
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (std::uint8_t value :
             {std::uint8_t{0x00}, std::uint8_t{0xFF}, static_cast<std::uint8_t>(good[at] ^ 0x01)}) {
            if (value == good[at]) continue;
            Bytes bad = good;
            bad[at] = value;
            SCOPED_TRACE(at);
            check(bad);
        }
    }
}
