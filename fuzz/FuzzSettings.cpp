// Parses arbitrary text as the registry stand-in file and as an INI file,
// both from memory.
#include <cstdint>
#include <string>

#include "settings/IniFile.h"
#include "settings/ProgramOptions.h"
#include "settings/RegFileRegistry.h"
#include "settings/WindowState.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RegistryTree tree = RegFileRegistry::Parse(text, RegRoot::CurrentUser);
    const std::string again = RegFileRegistry::Format(tree, RegRoot::CurrentUser);
    RegistryTree reparsed = RegFileRegistry::Parse(again, RegRoot::CurrentUser);
    if (reparsed.size() != tree.size()) __builtin_trap();  // what is written reads back

    IniFile ini = IniFile::InMemory(text);
    WindowState state;
    ReadStatusIni(ini, state);
    ProgramOptions options;
    kOptionSettings.ReadIni(ini, options, DefaultFolders{"zip", "open"});
    if (!ini.WriteInteger("status", "FormTop", 5)) __builtin_trap();
    if (ini.ReadInteger("status", "FormTop", 0) != 5) __builtin_trap();  // a write reads back
    return 0;
}
