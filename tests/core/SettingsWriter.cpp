// corvane-settings-writer FOLDER NAME COUNT: writes the values NAME0 ...
// NAME<COUNT-1>, one save each, into the settings store in FOLDER and into
// FOLDER/Options.ini, keeping one key open throughout as the program does. Two
// of these at once show whether one program's saves lose the other's.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/IniFile.h"
#include "settings/RegFileRegistry.h"

using namespace corvane;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: corvane-settings-writer FOLDER NAME COUNT\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::string name = argv[2];
    const int count = std::atoi(argv[3]);
    RegFileRegistry registry(folder);
    IniFile ini(folder / "Options.ini");
    auto key = registry.OpenKey(RegRoot::CurrentUser, "Software\\Corvane\\Race", true, true);
    if (!key) return 1;
    try {
        for (int i = 0; i < count; ++i) {
            key->WriteInteger(name + std::to_string(i), static_cast<std::uint32_t>(i));
            if (!ini.WriteInteger("race", name + std::to_string(i), i)) return 1;
        }
    } catch (const RegistryError&) {
        return 1;
    }
    return 0;
}
