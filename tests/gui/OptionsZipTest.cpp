#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

#include "ElidedLabel.h"
#include "GuiSupport.h"
#include "OptionsDialog.h"
#include "ZipIntakeDialog.h"
#include "ZipWriter.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
using Handler = std::function<int(QDialog&)>;

Handler Options(std::function<void(OptionsDialog&)> edit, const char* button = "BbnOk") {
    return [edit, button](QDialog& d) {
        auto& o = dynamic_cast<OptionsDialog&>(d);
        edit(o);
        if (std::string(button) == "reject") {
            o.reject();
        } else {
            o.findChild<QPushButton*>(button)->click();
        }
        return o.result();
    };
}

void MakeDefaultFolders(MainFixture& f) {
    f.MakeDefaultFolders();
}
}  // namespace

TEST(OptionsDialog, FirstRunShowsTheDefaults) {
    MainFixture f;
    MainWindow& w = f.Start();
    OptionsDialog& o = *OptionsOf(w);
    EXPECT_EQ(o.windowTitle(), "Xmit options");
    EXPECT_FALSE(o.isVisible());
    EXPECT_TRUE(Find<QRadioButton>(&o, "RgpDateFormatItem0")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(&o, "EdtBinaryExt")->text(), ".bin");
    EXPECT_EQ(Find<QLineEdit>(&o, "EdtUnZipTo")->text(),
              QString::fromStdString(f.Env.ZipFolder.string()));
    EXPECT_EQ(Find<QLineEdit>(&o, "EdtDefaultDir")->text(),
              QString::fromStdString(f.Env.OpenFolder.string()));
    EXPECT_TRUE(Find<QCheckBox>(&o, "ChkAutoZip")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(&o, "ChkPromptType")->isChecked());
    EXPECT_EQ(Find<QCheckBox>(&o, "ChkAutoZip")->text(),
              "Automatic unZip for archives containing only one xmit ");
    EXPECT_EQ(Find<QGroupBox>(&o, "GroupBox1")->title(), " Registered extentions ");
    EXPECT_TRUE(Find<QPushButton>(&o, "BbnOk")->isDefault());
    EXPECT_FALSE(o.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(OptionsDialog, OkIsRefusedForEachMissingFolder) {
    MainFixture f;
    MainWindow& w = f.Start();
    bool focusDefault = false, focusZip = false;
    f.Dialogs.ExecHandlers.push_back(Options(
        [&](OptionsDialog& o) {
            // Folders the user typed are not made for him.
            Find<QLineEdit>(&o, "EdtDefaultDir")
                ->setText(QString::fromStdString((f.Dir / "typed" / "open").string()));
            Find<QLineEdit>(&o, "EdtUnZipTo")
                ->setText(QString::fromStdString((f.Dir / "typed" / "zip").string()));
            Find<QPushButton>(&o, "BbnOk")->click();  // neither folder exists
            focusDefault = Find<QLineEdit>(&o, "EdtDefaultDir")->hasFocus() ||
                           o.focusWidget() == Find<QLineEdit>(&o, "EdtDefaultDir");
            std::filesystem::create_directories(
                Find<QLineEdit>(&o, "EdtDefaultDir")->text().toStdString());
            Find<QPushButton>(&o, "BbnOk")->click();
            focusZip = o.focusWidget() == Find<QLineEdit>(&o, "EdtUnZipTo");
            EXPECT_EQ(Find<QLineEdit>(&o, "EdtUnZipTo")->selectedText(),
                      Find<QLineEdit>(&o, "EdtUnZipTo")->text());
        },
        "BbnCancel"));
    w.MnuOptionsXmitClick();
    ASSERT_GE(f.Dialogs.Messages.size(), 2u);
    EXPECT_EQ(
        f.Dialogs.Messages[0].Text,
        "Default Open Directory does not exist.\nUse the browse button to view browse dialog.");
    EXPECT_EQ(f.Dialogs.Messages[1].Text,
              "Zip Directory does not exist.\nUse the browse button to view browse dialog.");
    EXPECT_TRUE(focusDefault);
    EXPECT_TRUE(focusZip);
    EXPECT_EQ(w.StatusText(0), "Options not updated, operation cancelled.");
}

TEST(OptionsDialog, CancelKeepsEveryOption) {
    MainFixture f;
    MakeDefaultFolders(f);
    MainWindow& w = f.Start();
    f.Dialogs.ExecHandlers.push_back(Options(
        [](OptionsDialog& o) {
            Find<QLineEdit>(&o, "EdtTextExt")->setText(".lst");
            Find<QRadioButton>(&o, "RgpDateFormatItem1")->setChecked(true);
            Find<QCheckBox>(&o, "ChkPromptType")->setChecked(true);
        },
        "reject"));
    w.MnuOptionsXmitClick();
    EXPECT_EQ(w.OptionValues().TextExt, ".txt");
    EXPECT_TRUE(w.OptionValues().engDate);
    EXPECT_FALSE(w.OptionValues().promptType);
    EXPECT_EQ(w.StatusText(0), "Options not updated, operation cancelled.");
    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    EXPECT_EQ(key->ReadString("TextExt"), ".txt");
}

TEST(OptionsDialog, DateMessageOnlyWhenTheOrderReallyChanged) {
    MainFixture f;
    MakeDefaultFolders(f);
    MainWindow& w = f.Start();
    f.Dialogs.ExecHandlers.push_back(Options([](OptionsDialog& o) {
        Find<QRadioButton>(&o, "RgpDateFormatItem1")->click();
        Find<QRadioButton>(&o, "RgpDateFormatItem0")->click();
    }));
    w.MnuOptionsXmitClick();
    for (const auto& m : f.Dialogs.Messages) EXPECT_NE(m.Caption, "Date format changed");
    EXPECT_EQ(w.StatusText(0), "Options updated in the settings file.");

    f.Dialogs.ExecHandlers.push_back(
        Options([](OptionsDialog& o) { Find<QRadioButton>(&o, "RgpDateFormatItem1")->click(); }));
    w.MnuOptionsXmitClick();
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_EQ(f.Dialogs.Messages.back().Caption, "Date format changed");
    EXPECT_EQ(f.Dialogs.Messages.back().Text,
              "The new date format will be picked up the next time a file is opened");
    EXPECT_FALSE(w.OptionValues().engDate);
    // The next file opened shows month-first dates.
    w.OpenPath(
        QString::fromStdString(f.Write("lib.xmi", BuildPds(MainFixture::Library(1))).string()));
    EXPECT_EQ(Members(w)->Text(0, 2), "04/09/2024");
}

TEST(OptionsDialog, DefaultsThenOkStoresThemAndRegistersTheExtensions) {
    MainFixture f;
    MakeDefaultFolders(f);
    MainWindow& w = f.Start();
    ASSERT_TRUE(f.Types->RegisterExtension("xm"));
    f.Dialogs.ExecHandlers.push_back(Options([&f](OptionsDialog& o) {
        EXPECT_TRUE(
            Find<QCheckBox>(&o, "ChkExtXm")->isChecked());  // read from the system on showing
        Find<QCheckBox>(&o, "ChkAutoZip")->setChecked(false);
        Find<QLineEdit>(&o, "EdtBinaryExt")->setText(".dat");
        const std::size_t told = f.Dialogs.Messages.size();
        Find<QPushButton>(&o, "BtnDefault")->click();
        EXPECT_EQ(Find<QLineEdit>(&o, "EdtBinaryExt")->text(), ".bin");
        EXPECT_FALSE(Find<QCheckBox>(&o, "ChkAutoZip")->isChecked());  // left alone
        EXPECT_TRUE(Find<QCheckBox>(&o, "ChkExtXmi")->isChecked());
        EXPECT_TRUE(Find<QCheckBox>(&o, "ChkExtXmt")->isChecked());
        EXPECT_FALSE(Find<QCheckBox>(&o, "ChkExtXm")->isChecked());
        // The boxes it ticked are named, with what OK will do with them.
        ASSERT_EQ(f.Dialogs.Messages.size(), told + 1);
        EXPECT_TRUE(f.Dialogs.Messages.back().Text.startsWith(
            "Defaults ticked the file types .xmi and .xmt. With OK, Corvane becomes"));
        Find<QPushButton>(&o, "BtnDefault")->click();  // nothing newly ticked: nothing to say
        EXPECT_EQ(f.Dialogs.Messages.size(), told + 1);
    }));
    w.MnuOptionsXmitClick();
    ExtensionBoxes expected;
    expected.xmi = expected.xmt = true;
    EXPECT_EQ(f.Types->ReadRegisteredExtensions(), expected);
    EXPECT_FALSE(w.OptionValues().AutoZip);
    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    EXPECT_EQ(key->ReadInteger("AutoZip"), 0u);
}

TEST(OptionsDialog, FailedRegistrationSetsTheBoxBack) {
    MainFixture f;
    MakeDefaultFolders(f);
    std::filesystem::create_directories(f.Dir / "data");
    std::filesystem::permissions(f.Dir / "data",
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    MainWindow& w = f.Start();
    bool after = true;
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        auto& o = dynamic_cast<OptionsDialog&>(d);
        Find<QCheckBox>(&o, "ChkExtXmit")->setChecked(true);
        Find<QPushButton>(&o, "BbnOk")->click();
        after = Find<QCheckBox>(&o, "ChkExtXmit")->isChecked();
        return o.result();
    });
    w.MnuOptionsXmitClick();
    EXPECT_FALSE(after);
}

TEST(OptionsDialog, RefusedRegistryWritesGoToTheIniFile) {
    MainFixture f;
    MakeDefaultFolders(f);
    f.Registry.RefuseWrites = true;
    MainWindow& w = f.Start();
    EXPECT_TRUE(w.OptionValues().UsingIniFile);
    f.Dialogs.ExecHandlers.push_back(
        Options([](OptionsDialog& o) { Find<QLineEdit>(&o, "EdtTextExt")->setText(".lst"); }));
    w.MnuOptionsXmitClick();
    EXPECT_EQ(w.StatusText(0), "Settings file not writable, options updated in INI file.");
    IniFile ini(f.Env.IniPath());
    EXPECT_EQ(ini.ReadString("options", "TextExt", ""), ".lst");
}

TEST(OptionsDialog, BrowseOpensAFolderPicker) {
    MainFixture f;
    MainWindow& w = f.Start();
    OptionsDialog& o = *OptionsOf(w);
    const QString start = Find<QLineEdit>(&o, "EdtUnZipTo")->text();
    f.Dialogs.FolderAnswers.push_back(QString::fromStdString((f.Dir / "somewhere").string()) + "/");
    Find<QPushButton>(&o, "BtnBrowseZip")->click();
    ASSERT_EQ(f.Dialogs.FolderRequests.size(), 1u);
    EXPECT_TRUE(f.Dialogs.OpenRequests.empty());
    EXPECT_EQ(f.Dialogs.FolderRequests.back().Folder, start);
    EXPECT_EQ(f.Dialogs.FolderRequests.back().Title, "Default Download directory & file extension");
    EXPECT_EQ(Find<QLineEdit>(&o, "EdtUnZipTo")->text(),
              QString::fromStdString((f.Dir / "somewhere").string()));
    const QString before = Find<QLineEdit>(&o, "EdtDefaultDir")->text();
    Find<QPushButton>(&o, "BtnDefaultDir")->click();  // cancelled: nothing changes
    EXPECT_EQ(f.Dialogs.FolderRequests.back().Folder, before);
    EXPECT_EQ(Find<QLineEdit>(&o, "EdtDefaultDir")->text(), before);
}

namespace {
Bytes LibraryBytes() {
    return BuildPds(MainFixture::Library(2));
}

std::filesystem::path Archive(MainFixture& f, const std::string& name,
                              std::vector<ZipEntrySpec> entries) {
    ZipSpec plan;
    plan.Entries = std::move(entries);
    return f.Write(name, BuildZip(plan));
}
}  // namespace

TEST(ZipIntake, OneXmitEntryOpensWithoutTheWindow) {
    MainFixture f;
    MakeDefaultFolders(f);
    MainWindow& w = f.Start();
    auto zip =
        Archive(f, "one.zip", {{"dir/DATA.XMI", LibraryBytes()}, {"readme.txt", Bytes(5, 'r')}});
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(zip.string()));
    w.MnuFileOpenClick();
    EXPECT_TRUE(f.Dialogs.ExecWindows.empty());
    ASSERT_TRUE(w.HasFile());
    const auto unpacked = f.Env.ZipFolder / "DATA.XMI";
    EXPECT_EQ(w.RecentFile(), QString::fromStdString(unpacked.string()));
    EXPECT_EQ(Members(w)->RowCount(), 2);

    // Without the unzip folder the per-user default folder takes the entry,
    // made afresh; the program's folder stays untouched.
    f.Dialogs.ExecHandlers.push_back(Options([&](OptionsDialog& o) {
        const auto other = f.Dir / "other";
        std::filesystem::create_directories(other);
        Find<QLineEdit>(&o, "EdtUnZipTo")->setText(QString::fromStdString(other.string()));
    }));
    w.MnuOptionsXmitClick();
    std::filesystem::remove_all(f.Dir / "other");
    std::filesystem::remove_all(f.Env.ZipFolder);
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(zip.string()));
    w.MnuFileOpenClick();
    EXPECT_EQ(w.RecentFile(), QString::fromStdString(unpacked.string()));
    EXPECT_TRUE(w.HasFile());
    EXPECT_TRUE(std::filesystem::is_empty(f.Dir / "bin"));
}

TEST(ZipIntake, TheWindowListsEveryEntryAndOpensTheChosenOne) {
    MainFixture f;
    MakeDefaultFolders(f);
    MainWindow& w = f.Start();
    auto zip = Archive(f, "two.zip",
                       {{"A.xmi", LibraryBytes()},
                        {"B.xml", Bytes(2048, 'b')},
                        {"docs/notes.txt", Bytes(10, 'n')}});
    std::vector<QStringList> rows;
    QString memo;
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        auto& z = dynamic_cast<ZipIntakeDialog&>(d);
        for (int i = 0; i < Find<QTreeWidget>(&z, "LvwZip")->topLevelItemCount(); ++i) {
            auto* item = Find<QTreeWidget>(&z, "LvwZip")->topLevelItem(i);
            rows.push_back({item->text(0), item->text(1), item->text(2)});
        }
        memo = Find<QPlainTextEdit>(&z, "MmoMessages")->toPlainText();
        Find<QPushButton>(&z, "BtnOpen")->click();  // nothing selected: nothing happens
        EXPECT_EQ(z.result(), 0);
        Find<QTreeWidget>(&z, "LvwZip")
            ->setCurrentItem(Find<QTreeWidget>(&z, "LvwZip")->topLevelItem(0));
        Find<QPushButton>(&z, "BtnOpen")->click();
        return z.result();
    });
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(zip.string()));
    w.MnuFileOpenClick();
    EXPECT_EQ(f.Dialogs.ExecWindows, std::vector<QString>{"FrmXmitZip"});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (QStringList{"B.xml", "2 k", ""}));
    EXPECT_EQ(rows[2], (QStringList{"notes.txt", "10 bytes", "docs/"}));
    EXPECT_TRUE(memo.contains("Opening zip file two.zip"));
    EXPECT_TRUE(memo.endsWith("Zip file opened."));
    EXPECT_TRUE(w.HasFile());
    EXPECT_EQ(Find<ElidedLabel>(&w, "LblFileName")->text(), "A.xmi");
}

TEST(ZipIntake, AutoZipOffAndNoXmitEntryShowTheWindowAndCloseCancels) {
    MainFixture f;
    MakeDefaultFolders(f);
    auto lib = f.Write("lib.xmi", LibraryBytes());
    MainWindow& w = f.Start({QString::fromStdString(lib.string())});
    auto none = Archive(f, "none.zip", {{"job.jcl", Bytes(100, 'j')}});
    f.Dialogs.ExecHandlers.push_back([](QDialog& d) {
        d.findChild<QPushButton*>("BtnClose")->click();
        return d.result();
    });
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(none.string()));
    w.MnuFileOpenClick();
    EXPECT_EQ(f.Dialogs.ExecWindows.size(), 1u);
    EXPECT_FALSE(w.HasFile());  // cancelled: the open file was closed
    EXPECT_EQ(w.StatusText(0), "File Closed.");
}

TEST(ZipIntake, OverWriteBoxDecidesAboutAnExistingFile) {
    MainFixture f;
    MakeDefaultFolders(f);
    MainWindow& w = f.Start();
    auto zip = Archive(f, "two.zip", {{"A.xmi", LibraryBytes()}, {"B.xmi", LibraryBytes()}});
    const auto target = f.Env.ZipFolder / "A.xmi";
    WriteFile(target, Bytes(3, 'x'));
    auto open = [](bool overwrite) {
        return [overwrite](QDialog& d) {
            auto& z = dynamic_cast<ZipIntakeDialog&>(d);
            Find<QCheckBox>(&z, "ChkOverWrite")->setChecked(overwrite);
            Find<QTreeWidget>(&z, "LvwZip")
                ->setCurrentItem(Find<QTreeWidget>(&z, "LvwZip")->topLevelItem(0));
            Find<QPushButton>(&z, "BtnOpen")->click();
            if (!overwrite) {
                EXPECT_EQ(z.result(), 0);                   // "No": back in the window
                Find<QPushButton>(&z, "BtnOpen")->click();  // "Yes": open the kept file
            }
            return z.result();
        };
    };
    f.Dialogs.ExecHandlers.push_back(open(false));
    f.Dialogs.QuestionAnswers = {MessageAnswer::No, MessageAnswer::Yes};
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(zip.string()));
    w.MnuFileOpenClick();
    EXPECT_EQ(ReadFile(target), Bytes(3, 'x'));
    const auto asked =
        std::count_if(f.Dialogs.Messages.begin(), f.Dialogs.Messages.end(), [&](auto& m) {
            return m.Buttons == MessageButtons::YesNo &&
                   m.Text.startsWith(QString::fromStdString(target.string())) &&
                   m.Text.contains("the existing file is kept");
        });
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(w.HasFile());  // the kept file is not an XMIT file

    f.Dialogs.ExecHandlers.push_back(open(true));
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(zip.string()));
    w.MnuFileOpenClick();
    EXPECT_TRUE(w.HasFile());
    EXPECT_EQ(ReadFile(target), LibraryBytes());
}

TEST(ZipIntake, AVanishedArchiveKeepsTheOpenFileAndABadOneShowsAnEmptyList) {
    MainFixture f;
    MakeDefaultFolders(f);
    auto lib = f.Write("lib.xmi", LibraryBytes());
    MainWindow& w = f.Start({QString::fromStdString(lib.string())});
    w.OpenPath(QString::fromStdString((f.Dir / "gone.zip").string()));
    EXPECT_TRUE(w.HasFile());
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.endsWith("\nNot found!"));

    auto bad = f.Write("bad.zip", Bytes(300, 'z'));
    int rows = -1;
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        rows = Find<QTreeWidget>(&d, "LvwZip")->topLevelItemCount();
        d.reject();
        return d.result();
    });
    w.OpenPath(QString::fromStdString(bad.string()));
    EXPECT_EQ(rows, 0);
}

TEST(ZipIntake, WithAutoZipOffOneXmitEntryStillShowsTheWindow) {
    MainFixture f;
    MakeDefaultFolders(f);
    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    MainWindow& w = f.Start();
    f.Dialogs.ExecHandlers.push_back(
        Options([](OptionsDialog& o) { Find<QCheckBox>(&o, "ChkAutoZip")->setChecked(false); }));
    w.MnuOptionsXmitClick();
    ASSERT_FALSE(w.OptionValues().AutoZip);
    auto zip = Archive(f, "one.zip", {{"DATA.XMI", LibraryBytes()}});
    int rows = 0;
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        auto& z = dynamic_cast<ZipIntakeDialog&>(d);
        rows = Find<QTreeWidget>(&z, "LvwZip")->topLevelItemCount();
        Find<QTreeWidget>(&z, "LvwZip")
            ->setCurrentItem(Find<QTreeWidget>(&z, "LvwZip")->topLevelItem(0));
        // A double click in the list opens the entry, as Open does.
        emit Find<QTreeWidget>(&z, "LvwZip")
            ->itemDoubleClicked(Find<QTreeWidget>(&z, "LvwZip")->topLevelItem(0), 0);
        return z.result();
    });
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(zip.string()));
    w.MnuFileOpenClick();
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(f.Dialogs.ExecWindows.back(), "FrmXmitZip");
    EXPECT_TRUE(w.HasFile());
}

TEST(ZipIntake, ALargeEntryIsUnpackedOnlyAfterAYes) {
    MainFixture f;
    MakeDefaultFolders(f);
    MainWindow& w = f.Start();
    ZipSpec plan;
    plan.Entries = {{"BIG.XMI", LibraryBytes()}};
    Bytes zip = BuildZip(plan);
    // The central directory claims 300 MiB for the entry.
    const Bytes central = {0x50, 0x4B, 0x01, 0x02};
    const auto at = static_cast<std::size_t>(
        std::search(zip.begin(), zip.end(), central.begin(), central.end()) - zip.begin());
    const std::uint32_t claimed = 300u << 20;
    for (std::size_t k = 0; k < 4; ++k)
        zip[at + 24 + k] = static_cast<std::uint8_t>(claimed >> (8 * k));
    const auto path = f.Write("big.zip", zip);
    f.Dialogs.QuestionAnswers.push_back(MessageAnswer::No);
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(path.string()));
    w.MnuFileOpenClick();
    bool asked = false;
    for (const auto& m : f.Dialogs.Messages) {
        if (m.Buttons == MessageButtons::YesNo && m.Text.contains("more than 256 MiB"))
            asked = true;
    }
    EXPECT_TRUE(asked);
    EXPECT_FALSE(std::filesystem::exists(f.Dir / "bin" / "UnZipped" / "BIG.XMI"));
    EXPECT_FALSE(w.HasFile());
}
