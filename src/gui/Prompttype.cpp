#include "Prompttype.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace corvane::gui {

TFrmPromptType::TFrmPromptType(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("FrmPromptType");
    setWindowTitle("Extraction Type Maual Selection");
    setFixedSize(269, 137);
    setModal(true);

    Label1 = new QLabel("Select how you would like the data to be handled", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 12, 255, 16);
    Label2 = new QLabel("Truncate record length to ", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(24, 48, 140, 20);

    EdtRecLen = new QLineEdit("0", this);
    EdtRecLen->setObjectName("EdtRecLen");
    EdtRecLen->setReadOnly(true);
    EdtRecLen->setGeometry(168, 46, 48, 22);
    UpDownRecLen = new QSpinBox(this);
    UpDownRecLen->setObjectName("UpDownRecLen");
    UpDownRecLen->setRange(0, 0);
    UpDownRecLen->setValue(0);
    UpDownRecLen->setWrapping(false);
    UpDownRecLen->setGeometry(216, 46, 18, 22);  // only the arrows show
    connect(UpDownRecLen, &QSpinBox::valueChanged, this,
            [this](int v) { EdtRecLen->setText(QString::number(v)); });

    Button3 = new QPushButton("Auto", this);
    Button3->setObjectName("Button3");
    Button3->setGeometry(16, 96, 75, 25);
    Button2 = new QPushButton("Binary", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(97, 96, 75, 25);
    Button1 = new QPushButton("Text", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(178, 96, 75, 25);
    connect(Button3, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(mrNo); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(mrYes); });
    setTabOrder(Button3, Button2);
    setTabOrder(Button2, Button1);
    Button3->setFocus();
}

}  // namespace corvane::gui
