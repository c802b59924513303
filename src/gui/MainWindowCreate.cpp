// Writing XMIT files: Create XMIT file (of PC files) and Save as XMIT file
// (the open library, or the members selected in it, again).
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <ctime>

#include "CreateJob.h"
#include "CreateXmitDialog.h"
#include "DialogService.h"
#include "MainWindow.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"
#include "create/CreateInputs.h"
#include "create/LibraryBlocks.h"
#include "create/XmitCreator.h"
#include "io/AtomicWriter.h"
#include "io/OpenInputs.h"
#include "repair/RepairedFile.h"
#include "text/CodePage.h"

namespace corvane::gui {

namespace {
constexpr char kSaveAsCaption[] = "Save as XMIT file";
constexpr char kXmitFilter[] = "Xmit files (*.xmi)|*.xmi|All files (*.*)|*.*";

QString MembersText(std::size_t n) {
    return n == 1 ? QString("1 member") : QString("%1 members").arg(n);
}

// The progress window of a write, shown for as long as it lives.
class WriteProgress {
  public:
    WriteProgress(ProgressDialog& window, const QString& title, const QString& name)
        : window_(window), label_(window.Caption()) {
        window_.ClearCancelled();
        window_.setWindowTitle(title);
        window_.SetCaption("Writing the XMIT file...");
        window_.SetItem(name);
        window_.show();
        window_.repaint();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WriteProgress() {
        window_.hide();
        window_.SetCaption(label_);
        window_.SetItem(QString());
        QApplication::restoreOverrideCursor();
    }

  private:
    ProgressDialog& window_;
    QString label_;
};
}  // namespace

void MainWindow::MnuFileCreateClick() {
    if (reading_) return;
    CreateXmitDialog dialog(this, *env_.Dialogs, options_->Values().CodePage);
    dialog.SetWriter([this, &dialog](const CreateJob& job, bool replace) {
        return WriteCreateJob(dialog, job, replace);
    });
    env_.Dialogs->Exec(dialog);
}

bool MainWindow::WriteCreateJob(QWidget& over, const CreateJob& job, bool replace) {
    const QString name = QString::fromStdString(PathToUtf8(job.Output().filename()));
    Result<create::CreateSummary> done = create::CreateSummary{};
    {
        // Over the Create window, so that its Cancel can be pressed while
        // that window is modal.
        ProgressDialog progress(&over);
        WriteProgress shown(progress, "Create XMIT file", name);
        SetBusy(true);
        done = job.Write(replace, &progress);
        SetBusy(false);
    }
    if (!done) {
        ShowError(done.Err());
        return false;
    }
    if (done->Cancelled) {
        SetStatus(0, "Cancelled: " + name + " was not written.");
        return false;
    }
    SetStatus(
        0, "Created " + name + ": " +
               (job.Sequential() ? QString("a sequential dataset") : MembersText(done->Members)) +
               ".");
    return true;
}

void MainWindow::MnuXmitSaveAsClick() {
    if (!Info || reading_ || !Info->Partitioned || !NotOnTape(kSaveAsCaption)) return;
    if (!PrepareExtraction()) return;
    // The members selected, or all; an alias brings the member it names.
    std::vector<const MemberEntry*> chosen;
    for (const ListedMember& row : SelectedRows())
        chosen.push_back(&Info->Members.at(static_cast<std::size_t>(row.Index)));
    if (chosen.empty()) {
        for (const MemberEntry& m : Info->Members) chosen.push_back(&m);
    }

    DialogService::FileRequest save;
    save.Title = kSaveAsCaption;
    save.FileName = DatasetLabel() + ".xmi";
    // Beside the file that holds the library.
    const std::vector<std::string> path = SplitXmitPath(XmitPath.toStdString());
    if (!path.empty()) save.Folder = FolderPart(QString::fromStdString(path.front()));
    save.Filter = kXmitFilter;
    save.ConfirmOverwrite = true;  // the save dialog asks before replacing
    const auto answer = env_.Dialogs->SaveFile(this, save);
    if (!answer || answer->isEmpty()) return;
    const std::filesystem::path output = PathFromUtf8(answer->toStdString());
    if (IsOpenInput(output)) {
        env_.Dialogs->Message(this, *answer + "\nis the file being read; it is never written.",
                              kSaveAsCaption, MessageIcon::Error, MessageButtons::Ok);
        return;
    }

    create::LibraryPlan plan = create::PlanFromLibrary(*Reader, *Info, chosen);
    // Sent again by the same sender to the same receiver, now.
    const TransferHeader& t = Info->Transfer;
    const auto carry = [](const std::string& from, std::string& to) {
        if (!from.empty() && from.size() <= 8) to = from;
    };
    carry(t.FromUser, plan.Transmission.FromUser);
    carry(t.FromNode, plan.Transmission.FromNode);
    carry(t.ToUser, plan.Transmission.ToUser);
    carry(t.ToNode, plan.Transmission.ToNode);
    plan.Transmission.Timestamp = create::Stamp14(create::LocalTime(std::time(nullptr)));
    if (const auto problems = create::LibraryProblems(plan); !problems.empty()) {
        QString text = "The library cannot be written as it stands:\n\n";
        for (const std::string& p : problems) text += QString::fromStdString(p) + "\n";
        text += "\nNothing was written.";
        env_.Dialogs->Message(this, text, kSaveAsCaption, MessageIcon::Warning, MessageButtons::Ok);
        return;
    }

    const QString name = QString::fromStdString(PathToUtf8(output.filename()));
    Result<create::CreateSummary> done = create::CreateSummary{};
    {
        WriteProgress shown(*Progress, kSaveAsCaption, name);
        SetBusy(true);
        done = create::CreateXmitFile(output, plan, PathPresent(output), Progress);
        SetBusy(false);
    }
    if (!done) {
        ShowError(done.Err());
        return;
    }
    if (done->Cancelled) {
        SetStatus(0, "Cancelled: " + name + " was not written.");
        return;
    }
    QString status = "Saved " + name + ": " + MembersText(done->Members) + ".";
    if (Info->Dataset.Organization == DatasetOrganization::PartitionedExtended)
        status += " The PDSE was written as a PDS.";
    SetStatus(0, status);
}

void MainWindow::MnuFileSaveRepairedClick() {
    if (reading_ || XmitPath.isEmpty()) return;
    const QString caption = "Save repaired copy";
    const std::filesystem::path damaged = PathFromUtf8(XmitPath.toStdString());
    DialogService::FileRequest save;
    save.Title = caption;
    save.Folder = FolderPart(XmitPath);
    save.FileName = QString::fromStdString(PathToUtf8(damaged.stem())) + ".repaired.xmi";
    save.Filter = kXmitFilter;
    save.ConfirmOverwrite = true;
    const auto answer = env_.Dialogs->SaveFile(this, save);
    if (!answer || answer->isEmpty()) return;
    const std::filesystem::path output = PathFromUtf8(answer->toStdString());
    std::error_code ec;
    if (IsOpenInput(output) || std::filesystem::equivalent(output, damaged, ec)) {
        env_.Dialogs->Message(this, *answer + "\nis the file being read; it is never written.",
                              caption, MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    const int page = ChosenCodePage().Number();
    auto repaired =
        repair::RepairFileInto(damaged, page == CodePage::kCorvaneTable ? -1 : page, output, false);
    if (!repaired || repaired->What.Result != repair::Repair::Outcome::Exact) {
        env_.Dialogs->Message(this, "The file can no longer be repaired exactly.", caption,
                              MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    const auto status = repaired->Write.value_or(AtomicWriter::Status::WriteFailed);
    if (status != AtomicWriter::Status::Ok) {
        env_.Dialogs->Message(this, QString::fromStdString(AtomicWriteText(status, output)),
                              caption, MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    SetStatus(0, "Saved the repaired copy as " +
                     QString::fromStdString(PathToUtf8(output.filename())) + ".");
}

}  // namespace corvane::gui
