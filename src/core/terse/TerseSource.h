#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "io/ByteSource.h"
#include "terse/TerseDecoder.h"
#include "terse/TerseHeader.h"

namespace corvane {

// The dataset a TERSE file holds, as binary output, decoded as a stream:
// forward reads go on where the last one stopped, a read further back starts
// again from the nearest of a bounded number of saved decoder states.
class TerseSource : public ByteSource {
  public:
    // Decodes the whole file once, to learn its size and keep the states;
    // maxSize bounds the output (a bomb of a file is refused, not unpacked).
    static Result<std::unique_ptr<TerseSource>> Open(std::unique_ptr<ByteSource> packed,
                                                     std::string name,
                                                     std::int64_t maxSize = INT64_MAX);
    ~TerseSource() override;
    const TerseHeader& Header() const { return header_; }
    std::int64_t Size() const override { return size_; }
    Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
    std::string Name() const override { return name_; }

    // Saved states at most, and output between them at first.
    static constexpr std::size_t kMaxCheckpoints = 64;
    static constexpr std::uint64_t kFirstSpacing = 1u << 20;

  private:
    TerseSource(std::unique_ptr<ByteSource> packed, std::string name, const TerseHeader& header,
                std::int64_t maxSize)
        : packed_(std::move(packed)),
          codes_(*packed_),
          name_(std::move(name)),
          header_(header),
          maxString_(static_cast<std::uint64_t>(std::min<std::int64_t>(maxSize, 16 << 20))),
          decoder_(header, maxString_) {}
    TerseDecoder Fresh() const { return TerseDecoder(header_, maxString_); }
    // Decodes on from the current state until the window reaches offset.
    Status Advance(std::int64_t offset);
    void Remember();

    std::unique_ptr<ByteSource> packed_;
    TerseCodes codes_;
    std::string name_;
    TerseHeader header_;
    std::int64_t size_ = 0;
    std::uint64_t maxString_;
    TerseDecoder decoder_;
    std::vector<std::uint8_t> window_;  // output from windowStart_ on
    std::int64_t windowStart_ = 0;
    std::vector<TerseDecoder> saved_;  // states between codes, in output order, after the start
    std::uint64_t spacing_ = kFirstSpacing;
};

}  // namespace corvane
