#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "AboutDialog.h"
#include "DecodeErrorDialog.h"
#include "ElidedLabel.h"
#include "GuiSupport.h"
#include "TransferCopies.h"
#include "ViewerWindow.h"
#include "settings/WindowState.h"
#include "util/SizeText.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
QStringList Args(const std::filesystem::path& p) {
    return {QString::fromStdString(p.string())};
}

QString Label(QWidget& w, const char* name) {
    return Find<QLabel>(&w, name)->text();
}

bool Enabled(QWidget& w, const char* name) {
    if (auto* a = Find<QAction>(&w, name)) return a->isEnabled();
    return Find<QWidget>(&w, name)->isEnabled();
}

std::vector<const char*> kFileCommands = {"MnuFileClose",   "MnuXmitView",    "PopListView",
                                          "MnuXmitExtract", "PopListExtract", "SbnExtract",
                                          "SbnView",        "SbnJcl"};
std::vector<const char*> kSelectItems = {"MnuEditSelectAll", "MnuEditDeSelectAll", "PopListSelect",
                                         "PopListDeSelect"};
}  // namespace

TEST(MainWindow, StartsWithItsControlsCaptionsAndStartStates) {
    MainFixture f;
    MainWindow& w = f.Start();
    EXPECT_EQ(w.windowTitle(), "Corvane  v3");
    EXPECT_EQ(w.minimumSize(), QSize(350, 310));
    EXPECT_EQ(w.StatusText(0), "");  // a first start: nothing failed
    EXPECT_EQ(w.StatusText(1), "No file open");
    EXPECT_EQ(w.x(), 248);
    EXPECT_EQ(w.y(), 279);
    EXPECT_TRUE(Find<QToolBar>(&w, "ToolBar1")->isVisible());
    for (const char* name : kFileCommands) EXPECT_FALSE(Enabled(w, name)) << name;
    for (const char* name : kSelectItems) EXPECT_FALSE(Enabled(w, name)) << name;
    for (const char* name : {"MnuFileOpen", "MnuXmitDumpFile", "MnuFileRecentFile", "MnuFileExit",
                             "MnuOptions", "MnuViewToolbar", "MnuHelpContents", "MnuHelpAbout",
                             "SbnOpen", "SbnOptions", "SpeedButton2", "SbnHelp"}) {
        EXPECT_TRUE(Enabled(w, name)) << name;
    }
    EXPECT_FALSE(Find<QToolButton>(&w, "SpeedButton3")->isEnabled());
    struct Item {
        const char* name;
        const char* caption;
        const char* key;
    };
    for (Item i :
         {Item{"MnuFileOpen", "&Open...", "Ctrl+O"}, Item{"MnuFileClose", "&Close", "Ctrl+C"},
          Item{"MnuFileExit", "E&xit", "Ctrl+X"}, Item{"MnuXmitView", "&View", "Ctrl+V"},
          Item{"MnuXmitExtract", "E&xtract...", "Ctrl+E"}, Item{"MnuHelpAbout", "&About", "Ctrl+A"},
          Item{"MnuHelpContents", "&Contents", "F1"},
          Item{"MnuXmitDumpFile", "&Debug Xmit headers...", ""},
          Item{"PopListSelect", "Select all", ""},
          Item{"MnuEditDeSelectAll", "&DeSelect All", ""}}) {
        auto* a = Find<QAction>(&w, i.name);
        ASSERT_NE(a, nullptr) << i.name;
        EXPECT_EQ(a->text(), i.caption);
        EXPECT_EQ(a->shortcut(), QKeySequence(i.key)) << i.name;
    }
    EXPECT_EQ(Find<QToolButton>(&w, "SbnView")->text(), "View");
    EXPECT_EQ(Find<QToolButton>(&w, "SbnView")->toolTip(),
              "View selected data in a seperate panel");
    EXPECT_EQ(Find<QToolButton>(&w, "SbnJcl")->text(), "Jobwick");
    EXPECT_EQ(Find<QTabWidget>(&w, "TabInfo")->count(), 4);
    EXPECT_EQ(Find<QTabWidget>(&w, "TabInfo")->tabText(3), "message");
    EXPECT_EQ(Find<QTabWidget>(&w, "TabInfo")->currentIndex(), 1);
    EXPECT_EQ(Members(w)->ColumnCount(), 0);
    EXPECT_FALSE(AboutOf(w)->isVisible());
}

TEST(MainWindow, OpensALibraryFromTheCommandLine) {
    MainFixture f;
    auto path = f.Write("lib.xmi", BuildPds(MainFixture::Library(3)));
    MainWindow& w = f.Start(Args(path));
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Label(w, "LblDataset"), "USER.JCL.LIB");
    EXPECT_EQ(Label(w, "LblType"), "PDS");
    EXPECT_EQ(Label(w, "LblMembers"), "3");
    EXPECT_EQ(Label(w, "LblRecfm"), "FB");
    EXPECT_EQ(Label(w, "LblLrecl"), "80");
    EXPECT_EQ(Label(w, "LblBlksize"), "800");
    EXPECT_EQ(Label(w, "LblFromNode"), "NODEA");
    EXPECT_EQ(Label(w, "LblToId"), "USERB");
    EXPECT_EQ(Label(w, "LblCreated"), "04/07/2003  13:20");  // day first: the default option
    EXPECT_EQ(Label(w, "LblFileNum"), "1");
    EXPECT_EQ(Label(w, "LblFileName"), "lib.xmi");
    EXPECT_EQ(Label(w, "LblSize"), QString::fromStdString(SizeText(static_cast<std::int64_t>(
                                       std::filesystem::file_size(path)))));
    EXPECT_EQ(Find<QTabWidget>(&w, "TabInfo")->currentIndex(), 0);
    ASSERT_EQ(Members(w)->ColumnCount(), 9);
    EXPECT_EQ(Members(w)->Model().ColumnCaption(4), "User ID");
    ASSERT_EQ(Members(w)->RowCount(), 3);
    EXPECT_EQ(Members(w)->Text(1, 0), "MEM1    ");
    EXPECT_EQ(Members(w)->Text(1, 5), "1-1");
    EXPECT_TRUE(Members(w)->property("gridLines").toBool());
    EXPECT_EQ(w.StatusText(0), "File successfully opened.");
    EXPECT_EQ(w.StatusText(1), "lib.xmi");
    EXPECT_EQ(w.StatusText(2), QString::fromStdString(f.Dir.Path().string()));
    for (const char* name : kFileCommands) EXPECT_TRUE(Enabled(w, name)) << name;
    for (const char* name : kSelectItems) EXPECT_TRUE(Enabled(w, name)) << name;
    EXPECT_EQ(w.RecentFile(), QString::fromStdString(path.string()));
    EXPECT_TRUE(w.InTextMode());
}

TEST(MainWindow, ParserNotesShowAsAStatusWarningWithoutAMessageBox) {
    MainFixture f;
    const Bytes good = BuildPds(MainFixture::Library(3));
    // Cut inside the member data: the file opens, and the member scan stops there.
    auto path = f.Write("cut.xmi", Bytes(good.begin(), good.end() - 120));
    MainWindow& w = f.Start(Args(path));
    ASSERT_TRUE(w.HasFile());
    EXPECT_TRUE(f.Dialogs.Messages.empty());
    const QString note = "Member data cut short by the end of the file at offset ";
    EXPECT_TRUE(w.StatusText(0).startsWith("File successfully opened. Warning: " + note))
        << w.StatusText(0).toStdString();
    auto* panel = w.findChild<ElidedLabel*>("StatusPanel0");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->toolTip().startsWith(note)) << panel->toolTip().toStdString();
    // The next status message replaces the warning and its tooltip.
    w.MnuFileCloseClick();
    EXPECT_EQ(w.StatusText(0), "File Closed.");
    EXPECT_FALSE(panel->toolTip().contains(note));
}

TEST(MainWindow, ACopyChangedInTransferOpensAsTheOriginalWithAWarning) {
    MainFixture f;
    const Bytes good = BuildPds(MainFixture::Library(3));
    Bytes padded = good;
    padded.resize(good.size() + 160, 0x00);  // padded to a block with zeros
    Bytes described;                         // a descriptor before each record
    for (std::size_t at = 0; at < good.size(); at += 80) {
        described.insert(described.end(), {0, 84, 0, 0});
        described.insert(described.end(), good.begin() + static_cast<std::ptrdiff_t>(at),
                         good.begin() + static_cast<std::ptrdiff_t>(at + 80));
    }
    const std::pair<const char*, const Bytes*> copies[] = {{"padded.xmi", &padded},
                                                           {"described.xmi", &described}};
    for (const auto& [name, bytes] : copies) {
        SCOPED_TRACE(name);
        MainWindow& w = f.Start(Args(f.Write(name, *bytes)));
        ASSERT_TRUE(w.HasFile());
        EXPECT_EQ(Members(w)->Model().rowCount(), 3);
        EXPECT_TRUE(f.Dialogs.Messages.empty());
        EXPECT_TRUE(w.StatusText(0).contains("Warning: This file was "))
            << w.StatusText(0).toStdString();
        EXPECT_TRUE(w.StatusText(0).contains("the original bytes were restored exactly."));
        // Its original written beside it.
        ASSERT_TRUE(Find<QAction>(&w, "MnuFileSaveRepaired")->isEnabled());
        const auto saved = f.Dir / (std::string(name) + ".fixed");
        f.Dialogs.SaveAnswers.push_back(QString::fromStdString(saved.string()));
        Find<QAction>(&w, "MnuFileSaveRepaired")->trigger();
        EXPECT_EQ(ReadFile(saved), good);
        EXPECT_EQ(w.StatusText(0), "Saved the repaired copy as " +
                                       QString::fromStdString(saved.filename().string()) + ".");
    }
    MainWindow& clean = f.Start(Args(f.Write("clean.xmi", good)));
    EXPECT_FALSE(Find<QAction>(&clean, "MnuFileSaveRepaired")->isEnabled());
    // Sent in text mode through IBM 037, which other pages would read
    // differently: not undone, and the status bar says why beside the error.
    PdsSpec every;
    every.Members = {{"ALL", Bytes(256), false, "", {}}};
    for (int b = 0; b < 256; ++b) every.Members[0].Data[b] = static_cast<std::uint8_t>(b);
    const Bytes text = TextModeCopy(BuildPds(every), 37);
    MainWindow& ambiguous = f.Start(Args(f.Write("text.xmi", text)));
    EXPECT_FALSE(ambiguous.HasFile());
    const QString said = ambiguous.StatusText(0);
    EXPECT_TRUE(said.startsWith("An error occured processing the file. File closed."));
    EXPECT_TRUE(said.contains("IBM 037")) << said.toStdString();
    EXPECT_TRUE(said.contains("IBM 500")) << said.toStdString();
    EXPECT_FALSE(Find<QAction>(&ambiguous, "MnuFileSaveRepaired")->isEnabled());
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.startsWith("INMR01 header not found!"));
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("IBM 037"));
}

TEST(MainWindow, SequentialContentHasNoListAndNoSelectItems) {
    MainFixture f;
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(80, 'q'))};
    seq.MessageLines = {"HELLO FROM THE MAINFRAME"};
    MainWindow& w = f.Start(Args(f.Write("seq.xmi", BuildSequential(seq))));
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Members(w)->ColumnCount(), 0);
    EXPECT_EQ(Members(w)->RowCount(), 0);
    EXPECT_FALSE(Members(w)->property("gridLines").toBool());
    for (const char* name : kSelectItems) EXPECT_FALSE(Enabled(w, name)) << name;
    for (const char* name : kFileCommands) EXPECT_TRUE(Enabled(w, name)) << name;
    EXPECT_TRUE(Find<QPlainTextEdit>(&w, "MmoTabMessage")
                    ->toPlainText()
                    .startsWith("HELLO FROM THE MAINFRAME"));
}

TEST(MainWindow, CloseClearsEverythingAndRemembersThePath) {
    MainFixture f;
    auto path = f.Write("lib.xmi", BuildPds(MainFixture::Library()));
    MainWindow& w = f.Start(Args(path));
    Find<QAction>(&w, "MnuFileClose")->trigger();
    EXPECT_FALSE(w.HasFile());
    EXPECT_EQ(Label(w, "LblDataset"), "");
    EXPECT_EQ(Label(w, "LblSize"), "");
    EXPECT_EQ(Members(w)->ColumnCount(), 0);
    EXPECT_EQ(w.StatusText(0), "File Closed.");
    EXPECT_EQ(w.StatusText(1), "");
    for (const char* name : kFileCommands) EXPECT_FALSE(Enabled(w, name)) << name;
    for (const char* name : kSelectItems) EXPECT_FALSE(Enabled(w, name)) << name;
    EXPECT_EQ(Find<QAction>(&w, "MnuFileRecentFile")->text(),
              QString::fromStdString(path.string()));
    EXPECT_EQ(w.OpenInfo(), nullptr);

    // The recent item opens it again; an empty one does nothing.
    Find<QAction>(&w, "MnuFileRecentFile")->trigger();
    EXPECT_TRUE(w.HasFile());
}

TEST(MainWindow, RecentItemShowsThePathItselfEvenWithAmpersands) {
    MainFixture f;
    auto path = f.Write("a&b.xmi", BuildPds(MainFixture::Library()));
    MainWindow& w = f.Start(Args(path));
    EXPECT_EQ(w.RecentFile(), QString::fromStdString(path.string()));
    EXPECT_EQ(Find<QAction>(&w, "MnuFileRecentFile")->text(),
              QString::fromStdString(path.string()).replace("&", "&&"));
    f.Stop();
    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    EXPECT_EQ(key->ReadString("lastFile"), path.string());
}

TEST(MainWindow, NotAnXmitFileIsReportedAndNothingOpens) {
    MainFixture f;
    MainWindow& w =
        f.Start(Args(f.Write("junk.xmi", ToEbcdic("JUST SOME TEXT, NOT A TRANSMISSION"))));
    EXPECT_FALSE(w.HasFile());
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_EQ(f.Dialogs.Messages.back().Text,
              "INMR01 header not found!\nThis does not look like an Xmit file");
    EXPECT_EQ(w.StatusText(0), "An error occured processing the file. File closed.");
    for (const char* name : kFileCommands) EXPECT_FALSE(Enabled(w, name)) << name;
    EXPECT_EQ(w.OpenInfo(), nullptr);
}

TEST(MainWindow, DecodeFailureShowsTheErrorWindowWithDetails) {
    MainFixture f;
    MemoryOut out;
    XmitWriter x(out);
    // INMR01 whose last item claims 40 bytes but carries 3.
    Bytes record = ToEbcdic("INMR01");
    record.insert(record.end(), {0x10, 0x11, 0x00, 0x01, 0x00, 0x28, 0xC1, 0xC2, 0xC3});
    x.Segment(static_cast<std::uint8_t>(record.size() + 2), 0xE0, record);
    x.Control(6, {});
    auto path = f.Write("bad.xmi", out.Data);
    QString title, reason, details;
    int heights[3] = {0, 0, 0};
    QString captions[2];
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        auto& e = dynamic_cast<DecodeErrorDialog&>(d);
        title = Find<QLabel>(&e, "LblError1")->text();
        reason = Find<QLabel>(&e, "LblError2")->text();
        details = Find<QPlainTextEdit>(&e, "MmoDetails")->toPlainText();
        heights[0] = e.height();
        Find<QPushButton>(&e, "BtnDetails")->click();
        heights[1] = e.height();
        captions[0] = Find<QPushButton>(&e, "BtnDetails")->text();
        Find<QPushButton>(&e, "BtnDetails")->click();
        heights[2] = e.height();
        captions[1] = Find<QPushButton>(&e, "BtnDetails")->text();
        return 0;
    });
    MainWindow& w = f.Start(Args(path));
    EXPECT_EQ(f.Dialogs.ExecWindows, std::vector<QString>{"FrmDecodeError"});
    EXPECT_EQ(title, "Error while decoding");
    EXPECT_EQ(reason, "INMR01 record");
    EXPECT_TRUE(details.startsWith("Text unit item runs past the end of its record"));
    EXPECT_TRUE(details.contains("Current xmit record type is xE0"));
    EXPECT_EQ(heights[0], DecodeErrorDialog::kCollapsedHeight);
    EXPECT_EQ(heights[1], DecodeErrorDialog::kExpandedHeight);
    EXPECT_EQ(heights[2], DecodeErrorDialog::kCollapsedHeight);
    EXPECT_EQ(captions[0], "Details <<");
    EXPECT_EQ(captions[1], "Details >>");
    EXPECT_FALSE(w.HasFile());
}

TEST(MainWindow, DebugHeadersKeepTheDumpWindow) {
    MainFixture f;
    PdsSpec plan = MainFixture::Library(2);
    Bytes bytes = BuildPds(plan);
    auto good = f.Write("lib.xmi", bytes);
    MainWindow& w = f.Start();
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(good.string()));
    Find<QAction>(&w, "MnuXmitDumpFile")->trigger();
    ASSERT_TRUE(w.HasFile());
    ViewerWindow* dump = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* v = qobject_cast<ViewerWindow*>(top);
            v && v->windowTitle() == "lib.xmi" && v->isVisible())
            dump = v;
    }
    ASSERT_NE(dump, nullptr);
    const QString text = dump->RichEdit1->toPlainText();
    EXPECT_TRUE(text.contains("Header: INMR01"));
    EXPECT_TRUE(text.contains("IEBCOPY UNLOAD Header: COPYR1"));
    EXPECT_TRUE(text.contains("Directory Block Record Length: 276 (first 30 bytes)"));
    EXPECT_EQ(dump->StatusText(0), "Ok");
    dump->close();

    // A failure in this mode keeps the dump; the file is closed.
    Bytes broken = bytes;
    for (std::size_t p = 0; p + 1 < broken.size(); p += broken[p]) {
        if (broken[p + 1] == 0x80) {  // COPYR2: the first record that spans two segments
            broken[p + 255] = 0;      // its second segment's length byte
            break;
        }
    }
    auto bad = f.Write("broken.xmi", broken);
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(bad.string()));
    Find<QAction>(&w, "MnuXmitDumpFile")->trigger();
    EXPECT_FALSE(w.HasFile());
    EXPECT_EQ(w.OpenInfo(), nullptr);
    EXPECT_EQ(w.StatusText(0), "An error occured processing the file. File closed.");
    for (const char* name : kFileCommands) EXPECT_FALSE(Enabled(w, name)) << name;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* v = qobject_cast<ViewerWindow*>(top); v && v->isVisible()) {
            EXPECT_NE(v->StatusText(0), "Ok");
            v->close();
        }
    }
    // The next open clears it.
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(good.string()));
    Find<QAction>(&w, "MnuFileOpen")->trigger();
    EXPECT_TRUE(w.HasFile());
    EXPECT_EQ(Members(w)->RowCount(), 2);
}

TEST(MainWindow, OpenDialogStartsInTheLastFilesFolderAndCancelChangesNothing) {
    MainFixture f;
    auto path = f.Write("lib.xmi", BuildPds(MainFixture::Library()));
    MainWindow& w = f.Start(Args(path));
    Find<QAction>(&w, "MnuFileOpen")->trigger();  // cancelled: no answer queued
    ASSERT_EQ(f.Dialogs.OpenRequests.size(), 1u);
    EXPECT_EQ(f.Dialogs.OpenRequests[0].Title, "Open Xmit File");
    EXPECT_EQ(f.Dialogs.OpenRequests[0].Folder, QString::fromStdString(f.Dir.Path().string()));
    EXPECT_TRUE(f.Dialogs.OpenRequests[0].Filter.startsWith(
        "Xmit files (*.xmt , *.xmi , *.xm , *.xmit , *.zip))|"));
    EXPECT_TRUE(w.HasFile());
    EXPECT_EQ(w.StatusText(0), "File successfully opened.");
}

TEST(MainWindow, SelectionCountAndSelectAll) {
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(5)))));
    for (int i : {0, 2, 4}) Members(w)->SetRowSelected(i, true);
    w.LvwMembersClick();
    EXPECT_EQ(w.StatusText(0), "3 Selected.");
    Find<QAction>(&w, "MnuEditSelectAll")->trigger();
    EXPECT_EQ(Members(w)->SelectedCount(), 5);
    EXPECT_EQ(w.StatusText(0), "3 Selected.");
    Find<QAction>(&w, "PopListDeSelect")->trigger();
    EXPECT_TRUE(Members(w)->SelectedCount() == 0);
}

TEST(MainWindow, WindowStateSurvivesARestart) {
    MainFixture f;
    auto path = f.Write("lib.xmi", BuildPds(MainFixture::Library()));
    {
        MainWindow& w = f.Start(Args(path));
        w.move(120, 140);
        w.resize(700, 420);
        QApplication::processEvents();
        Find<QSplitter>(&w, "Splitter1")->setSizes({250, 450});
        Find<QAction>(&w, "MnuViewToolbar")->trigger();
        EXPECT_FALSE(Find<QToolBar>(&w, "ToolBar1")->isVisible());
        f.Stop();
    }
    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false);
    EXPECT_EQ(key->ReadInteger("FormLeft"), 120u);
    EXPECT_EQ(key->ReadInteger("FormWidth"), 700u);
    EXPECT_EQ(key->ReadInteger("TabWidth"), 250u);
    EXPECT_EQ(key->ReadInteger("toolbar"), 0u);
    EXPECT_EQ(key->ReadString("lastFile"), path.string());

    MainWindow& again = f.Start();
    EXPECT_EQ(again.StatusText(0), "");  // read silently from the registry
    EXPECT_EQ(again.x(), 120);
    EXPECT_EQ(again.y(), 140);
    EXPECT_EQ(again.width(), 700);
    EXPECT_EQ(Find<QSplitter>(&again, "Splitter1")->sizes().value(0), 250);
    EXPECT_FALSE(Find<QAction>(&again, "MnuViewToolbar")->isChecked());
    EXPECT_FALSE(Find<QToolBar>(&again, "ToolBar1")->isVisible());
    EXPECT_EQ(again.RecentFile(), QString::fromStdString(path.string()));
}

TEST(MainWindow, ShortcutsCloseTheFileAndShowTheAboutWindow) {
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library()))));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(AboutOf(w)->isVisible());
    QTest::mouseClick(Find<QLabel>(AboutOf(w), "Label1"), Qt::LeftButton);
    EXPECT_TRUE(AboutOf(w)->isVisible());  // a text label does not close it
    QTest::mouseClick(Find<QLabel>(AboutOf(w), "Image1"), Qt::LeftButton);
    EXPECT_TRUE(AboutOf(w)->isVisible());
    QTest::mouseClick(Find<QLabel>(AboutOf(w), "Label3"), Qt::LeftButton);
    EXPECT_FALSE(AboutOf(w)->isVisible());
    w.MnuHelpAboutClick();
    QTest::mouseClick(AboutOf(w), Qt::LeftButton, {}, QPoint(5, 220));
    EXPECT_FALSE(AboutOf(w)->isVisible());
    // Keys close it too, as any small window.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        w.MnuHelpAboutClick();
        QTest::keyClick(AboutOf(w), key);
        EXPECT_FALSE(AboutOf(w)->isVisible()) << key;
    }

    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(w.HasFile());
}

TEST(MainWindow, HelpOpensTheUserGuideBesideTheProgram) {
    MainFixture f;
    MainWindow& w = f.Start();
    Find<QToolButton>(&w, "SpeedButton2")->click();
    ASSERT_EQ(f.Dialogs.Urls.size(), 1);
    EXPECT_EQ(f.Dialogs.Urls[0],
              "file://" + QString::fromStdString((f.Dir / "bin" / "docs" / "index.html").string()));
}

TEST(MainWindow, AnInstalledProgramFindsTheGuideInTheSharedFolder) {
    MainFixture f;
    std::filesystem::create_directories(f.Dir / "usr" / "bin");
    const auto guide = f.Dir / "usr" / "share" / "corvane" / "docs" / "index.html";
    std::filesystem::create_directories(guide.parent_path());
    WriteFile(guide, ToEbcdic("guide"));
    f.Env.ProgramPath = f.Dir / "usr" / "bin" / "corvane";
    MainWindow& w = f.Start();
    w.MnuHelpContentsClick();
    ASSERT_EQ(f.Dialogs.Urls.size(), 1);
    EXPECT_EQ(f.Dialogs.Urls[0].toStdString(), "file://" + guide.string());
}

TEST(Dialogs, FilterLabelsShowAsWrittenAndAllFilesTakesNamesWithoutADot) {
    // Qt reads the patterns from the last parentheses and hides them; "*.*"
    // is every file, as on Windows.
    EXPECT_EQ(QtFilters("Xmit files (*.xmi , *.xmt))|*.xmi;*.xmt|All files (*.*)|*.*"),
              QStringList({"Xmit files (*.xmi , *.xmt)) (*.xmi *.xmt)", "All files (*.*) (*)"}));
}
