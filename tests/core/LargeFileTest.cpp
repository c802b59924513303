// A transmission file larger than 4 GiB, with members beyond the 4 GiB mark.
// It takes about twenty seconds and 4.5 GB of disk (labelled "large"); it is
// skipped where the temporary folder has less than 10 GiB free.
#include <gtest/gtest.h>

#include "MemoryPorts.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "decode/XmitParser.h"
#include "extract/MemberReader.h"

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
        GTEST_SKIP()
            << "less than 10 GiB free in the temporary folder: the 4 GiB file test is skipped";
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

    auto source = FileSource::Open(path);
    ASSERT_TRUE(source.Ok());
    auto parsed = ParseXmit(*source.Value());
    ASSERT_TRUE(parsed.Ok()) << parsed.Err().Message;
    ASSERT_EQ(parsed->Members.size(), members);
    const MemberEntry& last = parsed->Members.back();
    EXPECT_GT(last.DataStart, std::int64_t{1} << 32);

    MemberReader reader(*source.Value(), parsed.Value());
    MemoryProgress progress;
    ReadRequest request;
    request.Member = &last;
    request.OutputFile = dir / "last.bin";
    auto done = reader.Read(request, progress);
    ASSERT_TRUE(done.Ok()) << done.Err().Title;
    const auto out = request.OutputFile;
    Bytes expected;
    MemberData(members - 1, expected);
    EXPECT_EQ(ReadFile(out), expected);
}
