#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace corvane {

// Passes what is written on to a sink from a thread of its own, so that the
// caller makes the next buffer while the last one goes to the disk. One
// buffer is written at a time: a caller faster than the disk waits for it.
class BackgroundWriter {
  public:
    using Sink = std::function<bool(const std::uint8_t*, std::size_t)>;
    explicit BackgroundWriter(Sink sink);
    // Stops after the buffer in hand; what Finish() did not confirm is lost.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Hands bytes to the thread without a copy: they must stay as they are
    // until the next call. Lend(p, 0) waits until the bytes lent last are
    // written. False once the sink has refused bytes (a full disk).
    bool Lend(const std::uint8_t* p, std::size_t n);
    // Waits until every buffer is passed on; false when the sink refused one.
    bool Finish();

  private:
    void Run();
    void Stop();

    Sink sink_;
    std::mutex lock_;
    std::condition_variable changed_;
    const std::uint8_t* bytes_ = nullptr;  // what the thread writes
    std::size_t size_ = 0;
    bool busy_ = false;  // the bytes are the thread's until they are written
    bool stop_ = false;
    bool failed_ = false;
    std::thread thread_;  // last: it starts once the rest is ready
};

}  // namespace corvane
