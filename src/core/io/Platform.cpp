#include "io/Platform.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace corvane::platform {

std::FILE* OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfsopen(path.c_str(), L"rb", _SH_DENYNO);
#else
    return std::fopen(path.c_str(), "rb");
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
