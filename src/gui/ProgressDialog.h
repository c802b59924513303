#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include "ports/Progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace corvane::gui {

// The progress window of a read: the item's name, a bar over its file
// offsets and a Cancel button whose flag the reader tests.
class ProgressDialog : public QDialog, public corvane::Progress {
    Q_OBJECT
  public:
    explicit ProgressDialog(QWidget* owner);

    void SetMaximum(std::int64_t value) override;
    void SetMinimum(std::int64_t value) override;
    void SetPosition(std::int64_t value) override;
    void ProcessEvents() override;
    bool Cancelled() const override { return cancelled_; }
    void ClearCancelled() { cancelled_ = false; }
    // The file offset the bar stands for (the bar itself counts in units
    // that fit its integer range).
    std::int64_t Position() const { return position_; }

    // How often, at most, the window system is let in during a read: for
    // this window, and for windows made from now on.
    void SetEventInterval(int ms) { eventIntervalMs_ = ms; }
    static void SetDefaultEventInterval(int ms) { defaultEventIntervalMs_ = ms; }

    // What is being done, and the item being read.
    QString Caption() const;
    void SetCaption(const QString& text);
    // Shown at once, whatever the read does next.
    void SetItem(const QString& name);

  public slots:
    void BtnCancelClick();

  private:
    static inline int defaultEventIntervalMs_ = 20;
    int eventIntervalMs_ = defaultEventIntervalMs_;
    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QPushButton* BtnCancel;

    void UpdateBar();
    std::int64_t minimum_ = 0, maximum_ = 100, position_ = 0;
    bool cancelled_ = false;
    QElapsedTimer sinceEvents_;
    QElapsedTimer sincePaint_;
};

}  // namespace corvane::gui
