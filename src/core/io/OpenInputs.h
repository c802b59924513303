#pragma once

#include <filesystem>

#include "io/Platform.h"

namespace corvane {

// Whether the file at the path (a symlink there not followed) is one that a
// file source of this process has open: such a file is never written.
bool IsOpenInput(const std::filesystem::path& path);
bool IsOpenInput(const platform::FileId& id);
// Every file source enters its file here while it has it open.
void RegisterOpenInput(const platform::FileId& id);
void UnregisterOpenInput(const platform::FileId& id);

}  // namespace corvane
