#include "JobProgress.h"

#include <algorithm>

#include "ProgressDialog.h"
#include "util/SizeText.h"

namespace corvane::gui {

namespace {
constexpr int kShowIntervalMs = 40;
}

JobProgress::JobProgress(ProgressDialog& window, QString verb, std::size_t items,
                         std::int64_t bytes)
    : window_(window),
      verb_(std::move(verb)),
      caption_(window.Caption()),
      items_(items),
      bytes_(std::max<std::int64_t>(bytes, 1)) {
    window_.ClearCancelled();
    window_.SetMinimum(0);
    window_.SetMaximum(bytes_);
    window_.SetPosition(0);
}

JobProgress::~JobProgress() {
    window_.SetCaption(caption_);
    window_.SetMinimum(0);
    window_.SetPosition(0);
    window_.SetMaximum(100);
}

void JobProgress::StartItem(const QString& name, std::int64_t bytes) {
    done_ += size_;
    ++item_;
    name_ = name;
    size_ = std::max<std::int64_t>(bytes, 0);
    base_ = -1;
    reached_ = 0;
    Show(item_ == 1);
    // A read of one block never asks for the window system: between reads it is let in.
    window_.ProcessEvents();
}

void JobProgress::Show(bool now) {
    if (!now && sinceShown_.isValid() && sinceShown_.elapsed() < kShowIntervalMs) return;
    sinceShown_.start();
    window_.SetCaption(QString("%1: %2 of %3, %4 of %5")
                           .arg(verb_)
                           .arg(item_)
                           .arg(items_)
                           .arg(QString::fromStdString(SizeText(done_)))
                           .arg(QString::fromStdString(SizeText(bytes_))));
    window_.SetItem(name_);
    window_.SetPosition(done_ + reached_);
}

void JobProgress::SetMinimum(std::int64_t value) {
    if (base_ < 0) base_ = value;  // a read's start; its reset at the end is not
}

void JobProgress::SetPosition(std::int64_t value) {
    if (base_ < 0) return;
    reached_ = std::max(reached_, std::clamp<std::int64_t>(value - base_, 0, size_));
    window_.SetPosition(done_ + reached_);
}

void JobProgress::ProcessEvents() {
    Show(false);
    window_.ProcessEvents();
}

bool JobProgress::Cancelled() const {
    return window_.Cancelled();
}

}  // namespace corvane::gui
