#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "container/XmitFraming.h"
#include "decode/XmitParser.h"
#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane {

// How a raw IEBCOPY unload lies in its file.
struct UnloadFacts {
    bool Blocks = false;           // blocks with BDW and SDWs, as a tape carries it; else RDWs only
    std::size_t Copyr1Length = 0;  // 52 (MVS 3.8) or 56 bytes
    std::uint64_t Records = 0;     // logical records, spanned ones joined
};

// Whether the first bytes start an unload: a descriptor, or a block and a
// segment descriptor, then COPYR1's mark. blocks tells which form.
bool LooksLikeUnload(const std::uint8_t* head, std::size_t n, bool* blocks = nullptr);

// A raw unload as the same decoder reads a partitioned transmission: its
// records are framed as one, and the parse of that is the library.
struct OpenedUnload {
    std::unique_ptr<ByteSource> Framed;
    XmitInfo Info;
    UnloadFacts Facts;
};
Result<OpenedUnload> OpenUnload(std::unique_ptr<ByteSource> source, const ParseOptions& options,
                                std::vector<std::string>* headerDump = nullptr);

}  // namespace corvane
