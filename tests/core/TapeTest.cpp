// AWS and HET tape images: the real sample tapes, tapes made by the tape
// builder (checked against Hercules where it is installed), and the ways a
// tape image can be broken.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Sha256.h"
#include "TapeBuilder.h"
#include "TempDir.h"
#include "tape/TapeImage.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::shared_ptr<TapeImage> OpenTape(const Bytes& image) {
    auto tape = TapeImage::Open(std::make_unique<MemorySource>(image, "test.aws"));
    EXPECT_TRUE(tape.Ok()) << (tape.Ok() ? "" : tape.Err().Message);
    return tape.Ok() ? tape.Value() : nullptr;
}

// A file read through OpenFile in pieces of an awkward size.
Bytes ThroughSource(TapeImage& tape, std::size_t index) {
    auto source = tape.OpenFile(index);
    EXPECT_TRUE(source.Ok()) << (source.Ok() ? "" : source.Err().Message);
    if (!source) return {};
    Bytes out(static_cast<std::size_t>(source.Value()->Size()));
    for (std::size_t at = 0; at < out.size(); at += 1237) {
        auto got = source.Value()->ReadAt(static_cast<std::int64_t>(at), out.data() + at,
                                          std::min<std::size_t>(1237, out.size() - at));
        EXPECT_TRUE(got.Ok());
    }
    return out;
}

Bytes ThroughCopy(TapeImage& tape, std::size_t index) {
    Bytes out;
    auto done = tape.CopyFile(index, [&](const std::uint8_t* p, std::size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    });
    EXPECT_TRUE(done.Ok()) << (done.Ok() ? "" : done.Err().Message);
    return out;
}

Bytes Joined(const std::vector<Bytes>& blocks) {
    Bytes out;
    for (const Bytes& b : blocks) out.insert(out.end(), b.begin(), b.end());
    return out;
}

// A block of varied bytes.
Bytes Data(std::size_t n, std::uint8_t salt) {
    Bytes b(n);
    for (std::size_t k = 0; k < n; ++k) b[k] = static_cast<std::uint8_t>((k * 7 + salt) ^ (k >> 9));
    return b;
}

// ---------------------------------------------------------------- samples

TEST(TapeSamples, MatchExpected) {
    const auto dir = SamplesDir().empty() ? SamplesDir() : SamplesDir() / "containers";
    if (dir.empty() || !std::filesystem::exists(dir / "expected.json"))
        GTEST_SKIP() << "samples folder ../shared/samples/containers absent: skipped";
    std::ifstream in(dir / "expected.json");
    const auto expected = nlohmann::json::parse(in);
    for (const char* name : {"test_tape.aws", "test_tape.het", "test_tape_bz2.het"}) {
        SCOPED_TRACE(name);
        const auto& e = expected.at(name);
        if (std::string(name) == "test_tape_bz2.het" && !TapeBuilderHasBzip2()) continue;
        auto tape = OpenTape(ReadFile(dir / name));
        ASSERT_TRUE(tape);
        const TapeInfo& info = tape->Info();
        EXPECT_EQ(info.Labelled, e["label"] == "SL");
        EXPECT_EQ(info.Volser, e["volser"].get<std::string>());
        EXPECT_EQ(info.PhysicalFiles, e["physical_files"].get<std::uint64_t>());
        EXPECT_EQ(info.PlainBlocks, e["blocks_by_compression"]["none"].get<std::uint64_t>());
        EXPECT_EQ(info.ZlibBlocks, e["blocks_by_compression"]["zlib"].get<std::uint64_t>());
        EXPECT_EQ(info.Bzip2Blocks, e["blocks_by_compression"]["bzip2"].get<std::uint64_t>());
        EXPECT_EQ(info.Het, e["kind"] == "het");
        EXPECT_TRUE(info.Notes.empty());
        ASSERT_TRUE(tape->Measure().Ok());
        const auto& files = e["tape_files"];
        ASSERT_EQ(info.Files.size(), files.size());
        for (std::size_t k = 0; k < files.size(); ++k) {
            const auto& x = files[k];
            const TapeFileInfo& f = info.Files[k];
            SCOPED_TRACE(f.Dsn);
            EXPECT_EQ(f.Number, k + 1);
            EXPECT_EQ(f.Sequence, x["seq"].get<std::uint32_t>());
            EXPECT_EQ(f.Dsn, x["dsn"].get<std::string>());
            EXPECT_EQ(f.Hdr1, x["hdr1"].get<std::string>());
            EXPECT_EQ(f.Hdr2, x["hdr2"].get<std::string>());
            EXPECT_EQ(f.Eof1, x["eof1"].get<std::string>());
            EXPECT_EQ(f.Recfm, x["recfm"].get<std::string>());
            EXPECT_EQ(f.Lrecl, x["lrecl"].get<std::uint32_t>());
            EXPECT_EQ(f.Blksize, x["blksize"].get<std::uint32_t>());
            EXPECT_EQ(f.JobStep, x["jobstep"].get<std::string>());
            EXPECT_EQ(f.Blocks, x["blocks"].get<std::uint64_t>());
            EXPECT_EQ(f.Eof1BlockCount, x["eof1_blockcount"].get<std::uint64_t>());
            EXPECT_EQ(f.Bytes, x["bytes"].get<std::int64_t>());
            EXPECT_EQ(Sha256Hex(ThroughSource(*tape, k)), x["sha256"].get<std::string>());
            EXPECT_EQ(Sha256Hex(ThroughCopy(*tape, k)), x["sha256"].get<std::string>());
        }
    }
}

// ---------------------------------------------------------------- built tapes

struct Built {
    const char* Name;
    TapeOptions Options;
    bool Labelled;
};

std::vector<TapeDataset> Datasets() {
    std::vector<TapeDataset> sets;
    sets.push_back(
        {"USER.CARDS", "FB", 80, 3200, {CardData(3200, 1), CardData(3200, 2), CardData(800, 3)}});
    sets.push_back({"USER.VB.DATA.SET.LONGNAME",
                    "VB",
                    255,
                    6233,
                    {Data(6233, 4), Data(100, 5), Data(6233, 6)}});
    sets.push_back({"USER.LOAD", "U", 0, 32760, {Data(32760, 7), Data(20000, 8)}});
    sets.push_back({"USER.BIG", "VBS", 32756, 65535, {CardData(65535, 9), Data(65535, 10)}});
    return sets;
}

std::vector<std::vector<Bytes>> PlainFiles() {
    return {{Data(500, 1), Data(12000, 2)}, {CardData(65535, 3)}, {Data(1, 4), Data(7, 5)}};
}

const Built kBuilt[] = {
    {"labelled AWS", {}, true},
    {"unlabelled AWS", {}, false},
    {"multi-chunk AWS", {TapePacking::None, 4096, false}, true},
    {"unlabelled multi-chunk", {TapePacking::None, 1000, false}, false},
    {"HET zlib", {TapePacking::Zlib, 65535, false}, true},
    {"HET zlib multi-chunk", {TapePacking::Zlib, 4096, false}, false},
    {"HET bzip2", {TapePacking::Bzip2, 65535, false}, true},
};

Bytes Build(const Built& b) {
    return b.Labelled ? LabelledTape("CORV01", Datasets(), b.Options)
                      : UnlabelledTape(PlainFiles(), b.Options);
}

// The data files the builder put on the tape, block by block.
std::vector<std::vector<Bytes>> BuiltFiles(const Built& b) {
    if (!b.Labelled) return PlainFiles();
    std::vector<std::vector<Bytes>> files;
    for (const TapeDataset& ds : Datasets()) files.push_back(ds.Blocks);
    return files;
}

TEST(TapeBuilt, ReadsWhatWasWritten) {
    for (const Built& b : kBuilt) {
        SCOPED_TRACE(b.Name);
        if (b.Options.Packing == TapePacking::Bzip2 && !TapeBuilderHasBzip2()) continue;
        const Bytes image = Build(b);
        EXPECT_TRUE(LooksLikeTape(image.data(), image.size()));
        auto tape = OpenTape(image);
        ASSERT_TRUE(tape);
        const TapeInfo& info = tape->Info();
        EXPECT_EQ(info.Labelled, b.Labelled);
        EXPECT_EQ(info.Het, b.Options.Packing != TapePacking::None);
        EXPECT_TRUE(info.Notes.empty());
        const auto files = BuiltFiles(b);
        ASSERT_EQ(info.Files.size(), files.size());
        // Physical files: 3 per dataset and VOL1's; one per unlabelled file; the empty last.
        EXPECT_EQ(info.PhysicalFiles, b.Labelled ? 3 * files.size() + 2 : files.size() + 2);
        for (std::size_t k = 0; k < files.size(); ++k) {
            const Bytes want = Joined(files[k]);
            EXPECT_EQ(info.Files[k].Blocks, files[k].size());
            std::vector<std::uint32_t> lengths;
            for (const Bytes& block : files[k])
                lengths.push_back(static_cast<std::uint32_t>(block.size()));
            auto got = tape->BlockLengths(k);
            ASSERT_TRUE(got.Ok());
            EXPECT_EQ(got.Value(), lengths);
            EXPECT_EQ(info.Files[k].Bytes, static_cast<std::int64_t>(want.size()));
            EXPECT_TRUE(ThroughSource(*tape, k) == want);
            EXPECT_TRUE(ThroughCopy(*tape, k) == want);
        }
        if (b.Labelled) {
            const TapeDataset ds = Datasets()[1];
            const TapeFileInfo& f = info.Files[1];
            EXPECT_EQ(info.Volser, "CORV01");
            EXPECT_EQ(info.Owner, "CORVANE");
            EXPECT_EQ(f.Sequence, 2u);
            EXPECT_EQ(f.Dsn, ds.Dsn.substr(ds.Dsn.size() - 17));
            EXPECT_EQ(f.Recfm, "VB");
            EXPECT_EQ(info.Files[3].Recfm, "VBS");
            EXPECT_EQ(info.Files[2].Recfm, "U");
            EXPECT_EQ(f.Lrecl, 255u);
            EXPECT_EQ(f.Blksize, 6233u);
            EXPECT_EQ(f.JobStep, ds.JobStep);
            EXPECT_EQ(f.Eof1BlockCount, ds.Blocks.size());
        } else {
            EXPECT_EQ(info.Files[0].Recfm, "U");
            EXPECT_FALSE(info.Files[0].Sequence);
        }
    }
}

TEST(TapeBuilt, RandomReadsOfACompressedMultiChunkFile) {
    const std::vector<Bytes> blocks = {CardData(30000, 1), Data(9, 2), Data(40000, 3),
                                       CardData(65535, 4)};
    const Bytes want = Joined(blocks);
    auto tape = OpenTape(UnlabelledTape({blocks}, {TapePacking::Zlib, 5000, false}));
    ASSERT_TRUE(tape);
    EXPECT_EQ(tape->Info().Files[0].Bytes, -1);  // not measured yet
    auto source = tape->OpenFile(0);
    ASSERT_TRUE(source.Ok());
    ASSERT_EQ(source.Value()->Size(), static_cast<std::int64_t>(want.size()));
    std::uint32_t x = 7;
    for (int k = 0; k < 200; ++k) {
        x = x * 1103515245u + 12345;
        const std::size_t at = (x >> 4) % want.size();
        const std::size_t n = (x >> 20) % 70000;
        Bytes got(n);
        auto read = source.Value()->ReadAt(static_cast<std::int64_t>(at), got.data(), n);
        ASSERT_TRUE(read.Ok());
        const std::size_t expect = std::min(n, want.size() - at);
        ASSERT_EQ(read.Value(), expect);
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(expect),
                               want.begin() + static_cast<std::ptrdiff_t>(at)));
    }
}

// Enough compressed data for two threads to share the inflating: the
// blocks still come out in order, and a damaged one stops the copy right
// where it lies.
TEST(TapeBuilt, LargeCompressedFileCopiesInOrder) {
    std::vector<Bytes> blocks;
    for (std::uint32_t k = 0; k < 300; ++k) blocks.push_back(CardData(32000 + k, k));
    MemoryOut out;
    TapeWriter w(out, {TapePacking::Zlib, 65535, false});
    std::size_t damaged = 0;
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        if (k == 201) damaged = out.Data.size();
        w.Block(blocks[k]);
    }
    w.Tapemark();
    auto tape = OpenTape(out.Data);
    ASSERT_TRUE(tape);
    EXPECT_TRUE(ThroughCopy(*tape, 0) == Joined(blocks));
    EXPECT_EQ(tape->Info().Files[0].Bytes, static_cast<std::int64_t>(Joined(blocks).size()));
    Bytes broken = out.Data;
    for (std::size_t k = damaged + 30; k < damaged + 90; ++k) broken[k] ^= 0x33;
    auto bad = OpenTape(broken);
    ASSERT_TRUE(bad);
    Bytes copied;
    auto done = bad->CopyFile(0, [&](const std::uint8_t* p, std::size_t n) {
        copied.insert(copied.end(), p, p + n);
        return true;
    });
    ASSERT_FALSE(done.Ok());
    EXPECT_NE(done.Err().Message.find("block 202"), std::string::npos) << done.Err().Message;
    EXPECT_TRUE(copied == Joined(std::vector<Bytes>(blocks.begin(), blocks.begin() + 201)));
}

TEST(TapeBuilt, UnlabelledFilesEndAtTwoTapemarks) {
    MemoryOut out;
    TapeWriter w(out);
    w.Tapemark();  // a tape that starts with a tapemark
    w.Block(Data(10, 1));
    w.Tapemark();
    w.Tapemark();
    w.Block(Data(20, 2));  // past the end of the recorded data
    w.Tapemark();
    auto tape = OpenTape(out.Data);
    ASSERT_TRUE(tape);
    ASSERT_EQ(tape->Info().Files.size(), 1u);
    EXPECT_EQ(tape->Info().Files[0].Bytes, 10);
    EXPECT_EQ(tape->Info().PhysicalFiles, 5u);
    ASSERT_EQ(tape->Info().Notes.size(), 1u);
    EXPECT_NE(tape->Info().Notes[0].find("not listed"), std::string::npos);
}

TEST(TapeLabels, CreationDates) {
    // The expected date from the calendar: day ddd of the year.
    auto date = [](int year, int day) {
        using namespace std::chrono;
        const year_month_day d{sys_days{std::chrono::year{year} / January / 1} + days{day - 1}};
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                      static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
        return std::string(text);
    };
    const struct {
        const char* Field;
        std::string Want;
    } rows[] = {{" 21068", date(2021, 68)},
                {" 99001", date(1999, 1)},
                {"024366", date(2024, 366)},
                {"100059", date(2100, 59)},
                {" 23366", ""},
                {" 24000", ""},
                {" 2A001", ""},
                {"      ", ""},
                {"X24001", ""}};
    for (const auto& row : rows) {
        TapeDataset ds{"A.B", "FB", 80, 800, {Data(800, 1)}};
        ds.Created = row.Field;
        auto tape = OpenTape(LabelledTape("V", {ds}));
        ASSERT_TRUE(tape);
        EXPECT_EQ(tape->Info().Files[0].Created, row.Want) << row.Field;
    }
}

TEST(TapeDetect, LooksLikeTape) {
    const Bytes aws = UnlabelledTape(PlainFiles());
    EXPECT_TRUE(LooksLikeTape(aws.data(), 6));
    EXPECT_TRUE(LooksLikeTape(aws.data(), aws.size()));
    MemoryOut tm;
    TapeWriter(tm).Tapemark();
    EXPECT_TRUE(LooksLikeTape(tm.Data.data(), tm.Data.size()));
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(160, 's'))};
    const Bytes xmit = BuildSequential(seq);
    EXPECT_FALSE(LooksLikeTape(xmit.data(), xmit.size()));
    const Bytes zip = {'P', 'K', 3, 4, 20, 0, 0, 0, 8, 0};
    EXPECT_FALSE(LooksLikeTape(zip.data(), zip.size()));
    Bytes liar = aws;
    liar[506 + 2] ^= 1;  // the second header's previous length
    EXPECT_FALSE(LooksLikeTape(liar.data(), liar.size()));
    EXPECT_FALSE(LooksLikeTape(aws.data(), 5));
}

// ---------------------------------------------------------------- bad input

// Opens, measures and reads every file; the first error's message, or "".
std::string Exercise(const Bytes& image, std::vector<std::string>* notes) {
    auto tape = TapeImage::Open(std::make_unique<MemorySource>(image));
    if (!tape) return tape.Err().Message;
    *notes = tape.Value()->Info().Notes;
    if (auto done = tape.Value()->Measure(); !done) return done.Err().Message;
    for (std::size_t k = 0; k < tape.Value()->Info().Files.size(); ++k) {
        auto done =
            tape.Value()->CopyFile(k, [](const std::uint8_t*, std::size_t) { return true; });
        if (!done) return done.Err().Message;
    }
    return "";
}

Bytes Tape(const std::function<void(TapeWriter&)>& write, TapeOptions options = {}) {
    MemoryOut out;
    TapeWriter w(out, options);
    write(w);
    return out.Data;
}

struct BadRow {
    const char* Name;
    Bytes Image;
    const char* Error;  // a piece of the error message, or null
    const char* Note;   // a piece of a note, where the tape is still read
};

std::vector<BadRow> BadRows() {
    std::vector<BadRow> rows;
    const Bytes good = UnlabelledTape({{Data(100, 1), Data(200, 2)}});
    Bytes prev = good;
    prev[106 + 2] = 99;  // the second header's previous-length field
    rows.push_back({"previous length lies", prev, "do not agree", nullptr});
    Bytes cur = good;
    cur[0] = 200;  // the first chunk claims more than it has
    rows.push_back({"current length lies", cur, "do not agree", nullptr});
    Bytes cut = good;
    cut.resize(106 + 6 + 50);
    rows.push_back({"image cut inside a chunk", cut, "remain in the image", nullptr});
    rows.push_back({"chain ends at a tapemark", Tape([](TapeWriter& w) {
                        w.Chunk(10, 0, 0x80, Data(10, 1));
                        w.Tapemark();
                    }),
                    "no end-of-block chunk before the tapemark", nullptr});
    rows.push_back({"chain ends at the end", Tape([](TapeWriter& w) {
                        w.Chunk(10, 0, 0x80, Data(10, 1));
                        w.Chunk(10, 10, 0x00, Data(10, 1));
                    }),
                    "no end-of-block chunk before the end", nullptr});
    rows.push_back({"chain runs on past 2 MiB", Tape([](TapeWriter& w) {
                        w.Chunk(65535, 0, 0x80, Data(65535, 1));
                        for (int k = 0; k < 40; ++k) w.Chunk(65535, 65535, 0x00, Data(65535, 1));
                    }),
                    "more than 2 MiB", nullptr});
    rows.push_back({"begin flag in the middle", Tape([](TapeWriter& w) {
                        w.Chunk(10, 0, 0x80, Data(10, 1));
                        w.Chunk(10, 10, 0xA0, Data(10, 1));
                    }),
                    "in the middle of the block", nullptr});
    rows.push_back({"continuation never begun",
                    Tape([](TapeWriter& w) { w.Chunk(10, 0, 0x20, Data(10, 1)); }),
                    "no block was begun", nullptr});
    rows.push_back({"mixed compression", Tape([](TapeWriter& w) {
                        w.Chunk(10, 0, 0x81, Data(10, 1));
                        w.Chunk(10, 10, 0x20, Data(10, 1));
                    }),
                    "do not agree on its compression", nullptr});
    rows.push_back({"unknown compression",
                    Tape([](TapeWriter& w) { w.Chunk(10, 0, 0xA3, Data(10, 1)); }),
                    "unknown compression", nullptr});
    rows.push_back({"tapemark with data",
                    Tape([](TapeWriter& w) { w.Chunk(4, 0, 0x40, Data(4, 1)); }), "claims 4 bytes",
                    nullptr});
    rows.push_back({"inflates past 65,535", Tape([](TapeWriter& w) {
                        w.Block(Bytes(70000, 0x40), TapePacking::Zlib);
                        w.Tapemark();
                    }),
                    "more than 65535 bytes", nullptr});
    Bytes zlib = UnlabelledTape({{CardData(8000, 1)}}, {TapePacking::Zlib, 65535, false});
    for (std::size_t k = 20; k < 60; ++k) zlib[k] ^= 0x5A;
    rows.push_back({"damaged zlib", zlib, "zlib data of block 1", nullptr});
    rows.push_back({"zlib stream cut short", Tape([](TapeWriter& w) {
                        TapePacking used;
                        Bytes z = PackBlock(CardData(8000, 1), TapePacking::Zlib, false, &used);
                        z.resize(z.size() / 2);
                        w.Stored(z, 1);
                        w.Tapemark();
                    }),
                    "ends before its stream does", nullptr});
    rows.push_back({"damaged bzip2", Tape([](TapeWriter& w) {
                        Bytes b = ToEbcdic(std::string(40, 'x'));
                        b[0] = 'B', b[1] = 'Z', b[2] = 'h', b[3] = '9';
                        w.Stored(b, 2);
                        w.Tapemark();
                    }),
                    TapeBuilderHasBzip2() ? "bzip2 data of block 1" : "cannot read bzip2",
                    nullptr});
    TapeDataset ds{"A.B", "FB", 80, 800, {Data(800, 1), Data(800, 2)}};
    rows.push_back({"label cut short", Tape([&](TapeWriter& w) {
                        w.Block(Vol1Label("V"));
                        w.Block(Label1("HDR1", ds, "V", 1, 0));
                        Bytes hdr2 = Label2("HDR2", ds);
                        hdr2.resize(60);
                        w.Block(hdr2);
                        w.Tapemark();
                    }),
                    "cut short", nullptr});
    rows.push_back({"HDR1 without HDR2", Tape([&](TapeWriter& w) {
                        w.Block(Vol1Label("V"));
                        w.Block(Label1("HDR1", ds, "V", 1, 0));
                        w.Tapemark();
                        for (const Bytes& b : ds.Blocks) w.Block(b);
                        w.Tapemark();
                        w.Block(Label1("EOF1", ds, "V", 1, 2));
                        w.Tapemark();
                        w.Tapemark();
                    }),
                    nullptr, "not followed by HDR2"});
    rows.push_back({"header labels without HDR1", Tape([&](TapeWriter& w) {
                        w.Block(Vol1Label("V"));
                        w.Block(Label2("HDR2", ds));
                        w.Tapemark();
                    }),
                    "not HDR1", nullptr});
    TapeDataset miscounted = ds;
    miscounted.Eof1Blocks = 5;
    rows.push_back({"EOF1 count disagrees", LabelledTape("V", {miscounted}), nullptr,
                    "counts 5 blocks, but the file has 2"});
    TapeDataset continued = ds;
    continued.ContinuesOnNextVolume = true;
    rows.push_back({"continues on the next volume", LabelledTape("V", {continued}), nullptr,
                    "continues on another volume"});
    TapeDataset second = ds;
    second.VolumeSequence = 2;
    rows.push_back({"second volume of a set", LabelledTape("V", {second}), nullptr,
                    "volume 2 of a multi-volume set"});
    rows.push_back({"no tapemark after the data", Tape([&](TapeWriter& w) {
                        w.Block(Vol1Label("V"));
                        w.Block(Label1("HDR1", ds, "V", 1, 0));
                        w.Block(Label2("HDR2", ds));
                        w.Tapemark();
                        for (const Bytes& b : ds.Blocks) w.Block(b);
                    }),
                    nullptr, "without a tapemark after the data"});
    rows.push_back({"unlabelled, no final tapemark",
                    Tape([](TapeWriter& w) { w.Block(Data(30, 1)); }), nullptr,
                    "without a tapemark after the data"});
    Bytes trailing = good;
    trailing.insert(trailing.end(), {1, 2, 3});
    rows.push_back({"stray bytes at the end", trailing, nullptr, "too few for a chunk header"});
    rows.push_back({"empty image", {}, "empty", nullptr});
    // Found by the fuzzer: a compressed block of two empty chunks.
    rows.push_back({"block of empty chunks",
                    {0, 0, 0, 0, 0x8C, 3, 0, 0, 0, 0, 0x2C, 3, 0, 0xAC},
                    nullptr,
                    "without a tapemark after the data"});
    return rows;
}

TEST(TapeBadInput, EachWayToBreak) {
    for (const BadRow& row : BadRows()) {
        SCOPED_TRACE(row.Name);
        std::vector<std::string> notes;
        const std::string error = Exercise(row.Image, &notes);
        if (row.Error) {
            EXPECT_NE(error.find(row.Error), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(error, "");
        bool found = false;
        for (const std::string& n : notes) found = found || n.find(row.Note) != std::string::npos;
        EXPECT_TRUE(found) << (notes.empty() ? "no note" : notes.front());
    }
}

TEST(TapeBadInput, NoTapemarkAfterDataStillReads) {
    const Bytes image = Tape([](TapeWriter& w) {
        w.Block(Data(30, 1));
        w.Block(Data(40, 2));
    });
    auto tape = OpenTape(image);
    ASSERT_TRUE(tape);
    ASSERT_EQ(tape->Info().Files.size(), 1u);
    EXPECT_TRUE(ThroughCopy(*tape, 0) == Joined({Data(30, 1), Data(40, 2)}));
}

// ---------------------------------------------------------------- Hercules

#ifndef _WIN32
std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        pclose(p);
    }
    return out;
}

struct MapFile {
    std::uint64_t Blocks = 0, Bytes = 0;
};

// hetmap's per-file block and byte counts, by file number; its summary's
// block total under number 0.
std::map<int, MapFile> HetMap(const std::filesystem::path& image) {
    std::map<int, MapFile> files;
    std::istringstream in(RunCommand("/usr/bin/hetmap -a '" + image.string() + "'"));
    std::string line;
    int current = -1;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        const std::string value = line.substr(colon + 1);
        if (key == "File #") current = std::stoi(value);
        if (key == "Summary") current = 0;
        if (current < 0) continue;
        if (key == "Blocks") files[current].Blocks = std::stoull(value);
        if (key == "Uncompressed bytes") files[current].Bytes = std::stoull(value);
    }
    return files;
}

TEST(TapeHercules, AgreesWithHetmapAndHetget) {
    if (!std::filesystem::exists("/usr/bin/hetget") || !std::filesystem::exists("/usr/bin/hetmap"))
        GTEST_SKIP() << "Hercules (/usr/bin/hetget, hetmap) absent: skipped";
    TempDir dir;
    for (const Built& b : kBuilt) {
        SCOPED_TRACE(b.Name);
        if (b.Options.Packing == TapePacking::Bzip2 && !TapeBuilderHasBzip2()) continue;
        const Bytes image = Build(b);
        const auto path = dir / "tape.het";
        WriteFile(path, image);
        auto tape = OpenTape(image);
        ASSERT_TRUE(tape);
        ASSERT_TRUE(tape->Measure().Ok());
        const TapeInfo& info = tape->Info();
        const auto map = HetMap(path);
        ASSERT_TRUE(map.count(0)) << "hetmap gave no summary";
        EXPECT_EQ(map.at(0).Blocks, info.PlainBlocks + info.ZlibBlocks + info.Bzip2Blocks);
        for (std::size_t k = 0; k < info.Files.size(); ++k) {
            const TapeFileInfo& f = info.Files[k];
            // hetmap numbers physical files from 1: a dataset's data follows
            // its header labels, as the builder wrote it.
            const int physical = b.Labelled ? static_cast<int>(3 * k + 2) : static_cast<int>(k + 1);
            ASSERT_TRUE(map.count(physical));
            EXPECT_EQ(map.at(physical).Blocks, f.Blocks);
            EXPECT_EQ(map.at(physical).Bytes, static_cast<std::uint64_t>(f.Bytes));
            const auto out = dir / "out";
            std::filesystem::remove(out);
            const std::string command =
                b.Labelled ? "/usr/bin/hetget '" + path.string() + "' '" + out.string() + "' " +
                                 std::to_string(*f.Sequence)
                           : "/usr/bin/hetget -n '" + path.string() + "' '" + out.string() + "' " +
                                 std::to_string(physical) + " U 0 65535";
            const std::string said = RunCommand(command);
            ASSERT_TRUE(std::filesystem::exists(out)) << said;
            const std::string oracle = Sha256Hex(ReadFile(out));
            EXPECT_EQ(Sha256Hex(ThroughSource(*tape, k)), oracle);
            EXPECT_EQ(Sha256Hex(ThroughCopy(*tape, k)), oracle);
        }
    }
}
#endif

}  // namespace
