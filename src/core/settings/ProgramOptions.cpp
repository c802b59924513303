#include "settings/ProgramOptions.h"

#include <filesystem>

namespace corvane {

namespace {
constexpr char kSection[] = "options";
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
    try {
        options.AutoZip = key->ReadBool("AutoZip");
        options.ZipDir = key->ReadString("ZipDir");
        options.engDate = key->ReadBool("engDate");
        options.promptType = key->ReadBool("promptType");
        options.BinaryExt = key->ReadString("BinaryExt");
        options.TextExt = key->ReadString("TextExt");
        options.DefaultDir = key->ReadString("DefaultDir");
        options.UseLastDir = key->ReadBool("UseLastDir");
    } catch (const RegistryError&) {
        // Reading stops here; the options not yet read keep their values.
    }
}

void OptionStore::LoadOptionsFromIni(ProgramOptions& options) {
    options.AutoZip = ini_.ReadBool(kSection, "AutoZip", true);
    options.ZipDir = ini_.ReadString(kSection, "ZipDir", DefaultZipDir());
    options.DefaultDir = ini_.ReadString(kSection, "DefaultDir", DefaultOpenDir());
    options.UseLastDir = ini_.ReadBool(kSection, "UseLastDir", true);
    options.engDate = ini_.ReadBool(kSection, "engDate", true);
    options.promptType = ini_.ReadBool(kSection, "promptType", false);
    options.BinaryExt = ini_.ReadString(kSection, "BinaryExt", ".bin");
    options.TextExt = ini_.ReadString(kSection, "TextExt", ".txt");
}

void OptionStore::InitialiseOptionStore(ProgramOptions& options, ExtensionBoxes& boxes) {
    auto key = registry_.OpenKey(RegRoot::CurrentUser, keyPath_, false, true);
    if (!key) {
        SaveOptionsToRegistry(options, true);
        return;
    }
    const bool hasEngDate = key->ValueExists("engDate");
    const bool hasUseLastDir = key->ValueExists("UseLastDir");
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
            key->WriteBool("engDate", options.engDate);
            key->WriteBool("promptType", options.promptType);
            key->WriteString("BinaryExt", options.BinaryExt);
            key->WriteString("TextExt", options.TextExt);
            key->WriteString("ZipDir", options.ZipDir);
            key->WriteBool("AutoZip", options.AutoZip);
            key->WriteString("DefaultDir", options.DefaultDir);
            key->WriteBool("UseLastDir", options.UseLastDir);
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
    return ini_.WriteBool(kSection, "engDate", options.engDate) &&
           ini_.WriteBool(kSection, "promptType", options.promptType) &&
           ini_.WriteString(kSection, "BinaryExt", options.BinaryExt) &&
           ini_.WriteString(kSection, "TextExt", options.TextExt) &&
           ini_.WriteString(kSection, "ZipDir", options.ZipDir) &&
           ini_.WriteBool(kSection, "AutoZip", options.AutoZip) &&
           ini_.WriteString(kSection, "DefaultDir", options.DefaultDir) &&
           ini_.WriteBool(kSection, "UseLastDir", options.UseLastDir);
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
    options.engDate = true;
    options.BinaryExt = ".bin";
    options.TextExt = ".txt";
    options.promptType = false;
    boxes.xmt = true;
    boxes.xmi = true;
    boxes.xmit = false;
    boxes.xm = false;
    options.UseLastDir = true;
    options.ZipDir = DefaultZipDir();
    options.DefaultDir = DefaultOpenDir();
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
