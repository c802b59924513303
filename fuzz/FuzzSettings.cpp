// Parses arbitrary text as the registry stand-in file and as an INI file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Scratch.h"
#include "settings/IniFile.h"
#include "settings/RegFileRegistry.h"
#include "settings/WindowState.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RegistryTree tree = RegFileRegistry::Parse(text, RegRoot::CurrentUser);
    const std::string again = RegFileRegistry::Format(tree, RegRoot::CurrentUser);
    RegistryTree reparsed = RegFileRegistry::Parse(again, RegRoot::CurrentUser);
    if (reparsed.size() != tree.size()) __builtin_trap();  // what is written reads back

    const auto path = WriteInput("Options.ini", data, size);
    IniFile ini(path);
    WindowState state;
    ReadStatusIni(ini, state);
    ini.ReadString("options", "ZipDir", "x");
    ini.WriteInteger("status", "FormTop", 5);
    if (ini.ReadInteger("status", "FormTop", 0) != 5) __builtin_trap();
    return 0;
}
