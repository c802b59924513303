#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <set>
#include <thread>

#include "MemoryRegistry.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "settings/FileTypes.h"
#include "settings/RegFileRegistry.h"
#include "settings/SettingsFile.h"
#include "settings/WindowState.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
std::string Text(const std::filesystem::path& p) {
    std::string s;
    ReadWholeFile(p, s);
    return s;
}

void MakeReadOnly(const std::filesystem::path& p) {
    std::filesystem::permissions(p,
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
}
}  // namespace

TEST(RegFileRegistry, TypedValuesSurviveAReload) {
    TempDir dir;
    {
        RegFileRegistry reg(dir.Path());
        auto key = reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
        ASSERT_TRUE(key);
        key->WriteInteger("FormTop", 279);
        key->WriteString("lastFile", "C:\\x \"y\".xmi");
        key->WriteBool("toolbar", false);
    }
    const std::string file = Text(dir / "HKEY_CURRENT_USER.reg");
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Corvane\\Status]"), std::string::npos);
    EXPECT_NE(file.find("\"FormTop\"=dword:00000117"), std::string::npos);
    EXPECT_NE(file.find("\"lastFile\"=\"C:\\\\x \\\"y\\\".xmi\""), std::string::npos);

    RegFileRegistry again(dir.Path());
    auto key = again.OpenKey(RegRoot::CurrentUser, "software\\corvane\\STATUS", false, false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadInteger("formtop"), 279u);
    EXPECT_EQ(key->ReadString("lastFile"), "C:\\x \"y\".xmi");
    EXPECT_FALSE(key->ReadBool("toolbar"));
    EXPECT_EQ(key->ReadString("missing"), "");
    EXPECT_THROW(key->ReadInteger("missing"), RegistryError);
    EXPECT_THROW(key->ReadInteger("lastFile"), RegistryError);  // a string, not a number
    EXPECT_THROW(key->ReadString("FormTop"), RegistryError);
    EXPECT_FALSE(again.OpenKey(RegRoot::CurrentUser, "Software\\Nobody", false, false));
}

TEST(RegFileRegistry, ReadOnlyFileRefusesWritesAndStaysWhole) {
    TempDir dir;
    RegFileRegistry reg(dir.Path());
    reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true)->WriteInteger("FormTop", 1);
    const std::string before = Text(dir / "HKEY_CURRENT_USER.reg");
    MakeReadOnly(dir / "HKEY_CURRENT_USER.reg");
    EXPECT_FALSE(reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true));
    auto key = reg.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    ASSERT_TRUE(key);
    EXPECT_THROW(key->WriteInteger("FormTop", 2), RegistryError);
    EXPECT_EQ(Text(dir / "HKEY_CURRENT_USER.reg"), before);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        if (e.path().extension() == ".lock") continue;            // the lock file stays
        EXPECT_EQ(e.path().filename(), "HKEY_CURRENT_USER.reg");  // no temporary file left
    }
}

TEST(RegFileRegistry, DeleteKeyTreeTakesSubkeysAndNothingElse) {
    TempDir dir;
    RegFileRegistry reg(dir.Path());
    reg.OpenKey(RegRoot::ClassesRoot, ".xmi", true, true)->WriteString("", "Corvane");
    reg.OpenKey(RegRoot::ClassesRoot, ".xmi\\OpenWithList\\x", true, true)->WriteString("", "y");
    reg.OpenKey(RegRoot::ClassesRoot, ".xmit", true, true)->WriteString("", "Other");
    EXPECT_TRUE(reg.DeleteKeyTree(RegRoot::ClassesRoot, ".xmi"));
    EXPECT_FALSE(reg.OpenKey(RegRoot::ClassesRoot, ".xmi", false, false));
    EXPECT_FALSE(reg.OpenKey(RegRoot::ClassesRoot, ".xmi\\OpenWithList\\x", false, false));
    EXPECT_TRUE(reg.OpenKey(RegRoot::ClassesRoot, ".xmit", false, false));
    EXPECT_TRUE(reg.DeleteKeyTree(RegRoot::ClassesRoot, ".nothing"));
}

TEST(RegFileRegistry, ParserSkipsWhatItDoesNotKnow) {
    auto tree = RegFileRegistry::Parse(
        "junk\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:1\n[HKEY_CURRENT_USER\\K]\n\"n\"=dword:zz\n"
        "\"h\"=hex:01,02\n\"s\"=\"v\n\"ok\"=dword:0000000a\n@=\"d\"\n",
        RegRoot::CurrentUser);
    ASSERT_EQ(tree.size(), 1u);
    const auto& values = tree.begin()->second.Values;
    EXPECT_EQ(values.size(), 5u);
    EXPECT_EQ(values.at("ok").Number, 10u);
    EXPECT_EQ(values.at("").Text, "d");
    for (const char* damaged : {"n", "h", "s"})  // known by name, their data lost
        EXPECT_EQ(values.at(damaged).Kind, RegistryValue::Type::Damaged) << damaged;
}

TEST(RegFileRegistry, ADamagedFileIsKeptAsBadBeforeItIsWrittenOver) {
    const std::string good =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Corvane\\Status]\r\n"
        "\"UseLastDir\"=dword:00000000\r\n";
    struct Case {
        const char* what;
        std::string text;
        bool damaged;
    };
    const std::vector<Case> cases = {
        {"clean", good, false},
        {"one bad value", good + "\"engDate\"=dword:1x\r\n", true},
        {"a string with junk after it", good + "\"lastFile\"=\"a\"b\r\n", true},
        {"cut short", good + "\"engDate\"=dword:0000", true},
        {"no header", "garbage\r\n" + good.substr(good.find('[')), true},
        {"a value type not kept", good + "\"h\"=hex:01\r\n", true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const auto file = dir / "HKEY_CURRENT_USER.reg";
        WriteFile(file, Bytes(c.text.begin(), c.text.end()));
        RegFileRegistry reg(dir.Path());
        std::vector<std::string> notices;
        reg.OnNotice = [&](const std::string& m) { notices.push_back(m); };
        auto key = reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
        ASSERT_TRUE(key) << c.what;
        key->WriteInteger("FormTop", 1);
        key->WriteInteger("FormLeft", 2);
        EXPECT_EQ(key->ReadInteger("UseLastDir"), 0u) << c.what;  // what loaded stays
        EXPECT_EQ(notices.size(), c.damaged ? 1u : 0u) << c.what;
        EXPECT_EQ(std::filesystem::exists(dir / "HKEY_CURRENT_USER.reg.bad"), c.damaged) << c.what;
        if (c.damaged) {
            EXPECT_EQ(Text(dir / "HKEY_CURRENT_USER.reg.bad"), c.text) << c.what;
            EXPECT_NE(notices[0].find("HKEY_CURRENT_USER.reg.bad"), std::string::npos);
        }
        bool clean = false;
        RegFileRegistry::Parse(Text(file), RegRoot::CurrentUser, &clean);
        EXPECT_TRUE(clean) << c.what;
    }
}

TEST(RegFileRegistry, ASymlinkedFileStaysALinkAndItsFileIsWritten) {
#ifdef _WIN32
    GTEST_SKIP() << "symlinks need privileges on Windows";
#else
    TempDir dir;
    std::filesystem::create_directories(dir / "dotfiles");
    WriteFile(dir / "dotfiles" / "user.reg", Bytes());
    std::filesystem::create_directories(dir / "conf");
    std::filesystem::create_symlink(dir / "dotfiles" / "user.reg",
                                    dir / "conf" / "HKEY_CURRENT_USER.reg");
    RegFileRegistry reg(dir / "conf");
    reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true)->WriteInteger("FormTop", 7);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "conf" / "HKEY_CURRENT_USER.reg"));
    EXPECT_NE(Text(dir / "dotfiles" / "user.reg").find("\"FormTop\"=dword:00000007"),
              std::string::npos);
#endif
}

TEST(RegFileRegistry, AFileThatCannotBeReadIsSetAsideNotLost) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs in the file system";
#else
    TempDir dir;
    // A pipe cannot be read as a file, whoever runs the test.
    ASSERT_EQ(mkfifo((dir / "HKEY_CURRENT_USER.reg").c_str(), 0600), 0);
    RegFileRegistry reg(dir.Path());
    int notices = 0;
    reg.OnNotice = [&](const std::string&) { ++notices; };
    reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true)->WriteInteger("FormTop", 7);
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "HKEY_CURRENT_USER.reg.bad"));
    EXPECT_NE(Text(dir / "HKEY_CURRENT_USER.reg").find("\"FormTop\""), std::string::npos);
#endif
}

TEST(RegFileRegistry, TwoProgramsSavingAtOnceKeepEachOthersValues) {
    TempDir dir;
    constexpr int kEach = 40;
    auto writer = [&](const std::string& name) {
        const std::string args =
            " \"" + dir.Path().string() + "\" " + name + " " + std::to_string(kEach);
#ifdef _WIN32
        const std::string cmd = "\"\"" + std::string(CORVANE_SETTINGS_WRITER) + "\"" + args + "\"";
#else
        const std::string cmd = "'" + std::string(CORVANE_SETTINGS_WRITER) + "'" + args;
#endif
        return std::system(cmd.c_str());
    };
    int a = -1, b = -1;
    std::thread first([&] { a = writer("a"); });
    std::thread second([&] { b = writer("b"); });
    first.join();
    second.join();
    ASSERT_EQ(a, 0);
    ASSERT_EQ(b, 0);
    RegFileRegistry reg(dir.Path());
    auto key = reg.OpenKey(RegRoot::CurrentUser, "Software\\Corvane\\Race", false, false);
    ASSERT_TRUE(key);
    IniFile ini(dir / "Options.ini");
    for (const char* name : {"a", "b"}) {
        for (int i = 0; i < kEach; ++i) {
            const std::string value = name + std::to_string(i);
            EXPECT_TRUE(key->ValueExists(value)) << value;
            EXPECT_EQ(ini.ReadInteger("race", value, -1), i) << value;
        }
    }
}

TEST(RegFileRegistry, ASecondDamageKeepsTheFirstCopy) {
    TempDir dir;
    const auto file = dir / "HKEY_CURRENT_USER.reg";
    for (const std::string damage : {"first", "second"}) {
        WriteFile(file, Bytes(damage.begin(), damage.end()));
        RegFileRegistry reg(dir.Path());
        reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true)->WriteInteger("FormTop", 1);
    }
    EXPECT_EQ(Text(dir / "HKEY_CURRENT_USER.reg.bad"), "first");
    EXPECT_EQ(Text(dir / "HKEY_CURRENT_USER.reg.bad.2"), "second");
}

TEST(RegFileRegistry, OneValueIsReadFromTheStartOfTheFileAlone) {
    TempDir dir;
    const std::string key = std::string("[HKEY_CURRENT_USER\\") + kStatusKey + "]\r\n";
    const std::string value = "\"engDate\"=dword:00000000\r\n";
    const std::string filler =
        "[HKEY_CURRENT_USER\\Other]\r\n" + std::string(RegFileRegistry::kQuickRead, ';') + "\r\n";
    for (const bool late : {false, true}) {
        const std::string text = "Windows Registry Editor Version 5.00\r\n" +
                                 (late ? filler + key + value : key + value + filler);
        WriteFile(dir / "HKEY_CURRENT_USER.reg", Bytes(text.begin(), text.end()));
        const auto got =
            RegFileRegistry(dir.Path()).ReadValue(RegRoot::CurrentUser, kStatusKey, "engDate");
        EXPECT_EQ(got.has_value(), !late);
        if (got) {
            EXPECT_EQ(got->Number, 0u);
        }
    }
}

TEST(IniFile, ProfileSemantics) {
    TempDir dir;
    WriteFile(dir / "Options.ini", ToEbcdic(""));
    const std::string text =
        "[Other]\r\nkeep=1\r\n[STATUS]\r\nFormTop = 12\r\nTabWidth=abc\r\n; note\r\n";
    WriteFile(dir / "Options.ini", Bytes(text.begin(), text.end()));
    IniFile ini(dir / "Options.ini");
    EXPECT_EQ(ini.ReadInteger("status", "formtop", 0), 12);
    EXPECT_EQ(ini.ReadInteger("status", "TabWidth", 193), 193);  // not a number
    EXPECT_EQ(ini.ReadInteger("status", "missing", 7), 7);
    EXPECT_EQ(ini.ReadString("nosection", "x", "def"), "def");
    EXPECT_TRUE(ini.ReadBool("other", "KEEP", false));
    EXPECT_TRUE(ini.WriteInteger("Status", "FormTop", 99));
    EXPECT_TRUE(ini.WriteString("status", "lastFile", "a=b.xmi"));
    EXPECT_TRUE(ini.WriteBool("options", "AutoZip", false));
    EXPECT_EQ(ini.ReadInteger("status", "FormTop", 0), 99);
    EXPECT_EQ(ini.ReadString("status", "lastFile", ""), "a=b.xmi");
    EXPECT_FALSE(ini.ReadBool("options", "AutoZip", true));
    const std::string after = Text(dir / "Options.ini");
    EXPECT_NE(after.find("keep=1"), std::string::npos);
    EXPECT_NE(after.find("; note"), std::string::npos);
    EXPECT_EQ(after.find("FormTop = 12"), std::string::npos);

    // A line break cannot start a line of its own.
    EXPECT_TRUE(ini.WriteString("status", "lastFile", "a\r\n[options]\nAutoZip=1"));
    EXPECT_FALSE(ini.ReadBool("options", "AutoZip", true));
    EXPECT_EQ(ini.ReadString("status", "lastFile", ""), "a%0D%0A[options]%0AAutoZip=1");

    IniFile missing(dir / "none" / "Options.ini");
    EXPECT_EQ(missing.ReadInteger("status", "FormTop", 279), 279);
    int v = 0;
    EXPECT_FALSE(IniFile::ParseInteger("99999999999", v));
    EXPECT_TRUE(IniFile::ParseInteger("-5", v));
    EXPECT_EQ(v, -5);
}

TEST(IniFile, AFileThatCannotBeReadIsNotReplacedByOneKey) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs in the file system";
#else
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "Options.ini").c_str(), 0600), 0);
    IniFile ini(dir / "Options.ini");
    EXPECT_EQ(ini.ReadString("options", "TextExt", ".txt"), ".txt");
    EXPECT_FALSE(ini.WriteString("options", "TextExt", ".jcl"));
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "Options.ini"));
#endif
}

// The date order a program that shows dates alone reads: the registry's
// value, else the INI file's, else day first.
TEST(OptionStore, TheDateOrderIsReadAloneWhereTheProgramKeepsIt) {
    TempDir dir;
    MemoryRegistry reg;
    IniFile ini(dir / "Options.ini");
    OptionStore store(reg, ini, kStatusKey, DefaultFolders{});
    EXPECT_TRUE(store.StoredDayFirst());
    ini.WriteBool("options", "engDate", false);
    EXPECT_FALSE(store.StoredDayFirst());
    reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true)->WriteInteger("engDate", 1);
    EXPECT_TRUE(store.StoredDayFirst());
    reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true)->WriteInteger("engDate", 0);
    EXPECT_FALSE(store.StoredDayFirst());
}

TEST(WindowState, FirstRunUsesIniDefaultsThenTheRegistryRemembers) {
    TempDir dir;
    MemoryRegistry reg;
    IniFile ini(dir / "Options.ini");
    WindowState state;
    EXPECT_EQ(ReadWindowState(reg, ini, state), "");
    EXPECT_EQ(state.FormLeft, 248);
    EXPECT_EQ(state.FormTop, 279);
    EXPECT_EQ(state.FormWidth, 570);
    EXPECT_EQ(state.TabWidth, 193);
    EXPECT_TRUE(state.toolbar);
    state.FormLeft = 10;
    state.toolbar = false;
    WriteWindowState(reg, ini, state, "/data/a.xmi", "");
    EXPECT_FALSE(std::filesystem::exists(ini.Path()));

    WindowState second;
    EXPECT_EQ(ReadWindowState(reg, ini, second), "");
    EXPECT_EQ(second.FormLeft, 10);
    EXPECT_FALSE(second.toolbar);
    EXPECT_EQ(second.lastFile, "/data/a.xmi");

    // No path chosen during a run keeps the stored file.
    WriteWindowState(reg, ini, second, "", second.lastFile);
    WindowState third;
    ReadWindowState(reg, ini, third);
    EXPECT_EQ(third.lastFile, "/data/a.xmi");
}

TEST(WindowState, AStringFormTopSendsEveryValueToTheIniFile) {
    TempDir dir;
    MemoryRegistry reg;
    IniFile ini(dir / "Options.ini");
    auto key = reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    key->WriteString("lastFile", "/from/registry.xmi");
    key->WriteString("FormTop", "279");
    ini.WriteString("status", "lastFile", "/from/ini.xmi");
    ini.WriteInteger("status", "FormWidth", 640);
    WindowState state;
    EXPECT_FALSE(ReadWindowState(reg, ini, state).empty());
    EXPECT_EQ(state.lastFile, "/from/ini.xmi");
    EXPECT_EQ(state.FormWidth, 640);
}

TEST(WindowState, UnopenableKeyKeepsDesignValuesAndRefusedWritesGoToIni) {
    TempDir dir;
    MemoryRegistry reg;
    reg.RefuseOpen = true;
    IniFile ini(dir / "Options.ini");
    WindowState state;
    EXPECT_EQ(ReadWindowState(reg, ini, state), "");
    EXPECT_EQ(state.FormLeft, 248);
    WriteWindowState(reg, ini, state, "x.xmi", "");
    EXPECT_FALSE(std::filesystem::exists(ini.Path()));

    MemoryRegistry refusing;
    refusing.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    refusing.RefuseWrites = true;
    WriteWindowState(refusing, ini, state, "x.xmi", "");
    EXPECT_EQ(ini.ReadString("status", "lastFile", ""), "x.xmi");
    EXPECT_EQ(ini.ReadInteger("status", "FormLeft", 0), 248);
}

namespace {
struct Options {
    TempDir Dir;
    MemoryRegistry Reg;
    IniFile Ini{Dir / "Options.ini"};
    OptionStore Store{
        Reg, Ini, kStatusKey, {"/home/u/.local/share/Corvane/UnZipped", "/home/u/Documents"}};
    ProgramOptions Values;
    ExtensionBoxes Boxes;
    std::unique_ptr<RegistryKey> Key() {
        return Reg.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    }
};
}  // namespace

TEST(ProgramOptions, FirstRunStoresTheDefaults) {
    Options o;
    o.Key();  // the window state created the key
    o.Store.InitialLoad(o.Values, o.Boxes);
    auto key = o.Key();
    EXPECT_EQ(key->ReadInteger("engDate"), 1u);
    EXPECT_EQ(key->ReadInteger("promptType"), 0u);
    EXPECT_EQ(key->ReadString("BinaryExt"), ".bin");
    EXPECT_EQ(key->ReadString("TextExt"), ".txt");
    EXPECT_EQ(key->ReadString("ZipDir"), "/home/u/.local/share/Corvane/UnZipped");
    EXPECT_EQ(key->ReadInteger("AutoZip"), 1u);
    EXPECT_EQ(key->ReadString("DefaultDir"), "/home/u/Documents");
    EXPECT_EQ(key->ReadInteger("UseLastDir"), 1u);
    EXPECT_FALSE(o.Values.UsingIniFile);
    EXPECT_TRUE(o.Boxes.xmi && o.Boxes.xmt && !o.Boxes.xmit && !o.Boxes.xm);
}

TEST(ProgramOptions, AKeyWithoutUseLastDirGetsAllEightWrittenBack) {
    Options o;
    auto key = o.Key();
    key->WriteBool("AutoZip", false);
    key->WriteString("ZipDir", "/z");
    key->WriteBool("engDate", false);
    key->WriteBool("promptType", true);
    key->WriteString("BinaryExt", ".b");
    key->WriteString("TextExt", ".t");
    key->WriteString("DefaultDir", "/d");
    o.Store.InitialLoad(o.Values, o.Boxes);
    key = o.Key();
    EXPECT_EQ(key->ReadInteger("UseLastDir"), 1u);
    EXPECT_EQ(key->ReadString("ZipDir"), "/z");
    EXPECT_EQ(key->ReadInteger("promptType"), 1u);
    EXPECT_EQ(key->ReadInteger("engDate"), 0u);
    EXPECT_FALSE(o.Values.AutoZip);
}

TEST(ProgramOptions, AMissingAutoZipStopsTheReadingAndWritesNothing) {
    Options o;
    auto key = o.Key();
    key->WriteBool("engDate", false);
    key->WriteBool("UseLastDir", false);
    key->WriteString("ZipDir", "/z");
    key.reset();
    o.Store.InitialLoad(o.Values, o.Boxes);
    EXPECT_EQ(o.Values.ZipDir, "");  // not read
    EXPECT_EQ(o.Values.DefaultDir, "");
    EXPECT_FALSE(o.Key()->ValueExists("AutoZip"));
    int which = -1;
    EXPECT_EQ(
        OptionStore::ValidateFolders(o.Values, &which),
        "Default Open Directory does not exist.\nUse the browse button to view browse dialog.");
    EXPECT_EQ(which, 0);
}

TEST(ProgramOptions, DamagedValuesTakeTheirDefaultsAndTheOthersAreKept) {
    TempDir dir;
    const std::string text = std::string("Windows Registry Editor Version 5.00\r\n\r\n[") +
                             "HKEY_CURRENT_USER\\" + kStatusKey +
                             "]\r\n\"AutoZip\"=dword:zz\r\n\"engDate\"=\"no\r\n"
                             "\"ZipDir\"=\"/z\"\r\n\"promptType\"=dword:00000001\r\n"
                             "\"BinaryExt\"=\".b\"\r\n\"TextExt\"=\".t\"\r\n"
                             "\"DefaultDir\"=\"/d\"\r\n\"UseLastDir\"=dword:00000000\r\n";
    WriteFile(dir / "HKEY_CURRENT_USER.reg", Bytes(text.begin(), text.end()));
    RegFileRegistry reg(dir.Path());
    IniFile ini(dir / "Options.ini");
    OptionStore store(reg, ini, kStatusKey, {"/zip", "/open"});
    ProgramOptions values;
    ExtensionBoxes boxes;
    store.InitialLoad(values, boxes);
    EXPECT_TRUE(values.AutoZip);
    EXPECT_TRUE(values.engDate);
    EXPECT_EQ(values.ZipDir, "/z");
    EXPECT_TRUE(values.promptType);
    EXPECT_EQ(values.DefaultDir, "/d");
    EXPECT_FALSE(values.UseLastDir);
    // Stored so, and the damaged file kept.
    RegFileRegistry again(dir.Path());
    auto key = again.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadInteger("AutoZip"), 1u);
    EXPECT_EQ(key->ReadInteger("engDate"), 1u);
    EXPECT_EQ(key->ReadString("TextExt"), ".t");
    EXPECT_EQ(Text(dir / "HKEY_CURRENT_USER.reg.bad"), text);
}

TEST(ProgramOptions, RefusedRegistryWritesSwitchToTheIniFile) {
    Options o;
    o.Ini.WriteString("options", "TextExt", ".lst");
    o.Ini.WriteString("options", "engDate", "zero");  // not a number: the default
    o.Reg.RefuseWrites = true;
    o.Store.InitialLoad(o.Values, o.Boxes);
    EXPECT_TRUE(o.Values.UsingIniFile);
    EXPECT_EQ(o.Values.TextExt, ".lst");
    EXPECT_TRUE(o.Values.engDate);
    EXPECT_EQ(o.Values.ZipDir, "/home/u/.local/share/Corvane/UnZipped");

    o.Values.BinaryExt = ".dat";
    o.Store.Save(o.Values);
    EXPECT_EQ(o.Ini.ReadString("options", "BinaryExt", ""), ".dat");

    // A key that cannot be opened for writing counts as a refused write too.
    Options p;
    p.Reg.RefuseOpen = true;
    p.Store.SaveOptionsToRegistry(p.Values, false);
    EXPECT_TRUE(p.Values.UsingIniFile);
    EXPECT_EQ(p.Ini.ReadString("options", "TextExt", ""), ".txt");
}

TEST(ProgramOptions, CodePageIsStoredAndAnUnknownOrMistypedOneReadsAsTheProgramTable) {
    struct Case {
        const char* what;
        std::function<void(RegistryKey&)> store;
        int expected;
    };
    const Case cases[] = {
        // A key of the eight older options only.
        {"absent", [](RegistryKey&) {}, 0},
        {"offered", [](RegistryKey& k) { k.WriteInteger("CodePage", 273); }, 273},
        {"not offered", [](RegistryKey& k) { k.WriteInteger("CodePage", 850); }, 0},
        {"a string", [](RegistryKey& k) { k.WriteString("CodePage", "1140"); }, 0},
    };
    for (const Case& c : cases) {
        Options o;
        auto key = o.Key();
        for (const char* flag : {"AutoZip", "engDate", "promptType", "UseLastDir"})
            key->WriteBool(flag, true);
        for (const char* text : {"ZipDir", "BinaryExt", "TextExt", "DefaultDir"})
            key->WriteString(text, "x");
        c.store(*key);
        o.Store.InitialLoad(o.Values, o.Boxes);
        EXPECT_EQ(o.Values.CodePage, c.expected) << c.what;
        EXPECT_TRUE(o.Values.UseLastDir) << c.what;  // read before it
    }
    // Saved with the others, in the registry and in the INI file; Defaults
    // gives the program's table.
    Options o;
    o.Store.InitialLoad(o.Values, o.Boxes);
    o.Values.CodePage = 1141;
    o.Store.Save(o.Values);
    EXPECT_EQ(o.Key()->ReadInteger("CodePage"), 1141u);
    o.Store.SaveOptionsToIni(o.Values);
    ProgramOptions fromIni;
    o.Store.LoadOptionsFromIni(fromIni);
    EXPECT_EQ(fromIni.CodePage, 1141);
    o.Store.ResetOptionsToDefaults(o.Values, o.Boxes);
    EXPECT_EQ(o.Values.CodePage, 0);
}

TEST(ProgramOptions, FolderValidation) {
    TempDir dir;
    ProgramOptions v;
    v.DefaultDir = dir.Path().string();
    int which = -1;
    EXPECT_EQ(OptionStore::ValidateFolders(v, &which),
              "Zip Directory does not exist.\nUse the browse button to view browse dialog.");
    EXPECT_EQ(which, 1);
    v.ZipDir = dir.Path().string();
    EXPECT_EQ(OptionStore::ValidateFolders(v, &which), "");
}

TEST(RegistryFileTypes, RegisterAndUnregisterEachExtension) {
    for (int backend = 0; backend < 2; ++backend) {
        TempDir dir;
        MemoryRegistry memory;
        RegFileRegistry file(dir.Path());
        RegistryStore& reg = backend == 0 ? static_cast<RegistryStore&>(memory) : file;
        RegistryFileTypes types(reg, "/opt/corvane/corvane");
        for (const char* ext : kExtensions) {
            ASSERT_TRUE(types.RegisterExtension(ext));
            EXPECT_TRUE(types.ReadRegisteredExtensions().Box(ext)) << ext;
        }
        ExtensionBoxes all{true, true, true, true};
        EXPECT_EQ(types.ReadRegisteredExtensions(), all);
        auto command =
            reg.OpenKey(RegRoot::ClassesRoot, "Corvane\\shell\\open\\command", false, false);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->ReadString(""), "\"/opt/corvane/corvane\" \"%1\" ");
        EXPECT_EQ(
            reg.OpenKey(RegRoot::ClassesRoot, "Corvane\\DefaultIcon", false, false)->ReadString(""),
            (std::filesystem::path("/opt/corvane") / "xmitfile.ico").string());
        EXPECT_EQ(
            reg.OpenKey(RegRoot::ClassesRoot, "Corvane\\shell\\open", false, false)->ReadString(""),
            "&Open");

        reg.OpenKey(RegRoot::ClassesRoot, "xm_auto_file\\shell", true, true)->WriteString("", "x");
        ASSERT_TRUE(types.UnregisterExtension("xm"));
        EXPECT_FALSE(reg.OpenKey(RegRoot::ClassesRoot, ".xm", false, false));
        EXPECT_FALSE(reg.OpenKey(RegRoot::ClassesRoot, "xm_auto_file", false, false));
        EXPECT_TRUE(reg.OpenKey(RegRoot::ClassesRoot, "Corvane", false, false));
        EXPECT_FALSE(types.ReadRegisteredExtensions().xm);

        reg.OpenKey(RegRoot::ClassesRoot, ".xmt", true, true)->WriteString("", "corvane");
        EXPECT_FALSE(types.ReadRegisteredExtensions().xmt);  // case matters
    }
}

TEST(RegistryFileTypes, WithoutWriteAccessRegistrationFails) {
    MemoryRegistry reg;
    reg.RefuseOpen = true;
    RegistryFileTypes types(reg, "/p/corvane");
    EXPECT_FALSE(types.RegisterExtension("xmi"));
    MemoryRegistry refusing;
    refusing.RefuseWrites = true;
    RegistryFileTypes t2(refusing, "/p/corvane");
    EXPECT_FALSE(t2.RegisterExtension("xmi"));
    refusing.RefuseDelete = true;
    EXPECT_FALSE(t2.UnregisterExtension("xmi"));
}

TEST(XdgFileTypes, RegisterAndUnregisterWriteOnlyTheirOwnFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "the freedesktop file types are the Linux way; Windows uses the registry";
#endif
    TempDir dir;
    std::filesystem::create_directories(dir / "config");
    const std::string other = "[Default Applications]\ntext/plain=editor.desktop\n";
    WriteFile(dir / "config" / "mimeapps.list", Bytes(other.begin(), other.end()));
    XdgFileTypes types(dir / "data", dir / "config", "/opt/corvane/corvane");
    EXPECT_EQ(types.ReadRegisteredExtensions(), ExtensionBoxes{});
    ASSERT_TRUE(types.RegisterExtension("xmi"));
    ASSERT_TRUE(types.RegisterExtension("xmit"));
    ExtensionBoxes two;
    two.xmi = two.xmit = true;
    EXPECT_EQ(types.ReadRegisteredExtensions(), two);
    EXPECT_NE(Text(types.DesktopEntry()).find("Exec=\"/opt/corvane/corvane\" %f"),
              std::string::npos);
    EXPECT_NE(Text(types.MimePackage()).find("<glob pattern=\"*.xmit\"/>"), std::string::npos);
    const std::string apps = Text(types.MimeApps());
    EXPECT_NE(apps.find("text/plain=editor.desktop"), std::string::npos);
    EXPECT_NE(apps.find("application/x-corvane-xmit=corvane.desktop;"), std::string::npos);

    ASSERT_TRUE(types.UnregisterExtension("xmi"));
    EXPECT_FALSE(types.ReadRegisteredExtensions().xmi);
    EXPECT_TRUE(types.ReadRegisteredExtensions().xmit);
    ASSERT_TRUE(types.UnregisterExtension("xmit"));
    EXPECT_FALSE(std::filesystem::exists(types.MimePackage()));
    EXPECT_FALSE(std::filesystem::exists(types.DesktopEntry()));
    EXPECT_EQ(Text(types.MimeApps()), other);
}

TEST(XdgFileTypes, ReadOnlyFoldersMakeRegistrationFail) {
#ifdef _WIN32
    GTEST_SKIP() << "the freedesktop file types are the Linux way; Windows uses the registry";
#endif
    TempDir dir;
    std::filesystem::create_directories(dir / "data");
    std::filesystem::create_directories(dir / "config");
    MakeReadOnly(dir / "data");
    XdgFileTypes types(dir / "data", dir / "config", "/opt/corvane/corvane");
    EXPECT_FALSE(types.RegisterExtension("xmi"));
    EXPECT_FALSE(types.ReadRegisteredExtensions().xmi);
}

TEST(SettingsTable, EveryKeyOnceInTheSharedKeyAndOneDefaultEverywhere) {
    std::set<std::string> keys;
    for (const auto& s : kOptionRows) EXPECT_TRUE(keys.insert(s.Key).second) << s.Key;
    for (const auto& s : kStatusRows) EXPECT_TRUE(keys.insert(s.Key).second) << s.Key;

    // A new object, an empty INI file and the Defaults button agree.
    Options o;
    ProgramOptions fromIni, reset;
    o.Store.LoadOptionsFromIni(fromIni);
    o.Store.ResetOptionsToDefaults(reset, o.Boxes);
    const ProgramOptions fresh;
    for (const ProgramOptions* v : {&fresh, static_cast<const ProgramOptions*>(&fromIni),
                                    static_cast<const ProgramOptions*>(&reset)}) {
        EXPECT_TRUE(v->engDate);
        EXPECT_FALSE(v->promptType);
        EXPECT_EQ(v->BinaryExt, ".bin");
        EXPECT_EQ(v->TextExt, ".txt");
        EXPECT_TRUE(v->AutoZip);
        EXPECT_TRUE(v->UseLastDir);
    }
    EXPECT_EQ(fresh.ZipDir, "");  // the folders are known only at run time
    EXPECT_EQ(fromIni.ZipDir, o.Store.DefaultZipDir());
    EXPECT_EQ(reset.DefaultDir, o.Store.DefaultOpenDir());

    WindowState fromStatusIni;
    fromStatusIni.FormLeft = fromStatusIni.TabWidth = -1;
    ReadStatusIni(o.Ini, fromStatusIni);
    const WindowState design;
    EXPECT_EQ(design.FormLeft, 248);
    EXPECT_EQ(fromStatusIni.FormLeft, design.FormLeft);
    EXPECT_EQ(fromStatusIni.TabWidth, design.TabWidth);
}

TEST(WindowState, MaximisedIsKeptInTheRegistryAloneAndReadWherePresent) {
    TempDir dir;
    MemoryRegistry reg;
    IniFile ini(dir / "Options.ini");
    WindowState state;
    state.FormMaximized = true;
    WriteWindowState(reg, ini, state, "a.xmi", "");
    WindowState back;
    EXPECT_EQ(ReadWindowState(reg, ini, back), "");
    EXPECT_TRUE(back.FormMaximized);

    MemoryRegistry refusing;
    refusing.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    refusing.RefuseWrites = true;
    WriteWindowState(refusing, ini, state, "a.xmi", "");
    EXPECT_EQ(ini.ReadString("status", "FormMaximized", "absent"), "absent");
}

TEST(IniFile, OneHeldInMemoryReadsAndWritesOnlyItsText) {
    IniFile ini = IniFile::InMemory("[status]\r\nFormTop=12\r\n[options]\r\nTextExt=.lst\r\n");
    EXPECT_EQ(ini.ReadInteger("STATUS", "formtop", 0), 12);
    EXPECT_TRUE(ini.WriteString("options", "TextExt", ".jcl"));
    EXPECT_TRUE(ini.WriteBool("new", "flag", true));
    // Reads after a write see it; a blank value reads as blank.
    EXPECT_EQ(ini.ReadString("options", "TextExt", ""), ".jcl");
    EXPECT_TRUE(ini.ReadBool("new", "flag", false));
    EXPECT_EQ(IniFile::InMemory("[a]\nk=\n").ReadString("a", "k", "absent"), "");
    EXPECT_EQ(*ini.Text(),
              "[status]\r\nFormTop=12\r\n[options]\r\nTextExt=.jcl\r\n[new]\r\nflag=1\r\n");
    EXPECT_EQ(IniFile(std::filesystem::path("x.ini")).Text(), nullptr);
}
