#pragma once

#include <string>
#include <vector>

#include "nested/XmitPath.h"

namespace corvane::repair {

// Opens a path as OpenXmitPath does; a file (not a path into one) that a
// transfer changed is read as it was when that is known exactly, and
// note then says in one sentence what was undone (also padding after the
// end of a file that opened as it stands). When the open fails and a
// transfer changed the file in a way that cannot be undone exactly, note
// says that instead. codePage at or above 0 is the
// only code page a text-mode transfer is taken to have used.
Result<OpenedXmit> OpenRepairedPath(const std::string& path, const ParseOptions& options,
                                    std::vector<std::string>* headerDump, int codePage,
                                    std::string& note);

}  // namespace corvane::repair
