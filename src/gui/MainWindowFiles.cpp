// Opening and closing files in the main window.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

#include "ContainerTree.h"
#include "DecodeErrorDialog.h"
#include "DialogService.h"
#include "ElidedLabel.h"
#include "MainWindow.h"
#include "MemoLines.h"
#include "OptionsDialog.h"
#include "TabRows.h"
#include "ViewerWindow.h"
#include "ZipIntakeDialog.h"
#include "container/TapeContents.h"
#include "decode/XmitParser.h"
#include "extract/ReadChoice.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "nested/XmitPath.h"
#include "present/ContainerText.h"
#include "present/InfoTabs.h"
#include "present/Presenter.h"
#include "repair/RepairedOpen.h"
#include "tape/TapeImage.h"
#include "util/SizeText.h"

namespace corvane::gui {

namespace {
constexpr char kOpenFilter[] =
    "Xmit files (*.xmt , *.xmi , *.xm , *.xmit , *.zip))|*.xmt;*.xmi;*.xm;*.xmit;*.zip|"
    "Tape images (*.aws *.het)|*.aws;*.het|"
    "TERSE files (*.trs *.terse *.pack *.spack)|*.trs;*.terse;*.pack;*.spack|"
    "IEBCOPY unloads (*.unload)|*.unload|"
    "All files (*)|*";

}  // namespace

void MainWindow::MnuFileOpenClick() {
    DebugHeaders = false;
    OpenXmitFile(true);
}

void MainWindow::MnuXmitDumpFileClick() {
    DebugHeaders = true;
    OpenXmitFile(true);
}

void MainWindow::MnuFileRecentFileClick() {
    if (RecentPath.isEmpty()) return;
    XmitPath = RecentPath;
    OpenXmitFile(false);
}

void MainWindow::MnuFileCloseClick() {
    CloseXmitFile();
}

void MainWindow::OpenXmitFile(bool withDialog) {
    if (reading_) return;
    const ProgramOptions& options = options_->Values();
    if (withDialog) {
        QString folder;
        // The folder of the file last opened, also when a node inside it was.
        const QString recentFile =
            RecentPath.isEmpty()
                ? QString()
                : QString::fromStdString(SplitXmitPath(RecentPath.toStdString())[0]);
        if (options.UseLastDir && !recentFile.isEmpty() && QFileInfo(recentFile).isFile()) {
            folder = FolderPart(recentFile);
        } else {
            folder = QString::fromStdString(options.DefaultDir);
        }
        DialogService::FileRequest request;
        request.Title = "Open Xmit File";
        request.Folder = folder;
        request.Filter = kOpenFilter;
        request.MustExist = true;
        auto chosen = env_.Dialogs->OpenFile(this, request);
        if (!chosen) return;
        XmitPath = *chosen;
    }
    // A path into a file (LIB.XMIT!MEMBER, ARCHIVE.zip!ENTRY, TAPE.aws!2) is
    // read in place; a zip archive by itself goes through the unzip intake.
    std::vector<std::string> parts = SplitXmitPath(XmitPath.toStdString());
    const bool nested = parts.size() > 1;
    // A node of the tree is shown as it is, an archive too.
    if (!nested && !treeOpen_ && (XmitPath.contains(".zip") || XmitPath.contains(".ZIP"))) {
        if (!OpenArchive()) return;
        parts = {XmitPath.toStdString()};  // the entry unpacked, not the archive
    }
    update();

    const QString filePart = nested ? QString::fromStdString(parts[0]) : XmitPath;
    auto source = FileSource::Open(PathFromUtf8(filePart.toStdString()));
    if (!source || source.Value()->Size() == 0) {
        // Say which file and what the system found wrong with it.
        QString reason = QString("The file is empty.");
        if (!source) {
            const std::string& message = source.Err().Message;
            const std::size_t colon = message.rfind(": ");
            reason = QString::fromStdString(colon == std::string::npos ? message
                                                                       : message.substr(colon + 2));
        }
        if (keepOnFailure_) {
            KeepOpenNode(XmitPath);
        } else if (Info) {
            CloseXmitFile();
        }
        env_.Dialogs->Message(
            this,
            "Make sure the file is accessible and not in use by other applications.\n\n" +
                filePart + "\n" + reason.left(1).toUpper() + reason.mid(1),
            "Error opening file", MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    SetStatus(0, "Decoding xmit file, please wait...");
    statusBar()->repaint();
    std::vector<std::string> dump;
    const QStringList shownParts = pathParts_;
    pathParts_.clear();
    for (const std::string& part : parts) pathParts_ << QString::fromStdString(part);
    source.Value().reset();  // the path opener reads the file itself
    ParseOptions parse;
    parse.HeaderDump = DebugHeaders;
    parse.Characters = &ChosenCodePage();  // names and text units
    parse.ArchivesAsNodes = true;
    // What the file holds, not its name, tells how it opens: a transmission,
    // a tape image, an unload, a TERSE file, or a path into one of them.
    std::string repairNote;
    // A text-mode copy may have been translated through any code page, or
    // only the one chosen in the options.
    const int page = ChosenCodePage().Number();
    auto opened = repair::OpenRepairedPath(XmitPath.toStdString(), parse, &dump,
                                           page == CodePage::kCorvaneTable ? -1 : page, repairNote);
    if (DebugHeaders) ShowHeaderDump(dump, opened.Ok());
    if (!opened) {
        Error e = opened.Err();
        // A transfer changed it past undoing: the error says how too.
        if (!repairNote.empty()) {
            e.Message += "\n\n" + repairNote;
            if (repairNote.find("code page") != std::string::npos)
                e.Message += " Options, Code page names the one it was sent through.";
        }
        if (FileIsOpen && keepOnFailure_) {
            // What was open stays open: the user went to another node or
            // dropped another file, not closed this one.
            pathParts_ = shownParts;
            const QString failed = XmitPath;
            KeepOpenNode(failed);
            ShowError(e);
            KeepOpenNode(failed);
            return;
        }
        SetStatus(0, "An error occured processing the file. File closed.");
        CloseXmitFile();
        ShowError(e);
        SetStatus(0, "An error occured processing the file. File closed.");
        if (!repairNote.empty()) {
            const QString note = QString::fromStdString(repairNote);
            panels_[0]->SetNote("An error occured processing the file. File closed. " + note, note);
        }
        return;
    }
    if (Info) CloseXmitFile(true);
    DateOrder = options.engDate;
    nodeChildren_ = NodeChildren(opened.Value());
    XmitSource = std::move(opened->Source);
    Info = std::make_unique<XmitInfo>(std::move(opened->Info));
    Kind = opened->Kind;
    Tape = std::move(opened->Tape);
    TapeFile = opened->TapeFile;
    Terse = opened->Terse;
    Unload = opened->Unload;
    Zip = opened->Zip;
    QString measureNote;
    if (Kind == NodeKind::Tape) {
        // The byte counts of compressed files are known once they are read through.
        auto measured = Tape->Measure();
        if (!measured) measureNote = QString::fromStdString(measured.Err().Message);
        ShowFiles();
    } else if (Kind == NodeKind::Zip) {
        ShowFiles();
    } else {
        LvwMembers->Model().SetMembers(*Info, present::DateOrderOf(DateOrder));
        for (const std::string& line : Info->Message) {
            MmoTabMessage->appendPlainText(QString::fromStdString(line));
        }
    }
    FileIsOpen = true;
    openPath_ = XmitPath;
    // The keys go to the list, the cursor on its first row (nothing selected).
    if (LvwMembers->model()->rowCount() > 0) {
        LvwMembers->selectionModel()->setCurrentIndex(LvwMembers->model()->index(0, 0),
                                                      QItemSelectionModel::NoUpdate);
    }
    if (!treeOpen_) LvwMembers->setFocus();  // a node chosen in the tree keeps the keys there
    ShowFileInfo();
    UpdateFileState();
    ShowInTree();
    TextMode = AutoReadsAsText(Info->Dataset);
    if (!measureNote.isEmpty()) panels_[0]->SetNote("Warning: " + measureNote, measureNote);
    ShowNotices();
    // What a transfer did to the file, undone: said last, so that it shows.
    if (!repairNote.empty()) {
        const QString note = QString::fromStdString(repairNote);
        panels_[0]->SetNote("Warning: " + note + " (File, Save repaired copy... writes it.)", note);
    }
    MnuFileSaveRepaired->setEnabled(!repairNote.empty());
    SetRecentPath(XmitPath);
    // Nodes chosen in the tree are the same file: the list keeps files.
    if (!treeOpen_) RememberRecentFile(XmitPath);
}

void MainWindow::KeepOpenNode(const QString& failed) {
    if (!FileIsOpen || openPath_.isEmpty()) return;
    XmitPath = openPath_;
    ShowInTree();
    SetStatus(0,
              "Could not open " + FileNamePart(failed) + "; " + ShownFileName() + " stays open.");
}

QString MainWindow::ShownFileName() const {
    if (pathParts_.size() < 2) return FileNamePart(XmitPath);
    QStringList shown = pathParts_;
    shown[0] = FileNamePart(shown[0]);
    return shown.join(QChar(kNestSeparator));
}

// What the parser noted about a file that opened (a member scan stopped at
// damage): a warning in the status bar, every note in its tooltip, so that
// the user sees it without being stopped.
void MainWindow::ShowNotices() {
    if (Info->Notices.empty()) return;
    QStringList notes;
    for (const DecodeNotice& n : Info->Notices)
        notes << QString::fromStdString(present::NoticeText(n));
    const QString count =
        notes.size() == 1 ? QString("1 warning") : QString::number(notes.size()) + " warnings";
    panels_[0]->SetNote("Warning: " + notes.first() + (notes.size() > 1 ? " (" + count + ")" : ""),
                        notes.join('\n'));
}

// The header dump of a debug open: a viewer of its own, with no owner,
// captioned with the name of the file it dumps; "Ok" only after success.
void MainWindow::ShowHeaderDump(const std::vector<std::string>& lines, bool ok) {
    auto* view = new ViewerWindow(nullptr, *env_.Dialogs);
    view->setWindowTitle(ShownFileName());
    view->SetHexDump(true);
    view->show();
    view->ShowText();
    for (const std::string& line : lines) view->Lines().AppendLine(line);
    if (ok) view->SetStatus(0, "Ok");
}

// A failure as the user sees it: a message box, the error window, or both.
void MainWindow::ShowError(const Error& e) {
    switch (e.What) {
        case Error::Kind::NotXmit:
            notifier_->Show(e.Message, e.Caption, MessageIcon::Error, MessageButtons::Ok);
            return;
        case Error::Kind::Io:
        case Error::Kind::Usage:
            notifier_->Show(e.Message, e.Caption.empty() ? "Error" : e.Caption, MessageIcon::Error,
                            MessageButtons::Ok);
            return;
        case Error::Kind::Unsupported:
            notifier_->Show(e.Message, e.Caption, MessageIcon::None, MessageButtons::Ok);
            break;
        case Error::Kind::Damaged:
            break;
    }
    errors_->Show(present::ErrorReportFor(e));
}

bool MainWindow::OpenArchive() {
    const ProgramOptions& options = options_->Values();
    ZipIntakeDialog zip(this, *env_.Dialogs);
    if (!zip.OpenArchive(XmitPath.toStdString())) return false;
    // Without the unzip folder the per-user default takes the entry, made
    // on first use; the program's own folder is never written.
    const std::filesystem::path fallback = env_.DefaultZipDir();
    std::error_code ec;
    std::filesystem::create_directories(fallback, ec);
    zip.Intake().ChooseDestination(options.ZipDir, PathToUtf8(fallback));
    if (zip.Intake().Automatic(options.AutoZip)) {
        zip.ExtractSingleXmit();
    } else if (env_.Dialogs->Exec(zip) != QDialog::Accepted) {
        CloseXmitFile();
        return false;
    }
    XmitPath = QString::fromStdString(PathToUtf8(zip.Intake().OpenPath()));
    zip.Intake().Close();
    return true;
}

void MainWindow::CloseXmitFile(bool keepTree) {
    if (reading_) return;  // a read is using the file; it is closed afterwards
    openPath_.clear();
    nodeChildren_.clear();
    if (!keepTree) {
        TvwContainers->ClearTree();
        TvwContainers->setVisible(false);
        UpdateActions();
    }
    if (!XmitPath.isEmpty()) SetRecentPath(XmitPath);
    SetSelectItemsEnabled(false);
    MnuFileSaveRepaired->setEnabled(false);
    FileIsOpen = false;
    UpdateFileState();
    ClearFileInfo();
    Reader.reset();
    // The viewers keep their text but cannot read the closed file again.
    for (ViewerWindow* v : findChildren<ViewerWindow*>()) v->DetachSource();
    LvwMembers->Model().Clear();
    Info.reset();
    XmitSource.reset();
    Kind = NodeKind::Xmit;
    Tape.reset();
    TapeFile.reset();
    Terse.reset();
    Unload.reset();
    Zip.reset();
}

void MainWindow::ShowFileInfo() {
    TabInfo->setCurrentIndex(0);
    // The rows of the tabs in their order, in the words corvane-cli info uses.
    const std::vector<ElidedLabel*> values = {
        LblSize,  LblCreated, LblFileNum, LblFileName, LblDataset, LblType,   LblMembers,
        LblRecfm, LblLrecl,   LblBlksize, LblFromNode, LblFromId,  LblToNode, LblToId};
    std::size_t k = 0;
    const auto order = present::DateOrderOf(DateOrder);
    for (const present::InfoTab& tab :
         present::InfoTabs(*Info, ShownFileName().toStdString(), order)) {
        for (const present::InfoRow& row : tab.Rows) {
            if (k < values.size()) values[k++]->SetFullText(QString::fromStdString(row.Value));
        }
    }
    ShowContainerFacts();
    if (Kind == NodeKind::Tape) {
        // A tape has no dataset of its own: its files are listed.
        const TapeInfo& tape = Tape->Info();
        LblFileNum->SetFullText(QString::number(tape.Files.size()));
        LblType->SetFullText("Tape");
        for (ElidedLabel* l : {LblMembers, LblRecfm, LblLrecl, LblBlksize}) l->SetFullText({});
    } else if (Kind == NodeKind::Zip) {
        LblFileNum->SetFullText(QString::number(Zip->Count()));
        LblType->SetFullText("Zip");
        for (ElidedLabel* l : {LblMembers, LblRecfm, LblLrecl, LblBlksize}) l->SetFullText({});
    }
    if (Info->Partitioned || FilesListed()) {
        LvwMembers->ShowGridLines(true);
        SetSelectItemsEnabled(true);
    } else {
        ShowSequentialSummary();
    }
    MmoTabMessage->moveCursor(QTextCursor::Start);  // a long message is read from its top
}

void MainWindow::ShowSequentialSummary() {
    // A sequential dataset has no member list; the pane says what there is.
    const QString name = QString::fromStdString(Info->Dataset.Name);
    QString text = name.isEmpty() ? QString("A sequential dataset") : name;
    text += QString(" (record format %1, record length %2)")
                .arg(QString::fromStdString(present::RecfmText(Info->Dataset.Recfm)))
                .arg(Info->Dataset.Lrecl);
    text += "\nFile size: " + QString::fromStdString(SizeText(Info->FileSize));
    text +=
        "\n\nThis file holds one sequential dataset, not a library of members. View and "
        "Extract work on the whole dataset.";
    LvwMembers->SetPlaceholder(text);
}

void MainWindow::ClearFileInfo() {
    for (ElidedLabel* l :
         {LblSize, LblCreated, LblFileNum, LblFileName, LblDataset, LblType, LblMembers, LblRecfm,
          LblLrecl, LblBlksize, LblFromNode, LblFromId, LblToNode, LblToId}) {
        l->SetFullText(QString());
    }
    for (ElidedLabel* l : {LblFormat, LblLabels, LblVolser, LblTapeFile, LblPacked})
        ShowInfoRow(l, QString());
    TabInfo->setTabText(0, "xmit file");
    TabInfoRows->Refresh();
    LvwMembers->setToolTip(kMembersHint);
    MmoTabMessage->clear();
    LvwMembers->Model().Clear();
    LvwMembers->SetPlaceholder(QString());
    LvwMembers->ShowGridLines(false);
}

void MainWindow::UpdateFileState() {
    UpdateActions();
    if (FileIsOpen) {
        SetStatus(0, "File successfully opened.");
        SetStatus(1, LblFileName->text());
        SetStatus(2, FolderPart(pathParts_.value(0, XmitPath)));
    } else {
        SetStatus(0, "File Closed.");
        SetStatus(1, QString());
        SetStatus(2, QString());
    }
}

}  // namespace corvane::gui
