#pragma once
// Bytes that go bad at a chosen offset, as a failing disk or a file cut
// short while it is read: every read that reaches the offset fails, or stops
// short there.
#include <algorithm>
#include <cstring>
#include <string>

#include "XmitBuilder.h"
#include "io/ByteSource.h"

namespace corvane::testing {

class FaultySource : public ByteSource {
  public:
    enum class Fault { Fails, Short };
    FaultySource(Bytes bytes, std::int64_t at, Fault fault)
        : bytes_(std::move(bytes)), at_(at), fault_(fault) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) override {
        if (offset < 0 || offset >= Size()) return std::size_t{0};
        n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(n), Size() - offset));
        const std::int64_t end = offset + static_cast<std::int64_t>(n);
        if (end > at_ && fault_ == Fault::Fails) {
            Error e;
            e.What = Error::Kind::Io;
            e.Caption = "Error reading file";
            e.Message = Name() + ": Input/output error";
            return e;
        }
        if (end > at_ && offset < at_) n = static_cast<std::size_t>(at_ - offset);
        if (offset == at_) n = std::min<std::size_t>(n, 1);
        std::memcpy(destination, bytes_.data() + offset, n);
        return n;
    }
    std::string Name() const override { return "faulty"; }

  private:
    Bytes bytes_;
    std::int64_t at_;
    Fault fault_;
};

}  // namespace corvane::testing
