#include "TempDir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <system_error>

namespace corvane::testing {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    // Tests run side by side: a folder another one made is never shared.
    do {
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("corvane-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    } while (!std::filesystem::create_directory(path_));
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path SamplesDir() {
    if (const char* env = std::getenv("CORVANE_SAMPLES")) return env;
    // Whole and normal, so that a Windows build run under Wine passes a
    // path with its drive, not one that starts with a slash.
    std::error_code ec;
    const std::filesystem::path dir =
        std::filesystem::absolute(CORVANE_SAMPLES_DIR, ec).lexically_normal();
    return std::filesystem::exists(dir / "expected.json", ec) ? dir : std::filesystem::path();
}

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace corvane::testing
