#pragma once

#include <array>
#include <string>

#include "settings/IniFile.h"
#include "settings/RegistryStore.h"
#include "settings/SettingsTable.h"

namespace corvane {

// The user's options; their keys, types and defaults are in kOptionSettings.
// A new object holds the defaults, with the folders empty until known.
struct ProgramOptions {
    ProgramOptions();
    bool engDate;  // day first ("dd/mm/yyyy")
    bool promptType;
    std::string BinaryExt;
    std::string TextExt;
    std::string ZipDir;
    bool AutoZip;
    std::string DefaultDir;
    bool UseLastDir;
    // The EBCDIC code page of text; 0 is the program's own table. A stored
    // number that is not offered loads as 0.
    int CodePage;
    bool UsingIniFile = false;  // the registry refused a write during this run (not stored)
};

// The stored options, one line each, in the order they are written.
inline constexpr Setting<ProgramOptions> kOptionRows[] = {
    // key, field, default, place in the registry read (, where kept, set by Defaults)
    {"engDate", &ProgramOptions::engDate, true, 3},
    {"promptType", &ProgramOptions::promptType, false, 4},
    {"BinaryExt", &ProgramOptions::BinaryExt, ".bin", 5},
    {"TextExt", &ProgramOptions::TextExt, ".txt", 6},
    {"ZipDir", &ProgramOptions::ZipDir, FolderDefault::Zip, 2},
    {"AutoZip", &ProgramOptions::AutoZip, true, 1, Storage::Both, /*SetByDefaults=*/false},
    {"DefaultDir", &ProgramOptions::DefaultDir, FolderDefault::Open, 7},
    {"UseLastDir", &ProgramOptions::UseLastDir, true, 8},
    // Read last: a key written before code pages were offered lacks it, and
    // the read stops only after the other options.
    {"CodePage", &ProgramOptions::CodePage, 0, 9},
};
// In the registry key of the window state, and section "options" of the INI file.
inline constexpr SettingsTable<ProgramOptions> kOptionSettings{"options", kOptionRows};

// The INI file of the options, in the program's folder.
inline constexpr char kOptionsIniName[] = "Options.ini";

// The four registered-extension boxes of the options dialog.
struct ExtensionBoxes {
    bool xmi = false, xmt = false, xmit = false, xm = false;
    bool& Box(const std::string& ext);
    bool operator==(const ExtensionBoxes&) const = default;
};
inline constexpr std::array<const char*, 4> kExtensions = {"xmi", "xmt", "xmit", "xm"};

// Loads, saves and validates the options: the registry key of the window
// state first, "Options.ini" in the program's folder as the fallback.
class OptionStore {
  public:
    OptionStore(RegistryStore& registry, IniFile& ini, std::string keyPath, DefaultFolders defaults)
        : registry_(registry),
          ini_(ini),
          keyPath_(std::move(keyPath)),
          defaults_(std::move(defaults)) {}

    // Start-up: load from the registry, then make sure the key holds options.
    void InitialLoad(ProgramOptions& options, ExtensionBoxes& boxes);
    void LoadOptionsFromRegistry(ProgramOptions& options);
    void LoadOptionsFromIni(ProgramOptions& options);
    void InitialiseOptionStore(ProgramOptions& options, ExtensionBoxes& boxes);
    // atStartup: after a refused write, load from the INI file; otherwise save to it.
    void SaveOptionsToRegistry(ProgramOptions& options, bool atStartup);
    bool SaveOptionsToIni(const ProgramOptions& options);
    // Saves to the store in use (OK in the dialog).
    void Save(ProgramOptions& options);
    // Reloads from the store in use (showing the dialog).
    void Reload(ProgramOptions& options);
    void ResetOptionsToDefaults(ProgramOptions& options, ExtensionBoxes& boxes) const;
    // Whether dates read day first, for a program that needs no other
    // option: that value alone is read, from the registry key, else the INI
    // file, else its default.
    bool StoredDayFirst();

    // The OK check of the two folders: empty text when both exist, else the
    // message; which tells the field (0 default folder, 1 unzip folder).
    static std::string ValidateFolders(const ProgramOptions& options, int* which);

    std::string DefaultZipDir() const;
    std::string DefaultOpenDir() const;

  private:
    RegistryStore& registry_;
    IniFile& ini_;
    std::string keyPath_;
    DefaultFolders defaults_;
};

}  // namespace corvane
