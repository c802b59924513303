#include "settings/WindowState.h"

namespace corvane {

WindowState::WindowState() {
    kStatusSettings.ApplyDefaults(*this, DefaultFolders{}, false);
}

void ReadStatusIni(const IniFile& ini, WindowState& state) {
    kStatusSettings.ReadIni(ini, state, DefaultFolders{});
}

std::string ReadWindowState(RegistryStore& registry, const IniFile& ini, WindowState& state) {
    // A first start has nothing saved: the INI file's values, and no word
    // of a failure that did not happen.
    const bool saved = registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false) != nullptr;
    auto key = registry.OpenKey(RegRoot::CurrentUser, kStatusKey, true, false);
    if (!key) return {};  // the design-time values stay
    kStatusSettings.ReadRegistryExtras(*key, state);
    try {
        kStatusSettings.ReadRegistry(*key, state, DefaultFolders{});
    } catch (const RegistryError&) {
        ReadStatusIni(ini, state);
        if (!saved) return {};
        return "Registry info could not be read. Ini file values used.";
    }
    return {};
}

bool WriteStatusIni(IniFile& ini, const WindowState& state) {
    return kStatusSettings.WriteIni(ini, state);
}

void WriteWindowState(RegistryStore& registry, IniFile& ini, WindowState state,
                      const std::string& xmitPath, const std::string& recentPath) {
    state.lastFile = xmitPath.empty() ? recentPath : xmitPath;
    auto key = registry.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    if (!key) return;  // nothing is saved
    try {
        kStatusSettings.WriteRegistry(*key, state);
    } catch (const RegistryError&) {
        WriteStatusIni(ini, state);
    }
    kStatusSettings.WriteRegistryExtras(*key, state);
}

}  // namespace corvane
