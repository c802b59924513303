#pragma once

#include <string>

#include "settings/IniFile.h"
#include "settings/RegistryStore.h"

namespace corvane {

inline constexpr char kStatusKey[] = "Software\\Corvane\\Status";

// The main window's remembered state.
struct WindowState {
    std::string lastFile;
    int FormTop = 279;
    int FormLeft = 299;  // the window's own design-time position
    int FormWidth = 570;
    int FormHeight = 313;
    int TabWidth = 193;
    bool toolbar = true;
};

// Reads the state at start-up: the registry first, value by value in order
// (each read value applies at once); at the first failing read the rest
// comes from the INI file's "status" section with its defaults. Returns the
// status-bar message, or empty text.
std::string ReadWindowState(RegistryStore& registry, const IniFile& ini, WindowState& state);
void ReadStatusIni(const IniFile& ini, WindowState& state);

// Writes the state at exit; lastFile is xmitPath when a path was chosen
// during the run, else the recentPath read at start-up. A refused registry
// write puts all seven values into the INI file instead.
void WriteWindowState(RegistryStore& registry, IniFile& ini, WindowState state,
                      const std::string& xmitPath, const std::string& recentPath);
bool WriteStatusIni(IniFile& ini, const WindowState& state);

}  // namespace corvane
