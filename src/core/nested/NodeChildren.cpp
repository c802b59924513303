#include "nested/NodeChildren.h"

#include "container/SequentialData.h"
#include "container/TapeContents.h"
#include "io/OutputName.h"
#include "present/Presenter.h"
#include "tape/TapeImage.h"

namespace corvane {

std::vector<NodeChild> NodeChildren(const OpenedXmit& node) {
    std::vector<NodeChild> children;
    if (node.Kind == NodeKind::Tape) {
        if (!node.Tape) return children;
        const TapeInfo& tape = node.Tape->Info();
        for (std::size_t k = 0; k < tape.Files.size(); ++k) {
            const auto content = SniffTapeFile(*node.Tape, k);
            children.push_back({std::to_string(k + 1),
                                std::to_string(tape.Files[k].Number) + " " +
                                    DisplayName(TapeFileName(tape.Files[k])),
                                k, content ? content.Value() : Content::Unknown});
        }
        return children;
    }
    const XmitInfo& info = node.Info;
    if (!info.Partitioned) {
        if (!info.DataHoldsXmit) return children;
        const std::string path = NestedPath(std::string(), info, nullptr);
        const std::string part = path.substr(1);  // past the "!"
        children.push_back({part, DisplayName(part == kDatasetPart ? node.Name : part), 0});
        return children;
    }
    for (std::size_t k = 0; k < info.Members.size(); ++k) {
        const MemberEntry& m = info.Members[k];
        if (!m.HoldsXmit) continue;
        const std::string name = present::TrimmedName(m.Name);
        children.push_back({DisplayName(name), DisplayName(name), k});
    }
    return children;
}

}  // namespace corvane
