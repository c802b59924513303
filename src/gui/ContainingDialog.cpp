#include "ContainingDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane::gui {

ContainingDialog::ContainingDialog(QWidget* owner) : QDialog(owner) {
    setObjectName("FrmContaining");
    setWindowTitle("Find members containing");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("List the members whose text contains:", this));
    EdtContaining = new QLineEdit(this);
    EdtContaining->setObjectName("EdtContaining");
    layout->addWidget(EdtContaining);
    ChkContainingCase = new QCheckBox("Match case", this);
    ChkContainingCase->setObjectName("ChkContainingCase");
    layout->addWidget(ChkContainingCase);
    BbxContaining = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    BbxContaining->setObjectName("BbxContaining");
    layout->addWidget(BbxContaining);
    QPushButton* ok = BbxContaining->button(QDialogButtonBox::Ok);
    ok->setObjectName("BtnContainingOk");
    ok->setEnabled(false);
    BbxContaining->button(QDialogButtonBox::Cancel)->setObjectName("BtnContainingCancel");
    connect(EdtContaining, &QLineEdit::textChanged, ok,
            [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
    connect(BbxContaining, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(BbxContaining, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString ContainingDialog::Text() const {
    return EdtContaining->text();
}

bool ContainingDialog::MatchCase() const {
    return ChkContainingCase->isChecked();
}

}  // namespace corvane::gui
