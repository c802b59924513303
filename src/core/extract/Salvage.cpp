#include "extract/Salvage.h"

#include "io/AtomicWriter.h"

namespace corvane {

std::filesystem::path PartialPath(const std::filesystem::path& path) {
    return path.parent_path() /
           PathFromUtf8(PathToUtf8(path.stem()) + ".partial" + PathToUtf8(path.extension()));
}

Salvaged Salvage(MemberReader& reader, ReadRequest request, Progress& progress,
                 const std::string& shownName) {
    Salvaged s;
    const std::filesystem::path partial = PartialPath(request.OutputFile);
    request.OutputFile = partial;
    request.Partial = &s.Kept;
    request.Blocks = nullptr;
    const auto again = reader.Read(request, progress);
    if (again || s.Kept.Bytes == 0) {
        s.Kept = {};
        s.Sentence = "Nothing of " + shownName + " could be read before the damage";
        return s;
    }
    s.Written = partial;
    s.Sentence = "Salvaged " +
                 (s.Kept.Records >= 0 ? std::to_string(s.Kept.Records) + " records"
                                      : std::to_string(s.Kept.Bytes) + " bytes") +
                 " of " + shownName + " into " + PathToUtf8(partial) +
                 "; the damage starts at offset " + std::to_string(s.Kept.DamageAt);
    return s;
}

}  // namespace corvane
