#pragma once

#include <QDialog>
#include <memory>

#include "Environment.h"
#include "settings/IniFile.h"
#include "settings/ProgramOptions.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvane::gui {

class LiveOptions;

// The options dialog: it edits the options of the run, which live on
// without it.
class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    OptionsDialog(QWidget* owner, const Environment& environment, LiveOptions& options);
    ~OptionsDialog() override;

    // Reloads from the store in use, shows the dialog modally and returns
    // QDialog::Accepted (OK) or Rejected.
    int ShowModal();

  public slots:
    void BbnOkClick();
    void BbnCancelClick();
    void BtnDefaultClick();
    void BtnBrowseZipClick();
    void BtnDefaultDirClick();

  public:
    void reject() override { BbnCancelClick(); }

  private:
    // Controls, by their object names.
    QCheckBox* ChkPromptType;
    QLabel* Image1;
    QGroupBox* RgpDateFormat;
    QRadioButton* RgpDateFormatDay;    // item 0 "dd/mm/yyyy"
    QRadioButton* RgpDateFormatMonth;  // item 1 "mm/dd/yyyy"
    QGroupBox* ExtensionsBox;
    QLineEdit* EdtBinaryExt;
    QLineEdit* EdtTextExt;
    QLabel* LblCodePage;
    QComboBox* CbxCodePage;  // the EBCDIC code page of text, "Corvane table" first
    QGroupBox* GroupBox1;
    QCheckBox *ChkExtXmi, *ChkExtXmt, *ChkExtXm, *ChkExtXmit;
    QGroupBox* GrpZip;
    QCheckBox* ChkAutoZip;
    QLineEdit* EdtUnZipTo;
    QPushButton* BtnBrowseZip;
    QGroupBox* GrpDefaultDir;
    QCheckBox* ChkUseLastDir;
    QLineEdit* EdtDefaultDir;
    QPushButton* BtnDefaultDir;
    QPushButton* BbnCancel;
    QPushButton* BbnOk;
    QPushButton* BtnDefault;

    void ToControls(const ProgramOptions& v, const ExtensionBoxes& boxes);
    void FromControls(ProgramOptions& v, ExtensionBoxes& boxes) const;
    void Browse(QLineEdit* edit);
    QCheckBox* Box(const std::string& ext) const;
    void BuildCodePageRow(QBoxLayout* layout);

    Environment env_;
    LiveOptions& options_;
    ExtensionBoxes boxesAtShow_;
    bool dateAtShow_ = false;
};

}  // namespace corvane::gui
