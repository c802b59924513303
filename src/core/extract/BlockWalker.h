#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvane {

// Walks the blocks of IEBCOPY unload data records: each block is a 12-byte
// count field (key length at +9, data length at +10), the key, then the data.
// Only data bytes pass, each block announced with its length first; a block
// with data length 0 ends the member.
class BlockWalker {
  public:
    bool Ended() const { return ended_; }
    // The count field of the block last announced.
    const std::uint8_t* Count() const { return count_; }
    // Bytes of the last segment fed that came after the end-of-member block.
    std::size_t Leftover() const { return leftover_; }
    // A record ends: true when no block or count field is cut by its end.
    bool AtBlockBoundary() const { return have_ == 0 && keyLeft_ == 0 && dataLeft_ == 0; }
    void StartRecord() {
        have_ = 0;
        keyLeft_ = 0;
        dataLeft_ = 0;
    }

    // out.Block(length) starts a block, out.Bytes(p, n) carries its data;
    // either returning false ends the walk with false.
    template <typename Out>
    bool Feed(const std::uint8_t* p, std::size_t n, Out& out) {
        while (n > 0 && !ended_) {
            if (keyLeft_ > 0) {
                const std::size_t k = std::min(keyLeft_, n);
                keyLeft_ -= k;
                p += k;
                n -= k;
            } else if (dataLeft_ > 0) {
                const std::size_t k = std::min(dataLeft_, n);
                if (!out.Bytes(p, k)) return false;
                dataLeft_ -= k;
                p += k;
                n -= k;
            } else {
                const std::size_t k = std::min<std::size_t>(12 - have_, n);
                std::memcpy(count_ + have_, p, k);
                have_ += k;
                p += k;
                n -= k;
                if (have_ == 12) {
                    have_ = 0;
                    keyLeft_ = count_[9];
                    dataLeft_ = static_cast<std::size_t>(count_[10]) << 8 | count_[11];
                    if (dataLeft_ == 0) {
                        ended_ = true;
                        leftover_ = n;
                    } else if (!out.Block(dataLeft_)) {
                        return false;
                    }
                }
            }
        }
        return true;
    }

  private:
    std::uint8_t count_[12] = {};
    std::size_t have_ = 0;
    std::size_t keyLeft_ = 0;
    std::size_t dataLeft_ = 0;
    bool ended_ = false;
    std::size_t leftover_ = 0;
};

}  // namespace corvane
