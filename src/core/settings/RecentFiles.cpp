#include "settings/RecentFiles.h"

#include <algorithm>

namespace corvane {

std::vector<std::string> ReadRecentFiles(RegistryStore& registry) {
    std::vector<std::string> files;
    auto key = registry.OpenKey(RegRoot::CurrentUser, kRecentFilesKey, false, false);
    if (!key) return files;
    for (std::size_t k = 1; k <= kMaxRecentFiles; ++k) {
        try {
            const std::string path = key->ReadString(std::to_string(k));
            if (!path.empty() && std::find(files.begin(), files.end(), path) == files.end()) {
                files.push_back(path);
            }
        } catch (const RegistryError&) {
            // A value of another type holds no path.
        }
    }
    return files;
}

bool WriteRecentFiles(RegistryStore& registry, const std::vector<std::string>& files) {
    auto key = registry.OpenKey(RegRoot::CurrentUser, kRecentFilesKey, true, true);
    if (!key) return false;
    try {
        for (std::size_t k = 1; k <= kMaxRecentFiles; ++k) {
            key->WriteString(std::to_string(k), k <= files.size() ? files[k - 1] : std::string());
        }
    } catch (const RegistryError&) {
        return false;
    }
    return true;
}

std::vector<std::string> WithRecentFile(std::vector<std::string> files, const std::string& path) {
    files = WithoutRecentFile(std::move(files), path);
    files.insert(files.begin(), path);
    if (files.size() > kMaxRecentFiles) files.resize(kMaxRecentFiles);
    return files;
}

std::vector<std::string> WithoutRecentFile(std::vector<std::string> files,
                                           const std::string& path) {
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    return files;
}

}  // namespace corvane
