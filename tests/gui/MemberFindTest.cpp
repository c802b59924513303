#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <algorithm>

#include "GuiSupport.h"
#include "ProgressDialog.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
MainWindow& Open(MainFixture& f, std::size_t members) {
    const auto path = f.Write("lib.xmi", BuildPds(MainFixture::Library(members)));
    return f.Start({QString::fromStdString(path.string())});
}

QStringList Names(MainWindow& w) {
    QStringList names;
    for (int row = 0; row < Members(w)->RowCount(); ++row)
        names << Members(w)->Text(row, 0).trimmed();
    return names;
}

std::string Card(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
}

QString Count(MainWindow& w) {
    return Find<QLabel>(&w, "LblFilterCount")->text();
}

// Answers the containing question with a text and OK.
void AnswerContaining(MainFixture& f, const QString& text, bool matchCase = false) {
    f.Dialogs.ExecHandlers.push_back([text, matchCase](QDialog& d) {
        d.findChild<QLineEdit*>("EdtContaining")->setText(text);
        d.findChild<QCheckBox*>("ChkContainingCase")->setChecked(matchCase);
        d.findChild<QPushButton*>("BtnContainingOk")->click();
        return d.result();
    });
}
}  // namespace

TEST(MemberFilter, NarrowsByNameWithWildcardsAndCounts) {
    MainFixture f;
    MainWindow& w = Open(f, 12);
    auto* filter = Find<QLineEdit>(&w, "EdtFilter");
    EXPECT_EQ(Count(w), "12 of 12 members");
    EXPECT_FALSE(Find<QToolButton>(&w, "BtnShowAll")->isVisibleTo(&w));
    struct Case {
        const char* Filter;
        QStringList Names;
    };
    const Case cases[] = {
        {"mem1*", {"MEM1", "MEM10", "MEM11"}},
        {"?EM2", {"MEM2"}},
        {"1", {"MEM1", "MEM10", "MEM11"}},
        {"*X*", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Filter);
        QTest::keyClicks(filter, c.Filter);
        EXPECT_EQ(Names(w), c.Names);
        EXPECT_EQ(Count(w), QString("%1 of 12 members").arg(c.Names.size()));
        filter->clear();
    }
    EXPECT_EQ(Count(w), "12 of 12 members");
}

TEST(MemberFilter, SelectionKeepsOnlyShownRowsAndCommandsUseThem) {
    MainFixture f;
    MainWindow& w = Open(f, 12);
    Members(w)->SetRowSelected(2, true);   // MEM2, filtered away
    Members(w)->SetRowSelected(10, true);  // MEM10, stays
    Find<QLineEdit>(&w, "EdtFilter")->setText("mem1*");
    ASSERT_EQ(Members(w)->SelectedMembers().size(), 1);
    EXPECT_EQ(Members(w)->SelectedMembers()[0].Caption.trimmed(), "MEM10");
    Find<QAction>(&w, "MnuEditSelectAll")->trigger();
    QStringList selected;
    for (const ListedMember& m : Members(w)->SelectedMembers()) selected << m.Caption.trimmed();
    EXPECT_EQ(selected, (QStringList{"MEM1", "MEM10", "MEM11"}));
}

TEST(MemberFilter, TypingInTheListJumpsToAName) {
    MainFixture f;
    MainWindow& w = Open(f, 12);
    Members(w)->setFocus();
    QTest::keyClicks(Members(w), "mem11");
    EXPECT_EQ(Members(w)->currentIndex().row(), 11);
    EXPECT_EQ(Members(w)->SelectedRowNumbers(), QList<int>{11});
}

TEST(ContainingSearch, ListsTheMembersWhoseTextHoldsTheString) {
    MainFixture f;
    MainWindow& w = Open(f, 5);
    AnswerContaining(f, "member 3 line");
    Find<QAction>(&w, "MnuXmitFindContaining")->trigger();
    EXPECT_EQ(f.Dialogs.ExecWindows.back(), "FrmContaining");
    EXPECT_EQ(Names(w), QStringList{"MEM3"});
    EXPECT_EQ(Count(w), "1 of 5 members");
    EXPECT_EQ(w.StatusText(0), "1 members contain \"member 3 line\".");
    EXPECT_FALSE(ProgressOf(w)->isVisible());
    EXPECT_FALSE(w.Reading());

    // The name filter narrows the result further; Show all undoes both.
    Find<QLineEdit>(&w, "EdtFilter")->setText("mem4");
    EXPECT_EQ(Count(w), "0 of 5 members");
    auto* all = Find<QToolButton>(&w, "BtnShowAll");
    ASSERT_TRUE(all->isVisibleTo(&w));
    all->click();
    EXPECT_EQ(Count(w), "5 of 5 members");
    EXPECT_TRUE(Find<QLineEdit>(&w, "EdtFilter")->text().isEmpty());

    AnswerContaining(f, "member 3 line", true);
    w.MnuXmitFindContainingClick();
    EXPECT_EQ(Count(w), "0 of 5 members");
    f.Dialogs.ExecHandlers.clear();  // the question cancelled: the list stays
    w.MnuXmitFindContainingClick();
    EXPECT_EQ(Count(w), "0 of 5 members");
}

TEST(ExtractAll, WritesEveryMemberUnderTheCliNamesAndNeverOverwritesUnasked) {
    MainFixture f;
    MainWindow& w = Open(f, 3);
    const std::filesystem::path out = f.Dir / "out";
    f.Dialogs.FolderAnswers = {QString::fromStdString(out.string())};
    Find<QLineEdit>(&w, "EdtFilter")->setText("mem1");  // extract all ignores the filter
    Find<QAction>(&w, "MnuXmitExtractAll")->trigger();
    for (const char* name : {"MEM0.txt", "MEM1.txt", "MEM2.txt"})
        EXPECT_TRUE(std::filesystem::exists(out / name)) << name;
    const Bytes mem1 = ReadFile(out / "MEM1.txt");
    const std::string firstLine(mem1.begin(), mem1.begin() + 82);
    EXPECT_EQ(firstLine, Card("MEMBER 1 LINE 0") + "\r\n");
    ASSERT_FALSE(f.Dialogs.Messages.empty());
    EXPECT_EQ(f.Dialogs.Messages.back().Caption, "Extract all");
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.startsWith("3 of 3 files written to "));

    WriteFile(out / "MEM1.txt", ToEbcdic("KEEP"));
    f.Dialogs.FolderAnswers = {QString::fromStdString(out.string())};
    f.Dialogs.QuestionAnswers = {MessageAnswer::No};
    w.MnuXmitExtractAllClick();
    const auto& asked = f.Dialogs.Messages[f.Dialogs.Messages.size() - 2];
    EXPECT_EQ(asked.Buttons, MessageButtons::YesNo);
    EXPECT_TRUE(asked.Text.startsWith("3 of the 3 files already exist"));
    EXPECT_EQ(ReadFile(out / "MEM1.txt"), ToEbcdic("KEEP"));
    EXPECT_TRUE(f.Dialogs.Messages.back().Text.contains("3 skipped: the file exists."));
}

TEST(ExtractAll, OffersToKeepWhatADamagedMemberHoldsBeforeItsDamage) {
    PdsSpec plan = MainFixture::Library(3);
    plan.Members.back().Data = ToEbcdic(std::string(80 * 40, 'z'));  // MEM2, the last
    const Bytes whole = BuildPds(plan);
    // Extract all, the one member selected, and two members selected.
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        MainFixture f;
        const auto path = f.Write("cut.xmi", Bytes(whole.begin(), whole.end() - 1200));
        MainWindow& w = f.Start({QString::fromStdString(path.string())});
        ASSERT_TRUE(w.HasFile());
        const std::filesystem::path out = f.Dir / "out";
        std::filesystem::create_directories(out);
        f.Dialogs.QuestionAnswers = {MessageAnswer::Yes};
        std::filesystem::path partial = out / "MEM2.partial.txt";
        if (way == 0) {
            f.Dialogs.FolderAnswers = {QString::fromStdString(out.string())};
            Find<QAction>(&w, "MnuXmitExtractAll")->trigger();
            EXPECT_TRUE(std::filesystem::exists(out / "MEM0.txt"));
        } else {
            Members(w)->clearSelection();
            if (way == 2) Members(w)->SetRowSelected(1, true);
            Members(w)->SetRowSelected(2, true);
            const auto target = way == 1 ? out / "mine.txt" : out / ".txt";
            f.Dialogs.SaveAnswers = {QString::fromStdString(target.string())};
            if (way == 1) partial = out / "mine.partial.txt";
            Find<QAction>(&w, "MnuXmitExtract")->trigger();
        }
        EXPECT_FALSE(std::filesystem::exists(out / "MEM2.txt"));
        const Bytes kept = ReadFile(partial);
        const auto lines = std::count(kept.begin(), kept.end(), '\n');
        EXPECT_GT(lines, 0);
        EXPECT_LT(lines, 40);
        ASSERT_GE(f.Dialogs.Messages.size(), 2u);
        const auto& asked = f.Dialogs.Messages[f.Dialogs.Messages.size() - 2];
        EXPECT_EQ(asked.Buttons, MessageButtons::YesNo);
        EXPECT_TRUE(asked.Text.startsWith("One member could not be read whole"))
            << asked.Text.toStdString();
        EXPECT_TRUE(f.Dialogs.Messages.back().Text.startsWith(
            QString("Salvaged %1 records of MEM2 into ").arg(lines)))
            << f.Dialogs.Messages.back().Text.toStdString();
    }
}
