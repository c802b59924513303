#pragma once

#include <array>
#include <string>

#include "settings/IniFile.h"
#include "settings/RegistryStore.h"

namespace corvane {

// The user's options. The initial values are those the options dialog holds
// before anything is loaded.
struct ProgramOptions {
    bool engDate = false;  // day first ("dd/mm/yyyy")
    bool promptType = false;
    std::string BinaryExt = ".bin";
    std::string TextExt = ".txt";
    std::string ZipDir;
    bool AutoZip = true;
    std::string DefaultDir;
    bool UseLastDir = true;
    bool UsingIniFile = false;  // the registry refused a write during this run
};

// The four registered-extension boxes of the options dialog.
struct ExtensionBoxes {
    bool xmi = false, xmt = false, xmit = false, xm = false;
    bool& Box(const std::string& ext);
    bool operator==(const ExtensionBoxes&) const = default;
};
inline constexpr std::array<const char*, 4> kExtensions = {"xmi", "xmt", "xmit", "xm"};

// The folders a first run stores: per-user places, never the program's own
// folder, which is read-only once installed.
struct DefaultFolders {
    std::string ZipDir;   // unpacked archive entries and job files
    std::string OpenDir;  // where the open dialog starts
};

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
