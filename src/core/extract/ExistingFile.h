#pragma once

#include <filesystem>

namespace corvane {

// What an extraction does with a target that may already be there.
enum class TargetAction {
    Write,         // nothing is there, or the user lets it be replaced
    Skip,          // something is there and replacing is off
    NeverWritten,  // the target is a file being read: it is never replaced
};

// The one rule every front end follows before it writes an extracted file:
// an existing file (a symlink or a dangling one included) is replaced only
// when replace is on, and the file being read never.
TargetAction ActionFor(const std::filesystem::path& target, bool replace);

}  // namespace corvane
