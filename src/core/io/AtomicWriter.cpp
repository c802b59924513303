#include "io/AtomicWriter.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <random>

#include "io/OpenInputs.h"
#include "io/Platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace corvane {

namespace {
std::string RandomHex() {
    static std::mutex lock;
    static std::mt19937_64 generator = [] {
        std::random_device device;
        const auto now =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::seed_seq seed{device(), device(), static_cast<unsigned>(now),
                           static_cast<unsigned>(now >> 32)};
        return std::mt19937_64(seed);
    }();
    std::uint64_t value;
    {
        std::lock_guard<std::mutex> hold(lock);
        value = generator();
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text(16, '0');
    for (char& c : text) {
        c = kHex[value & 0x0F];
        value >>= 4;
    }
    return text;
}

// The temporary file's name: the target's name (when short) and a random part.
std::filesystem::path TempName(const std::filesystem::path& target) {
    std::filesystem::path name = target.filename();
    if (name.native().size() > 64 || name.empty()) name = "corvane";
    name += "." + RandomHex() + ".corvane-part";
    return target.parent_path() / name;
}

#ifdef _WIN32
int CreateExclusive(const std::filesystem::path& path) {
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _SH_DENYRW, _S_IREAD | _S_IWRITE) != 0) {
        return -1;
    }
    return fd;
}
bool WriteAll(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        const unsigned chunk = n > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n);
        const int done = _write(fd, p, chunk);
        if (done <= 0) return false;
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}
bool Resize(int fd, std::int64_t length) {
    return _chsize_s(fd, length) == 0;
}
bool Flush(int fd) {
    return _commit(fd) == 0;
}
bool CloseFd(int fd) {
    return _close(fd) == 0;
}
bool MoveInPlace(const std::filesystem::path& from, const std::filesystem::path& to, bool replace,
                 bool durable, bool& existed) {
    DWORD flags =
        (replace ? MOVEFILE_REPLACE_EXISTING : 0) | (durable ? MOVEFILE_WRITE_THROUGH : 0);
    // Replacing a file that another program has open for a moment (a second
    // copy of this one reading its settings, a virus scanner, an indexer) is
    // refused while it is open: try again for a short while before failing.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    DWORD error = 0;
    for (;;) {
        if (MoveFileExW(from.c_str(), to.c_str(), flags)) return true;
        error = GetLastError();
        const bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        if (!replace || !busy || std::chrono::steady_clock::now() >= until) break;
        Sleep(10);
    }
    existed = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    return false;
}
void SyncFolder(const std::filesystem::path&) {}
#else
int CreateExclusive(const std::filesystem::path& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}
bool WriteAll(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t done = write(fd, p, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}
bool Resize(int fd, std::int64_t length) {
    return ftruncate(fd, static_cast<off_t>(length)) == 0;
}
bool Flush(int fd) {
    return fsync(fd) == 0;
}
bool CloseFd(int fd) {
    return close(fd) == 0;
}
bool MoveInPlace(const std::filesystem::path& from, const std::filesystem::path& to, bool replace,
                 bool, bool& existed) {
    if (replace) return rename(from.c_str(), to.c_str()) == 0;
    // link() fails when anything, a dangling symlink included, has the name.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST || PathPresent(to)) {
        existed = true;
        return false;
    }
    // A file system without hard links.
    return rename(from.c_str(), to.c_str()) == 0;
}
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}
#endif
}  // namespace

bool PathPresent(const std::filesystem::path& path) {
    std::error_code ec;
    const auto type = std::filesystem::symlink_status(path, ec).type();
    return type != std::filesystem::file_type::not_found &&
           type != std::filesystem::file_type::none;
}

std::filesystem::path SymlinkDestination(const std::filesystem::path& path) {
    std::filesystem::path at = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, ec))) break;
        const std::filesystem::path next = std::filesystem::read_symlink(at, ec);
        if (ec) break;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return at;
}

AtomicWriter::Status AtomicWriter::Create(const std::filesystem::path& target,
                                          const AtomicWriteOptions& options,
                                          std::unique_ptr<AtomicWriter>& out) {
    out.reset();
    const std::filesystem::path place =
        options.ThroughSymlinks ? SymlinkDestination(target) : target;
    platform::FileId id;
    if (platform::IdOfPath(place, id)) {  // something is there, a symlink included
        if (IsOpenInput(id)) return Status::IsOpenInput;
        if (!options.Replace) return Status::Exists;
        if (platform::HeldOrReadOnly(place)) return Status::Held;
    }
    for (int attempt = 0; attempt < 64; ++attempt) {
        const std::filesystem::path temp = TempName(place);
        const int fd = CreateExclusive(temp);
        if (fd >= 0) {
            out.reset(new AtomicWriter(fd, place, temp, options));
            return Status::Ok;
        }
        if (errno != EEXIST) break;
    }
    return Status::CannotCreate;
}

AtomicWriter::AtomicWriter(int fd, std::filesystem::path target, std::filesystem::path temp,
                           AtomicWriteOptions options)
    : fd_(fd), target_(std::move(target)), temp_(std::move(temp)), options_(options) {}

AtomicWriter::~AtomicWriter() {
    Discard();
}

bool AtomicWriter::Write(const void* data, std::size_t n) {
    if (fd_ < 0 || failed_) return false;
    if (!WriteAll(fd_, static_cast<const unsigned char*>(data), n)) failed_ = true;
    return !failed_;
}

bool AtomicWriter::SetLength(std::int64_t length) {
    if (fd_ < 0 || failed_) return false;
    if (!Resize(fd_, length)) failed_ = true;
    return !failed_;
}

bool AtomicWriter::Close() {
    if (fd_ < 0) return !failed_;
    if (options_.Durable && !failed_ && !Flush(fd_)) failed_ = true;
    if (!CloseFd(fd_)) failed_ = true;
    fd_ = -1;
    return !failed_;
}

AtomicWriter::Status AtomicWriter::Commit() {
    if (temp_.empty()) return Status::WriteFailed;
    Status status = Status::Ok;
    bool existed = false;
    if (!Close()) {
        status = Status::WriteFailed;
    } else if (!MoveInPlace(temp_, target_, options_.Replace, options_.Durable, existed)) {
        status = existed ? Status::Exists : Status::CannotReplace;
    }
    if (status != Status::Ok) {
        Discard();
        return status;
    }
    if (options_.Durable) SyncFolder(target_.parent_path());
    temp_.clear();
    return status;
}

void AtomicWriter::Discard() {
    Close();
    if (temp_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
    temp_.clear();
}

AtomicWriter::Status CreateWithFolder(const std::filesystem::path& target,
                                      const AtomicWriteOptions& options,
                                      std::unique_ptr<AtomicWriter>& out) {
    std::error_code ec;
    const std::filesystem::path place =
        options.ThroughSymlinks ? SymlinkDestination(target) : target;
    if (!place.parent_path().empty()) std::filesystem::create_directories(place.parent_path(), ec);
    return AtomicWriter::Create(target, options, out);
}

AtomicWriter::Status WriteFileAtomically(const std::filesystem::path& target,
                                         std::string_view contents,
                                         const AtomicWriteOptions& options) {
    std::unique_ptr<AtomicWriter> writer;
    AtomicWriter::Status status = CreateWithFolder(target, options, writer);
    if (status != AtomicWriter::Status::Ok) return status;
    if (!writer->Write(contents.data(), contents.size())) {
        writer->Discard();
        return AtomicWriter::Status::WriteFailed;
    }
    return writer->Commit();
}

std::string AtomicWriteText(AtomicWriter::Status status, const std::filesystem::path& path) {
    const std::string name = PathToUtf8(path);
    switch (status) {
        case AtomicWriter::Status::Ok:
            return {};
        case AtomicWriter::Status::Exists:
            return name + " exists; it was not replaced";
        case AtomicWriter::Status::IsOpenInput:
            return name + " is the file being read; it is never written";
        case AtomicWriter::Status::Held:
            return "Cannot open file " + name;
        case AtomicWriter::Status::CannotCreate:
            return "Cannot create file " + name;
        case AtomicWriter::Status::WriteFailed:
            return "Stream write error";
        case AtomicWriter::Status::CannotReplace:
            return name + " could not be put in place";
    }
    return {};
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace corvane
