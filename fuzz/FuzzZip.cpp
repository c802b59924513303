// Reads arbitrary bytes as a zip archive from memory and unpacks every entry
// there, bounded as an entry opened inside an archive is.
#include <cstdint>
#include <memory>
#include <vector>

#include "io/ByteSource.h"
#include "zip/ZipReader.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> warnings;
    auto zip = ZipReader::Open(
        std::make_unique<MemorySource>(std::vector<std::uint8_t>(data, data + size)), &warnings);
    if (!zip) return 0;
    for (const ZipDirEntry& e : zip->Entries()) {
        auto bytes = zip->ReadEntry(e, std::int64_t{16} << 20);  // a zip bomb stops here
        if (bytes && bytes->size() != static_cast<std::size_t>(e.UncompressedSize))
            __builtin_trap();
    }
    return 0;
}
