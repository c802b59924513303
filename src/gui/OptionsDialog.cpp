#include "OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "DialogService.h"
#include "Icons.h"
#include "LiveOptions.h"
#include "io/AtomicWriter.h"
#include "settings/FileTypes.h"
#include "text/CodePage.h"

namespace corvane::gui {

OptionsDialog::OptionsDialog(QWidget* owner, const Environment& environment, LiveOptions& options)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      env_(environment),
      options_(options) {
    setObjectName("FrmXmitOptions");
    setWindowTitle("Xmit options");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed dialog frame

    auto* top = new QHBoxLayout;
    ChkPromptType = new QCheckBox("Prompt for extraction option overrides", this);
    ChkPromptType->setObjectName("ChkPromptType");
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(OptionsPicture());
    Image1->setFixedSize(32, 32);
    top->addWidget(ChkPromptType, 1);
    top->addWidget(Image1);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    RgpDateFormat = new QGroupBox(" Date format ", this);
    RgpDateFormat->setObjectName("RgpDateFormat");
    auto* dates = new QVBoxLayout(RgpDateFormat);
    RgpDateFormatDay = new QRadioButton("dd/mm/yyyy", RgpDateFormat);
    RgpDateFormatDay->setObjectName("RgpDateFormatItem0");
    RgpDateFormatMonth = new QRadioButton("mm/dd/yyyy", RgpDateFormat);
    RgpDateFormatMonth->setObjectName("RgpDateFormatItem1");
    dates->addWidget(RgpDateFormatDay);
    dates->addWidget(RgpDateFormatMonth);
    middle->addWidget(RgpDateFormat);

    ExtensionsBox = new QGroupBox(" Extraction extentions ", this);
    ExtensionsBox->setObjectName("GbxDateFormat");
    auto* exts = new QGridLayout(ExtensionsBox);
    auto* label3 = new QLabel("Binary", ExtensionsBox);
    label3->setObjectName("Label3");
    auto* label4 = new QLabel("Text", ExtensionsBox);
    label4->setObjectName("Label4");
    EdtBinaryExt = new QLineEdit(ExtensionsBox);  // filled from the options below
    EdtBinaryExt->setObjectName("EdtBinaryExt");
    EdtTextExt = new QLineEdit(ExtensionsBox);
    EdtTextExt->setObjectName("EdtTextExt");
    exts->addWidget(label3, 0, 0);
    exts->addWidget(EdtBinaryExt, 0, 1);
    exts->addWidget(label4, 1, 0);
    exts->addWidget(EdtTextExt, 1, 1);
    middle->addWidget(ExtensionsBox);
    layout->addLayout(middle);
    BuildCodePageRow(layout);

    GroupBox1 = new QGroupBox(" Registered extentions ", this);
    GroupBox1->setObjectName("GroupBox1");
    auto* boxes = new QHBoxLayout(GroupBox1);
    auto check = [&](QCheckBox*& box, const char* name, const char* text) {
        box = new QCheckBox(text, GroupBox1);
        box->setObjectName(name);
        boxes->addWidget(box);
    };
    check(ChkExtXmi, "ChkExtXmi", ".xmi");
    check(ChkExtXmt, "ChkExtXmt", ".xmt");
    check(ChkExtXm, "ChkExtXm", ".xm");
    check(ChkExtXmit, "ChkExtXmit", ".xmit");
    layout->addWidget(GroupBox1);

    auto folderRow = [&](QGroupBox* group, QCheckBox*& box, const char* boxName,
                         const QString& boxText, const char* labelName, const QString& labelText,
                         QLineEdit*& edit, const char* editName, QPushButton*& browse,
                         const char* browseName) {
        auto* grid = new QGridLayout(group);
        box = new QCheckBox(boxText, group);
        box->setObjectName(boxName);
        box->setChecked(true);
        auto* label = new QLabel(labelText, group);
        label->setObjectName(labelName);
        edit = new QLineEdit(group);
        edit->setObjectName(editName);
        browse = new QPushButton("Browse", group);
        browse->setObjectName(browseName);
        browse->setAutoDefault(false);
        grid->addWidget(box, 0, 0, 1, 3);
        grid->addWidget(label, 1, 0);
        grid->addWidget(edit, 1, 1);
        grid->addWidget(browse, 1, 2);
    };
    GrpZip = new QGroupBox(" UnZip Options ", this);
    GrpZip->setObjectName("GrpZip");
    folderRow(GrpZip, ChkAutoZip, "ChkAutoZip",
              "Automatic unZip for archives containing only one xmit ", "LblZipTo", "UnZip to  ",
              EdtUnZipTo, "EdtUnZipTo", BtnBrowseZip, "BtnBrowseZip");
    layout->addWidget(GrpZip);
    GrpDefaultDir = new QGroupBox(" Default Open Directory ", this);
    GrpDefaultDir->setObjectName("GrpDefaultDir");
    folderRow(GrpDefaultDir, ChkUseLastDir, "ChkUseLastDir", "Use directory of last opened file.",
              "Label11", "Default  ", EdtDefaultDir, "EdtDefaultDir", BtnDefaultDir,
              "BtnDefaultDir");
    layout->addWidget(GrpDefaultDir);
    connect(BtnBrowseZip, &QPushButton::clicked, this, &OptionsDialog::BtnBrowseZipClick);
    connect(BtnDefaultDir, &QPushButton::clicked, this, &OptionsDialog::BtnDefaultDirClick);

    auto* buttons = new QHBoxLayout;
    BbnCancel = new QPushButton("Cancel", this);
    BbnCancel->setObjectName("BbnCancel");
    BbnCancel->setAutoDefault(false);
    BbnOk = new QPushButton("OK", this);
    BbnOk->setObjectName("BbnOk");
    BbnOk->setDefault(true);
    BtnDefault = new QPushButton("Defaults", this);
    BtnDefault->setObjectName("BtnDefault");
    BtnDefault->setAutoDefault(false);
    buttons->addWidget(BbnCancel);
    buttons->addWidget(BbnOk);
    buttons->addWidget(BtnDefault);
    layout->addLayout(buttons);
    connect(BbnOk, &QPushButton::clicked, this, &OptionsDialog::BbnOkClick);
    connect(BbnCancel, &QPushButton::clicked, this, &OptionsDialog::BbnCancelClick);
    connect(BtnDefault, &QPushButton::clicked, this, &OptionsDialog::BtnDefaultClick);

    ToControls(options_.Values(), options_.StartBoxes());
}

OptionsDialog::~OptionsDialog() = default;

// The code page through which EBCDIC text becomes characters.
void OptionsDialog::BuildCodePageRow(QBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    LblCodePage = new QLabel("Code page", this);
    LblCodePage->setObjectName("LblCodePage");
    CbxCodePage = new QComboBox(this);
    CbxCodePage->setObjectName("CbxCodePage");
    for (int number : CodePage::Numbers()) {
        CbxCodePage->addItem(QString::fromStdString(CodePage::DisplayName(number)), number);
    }
    LblCodePage->setBuddy(CbxCodePage);
    row->addWidget(LblCodePage);
    row->addWidget(CbxCodePage, 1);
    layout->addLayout(row);
}

QCheckBox* OptionsDialog::Box(const std::string& ext) const {
    if (ext == "xmi") return ChkExtXmi;
    if (ext == "xmt") return ChkExtXmt;
    if (ext == "xmit") return ChkExtXmit;
    return ChkExtXm;
}

void OptionsDialog::ToControls(const ProgramOptions& v, const ExtensionBoxes& boxes) {
    ChkPromptType->setChecked(v.promptType);
    (v.engDate ? RgpDateFormatDay : RgpDateFormatMonth)->setChecked(true);
    EdtBinaryExt->setText(QString::fromStdString(v.BinaryExt));
    EdtTextExt->setText(QString::fromStdString(v.TextExt));
    EdtUnZipTo->setText(QString::fromStdString(v.ZipDir));
    ChkAutoZip->setChecked(v.AutoZip);
    EdtDefaultDir->setText(QString::fromStdString(v.DefaultDir));
    ChkUseLastDir->setChecked(v.UseLastDir);
    const int page = CbxCodePage->findData(v.CodePage);
    CbxCodePage->setCurrentIndex(page < 0 ? 0 : page);
    ExtensionBoxes b = boxes;
    for (const char* ext : kExtensions) Box(ext)->setChecked(b.Box(ext));
}

void OptionsDialog::FromControls(ProgramOptions& v, ExtensionBoxes& boxes) const {
    v.promptType = ChkPromptType->isChecked();
    v.engDate = RgpDateFormatDay->isChecked();
    v.BinaryExt = EdtBinaryExt->text().toStdString();
    v.TextExt = EdtTextExt->text().toStdString();
    v.ZipDir = EdtUnZipTo->text().toStdString();
    v.AutoZip = ChkAutoZip->isChecked();
    v.DefaultDir = EdtDefaultDir->text().toStdString();
    v.UseLastDir = ChkUseLastDir->isChecked();
    v.CodePage = CbxCodePage->currentData().toInt();
    for (const char* ext : kExtensions) boxes.Box(ext) = Box(ext)->isChecked();
}

int OptionsDialog::ShowModal() {
    ExtensionBoxes boxes = env_.Types ? env_.Types->ReadRegisteredExtensions() : ExtensionBoxes{};
    options_.Reload();
    ToControls(options_.Values(), boxes);
    boxesAtShow_ = boxes;
    dateAtShow_ = options_.Values().engDate;
    return env_.Dialogs->Exec(*this);
}

void OptionsDialog::BbnOkClick() {
    ProgramOptions edited = options_.Values();
    ExtensionBoxes boxes;
    FromControls(edited, boxes);
    // The default folders are made on first use; folders the user typed
    // must exist already.
    for (const std::string* folder : {&edited.ZipDir, &edited.DefaultDir}) {
        if (*folder == options_.Store().DefaultZipDir() ||
            *folder == options_.Store().DefaultOpenDir())
            QDir().mkpath(QString::fromStdString(*folder));
    }
    int which = 0;
    const std::string problem = OptionStore::ValidateFolders(edited, &which);
    if (!problem.empty()) {
        env_.Dialogs->Message(this, QString::fromStdString(problem), "Xmit options",
                              MessageIcon::None, MessageButtons::Ok);
        QLineEdit* edit = which == 0 ? EdtDefaultDir : EdtUnZipTo;
        edit->setFocus();
        edit->selectAll();
        return;
    }
    options_.Save(edited);
    if (options_.Values().engDate != dateAtShow_) {
        env_.Dialogs->Message(
            this, "The new date format will be picked up the next time a file is opened",
            "Date format changed", MessageIcon::None, MessageButtons::Ok);
    }
    for (const char* ext : kExtensions) {
        QCheckBox* box = Box(ext);
        if (box->isChecked() == boxesAtShow_.Box(ext) || !env_.Types) continue;
        if (box->isChecked()) {
            if (!env_.Types->RegisterExtension(ext)) box->setChecked(false);
        } else if (!env_.Types->UnregisterExtension(ext)) {
            box->setChecked(true);
        }
    }
    done(QDialog::Accepted);
}

void OptionsDialog::BbnCancelClick() {
    ToControls(options_.Values(), boxesAtShow_);  // every edit lapses
    done(QDialog::Rejected);
}

void OptionsDialog::BtnDefaultClick() {
    ProgramOptions v;
    ExtensionBoxes boxes;
    FromControls(v, boxes);
    ExtensionBoxes before = boxes;
    options_.Store().ResetOptionsToDefaults(v, boxes);
    v.AutoZip = ChkAutoZip->isChecked();
    ToControls(v, boxes);
    // Ticked file types hand those files to this program on OK: say so
    // before the user takes them over from the program they open with now.
    QStringList ticked;
    for (const char* ext : kExtensions) {
        const std::string e = ext;
        if (boxes.Box(e) && !before.Box(e)) ticked << "." + QString(ext);
    }
    if (ticked.isEmpty()) return;
    env_.Dialogs->Message(this,
                          "Defaults ticked the file types " + ticked.join(" and ") +
                              ". With OK, Corvane becomes the program that opens these files; "
                              "untick them to keep the program that opens them now.",
                          "Xmit options", MessageIcon::Information, MessageButtons::Ok);
}

void OptionsDialog::Browse(QLineEdit* edit) {
    // A folder picker: no file name to type, and no file needs to exist.
    DialogService::FileRequest request;
    request.Title = "Default Download directory & file extension";
    request.Folder = edit->text();
    if (auto chosen = env_.Dialogs->ChooseFolder(this, request)) {
        QString folder = QDir::toNativeSeparators(QDir::cleanPath(*chosen));
        while (folder.size() > 1 && (folder.endsWith('/') || folder.endsWith('\\'))) folder.chop(1);
        edit->setText(folder);
    }
}

void OptionsDialog::BtnBrowseZipClick() {
    Browse(EdtUnZipTo);
}
void OptionsDialog::BtnDefaultDirClick() {
    Browse(EdtDefaultDir);
}

}  // namespace corvane::gui
