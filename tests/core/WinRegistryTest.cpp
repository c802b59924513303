// The Win32 registry back end (Windows builds; run under Wine on Linux).
#include <gtest/gtest.h>
#include <windows.h>

#include "TempDir.h"
#include "settings/FileTypes.h"
#include "settings/ProgramOptions.h"
#include "settings/WinRegistry.h"
#include "settings/WindowState.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
// A text outside every ANSI code page.
const std::string kWideName = "Ωmega ✓ 日本 Корвейн";
const std::wstring kWideNameW = L"Ωmega ✓ 日本 Корвейн";

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

bool RawKeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A string value read with the Win32 calls themselves.
std::wstring RawString(const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"<no key>";
    wchar_t buf[1024];
    DWORD size = sizeof buf, type = 0;
    LONG rc =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ || size < sizeof(wchar_t)) return L"<no value>";
    return std::wstring(buf, size / sizeof(wchar_t) - 1);
}

std::string UniqueName() {
    return "Corvane-Test-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64());
}

// Every test works below a key of its own, removed afterwards.
class WinRegistryTest : public ::testing::Test {
  protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Widen(Base).c_str()); }
    const std::string Base = "Software\\" + UniqueName();
    WinRegistry Reg{Base};
    TempDir Dir;
};
}  // namespace

TEST_F(WinRegistryTest, TypedValuesAreStoredAsUtf16AndReadBack) {
    {
        auto key = Reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
        ASSERT_TRUE(key);
        key->WriteString("lastFile", "C:\\" + kWideName + ".xmi");
        key->WriteInteger("FormTop", 279);
        key->WriteBool("toolbar", false);
    }
    EXPECT_EQ(RawString(Widen(Base + "\\" + kStatusKey), L"lastFile"),
              L"C:\\" + kWideNameW + L".xmi");
    auto key = Reg.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadString("lastFile"), "C:\\" + kWideName + ".xmi");
    EXPECT_EQ(key->ReadInteger("FormTop"), 279u);
    EXPECT_FALSE(key->ReadBool("toolbar"));
    EXPECT_TRUE(key->ValueExists("FormTop"));
    EXPECT_FALSE(key->ValueExists("FormLeft"));
    EXPECT_EQ(key->ReadString("FormLeft"), "");
    EXPECT_THROW(key->ReadString("FormTop"), RegistryError);
    EXPECT_THROW(key->ReadInteger("lastFile"), RegistryError);
    EXPECT_THROW(key->ReadInteger("FormLeft"), RegistryError);
    EXPECT_FALSE(Reg.OpenKey(RegRoot::CurrentUser, "Software\\Corvane\\None", false, false));
}

TEST_F(WinRegistryTest, WindowStateAndOptionsLiveUnderTheStatusKey) {
    IniFile ini(Dir / "Options.ini");
    WindowState state;
    EXPECT_EQ(ReadWindowState(Reg, ini, state), "");
    state.FormLeft = 12;
    WriteWindowState(Reg, ini, state, "D:\\" + kWideName + "\\a.xmi", "");
    WindowState again;
    EXPECT_EQ(ReadWindowState(Reg, ini, again), "");
    EXPECT_EQ(again.FormLeft, 12);
    EXPECT_EQ(again.lastFile, "D:\\" + kWideName + "\\a.xmi");

    OptionStore store(Reg, ini, kStatusKey,
                      {"C:\\" + kWideName + "\\UnZipped", "C:\\" + kWideName + "\\Xmits"});
    ProgramOptions options;
    ExtensionBoxes boxes;
    store.InitialLoad(options, boxes);
    EXPECT_FALSE(options.UsingIniFile);
    const std::wstring status = Widen(Base + "\\" + kStatusKey);
    EXPECT_EQ(RawString(status, L"TextExt"), L".txt");
    EXPECT_EQ(RawString(status, L"ZipDir"), L"C:\\" + kWideNameW + L"\\UnZipped");
    EXPECT_FALSE(std::filesystem::exists(ini.Path()));
}

TEST_F(WinRegistryTest, FileTypesGoToTheUsersClassesKey) {
    RegistryFileTypes types(Reg, std::filesystem::path(L"C:\\" + kWideNameW + L"\\corvane.exe"));
    for (const char* ext : kExtensions) ASSERT_TRUE(types.RegisterExtension(ext)) << ext;
    EXPECT_EQ(types.ReadRegisteredExtensions(), (ExtensionBoxes{true, true, true, true}));
    const std::wstring classes = Widen(Base) + L"\\Software\\Classes\\";
    EXPECT_EQ(RawString(classes + L".xmit", L""), L"Corvane");
    EXPECT_EQ(RawString(classes + L"Corvane\\shell\\open\\command", L""),
              L"\"C:\\" + kWideNameW + L"\\corvane.exe\" \"%1\" ");
    EXPECT_EQ(RawString(classes + L"Corvane\\DefaultIcon", L""),
              L"C:\\" + kWideNameW + L"\\xmitfile.ico");

    ASSERT_TRUE(types.UnregisterExtension("xm"));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, classes + L".xm"));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, classes + L".xmi"));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, classes + L"Corvane"));
    EXPECT_FALSE(types.ReadRegisteredExtensions().xm);
}

TEST(WinRegistry, TheRealStoreWritesTheUsersOwnKeys) {
    // Throwaway key names, so nothing of the user's is touched.
    const std::string name = UniqueName();
    WinRegistry reg;
    ASSERT_TRUE(reg.OpenKey(RegRoot::ClassesRoot, name, true, true));
    ASSERT_TRUE(reg.OpenKey(RegRoot::CurrentUser, "Software\\" + name, true, true));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\" + Widen(name)));
    EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\" + Widen(name)));
    EXPECT_TRUE(reg.DeleteKeyTree(RegRoot::ClassesRoot, name));
    EXPECT_TRUE(reg.DeleteKeyTree(RegRoot::CurrentUser, "Software\\" + name));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\" + Widen(name)));
    EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, L"Software\\" + Widen(name)));
    EXPECT_TRUE(reg.DeleteKeyTree(RegRoot::ClassesRoot, name));  // missing: no error
}
