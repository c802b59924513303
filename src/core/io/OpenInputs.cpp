#include "io/OpenInputs.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace corvane {

namespace {
// The files open for reading in this process, which no output may replace.
std::mutex inputsLock;
std::vector<platform::FileId>& OpenInputs() {
    static std::vector<platform::FileId> inputs;
    return inputs;
}
}  // namespace

bool IsOpenInput(const std::filesystem::path& path) {
    platform::FileId id;
    return platform::IdOfPath(path, id) && IsOpenInput(id);
}

void RegisterOpenInput(const platform::FileId& id) {
    std::lock_guard<std::mutex> hold(inputsLock);
    OpenInputs().push_back(id);
}

void UnregisterOpenInput(const platform::FileId& id) {
    std::lock_guard<std::mutex> hold(inputsLock);
    auto& inputs = OpenInputs();
    auto it = std::find(inputs.begin(), inputs.end(), id);
    if (it != inputs.end()) inputs.erase(it);
}

bool IsOpenInput(const platform::FileId& id) {
    std::lock_guard<std::mutex> hold(inputsLock);
    const auto& inputs = OpenInputs();
    return std::find(inputs.begin(), inputs.end(), id) != inputs.end();
}

}  // namespace corvane
