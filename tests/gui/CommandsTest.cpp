#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "ElidedLabel.h"
#include "ExtractPrompt.h"
#include "GuiSupport.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"
#include "Sha256.h"
#include "ViewerWindow.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
QStringList Args(const std::filesystem::path& p) {
    return {QString::fromStdString(p.string())};
}

// The viewer windows the main window owns, in the order they were made.
std::vector<ViewerWindow*> Viewers(MainWindow& w) {
    std::vector<ViewerWindow*> out;
    for (ViewerWindow* v : w.findChildren<ViewerWindow*>()) {
        if (v->isVisible()) out.push_back(v);
    }
    return out;
}

void CloseViewers(MainWindow& w) {
    for (ViewerWindow* v : Viewers(w)) v->close();
    QApplication::processEvents();
}

void Select(MainWindow& w, std::initializer_list<int> rows) {
    Members(w)->clearSelection();
    for (int r : rows) Members(w)->SetRowSelected(r, true);
}

void EnablePrompt(MainFixture& f, MainWindow& w) {
    auto key = f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, true, true);
    key->WriteBool("promptType", true);
    // The dialog reloads from the store each time it is shown.
    f.Dialogs.ExecHandlers.push_back([](QDialog& d) {
        d.findChild<QPushButton*>("BbnOk")->click();
        return d.result();
    });
    w.MnuOptionsXmitClick();
    ASSERT_TRUE(w.OptionValues().promptType);
}
}  // namespace

TEST(ViewCommand, OneMemberOpensAFilledViewer) {
    MainFixture f;
    PdsSpec plan = MainFixture::Library(3);
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(plan))));
    Select(w, {1});
    Find<QAction>(&w, "MnuXmitView")->trigger();
    auto views = Viewers(w);
    ASSERT_EQ(views.size(), 1u);
    ViewerWindow& v = *views[0];
    EXPECT_EQ(v.windowTitle(), "MEM1    ");
    EXPECT_TRUE(v.isEnabled());
    EXPECT_TRUE(v.RichEdit1->isVisible());
    EXPECT_EQ(v.StatusText(0), "Data read ok.");
    EXPECT_EQ(v.StatusText(1), "Size: 240 bytes");
    const QStringList lines = v.RichEdit1->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].trimmed(), "MEMBER 1 LINE 0");
    EXPECT_EQ(lines[3], "");
    EXPECT_FALSE(ProgressOf(w)->isVisible());
    EXPECT_FALSE(w.Reading());
    CloseViewers(w);
}

TEST(ViewCommand, NoSelectionSeveralAndTheQuestionAboveTwenty) {
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(21)))));
    Find<QAction>(&w, "MnuXmitView")->trigger();
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_EQ(f.Dialogs.Messages.back().Text, "Select at least one member from the list.");
    EXPECT_TRUE(Viewers(w).empty());

    Select(w, {0, 3, 5});
    w.MnuXmitViewClick();
    auto three = Viewers(w);
    ASSERT_EQ(three.size(), 3u);
    CloseViewers(w);

    Members(w)->selectAll();
    Members(w)->SetRowSelected(20, false);
    const std::size_t asked = f.Dialogs.Messages.size();
    w.MnuXmitViewClick();  // twenty: no question
    EXPECT_EQ(f.Dialogs.Messages.size(), asked);
    EXPECT_EQ(Viewers(w).size(), 20u);
    CloseViewers(w);

    Members(w)->selectAll();
    f.Dialogs.QuestionAnswers = {MessageAnswer::No};
    w.MnuXmitViewClick();
    EXPECT_EQ(f.Dialogs.Messages.back().Caption, "Viewing more than 20 members!");
    EXPECT_EQ(f.Dialogs.Messages.back().Text,
              "System performance may be impaired. \n      Continue with operation?");
    EXPECT_TRUE(Viewers(w).empty());
    f.Dialogs.QuestionAnswers = {MessageAnswer::Yes};
    w.MnuXmitViewClick();
    EXPECT_EQ(Viewers(w).size(), 21u);
    CloseViewers(w);
}

TEST(ViewCommand, SequentialDatasetAndHexView) {
    MainFixture f;
    SequentialSpec seq;
    seq.Recfm = 0x4000;  // V: binary, a hex view
    seq.Records = {ToEbcdic("HELLO WORLD")};
    MainWindow& w = f.Start(Args(f.Write("seq.xmi", BuildSequential(seq))));
    EXPECT_FALSE(w.InTextMode());
    w.MnuXmitViewClick();
    auto views = Viewers(w);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]->windowTitle(), "USER.TEST.DATA");
    const QString text = views[0]->RichEdit1->toPlainText();
    EXPECT_TRUE(text.startsWith("USER.TEST.DATA\nDump size is: 11 bytes"));
    EXPECT_TRUE(text.contains("000000  C8C5 D3D3 D640 E6D6 D9D3 C4"));
    CloseViewers(w);
}

TEST(ViewCommand, CancelLeavesTheViewerSayingSo) {
    MainFixture f;
    PdsSpec plan;
    plan.Blksize = 27920;
    plan.Members = {{"BIG", ToEbcdic(std::string(80 * 20000, 'b')), false, "", {}}};
    MainWindow& w = f.Start(Args(f.Write("big.xmi", BuildPds(plan))));
    ProgressDialog::SetDefaultEventInterval(0);  // the window system is let in at once
    QTimer::singleShot(0, &w, [&] { Find<QPushButton>(ProgressOf(w), "BtnCancel")->click(); });
    Select(w, {0});
    w.MnuXmitViewClick();
    ProgressDialog::SetDefaultEventInterval(20);
    auto views = Viewers(w);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]->StatusText(0), "Operation cancelled. Not all the data is present.");
    EXPECT_LT(views[0]->RichEdit1->LineCount(), 20000u);
    CloseViewers(w);

    // The next extraction reads in full.
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "big.txt").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(std::filesystem::file_size(f.Dir / "big.txt"), 20001u * 82 - 80);
}

TEST(ExtractCommand, OneMemberSeveralAndTheDataset) {
    MainFixture f;
    PdsSpec plan = MainFixture::Library(3);
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(plan))));
    Select(w, {2});
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "one.txt").string()));
    Find<QAction>(&w, "MnuXmitExtract")->trigger();
    ASSERT_EQ(f.Dialogs.SaveRequests.size(), 1u);
    EXPECT_EQ(f.Dialogs.SaveRequests[0].Title, "Save Member");
    EXPECT_EQ(f.Dialogs.SaveRequests[0].FileName, "MEM2.txt");
    EXPECT_EQ(f.Dialogs.SaveRequests[0].Filter,
              "All files (*.*)|*.*|Text files (*.txt)|*.txt|Binary files (*.bin)|*.bin");
    Bytes one = ReadFile(f.Dir / "one.txt");
    EXPECT_EQ(one.size(), 3u * 82 + 2);
    EXPECT_EQ(std::string(one.begin(), one.begin() + 15), "MEMBER 2 LINE 0");

    std::filesystem::create_directories(f.Dir / "out");
    Select(w, {0, 1, 2});
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "out" / ".jcl").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(f.Dialogs.SaveRequests.back().Title,
              "Save Multiple Members (Enter only file extension)");
    EXPECT_EQ(f.Dialogs.SaveRequests.back().FileName, ".txt");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::filesystem::exists(f.Dir / "out" / ("MEM" + std::to_string(i) + ".jcl")));
    }
    EXPECT_EQ(w.StatusText(0), "3 Processed.");

    // Without a dot in the typed name the files get no extension.
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "out" / "plain").string()));
    w.MnuXmitExtractClick();
    EXPECT_TRUE(std::filesystem::exists(f.Dir / "out" / "MEM1"));

    // A cancelled save dialog writes nothing and hides the progress window.
    w.MnuXmitExtractClick();
    EXPECT_FALSE(ProgressOf(w)->isVisible());

    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(160, 'd'))};
    f.Dialogs.OpenAnswers.push_back(
        QString::fromStdString(f.Write("seq.xmi", BuildSequential(seq)).string()));
    w.MnuFileOpenClick();
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "seq.txt").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(f.Dialogs.SaveRequests.back().Title, "Save DataSet As");
    EXPECT_EQ(f.Dialogs.SaveRequests.back().FileName, "USER.TEST.DATA.txt");
    EXPECT_EQ(w.StatusText(0), "Dataset saved.");
    EXPECT_EQ(ReadFile(f.Dir / "seq.txt").size(), 166u);
}

TEST(ExtractCommand, CancelStopsAMultiMemberExtraction) {
    MainFixture f;
    PdsSpec plan;
    plan.Blksize = 27920;
    for (int i = 0; i < 4; ++i) {
        plan.Members.push_back(
            {"M" + std::to_string(i), ToEbcdic(std::string(80 * 5000, 'm')), false, "", {}});
    }
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(plan))));
    Members(w)->selectAll();
    std::filesystem::create_directories(f.Dir / "out");
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "out" / ".bin").string()));
    // Cancel the "Extract members" window as soon as it runs.
    QTimer::singleShot(0, &w, [&] {
        for (auto* c : w.findChildren<ProgressDialog*>()) {
            if (c->windowTitle() == "Extract members") Find<QPushButton>(c, "BtnCancel")->click();
        }
    });
    ProgressDialog::SetDefaultEventInterval(0);
    w.MnuXmitExtractClick();
    ProgressDialog::SetDefaultEventInterval(20);
    EXPECT_EQ(w.StatusText(0), "0 Processed.");
    EXPECT_FALSE(std::filesystem::exists(f.Dir / "out" / "M3.bin"));
}

TEST(ExtractCommand, ThePromptOffersWhatTheRecordFormatAllows) {
    MainFixture f;
    PdsSpec plan = MainFixture::Library(2);
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(plan))));
    EnablePrompt(f, w);
    QString shownLength;
    int minimum = 0, maximum = 0;
    f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
        auto& p = dynamic_cast<ExtractPrompt&>(d);
        shownLength = Find<QLineEdit>(&p, "EdtRecLen")->text();
        minimum = Find<QSpinBox>(&p, "UpDownRecLen")->minimum();
        maximum = Find<QSpinBox>(&p, "UpDownRecLen")->maximum();
        Find<QSpinBox>(&p, "UpDownRecLen")->setValue(72);
        Find<QPushButton>(&p, "Button1")->click();  // Text
        return p.result();
    });
    Select(w, {0});
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "cut.txt").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(f.Dialogs.ExecWindows.back(), "FrmPromptType");
    EXPECT_EQ(shownLength, "80");
    EXPECT_EQ(minimum, 10);
    EXPECT_EQ(maximum, 80);
    EXPECT_EQ(ReadFile(f.Dir / "cut.txt").size(), 3u * 74 + 2);

    // An empty selection still asks first, then reports.
    Members(w)->clearSelection();
    f.Dialogs.ExecHandlers.push_back([](QDialog& d) {
        d.close();  // the frame: like Auto
        return d.result();
    });
    w.MnuXmitViewClick();
    EXPECT_EQ(f.Dialogs.ExecWindows.back(), "FrmPromptType");
    EXPECT_EQ(f.Dialogs.Messages.back().Text, "Select at least one member from the list.");
    EXPECT_TRUE(w.InTextMode());

    // Variable records can be read as text too; undefined ones only as binary.
    struct Case {
        std::uint16_t recfm;
        const char* button;
        bool textOffered;
        Bytes output;
    };
    const std::string text = "VARIABLE\r\n";
    for (const Case& c : {Case{0x5002, "Button1", true, Bytes(text.begin(), text.end())},
                          Case{0xC000, "Button2", false, ToEbcdic("VARIABLE")}}) {
        SequentialSpec seq;
        seq.Recfm = c.recfm;
        seq.Records = {ToEbcdic("VARIABLE")};
        w.OpenPath(QString::fromStdString(f.Write("v.xmi", BuildSequential(seq)).string()));
        bool textEnabled = !c.textOffered, autoEnabled = !c.textOffered, binaryEnabled = false;
        f.Dialogs.ExecHandlers.push_back([&](QDialog& d) {
            auto& p = dynamic_cast<ExtractPrompt&>(d);
            textEnabled = Find<QPushButton>(&p, "Button1")->isEnabled();
            autoEnabled = Find<QPushButton>(&p, "Button3")->isEnabled();
            binaryEnabled = Find<QPushButton>(&p, "Button2")->isEnabled();
            d.findChild<QPushButton*>(c.button)->click();
            return p.result();
        });
        f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "v.out").string()));
        w.MnuXmitExtractClick();
        EXPECT_EQ(textEnabled, c.textOffered) << c.recfm;
        EXPECT_EQ(autoEnabled, c.textOffered) << c.recfm;
        EXPECT_TRUE(binaryEnabled);
        EXPECT_EQ(w.InTextMode(), c.textOffered);
        EXPECT_EQ(ReadFile(f.Dir / "v.out"), c.output) << c.recfm;
    }
}

TEST(ViewCommand, CodePageAndTextOrHexAreChosenInOptionsAndPerViewer) {
    MainFixture f;
    f.MakeDefaultFolders();
    PdsSpec plan = MainFixture::Library(1);
    plan.Members[0].Name = "@NAT";
    plan.Members[0].Data = {0x4A, 0x5F, 0x6A, 0xC1};  // "¢¬¦A" in 037, "Ä^öA" in 273
    const auto file = f.Write("nat.xmi", BuildPds(plan));
    MainWindow& w = f.Start(Args(file));
    auto view = [&]() -> ViewerWindow& {
        CloseViewers(w);
        Select(w, {0});
        w.MnuXmitViewClick();
        return *Viewers(w).at(0);
    };
    // Pick an entry of a combo box as the user does.
    auto choose = [](ViewerWindow& v, const char* name, const QString& entry) {
        auto* box = Find<QComboBox>(&v, name);
        const int index = box->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    };
    ViewerWindow& first = view();
    EXPECT_EQ(first.RichEdit1->Line(0), "¢^¦A");  // the program's table
    EXPECT_EQ(Find<QComboBox>(&first, "CbxViewCodePage")->currentText(), "Corvane table");
    choose(first, "CbxViewCodePage", "IBM 037");
    EXPECT_EQ(first.RichEdit1->Line(0), "¢¬¦A");
    EXPECT_EQ(first.StatusText(0), "Data read ok.");
    choose(first, "CbxViewForm", "Hex");
    EXPECT_EQ(first.RichEdit1->Line(1), "Dump size is: 4 bytes");
    EXPECT_EQ(first.RichEdit1->Line(3).mid(50), "¢¬¦A");
    choose(first, "CbxViewForm", "Text");
    EXPECT_EQ(first.RichEdit1->Line(0), "¢¬¦A");
    // Closing the file leaves the text; the viewer can no longer read again.
    w.CloseXmitFile();
    EXPECT_FALSE(Find<QWidget>(&first, "ToolBarView")->isEnabled());

    // The code page of the options decodes the names and is the new viewers' first choice.
    f.Dialogs.ExecHandlers.push_back([](QDialog& d) {
        auto* box = d.findChild<QComboBox*>("CbxCodePage");
        box->setCurrentIndex(box->findText("IBM 273"));
        d.findChild<QPushButton*>("BbnOk")->click();
        return d.result();
    });
    w.MnuOptionsXmitClick();
    EXPECT_EQ(w.OptionValues().CodePage, 273);
    EXPECT_EQ(
        f.Registry.OpenKey(RegRoot::CurrentUser, kStatusKey, false, false)->ReadInteger("CodePage"),
        273u);
    w.OpenPath(QString::fromStdString(file.string()));
    ViewerWindow& second = view();
    EXPECT_EQ(second.windowTitle(), "§NAT    ");
    EXPECT_EQ(second.RichEdit1->Line(0), "Ä^öA");
    EXPECT_EQ(Find<QComboBox>(&second, "CbxViewCodePage")->currentText(), "IBM 273");
}

TEST(JobwickCommand, NeedsExactlyOneMemberAndOpensTheJobFile) {
    MainFixture f;
    PdsSpec plan = MainFixture::Library(2);
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(plan))));
    Find<QToolButton>(&w, "SbnJcl")->click();
    EXPECT_EQ(f.Dialogs.Messages.back().Text, "No member selected!");
    Select(w, {0, 1});
    Find<QToolButton>(&w, "SbnJcl")->click();
    EXPECT_EQ(f.Dialogs.Messages.back().Text,
              "Multiple selections cannot be sent to Jobwick!\nSelect only one member.");
    EXPECT_TRUE(f.Dialogs.Urls.isEmpty());

    // The job folder is made on first use.
    ASSERT_FALSE(std::filesystem::exists(w.OptionValues().ZipDir));
    Select(w, {1});
    Find<QToolButton>(&w, "SbnJcl")->click();
    const std::string expected = w.OptionValues().ZipDir + "/MEM1.jcl";
    ASSERT_EQ(f.Dialogs.Urls.size(), 1);
    EXPECT_EQ(f.Dialogs.Urls[0], "file://" + QString::fromStdString(expected));
    EXPECT_TRUE(std::filesystem::exists(expected));
}

TEST(Viewer, SaveCopyAndPrint) {
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(1)))));
    Select(w, {0});
    w.MnuXmitViewClick();
    ViewerWindow& v = *Viewers(w).at(0);

    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "saved.txt").string()));
    Find<QAction>(&v, "SaveAs1")->trigger();
    EXPECT_EQ(v.StatusText(0), "Document saved.");
    Bytes saved = ReadFile(f.Dir / "saved.txt");
    std::string text(saved.begin(), saved.end());
    EXPECT_EQ(text.substr(0, 15), "MEMBER 0 LINE 0");
    EXPECT_EQ(text.substr(80, 2), "\r\n");
    EXPECT_EQ(text.size(), 4u * 2 + 3 * 80);

    f.Dialogs.SaveAnswers.push_back(
        QString::fromStdString((f.Dir / "no" / "such" / "x.txt").string()));
    v.SaveAs1Click();
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.startsWith(
        "Cannot create file " +
        QString::fromStdString((f.Dir / "no" / "such" / "x.txt").string())));
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("No such file or directory"));
    EXPECT_EQ(v.StatusText(0), "Document saved.");

    v.RichEdit1->selectAll();
    Find<QAction>(&v, "Copy1")->trigger();
    EXPECT_EQ(v.StatusText(0), "Selected text copied to clipboard.");
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith("MEMBER 0 LINE 0"));

    v.Print1Click();  // refused: nothing happens
    EXPECT_EQ(v.StatusText(0), "Selected text copied to clipboard.");
    f.Dialogs.PrintTo = QString::fromStdString((f.Dir / "print.pdf").string());
    Find<QAction>(&v, "Print2")->trigger();
    EXPECT_EQ(v.StatusText(0), "Document sent to print.");
    Bytes pdf = ReadFile(f.Dir / "print.pdf");
    ASSERT_GT(pdf.size(), 100u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 4), "%PDF");

    Find<QAction>(&v, "Exit1")->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(Viewers(w).empty());
}

TEST(Viewer, ClosingTheProgramDuringAReadEndsTheReadFirst) {
    MainFixture f;
    PdsSpec plan;
    plan.Blksize = 27920;
    plan.Members = {{"BIG", ToEbcdic(std::string(80 * 20000, 'c')), false, "", {}}};
    MainWindow& w = f.Start(Args(f.Write("big.xmi", BuildPds(plan))));
    ProgressDialog::SetDefaultEventInterval(0);
    bool closeRefused = false, busy = false, closeEnabled = true, viewerStayed = false;
    QTimer::singleShot(0, &w, [&] {
        busy = w.Reading();
        auto loading = Viewers(w);
        viewerStayed =
            !loading.empty() && !loading.front()->close();  // a viewer being filled stays
        closeEnabled = Find<QAction>(&w, "MnuFileClose")->isEnabled();
        closeRefused = !w.close();
    });
    Select(w, {0});
    w.MnuXmitViewClick();
    ProgressDialog::SetDefaultEventInterval(20);
    EXPECT_TRUE(busy);
    EXPECT_TRUE(viewerStayed);
    EXPECT_FALSE(closeEnabled);
    EXPECT_TRUE(closeRefused);
    QApplication::processEvents();  // the queued close runs now that the read has ended
    EXPECT_FALSE(w.isVisible());
}

TEST(ReadOnly, OpenViewExtractAndCloseLeaveTheFileUnchanged) {
    MainFixture f;
    const auto path = f.Write("lib.xmi", BuildPds(MainFixture::Library(3)));
    const std::string before = Sha256Hex(ReadFile(path));
    const auto stamp = std::filesystem::last_write_time(path);
    MainWindow& w = f.Start(Args(path));
    Members(w)->selectAll();
    w.MnuXmitViewClick();
    CloseViewers(w);
    std::filesystem::create_directories(f.Dir / "out");
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "out" / ".txt").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(w.StatusText(0), "3 Processed.");
    w.MnuFileCloseClick();
    f.Stop();
    EXPECT_EQ(Sha256Hex(ReadFile(path)), before);
    EXPECT_EQ(std::filesystem::last_write_time(path), stamp);
}

TEST(Viewer, KeyboardAndMouseSelection) {
    TextPane pane;
    pane.resize(300, 200);
    pane.show();
    pane.SetText("first line\nsecond line\nthird");
    EXPECT_EQ(pane.LineCount(), 3u);
    pane.setFocus();
    QTest::keyClick(&pane, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(pane.SelectedText(), "first line\n");
    QTest::keyClick(&pane, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(pane.SelectedText(), "first line\nsecond line");
    QTest::keyClick(&pane, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(pane.SelectedText(), "");
    const int h = pane.fontMetrics().lineSpacing();
    const int w = pane.fontMetrics().horizontalAdvance(QLatin1Char('M'));
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, QPoint(2 + 7 * w, h / 2));
    QTest::mouseMove(pane.viewport(), QPoint(2 + 5 * w, 2 * h + h / 2));
    QMouseEvent drag(QEvent::MouseMove, QPointF(2 + 5 * w, 2 * h + h / 2), QPointF(), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pane.viewport(), &drag);
    EXPECT_EQ(pane.SelectedText(), "ine\nsecond line\nthird");
    pane.AppendLine("fourth");
    EXPECT_EQ(pane.Line(3), "fourth");
    pane.Clear();
    EXPECT_EQ(pane.LineCount(), 1u);
    EXPECT_EQ(pane.toPlainText(), "");
}

TEST(ExtractCommand, NamesFromTheFileBecomeSafeDistinctFileNames) {
    MainFixture f;
    PdsSpec plan = MainFixture::Library(5);
    const char* names[] = {"A\nB", "SAME", "SAME", "CON", "X/Y"};
    for (std::size_t i = 0; i < 5; ++i) plan.Members[i].Name = names[i];
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(plan))));
    EXPECT_EQ(Members(w)->Text(0, 0), "A%0AB     ");  // no raw line break
    Select(w, {0});
    w.MnuXmitExtractClick();  // cancelled save dialog
    EXPECT_EQ(f.Dialogs.SaveRequests.back().FileName, "A%0AB.txt");

    std::filesystem::create_directories(f.Dir / "out");
    Select(w, {0, 1, 2, 3, 4});
    f.Dialogs.SaveAnswers.push_back(QString::fromStdString((f.Dir / "out" / ".bin").string()));
    w.MnuXmitExtractClick();
    EXPECT_EQ(w.StatusText(0), "5 Processed.");
    EXPECT_EQ(FileNames(f.Dir / "out"),
              (std::vector<std::string>{"%43ON.bin", "A%0AB.bin", "SAME.bin", "SAME~2.bin",
                                        "X%2FY.bin"}));
    EXPECT_EQ(FileNames(f.Dir.Path()), (std::vector<std::string>{"bin", "lib.xmi", "out"}));

    // The job file has the same name rule, and its address keeps the '%'.
    Select(w, {3});
    Find<QToolButton>(&w, "SbnJcl")->click();
    const auto job = std::filesystem::path(w.OptionValues().ZipDir) / "%43ON.jcl";
    EXPECT_TRUE(std::filesystem::exists(job));
    ASSERT_EQ(f.Dialogs.Urls.size(), 1);
    EXPECT_EQ(QUrl(f.Dialogs.Urls[0]).toLocalFile(), QString::fromStdString(job.string()));
}

TEST(ExtractCommand, AMessageOnlyFileSaysThereIsNothingToExtract) {
    MainFixture f;
    MemoryOut out;
    XmitWriter x(out);
    x.Control(1, HeaderUnits(1));
    x.Control(2, {TextUnit::Raw(0x0028, {})});
    x.Control(3, {});
    x.Record(ToEbcdic("PLEASE READ THIS"));
    x.Control(6, {});
    MainWindow& w = f.Start(Args(f.Write("msg.xmi", out.Data)));
    ASSERT_TRUE(w.HasFile());
    w.MnuXmitExtractClick();
    EXPECT_TRUE(f.Dialogs.SaveRequests.empty());
    EXPECT_EQ(f.Dialogs.Messages.back().Text,
              "This file holds only a message; there is no dataset to extract.");
}

TEST(OpenCommand, APipeIsRefusedWithTheReason) {
    MainFixture f;
    ASSERT_EQ(mkfifo((f.Dir / "pipe.xmi").c_str(), 0600), 0);
    MainWindow& w = f.Start(Args(f.Dir / "pipe.xmi"));
    EXPECT_FALSE(w.HasFile());
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_EQ(f.Dialogs.Messages.back().Caption, "Error opening file");
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("pipe.xmi\nIs a pipe (FIFO), not a file"));
}
