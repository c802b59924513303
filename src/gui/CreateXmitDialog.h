#pragma once

#include <QDialog>
#include <functional>

#include "CreateJob.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace corvane::gui {

class DialogService;

// Makes an XMIT file of PC files: a library with a member per file, or one
// file as a sequential dataset.
class CreateXmitDialog : public QDialog {
    Q_OBJECT
  public:
    CreateXmitDialog(QWidget* owner, DialogService& dialogs, int codePage);

    // What the controls say now.
    CreateRequest Request() const;
    // What writes a job whose problems were none and whose output may be
    // replaced when replace is set; true when the file was written, which
    // closes the window.
    void SetWriter(std::function<bool(const CreateJob& job, bool replace)> write) {
        write_ = std::move(write);
    }

  public slots:
    void CmdCreateAddFilesClick();
    void CmdCreateAddFolderClick();
    void CmdCreateRemoveClick();
    void CmdCreateMessageClick();
    void CmdCreateOutputClick();
    void CmdCreateOKClick();

  private:
    QListWidget* TxtCreateFiles;
    QPushButton *CmdCreateAddFiles, *CmdCreateAddFolder, *CmdCreateRemove;
    QLineEdit* TxtCreateDsn;
    QComboBox* CboCreateRecfm;
    QLineEdit *TxtCreateLrecl, *TxtCreateBlksize;
    QRadioButton *OptCreateText, *OptCreateBinary;
    QComboBox* CboCreateCodePage;
    QLineEdit* TxtCreateMessage;
    QPushButton* CmdCreateMessage;
    QLineEdit *TxtCreateFrom, *TxtCreateTo;
    QCheckBox* ChkCreateSequential;
    QLineEdit* TxtCreateOutput;
    QPushButton *CmdCreateOutput, *CmdCreateOK, *CmdCreateCancel;
    std::function<bool(const CreateJob& job, bool replace)> write_;

    void AddFile(const QString& path);
    void RecfmChanged();
    QString StartFolder() const;

    DialogService& dialogs_;
    QString confirmed_;  // an existing output the save dialog asked about
};

}  // namespace corvane::gui
