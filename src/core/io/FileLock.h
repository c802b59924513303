#pragma once

#include <filesystem>

namespace corvane {

// An advisory lock that guards a file for as long as the object lives:
// programs that take it before they change the file take turns. It is held
// on "<file>.lock" beside the file (its folder made when missing), which
// stays; the lock goes with the process that held it, so one that crashed
// leaves nothing to clear.
class FileLock {
  public:
    // Waits up to ten seconds for the lock; Held() says whether it was won.
    explicit FileLock(const std::filesystem::path& file);
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
