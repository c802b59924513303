#include "settings/WindowState.h"

namespace corvane {

namespace {
constexpr char kSection[] = "status";
}

void ReadStatusIni(const IniFile& ini, WindowState& state) {
    state.lastFile = ini.ReadString(kSection, "lastFile", "");
    state.FormTop = ini.ReadInteger(kSection, "FormTop", 279);
    state.FormLeft = ini.ReadInteger(kSection, "FormLeft", 248);
    state.FormWidth = ini.ReadInteger(kSection, "FormWidth", 570);
    state.FormHeight = ini.ReadInteger(kSection, "FormHeight", 313);
    state.TabWidth = ini.ReadInteger(kSection, "TabWidth", 193);
    state.toolbar = ini.ReadBool(kSection, "toolbar", true);
}

std::string ReadWindowState(RegistryStore& registry, const IniFile& ini, WindowState& state) {
    auto key = registry.OpenKey(RegRoot::CurrentUser, kStatusKey, true, false);
    if (!key) return {};  // the design-time values stay
    try {
        state.lastFile = key->ReadString("lastFile");
        state.FormTop = static_cast<int>(key->ReadInteger("FormTop"));
        state.FormLeft = static_cast<int>(key->ReadInteger("FormLeft"));
        state.FormWidth = static_cast<int>(key->ReadInteger("FormWidth"));
        state.FormHeight = static_cast<int>(key->ReadInteger("FormHeight"));
        state.TabWidth = static_cast<int>(key->ReadInteger("TabWidth"));
        state.toolbar = key->ReadBool("toolbar");
    } catch (const RegistryError&) {
        ReadStatusIni(ini, state);
        return "Registry info could not be read. Ini file values used.";
    }
    return {};
}

bool WriteStatusIni(IniFile& ini, const WindowState& state) {
    return ini.WriteString(kSection, "lastFile", state.lastFile) &&
           ini.WriteInteger(kSection, "FormTop", state.FormTop) &&
           ini.WriteInteger(kSection, "FormLeft", state.FormLeft) &&
           ini.WriteInteger(kSection, "FormWidth", state.FormWidth) &&
           ini.WriteInteger(kSection, "FormHeight", state.FormHeight) &&
           ini.WriteInteger(kSection, "TabWidth", state.TabWidth) &&
           ini.WriteBool(kSection, "toolbar", state.toolbar);
}

void WriteWindowState(RegistryStore& registry, IniFile& ini, WindowState state,
                      const std::string& xmitPath, const std::string& recentPath) {
    state.lastFile = xmitPath.empty() ? recentPath : xmitPath;
    auto key = registry.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    if (!key) return;  // nothing is saved
    try {
        key->WriteString("lastFile", state.lastFile);
        key->WriteInteger("FormTop", static_cast<std::uint32_t>(state.FormTop));
        key->WriteInteger("FormLeft", static_cast<std::uint32_t>(state.FormLeft));
        key->WriteInteger("FormWidth", static_cast<std::uint32_t>(state.FormWidth));
        key->WriteInteger("FormHeight", static_cast<std::uint32_t>(state.FormHeight));
        key->WriteInteger("TabWidth", static_cast<std::uint32_t>(state.TabWidth));
        key->WriteBool("toolbar", state.toolbar);
    } catch (const RegistryError&) {
        WriteStatusIni(ini, state);
    }
}

}  // namespace corvane
