// The View, Extract and Jobwick commands of the main window.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include "ContainerTree.h"
#include "DecodeErrorDialog.h"
#include "DialogService.h"
#include "ElidedLabel.h"
#include "ExtractPrompt.h"
#include "MainWindow.h"
#include "MemoLines.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"
#include "ViewerWindow.h"
#include "extract/ReadChoice.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "present/Presenter.h"
#include "text/CodePage.h"

namespace corvane::gui {

namespace {
constexpr char kSaveFilter[] =
    "All files (*.*)|*.*|Text files (*.txt)|*.txt|Binary files (*.bin)|*.bin";

// A name from the file as windows show it: control characters escaped.
QString Shown(const QString& name) {
    return QString::fromStdString(DisplayName(name.toStdString()));
}

// The file name that a name from the file gets, extension included.
QString OutputFileName(const QString& name, const QString& ext) {
    return QString::fromStdString(OutputName(name.toStdString(), ext.toStdString()));
}

// Marks the main window busy for as long as a command reads the file.
class BusyScope {
  public:
    explicit BusyScope(std::function<void(bool)> set) : set_(std::move(set)) { set_(true); }
    ~BusyScope() { set_(false); }

  private:
    std::function<void(bool)> set_;
};
}  // namespace

QList<ListedMember> MainWindow::SelectedRows() const {
    return LvwMembers->SelectedMembers();  // in the order the list shows them
}

QString MainWindow::DatasetLabel() const {
    // The name as the file holds it; the label shows it escaped.
    const QString dataset = Info ? QString::fromStdString(Info->Dataset.Name) : QString();
    if (!dataset.isEmpty()) return dataset;
    const QString name = pathParts_.size() > 1 ? pathParts_.last() : FileNamePart(XmitPath);
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 ? name.left(dot) : name;
}

void MainWindow::SetBusy(bool busy) {
    reading_ = busy;
    UpdateActions();
    if (!busy && closeAfterRead_) {
        closeAfterRead_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void MainWindow::UpdateActions() {
    // While a read runs, nothing may close the file or start another read.
    const bool idle = !reading_;
    for (QAction* a : {MnuFileOpen, MnuFileRecentFile, MnuXmitDumpFile, MnuFileCreate})
        a->setEnabled(idle);
    SbnOpen->setEnabled(idle);
    const bool open = FileIsOpen && idle;
    // A tape's files are read once shown; the tape itself only lists them.
    const bool data = open && Kind != NodeKind::Tape && Kind != NodeKind::Zip;
    const bool library = data && Info && Info->Partitioned;
    for (QAction* a : {MnuFileClose, MnuXmitView, PopListView}) a->setEnabled(open);
    SbnView->setEnabled(open);
    for (QAction* a : {MnuXmitExtract, PopListExtract, MnuXmitExtractAll}) a->setEnabled(data);
    for (QToolButton* b : {SbnExtract, SbnJcl}) b->setEnabled(data);
    for (QAction* a : {MnuXmitFindContaining, MnuXmitSaveAs}) a->setEnabled(library);
    PopListOpenWindow->setEnabled(open && !nodeChildren_.empty());
    MnuViewBack->setEnabled(idle && TvwContainers->CanGoBack());
    MnuViewUp->setEnabled(idle && !TvwContainers->ParentPath().isEmpty());
    TvwContainers->setEnabled(idle);
}

bool MainWindow::PrepareExtraction() {
    if (!XmitSource) return false;  // a tape: its files are read in their own windows
    if (!Progress) Progress = new ProgressDialog(this);
    if (!Reader) Reader = std::make_unique<MemberReader>(*XmitSource, *Info);
    return true;
}

const CodePage& MainWindow::ChosenCodePage() const {
    const CodePage* page = CodePage::Find(options_->Values().CodePage);
    return page ? *page : CodePage::Default();
}

int MainWindow::ReadItem(const ListedMember* row, ViewerWindow* view, const QString& path,
                         corvane::Progress& progress) {
    return ReadItem(row ? row->Index : -1, view, path, progress);
}

int MainWindow::ReadItem(int member, ViewerWindow* view, const QString& path,
                         corvane::Progress& progress) {
    ReadRequest request;
    if (member >= 0) request.Member = &Info->Members.at(static_cast<std::size_t>(member));
    request.Form = TextMode ? ReadForm::Text : view ? ReadForm::Hex : ReadForm::Binary;
    request.RecordCut = RecordCut;
    request.Characters = &ChosenCodePage();
    if (view) {
        // A viewer shows the form and code page chosen in it.
        request.Form = view->TextForm() ? ReadForm::Text : ReadForm::Hex;
        request.Characters = CodePage::Find(view->CodePageNumber());
        view->SetHexDump(request.Form == ReadForm::Hex);
        request.Lines = &view->Lines();
        request.Name = view->Caption();
    } else {
        request.OutputFile = PathFromUtf8(path.toStdString());
        request.Name = FileNamePart(path).toStdString();
    }
    auto done = Reader->Read(request, progress);
    if (!done) {
        ShowError(done.Err());
        // A member whose data cannot even be found has nothing to keep.
        if (!view && done.Err().What == Error::Kind::Damaged &&
            (!request.Member || request.Member->DataStart >= 0)) {
            damagedReads_.emplace_back(request, request.Member
                                                    ? present::TrimmedName(request.Member->Name)
                                                    : DatasetLabel().toStdString());
        }
        return 1;
    }
    if (view) {
        view->SetStatus(0, done->Cancelled ? "Operation cancelled. Not all the data is present."
                                           : "Data read ok.");
        view->SetStatus(1, "Size: " + std::to_string(done->Bytes) + " bytes");
        view->FinishLoading();
    }
    return 0;
}

void MainWindow::promptShow() {
    ExtractPrompt prompt(this, TextOffered(Info->Dataset),
                         static_cast<int>(std::min<std::uint32_t>(Info->Dataset.Lrecl, 32767)));
    env_.Dialogs->Exec(prompt);
    const PromptAnswer answer = prompt.Answer();
    TextMode = answer.Choice == PromptChoice::Text     ? true
               : answer.Choice == PromptChoice::Binary ? false
                                                       : AutoReadsAsText(Info->Dataset);
    RecordCut = answer.RecordCut;
}

bool MainWindow::HasDataToExtract() {
    if (!NotOnTape("Extract")) return false;
    if (Info->HasData()) return true;
    env_.Dialogs->Message(this, "This file holds only a message; there is no dataset to extract.",
                          "Corvane", MessageIcon::Information, MessageButtons::Ok);
    return false;
}

void MainWindow::ReportNoSelection() {
    HideProgress();
    env_.Dialogs->Message(this, "Select at least one member from the list.", "Corvane",
                          MessageIcon::None, MessageButtons::Ok);
    FinishCommand();
}

void MainWindow::HideProgress() {
    if (Progress) {
        Progress->hide();
        Progress->SetItem(QString());
    }
    QApplication::restoreOverrideCursor();
}

void MainWindow::MnuXmitViewClick() {
    if (!Info || reading_) return;
    if (OpenNestedSelection()) return;  // a tape's file, or transmissions inside members
    if (!PrepareExtraction()) return;
    BusyScope busy([this](bool on) { SetBusy(on); });
    // Every question comes before the progress window shows, so that none
    // can hide under it.
    if (options_->Values().promptType) promptShow();
    QList<ListedMember> rows;
    if (Info->Partitioned) {
        rows = SelectedRows();
        if (rows.isEmpty()) return ReportNoSelection();
        if (rows.size() > 20 && !ConfirmManyViews()) {
            FinishCommand();
            return;
        }
    }
    Progress->setWindowTitle("Opening files for View");
    Progress->show();
    Progress->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!Info->Partitioned) {
        ViewMember(nullptr);
    } else if (rows.size() == 1) {
        ViewMember(&rows.first());
    } else {
        ViewSelectedMembers(rows);
    }
    FinishCommand();
    HideProgress();
}

void MainWindow::ViewSelectedMembers(const QList<ListedMember>& rows) {
    // The question about many views has been asked already. Cancel stops
    // the whole series, between members as well as inside one.
    for (const ListedMember& row : rows) {
        if (closeAfterRead_) break;
        ViewMember(&row);
        if (Progress->Cancelled()) break;
        QApplication::processEvents();  // a Cancel pressed between two members
        if (Progress->Cancelled()) break;
    }
}

bool MainWindow::ConfirmManyViews() {
    return env_.Dialogs->Message(
               this, "System performance may be impaired. \n      Continue with operation?",
               "Viewing more than 20 members!", MessageIcon::Warning,
               MessageButtons::YesNo) == MessageAnswer::Yes;
}

void MainWindow::ViewMember(const ListedMember* row) {
    auto* view = new ViewerWindow(this, *env_.Dialogs);
    PlaceViewer(*view);
    view->show();
    view->setEnabled(false);
    view->repaint();
    Progress->ClearCancelled();
    const int member = row ? row->Index : -1;
    view->SetSource(TextMode, options_->Values().CodePage,
                    [this, member](ViewerWindow& v) { return RereadView(v, member); });
    int result;
    if (row) {
        Progress->SetItem(Shown(row->Caption));
        view->setWindowTitle(Shown(row->Caption));
        result = ReadItem(row, view, QString(), *Progress);
    } else {
        Progress->SetItem(Shown(DatasetLabel()));
        view->setWindowTitle(Shown(DatasetLabel()));
        result = ReadItem(nullptr, view, QString(), *Progress);
    }
    if (result == 1) {
        view->setEnabled(true);
        view->close();
        return;
    }
    view->setEnabled(true);
    view->show();
    view->raise();
}

bool MainWindow::RereadView(ViewerWindow& view, int member) {
    if (!Info || reading_ || !PrepareExtraction()) return false;
    BusyScope busy([this](bool on) { SetBusy(on); });
    Progress->ClearCancelled();
    Progress->setWindowTitle("Opening files for View");
    Progress->SetItem(view.windowTitle());
    Progress->show();
    Progress->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    view.BeginReload();
    const int result = ReadItem(member, &view, QString(), *Progress);
    if (result != 0) view.AbandonReload();
    HideProgress();
    return result == 0;
}

void MainWindow::MnuXmitExtractClick() {
    if (!Info || reading_ || !HasDataToExtract()) return;
    if (!PrepareExtraction()) return;
    BusyScope busy([this](bool on) { SetBusy(on); });
    const ProgramOptions& options = options_->Values();
    if (options.promptType) promptShow();
    const QString ext = QString::fromStdString(TextMode ? options.TextExt : options.BinaryExt);
    DialogService::FileRequest save;
    save.Filter = kSaveFilter;
    save.ConfirmOverwrite = true;
    auto startSaving = [this] {
        Progress->setWindowTitle("Saving files");
        Progress->show();
        Progress->repaint();
    };
    if (Info->Partitioned) {
        const QList<ListedMember> rows = SelectedRows();
        if (rows.isEmpty()) return ReportNoSelection();
        if (rows.size() == 1) {
            save.Title = "Save Member";
            save.FileName = OutputFileName(rows.first().Caption, ext);
            if (auto chosen = env_.Dialogs->SaveFile(this, save)) {
                startSaving();
                TargetPath = *chosen;
                ExtractMember(&rows.first());
            }
        } else {
            save.Title = "Save Multiple Members (Enter only file extension)";
            save.FileName = ext;
            save.ConfirmOverwrite = false;
            if (auto chosen = env_.Dialogs->SaveFile(this, save)) {
                startSaving();
                TargetPath = FolderPart(*chosen);
                const QString name = FileNamePart(*chosen);
                const qsizetype dot = name.lastIndexOf('.');
                TargetExt = dot < 0 ? QString() : name.mid(dot);
                ExtractSelectedMembers(rows);
            }
        }
    } else {
        save.Title = "Save DataSet As";
        save.FileName = OutputFileName(DatasetLabel(), ext);
        if (auto chosen = env_.Dialogs->SaveFile(this, save)) {
            startSaving();
            TargetPath = *chosen;
            ExtractMember(nullptr);
        }
    }
    FinishCommand();
    HideProgress();
}

int MainWindow::ExtractMember(const ListedMember* row, bool offerSalvage) {
    Progress->ClearCancelled();
    damagedReads_.clear();
    Progress->SetItem(Shown(row ? row->Caption : DatasetLabel()));
    const int result = ReadItem(row, nullptr, TargetPath, *Progress);
    if (!row && result == 0 && !Progress->Cancelled()) SetStatus(0, "Dataset saved.");
    if (offerSalvage && !damagedReads_.empty() && !closeAfterRead_) {
        ModalShown(true);
        OfferSalvage(row ? "Save Member" : "Save DataSet As", false);
        ModalShown(false);
    }
    damagedReads_.clear();
    return result;
}

void MainWindow::ExtractSelectedMembers(const QList<ListedMember>& rows) {
    ProgressDialog members(this);
    members.setWindowTitle("Extract members");
    members.show();
    members.repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The members that fail are reported together at the end, not one
    // window per member.
    QStringList problems, failures;
    notifier_->CollectInto(&problems);
    errors_->CollectInto(&problems);
    int processed = 0;
    damagedReads_.clear();
    OutputNameSet names;  // two members of one name get two files
    for (const ListedMember& row : rows) {
        members.SetItem(Shown(row.Caption));
        const QString path =
            TargetPath + "/" +
            QString::fromStdString(names.Take(row.Caption.toStdString(), TargetExt.toStdString()));
        const qsizetype before = problems.size();
        const int result = ReadItem(&row, nullptr, path, members);
        for (qsizetype k = before; k < problems.size(); ++k)
            failures << Shown(row.Caption).trimmed() + ": " +
                            QString(problems[k]).replace('\n', ' ');
        // A cancelled member is not complete: it is not counted, and the loop ends.
        if (members.Cancelled() || closeAfterRead_) break;
        if (result == 0) ++processed;
    }
    notifier_->CollectInto(nullptr);
    errors_->CollectInto(nullptr);
    QApplication::restoreOverrideCursor();
    SetStatus(0,
              QString::fromStdString(present::ProcessedText(static_cast<std::size_t>(processed))));
    if (!failures.isEmpty()) {
        members.hide();
        ModalShown(true);
        constexpr qsizetype kShown = 15;
        QString text = QString("%1 of %2 members could not be extracted:\n\n")
                           .arg(rows.size() - processed)
                           .arg(rows.size());
        text += QStringList(failures.mid(0, kShown)).join('\n');
        if (failures.size() > kShown)
            text += QString("\n... and %1 more.").arg(failures.size() - kShown);
        env_.Dialogs->Message(this, text, "Extract members", MessageIcon::Warning,
                              MessageButtons::Ok);
        if (!closeAfterRead_) OfferSalvage("Extract members", false);
        ModalShown(false);
    }
    damagedReads_.clear();
}

void MainWindow::SbnJclClick() {
    if (!Info || reading_ || !NotOnTape("Jobwick")) return;
    const QList<ListedMember> rows = SelectedRows();
    if (rows.size() >= 2) {
        env_.Dialogs->Message(
            this, "Multiple selections cannot be sent to Jobwick!\nSelect only one member.",
            "Corvane", MessageIcon::None, MessageButtons::Ok);
        return;
    }
    if (rows.isEmpty()) {
        env_.Dialogs->Message(this, "No member selected!", "Corvane", MessageIcon::None,
                              MessageButtons::Ok);
        return;
    }
    if (!PrepareExtraction()) return;
    BusyScope busy([this](bool on) { SetBusy(on); });
    // The job folder is made on first use.
    const QString folder = QString::fromStdString(options_->Values().ZipDir);
    QDir().mkpath(folder);
    TargetPath = folder + "/" + OutputFileName(rows.first().Caption, ".jcl");
    const int result = ExtractMember(&rows.first(), false);
    FinishCommand();
    // The job file goes to the shell only when it was written.
    if (result == 0 && !Progress->Cancelled()) OpenDocument(TargetPath);
}

}  // namespace corvane::gui
