// One changed byte in the structure of a transmission (a segment header, a
// control record, COPYR1 or COPYR2, a directory block's count field, key or
// bytes-used count, a member block's count field) either fails the decode or
// a read, or gives exactly the bytes of the intact file. Read from memory.
#include <gtest/gtest.h>

#include <optional>

#include "InMemory.h"
#include "TempDir.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
constexpr std::size_t kWhole = static_cast<std::size_t>(-1);

// What a transmission gives when every member (or the dataset) is read.
struct Content {
    bool Pds = false;
    std::vector<std::string> Names;
    std::vector<Bytes> Data;
};

// The content, or nothing when the decode or any read fails.
std::optional<Content> ReadAll(const Bytes& bytes) {
    InMemory m(bytes);
    if (m.Result != 0) return std::nullopt;
    Content c;
    c.Pds = m.Info.Partitioned;
    int r = 0;
    if (!c.Pds) {
        c.Data.push_back(m.Read(kWhole, &r));
        if (r != 0) return std::nullopt;
        return c;
    }
    for (std::size_t i = 0; i < m.Info.Members.size(); ++i) {
        c.Names.push_back(m.Info.Members[i].Name);
        c.Data.push_back(m.Read(i, &r));
        if (r != 0) return std::nullopt;
    }
    return c;
}

// The offsets of the structural bytes, found by walking the file as the
// format lays it out (segments, records, unload records, directory blocks,
// member blocks).
std::vector<std::size_t> StructuralBytes(const Bytes& b) {
    std::vector<std::size_t> out;
    std::vector<std::vector<std::size_t>> records;  // file offsets of each data record's bytes
    std::vector<std::size_t> current;
    bool afterLastInmr03 = false;
    for (std::size_t at = 0; at + 1 < b.size() && b[at] >= 2; at += b[at]) {
        out.push_back(at);
        out.push_back(at + 1);
        const std::uint8_t flags = b[at + 1];
        if (flags & 0x80) current.clear();
        for (std::size_t k = at + 2; k < at + b[at] && k < b.size(); ++k) current.push_back(k);
        if (!(flags & 0x40)) continue;
        if (flags & 0x20) {
            out.insert(out.end(), current.begin(), current.end());
            const std::uint8_t digit = b[current.at(5)];
            if (digit == 0xF6) break;
            if (digit == 0xF3) {
                afterLastInmr03 = true;
                records.clear();  // data before the last INMR03 is a message
            }
        } else if (afterLastInmr03) {
            records.push_back(current);
        }
    }
    // An IEBCOPY unload: COPYR1, COPYR2, directory records, member records.
    if (records.size() < 3 || b[records[0].at(1)] != 0xCA) return out;
    for (int r = 0; r < 2; ++r) out.insert(out.end(), records[r].begin(), records[r].end());
    std::size_t r = 2;
    for (bool last = false; !last && r < records.size(); ++r) {
        const auto& rec = records[r];
        for (std::size_t blk = 0; blk + 276 <= rec.size(); blk += 276) {
            for (std::size_t k = 0; k < 22; ++k) out.push_back(rec[blk + k]);  // count, key, used
            last = last || b[rec[blk + 12]] == 0xFF;
        }
    }
    for (; r < records.size(); ++r) {
        const auto& rec = records[r];
        for (std::size_t k = 0; k + 12 <= rec.size();) {
            for (std::size_t j = 0; j < 12; ++j) out.push_back(rec[k + j]);
            k += 12 + b[rec[k + 9]] + (std::size_t{b[rec[k + 10]]} << 8 | b[rec[k + 11]]);
        }
    }
    return out;
}

// Changes each structural byte (every stride-th, starting at phase) to each
// value; counts the changes that gave a success with other bytes.
int Flip(const Bytes& good, const std::string& what, std::size_t stride = 1,
         bool allValues = true) {
    const auto intact = ReadAll(good);
    EXPECT_TRUE(intact.has_value()) << what;
    if (!intact) return 1;
    int wrong = 0;
    const auto positions = StructuralBytes(good);
    EXPECT_GT(positions.size(), 20u) << what;
    for (std::size_t p = 0; p < positions.size(); p += stride) {
        const std::size_t at = positions[p];
        const std::uint8_t was = good[at];
        std::vector<std::uint8_t> values = {0x00, 0xFF, static_cast<std::uint8_t>(was + 1),
                                            static_cast<std::uint8_t>(was - 1)};
        if (allValues) {
            for (int bit = 0; bit < 8; ++bit) values.push_back(was ^ (1u << bit));
        } else {
            values = {static_cast<std::uint8_t>(was ^ (1u << (p % 8))),
                      static_cast<std::uint8_t>(was + 1)};
        }
        for (std::uint8_t v : values) {
            if (v == was) continue;
            Bytes bad = good;
            bad[at] = v;
            const auto got = ReadAll(bad);
            if (!got) continue;
            const bool same =
                got->Pds == intact->Pds && got->Data == intact->Data && got->Names == intact->Names;
            if (!same && ++wrong <= 10) {
                ADD_FAILURE() << what << ": byte " << at << " changed from " << int(was) << " to "
                              << int(v) << " gave other content and no error";
            }
        }
    }
    return wrong;
}

Bytes Pattern(std::size_t n, std::uint8_t salt) {
    Bytes b(n);
    for (std::size_t k = 0; k < n; ++k) b[k] = static_cast<std::uint8_t>((k * 7 + salt) % 251);
    return b;
}
}  // namespace

TEST(ByteFlip, BuilderMadeTransmissions) {
    PdsSpec text;
    text.Blksize = 200;
    text.BlocksPerRecord = 2;
    text.MaxSegment = 120;
    text.MessageLines = {"HELLO"};
    text.Members = {
        {"A", ToEbcdic(std::string(450, 'a')), false, "", IspfStats(1, 2, 1, 24, 10, 1, 2, "ME")},
        {"AL", {}, true, "A", {}},
        {"B", ToEbcdic(std::string(120, 'b')), false, "", {}},
        {"C", ToEbcdic(std::string(90, 'c')), false, "", {}}};
    EXPECT_EQ(Flip(BuildPds(text), "text library"), 0);

    PdsSpec load;
    load.Recfm = 0xC000;
    load.Blksize = 300;
    load.BlocksPerRecord = 3;
    load.EofInLastRecord = false;
    load.MaxSegment = 60;
    load.Extents = {{10, 0, 10, 2}, {20, 0, 29, 14}};
    for (int k = 0; k < 9; ++k) {
        const std::string name = "P" + std::to_string(k);
        load.Members.push_back({name, Pattern(100 + 150 * k, static_cast<std::uint8_t>(k)), false,
                                "", LoadModuleData(0xC2, 700, 0, 0x12, 1)});
    }
    load.RecordBeforeMembers = {0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Flip(BuildPds(load), "load library"), 0);

    SequentialSpec seq;
    seq.MessageLines = {"HELLO"};
    seq.Records = {ToEbcdic(std::string(400, 's')), ToEbcdic(std::string(80, 't'))};
    EXPECT_EQ(Flip(BuildSequential(seq), "sequential with a message"), 0);
    SequentialSpec bare;
    bare.Qualifiers.clear();
    bare.Records = {Pattern(600, 3)};
    EXPECT_EQ(Flip(BuildSequential(bare), "sequential without a name"), 0);
}

TEST(ByteFlip, RealSamples) {
    if (SamplesDir().empty()) GTEST_SKIP() << "samples folder ../shared/samples absent: skipped";
    for (const char* name :
         {"CH.xmi", "test_pds_msg.xmi", "test_seq.xmi", "jgpjcl.xmit", "jgppds.xmit", "LOAD.xmi",
          "ICON.xmi", "test_pds.xmi", "CMSBATCH.xmi"}) {
        const Bytes bytes = ReadFile(SamplesDir() / name);
        // Larger files: every few structural bytes, two values each.
        const std::size_t stride = bytes.size() / 20000 + 1;
        EXPECT_EQ(Flip(bytes, name, stride, stride == 1), 0);
    }
}
