// corvane-terse-bench [SAMPLES] WORKDIR: unpacks the TERSE files of the
// samples folder (default ../shared/samples/containers) again and again until
// at least 100 MB came out, and times it next to gzip -d of the same output
// compressed with gzip -6. The unpacking is to stay within 2 times gzip -d,
// in at most 32 MiB resident.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Measure.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "terse/TerseSource.h"

using namespace corvane;
using namespace corvane::bench;
using namespace corvane::testing;
namespace fs = std::filesystem;

namespace {
constexpr std::int64_t kTotal = 100'000'000;

// Unpacks every file once, reading its output in 64 KiB pieces; to is given
// the bytes when set.
std::int64_t UnpackAll(const std::vector<Bytes>& files, std::FILE* to) {
    std::int64_t total = 0;
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (const Bytes& file : files) {
        auto s = TerseSource::Open(std::make_unique<MemorySource>(file), "bench");
        if (!s) {
            std::fprintf(stderr, "unpack failed: %s\n", s.Err().Message.c_str());
            std::exit(1);
        }
        for (std::int64_t at = 0; at < s.Value()->Size();) {
            auto got = s.Value()->ReadAt(at, buffer.data(), buffer.size());
            if (!got || got.Value() == 0) std::exit(1);
            if (to) std::fwrite(buffer.data(), 1, got.Value(), to);
            at += static_cast<std::int64_t>(got.Value());
        }
        total += s.Value()->Size();
    }
    return total;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvane-terse-bench [SAMPLES] WORKDIR\n");
        return 2;
    }
    const fs::path samples = argc > 2 ? fs::path(argv[1]) : SamplesDir() / "containers";
    const fs::path work = argv[argc - 1];
    fs::create_directories(work);
    std::vector<Bytes> files;
    for (const auto& entry : fs::directory_iterator(samples)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".PACK") || name.ends_with(".SPACK"))
            files.push_back(ReadFile(entry.path()));
    }
    if (files.empty()) {
        std::fprintf(stderr, "no TERSE files in %s\n", samples.string().c_str());
        return 2;
    }
    // The same output once more, into a file for gzip.
    const fs::path plain = work / "terse-output";
    std::FILE* out = std::fopen(plain.string().c_str(), "wb");
    std::int64_t written = 0;
    while (written < kTotal) written += UnpackAll(files, out);
    std::fclose(out);
    const std::string gz = (work / "terse-output.gz").string();
    if (std::system(("gzip -6 -c '" + plain.string() + "' > '" + gz + "'").c_str()) != 0) return 1;
    fs::remove(plain);

    double best = 1e9, bestGzip = 1e9;
    std::int64_t bytes = 0;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        bytes = 0;
        while (bytes < kTotal) bytes += UnpackAll(files, nullptr);
        best = std::min(best, Seconds(start));
        const auto gzipStart = std::chrono::steady_clock::now();
        if (std::system(("gzip -d -c '" + gz + "' > /dev/null").c_str()) != 0) return 1;
        bestGzip = std::min(bestGzip, Seconds(gzipStart));
    }
    const long peak = PeakResidentKiB();
    std::printf(
        "TERSE unpack %.1f MB: %.3f s (%.0f MB/s); gzip -d of the same: %.3f s; "
        "ratio %.2f (target 2.00); peak resident %.1f MiB (target 32)\n",
        static_cast<double>(bytes) / 1e6, best, static_cast<double>(bytes) / 1e6 / best, bestGzip,
        best / bestGzip, static_cast<double>(peak) / 1024.0);
    fs::remove(gz);
    return 0;
}
