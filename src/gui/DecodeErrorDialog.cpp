#include "DecodeErrorDialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "DialogService.h"

namespace corvane::gui {

DecodeErrorDialog::DecodeErrorDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("FrmDecodeError");
    setWindowTitle("Error");
    setFixedSize(282, kCollapsedHeight);
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    setFont(font);

    Label1 = new QLabel("An error has occured while decoding the xmit file!", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 16, 265, 13);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setStyleSheet("color: red;");

    LblError1 = new QLabel(this);
    LblError1->setObjectName("LblError1");
    LblError1->setGeometry(0, 48, 281, 13);
    LblError1->setAlignment(Qt::AlignCenter);

    LblError2 = new QLabel(this);
    LblError2->setObjectName("LblError2");
    LblError2->setGeometry(0, 72, 281, 13);
    LblError2->setAlignment(Qt::AlignCenter);

    BtnDetails = new QPushButton("Details >>", this);
    BtnDetails->setObjectName("BtnDetails");
    BtnDetails->setGeometry(216, 112, 65, 25);
    connect(BtnDetails, &QPushButton::clicked, this, &DecodeErrorDialog::BtnDetailsClick);

    MmoDetails = new QPlainTextEdit(this);
    MmoDetails->setObjectName("MmoDetails");
    MmoDetails->setGeometry(0, 144, 281, 97);
    MmoDetails->setReadOnly(true);
    MmoDetails->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MmoDetails->setLineWrapMode(QPlainTextEdit::NoWrap);

    setTabOrder(BtnDetails, MmoDetails);
    FitWidth();
}

void DecodeErrorDialog::FitWidth() {
    // The window is drawn for an 8-point dialog font; where the system's font
    // is wider, it grows so that every text stays readable.
    int need = 282;
    for (QLabel* l : {Label1, LblError1, LblError2})
        need = std::max(need, l->fontMetrics().horizontalAdvance(l->text()) + 16);
    width_ = need;
    Label1->setGeometry(0, 16, need, 13 + 4);
    LblError1->setGeometry(0, 48, need, 17);
    LblError2->setGeometry(0, 72, need, 17);
    const int button = std::max(65, BtnDetails->fontMetrics().horizontalAdvance("Details <<") + 16);
    BtnDetails->setGeometry(need - button - 6, 110, button, 27);
    MmoDetails->setGeometry(4, 144, need - 8, 94);
    setFixedSize(width_, detailsShown_ ? kExpandedHeight : kCollapsedHeight);
}

void DecodeErrorDialog::Fill(const ErrorReportData& report) {
    setWindowTitle(QString::fromStdString(report.Caption));
    LblError1->setText(QString::fromStdString(report.Title));
    LblError2->setText(QString::fromStdString(report.Reason));
    MmoDetails->clear();
    for (const std::string& line : report.Details)
        MmoDetails->appendPlainText(QString::fromStdString(line));
    MmoDetails->moveCursor(QTextCursor::Start);
    FitWidth();
}

void DecodeErrorDialog::BtnDetailsClick() {
    if (detailsShown_) {
        setFixedSize(width_, kCollapsedHeight);
        BtnDetails->setText("Details >>");
        detailsShown_ = false;
    } else {
        setFixedSize(width_, kExpandedHeight);
        BtnDetails->setText("Details <<");
        detailsShown_ = true;
    }
}

void DecodeErrorDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (result() == 0 && isModal()) reject();
}

void DecodeErrorReport::Show(const ErrorReportData& report) {
    if (collect_) {
        *collect_ << QString::fromStdString(report.Title);
        return;
    }
    DecodeErrorDialog window(owner_);
    window.Fill(report);
    if (modal_) modal_(true);
    dialogs_.Exec(window);
    if (modal_) modal_(false);
}

}  // namespace corvane::gui
