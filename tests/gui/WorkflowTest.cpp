// Using the windows as a user does: questions never hidden, the keyboard,
// damaged libraries, many viewers, files that cannot be opened.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "../cli/CliRun.h"
#include "ExtractPrompt.h"
#include "GuiSupport.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"
#include "ViewerWindow.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
QStringList Args(const std::filesystem::path& p) {
    return {QString::fromStdString(p.string())};
}

std::vector<ViewerWindow*> Viewers(MainWindow& w) {
    std::vector<ViewerWindow*> out;
    for (ViewerWindow* v : w.findChildren<ViewerWindow*>()) {
        if (v->isVisible()) out.push_back(v);
    }
    return out;
}

void SetPrompt(MainFixture& f, MainWindow& w, bool on) {
    f.Dialogs.ExecHandlers.push_back([on](QDialog& d) {
        d.findChild<QCheckBox*>("ChkPromptType")->setChecked(on);
        d.findChild<QPushButton*>("BbnOk")->click();
        return d.result();
    });
    w.MnuOptionsXmitClick();
    ASSERT_EQ(w.OptionValues().promptType, on);
}

// Answers the extraction prompt with a button.
std::function<int(QDialog&)> Choose(const char* button) {
    return [button](QDialog& d) {
        d.findChild<QPushButton*>(button)->click();
        return d.result();
    };
}

// A library whose directory sends the named members to a place that holds
// no data: their reads fail, the others' do not.
Bytes WithLostMembers(Bytes file, const std::vector<std::string>& names) {
    for (std::string name : names) {
        name.resize(8, ' ');
        const Bytes key = ToEbcdic(name);
        auto at = std::search(file.begin(), file.end(), key.begin(), key.end());
        if (at == file.end() || file.end() - at < 11) continue;
        at[8] = 0x7F;  // a track far past the data
        at[9] = 0xF0;
        at[10] = 0x01;
    }
    return file;
}
}  // namespace

TEST(Questions, AreNeverAskedUnderTheProgressWindow) {
    struct Case {
        const char* name;
        bool prompt;
        int selected;
        bool extract;
        const char* asked;  // the window or message caption that must come up
    };
    for (const Case& c :
         {Case{"prompt before a view", true, 1, false, "FrmPromptType"},
          Case{"prompt before an extraction", true, 1, true, "FrmPromptType"},
          Case{"many views", false, 21, false, "Viewing more than 20 members!"},
          Case{"prompt and many views", true, 21, false, "Viewing more than 20 members!"}}) {
        SCOPED_TRACE(c.name);
        MainFixture f;
        f.MakeDefaultFolders();
        MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(21)))));
        if (c.prompt) SetPrompt(f, w, true);
        for (int r = 0; r < c.selected; ++r) Members(w)->SetRowSelected(r, true);
        if (c.prompt) f.Dialogs.ExecHandlers.push_back(Choose("Button3"));
        f.Dialogs.QuestionAnswers = {MessageAnswer::No};
        f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "m.txt").string()));
        const std::size_t execs = f.Dialogs.ExecWindows.size();
        if (c.extract) {
            w.MnuXmitExtractClick();
        } else {
            w.MnuXmitViewClick();
        }
        bool seen = false;
        for (std::size_t k = execs; k < f.Dialogs.ExecWindows.size(); ++k)
            seen |= f.Dialogs.ExecWindows[k] == c.asked;
        for (const auto& m : f.Dialogs.Messages) seen |= m.Caption == c.asked;
        EXPECT_TRUE(seen);
        EXPECT_EQ(f.Dialogs.MessagesOverProgress, 0);
        EXPECT_FALSE(ProgressOf(w)->isVisible());
    }
}

TEST(Questions, AReadErrorDuringAViewIsNotCoveredByTheProgressWindow) {
    MainFixture f;
    MainWindow& w = f.Start(
        Args(f.Write("lib.xmi", WithLostMembers(BuildPds(MainFixture::Library(2)), {"MEM1"}))));
    Members(w)->SetRowSelected(1, true);
    f.Dialogs.ExecHandlers.push_back([](QDialog& d) { return d.result(); });
    w.MnuXmitViewClick();
    ASSERT_EQ(f.Dialogs.ExecWindows.back(), "FrmDecodeError");
    EXPECT_EQ(f.Dialogs.MessagesOverProgress, 0);
}

TEST(Sequential, ADatasetWithoutANameIsNamedAfterTheFile) {
    MainFixture f;
    SequentialSpec seq;
    seq.Qualifiers.clear();
    seq.Records = {ToEbcdic(std::string(80, 'n'))};
    MainWindow& w = f.Start(Args(f.Write("test_seq.xmi", BuildSequential(seq))));
    ASSERT_TRUE(w.HasFile());
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "out.txt").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(f.Dialogs.SaveRequests.back().FileName, "test_seq.txt");
    w.MnuXmitViewClick();
    ASSERT_EQ(Viewers(w).size(), 1u);
    EXPECT_EQ(Viewers(w)[0]->windowTitle(), "test_seq");
    // The right pane says what the file holds.
    EXPECT_TRUE(Members(w)->Placeholder().contains("sequential dataset"));
    EXPECT_TRUE(Members(w)->Placeholder().contains("whole dataset"));
}

TEST(Keyboard, EnterViewsAndKeysUpdateTheSelectionCount) {
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(4)))));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Members(w)->setFocus();
    Members(w)->setCurrentIndex(Members(w)->model()->index(0, 0));
    QTest::keyClick(Members(w), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(Members(w), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(w.StatusText(0), "3 Selected.");
    w.SetStatus(0, "File successfully opened.");
    QTest::keyClick(Members(w), Qt::Key_Control);  // changes no selection: says nothing
    EXPECT_EQ(w.StatusText(0), "File successfully opened.");
    QTest::keyClick(Members(w), Qt::Key_Return);
    const auto views = Viewers(w);
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0]->windowTitle(), "MEM0    ");

    // With nothing selected, Enter views the row the cursor is on.
    Members(w)->clearSelection();
    Members(w)->setCurrentIndex(Members(w)->model()->index(3, 0));
    Members(w)->clearSelection();
    QTest::keyClick(Members(w), Qt::Key_Return);
    ASSERT_EQ(Viewers(w).size(), 4u);
    EXPECT_EQ(Viewers(w).back()->windowTitle(), "MEM3    ");
}

TEST(Keyboard, TabReachesTheFilterAndTheMemberList) {
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(2)))));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), Members(w));  // the members have the keys first
    bool list = false, filter = false;
    for (int k = 0; k < 12 && !(list && filter); ++k) {
        QWidget* at = QApplication::focusWidget();
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(qobject_cast<QToolButton*>(at), nullptr) << k;  // the toolbar takes no focus
        filter = filter || at->objectName() == "EdtFilter";
        QTest::keyClick(at, Qt::Key_Tab);
        list = list || QApplication::focusWidget() == Members(w);  // Tab comes back round
    }
    EXPECT_TRUE(list);
    EXPECT_TRUE(filter);
}

TEST(Keyboard, EnterInThePromptTakesItsDefaultChoice) {
    struct Case {
        const char* name;
        std::uint16_t recfm;
        PromptChoice expectChoice;
        bool expectText;
    };
    for (const Case& c :
         {Case{"fixed records: Auto", 0x9000, PromptChoice::Auto, true},
          Case{"variable records: Auto, which stays binary", 0x5002, PromptChoice::Auto, false},
          Case{"undefined records: Binary, the one choice", 0xC000, PromptChoice::Binary, false}}) {
        SCOPED_TRACE(c.name);
        MainFixture f;
        f.MakeDefaultFolders();
        SequentialSpec seq;
        seq.Recfm = c.recfm;
        seq.Records = {ToEbcdic(std::string(80, 'k'))};
        MainWindow& w = f.Start(Args(f.Write("s.xmi", BuildSequential(seq))));
        SetPrompt(f, w, true);
        PromptChoice result = PromptChoice::Text;
        f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
            auto& p = dynamic_cast<ExtractPrompt&>(d);
            d.activateWindow();
            if (Find<QSpinBox>(&p, "UpDownRecLen")->isEnabled()) {
                Find<QPushButton>(&p, "Button2")
                    ->setFocus(Qt::TabFocusReason);  // Tab passes over "Binary"
                QApplication::processEvents();
                Find<QSpinBox>(&p, "UpDownRecLen")->setFocus(Qt::MouseFocusReason);
                QTest::keyClick(Find<QSpinBox>(&p, "UpDownRecLen"),
                                Qt::Key_Down);  // the length arrows
            }
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &d,
                            Qt::Key_Return);
            result = p.Answer().Choice;
            return d.result();
        });
        w.SetTextMode(!c.expectText);
        w.MnuXmitViewClick();
        EXPECT_EQ(result, c.expectChoice);
        EXPECT_EQ(w.InTextMode(), c.expectText);
    }
}

TEST(ExtractCommand, ADamagedLibraryGivesOneSummaryAtTheEnd) {
    MainFixture f;
    MainWindow& w = f.Start(Args(
        f.Write("lib.xmi", WithLostMembers(BuildPds(MainFixture::Library(5)), {"MEM1", "MEM3"}))));
    Members(w)->selectAll();
    std::filesystem::create_directories(f.Dir / "out");
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "out" / ".txt").string()));
    w.MnuXmitExtractClick();
    EXPECT_TRUE(f.Dialogs.ExecWindows.empty());  // no error window per member
    ASSERT_EQ(f.Dialogs.Messages.size(), 1u);
    const QString summary = f.Dialogs.Messages[0].Text;
    EXPECT_TRUE(summary.startsWith("2 of 5 members could not be extracted:"));
    EXPECT_TRUE(summary.contains("MEM1: Cannot find correct data location for"));
    EXPECT_TRUE(summary.contains("MEM3: "));
    EXPECT_FALSE(summary.contains("MEM2"));
    EXPECT_EQ(w.StatusText(0), "3 Processed.");
    EXPECT_TRUE(std::filesystem::exists(f.Dir / "out" / "MEM4.txt"));
    // The next error outside such a series is shown at once again.
    Members(w)->clearSelection();
    Members(w)->SetRowSelected(1, true);
    f.Dialogs.ExecHandlers.push_back([](QDialog& d) { return d.result(); });
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "one.txt").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(f.Dialogs.ExecWindows, std::vector<QString>{"FrmDecodeError"});
}

TEST(ViewCommand, ViewersCascadeCancelStopsTheSeriesAndOneCommandClosesThemAll) {
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(6)))));
    for (int r : {0, 1, 2}) Members(w)->SetRowSelected(r, true);
    w.MnuXmitViewClick();
    auto views = Viewers(w);
    ASSERT_EQ(views.size(), 3u);
    EXPECT_NE(views[0]->pos(), views[1]->pos());
    EXPECT_NE(views[1]->pos(), views[2]->pos());
    Find<QAction>(&w, "MnuViewCloseViewers")->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(Viewers(w).empty());

    // Cancel pressed while the first of six is read: no further viewer opens.
    ProgressOf(w)->SetEventInterval(0);
    QTimer::singleShot(0, ProgressOf(w),
                       [&] { Find<QPushButton>(ProgressOf(w), "BtnCancel")->click(); });
    Members(w)->selectAll();
    w.MnuXmitViewClick();
    EXPECT_EQ(Viewers(w).size(), 1u);
}

TEST(Errors, OpeningSaysWhichFileAndWhy) {
    MainFixture f;
    std::filesystem::create_directories(f.Dir / "folder.xmi");
    f.Write("empty.xmi", {});
    struct Case {
        const char* name;
        const char* reason;
    };
    for (const Case& c : {Case{"missing.xmi", "No such file"}, Case{"folder.xmi", "folder"},
                          Case{"empty.xmi", "The file is empty."}}) {
        SCOPED_TRACE(c.name);
        MainWindow& w = f.Start(Args(f.Dir / c.name));
        EXPECT_FALSE(w.HasFile());
        ASSERT_FALSE(f.Dialogs.Messages.empty());
        const auto& m = f.Dialogs.Messages.back();
        EXPECT_EQ(m.Caption, "Error opening file");
        EXPECT_TRUE(m.Text.contains(QString::fromStdString((f.Dir / c.name).string())));
        EXPECT_TRUE(m.Text.contains(c.reason)) << m.Text.toStdString();
    }
}

TEST(Errors, ADocumentNothingOpensIsReportedWithItsPath) {
    MainFixture f;
    f.Dialogs.RefuseUrls = true;
    MainWindow& w = f.Start();
    w.MnuHelpContentsClick();
    ASSERT_EQ(f.Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(f.Dialogs.Messages[0].Text.startsWith("No program is set up to open"));
    EXPECT_TRUE(f.Dialogs.Messages[0].Text.contains("index.html"));
}

TEST(SameTexts, TheInfoTabsShowWhatCorvaneCliInfoPrintsForEverySample) {
    const std::filesystem::path samples = SamplesDir();
    if (samples.empty()) GTEST_SKIP() << "samples folder ../shared/samples absent: skipped";
    const std::vector<std::pair<const char*, const char*>> rows = {{"Size:", "LblSize"},
                                                                   {"Created:", "LblCreated"},
                                                                   {"Content files:", "LblFileNum"},
                                                                   {"File name:", "LblFileName"},
                                                                   {"Dataset:", "LblDataset"},
                                                                   {"Type:", "LblType"},
                                                                   {"Members:", "LblMembers"},
                                                                   {"Recfm:", "LblRecfm"},
                                                                   {"lrecl:", "LblLrecl"},
                                                                   {"Blksize:", "LblBlksize"},
                                                                   {"From node:", "LblFromNode"},
                                                                   {"From User:", "LblFromId"},
                                                                   {"To node:", "LblToNode"},
                                                                   {"To user:", "LblToId"}};
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(samples)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name.ends_with(".md") || name.ends_with(".json") ||
            name.ends_with(".zip"))
            continue;
        MainFixture f;
        MainWindow& w = f.Start({QString::fromStdString(entry.path().string())});
        ASSERT_TRUE(w.HasFile()) << name;
        const CliRun info = Cli("info " + Q(entry.path()));
        ASSERT_EQ(info.Code, 0) << name;
        for (const auto& [caption, label] : rows) {
            const std::string prefix = std::string("  ") + caption;
            const std::size_t at = info.Out.find("\n" + prefix);
            ASSERT_NE(at, std::string::npos) << name << " " << caption;
            const std::size_t from = info.Out.find_first_not_of(' ', at + 1 + prefix.size());
            const std::string value = info.Out.substr(from, info.Out.find('\n', from) - from);
            EXPECT_EQ(Find<QLabel>(&w, label)->text().toStdString(), value)
                << name << " " << caption;
        }
        ++compared;
    }
    EXPECT_GE(compared, 8);
}
