// Transmissions inside members browsed as a tree or opened in windows of
// their own, files dropped on the main window, and the recent files.
#include <gtest/gtest.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "GuiSupport.h"
#include "TerseWriter.h"
#include "ZipWriter.h"
#include "settings/RecentFiles.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
QString Label(QWidget& w, const char* name) {
    return Find<QLabel>(&w, name)->text();
}

// OUTER.XMIT: MIDDLE holds a library whose INNER holds the fixture's
// library; TEXT is text.
Bytes Outer() {
    PdsSpec middle = MainFixture::Library(1);
    middle.Members.push_back({"INNER", BuildPds(MainFixture::Library(2)), false, "", {}});
    PdsSpec outer = MainFixture::Library(1);
    outer.Members.push_back({"MIDDLE", BuildPds(middle), false, "", {}});
    return BuildPds(outer);
}

int Row(MainWindow& w, const QString& name) {
    for (int r = 0; r < Members(w)->RowCount(); ++r) {
        if (Members(w)->Text(r, 0).trimmed() == name) return r;
    }
    return -1;
}

void Select(MainWindow& w, const QString& name) {
    Members(w)->clearSelection();
    Members(w)->SetRowSelected(Row(w, name), true);
}

// The main windows shown besides the fixture's own.
std::vector<MainWindow*> OtherWindows(MainWindow& own) {
    std::vector<MainWindow*> found;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* m = qobject_cast<MainWindow*>(top);
        if (m && m != &own && m->isVisible()) found.push_back(m);
    }
    return found;
}

void Drop(MainWindow& w, const std::filesystem::path& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path.string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
}
}  // namespace

// The tree's node labels, depth first, indented by level.
QStringList TreeLabels(QTreeWidget& tree) {
    QStringList labels;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
        labels << QString(depth, ' ') + (*it)->text(0);
    }
    return labels;
}

TEST(NestedWindow, TransmissionsInsideAreBrowsedAsOneTree) {
    MainFixture f;
    const auto outer = f.Write("OUTER.XMIT", Outer());
    MainWindow& w = f.Start({QString::fromStdString(outer.string())});
    ASSERT_TRUE(w.HasFile());
    auto& model = Members(w)->Model();
    EXPECT_FALSE(model.data(model.index(Row(w, "MIDDLE"), 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(model.data(model.index(Row(w, "MEM0"), 0), Qt::DecorationRole).isNull());
    auto* tree = Find<QTreeWidget>(&w, "TvwContainers");
    EXPECT_TRUE(tree->isVisibleTo(&w));
    EXPECT_EQ(TreeLabels(*tree), QStringList({"OUTER.XMIT", " MIDDLE"}));

    // Expanding a node lists what it holds without leaving the one shown.
    tree->topLevelItem(0)->child(0)->setExpanded(true);
    EXPECT_EQ(TreeLabels(*tree), QStringList({"OUTER.XMIT", " MIDDLE", "  INNER"}));
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT");

    // View, then Enter, go down in the same window.
    Select(w, "MIDDLE");
    Find<QAction>(&w, "MnuXmitView")->trigger();
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT!MIDDLE");
    EXPECT_EQ(Members(w)->RowCount(), 2);
    Select(w, "INNER");
    QTest::keyClick(Members(w), Qt::Key_Return);
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT!MIDDLE!INNER");
    EXPECT_EQ(w.StatusText(1), "OUTER.XMIT!MIDDLE!INNER");
    EXPECT_EQ(Members(w)->Text(0, 0).trimmed(), "MEM0");
    EXPECT_TRUE(OtherWindows(w).empty());
    EXPECT_EQ(tree->currentItem()->text(0), "INNER");

    // Choosing the root in the tree shows it; Back returns; Up climbs.
    tree->setCurrentItem(tree->topLevelItem(0));
    QApplication::processEvents();
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT");
    auto* back = Find<QAction>(&w, "MnuViewBack");
    auto* up = Find<QAction>(&w, "MnuViewUp");
    EXPECT_EQ(back->shortcut(), QKeySequence("Alt+Left"));
    EXPECT_EQ(up->shortcut(), QKeySequence("Alt+Up"));
    EXPECT_FALSE(up->isEnabled());  // at the root
    back->trigger();
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT!MIDDLE!INNER");
    up->trigger();
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT!MIDDLE");
    // The cursor is back on the member that was left.
    ASSERT_EQ(Members(w)->SelectedCount(), 1);
    EXPECT_EQ(Members(w)->SelectedMembers()[0].Caption.trimmed(), "INNER");

    // The popup menu opens a transmission in a window of its own; a double
    // click goes down again.
    Select(w, "INNER");
    Find<QAction>(&w, "PopListOpenWindow")->trigger();
    ASSERT_EQ(OtherWindows(w).size(), 1u);
    EXPECT_EQ(Label(*OtherWindows(w)[0], "LblFileName"), "OUTER.XMIT!MIDDLE!INNER");
    OtherWindows(w)[0]->close();
    QApplication::processEvents();
    w.LvwMembersDblClick();
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT!MIDDLE!INNER");

    // Closing the file empties the tree.
    Find<QAction>(&w, "MnuFileClose")->trigger();
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_FALSE(tree->isVisibleTo(&w));
}

TEST(NestedWindow, TheCommandLineTakesANestedPath) {
    MainFixture f;
    const auto outer = f.Write("OUTER.XMIT", Outer());
    MainWindow& w = f.Start({QString::fromStdString(outer.string() + "!MIDDLE!INNER")});
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Label(w, "LblFileName"), "OUTER.XMIT!MIDDLE!INNER");
    EXPECT_EQ(Members(w)->RowCount(), 2);
    EXPECT_EQ(TreeLabels(*Find<QTreeWidget>(&w, "TvwContainers")),
              QStringList({"OUTER.XMIT", " MIDDLE", "  INNER"}));

    // A member that holds no transmission is said so and nothing opens.
    MainWindow& plain = f.Start({QString::fromStdString(outer.string() + "!MEM0")});
    EXPECT_FALSE(plain.HasFile());
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.endsWith("!MEM0 is not an XMIT file"));
}

TEST(NestedWindow, DroppingAnXmitOrZipFileOpensItAndAnyOtherKeepsTheOpenOne) {
    MainFixture f;
    f.MakeDefaultFolders();
    MainWindow& w = f.Start();
    const auto lib = f.Write("dropped.xmi", BuildPds(MainFixture::Library(3)));
    Drop(w, lib);
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Label(w, "LblFileName"), "dropped.xmi");
    EXPECT_EQ(Members(w)->RowCount(), 3);

    ZipSpec zip;
    zip.Entries = {{"dir/DATA.XMI", BuildPds(MainFixture::Library(2))}};
    Drop(w, f.Write("dropped.zip", BuildZip(zip)));
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Label(w, "LblFileName"), "DATA.XMI");
    EXPECT_EQ(Members(w)->RowCount(), 2);

    // A file that is no transmission is refused; the one open stays open.
    f.Dialogs.Messages.clear();
    Drop(w, f.Write("notes.txt", Bytes(400, 'x')));
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Label(w, "LblFileName"), "DATA.XMI");
    EXPECT_EQ(Members(w)->RowCount(), 2);
    EXPECT_EQ(f.Dialogs.Messages.size(), 1u);
    EXPECT_EQ(w.StatusText(0), "Could not open notes.txt; DATA.XMI stays open.");
}

TEST(NestedWindow, RecentFilesKeepTheEightNewestAndDropMissingOnes) {
    MainFixture f;
    const auto outer = f.Write("OUTER.XMIT", Outer());
    MainWindow& w = f.Start();
    std::vector<std::string> paths;
    for (int k = 0; k < 9; ++k) {
        paths.push_back(
            f.Write("lib" + std::to_string(k) + ".xmi", BuildPds(MainFixture::Library(1)))
                .string());
    }
    paths.push_back(outer.string() + "!MIDDLE");
    for (const std::string& p : paths) {
        f.Dialogs.OpenAnswers.push_back(QString::fromStdString(p));
        w.MnuFileOpenClick();
        ASSERT_TRUE(w.HasFile()) << p;
    }
    // Newest first; lib0 and lib1 fell off the end.
    const std::vector<std::string> expected(paths.rbegin(), paths.rbegin() + 8);
    EXPECT_EQ(ReadRecentFiles(f.Registry), expected);
    ASSERT_EQ(RecentActions(w).size(), 8);
    EXPECT_EQ(RecentActions(w)[0]->data().toString().toStdString(), paths.back());
    EXPECT_EQ(RecentActions(w)[7]->text(), QString::fromStdString("&8 " + paths[2]));

    // A later window finds them; the nested path opens again.
    f.Stop();
    MainWindow& again = f.Start();
    ASSERT_TRUE(Find<QAction>(&again, "MnuFileRecent1")->isVisible());
    Find<QAction>(&again, "MnuFileRecent1")->trigger();
    ASSERT_TRUE(again.HasFile());
    EXPECT_EQ(Label(again, "LblFileName"), "OUTER.XMIT!MIDDLE");

    // A file gone is removed when chosen, with a message.
    std::filesystem::remove(paths[5]);
    const std::size_t shown = f.Dialogs.Messages.size();
    Find<QAction>(&again, "MnuFileRecent5")->trigger();  // paths[5]
    ASSERT_EQ(f.Dialogs.Messages.size(), shown + 1);
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("no longer exists"));
    const auto left = ReadRecentFiles(f.Registry);
    EXPECT_EQ(left.size(), 7u);
    EXPECT_EQ(std::count(left.begin(), left.end(), paths[5]), 0);
    EXPECT_FALSE(Find<QAction>(&again, "MnuFileRecent8")->isVisible());
    EXPECT_EQ(Label(again, "LblFileName"), "OUTER.XMIT!MIDDLE");  // still open
}

TEST(NestedWindow, AZipOfATerseFileOfAnXmitIsBrowsedByKeyboardInOneWindow) {
    MainFixture f;
    f.MakeDefaultFolders();
    PdsSpec outer = MainFixture::Library(1);
    outer.Members.push_back({"INNER", BuildPds(MainFixture::Library(2)), false, "", {}});
    TersePlan packed;
    packed.Records = {BuildPds(outer)};  // F 80: cut into its card images
    ZipSpec zip;
    zip.Entries = {{"LIB.XMI", BuildTerse(packed)}};
    MainWindow& w = f.Start();
    Drop(w, f.Write("archive.zip", BuildZip(zip)));
    ASSERT_TRUE(w.HasFile());
    EXPECT_EQ(Label(w, "LblFileName"), "LIB.XMI");
    EXPECT_FALSE(Label(w, "LblPacked").isEmpty());
    auto* tree = Find<QTreeWidget>(&w, "TvwContainers");
    EXPECT_EQ(TreeLabels(*tree), QStringList({"LIB.XMI", " INNER"}));

    // Down in the tree shows the library inside; Up (the key, in the tree) the file again.
    QTest::keyClick(tree, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(Label(w, "LblFileName"), "LIB.XMI!INNER");
    EXPECT_EQ(Members(w)->RowCount(), 2);
    QTest::keyClick(tree, Qt::Key_Up);
    QApplication::processEvents();
    EXPECT_EQ(Label(w, "LblFileName"), "LIB.XMI");
}
