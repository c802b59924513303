#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace corvane::gui {

// What the user chose in the extraction prompt.
enum class PromptChoice { Auto, Text, Binary };
struct PromptAnswer {
    PromptChoice Choice = PromptChoice::Auto;
    int RecordCut = -1;  // text records are cut to this length; -1: not offered
};

// The extraction prompt: text, binary or automatic handling, and the length
// to which text records are cut. Closing it is Auto.
class ExtractPrompt : public QDialog {
    Q_OBJECT
  public:
    // textOffered: the records can be read as text, lrecl bytes long at most;
    // otherwise only Binary can be chosen.
    ExtractPrompt(QWidget* owner, bool textOffered = true, int lrecl = 80);
    void reject() override { done(kAuto); }

    PromptAnswer Answer() const;

  private:
    // The dialog's results, as the program's message-box answers number them.
    static constexpr int kAuto = 2, kText = 6, kBinary = 7;

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* EdtRecLen;
    QSpinBox* UpDownRecLen;
    QPushButton* Button1;  // Text
    QPushButton* Button2;  // Binary
    QPushButton* Button3;  // Auto
};

}  // namespace corvane::gui
