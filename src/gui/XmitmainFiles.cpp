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
#include <QTreeWidget>

#include "Decodeerror.h"
#include "DialogService.h"
#include "Frmoptions.h"
#include "Frmview.h"
#include "Frmzip.h"
#include "ListAdapters.h"
#include "Xmitmain.h"
#include "util/SizeText.h"

namespace corvane::gui {

namespace {
constexpr char kOpenFilter[] =
    "Xmit files (*.xmt , *.xmi , *.xm , *.xmit , *.zip))|*.xmt;*.xmi;*.xm;*.xmit;*.zip|All files "
    "(*.*)|*.*";

// The decoder's header-dump window: a viewer of its own, with no owner.
class DumpViewers : public ViewerFactory {
  public:
    explicit DumpViewers(DialogService& dialogs) : dialogs_(dialogs) {}
    Viewer* CreateDumpViewer() override {
        auto* view = new TFrmView(nullptr, dialogs_);
        view->show();
        return view;
    }

  private:
    DialogService& dialogs_;
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
    XmitStream = FileReader::Open(XmitPath.toStdString(), &error);
    if (!XmitStream) {
        env_.Dialogs->Message(
            this, "Make sure the file is accessible and not in use by other applications.",
            "Error opening file", MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    Decoder = std::make_unique<TXmitDecoder>();
    SetStatus(0, "Decoding xmit file, please wait...");
    statusBar()->repaint();
    DateOrder = options.engDate;
    DumpViewers viewers(*env_.Dialogs);
    DecodePorts ports{*notifier_, *errors_, &viewers};
    int result = 1;
    try {
        result = Decoder->DecodeXmit(*XmitStream, *memberList_, DateOrder ? 1 : 0,
                                     DebugHeaders ? 1 : 0, *memo_, ports);
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
    zip.Intake.ChooseDestination(options.ZipDir, env_.ProgramDir().string());
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
    LblCreated->setText(QString::fromStdString(FieldText(Decoder->CreatedText)));
    LblFileName->setText(FileNamePart(XmitPath));
    LblFileNum->setText(QString::number(static_cast<std::int32_t>(Decoder->FileCount)));
    LblFromNode->setText(QString::fromStdString(FieldText(Decoder->FromNode)));
    LblFromId->setText(QString::fromStdString(FieldText(Decoder->FromUserId)));
    LblToNode->setText(QString::fromStdString(FieldText(Decoder->ToNode)));
    LblToId->setText(QString::fromStdString(FieldText(Decoder->ToUserId)));
    LblDataset->setText(QString::fromStdString(FieldText(Decoder->DatasetName)));
    LblType->setText(QString::fromStdString(FieldText(Decoder->DatasetType)));
    LblRecfm->setText(QString::fromStdString(FieldText(Decoder->RecfmText)));
    LblMembers->setText(QString::number(Decoder->MemberCount));
    LblLrecl->setText(QString::number(Decoder->Lrecl));
    LblBlksize->setText(QString::number(Decoder->Blksize));
    if (Decoder->IsPds) {
        LvwMembers->setProperty("gridLines", true);
        LvwMembers->setStyleSheet(
            "QTreeWidget { background: white; } QTreeWidget::item { border-right: 1px solid "
            "#d4d4d4; "
            "border-bottom: 1px solid #d4d4d4; } QTreeWidget::item:selected { background: "
            "palette(highlight); "
            "color: palette(highlighted-text); }");
        SetSelectItemsEnabled(true);
    }
    LblSize->setText(QString::fromStdString(SizeText(Decoder->FileSize)));
}

void TFrmXmitMain::ClearFileInfo() {
    for (QLabel* l : {LblSize, LblCreated, LblFileNum, LblFileName, LblDataset, LblType, LblMembers,
                      LblRecfm, LblLrecl, LblBlksize, LblFromNode, LblFromId, LblToNode, LblToId}) {
        l->clear();
    }
    MmoTabMessage->clear();
    LvwMembers->clear();
    LvwMembers->setColumnCount(0);
    LvwMembers->setProperty("gridLines", false);
    LvwMembers->setStyleSheet("QTreeWidget { background: white; }");
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
