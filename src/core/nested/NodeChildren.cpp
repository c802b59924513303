#include "nested/NodeChildren.h"

#include <algorithm>

#include "container/SequentialData.h"
#include "container/TapeContents.h"
#include "io/OutputName.h"
#include "present/Presenter.h"
#include "tape/TapeImage.h"
#include "zip/ZipReader.h"

namespace corvane {

Content SniffZipEntry(const ZipReader& zip, const ZipDirEntry& entry) {
    const std::string& name = entry.FileName;
    if (entry.Encrypted || name.empty() || name.back() == '\\' || name.back() == '/') {
        return Content::Unknown;
    }
    std::vector<std::uint8_t> head;
    const auto read = zip.Unpack(
        entry,
        [&](const std::uint8_t* data, std::size_t n) {
            head.insert(head.end(), data, data + std::min(n, kSniffBytes - head.size()));
            return head.size() < kSniffBytes;
        },
        kSniffBytes);
    if (!read) return Content::Unknown;
    return SniffContent(head.data(), head.size());
}

std::string ZipEntryStep(const ZipDirEntry& entry) {
    return PathStep(EntryPathName(entry.FileName));
}

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
    if (node.Kind == NodeKind::Zip) {
        if (!node.Zip) return children;
        const auto& entries = node.Zip->Entries();
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const Content what = SniffZipEntry(*node.Zip, entries[k]);
            if (what == Content::Unknown) continue;
            children.push_back({ZipEntryStep(entries[k]),
                                DisplayName(EntryPathName(entries[k].FileName)), k, what});
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
        if (!m.HoldsXmit && m.Holds == Content::Unknown) continue;
        const std::string name = present::TrimmedName(m.Name);
        children.push_back(
            {PathStep(name), DisplayName(name), k, m.HoldsXmit ? Content::Xmit : m.Holds});
    }
    return children;
}

}  // namespace corvane
