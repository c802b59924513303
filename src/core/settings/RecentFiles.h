#pragma once

#include <string>
#include <vector>

#include "settings/RegistryStore.h"

namespace corvane {

// The files opened last, newest first, kept apart from lastFile: one text
// value per place, "1" to "8", under their own key.
inline constexpr char kRecentFilesKey[] = "Software\\Corvane\\RecentFiles";
inline constexpr std::size_t kMaxRecentFiles = 8;

// The list as stored; empty when nothing is stored or it cannot be read.
std::vector<std::string> ReadRecentFiles(RegistryStore& registry);
// False when the store refused the write.
bool WriteRecentFiles(RegistryStore& registry, const std::vector<std::string>& files);
// The list with path first, once, cut to kMaxRecentFiles.
std::vector<std::string> WithRecentFile(std::vector<std::string> files, const std::string& path);
std::vector<std::string> WithoutRecentFile(std::vector<std::string> files, const std::string& path);

}  // namespace corvane
