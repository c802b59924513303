// Opening and closing files in the main window.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

#include "Decodeerror.h"
#include "DialogService.h"
#include "ElidedLabel.h"
#include "Frmoptions.h"
#include "Frmview.h"
#include "Frmzip.h"
#include "ListAdapters.h"
#include "Xmitmain.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "util/SizeText.h"

namespace corvane::gui {

namespace {
constexpr char kOpenFilter[] =
    "Xmit files (*.xmt , *.xmi , *.xm , *.xmit , *.zip))|*.xmt;*.xmi;*.xm;*.xmit;*.zip|All files "
    "(*.*)|*.*";

// The decoder's header-dump window: a viewer of its own, with no owner,
// captioned with the name of the file it dumps.
class DumpViewers : public ViewerFactory {
  public:
    DumpViewers(DialogService& dialogs, QString caption)
        : dialogs_(dialogs), caption_(std::move(caption)) {}
    Viewer* CreateDumpViewer() override {
        auto* view = new TFrmView(nullptr, dialogs_);
        view->setWindowTitle(caption_);
        view->show();
        return view;
    }

  private:
    DialogService& dialogs_;
    QString caption_;
};
}  // namespace

void TFrmXmitMain::MnuFileOpenClick() {
    DebugHeaders = false;
    OpenXmitFile(true);
}

void TFrmXmitMain::MnuXmitDumpFileClick() {
    DebugHeaders = true;
    OpenXmitFile(true);
}

void TFrmXmitMain::MnuFileRecentFileClick() {
    if (RecentPath.isEmpty()) return;
    XmitPath = RecentPath;
    OpenXmitFile(false);
}

void TFrmXmitMain::MnuFileCloseClick() {
    CloseXmitFile();
}

void TFrmXmitMain::OpenXmitFile(bool withDialog) {
    if (reading_) return;
    const TProgramOptions& options = Options->Values();
    if (withDialog) {
        QString folder;
        if (options.UseLastDir && !RecentPath.isEmpty() && QFileInfo(RecentPath).isFile()) {
            folder = FolderPart(RecentPath);
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
    if (XmitPath.contains(".zip") || XmitPath.contains(".ZIP")) {
        if (!OpenArchive()) return;
    }
    update();
    if (Decoder) CloseXmitFile();

    std::string error;
    XmitStream = FileReader::Open(PathFromUtf8(XmitPath.toStdString()), &error);
    if (!XmitStream || XmitStream->Size() == 0) {
        // Say which file and what the system found wrong with it.
        const QString reason =
            !XmitStream ? QString::fromStdString(error) : QString("The file is empty.");
        XmitStream.reset();
        env_.Dialogs->Message(
            this,
            "Make sure the file is accessible and not in use by other applications.\n\n" +
                XmitPath + "\n" + reason.left(1).toUpper() + reason.mid(1),
            "Error opening file", MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    Decoder = std::make_unique<TXmitDecoder>();
    SetStatus(0, "Decoding xmit file, please wait...");
    statusBar()->repaint();
    DateOrder = options.engDate;
    DumpViewers viewers(*env_.Dialogs, FileNamePart(XmitPath));
    DecodePorts ports{*notifier_, *errors_, &viewers};
    int result = 1;
    LvwMembers->Model().SetDayFirst(DateOrder);
    try {
        result = Decoder->DecodeXmit(*XmitStream, LvwMembers->Model(), DateOrder ? 1 : 0,
                                     DebugHeaders ? 1 : 0, *memo_, ports);
        LvwMembers->Model().Publish();  // also what a failed debug decode listed
    } catch (const ReadError& e) {
        // A file that ends inside a record: release the half-decoded file.
        SetStatus(0, "An error occured processing the file. File closed.");
        CloseXmitFile();
        env_.Dialogs->Message(this, QString::fromStdString(e.what()), "Error", MessageIcon::Error,
                              MessageButtons::Ok);
        SetStatus(0, "An error occured processing the file. File closed.");
        return;
    }
    if (result != 0) {
        SetStatus(0, "An error occured processing the file. File closed.");
        if (!DebugHeaders) {
            CloseXmitFile();
            SetStatus(0, "An error occured processing the file. File closed.");
        }
        return;
    }
    FileIsOpen = true;
    ShowFileInfo();
    UpdateFileState();
    TextMode = Decoder->FixedRecords;
    SetRecentPath(XmitPath);
}

bool TFrmXmitMain::OpenArchive() {
    const TProgramOptions& options = Options->Values();
    TFrmXmitZip zip(this, *env_.Dialogs);
    if (zip.Intake.CountXmitEntries(XmitPath.toStdString()) < 0) return false;
    // Without the unzip folder the per-user default takes the entry, made
    // on first use; the program's own folder is never written.
    const std::filesystem::path fallback = env_.DefaultZipDir();
    std::error_code ec;
    std::filesystem::create_directories(fallback, ec);
    zip.Intake.ChooseDestination(options.ZipDir, fallback.string());
    if (zip.Intake.Automatic(options.AutoZip)) {
        zip.Intake.ExtractSingleXmit();
    } else if (env_.Dialogs->Exec(zip) != QDialog::Accepted) {
        CloseXmitFile();
        return false;
    }
    XmitPath = QString::fromStdString(zip.Intake.OpenPath().string());
    zip.Intake.Close();
    return true;
}

void TFrmXmitMain::CloseXmitFile() {
    if (reading_) return;  // a read is using the file; it is closed afterwards
    if (!XmitPath.isEmpty()) SetRecentPath(XmitPath);
    SetSelectItemsEnabled(false);
    FileIsOpen = false;
    UpdateFileState();
    ClearFileInfo();
    Extractor.reset();
    Decoder.reset();
    XmitStream.reset();
}

void TFrmXmitMain::ShowFileInfo() {
    TabInfo->setCurrentIndex(0);
    auto field = [](const char* text) { return QString::fromStdString(FieldText(text)); };
    LblCreated->SetFullText(field(Decoder->CreatedText));
    LblFileName->SetFullText(FileNamePart(XmitPath));
    LblFileNum->SetFullText(QString::number(static_cast<std::int32_t>(Decoder->FileCount)));
    LblFromNode->SetFullText(field(Decoder->FromNode));
    LblFromId->SetFullText(field(Decoder->FromUserId));
    LblToNode->SetFullText(field(Decoder->ToNode));
    LblToId->SetFullText(field(Decoder->ToUserId));
    LblDataset->SetFullText(QString::fromStdString(DisplayName(FieldText(Decoder->DatasetName))));
    LblType->SetFullText(field(Decoder->DatasetType));
    LblRecfm->SetFullText(field(Decoder->RecfmText));
    LblMembers->SetFullText(QString::number(Decoder->MemberCount));
    LblLrecl->SetFullText(QString::number(Decoder->Lrecl));
    LblBlksize->SetFullText(QString::number(Decoder->Blksize));
    if (Decoder->IsPds) {
        LvwMembers->setProperty("gridLines", true);
        LvwMembers->setStyleSheet(
            "QTreeView { background: white; } QTreeView::item { border-right: 1px solid #d4d4d4; "
            "border-bottom: 1px solid #d4d4d4; } QTreeView::item:selected { background: "
            "palette(highlight); color: palette(highlighted-text); }");
        SetSelectItemsEnabled(true);
    } else {
        ShowSequentialSummary();
    }
    LblSize->SetFullText(QString::fromStdString(SizeText(Decoder->FileSize)));
    MmoTabMessage->moveCursor(QTextCursor::Start);  // a long message is read from its top
}

void TFrmXmitMain::ShowSequentialSummary() {
    // A sequential dataset has no member list; the pane says what there is.
    const QString name = QString::fromStdString(FieldText(Decoder->DatasetName));
    QString text = name.isEmpty() ? QString("A sequential dataset") : name;
    text += QString(" (record format %1, record length %2)")
                .arg(QString::fromStdString(FieldText(Decoder->RecfmText)))
                .arg(Decoder->Lrecl);
    text += "\nFile size: " + QString::fromStdString(SizeText(Decoder->FileSize));
    text +=
        "\n\nThis file holds one sequential dataset, not a library of members. View and "
        "Extract work on the whole dataset.";
    LvwMembers->SetPlaceholder(text);
}

void TFrmXmitMain::ClearFileInfo() {
    for (ElidedLabel* l :
         {LblSize, LblCreated, LblFileNum, LblFileName, LblDataset, LblType, LblMembers, LblRecfm,
          LblLrecl, LblBlksize, LblFromNode, LblFromId, LblToNode, LblToId}) {
        l->SetFullText(QString());
    }
    MmoTabMessage->clear();
    LvwMembers->Model().Clear();
    LvwMembers->SetPlaceholder(QString());
    LvwMembers->setProperty("gridLines", false);
    LvwMembers->setStyleSheet("QTreeView { background: white; }");
}

void TFrmXmitMain::UpdateFileState() {
    for (QAction* a : {MnuFileClose, MnuXmitView, PopListView, MnuXmitExtract, PopListExtract})
        a->setEnabled(FileIsOpen);
    for (QToolButton* b : {SbnExtract, SbnView, SbnJcl}) b->setEnabled(FileIsOpen);
    if (FileIsOpen) {
        SetStatus(0, "File successfully opened.");
        SetStatus(1, LblFileName->text());
        SetStatus(2, FolderPart(XmitPath));
    } else {
        SetStatus(0, "File Closed.");
        SetStatus(1, QString());
        SetStatus(2, QString());
    }
}

}  // namespace corvane::gui
