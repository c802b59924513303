#pragma once

#include <memory>
#include <string>

#include "Environment.h"
#include "settings/IniFile.h"
#include "settings/ProgramOptions.h"

namespace corvane::gui {

// The options of this run: loaded from the settings store at start,
// reloaded before they are edited, saved when an edit is confirmed. The
// windows read them here; the options dialog only edits them.
class LiveOptions {
  public:
    LiveOptions(const Environment& environment, const std::string& keyPath);
    ~LiveOptions();

    const ProgramOptions& Values() const { return values_; }
    // The file-type boxes as the first load found them.
    const ExtensionBoxes& StartBoxes() const { return startBoxes_; }
    // What the store holds now (another program may have changed it).
    void Reload();
    void Save(const ProgramOptions& values);
    const OptionStore& Store() const { return *store_; }

  private:
    std::unique_ptr<IniFile> ini_;
    std::unique_ptr<OptionStore> store_;
    ProgramOptions values_;
    ExtensionBoxes startBoxes_;
};

}  // namespace corvane::gui
