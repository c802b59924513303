#pragma once

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

namespace corvane::gui {

// Asks for the text that the members listed must contain.
class ContainingDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ContainingDialog(QWidget* owner);

    // The text asked for, and whether its letters must match in case.
    QString Text() const;
    bool MatchCase() const;

  private:
    QLineEdit* EdtContaining;
    QCheckBox* ChkContainingCase;
    QDialogButtonBox* BbxContaining;
};

}  // namespace corvane::gui
