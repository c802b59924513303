// A transmission file larger than 4 GiB, with members beyond the 4 GiB mark.
// It takes about twenty seconds and 4.5 GB of disk (labelled "large"); it is
// skipped where the temporary folder has less than 10 GiB free.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "XmitBuilder.h"
#include "decode/Decode.h"
#include "extract/Extractdata.h"
#include "ports/MemoryPorts.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
void MemberData(std::size_t index, Bytes& out) {
    out.resize(1 << 20);
    std::uint32_t x = static_cast<std::uint32_t>(index) * 2654435761u + 7;
    for (auto& b : out) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
}
}  // namespace

TEST(LargeFile, MembersBeyondFourGibibytesExtractByteExact) {
    std::error_code ec;
    const auto space = std::filesystem::space(std::filesystem::temp_directory_path(), ec);
    if (ec || space.available < (std::uintmax_t{10} << 30)) {
        GTEST_SKIP() << "less than 10 GiB free in the temporary folder: the 4 GiB file test is skipped";
    }
    TempDir dir;
    PdsSpec plan;
    plan.Recfm = 0xC000;
    plan.Lrecl = 0;
    plan.Blksize = 32760;
    plan.BlocksPerRecord = 1;
    plan.BlocksPerTrack = 200;
    plan.Extents = {{1, 0, 30000, 14}};
    const std::size_t members = 4200;  // 4200 MiB of data
    for (std::size_t i = 0; i < members; ++i) {
        char name[9];
        std::snprintf(name, sizeof name, "L%07zu", i);
        plan.Members.push_back({name, {}, false, "", {}});
    }
    plan.Generate = MemberData;
    const auto path = dir / "large.xmi";
    {
        FileOut out(path);
        BuildPds(plan, out);
    }
    ASSERT_GT(std::filesystem::file_size(path), 1ULL << 32);

    auto stream = FileReader::Open(path, nullptr);
    TXmitDecoder decoder;
    MemoryMemberList list;
    MemoryLines memo;
    MemoryNotifier notify;
    MemoryErrorReport errors;
    DecodePorts ports{notify, errors, nullptr};
    ASSERT_EQ(decoder.DecodeXmit(*stream, list, 0, 0, memo, ports), 0);
    ASSERT_EQ(list.Rows.size(), members);
    const std::int64_t lastOffset = decoder.MemberPositions->at(list.Rows.back().Ttr.Get());
    EXPECT_GT(lastOffset, std::int64_t{1} << 32);

    auto x = MemberExtractor::Create(decoder, path, notify, errors);
    MemoryProgress progress;
    x->TextMode = false;
    const auto out = dir / "last.bin";
    ASSERT_EQ(x->ReadMember(progress, list.Rows.back().Ttr.Get(), out.string(), nullptr), 0);
    Bytes expected;
    MemberData(members - 1, expected);
    EXPECT_EQ(ReadFile(out), expected);
    EXPECT_TRUE(errors.Reports.empty());
}
