#pragma once

#include <QDialog>
#include <QTreeWidget>
#include <memory>

#include "DialogService.h"
#include "MemoLines.h"
#include "zip/ZipIntake.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace corvane::gui {

// The zip intake window: lists an archive's entries and unpacks the one the
// user opens.
class ZipIntakeDialog : public QDialog {
    Q_OBJECT
  public:
    ZipIntakeDialog(QWidget* owner, DialogService& dialogs);
    ~ZipIntakeDialog() override;

    QGroupBox* GroupBox1;
    QTreeWidget* LvwZip;
    QCheckBox* ChkOverWrite;
    QPushButton* BtnOpen;
    QPushButton* BtnClose;
    QGroupBox* GrpMessages;
    QPlainTextEdit* MmoMessages;

  public slots:
    void BtnOpenClick();
    void ShowZipMessage(int errCode, const std::string& message);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    DialogService& dialogs_;
    std::unique_ptr<DialogNotifier> notifier_;
    std::unique_ptr<MemoLines> memo_;
    bool filled_ = false;

  public:
    // Declared after the members it uses; the main window reaches the zip
    // component and the chosen name through it.
    std::unique_ptr<ZipIntake> IntakePtr;
    ZipIntake& Intake;
};

}  // namespace corvane::gui
