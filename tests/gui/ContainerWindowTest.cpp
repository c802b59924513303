// Tapes, raw unloads and TERSE files in the main window: a tape lists its
// files, each of which is shown as a node of the tree; the others read like
// transmissions and say where they came from.
#include <gtest/gtest.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <fstream>
#include <nlohmann/json.hpp>

#include "GuiSupport.h"
#include "TapeBuilder.h"
#include "TerseWriter.h"
#include "ViewerWindow.h"
#include "ZipWriter.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
std::filesystem::path Containers() {
    const std::filesystem::path samples = SamplesDir();
    return samples.empty() ? samples : samples / "containers";
}

#define REQUIRE_CONTAINERS()                                                                  \
    do {                                                                                      \
        if (Containers().empty() || !std::filesystem::exists(Containers() / "expected.json")) \
            GTEST_SKIP() << "samples folder ../shared/samples/containers absent: skipped";    \
    } while (false)

nlohmann::json Expected(const std::string& file) {
    std::ifstream in(Containers() / "expected.json");
    return nlohmann::json::parse(in).at(file);
}

QStringList Arg(const std::filesystem::path& path) {
    return {QString::fromStdString(path.string())};
}

QString Label(QWidget& w, const char* name) {
    return Find<QLabel>(&w, name)->text();
}

bool RowShown(MainWindow& w, const char* name) {
    return Find<QLabel>(&w, name)->isVisibleTo(&w);
}

int Column(MainWindow& w, const QString& caption) {
    for (int c = 0; c < Members(w)->ColumnCount(); ++c) {
        if (Members(w)->Model().ColumnCaption(c) == caption) return c;
    }
    return -1;
}

QStringList ColumnTexts(MainWindow& w, int column) {
    QStringList texts;
    for (int r = 0; r < Members(w)->RowCount(); ++r) texts << Members(w)->Text(r, column).trimmed();
    return texts;
}

std::vector<MainWindow*> OtherWindows(MainWindow& own) {
    std::vector<MainWindow*> found;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* m = qobject_cast<MainWindow*>(top);
        if (m && m != &own && m->isVisible()) found.push_back(m);
    }
    return found;
}

void CloseOthers(MainWindow& own) {
    for (MainWindow* m : OtherWindows(own)) m->close();
    QApplication::processEvents();
}

// Two labelled datasets: FB 80 text, and a transmission of a library.
Bytes BuiltTape(const PdsSpec& library) {
    std::string cards;
    for (int k = 0; k < 5; ++k) {
        std::string card = "TEXT CARD " + std::to_string(k);
        card.resize(80, ' ');
        cards += card;
    }
    TapeDataset text;
    text.Dsn = "USER.TEXT";
    text.Blocks = {ToEbcdic(cards)};
    TapeDataset xmit;
    xmit.Dsn = "USER.LIB.XMIT";
    const Bytes bytes = BuildPds(library);
    for (std::size_t at = 0; at < bytes.size(); at += 3200) {
        xmit.Blocks.emplace_back(
            bytes.begin() + static_cast<std::ptrdiff_t>(at),
            bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + 3200)));
    }
    return LabelledTape("CORV01", {text, xmit}, {TapePacking::Zlib});
}
}  // namespace

TEST(ContainerWindow, SampleTapeListsItsFilesAndShowsTheUnloadInTheTree) {
    REQUIRE_CONTAINERS();
    const nlohmann::json tape = Expected("test_tape.aws");
    MainFixture f;
    MainWindow& w = f.Start(Arg(Containers() / "test_tape.aws"));
    ASSERT_TRUE(w.HasFile());
    QStringList dsns, bytes;
    for (const auto& file : tape.at("tape_files")) {
        dsns << QString::fromStdString(file.at("dsn").get<std::string>());
        bytes << QString::number(file.at("bytes").get<std::int64_t>());
    }
    EXPECT_EQ(ColumnTexts(w, Column(w, "Dataset")), dsns);
    EXPECT_EQ(ColumnTexts(w, Column(w, "Bytes")), bytes);
    EXPECT_EQ(Label(w, "LblVolser"), QString::fromStdString(tape.at("volser")));
    EXPECT_EQ(Label(w, "LblFileNum"), QString::number(dsns.size()));
    EXPECT_TRUE(RowShown(w, "LblLabels"));
    EXPECT_FALSE(RowShown(w, "LblPacked"));

    // File 2, an unload, is shown as the library it holds, in this window.
    Members(w)->SetRowSelected(1, true);
    Find<QAction>(&w, "MnuXmitView")->trigger();
    EXPECT_TRUE(OtherWindows(w).empty());
    ASSERT_TRUE(w.HasFile());
    QStringList members;
    for (const auto& m : tape.at("tape_files").at(1).at("unload").at("members"))
        members << QString::fromStdString(m.at("name").get<std::string>());
    EXPECT_EQ(ColumnTexts(w, 0), members);
    EXPECT_EQ(Label(w, "LblFileName"), "test_tape.aws!2");
    EXPECT_TRUE(Label(w, "LblTapeFile").startsWith("2 of 4"));
    EXPECT_TRUE(RowShown(w, "LblFormat"));
    EXPECT_TRUE(Find<QAction>(&w, "MnuXmitExtract")->isEnabled());

    // Up goes back to the tape and its files.
    Find<QAction>(&w, "MnuViewUp")->trigger();
    EXPECT_EQ(Label(w, "LblFileName"), "test_tape.aws");
    EXPECT_EQ(ColumnTexts(w, Column(w, "Dataset")), dsns);
}

TEST(ContainerWindow, BuiltTapeOpensByContentAndRefusesWholeTapeCommands) {
    MainFixture f;
    const PdsSpec library = MainFixture::Library(3);
    const auto path = f.Write("backup.dat", BuiltTape(library));
    f.Dialogs.OpenAnswers.push_back(QString::fromStdString(path.string()));
    MainWindow& w = f.Start();
    w.MnuFileOpenClick();
    ASSERT_TRUE(w.HasFile());
    const QString filter = f.Dialogs.OpenRequests.at(0).Filter;
    for (const char* entry :
         {"Tape images (*.aws *.het)|*.aws;*.het",
          "TERSE files (*.trs *.terse *.pack *.spack)|*.trs;*.terse;*.pack;*.spack",
          "IEBCOPY unloads (*.unload)|*.unload"})
        EXPECT_TRUE(filter.contains(entry)) << entry;
    EXPECT_TRUE(filter.endsWith("|All files (*)|*"));

    EXPECT_EQ(ColumnTexts(w, Column(w, "Dataset")), QStringList({"USER.TEXT", "USER.LIB.XMIT"}));
    EXPECT_EQ(ColumnTexts(w, Column(w, "Content")), QStringList({"", "xmit"}));
    EXPECT_EQ(Label(w, "LblVolser"), "CORV01");
    for (const char* name : {"MnuXmitExtract", "MnuXmitExtractAll", "MnuXmitFindContaining"})
        EXPECT_FALSE(Find<QAction>(&w, name)->isEnabled()) << name;
    EXPECT_FALSE(Find<QToolButton>(&w, "SbnExtract")->isEnabled());
    EXPECT_TRUE(Find<QAction>(&w, "MnuXmitView")->isEnabled());

    // Two files at once open nothing and say why; so does Extract.
    Members(w)->selectAll();
    w.MnuXmitViewClick();
    EXPECT_TRUE(OtherWindows(w).empty());
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("only one file"));
    w.MnuXmitExtractClick();
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("not on the tape itself"));
    EXPECT_TRUE(f.Dialogs.SaveRequests.empty());

    // Enter on the text file shows it as a dataset; Back returns to the tape.
    Members(w)->clearSelection();
    Members(w)->SetRowSelected(0, true);
    QTest::keyClick(Members(w), Qt::Key_Return);
    EXPECT_TRUE(OtherWindows(w).empty());
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Label(w, "LblDataset"), "USER.TEXT");
    Find<QAction>(&w, "MnuViewBack")->trigger();
    EXPECT_EQ(Label(w, "LblVolser"), "CORV01");

    // A double click on the transmission lists its library; the popup menu
    // opens it in a window of its own instead.
    Members(w)->clearSelection();
    Members(w)->SetRowSelected(1, true);
    Find<QAction>(&w, "PopListOpenWindow")->trigger();
    ASSERT_EQ(OtherWindows(w).size(), 1u);
    QStringList names;
    for (const PdsMember& m : library.Members) names << QString::fromStdString(m.Name);
    EXPECT_EQ(ColumnTexts(*OtherWindows(w)[0], 0), names);
    CloseOthers(w);
    w.LvwMembersDblClick();
    EXPECT_EQ(ColumnTexts(w, 0), names);
    EXPECT_EQ(Label(w, "LblFileName"), "backup.dat!2");

    // Opened by its path, a tape file soon has the tape's other files beside
    // it in the tree, in their order.
    MainFixture g;
    MainWindow& byPath = g.Start({QString::fromStdString(path.string() + "!2")});
    ASSERT_TRUE(byPath.HasFile());
    QApplication::processEvents();
    auto* tree = Find<QTreeWidget>(&byPath, "TvwContainers");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QStringList files;
    for (int k = 0; k < tree->topLevelItem(0)->childCount(); ++k)
        files << tree->topLevelItem(0)->child(k)->text(0);
    EXPECT_EQ(files, QStringList({"1 USER.TEXT", "2 USER.LIB.XMIT"}));
    EXPECT_EQ(tree->currentItem()->text(0), "2 USER.LIB.XMIT");
}

TEST(ContainerWindow, DroppedTerseFileShowsItsFirstRecordAsText) {
    REQUIRE_CONTAINERS();
    const nlohmann::json terse = Expected("FB.FIELDS.C.PACK");
    std::ifstream text(Containers() / terse.at("text_output").at("file").get<std::string>());
    std::string first;
    ASSERT_TRUE(std::getline(text, first));
    MainFixture f;
    MainWindow& w = f.Start();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(
        QString::fromStdString((Containers() / "FB.FIELDS.C.PACK").string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    ASSERT_TRUE(w.HasFile());
    const QString packed = Label(w, "LblPacked");
    EXPECT_TRUE(packed.contains(QString::fromStdString(terse.at("format"))));
    EXPECT_TRUE(packed.contains(QString::fromStdString(terse.at("recfm"))));

    w.MnuXmitViewClick();
    ViewerWindow* view = nullptr;
    for (ViewerWindow* v : w.findChildren<ViewerWindow*>()) {
        if (v->isVisible()) view = v;
    }
    ASSERT_NE(view, nullptr);
    const QString shown = view->RichEdit1->toPlainText().section('\n', 0, 0);
    EXPECT_EQ(shown.trimmed(), QString::fromStdString(first).trimmed());
    view->close();
}

TEST(ContainerWindow, ZipHoldingATerseTransmissionIsBrowsedInOneWindow) {
    MainFixture f;
    const PdsSpec library = MainFixture::Library(3);
    TersePlan packed;
    packed.Records = {BuildPds(library)};
    ZipSpec zip;
    zip.Entries = {{"docs/readme.txt", Bytes{'r', 'e', 'a', 'd'}},
                   {"lib/LIB.PACK", BuildTerse(packed)}};
    const auto path = f.Write("bundle.zip", BuildZip(zip));
    MainWindow& w = f.Start({QString::fromStdString(path.string() + "!lib/LIB.PACK")});
    ASSERT_TRUE(w.HasFile());
    QStringList names;
    for (const PdsMember& m : library.Members) names << QString::fromStdString(m.Name);
    EXPECT_EQ(ColumnTexts(w, 0), names);
    EXPECT_TRUE(RowShown(w, "LblPacked"));
    QApplication::processEvents();
    auto* tree = Find<QTreeWidget>(&w, "TvwContainers");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "bundle.zip");
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "lib/LIB.PACK");

    // Up shows the archive: its entries, and the whole-archive commands say where they work.
    Find<QAction>(&w, "MnuViewUp")->trigger();
    EXPECT_EQ(Label(w, "LblType"), "Zip");
    EXPECT_EQ(ColumnTexts(w, Column(w, "Entry")), QStringList({"docs/readme.txt", "lib/LIB.PACK"}));
    EXPECT_EQ(ColumnTexts(w, Column(w, "Content")), QStringList({"", "terse"}));
    EXPECT_EQ(Members(w)->currentIndex().row(), 1);
    EXPECT_FALSE(Find<QAction>(&w, "MnuXmitExtract")->isEnabled());
    w.MnuXmitExtractClick();
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("not on the archive itself"));

    // An entry that is plain data says so and the archive stays shown.
    Members(w)->clearSelection();
    Members(w)->SetRowSelected(0, true);
    QTest::keyClick(Members(w), Qt::Key_Return);
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("not an XMIT file"))
        << f.Dialogs.Messages.back().Text.toStdString();
    EXPECT_EQ(Label(w, "LblType"), "Zip");

    // Enter on the TERSE entry goes down to its library again.
    Members(w)->clearSelection();
    Members(w)->SetRowSelected(1, true);
    QTest::keyClick(Members(w), Qt::Key_Return);
    EXPECT_TRUE(OtherWindows(w).empty());
    EXPECT_EQ(ColumnTexts(w, 0), names);
    EXPECT_EQ(tree->currentItem()->text(0), "lib/LIB.PACK");
}
