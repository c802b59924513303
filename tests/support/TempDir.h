#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvane::testing {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// The names of the files in a folder, temporary ones included, sorted.
std::vector<std::string> FileNames(const std::filesystem::path& dir);

// The folder of real sample files, or an empty path when it is absent.
std::filesystem::path SamplesDir();

}  // namespace corvane::testing
