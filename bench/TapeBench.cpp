// corvane-tape-bench DIR: makes in DIR a 1 GiB labelled AWS tape (four files
// of 32,760- and 65,535-byte blocks) and a HET tape of about 1 GiB whose
// 2 GiB of card images are in zlib blocks, then times, best of 3, side by
// side:
//   - opening the AWS tape, measuring it and listing its files, against
//     `cat FILE > /dev/null` (target: within 1.5 times cat, both from a warm
//     page cache);
//   - copying the largest file of the HET tape to a file with CopyFile,
//     against Hercules `hetget HET OUT N` (target: no slower than hetget;
//     skipped when hetget is absent).
// The tapes are made once and kept in DIR.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "TapeBuilder.h"
#include "io/ByteSource.h"
#include "tape/TapeImage.h"

using namespace corvane;
using namespace corvane::testing;
namespace fs = std::filesystem;

namespace {
constexpr std::uint64_t kMiB = 1 << 20;

struct FilePlan {
    std::string Dsn;
    std::uint64_t Bytes;
    std::uint32_t Block;
};

// Bytes that differ from block to block: a cheap xorshift stream.
Bytes Varied(std::size_t n, std::uint64_t seed) {
    Bytes b(n);
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (std::size_t k = 0; k < n; k += 8) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        for (std::size_t j = 0; j < 8 && k + j < n; ++j)
            b[k + j] = static_cast<std::uint8_t>(x >> (8 * j));
    }
    return b;
}

void Generate(const fs::path& path, const std::vector<FilePlan>& files, TapeOptions options,
              bool cards) {
    if (fs::exists(path)) return;
    std::printf("making %s ...\n", path.string().c_str());
    std::fflush(stdout);
    const fs::path partial = path.string() + ".part";
    {
        FileOut out(partial);
        TapeWriter w(out, options);
        w.Block(Vol1Label("BENCH1"));
        std::uint32_t seq = 1;
        std::uint64_t seed = 1;
        for (const FilePlan& f : files) {
            TapeDataset ds{f.Dsn, cards ? "FB" : "U", cards ? 80u : 0u, f.Block, {}};
            const std::uint64_t blocks = (f.Bytes + f.Block - 1) / f.Block;
            w.Block(Label1("HDR1", ds, "BENCH1", seq, 0));
            w.Block(Label2("HDR2", ds));
            w.Tapemark();
            for (std::uint64_t k = 0; k < blocks; ++k) {
                const auto n = static_cast<std::size_t>(
                    std::min<std::uint64_t>(f.Block, f.Bytes - k * f.Block));
                w.Block(cards ? CardData(n, static_cast<std::uint32_t>(seed++))
                              : Varied(n, seed++));
            }
            w.Tapemark();
            w.Block(Label1("EOF1", ds, "BENCH1", seq, blocks));
            w.Block(Label2("EOF2", ds));
            w.Tapemark();
            ++seq;
        }
        w.Tapemark();
    }
    fs::rename(partial, path);
}

double Seconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of three runs of each, taken in turns so that both meet the same
// state of the machine; prepare(true) runs untimed before each of ours,
// prepare(false) before each of theirs.
std::pair<double, double> BestOfEach(
    const std::function<void()>& ours, const std::function<void()>& theirs,
    const std::function<void(bool)>& prepare = [](bool) {}) {
    double a = 1e300, b = 1e300;
    for (int k = 0; k < 3; ++k) {
        prepare(true);
        a = std::min(a, Seconds(ours));
        prepare(false);
        b = std::min(b, Seconds(theirs));
    }
    return {a, b};
}

std::shared_ptr<TapeImage> Open(const fs::path& path) {
    auto source = FileSource::Open(path);
    if (!source) {
        std::fprintf(stderr, "%s\n", source.Err().Message.c_str());
        std::exit(1);
    }
    auto tape = TapeImage::Open(std::move(source.Value()));
    if (!tape) {
        std::fprintf(stderr, "%s\n", tape.Err().Message.c_str());
        std::exit(1);
    }
    return tape.Value();
}

void Row(const char* what, double ours, const char* other, double theirs, double target) {
    std::printf("%-44s %8.3f s   %-28s %8.3f s   ratio %.2f (target <= %.2f) %s\n", what, ours,
                other, theirs, ours / theirs, target, ours / theirs <= target ? "ok" : "MISSED");
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-tape-bench DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::create_directories(dir);
    const fs::path aws = dir / "bench.aws";
    const fs::path het = dir / "bench.het";
    Generate(aws,
             {{"BENCH.FILE1", 256 * kMiB, 32760},
              {"BENCH.FILE2", 512 * kMiB, 65535},
              {"BENCH.FILE3", 128 * kMiB, 32760},
              {"BENCH.FILE4", 128 * kMiB - 4 * 1024, 65535}},
             {}, false);
    Generate(het,
             {{"BENCH.CARDS1", 256 * kMiB, 32760},
              {"BENCH.CARDS2", 1024 * kMiB, 32760},
              {"BENCH.CARDS3", 512 * kMiB, 32760},
              {"BENCH.CARDS4", 256 * kMiB, 32760}},
             {TapePacking::Zlib, 65535, false}, true);
    std::printf("AWS tape %.1f MiB, HET tape %.1f MiB\n", fs::file_size(aws) / double(kMiB),
                fs::file_size(het) / double(kMiB));

    const std::string quotedAws = "'" + aws.string() + "'";
    std::system(("cat " + quotedAws + " > /dev/null").c_str());  // warm the page cache
    std::size_t listed = 0, blocks = 0;
    const auto [open, cat] = BestOfEach(
        [&] {
            auto tape = Open(aws);
            if (!tape->Measure()) std::exit(1);
            std::string listing;
            for (const TapeFileInfo& f : tape->Info().Files) {
                listing += std::to_string(f.Number) + " " + f.Dsn + " " + f.Recfm + " " +
                           std::to_string(f.Blocks) + " " + std::to_string(f.Bytes) + "\n";
                blocks += f.Blocks;
            }
            listed = listing.size();
        },
        [&] { std::system(("cat " + quotedAws + " > /dev/null").c_str()); });
    std::printf("listing: %zu characters, %zu data blocks a run\n", listed, blocks / 3);
    Row("open + Measure + list, AWS 1 GiB", open, "cat > /dev/null", cat, 1.5);

    auto tape = Open(het);
    std::size_t largest = 0;
    for (std::size_t k = 0; k < tape->Info().Files.size(); ++k)
        if (tape->Info().Files[k].Blocks > tape->Info().Files[largest].Blocks) largest = k;
    const fs::path out = dir / "copy.out";
    const std::string quotedHet = "'" + het.string() + "'";
    std::system(("cat " + quotedHet + " > /dev/null").c_str());
    const fs::path theirs = dir / "hetget.out";
    const bool haveHetget = fs::exists("/usr/bin/hetget");
    const std::string command = "/usr/bin/hetget " + quotedHet + " '" + theirs.string() + "' " +
                                std::to_string(*tape->Info().Files[largest].Sequence) +
                                " > /dev/null 2>&1";
    const auto [copy, hetget] = BestOfEach(
        [&] {
            std::FILE* f = std::fopen(out.string().c_str(), "wb");
            if (!f) std::exit(1);
            std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
            auto done = tape->CopyFile(largest, [&](const std::uint8_t* p, std::size_t n) {
                return std::fwrite(p, 1, n, f) == n;
            });
            std::fclose(f);
            if (!done) {
                std::fprintf(stderr, "%s\n", done.Err().Message.c_str());
                std::exit(1);
            }
        },
        [&] {
            if (haveHetget) std::system(command.c_str());
        },
        [&](bool ours) { fs::remove(ours ? out : theirs); });
    std::printf("CopyFile wrote %.1f MiB (file %zu, %llu blocks)\n",
                fs::file_size(out) / double(kMiB), largest + 1,
                static_cast<unsigned long long>(tape->Info().Files[largest].Blocks));
    if (!haveHetget) {
        std::printf("hetget absent (/usr/bin/hetget): the copy row against Hercules is skipped\n");
        return 0;
    }
    const bool same =
        std::system(("cmp -s '" + out.string() + "' '" + theirs.string() + "'").c_str()) == 0;
    std::printf("hetget output %s CopyFile's\n", same ? "is byte for byte" : "DIFFERS from");
    Row("CopyFile of the largest HET file", copy, "hetget HET OUT N", hetget, 1.0);
    fs::remove(out);
    fs::remove(theirs);
    return 0;
}
