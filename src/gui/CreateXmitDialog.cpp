#include "CreateXmitDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "DialogService.h"
#include "MainWindow.h"
#include "io/AtomicWriter.h"
#include "text/CodePage.h"

namespace corvane::gui {

namespace {
constexpr char kCaption[] = "Create XMIT file";
constexpr char kXmitFilter[] = "Xmit files (*.xmi)|*.xmi|All files (*.*)|*.*";
constexpr qsizetype kProblemsShown = 40;

std::filesystem::path PathOf(const QString& text) {
    return PathFromUtf8(text.toStdString());
}

QString TextOf(const std::filesystem::path& path) {
    return QString::fromStdString(PathToUtf8(path));
}
}  // namespace

CreateXmitDialog::CreateXmitDialog(QWidget* owner, DialogService& dialogs, int codePage)
    : QDialog(owner), dialogs_(dialogs) {
    setObjectName("FrmCreate");
    setWindowTitle(kCaption);
    setSizeGripEnabled(true);
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto button = [this](const QString& text, const char* name, void (CreateXmitDialog::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        if (slot) connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto edit = [this](const QString& text, const char* name, const QString& hint) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setToolTip(hint);
        return e;
    };

    TxtCreateFiles = new QListWidget(this);
    TxtCreateFiles->setObjectName("TxtCreateFiles");
    TxtCreateFiles->setToolTip("The files that become the members, each named by its file name");
    TxtCreateFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    TxtCreateFiles->setMinimumHeight(120);
    CmdCreateAddFiles =
        button("Add files...", "CmdCreateAddFiles", &CreateXmitDialog::CmdCreateAddFilesClick);
    CmdCreateAddFolder =
        button("Add folder...", "CmdCreateAddFolder", &CreateXmitDialog::CmdCreateAddFolderClick);
    CmdCreateRemove = button("Remove", "CmdCreateRemove", &CreateXmitDialog::CmdCreateRemoveClick);
    ChkCreateSequential = new QCheckBox("One file as a sequential dataset", this);
    ChkCreateSequential->setObjectName("ChkCreateSequential");

    TxtCreateDsn = edit("", "TxtCreateDsn", "Empty: the name of the output file");
    TxtCreateDsn->setMaxLength(44);
    CboCreateRecfm = new QComboBox(this);
    CboCreateRecfm->setObjectName("CboCreateRecfm");
    CboCreateRecfm->addItems({"F", "FB", "V", "VB", "U"});
    CboCreateRecfm->setCurrentText("FB");
    TxtCreateLrecl = edit("80", "TxtCreateLrecl", "Logical record length");
    TxtCreateLrecl->setValidator(new QIntValidator(0, 32760, TxtCreateLrecl));
    TxtCreateBlksize = edit("", "TxtCreateBlksize", "Empty: chosen as the system would");
    TxtCreateBlksize->setValidator(new QIntValidator(0, 32760, TxtCreateBlksize));
    TxtCreateBlksize->setPlaceholderText("system");
    for (QLineEdit* e : {TxtCreateLrecl, TxtCreateBlksize})
        e->setMaximumWidth(fontMetrics().horizontalAdvance("999999999"));

    OptCreateText = new QRadioButton("Text", this);
    OptCreateText->setObjectName("OptCreateText");
    OptCreateText->setToolTip("Lines become records through the code page");
    OptCreateBinary = new QRadioButton("Binary", this);
    OptCreateBinary->setObjectName("OptCreateBinary");
    OptCreateBinary->setToolTip("The files' bytes as they stand");
    auto* mode = new QButtonGroup(this);
    mode->addButton(OptCreateText);
    mode->addButton(OptCreateBinary);
    OptCreateText->setChecked(true);
    CboCreateCodePage = new QComboBox(this);
    CboCreateCodePage->setObjectName("CboCreateCodePage");
    for (int number : CodePage::Numbers()) {
        CboCreateCodePage->addItem(QString::fromStdString(CodePage::DisplayName(number)), number);
        if (number == codePage) CboCreateCodePage->setCurrentIndex(CboCreateCodePage->count() - 1);
    }

    TxtCreateMessage = edit("", "TxtCreateMessage", "A text file sent first as the message");
    CmdCreateMessage =
        button("Browse...", "CmdCreateMessage", &CreateXmitDialog::CmdCreateMessageClick);
    TxtCreateFrom = edit("CORVANE@CORVANE", "TxtCreateFrom", "USER@NODE");
    TxtCreateTo = edit("CORVANE@CORVANE", "TxtCreateTo", "USER@NODE");
    TxtCreateOutput = edit("", "TxtCreateOutput", "The XMIT file to write");
    CmdCreateOutput =
        button("Browse...", "CmdCreateOutput", &CreateXmitDialog::CmdCreateOutputClick);
    CmdCreateOK = button("Create", "CmdCreateOK", &CreateXmitDialog::CmdCreateOKClick);
    CmdCreateOK->setDefault(true);
    CmdCreateCancel = button("Cancel", "CmdCreateCancel", nullptr);
    connect(CmdCreateCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(label("&Files:", TxtCreateFiles), row, 0, Qt::AlignTop);
    grid->addWidget(TxtCreateFiles, row, 1);
    auto* fileButtons = new QVBoxLayout;
    fileButtons->addWidget(CmdCreateAddFiles);
    fileButtons->addWidget(CmdCreateAddFolder);
    fileButtons->addWidget(CmdCreateRemove);
    fileButtons->addStretch();
    grid->addLayout(fileButtons, row++, 2);
    grid->addWidget(ChkCreateSequential, row++, 1, 1, 2);
    grid->addWidget(label("&Dataset name:", TxtCreateDsn), row, 0);
    grid->addWidget(TxtCreateDsn, row++, 1);
    auto* format = new QHBoxLayout;
    format->addWidget(CboCreateRecfm);
    format->addSpacing(8);
    format->addWidget(label("Record &length:", TxtCreateLrecl));
    format->addWidget(TxtCreateLrecl);
    format->addSpacing(8);
    format->addWidget(label("&Block size:", TxtCreateBlksize));
    format->addWidget(TxtCreateBlksize);
    format->addStretch();
    grid->addWidget(label("&Record format:", CboCreateRecfm), row, 0);
    grid->addLayout(format, row++, 1, 1, 2);
    auto* data = new QHBoxLayout;
    data->addWidget(OptCreateText);
    data->addWidget(OptCreateBinary);
    data->addSpacing(8);
    data->addWidget(label("Code &page:", CboCreateCodePage));
    data->addWidget(CboCreateCodePage);
    data->addStretch();
    grid->addWidget(new QLabel("Data:", this), row, 0);
    grid->addLayout(data, row++, 1, 1, 2);
    grid->addWidget(label("&Message file:", TxtCreateMessage), row, 0);
    grid->addWidget(TxtCreateMessage, row, 1);
    grid->addWidget(CmdCreateMessage, row++, 2);
    auto* addresses = new QHBoxLayout;
    addresses->addWidget(TxtCreateFrom);
    addresses->addSpacing(8);
    addresses->addWidget(label("&To:", TxtCreateTo));
    addresses->addWidget(TxtCreateTo);
    grid->addWidget(label("Fr&om:", TxtCreateFrom), row, 0);
    grid->addLayout(addresses, row++, 1);
    grid->addWidget(label("O&utput file:", TxtCreateOutput), row, 0);
    grid->addWidget(TxtCreateOutput, row, 1);
    grid->addWidget(CmdCreateOutput, row++, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdCreateOK);
    buttons->addWidget(CmdCreateCancel);
    grid->addLayout(buttons, row++, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);

    connect(CboCreateRecfm, &QComboBox::currentTextChanged, this, [this] { RecfmChanged(); });
    connect(TxtCreateFiles, &QListWidget::itemSelectionChanged, this,
            [this] { CmdCreateRemove->setEnabled(!TxtCreateFiles->selectedItems().isEmpty()); });
    CmdCreateRemove->setEnabled(false);
    resize(sizeHint().expandedTo(QSize(560, 0)));
}

void CreateXmitDialog::RecfmChanged() {
    const QString recfm = CboCreateRecfm->currentText();
    const bool variable = recfm.startsWith('V');
    const bool undefined = recfm == "U";
    // The usual record length of the format, unless another was typed.
    const QString lrecl = TxtCreateLrecl->text();
    if (variable && (lrecl.isEmpty() || lrecl == "80")) TxtCreateLrecl->setText("255");
    if (!variable && !undefined && (lrecl.isEmpty() || lrecl == "255"))
        TxtCreateLrecl->setText("80");
    TxtCreateLrecl->setEnabled(!undefined);
    // Undefined records hold bytes, never lines.
    if (undefined) OptCreateBinary->setChecked(true);
    OptCreateText->setEnabled(!undefined);
}

CreateRequest CreateXmitDialog::Request() const {
    CreateRequest r;
    for (int i = 0; i < TxtCreateFiles->count(); ++i)
        r.Files.push_back(PathOf(TxtCreateFiles->item(i)->text()));
    r.Dsn = TxtCreateDsn->text().trimmed().toStdString();
    r.Recfm = CboCreateRecfm->currentText().toStdString();
    r.Lrecl = TxtCreateLrecl->text().trimmed().toStdString();
    r.Blksize = TxtCreateBlksize->text().trimmed().toStdString();
    r.Text = OptCreateText->isChecked();
    r.CodePage = CboCreateCodePage->currentData().toInt();
    r.Message = PathOf(TxtCreateMessage->text().trimmed());
    r.From = TxtCreateFrom->text().trimmed().toStdString();
    r.To = TxtCreateTo->text().trimmed().toStdString();
    r.Sequential = ChkCreateSequential->isChecked();
    r.Output = PathOf(TxtCreateOutput->text().trimmed());
    return r;
}

QString CreateXmitDialog::StartFolder() const {
    if (TxtCreateFiles->count() == 0) return QString();
    return FolderPart(TxtCreateFiles->item(TxtCreateFiles->count() - 1)->text());
}

void CreateXmitDialog::AddFile(const QString& path) {
    if (!TxtCreateFiles->findItems(path, Qt::MatchExactly).isEmpty()) return;
    TxtCreateFiles->addItem(path);
}

void CreateXmitDialog::CmdCreateAddFilesClick() {
    DialogService::FileRequest request;
    request.Title = "Add files";
    request.Folder = StartFolder();
    request.Filter = "All files (*)|*";
    request.MustExist = true;
    if (const auto chosen = dialogs_.OpenFiles(this, request)) {
        for (const QString& path : *chosen) AddFile(path);
    }
}

void CreateXmitDialog::CmdCreateAddFolderClick() {
    DialogService::FileRequest request;
    request.Title = "Add the files of a folder";
    request.Folder = StartFolder();
    const auto chosen = dialogs_.ChooseFolder(this, request);
    if (!chosen || chosen->isEmpty()) return;
    // The regular files in it; its subfolders are not walked.
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(*chosen), ec)) {
        if (entry.is_regular_file(ec)) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) AddFile(TextOf(file));
}

void CreateXmitDialog::CmdCreateRemoveClick() {
    qDeleteAll(TxtCreateFiles->selectedItems());
}

void CreateXmitDialog::CmdCreateMessageClick() {
    DialogService::FileRequest request;
    request.Title = "Message file";
    request.Folder = FolderPart(TxtCreateMessage->text());
    request.Filter = "Text files (*.txt)|*.txt|All files (*)|*";
    request.MustExist = true;
    if (const auto chosen = dialogs_.OpenFile(this, request)) TxtCreateMessage->setText(*chosen);
}

void CreateXmitDialog::CmdCreateOutputClick() {
    DialogService::FileRequest request;
    request.Title = "Create XMIT file as";
    const QString now = TxtCreateOutput->text().trimmed();
    request.Folder = now.isEmpty() ? StartFolder() : FolderPart(now);
    const QString dsn = TxtCreateDsn->text().trimmed();
    request.FileName =
        now.isEmpty() ? (dsn.isEmpty() ? QString("CORVANE") : dsn) + ".xmi" : FileNamePart(now);
    request.Filter = kXmitFilter;
    request.ConfirmOverwrite = true;
    if (const auto chosen = dialogs_.SaveFile(this, request)) {
        TxtCreateOutput->setText(*chosen);
        // The save dialog has asked about replacing it.
        confirmed_ = PathPresent(PathOf(*chosen)) ? *chosen : QString();
    }
}

void CreateXmitDialog::CmdCreateOKClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CreateJob job(Request());
    QApplication::restoreOverrideCursor();
    if (!job.Problems().empty()) {
        QStringList lines;
        for (const std::string& p : job.Problems()) lines << QString::fromStdString(p);
        QString text = "The XMIT file cannot be made:\n\n";
        text += QStringList(lines.mid(0, kProblemsShown)).join('\n');
        if (lines.size() > kProblemsShown)
            text += QString("\n... and %1 more.").arg(lines.size() - kProblemsShown);
        text += "\n\nNothing was written.";
        dialogs_.Message(this, text, kCaption, MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    // A file there is replaced only when the user says so.
    bool replace = false;
    if (PathPresent(job.Output())) {
        const QString shown = TextOf(job.Output());
        if (shown != confirmed_ &&
            dialogs_.Message(this, shown + " already exists.\nReplace it?", kCaption,
                             MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes) {
            return;
        }
        replace = true;
    }
    if (write_ && write_(job, replace)) accept();
}

}  // namespace corvane::gui
