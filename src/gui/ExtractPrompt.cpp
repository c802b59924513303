#include "ExtractPrompt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane::gui {

ExtractPrompt::ExtractPrompt(QWidget* owner, bool textOffered, int lrecl)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("FrmPromptType");
    setWindowTitle("Extraction Type Maual Selection");
    setMinimumSize(269, 137);

    Label1 = new QLabel("Select how you would like the data to be handled", this);
    Label1->setObjectName("Label1");
    Label2 = new QLabel("Truncate record length to ", this);
    Label2->setObjectName("Label2");
    EdtRecLen = new QLineEdit("0", this);
    EdtRecLen->setObjectName("EdtRecLen");
    EdtRecLen->setReadOnly(true);
    EdtRecLen->setFixedWidth(48);
    UpDownRecLen = new QSpinBox(this);
    UpDownRecLen->setObjectName("UpDownRecLen");
    UpDownRecLen->setRange(0, 0);
    UpDownRecLen->setValue(0);
    UpDownRecLen->setWrapping(false);
    UpDownRecLen->setFixedWidth(18);  // only the arrows show; the edit shows the value
    connect(UpDownRecLen, &QSpinBox::valueChanged, this,
            [this](int v) { EdtRecLen->setText(QString::number(v)); });
    Button3 = new QPushButton("Auto", this);
    Button3->setObjectName("Button3");
    Button2 = new QPushButton("Binary", this);
    Button2->setObjectName("Button2");
    Button1 = new QPushButton("Text", this);
    Button1->setObjectName("Button1");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    auto* length = new QHBoxLayout;
    length->addStretch();
    length->addWidget(Label2);
    length->addWidget(EdtRecLen);
    length->addWidget(UpDownRecLen);
    length->addStretch();
    layout->addLayout(length);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button3);
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button3, &QPushButton::clicked, this, [this] { done(kAuto); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(kBinary); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(kText); });
    // Enter takes "Auto" unless a button has the focus.
    Button3->setDefault(true);
    setTabOrder(Button3, Button2);
    setTabOrder(Button2, Button1);
    Button3->setFocus();
    if (textOffered) {
        lrecl = std::clamp(lrecl, 10, 32767);
        UpDownRecLen->setRange(10, lrecl);
        UpDownRecLen->setValue(lrecl);
        EdtRecLen->setText(QString::number(UpDownRecLen->value()));
    } else {
        for (QWidget* w :
             std::initializer_list<QWidget*>{UpDownRecLen, EdtRecLen, Button1, Button3})
            w->setEnabled(false);
        Button2->setDefault(true);  // the one choice left
        Button2->setFocus();
    }
}

PromptAnswer ExtractPrompt::Answer() const {
    PromptAnswer a;
    a.Choice = result() == kText     ? PromptChoice::Text
               : result() == kBinary ? PromptChoice::Binary
                                     : PromptChoice::Auto;
    a.RecordCut = UpDownRecLen->isEnabled() ? UpDownRecLen->value() : -1;
    return a;
}

}  // namespace corvane::gui
