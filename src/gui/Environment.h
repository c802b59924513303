#pragma once

#include <QStringList>
#include <filesystem>

#include "settings/ProgramOptions.h"

namespace corvane {
class RegistryStore;
class FileTypes;
}  // namespace corvane

namespace corvane::gui {

class DialogService;

// What the windows take from the system: dialogs and shell, the settings
// store, the file-type registration, and where the program lives.
struct Environment {
    DialogService* Dialogs = nullptr;
    RegistryStore* Registry = nullptr;
    FileTypes* Types = nullptr;
    std::filesystem::path ProgramPath;
    QStringList Arguments;  // command-line arguments after the program's name
    // The per-user default folders; when empty, the platform's standard
    // places (see DefaultZipDir and DefaultOpenDir).
    std::filesystem::path ZipFolder, OpenFolder;

    std::filesystem::path ProgramDir() const { return ProgramPath.parent_path(); }
    std::filesystem::path IniPath() const { return ProgramDir() / kOptionsIniName; }
    // Unpacked archive entries and job files: the program's folder in the
    // user's data folder ("UnZipped" in it).
    std::filesystem::path DefaultZipDir() const;
    // Where opening starts: the user's documents folder, or home without one.
    std::filesystem::path DefaultOpenDir() const;
};

}  // namespace corvane::gui
