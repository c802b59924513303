// A first run on a fresh profile, the captions and frames of the windows,
// and the window state that comes back.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "Application.h"
#include "DecodeErrorDialog.h"
#include "ExtractPrompt.h"
#include "GuiSupport.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"
#include "ZipIntakeDialog.h"
#include "ZipWriter.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
// Points the user's folders at fresh ones for as long as it lives.
class FreshProfile {
  public:
    explicit FreshProfile(const std::filesystem::path& root) {
        for (const auto& [name, sub] : std::vector<std::pair<const char*, const char*>>{
                 {"HOME", "home"},
                 {"XDG_CONFIG_HOME", "home/.config"},
                 {"XDG_DATA_HOME", "home/.local/share"},
                 {"XDG_CACHE_HOME", "home/.cache"}}) {
            saved_.emplace_back(name, qgetenv(name));
            const auto folder = root / sub;
            std::filesystem::create_directories(folder);
            qputenv(name, QByteArray::fromStdString(folder.string()));
        }
    }
    ~FreshProfile() {
        for (const auto& [name, value] : saved_) qputenv(name.c_str(), value);
    }

  private:
    std::vector<std::pair<std::string, QByteArray>> saved_;
};

bool WritableFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return false;
    const auto probe = folder / ".corvane-probe";
    WriteFile(probe, Bytes(1, 'p'));
    const bool ok = std::filesystem::exists(probe, ec);
    std::filesystem::remove(probe, ec);
    return ok;
}
}  // namespace

TEST(FirstRun, AZipOpensOnAFreshProfileAndTheFoldersAreTheUsers) {
    MainFixture f;
    FreshProfile profile(f.Dir / "profile");
    f.Env.ZipFolder.clear();  // the platform's own places
    f.Env.OpenFolder.clear();
    ZipSpec zip;
    zip.Entries.push_back({"JOBS.XMI", BuildPds(MainFixture::Library(2))});
    const auto archive = f.Write("jobs.zip", BuildZip(zip));
    std::filesystem::permissions(f.Dir / "bin",
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);

    MainWindow& w = f.Start({QString::fromStdString(archive.string())});
    EXPECT_TRUE(w.HasFile());
    EXPECT_TRUE(f.Dialogs.Messages.empty());
    EXPECT_TRUE(f.Dialogs.ExecWindows.empty());
    EXPECT_EQ(w.windowTitle(), "Corvane  v3");

    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    const std::filesystem::path zipDir = key->ReadString("ZipDir");
    const std::filesystem::path openDir = key->ReadString("DefaultDir");
    const auto home = f.Dir / "profile" / "home";
    EXPECT_EQ(zipDir, home / ".local" / "share" / "Corvane" / "UnZipped");
    EXPECT_EQ(openDir, home);  // no documents folder yet
    EXPECT_TRUE(WritableFolder(zipDir));
    EXPECT_TRUE(WritableFolder(openDir));
    EXPECT_EQ(w.RecentFile(), QString::fromStdString((zipDir / "JOBS.XMI").string()));

    // Options can be confirmed as they stand, and Defaults gives the same.
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        auto& o = dynamic_cast<OptionsDialog&>(d);
        Find<QPushButton>(&o, "BtnDefault")->click();
        EXPECT_EQ(Find<QLineEdit>(&o, "EdtUnZipTo")->text().toStdString(), zipDir.string());
        EXPECT_EQ(Find<QLineEdit>(&o, "EdtDefaultDir")->text().toStdString(), openDir.string());
        Find<QPushButton>(&o, "BbnOk")->click();
        return o.result();
    });
    w.MnuOptionsXmitClick();
    EXPECT_EQ(w.StatusText(0), "Options updated in the settings file.");
    f.Stop();
    // Nothing was written into the program's folder.
    EXPECT_TRUE(std::filesystem::is_empty(f.Dir / "bin"));
}

TEST(Captions, AreExactlyTheWindowsOwnTexts) {
    // The application object names the program without a display name, which
    // the toolkit would append to every caption.
    ConfigureApplication(*qApp);
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("probe-name");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe-name");
    QCoreApplication::setApplicationName(name);

    MainFixture f;
    MainWindow& w = f.Start();
    ExtractPrompt prompt(&w);
    ProgressDialog progress(&w);
    DecodeErrorDialog error(&w);
    ZipIntakeDialog zip(&w, f.Dialogs);
    struct Case {
        QWidget* window;
        const char* caption;
    };
    for (const Case& c :
         {Case{&w, "Corvane  v3"}, Case{OptionsOf(w), "Xmit options"},
          Case{&prompt, "Extraction Type Maual Selection"}, Case{&progress, "Extract Progress"},
          Case{&error, "Error"}, Case{&zip, "UnZIp files for Corvane"}}) {
        c.window->show();
        ASSERT_NE(c.window->windowHandle(), nullptr) << c.caption;
        EXPECT_EQ(c.window->windowHandle()->title(), c.caption);
        c.window->hide();
    }
}

TEST(Frames, DialogsAreFixedAndTheProgressWindowIsAToolWindow) {
    MainFixture f;
    MainWindow& w = f.Start();
    ExtractPrompt prompt(&w);
    ZipIntakeDialog zip(&w, f.Dialogs);
    for (QDialog* d : std::initializer_list<QDialog*>{OptionsOf(w), &prompt, &zip}) {
        d->show();
        QApplication::processEvents();
        EXPECT_EQ(d->minimumSize(), d->maximumSize()) << d->objectName().toStdString();
        EXPECT_FALSE(d->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(d->windowFlags() & Qt::WindowMinimizeButtonHint);
        d->hide();
    }
    ProgressDialog progress(&w);
    EXPECT_EQ(progress.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(WindowState, AMaximisedWindowComesBackMaximisedWithItsNormalSize) {
    MainFixture f;
    {
        MainWindow& w = f.Start();
        w.setGeometry(100, 120, 640, 400);
        QApplication::processEvents();
        w.showMaximized();
        QApplication::processEvents();
        ASSERT_TRUE(w.isMaximized());
        f.Stop();
    }
    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    EXPECT_EQ(key->ReadInteger("FormWidth"), 640u);
    EXPECT_EQ(key->ReadInteger("FormHeight"), 400u);
    MainWindow& again = f.Start();
    QApplication::processEvents();
    EXPECT_TRUE(again.isMaximized());
    again.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(again.size(), QSize(640, 400));
}
