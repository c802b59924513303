// What the main window shows at its default size and how its parts fit:
// the tabs, long names, the status bar, the message tab, the member list.
#include <gtest/gtest.h>

#include <QAction>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextLayout>

#include "ElidedLabel.h"
#include "GuiSupport.h"
#include "TabRows.h"
#include "TextPane.h"
#include "ViewerWindow.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
QStringList Args(const std::filesystem::path& p) {
    return {QString::fromStdString(p.string())};
}

void ClickHeader(MemberView& list, int column) {
    QHeaderView* h = list.header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
}

QStringList Column(MemberView& list, int column) {
    QStringList out;
    for (int r = 0; r < list.RowCount(); ++r) out << list.Text(r, column).trimmed();
    return out;
}
}  // namespace

TEST(Layout, EveryTabIsReachableAtTheDefaultSize) {
    MainFixture f;
    MainWindow& w = f.Start();
    QApplication::processEvents();
    ASSERT_EQ(Find<QSplitter>(&w, "Splitter1")->sizes().value(0), 193);
    const QRect area = Find<TabRows>(&w, "TabInfoRows")->rect();
    EXPECT_GT(Find<TabRows>(&w, "TabInfoRows")->RowCount(), 1);
    for (int k = Find<QTabWidget>(&w, "TabInfo")->count() - 1; k >= 0; --k) {
        const QRect tab = Find<TabRows>(&w, "TabInfoRows")->TabRect(k);
        ASSERT_FALSE(tab.isEmpty()) << k;
        EXPECT_TRUE(area.contains(tab)) << k;
        QTest::mouseClick(Find<TabRows>(&w, "TabInfoRows"), Qt::LeftButton, {}, tab.center());
        EXPECT_EQ(Find<QTabWidget>(&w, "TabInfo")->currentIndex(), k);
        EXPECT_TRUE(Find<TabRows>(&w, "TabInfoRows")->TabRect(k).bottom() >=
                    area.bottom() - 1);  // next to the page
    }
}

TEST(Layout, ALongFileNameDoesNotWidenThePane) {
    MainFixture f;
    const std::string name = "A-VERY-LONG-NAME-OF-A-TRANSMISSION-FILE-FROM-THE-MAINFRAME.xmi";
    MainWindow& w = f.Start(Args(f.Write(name, BuildPds(MainFixture::Library(1)))));
    QApplication::processEvents();
    EXPECT_EQ(Find<QSplitter>(&w, "Splitter1")->sizes().value(0), 193);
    EXPECT_EQ(Find<ElidedLabel>(&w, "LblFileName")->text().toStdString(), name);
    EXPECT_EQ(Find<ElidedLabel>(&w, "LblFileName")->toolTip().toStdString(), name);
    // The status bar's file-name panel shortens it too, whole in its tooltip.
    auto* panel = Find<ElidedLabel>(&w, "StatusPanel1");
    EXPECT_EQ(panel->toolTip().toStdString(), name);
    EXPECT_GE(panel->width(), panel->fontMetrics().horizontalAdvance("LONGNAME.xmit"));
}

TEST(Layout, TheStatusBarFitsItsFont) {
    MainFixture f;
    MainWindow& w = f.Start();
    QApplication::processEvents();
    int right = 0;
    for (int k = 0; k < 3; ++k) {
        auto* panel = Find<ElidedLabel>(&w, ("StatusPanel" + std::to_string(k)).c_str());
        EXPECT_GE(panel->contentsRect().height(), panel->fontMetrics().height()) << k;
        EXPECT_GE(panel->x(), right) << k;  // side by side, not over each other
        right = panel->geometry().right();
    }
    EXPECT_GE(w.statusBar()->height(), w.statusBar()->fontMetrics().height() + 2);
}

TEST(Layout, MessagesKeepTheirColumns) {
    MainFixture f;
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(80, 'm'))};
    seq.MessageLines = {std::string(79, 'X') + "|", "COL1      COL11"};
    MainWindow& w = f.Start(Args(f.Write("msg.xmi", BuildSequential(seq))));
    EXPECT_EQ(Find<QPlainTextEdit>(&w, "MmoTabMessage")->lineWrapMode(), QPlainTextEdit::NoWrap);
    // Columns line up: a line of narrow letters is as wide as one of wide
    // letters, whatever fonts this desktop has.
    const QFontMetrics m(Find<QPlainTextEdit>(&w, "MmoTabMessage")->font());
    EXPECT_EQ(m.horizontalAdvance(QString(10, 'i')), m.horizontalAdvance(QString(10, 'M')));
    EXPECT_EQ(Find<QPlainTextEdit>(&w, "MmoTabMessage")->document()->lineCount(),
              Find<QPlainTextEdit>(&w, "MmoTabMessage")->blockCount());
}

TEST(Layout, EveryCharacterTheViewerShowsIsDrawn) {
    // A member holding every byte: control characters show as pictures,
    // which the viewer's font, or a font the system falls back on, draws.
    PdsSpec plan = MainFixture::Library(1);
    Bytes all(320, 0x40);
    for (int b = 0; b < 256; ++b) all[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
    plan.Members[0].Data = all;
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("all.xmi", BuildPds(plan))));
    Members(w)->SetRowSelected(0, true);
    Find<QAction>(&w, "MnuXmitView")->trigger();
    auto* view = w.findChild<ViewerWindow*>();
    ASSERT_NE(view, nullptr);
    ASSERT_GE(view->RichEdit1->LineCount(), 4u);  // the four records, at least
    for (std::size_t k = 0; k < view->RichEdit1->LineCount(); ++k) {
        const QString line = view->RichEdit1->Line(k);
        QTextLayout layout(line, view->RichEdit1->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (quint32 glyph : run.glyphIndexes())
                EXPECT_NE(glyph, 0u) << "line " << k << ": " << line.toStdString();
        }
    }
}

TEST(MemberList, HeadersSortAndReverseAndANewFileComesInDirectoryOrder) {
    MainFixture f;
    PdsSpec plan;
    plan.Qualifiers = {"USER", "SORT", "LIB"};
    // Names in directory order; versions and dates in another order.
    const std::vector<std::tuple<const char*, std::uint8_t, std::uint16_t>> members = {
        {"ALPHA", 2, 300}, {"BRAVO", 10, 5}, {"CHARLIE", 1, 120}};
    for (const auto& [name, version, day] : members) {
        plan.Members.push_back({name, ToEbcdic(std::string(80, 'x')), false, "",
                                IspfStats(version, 0, 1, 24, day, 1, 2, "USER")});
    }
    const auto path = f.Write("sort.xmi", BuildPds(plan));
    MainWindow& w = f.Start(Args(path));
    MemberView& list = *Members(w);
    ASSERT_EQ(list.ColumnCount(), 9);
    EXPECT_EQ(list.model()->data(list.model()->index(0, 0), Qt::TextAlignmentRole).toInt() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
    EXPECT_LT(list.columnWidth(1), list.columnWidth(0));  // "Alias?" is narrow
    list.SetRowSelected(2, true);                         // CHARLIE stays selected
    struct Step {
        int column;
        QStringList names;
    };
    for (const Step& s : {Step{5, {"CHARLIE", "ALPHA", "BRAVO"}},  // version 1, 2, 10
                          Step{5, {"BRAVO", "ALPHA", "CHARLIE"}},  // again: reversed
                          Step{3, {"BRAVO", "CHARLIE", "ALPHA"}},  // modified day 5, 120, 300
                          Step{0, {"ALPHA", "BRAVO", "CHARLIE"}}}) {
        ClickHeader(list, s.column);
        EXPECT_EQ(Column(list, 0), s.names) << s.column;
        ASSERT_EQ(list.SelectedMembers().size(), 1);
        EXPECT_EQ(list.SelectedMembers()[0].Caption.trimmed(), "CHARLIE");
    }
    ClickHeader(list, 0);  // descending
    w.OpenPath(QString::fromStdString(path.string()));
    EXPECT_EQ(Column(list, 0), (QStringList{"ALPHA", "BRAVO", "CHARLIE"}));
    EXPECT_FALSE(list.header()->isSortIndicatorShown());
}

TEST(Layout, TheMemberListAndTheInfoValuesStayReadableUnderADarkPalette) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Base, QColor(35, 38, 41));
    dark.setColor(QPalette::Window, QColor(49, 54, 59));
    QApplication::setPalette(dark);
    MainFixture f;
    MainWindow& w = f.Start(Args(f.Write("lib.xmi", BuildPds(MainFixture::Library(2)))));
    Members(w)->ensurePolished();
    const QPalette shown = Members(w)->palette();
    auto* value = Find<QLabel>(&w, "LblFileName");
    value->ensurePolished();
    const QColor valueColour = value->palette().color(QPalette::WindowText);
    QApplication::setPalette(before);
    // Its white background, and text that stands out on it.
    EXPECT_EQ(shown.color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(shown.color(QPalette::Text), QColor(Qt::black));
    // Values are a blue light enough to read on the dark face; on a light
    // face again, the plain blue.
    EXPECT_GT(valueColour.lightness(), 160);
    EXPECT_GT(valueColour.blue(), valueColour.red());
    QApplication::processEvents();
    EXPECT_EQ(value->palette().color(QPalette::WindowText), QColor(Qt::blue));
}
