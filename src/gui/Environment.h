#pragma once

#include <QStringList>
#include <filesystem>

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

    std::filesystem::path ProgramDir() const { return ProgramPath.parent_path(); }
    std::filesystem::path IniPath() const { return ProgramDir() / "Options.ini"; }
};

}  // namespace corvane::gui
