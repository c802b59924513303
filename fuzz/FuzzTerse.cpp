// Unpacks arbitrary bytes as a TERSE file from memory, bounded, and reads its
// output forward and back, which makes the source return to saved states.
#include <cstdint>
#include <memory>
#include <vector>

#include "terse/TerseSource.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Bounded output keeps every input quick: PACK reaches all its turns in
    // a few codes, SPACK needs its 3,838 free slots used up first.
    auto header = ReadTerseHeader(data, size);
    const std::int64_t bound = header && header.Value().Spack ? 8 << 10 : 1 << 10;
    auto source = TerseSource::Open(
        std::make_unique<MemorySource>(std::vector<std::uint8_t>(data, data + size)), "fuzz",
        bound);
    if (!source) return 0;
    TerseSource& s = *source.Value();
    std::vector<std::uint8_t> buffer(4096);
    const std::int64_t size64 = s.Size();
    for (std::int64_t at : {size64 / 2, std::int64_t{0}, size64 - 1, size64 / 3}) {
        if (at < 0) continue;
        auto got = s.ReadAt(at, buffer.data(), buffer.size());
        // What the first decode unpacked reads back the same.
        if (!got) __builtin_trap();
    }
    return 0;
}
