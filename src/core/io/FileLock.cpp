#include "io/FileLock.h"

#include <cerrno>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace corvane {

namespace {
constexpr std::chrono::milliseconds kRetry{5};
constexpr std::chrono::seconds kPatience{10};  // as long as a settings save may take
}  // namespace

FileLock::FileLock(const std::filesystem::path& file) {
    std::filesystem::path lockFile = file;
    lockFile += ".lock";
    std::error_code ec;
    if (lockFile.has_parent_path()) std::filesystem::create_directories(lockFile.parent_path(), ec);
    const auto until = std::chrono::steady_clock::now() + kPatience;
#ifdef _WIN32
    HANDLE h = CreateFileW(lockFile.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    handle_ = h;
    for (;;) {
        OVERLAPPED at = {};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            held_ = true;
            return;
        }
        if (std::chrono::steady_clock::now() >= until) return;
        std::this_thread::sleep_for(kRetry);
    }
#else
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) return;
        if (std::chrono::steady_clock::now() >= until) return;
        std::this_thread::sleep_for(kRetry);
    }
#endif
}

FileLock::~FileLock() {
#ifdef _WIN32
    if (!handle_) return;
    if (held_) {
        OVERLAPPED at = {};
        UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
    }
    CloseHandle(static_cast<HANDLE>(handle_));
#else
    if (fd_ < 0) return;
    if (held_) ::flock(fd_, LOCK_UN);
    ::close(fd_);
#endif
}

}  // namespace corvane
