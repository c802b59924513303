#include "io/BackgroundWriter.h"

namespace corvane {

BackgroundWriter::BackgroundWriter(Sink sink)
    : sink_(std::move(sink)), thread_([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() {
    Stop();
}

void BackgroundWriter::Run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        changed_.wait(hold, [this] { return busy_ || stop_; });
        if (!busy_) return;
        hold.unlock();
        const bool written = sink_(bytes_, size_);
        hold.lock();
        failed_ = failed_ || !written;
        busy_ = false;
        changed_.notify_all();
    }
}

bool BackgroundWriter::Lend(const std::uint8_t* p, std::size_t n) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return !busy_; });
    if (failed_ || stop_) return false;
    if (n == 0) return true;
    bytes_ = p;
    size_ = n;
    busy_ = true;
    changed_.notify_all();
    return true;
}

bool BackgroundWriter::Finish() {
    Stop();
    std::lock_guard<std::mutex> hold(lock_);
    return !failed_;
}

void BackgroundWriter::Stop() {
    {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return !busy_; });
        stop_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

}  // namespace corvane
