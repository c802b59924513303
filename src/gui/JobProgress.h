#pragma once

#include <QElapsedTimer>
#include <QString>

#include "ports/Progress.h"

namespace corvane::gui {

class ProgressDialog;

// The progress of one command over many reads (every member of a library):
// the bar runs over the bytes of all of them, and the window says how many
// are done, of how many; each read's own range is folded into that. The
// window is touched only as often as it repaints, so that a library of
// small members is read at the speed of the reader, not of the window.
class JobProgress : public corvane::Progress {
  public:
    // verb: what the window says is being done ("Searching").
    JobProgress(ProgressDialog& window, QString verb, std::size_t items, std::int64_t bytes);
    ~JobProgress() override;

    // Before each read: its name and the bytes it covers.
    void StartItem(const QString& name, std::int64_t bytes);

    void SetMaximum(std::int64_t) override {}
    void SetMinimum(std::int64_t value) override;
    void SetPosition(std::int64_t value) override;
    void ProcessEvents() override;
    bool Cancelled() const override;

  private:
    void Show(bool now);

    ProgressDialog& window_;
    QString verb_, caption_, name_;
    std::size_t items_, item_ = 0;
    std::int64_t bytes_;
    std::int64_t done_ = 0;     // the bytes of the items before this one
    std::int64_t size_ = 0;     // this item's bytes
    std::int64_t base_ = -1;    // where this item's own range starts; -1: not told yet
    std::int64_t reached_ = 0;  // the furthest position of this item
    QElapsedTimer sinceShown_;
};

}  // namespace corvane::gui
