#include "settings/SettingsFile.h"

#include <algorithm>

#include "io/AtomicWriter.h"
#include "io/ByteSource.h"

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
    // Only a file seen to be read-only says no: one that cannot be looked at
    // just now (another program is replacing it) leaves it to the folder, and
    // the save itself says whether it worked.
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status) &&
        (status.permissions() & std::filesystem::perms::owner_write) ==
            std::filesystem::perms::none) {
        return false;
    }
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

FileRead ReadSettingsFile(const std::filesystem::path& path, std::string& contents,
                          std::size_t limit) {
    contents.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return FileRead::Missing;
    auto file = FileSource::Open(path);
    if (!file) return FileRead::Unreadable;
    return ReadSettingsFrom(*file.Value(), contents, limit);
}

FileRead ReadSettingsFrom(ByteSource& source, std::string& contents, std::size_t limit) {
    contents.clear();
    const std::int64_t size = source.Size();
    if (size < 0) return FileRead::Unreadable;
    contents.resize(std::min(limit, static_cast<std::size_t>(size)));
    std::size_t done = 0;
    while (done < contents.size()) {
        auto got = source.ReadAt(static_cast<std::int64_t>(done), contents.data() + done,
                                 contents.size() - done);
        // Values cut off would be written back as if the user had removed them.
        if (!got || got.Value() == 0) {
            contents.clear();
            return FileRead::Unreadable;
        }
        done += got.Value();
    }
    return FileRead::Read;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& contents) {
    return ReadSettingsFile(path, contents) == FileRead::Read;
}

}  // namespace corvane
