#include "extract/ExistingFile.h"

#include "io/AtomicWriter.h"
#include "io/OpenInputs.h"

namespace corvane {

TargetAction ActionFor(const std::filesystem::path& target, bool replace) {
    if (!PathPresent(target)) return TargetAction::Write;
    if (IsOpenInput(target)) return TargetAction::NeverWritten;
    return replace ? TargetAction::Write : TargetAction::Skip;
}

}  // namespace corvane
