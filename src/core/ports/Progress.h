#pragma once

#include <cstdint>

namespace corvane {

// The progress window of a read: a bar over file offsets and a cancel flag.
class Progress {
  public:
    virtual ~Progress() = default;
    virtual void SetMaximum(std::int64_t value) = 0;
    virtual void SetMinimum(std::int64_t value) = 0;
    virtual void SetPosition(std::int64_t value) = 0;
    // Lets the window system run pending events (repaint, the Cancel button).
    virtual void ProcessEvents() = 0;
    virtual bool Cancelled() const = 0;
};

// Progress of a read that runs without a window: nothing shows, nothing cancels.
class NullProgress : public Progress {
  public:
    void SetMaximum(std::int64_t) override {}
    void SetMinimum(std::int64_t) override {}
    void SetPosition(std::int64_t) override {}
    void ProcessEvents() override {}
    bool Cancelled() const override { return false; }
};

}  // namespace corvane
