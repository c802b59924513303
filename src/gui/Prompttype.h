#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace corvane::gui {

// Dialog results, as the program's message-box answers number them.
enum PromptResult { mrCancel = 2, mrYes = 6, mrNo = 7 };

// The extraction prompt: text, binary or automatic handling, and the length
// to which text records are cut.
class TFrmPromptType : public QDialog {
    Q_OBJECT
  public:
    explicit TFrmPromptType(QWidget* owner);
    void reject() override { done(mrCancel); }

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* EdtRecLen;
    QSpinBox* UpDownRecLen;
    QPushButton* Button1;  // Text
    QPushButton* Button2;  // Binary
    QPushButton* Button3;  // Auto
};

}  // namespace corvane::gui
