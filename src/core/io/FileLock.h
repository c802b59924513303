#pragma once

#include <chrono>
#include <filesystem>

namespace corvane {

// An advisory lock held on a lock file for as long as the object lives:
// programs that take the same lock before they change a file take turns.
// The lock file itself stays; the lock goes with the process that held it,
// so one that crashed leaves nothing to clear.
class FileLock {
  public:
    // Waits up to patience for the lock; Held() says whether it was won.
    FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return held_; }

  private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
};

}  // namespace corvane
