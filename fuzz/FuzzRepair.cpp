// Looks at arbitrary bytes as a file a transfer may have changed: whatever
// the undoing gives, a result said to be exact is an XMIT file whose
// segments run to the closing record, and the repair a stretch at a time
// gives what the whole repair gives.
#include <cstdint>
#include <vector>

#include "io/ByteSource.h"
#include "repair/StreamedRepair.h"
#include "repair/TransferRepair.h"
#include "text/CodePage.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The last byte picks the code page a text-mode copy is taken to have:
    // one page for most values, so that each input takes the undoing once,
    // and for a few any page, as a file opened without one is looked at
    // (every page tried, and pages that disagree told apart).
    static const std::vector<int> numbers = CodePage::Numbers();
    const unsigned pick = size > 0 ? data[size - 1] : 0;
    const int page = pick < 32 ? -1 : numbers[pick % numbers.size()];
    const std::vector<std::uint8_t> file(data, data + size);
    const repair::Repair r = repair::RepairTransfer(file, page);
    if (r.Result == repair::Repair::Outcome::Exact) {
        std::int64_t broken = -1;
        if (repair::SegmentChainEnd(r.Bytes.data(), r.Bytes.size(), broken) < 0) __builtin_trap();
        if (r.Bytes.size() % 80 != 0) __builtin_trap();
    }
    std::vector<std::uint8_t> out;
    const repair::CardOutput sink = repair::MemoryOutput(out);
    MemorySource source(file);
    auto streamed = repair::RepairCardsStreamed(source, page, sink, 1 + pick % 5);
    if (!streamed) __builtin_trap();
    if (streamed.Value()) {
        if (streamed.Value()->What.Result != r.Result) __builtin_trap();
        if (streamed.Value()->What.Sentence != r.Sentence) __builtin_trap();
        if (out != r.Bytes) __builtin_trap();
    }
    return 0;
}
