#include "io/Platform.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <cerrno>
#include <cstring>

namespace corvane::platform {

std::FILE* OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfsopen(path.c_str(), L"rb", _SH_DENYNO);
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

std::FILE* OpenRegularForReading(const std::filesystem::path& path, std::string& why) {
#ifdef _WIN32
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) {
        why = ec.message();
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        why = "is a folder, not a file";
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(status)) {
        why = "is not a regular file";
        return nullptr;
    }
    std::FILE* f = OpenForReading(path);
    if (!f) why = std::strerror(errno);
    return f;
#else
    // O_NONBLOCK keeps a FIFO from blocking the open; the type is then
    // checked on the open file itself.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        why = S_ISDIR(st.st_mode) ? "is a folder, not a file" : "is not a regular file";
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        why = std::strerror(errno);
        ::close(fd);
    }
    return f;
#endif
}

std::int64_t FileSize(std::FILE* file) {
    if (!SeekTo(file, 0)) return -1;
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    std::int64_t size = _ftelli64(file);
#else
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    std::int64_t size = ftello(file);
#endif
    SeekTo(file, 0);
    return size;
}

bool SeekTo(std::FILE* file, std::int64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::FILE* OpenExclusiveForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfsopen(path.c_str(), L"r+b", _SH_DENYRW);
#else
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) return nullptr;
    if (flock(fileno(f), LOCK_EX | LOCK_NB) != 0) {
        std::fclose(f);
        return nullptr;
    }
    return f;
#endif
}

bool Truncate(std::FILE* file, std::int64_t length) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _chsize_s(_fileno(file), length) == 0;
#else
    return ftruncate(fileno(file), static_cast<off_t>(length)) == 0;
#endif
}

}  // namespace corvane::platform
