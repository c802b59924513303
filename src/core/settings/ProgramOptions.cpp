#include "settings/ProgramOptions.h"

#include <filesystem>

#include "text/CodePage.h"

namespace corvane {

namespace {
// A stored code page that is not offered reads as the program's table.
void KeepOfferedPage(ProgramOptions& options) {
    if (!CodePage::Find(options.CodePage)) options.CodePage = CodePage::kCorvaneTable;
}
}  // namespace

ProgramOptions::ProgramOptions() {
    kOptionSettings.ApplyDefaults(*this, DefaultFolders{}, false);
}

bool& ExtensionBoxes::Box(const std::string& ext) {
    if (ext == "xmi") return xmi;
    if (ext == "xmt") return xmt;
    if (ext == "xmit") return xmit;
    return xm;
}

std::string OptionStore::DefaultZipDir() const {
    return defaults_.ZipDir;
}
std::string OptionStore::DefaultOpenDir() const {
    return defaults_.OpenDir;
}

void OptionStore::InitialLoad(ProgramOptions& options, ExtensionBoxes& boxes) {
    options.UsingIniFile = false;
    LoadOptionsFromRegistry(options);
    InitialiseOptionStore(options, boxes);
}

void OptionStore::LoadOptionsFromRegistry(ProgramOptions& options) {
    auto key = registry_.OpenKey(RegRoot::CurrentUser, keyPath_, false, true);
    if (!key) return;
    std::vector<const char*> damaged;
    try {
        kOptionSettings.ReadRegistry(*key, options, defaults_, &damaged);
    } catch (const RegistryError&) {
        // Reading stops here; the options not yet read keep their values.
    }
    // A damaged value has its default now, and is stored so, so that it
    // does not stop the reading the next time.
    for (const char* name : damaged) {
        try {
            kOptionSettings.WriteRow(*key, options, name);
        } catch (const RegistryError&) {
        }
    }
    KeepOfferedPage(options);
}

void OptionStore::LoadOptionsFromIni(ProgramOptions& options) {
    kOptionSettings.ReadIni(ini_, options, defaults_);
    KeepOfferedPage(options);
}

void OptionStore::InitialiseOptionStore(ProgramOptions& options, ExtensionBoxes& boxes) {
    auto key = registry_.OpenKey(RegRoot::CurrentUser, keyPath_, false, true);
    if (!key) {
        SaveOptionsToRegistry(options, true);
        return;
    }
    const bool hasEngDate = key->ValueExists(kOptionSettings.KeyOf(&ProgramOptions::engDate));
    const bool hasUseLastDir = key->ValueExists(kOptionSettings.KeyOf(&ProgramOptions::UseLastDir));
    key.reset();
    if (!hasEngDate) {
        ResetOptionsToDefaults(options, boxes);
        SaveOptionsToRegistry(options, true);
    }
    if (!hasUseLastDir) SaveOptionsToRegistry(options, true);
}

void OptionStore::SaveOptionsToRegistry(ProgramOptions& options, bool atStartup) {
    auto key = registry_.OpenKey(RegRoot::CurrentUser, keyPath_, true, true);
    bool refused = !key;  // a key that cannot be opened for writing refuses the write
    if (key) {
        try {
            kOptionSettings.WriteRegistry(*key, options);
        } catch (const RegistryError&) {
            refused = true;
        }
    }
    if (refused) {
        options.UsingIniFile = true;
        if (atStartup) {
            LoadOptionsFromIni(options);
        } else {
            SaveOptionsToIni(options);
        }
    }
}

bool OptionStore::SaveOptionsToIni(const ProgramOptions& options) {
    return kOptionSettings.WriteIni(ini_, options);
}

void OptionStore::Save(ProgramOptions& options) {
    if (options.UsingIniFile) {
        SaveOptionsToIni(options);
    } else {
        SaveOptionsToRegistry(options, false);
    }
}

void OptionStore::Reload(ProgramOptions& options) {
    if (options.UsingIniFile) {
        LoadOptionsFromIni(options);
    } else {
        LoadOptionsFromRegistry(options);
    }
}

void OptionStore::ResetOptionsToDefaults(ProgramOptions& options, ExtensionBoxes& boxes) const {
    kOptionSettings.ApplyDefaults(options, defaults_, true);
    boxes.xmt = true;
    boxes.xmi = true;
    boxes.xmit = false;
    boxes.xm = false;
}

bool OptionStore::StoredDayFirst() {
    const char* name = kOptionSettings.KeyOf(&ProgramOptions::engDate);
    if (const auto stored = registry_.ReadOneInteger(RegRoot::CurrentUser, keyPath_, name)) {
        return *stored != 0;
    }
    return ini_.ReadBool(kOptionSettings.Section, name, ProgramOptions().engDate);
}

std::string OptionStore::ValidateFolders(const ProgramOptions& options, int* which) {
    std::error_code ec;
    if (options.DefaultDir.empty() || !std::filesystem::is_directory(options.DefaultDir, ec)) {
        if (which) *which = 0;
        return "Default Open Directory does not exist.\nUse the browse button to view browse "
               "dialog.";
    }
    if (options.ZipDir.empty() || !std::filesystem::is_directory(options.ZipDir, ec)) {
        if (which) *which = 1;
        return "Zip Directory does not exist.\nUse the browse button to view browse dialog.";
    }
    return {};
}

}  // namespace corvane
