// Reads arbitrary bytes as an AWS or HET tape image from memory: opens it,
// measures it and reads every data file through its byte source and by
// streaming, a bounded amount each.
#include <cstdint>
#include <memory>
#include <vector>

#include "io/ByteSource.h"
#include "tape/TapeImage.h"

using namespace corvane;

namespace {
constexpr std::int64_t kBudget = std::int64_t{1} << 20;  // bytes read per way, per input
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)LooksLikeTape(data, size);
    auto tape = TapeImage::Open(
        std::make_unique<MemorySource>(std::vector<std::uint8_t>(data, data + size)));
    if (!tape) return 0;
    TapeImage& t = *tape.Value();
    const bool measured = t.Measure().Ok();
    std::int64_t budget = kBudget;
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (std::size_t k = 0; k < t.Info().Files.size() && budget > 0; ++k) {
        auto source = t.OpenFile(k);
        if (!source) continue;
        if (measured && source.Value()->Size() != t.Info().Files[k].Bytes) __builtin_trap();
        for (std::int64_t at = 0; at < source.Value()->Size() && budget > 0;) {
            auto got = source.Value()->ReadAt(at, buffer.data(), buffer.size());
            if (!got || got.Value() == 0) break;
            at += static_cast<std::int64_t>(got.Value());
            budget -= static_cast<std::int64_t>(got.Value());
        }
        (void)t.BlockLengths(k);
    }
    budget = kBudget;
    for (std::size_t k = 0; k < t.Info().Files.size() && budget > 0; ++k) {
        std::int64_t copied = 0;
        auto done = t.CopyFile(k, [&](const std::uint8_t*, std::size_t n) {
            copied += static_cast<std::int64_t>(n);
            budget -= static_cast<std::int64_t>(n);
            return budget > 0;
        });
        if (done && budget > 0 && measured && copied != t.Info().Files[k].Bytes) __builtin_trap();
    }
    return 0;
}
