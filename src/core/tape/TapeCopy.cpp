#include "tape/TapeCopy.h"

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace corvane::tape {

namespace {
// Below this much compressed data a second thread does not pay for itself.
constexpr std::uint64_t kParallelStored = 4u << 20;
constexpr std::size_t kBatch = 32;              // blocks handed out at a time, at most
constexpr std::size_t kBatchStored = 4u << 20;  // and their stored bytes, past one block

Status CopyInTurn(BlockReader& reader, std::vector<TapeBlock>& blocks, std::size_t first,
                  std::size_t count, const BlockWriter& write, std::int64_t* bytes, bool* stopped) {
    for (std::size_t k = first; k < first + count; ++k) {
        TapeBlock& b = blocks[k];
        auto data = reader.Data(b, k + 1);
        if (!data) return data.Err();
        b.Length = static_cast<std::uint32_t>(data->Size);
        b.Measured = true;
        *bytes += b.Length;
        if (data->Size > 0 && !write(data->Data, data->Size)) {
            *stopped = true;
            return Success();
        }
    }
    return Success();
}

// A batch of blocks: their stored bytes gathered, then inflated by two
// threads, each taking every other compressed block.
struct Batch {
    std::size_t First = 0, Count = 0;
    std::vector<std::uint8_t> Stored;
    std::size_t StoredAt[kBatch + 1] = {};
    std::unique_ptr<std::uint8_t[]> Out{new std::uint8_t[kBatch * kMaxInflated]};
    std::size_t Length[kBatch] = {};
    std::optional<Error> Failure[kBatch];
};

void InflateShare(const std::vector<TapeBlock>& blocks, Batch& batch, BlockInflater& inflater,
                  std::size_t share) {
    std::size_t compressed = 0;
    for (std::size_t j = 0; j < batch.Count; ++j) {
        const TapeBlock& b = blocks[batch.First + j];
        if (b.Packing == Compression::None || compressed++ % 2 != share) continue;
        auto length =
            inflater.Inflate(b, batch.First + j + 1, batch.Stored.data() + batch.StoredAt[j],
                             batch.Out.get() + j * kMaxInflated);
        if (length)
            batch.Length[j] = length.Value();
        else
            batch.Failure[j] = length.Err();
    }
}

class Helper {
  public:
    Helper(const std::vector<TapeBlock>& blocks) : blocks_(blocks), thread_([this] { Run(); }) {}
    ~Helper() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void Start(Batch& batch) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            batch_ = &batch;
        }
        wake_.notify_one();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return batch_ == nullptr; });
    }

  private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || batch_ != nullptr; });
            if (quit_) return;
            lock.unlock();
            InflateShare(blocks_, *batch_, inflater_, 1);
            lock.lock();
            batch_ = nullptr;
            done_.notify_one();
        }
    }

    const std::vector<TapeBlock>& blocks_;
    BlockInflater inflater_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    Batch* batch_ = nullptr;
    bool quit_ = false;
    std::thread thread_;  // last: it starts once the rest is ready
};

Status CopyInParallel(BlockReader& reader, std::vector<TapeBlock>& blocks, std::size_t first,
                      std::size_t count, const BlockWriter& write, std::int64_t* bytes,
                      bool* stopped) {
    Batch batch;
    BlockInflater inflater;
    Helper helper(blocks);
    for (std::size_t from = first; from < first + count; from += batch.Count) {
        batch.First = from;
        batch.Count = 0;
        batch.Stored.clear();
        const std::size_t most = std::min(kBatch, first + count - from);
        for (std::size_t j = 0; j < most && batch.Stored.size() < kBatchStored; ++j) {
            auto stored = reader.Stored(blocks[from + j]);
            if (!stored) return stored.Err();
            batch.StoredAt[j] = batch.Stored.size();
            batch.Stored.insert(batch.Stored.end(), stored->Data, stored->Data + stored->Size);
            batch.Length[j] = stored->Size;
            batch.Failure[j].reset();
            ++batch.Count;
        }
        helper.Start(batch);
        InflateShare(blocks, batch, inflater, 0);
        helper.Wait();
        for (std::size_t j = 0; j < batch.Count; ++j) {
            if (batch.Failure[j]) return *batch.Failure[j];
            TapeBlock& b = blocks[from + j];
            const std::uint8_t* data = b.Packing == Compression::None
                                           ? batch.Stored.data() + batch.StoredAt[j]
                                           : batch.Out.get() + j * kMaxInflated;
            b.Length = static_cast<std::uint32_t>(batch.Length[j]);
            b.Measured = true;
            *bytes += b.Length;
            if (b.Length > 0 && !write(data, b.Length)) {
                *stopped = true;
                return Success();
            }
        }
    }
    return Success();
}
}  // namespace

Status CopyBlocks(BlockReader& reader, std::vector<TapeBlock>& blocks, std::size_t first,
                  std::size_t count, const BlockWriter& write, std::int64_t* bytes, bool* stopped) {
    *bytes = 0;
    *stopped = false;
    std::uint64_t compressed = 0;
    for (std::size_t k = first; k < first + count; ++k)
        if (blocks[k].Packing != Compression::None) compressed += blocks[k].Stored;
    if (compressed >= kParallelStored && std::thread::hardware_concurrency() > 1)
        return CopyInParallel(reader, blocks, first, count, write, bytes, stopped);
    return CopyInTurn(reader, blocks, first, count, write, bytes, stopped);
}

}  // namespace corvane::tape
