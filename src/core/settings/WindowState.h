#pragma once

#include <string>

#include "settings/IniFile.h"
#include "settings/RegistryStore.h"
#include "settings/SettingsTable.h"

namespace corvane {

inline constexpr char kStatusKey[] = "Software\\Corvane\\Status";

// The main window's remembered state; keys, types and defaults are in
// kStatusSettings, and a new object holds the defaults, which are also the
// window's own design-time bounds.
struct WindowState {
    WindowState();
    std::string lastFile;
    int FormTop;
    int FormLeft;
    int FormWidth;
    int FormHeight;
    int TabWidth;
    bool toolbar;
    bool FormMaximized;
};

// The stored state, one line each, in the order it is read and written.
inline constexpr Setting<WindowState> kStatusRows[] = {
    // key, field, default, place in the registry read (, where kept)
    {"lastFile", &WindowState::lastFile, "", 1},
    {"FormTop", &WindowState::FormTop, 279, 2},
    {"FormLeft", &WindowState::FormLeft, 248, 3},
    {"FormWidth", &WindowState::FormWidth, 570, 4},
    {"FormHeight", &WindowState::FormHeight, 313, 5},
    {"TabWidth", &WindowState::TabWidth, 193, 6},
    {"toolbar", &WindowState::toolbar, true, 7},
    {"FormMaximized", &WindowState::FormMaximized, false, 8, Storage::RegistryOnly},
};
// In the registry key kStatusKey, and section "status" of the INI file.
inline constexpr SettingsTable<WindowState> kStatusSettings{"status", kStatusRows};

// Reads the state at start-up: the registry first, value by value in order
// (each read value applies at once); at the first failing read the rest
// comes from the INI file's "status" section with its defaults. Returns the
// status-bar message, or empty text. FormMaximized is read where the key
// holds it.
std::string ReadWindowState(RegistryStore& registry, const IniFile& ini, WindowState& state);
void ReadStatusIni(const IniFile& ini, WindowState& state);

// Writes the state at exit; lastFile is xmitPath when a path was chosen
// during the run, else the recentPath read at start-up. A refused registry
// write puts all seven values into the INI file instead; FormMaximized is
// kept in the registry alone.
void WriteWindowState(RegistryStore& registry, IniFile& ini, WindowState state,
                      const std::string& xmitPath, const std::string& recentPath);
bool WriteStatusIni(IniFile& ini, const WindowState& state);

}  // namespace corvane
