#include "LiveOptions.h"

#include "io/AtomicWriter.h"

namespace corvane::gui {

LiveOptions::LiveOptions(const Environment& env, const std::string& keyPath)
    : ini_(std::make_unique<IniFile>(env.IniPath())) {
    // The registry first, the INI file as the fallback.
    store_ = std::make_unique<OptionStore>(
        *env.Registry, *ini_, keyPath,
        DefaultFolders{PathToUtf8(env.DefaultZipDir()), PathToUtf8(env.DefaultOpenDir())});
    store_->InitialLoad(values_, startBoxes_);
}

LiveOptions::~LiveOptions() = default;

void LiveOptions::Reload() {
    ProgramOptions loaded = values_;
    store_->Reload(loaded);
    values_ = loaded;
}

void LiveOptions::Save(const ProgramOptions& values) {
    values_ = values;
    store_->Save(values_);
}

}  // namespace corvane::gui
