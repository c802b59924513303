#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "FindBar.h"
#include "GuiSupport.h"
#include "ViewerWindow.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
// Views the second member of a small library, as text or as a hex dump.
ViewerWindow* ViewMember(MainFixture& f, bool text) {
    MainWindow& w = f.Start(
        {QString::fromStdString(f.Write("lib.xmi", BuildPds(MainFixture::Library(3))).string())});
    Members(w)->SetRowSelected(1, true);
    w.SetTextMode(text);
    Find<QAction>(&w, "MnuXmitView")->trigger();
    return w.findChild<ViewerWindow*>();
}

QString Search(ViewerWindow& v, const QString& pattern, const char* button = "BtnFindNext") {
    Find<QLineEdit>(&v, "EdtFind")->setText(pattern);
    Find<QToolButton>(&v, button)->click();
    return v.RichEdit1->SelectedText();
}
}  // namespace

TEST(ViewerFind, CtrlFOpensTheBarAndMatchesWrapAround) {
    MainFixture f;
    ViewerWindow* v = ViewMember(f, true);
    ASSERT_NE(v, nullptr);
    auto* bar = Find<FindBar>(v, "FindBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());
    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v));
    QTest::keyClick(v, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(Find<QCheckBox>(v, "ChkMatchCase")->isChecked());
    auto* status = Find<QLabel>(v, "LblFindStatus");

    const std::size_t lineStart = v->RichEdit1->Utf8().find("MEMBER 1 LINE 0");
    EXPECT_EQ(Search(*v, "line"), "LINE");
    EXPECT_EQ(v->RichEdit1->SelectedBytes().first, lineStart + 9);
    Find<QAction>(v, "MnuFindNext")->trigger();
    Find<QAction>(v, "MnuFindNext")->trigger();
    EXPECT_EQ(v->RichEdit1->SelectedBytes().first, lineStart + 2 * 81 + 9);  // the third record
    EXPECT_TRUE(status->text().isEmpty());
    Find<QAction>(v, "MnuFindNext")->trigger();
    EXPECT_EQ(v->RichEdit1->SelectedBytes().first, lineStart + 9);
    EXPECT_EQ(status->text(), "Passed the end, continued from the top.");
    Find<QAction>(v, "MnuFindPrevious")->trigger();
    EXPECT_EQ(v->RichEdit1->SelectedBytes().first, lineStart + 2 * 81 + 9);
    EXPECT_EQ(status->text(), "Passed the top, continued from the end.");

    Find<QCheckBox>(v, "ChkMatchCase")->setChecked(true);
    Search(*v, "line");
    EXPECT_EQ(status->text(), "\"line\" was not found.");
    EXPECT_EQ(v->RichEdit1->SelectedText(), "LINE");  // the last match stays selected
    v->close();
}

TEST(ViewerFind, AHexDumpIsSearchedInItsCharacters) {
    MainFixture f;
    ViewerWindow* v = ViewMember(f, false);
    ASSERT_NE(v, nullptr);
    const std::string_view text = v->RichEdit1->Utf8();
    ASSERT_NE(text.find("C9D5"), std::string_view::npos);
    EXPECT_EQ(Search(*v, "1 line 2"), "1 LINE 2");
    const std::size_t begin = v->RichEdit1->SelectedBytes().first;
    // In the character column, which begins in column 50, after "MEMBER ".
    EXPECT_EQ(begin - (text.rfind('\n', begin) + 1), 57u);
    Search(*v, "C9D5");  // hex digits of "IN": not in the character column
    EXPECT_EQ(Find<QLabel>(v, "LblFindStatus")->text(), "\"C9D5\" was not found.");
    v->close();
}
