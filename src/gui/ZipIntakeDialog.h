#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <memory>

#include "DialogService.h"
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

  public slots:
    void BtnOpenClick();
    void ShowZipMessage(const std::string& message);

  public:
    // Reads the archive's directory and tells what it found; false (after
    // saying so) when no file is at the path.
    bool OpenArchive(const std::string& path);
    // Automatic mode: unpacks the one XMIT entry without the window.
    void ExtractSingleXmit();

  protected:
    void showEvent(QShowEvent* event) override;

  public:
    // The unpacking behind the window; the main window reaches the chosen
    // entry's path and the destination through it.
    ZipIntake& Intake() { return intake_; }

  private:
    QGroupBox* GroupBox1;
    QTreeWidget* LvwZip;
    QCheckBox* ChkOverWrite;
    QPushButton* BtnOpen;
    QPushButton* BtnClose;
    QGroupBox* GrpMessages;
    QPlainTextEdit* MmoMessages;
    ZipIntake intake_;  // after the messages it writes to

    // A failed unpack: its line in the messages, and a box when it has a caption.
    void Report(const Error& e);

    DialogService& dialogs_;
    bool filled_ = false;
};

}  // namespace corvane::gui
