// Reads arbitrary bytes as a zip archive and unpacks every entry.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "MemoryPorts.h"
#include "Scratch.h"
#include "zip/ZipReader.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto archive = WriteInput("input.zip", data, size);
    const auto dir = ScratchDir();
    MemoryNotifier notifier;
    ZipReader zip(&notifier);
    zip.SetFileName(archive.string());
    std::size_t total = 0;
    for (const ZipDirEntry& e : zip.Entries()) {
        std::string error;
        zip.Unpack(
            e,
            [&](const std::uint8_t*, std::size_t n) {
                total += n;
                return total < (std::size_t{64} << 20);  // bounded: a zip bomb stops here
            },
            &error);
    }
    if (zip.Count() > 0) {
        zip.ExtrBaseDir = (dir / "out").string();
        std::filesystem::create_directories(zip.ExtrBaseDir);
        zip.ExtrOptions.ExtrOverWrite = true;
        zip.FSpecArgs = {zip.Entries().front().FileName};
        if (zip.Entries().front().UncompressedSize < (std::int64_t{16} << 20)) zip.Extract();
    }
    return 0;
}
