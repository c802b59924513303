// Finding members: the name filter above the list and the search for the
// members whose text contains a string.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "ContainingDialog.h"
#include "DialogService.h"
#include "JobProgress.h"
#include "MainWindow.h"
#include "ProgressDialog.h"
#include "io/OutputName.h"
#include "ports/LineTarget.h"
#include "search/TextFind.h"

namespace corvane::gui {

namespace {
// Takes the lines of one member and notes whether one holds the text.
class MatchLines : public LineTarget {
  public:
    explicit MatchLines(const TextMatcher& matcher) : matcher_(matcher) {}
    bool AppendLine(std::string_view line) override {
        if (!Found && matcher_.In(line)) Found = true;
        return true;
    }
    bool Found = false;

  private:
    const TextMatcher& matcher_;
};

// The job's progress seen through a read that may stop at the first match.
class StopAtMatch : public corvane::Progress {
  public:
    StopAtMatch(corvane::Progress& job, const bool& found) : job_(job), found_(found) {}
    void SetMaximum(std::int64_t v) override { job_.SetMaximum(v); }
    void SetMinimum(std::int64_t v) override { job_.SetMinimum(v); }
    void SetPosition(std::int64_t v) override { job_.SetPosition(v); }
    void ProcessEvents() override { job_.ProcessEvents(); }
    bool Cancelled() const override { return found_ || job_.Cancelled(); }

  private:
    corvane::Progress& job_;
    const bool& found_;
};

// The bytes a member's data covers in the file; 0 when not known.
std::int64_t DataBytes(const MemberEntry& m) {
    return m.DataStart >= 0 && m.DataEnd > m.DataStart ? m.DataEnd - m.DataStart : 0;
}
}  // namespace

QWidget* MainWindow::BuildMemberPane() {
    auto* pane = new QWidget(this);
    pane->setObjectName("MemberPane");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    FilterBar = new QWidget(pane);
    FilterBar->setObjectName("FilterBar");
    auto* row = new QHBoxLayout(FilterBar);
    row->setContentsMargins(2, 2, 2, 0);
    EdtFilter = new QLineEdit(FilterBar);
    EdtFilter->setObjectName("EdtFilter");
    EdtFilter->setPlaceholderText("Filter names (* and ? as wildcards)");
    EdtFilter->setToolTip(
        "Show only the members whose names match: * stands for any characters, ? for one; "
        "without them, the names that contain the text");
    EdtFilter->setClearButtonEnabled(true);
    LblFilterCount = new QLabel(FilterBar);
    LblFilterCount->setObjectName("LblFilterCount");
    BtnShowAll = new QToolButton(FilterBar);
    BtnShowAll->setObjectName("BtnShowAll");
    BtnShowAll->setText("Show all");
    BtnShowAll->setToolTip("Clear the filter and the containing search: list every member");
    row->addWidget(EdtFilter, 1);
    row->addWidget(LblFilterCount);
    row->addWidget(BtnShowAll);
    layout->addWidget(FilterBar);
    layout->addWidget(LvwMembers, 1);
    connect(EdtFilter, &QLineEdit::textChanged, this, &MainWindow::ApplyMemberFilter);
    connect(BtnShowAll, &QToolButton::clicked, this, &MainWindow::BtnShowAllClick);
    // A new file (or none) starts unfiltered.
    connect(&LvwMembers->Model(), &QAbstractItemModel::modelReset, this, [this] {
        containing_.clear();
        const QSignalBlocker quiet(EdtFilter);
        EdtFilter->clear();
        UpdateMemberCount();
    });
    UpdateMemberCount();
    return pane;
}

void MainWindow::ApplyMemberFilter() {
    LvwMembers->Model().SetFilter(NameFilter(EdtFilter->text().toStdString()), containing_);
    UpdateMemberCount();
}

void MainWindow::UpdateMemberCount() {
    const MemberListModel& model = LvwMembers->Model();
    FilterBar->setVisible(model.columnCount() > 0);  // a partitioned dataset is listed
    LblFilterCount->setText(QString(model.ListsFiles() ? "%1 of %2 files" : "%1 of %2 members")
                                .arg(model.rowCount())
                                .arg(model.TotalCount()));
    BtnShowAll->setVisible(model.Filtered());
}

void MainWindow::BtnShowAllClick() {
    containing_.clear();
    const QSignalBlocker quiet(EdtFilter);
    EdtFilter->clear();
    ApplyMemberFilter();
}

void MainWindow::MnuXmitFindContainingClick() {
    if (!Info || reading_ || !NotOnTape("Find members containing")) return;
    if (!Info->Partitioned) {
        env_.Dialogs->Message(this, "This file holds a sequential dataset; there are no members.",
                              "Corvane", MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    ContainingDialog ask(this);
    if (env_.Dialogs->Exec(ask) != QDialog::Accepted || ask.Text().isEmpty()) return;
    const QString text = ask.Text();
    const QByteArray pattern = text.toUtf8();
    const TextMatcher matcher(std::string_view(pattern.data(), pattern.size()), ask.MatchCase());
    PrepareExtraction();
    SetBusy(true);
    Progress->setWindowTitle("Searching members");
    Progress->show();
    Progress->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<bool> hits(Info->Members.size(), false);
    int found = 0, unreadable = 0;
    bool cancelled = false;
    {
        std::int64_t total = 0;
        for (const MemberEntry& m : Info->Members) total += DataBytes(m);
        JobProgress job(*Progress, "Searching", Info->Members.size(), total);
        for (std::size_t k = 0; k < Info->Members.size(); ++k) {
            const MemberEntry& member = Info->Members[k];
            job.StartItem(QString::fromStdString(DisplayName(member.Name)), DataBytes(member));
            MatchLines lines(matcher);
            StopAtMatch progress(job, lines.Found);
            ReadRequest request;
            request.Member = &member;
            request.Form = ReadForm::Text;
            request.Lines = &lines;
            request.Name = DisplayName(member.Name);
            const auto done = Reader->Read(request, progress);
            if (lines.Found) {
                hits[k] = true;
                ++found;
            }
            // A click on Cancel during a read that found a match counts too.
            if (job.Cancelled() || closeAfterRead_) {
                cancelled = true;
                break;
            }
            if (!lines.Found && !done) ++unreadable;
        }
    }
    HideProgress();
    SetBusy(false);
    if (cancelled) {
        SetStatus(0, "Search cancelled; the list is as it was.");
        return;
    }
    containing_ = std::move(hits);
    ApplyMemberFilter();
    QString status = QString("%1 members contain \"%2\".").arg(found).arg(text);
    if (unreadable > 0) status += QString(" %1 could not be read.").arg(unreadable);
    SetStatus(0, status);
}

}  // namespace corvane::gui
