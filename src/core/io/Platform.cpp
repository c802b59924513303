#include "io/Platform.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// windows.h comes after the other headers: shellapi.h needs it.
#include <shellapi.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <cerrno>
#include <cstring>

namespace corvane::platform {

namespace {
const char* KindText(std::filesystem::file_type type) {
    switch (type) {
        case std::filesystem::file_type::directory:
            return "is a folder, not a file";
        case std::filesystem::file_type::fifo:
            return "is a pipe (FIFO), not a file";
        case std::filesystem::file_type::socket:
            return "is a socket, not a file";
        case std::filesystem::file_type::block:
        case std::filesystem::file_type::character:
            return "is a device, not a file";
        default:
            return "is not a regular file";
    }
}
}  // namespace

#ifdef _WIN32

std::FILE* OpenForReading(const std::filesystem::path& path, std::string* error) {
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (!ec && type != std::filesystem::file_type::regular) {
        if (error) *error = KindText(type);
        return nullptr;
    }
    std::FILE* f = _wfsopen(path.c_str(), L"rb", _SH_DENYNO);
    if (!f && error) *error = std::strerror(errno);
    return f;
}

std::int64_t FileSize(std::FILE* file) {
    if (!SeekTo(file, 0)) return -1;
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    std::int64_t size = _ftelli64(file);
    SeekTo(file, 0);
    return size;
}

bool SeekTo(std::FILE* file, std::int64_t offset) {
    return _fseeki64(file, offset, SEEK_SET) == 0;
}

namespace {
bool IdOfHandle(HANDLE h, FileId& id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) return false;
    id.Device = info.dwVolumeSerialNumber;
    id.Index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}
}  // namespace

bool IdOfOpenFile(std::FILE* file, FileId& id) {
    return IdOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))), id);
}

bool IdOfPath(const std::filesystem::path& path, FileId& id) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = IdOfHandle(h, id);
    CloseHandle(h);
    return ok;
}

bool HeldOrReadOnly(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::regular) {
        return false;
    }
    // Opened for writing, sharing everything: only a holder that denies
    // writers, or a read-only file, refuses. A holder of a moment (another
    // program looking at the file) is waited for briefly.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return false;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
        if (error != ERROR_SHARING_VIOLATION || std::chrono::steady_clock::now() >= until) {
            return true;
        }
        Sleep(10);
    }
}

#else

std::FILE* OpenForReading(const std::filesystem::path& path, std::string* error) {
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) {
            *error = S_ISDIR(st.st_mode)    ? KindText(std::filesystem::file_type::directory)
                     : S_ISFIFO(st.st_mode) ? KindText(std::filesystem::file_type::fifo)
                     : S_ISSOCK(st.st_mode) ? KindText(std::filesystem::file_type::socket)
                     : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)
                         ? KindText(std::filesystem::file_type::character)
                         : KindText(std::filesystem::file_type::unknown);
        }
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = fdopen(fd, "rb");
    if (!f) {
        if (error) *error = std::strerror(errno);
        close(fd);
    }
    return f;
}

std::int64_t FileSize(std::FILE* file) {
    if (!SeekTo(file, 0)) return -1;
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    std::int64_t size = ftello(file);
    SeekTo(file, 0);
    return size;
}

bool SeekTo(std::FILE* file, std::int64_t offset) {
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool IdOfOpenFile(std::FILE* file, FileId& id) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return false;
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool IdOfPath(const std::filesystem::path& path, FileId& id) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return false;
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

bool HeldOrReadOnly(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // Gone, a symlink or not a file at all: the rename decides.
        return errno == EACCES || errno == EPERM || errno == ETXTBSY || errno == EROFS;
    }
    struct stat st;
    bool held = false;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return held;
}

#endif

std::FILE* CreateForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

#ifdef _WIN32
std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), size);
    return result;
}
#endif

std::filesystem::path ProgramFolder() {
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) {
            name.resize(n);
            break;
        }
        if (name.size() >= 32768) return {};
        name.resize(name.size() * 2);
    }
    return std::filesystem::path(name).parent_path();
#else
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
#endif
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        std::vector<std::string> args;
        for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

void UseBinaryStandardOutput() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

}  // namespace corvane::platform
