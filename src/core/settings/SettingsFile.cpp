#include "settings/SettingsFile.h"

#include "io/AtomicWriter.h"
#include "io/FileReader.h"

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
    std::filesystem::path folder = SymlinkDestination(path).parent_path();
    if (folder.empty()) folder = ".";
    while (!std::filesystem::exists(folder, ec)) {
        if (!folder.has_parent_path() || folder.parent_path() == folder) return false;
        folder = folder.parent_path();
    }
    return std::filesystem::is_directory(folder, ec) && OwnerWritable(folder);
}

bool SaveSettingsFile(const std::filesystem::path& path, std::string_view contents) {
    AtomicWriteOptions options;
    options.ThroughSymlinks = true;
    options.Durable = true;
    return WriteFileAtomically(path, contents, options) == AtomicWriter::Status::Ok;
}

FileRead ReadSettingsFile(const std::filesystem::path& path, std::string& contents) {
    contents.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return FileRead::Missing;
    std::unique_ptr<FileReader> file = FileReader::Open(path, nullptr);
    if (!file) return FileRead::Unreadable;
    contents.resize(static_cast<std::size_t>(file->Size()));
    contents.resize(file->Read(contents.data(), contents.size()));
    return FileRead::Read;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& contents) {
    return ReadSettingsFile(path, contents) == FileRead::Read;
}

}  // namespace corvane
