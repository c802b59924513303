#include "settings/AtomicFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace corvane {

namespace {
bool OwnerWritable(const std::filesystem::path& p) {
    std::error_code ec;
    auto perms = std::filesystem::status(p, ec).permissions();
    return !ec && (perms & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
}
}  // namespace

bool CanWriteFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !OwnerWritable(path)) return false;
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    while (!std::filesystem::exists(folder, ec)) {
        if (!folder.has_parent_path() || folder.parent_path() == folder) return false;
        folder = folder.parent_path();
    }
    return std::filesystem::is_directory(folder, ec) && OwnerWritable(folder);
}

bool WriteFileAtomically(const std::filesystem::path& path, const std::string& contents) {
    std::error_code ec;
    if (!path.parent_path().empty()) std::filesystem::create_directories(path.parent_path(), ec);
    const std::filesystem::path temp = path.string() + ".tmp";
    {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
        ok = std::fflush(f) == 0 && ok;
        ok = std::fclose(f) == 0 && ok;
        if (!ok) {
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    contents = text.str();
    return true;
}

}  // namespace corvane
