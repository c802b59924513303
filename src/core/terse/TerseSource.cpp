#include "terse/TerseSource.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {
constexpr std::size_t kStep = 256 * 1024;  // output decoded at a time
constexpr std::size_t kKept = 4 << 20;     // output kept from the first decode

// The window of the last source closed on this thread: opening many small
// files one after another (the members of a library) takes it again instead
// of fresh memory from the system each time.
// Larger windows go back to the system.
constexpr std::size_t kSpareWindow = 1 << 20;
thread_local std::vector<std::uint8_t> spareWindow;
}  // namespace

TerseSource::~TerseSource() {
    if (window_.capacity() > spareWindow.capacity() && window_.capacity() <= kSpareWindow) {
        window_.clear();
        spareWindow = std::move(window_);
    }
}

void TerseSource::Remember() {
    if (!decoder_.AtRecordBoundary()) return;
    const std::uint64_t last = saved_.empty() ? 0 : saved_.back().Produced();
    if (decoder_.Produced() < last + spacing_) return;
    if (saved_.size() == kMaxCheckpoints) {
        // Keep every other one, twice as far apart.
        std::vector<TerseDecoder> kept;
        for (std::size_t i = 0; i < saved_.size(); i += 2) kept.push_back(saved_[i]);
        saved_ = std::move(kept);
        spacing_ *= 2;
    }
    saved_.push_back(decoder_);
}

Result<std::unique_ptr<TerseSource>> TerseSource::Open(std::unique_ptr<ByteSource> packed,
                                                       std::string name, std::int64_t maxSize) {
    std::uint8_t head[kTerseHeaderSize] = {};
    auto got = packed->ReadAt(0, head, sizeof head);
    if (!got) return got.Err();
    auto header = ReadTerseHeader(head, got.Value());
    if (!header) return header.Err();
    std::unique_ptr<TerseSource> source(
        new TerseSource(std::move(packed), std::move(name), header.Value(), maxSize));
    TerseSource& s = *source;
    // Output up to kKept bytes stays in the window: a small file is
    // unpacked only once.
    std::vector<std::uint8_t> scratch;
    bool keep = true;
    s.window_ = std::move(spareWindow);
    spareWindow = {};
    // Room for what the file likely unpacks to, so the window seldom moves.
    const std::int64_t likely = std::min<std::int64_t>(s.packed_->Size(), kKept) * 8;
    s.window_.reserve(static_cast<std::size_t>(
        std::min({likely, static_cast<std::int64_t>(kKept + kStep), maxSize})));
    while (!s.decoder_.Ended()) {
        if (keep && s.window_.size() > kKept) {
            keep = false;
            s.window_ = {};
        }
        std::vector<std::uint8_t>& into = keep ? s.window_ : scratch;
        if (!keep) scratch.clear();
        // No more than the bound allows, and a byte to see it passed.
        const std::uint64_t room = static_cast<std::uint64_t>(maxSize) + 1 -
                                   std::min<std::uint64_t>(s.decoder_.Produced(), maxSize);
        auto run = s.decoder_.Run(s.codes_, into,
                                  static_cast<std::size_t>(std::min<std::uint64_t>(kStep, room)));
        if (!run) return run.Err();
        if (s.decoder_.Produced() > static_cast<std::uint64_t>(maxSize)) {
            Error e;
            e.What = Error::Kind::Unsupported;
            e.Caption = "Error";
            e.Message = s.name_ + ": the TERSE file unpacks to more than " +
                        std::to_string(maxSize) + " bytes";
            return e;
        }
        s.Remember();
    }
    s.size_ = static_cast<std::int64_t>(s.decoder_.Produced());
    if (!keep) s.decoder_ = s.Fresh();
    s.windowStart_ = 0;
    return source;
}

Status TerseSource::Advance(std::int64_t offset) {
    while (windowStart_ + static_cast<std::int64_t>(window_.size()) <= offset &&
           !decoder_.Ended()) {
        // The bytes before what was asked for need not be kept.
        const std::int64_t end = windowStart_ + static_cast<std::int64_t>(window_.size());
        if (end <= offset - static_cast<std::int64_t>(kStep) || window_.size() > 4 * kStep) {
            windowStart_ = end;
            window_.clear();
        }
        auto run = decoder_.Run(codes_, window_, kStep);
        if (!run) return run;
    }
    return Success();
}

Result<std::size_t> TerseSource::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
    if (offset < 0 || offset >= size_ || n == 0) return std::size_t{0};
    n = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(n), size_ - offset));
    if (offset < windowStart_) {
        // Back to the last state saved at or before the offset, or to the
        // start, which is not kept: a new decoder is that state.
        auto it = std::upper_bound(saved_.begin(), saved_.end(), offset,
                                   [](std::int64_t o, const TerseDecoder& d) {
                                       return o < static_cast<std::int64_t>(d.Produced());
                                   });
        if (it == saved_.begin()) {
            decoder_ = Fresh();
        } else {
            decoder_ = *(it - 1);
            decoder_.ForgetHistory();
        }
        windowStart_ = static_cast<std::int64_t>(decoder_.Produced());
        window_.clear();
    }
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < n) {
        const std::int64_t at = offset + static_cast<std::int64_t>(done);
        auto advanced = Advance(at);
        if (!advanced) return advanced.Err();
        const std::int64_t end = windowStart_ + static_cast<std::int64_t>(window_.size());
        if (at >= end) {
            Error e;
            e.What = Error::Kind::Io;
            e.Caption = "Error reading file";
            e.Message = name_ + ": the unpacked data ends early";
            return e;
        }
        const std::size_t k = static_cast<std::size_t>(
            std::min<std::int64_t>(end - at, static_cast<std::int64_t>(n - done)));
        std::memcpy(out + done, window_.data() + (at - windowStart_), k);
        done += k;
    }
    return n;
}

}  // namespace corvane
