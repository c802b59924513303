#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "io/ByteSource.h"
#include "repair/TransferRepair.h"
#include "util/Result.h"

namespace corvane::repair {

// Where a repair a stretch at a time writes the original bytes.
struct CardOutput {
    std::function<bool(const std::uint8_t*, std::size_t)> Write;
    // What was written is dropped, and writing starts again from the start.
    std::function<bool()> Restart;
    // The output ends at this length.
    std::function<bool(std::int64_t)> Cut;
};

// An output into memory.
inline CardOutput MemoryOutput(std::vector<std::uint8_t>& bytes) {
    return {[&bytes](const std::uint8_t* p, std::size_t n) {
                bytes.insert(bytes.end(), p, p + n);
                return true;
            },
            [&bytes] {
                bytes.clear();
                return true;
            },
            [&bytes](std::int64_t n) {
                bytes.resize(static_cast<std::size_t>(n));
                return true;
            }};
}

// What a repair a stretch at a time found (Bytes left empty: they went to
// the output) and whether the output took them all.
struct StreamedRepair {
    Repair What;
    bool Written = true;
};

// A text-mode copy whose every card is followed by its line end at fixed
// places (no blanks removed) repaired without holding the file: it is read
// once, its cards untranslated into the output as they come, while the
// byte values it holds are noted and its segment chain is walked through
// every page it may have been sent through; only when the page that gives
// the file is not the one written is it read and written again. The result
// is the one RepairTransfer gives for these bytes. Nothing when the file is
// no such copy, or no page gives a file whose segments run to the closing
// record: RepairTransfer says what those are. cardsPerRead sets how much is
// read at a time.
Result<std::optional<StreamedRepair>> RepairCardsStreamed(ByteSource& in, int codePage,
                                                          const CardOutput& out,
                                                          std::size_t cardsPerRead = 16384);

}  // namespace corvane::repair
