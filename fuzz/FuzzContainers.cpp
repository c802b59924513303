// Opens arbitrary bytes from memory as whatever their content says (an XMIT
// file, a raw IEBCOPY unload, a tape image, a TERSE file) and reads what it
// holds: the first files of a tape, the members of a library (at most 8),
// the sequential dataset; the last byte picks binary or text reads.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "extract/MemberReader.h"
#include "nested/XmitPath.h"
#include "ports/Progress.h"
#include "tape/TapeImage.h"

using namespace corvane;

namespace {
void ReadNode(OpenedXmit& node, bool text) {
    if (node.Kind == NodeKind::Tape || !node.Source) return;
    MemberReader reader(*node.Source, node.Info);
    NullProgress progress;
    std::vector<std::uint8_t> out;
    ReadRequest request;
    request.Form = text ? ReadForm::Text : ReadForm::Binary;
    request.Bytes = &out;
    if (!node.Info.Partitioned) {
        if (node.Info.DataStart > 0) (void)reader.Read(request, progress);
        return;
    }
    std::size_t k = 0;
    for (const MemberEntry& m : node.Info.Members) {
        if (k++ == 8) break;
        request.Member = &m;
        (void)reader.Read(request, progress);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool text = data[size - 1] & 1;
    const std::vector<std::uint8_t> bytes(data, data + size - 1);
    // A TERSE bomb unpacks to hundreds of MiB from 64 KiB; the decoder's
    // own target looks at that. Here 8 KiB is plenty for what the TERSE
    // seeds hold (a small library) to be opened.
    ParseOptions options;
    options.UnpackLimit = 8 << 10;
    auto node = OpenNodeFrom(std::make_unique<MemorySource>(bytes), "fuzz", {}, options);
    if (!node) return 0;
    ReadNode(node.Value(), text);
    if (node->Kind != NodeKind::Tape) return 0;
    const std::size_t files = std::min<std::size_t>(2, node->Tape->Info().Files.size());
    for (std::size_t i = 0; i < files; ++i) {
        auto file = OpenNodeFrom(std::make_unique<MemorySource>(bytes), "fuzz",
                                 {std::to_string(i + 1)}, options);
        if (file) ReadNode(file.Value(), text);
    }
    return 0;
}
