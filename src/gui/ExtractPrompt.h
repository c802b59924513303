#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace corvane::gui {

// Dialog results, as the program's message-box answers number them.
enum PromptChoice { ChoiceAuto = 2, ChoiceText = 6, ChoiceBinary = 7 };

// The extraction prompt: text, binary or automatic handling, and the length
// to which text records are cut.
class ExtractPrompt : public QDialog {
    Q_OBJECT
  public:
    explicit ExtractPrompt(QWidget* owner);
    void reject() override { done(ChoiceAuto); }

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* EdtRecLen;
    QSpinBox* UpDownRecLen;
    QPushButton* Button1;  // Text
    QPushButton* Button2;  // Binary
    QPushButton* Button3;  // Auto
};

}  // namespace corvane::gui
