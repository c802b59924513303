#include "ZipIntakeDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "io/AtomicWriter.h"
#include "present/ContainerText.h"

namespace corvane::gui {

namespace {
constexpr int kStoredNameRole = Qt::UserRole;
}

ZipIntakeDialog::ZipIntakeDialog(QWidget* owner, DialogService& dialogs)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      MmoMessages(new QPlainTextEdit),
      intake_([this](const std::string& line) { ShowZipMessage(line); }),
      dialogs_(dialogs) {
    setObjectName("FrmXmitZip");
    setWindowTitle("UnZIp files for Corvane");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed dialog frame

    GroupBox1 = new QGroupBox(" Zip Contents ", this);
    GroupBox1->setObjectName("GroupBox1");
    auto* contents = new QVBoxLayout(GroupBox1);
    LvwZip = new QTreeWidget(GroupBox1);
    LvwZip->setObjectName("LvwZip");
    LvwZip->setRootIsDecorated(false);
    LvwZip->setSelectionMode(QAbstractItemView::SingleSelection);
    LvwZip->setSelectionBehavior(QAbstractItemView::SelectRows);
    LvwZip->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList headings;
    for (const std::string& h : present::ZipHeadings()) headings << QString::fromStdString(h);
    LvwZip->setHeaderLabels(headings);
    LvwZip->setColumnWidth(0, 150);
    LvwZip->setColumnWidth(1, 80);
    LvwZip->setColumnWidth(2, 300);
    LvwZip->setMinimumSize(540, 180);
    LvwZip->setTextElideMode(Qt::ElideMiddle);  // long names keep both ends
    contents->addWidget(LvwZip);
    layout->addWidget(GroupBox1);
    connect(LvwZip, &QTreeWidget::itemDoubleClicked, this, [this] { BtnOpenClick(); });

    auto* row = new QHBoxLayout;
    ChkOverWrite = new QCheckBox("Over Write files", this);
    ChkOverWrite->setObjectName("ChkOverWrite");
    ChkOverWrite->setChecked(true);
    BtnOpen = new QPushButton("Open", this);
    BtnOpen->setObjectName("BtnOpen");
    BtnClose = new QPushButton("Close", this);
    BtnClose->setObjectName("BtnClose");
    row->addWidget(ChkOverWrite, 1);
    row->addWidget(BtnOpen);
    row->addWidget(BtnClose);
    layout->addLayout(row);
    connect(BtnOpen, &QPushButton::clicked, this, &ZipIntakeDialog::BtnOpenClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::reject);

    GrpMessages = new QGroupBox(" Messages ", this);
    GrpMessages->setObjectName("GrpMessages");
    auto* messages = new QVBoxLayout(GrpMessages);
    MmoMessages->setParent(GrpMessages);
    MmoMessages->setObjectName("MmoMessages");
    MmoMessages->setReadOnly(true);
    MmoMessages->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MmoMessages->setFixedHeight(90);
    MmoMessages->setPlainText("");
    messages->addWidget(MmoMessages);
    layout->addWidget(GrpMessages);

    intake_.ProcessEvents = [] { QCoreApplication::processEvents(); };
    intake_.AskLarge = [this](const std::string& question) {
        return dialogs_.Message(this, QString::fromStdString(question), "Zip", MessageIcon::Warning,
                                MessageButtons::YesNo) == MessageAnswer::Yes;
    };
}

ZipIntakeDialog::~ZipIntakeDialog() = default;

void ZipIntakeDialog::ShowZipMessage(const std::string& message) {
    MmoMessages->appendPlainText(QString::fromStdString(message));
}

void ZipIntakeDialog::Report(const Error& e) {
    ShowZipMessage(e.Message);
    if (!e.Caption.empty()) {
        dialogs_.Message(this, QString::fromStdString(e.Message), QString::fromStdString(e.Caption),
                         MessageIcon::Warning, MessageButtons::Ok);
    }
}

bool ZipIntakeDialog::OpenArchive(const std::string& path) {
    const Result<int> counted = intake_.CountXmitEntries(path);
    if (!counted) {
        dialogs_.Message(this, QString::fromStdString(counted.Err().Message),
                         QString::fromStdString(counted.Err().Caption), MessageIcon::Error,
                         MessageButtons::Ok);
        return false;
    }
    for (const std::string& alert : intake_.Alerts()) {
        Error e;
        e.Caption = "Zip";
        e.Message = alert;
        Report(e);
    }
    return true;
}

void ZipIntakeDialog::ExtractSingleXmit() {
    const auto written = intake_.ExtractSingleXmit();
    if (!written) Report(written.Err());
}

void ZipIntakeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (filled_) return;
    filled_ = true;
    const auto rows = intake_.Rows();
    const auto& entries = intake_.Entries();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* item = new QTreeWidgetItem(LvwZip);
        const std::vector<std::string> cells = present::ZipCells(rows[i]);
        for (int c = 0; c < 3; ++c) item->setText(c, QString::fromStdString(cells[c]));
        const QString folder = item->text(2);
        item->setToolTip(0, item->text(0));
        item->setToolTip(2, folder);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, kStoredNameRole, QString::fromStdString(entries[i].FileName));
    }
    MmoMessages->appendPlainText("Zip file opened.");
}

void ZipIntakeDialog::BtnOpenClick() {
    QTreeWidgetItem* row = LvwZip->currentItem();
    if (!row || !row->isSelected()) return;
    // The entry is named by its full stored name, so that of two files with
    // the same name in different folders the chosen one is unpacked.
    const std::string stored = row->data(0, kStoredNameRole).toString().toStdString();
    if (!ChkOverWrite->isChecked()) {
        intake_.ChosenName = stored;
        const std::filesystem::path target = intake_.OpenPath();
        std::error_code ec;
        if (std::filesystem::exists(target, ec)) {
            // Say so rather than open the old file as if it were the new one.
            const QString text =
                QString::fromStdString(PathToUtf8(target)) +
                "\nalready exists and \"Over Write files\" is off: the existing file is kept."
                "\n\nOpen the existing file?";
            if (dialogs_.Message(this, text, "UnZIp files for Corvane", MessageIcon::Question,
                                 MessageButtons::YesNo) != MessageAnswer::Yes) {
                return;
            }
        }
    }
    const auto written = intake_.ExtractChosen(stored, ChkOverWrite->isChecked());
    if (!written) Report(written.Err());
    accept();
}

}  // namespace corvane::gui
