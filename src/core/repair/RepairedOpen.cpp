#include "repair/RepairedOpen.h"

#include <memory>

#include "io/AtomicWriter.h"
#include "repair/RepairedFile.h"

namespace corvane::repair {

Result<OpenedXmit> OpenRepairedPath(const std::string& path, const ParseOptions& options,
                                    std::vector<std::string>* headerDump, int codePage,
                                    std::string& note) {
    note.clear();
    auto opened = OpenXmitPath(path, options, headerDump);
    const bool plainFile = SplitXmitPath(path).size() == 1;
    if (opened) {
        if (plainFile && opened->Kind == NodeKind::Xmit) {
            note = PaddingNote(*opened->Source, opened->Info.TrailerEnd);
        }
        return opened;
    }
    const Error::Kind kind = opened.Err().What;
    if (!plainFile || (kind != Error::Kind::NotXmit && kind != Error::Kind::Damaged)) {
        return opened;
    }
    const std::filesystem::path file = PathFromUtf8(path);
    auto repaired = RepairFile(file, codePage);
    if (!repaired || repaired->Result == Repair::Outcome::Sound ||
        repaired->Result == Repair::Outcome::NotXmit) {
        return opened;
    }
    if (repaired->Result == Repair::Outcome::Inexact) {
        // What a transfer did, beside the error; a file broken as it stands
        // has the error alone.
        if (repaired->Changed) note = repaired->Sentence;
        return opened;
    }
    std::vector<std::string> dump;
    auto again = OpenNodeFrom(std::make_unique<MemorySource>(std::move(repaired->Bytes), path),
                              PathToUtf8(file.filename()), {}, options, &dump);
    if (!again) return opened;
    if (headerDump) *headerDump = std::move(dump);
    note = repaired->Sentence;
    return again;
}

}  // namespace corvane::repair
