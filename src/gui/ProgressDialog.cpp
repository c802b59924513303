#include "ProgressDialog.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace corvane::gui {

ProgressDialog::ProgressDialog(QWidget* owner) : QDialog(owner, Qt::Tool) {
    setObjectName("FrmXmitCancel");
    setWindowTitle("Extract Progress");
    setFixedSize(264, 113);
    setModal(false);
    Label1 = new QLabel("Extracting data...", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(0, 8, 264, 16);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setStyleSheet("color: black;");
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(0, 28, 264, 16);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setStyleSheet("color: blue;");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(16, 52, 232, 18);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    BtnCancel = new QPushButton("Cancel", this);
    BtnCancel->setObjectName("BtnCancel");
    BtnCancel->setGeometry(94, 80, 75, 25);
    connect(BtnCancel, &QPushButton::clicked, this, &ProgressDialog::BtnCancelClick);
    sinceEvents_.start();
    sincePaint_.start();
}

QString ProgressDialog::Caption() const {
    return Label1->text();
}

void ProgressDialog::SetCaption(const QString& text) {
    Label1->setText(text);
}

void ProgressDialog::SetItem(const QString& name) {
    Label2->setText(name);
    if (isVisible()) Label2->repaint();
}

void ProgressDialog::BtnCancelClick() {
    cancelled_ = true;
}

void ProgressDialog::UpdateBar() {
    // The bar runs from 0 to 10000 over the range of file offsets.
    const std::int64_t span = maximum_ - minimum_;
    int value = span <= 0 ? 0 : static_cast<int>((position_ - minimum_) * 10000 / span);
    ProgressBar1->setRange(0, 10000);
    ProgressBar1->setValue(std::clamp(value, 0, 10000));
}

void ProgressDialog::SetMaximum(std::int64_t value) {
    maximum_ = value;
    UpdateBar();
}

void ProgressDialog::SetMinimum(std::int64_t value) {
    minimum_ = value;
    UpdateBar();
}

void ProgressDialog::SetPosition(std::int64_t value) {
    position_ = value;
    if (sincePaint_.elapsed() >= 30) {
        UpdateBar();
        if (isVisible()) ProgressBar1->repaint();
        sincePaint_.restart();
    }
}

void ProgressDialog::ProcessEvents() {
    // The reader asks at every segment boundary; the window system is let
    // in often enough to repaint and to see the Cancel button.
    if (sinceEvents_.elapsed() < eventIntervalMs_) return;
    sinceEvents_.restart();
    QApplication::processEvents();
}

}  // namespace corvane::gui
