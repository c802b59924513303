#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "present/Presenter.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace corvane::gui {

class DialogService;

// The error window of a failed decode or extraction: two error lines and a
// fold-out memo of details.
class DecodeErrorDialog : public QDialog {
    Q_OBJECT
  public:
    explicit DecodeErrorDialog(QWidget* owner = nullptr);
    void Fill(const ErrorReportData& report);
    bool DetailsShown() const { return detailsShown_; }

    static constexpr int kCollapsedHeight = 140;
    static constexpr int kExpandedHeight = 242;

  public slots:
    void BtnDetailsClick();

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    QLabel* Label1;
    QLabel* LblError1;
    QLabel* LblError2;
    QPushButton* BtnDetails;
    QPlainTextEdit* MmoDetails;
    void FitWidth();
    bool detailsShown_ = false;
    int width_ = 282;
};

// Shows a decode error: builds the window, shows it modally, destroys it.
class DecodeErrorReport {
  public:
    DecodeErrorReport(DialogService& dialogs, QWidget* owner) : dialogs_(dialogs), owner_(owner) {}
    void Show(const ErrorReportData& report);

    // Told before (true) and after (false) the window is shown.
    void OnModal(std::function<void(bool)> told) { modal_ = std::move(told); }
    // While one is given, reports are kept here (their first error line) instead of
    // being shown.
    void CollectInto(QStringList* kept) { collect_ = kept; }

  private:
    std::function<void(bool)> modal_;
    QStringList* collect_ = nullptr;
    DialogService& dialogs_;
    QWidget* owner_;
};

}  // namespace corvane::gui
