#include "tape/TapeImage.h"

#include <string>

#include "tape/TapeCopy.h"
#include "tape/TapeError.h"
#include "tape/TapeFileSource.h"
#include "tape/TapeLabels.h"
#include "tape/TapeLayout.h"

namespace corvane {

using tape::BlockReader;
using tape::ChunkHeader;
using tape::Compression;
using tape::TapeBlock;

namespace {
// Window of the streaming reads: many blocks per system call.
constexpr std::size_t kStreamWindow = 1024 * 1024;
constexpr std::size_t kLabelWindow = 64 * 1024;

bool PlausibleHeader(const ChunkHeader& h, bool first) {
    if (h.Flags1 & 0x1C) return false;  // bits no writer sets
    if (h.Flags2 != 0 && !(h.Flags2 & tape::kBusTechZlib)) return false;
    Compression packing = Compression::None;
    if (!tape::ChunkCompression(h, packing)) return false;
    if (h.Flags1 & tape::kTapemark) return h.Length == 0;
    if (first) return (h.Flags1 & tape::kBeginBlock) && h.Length > 0;
    return true;
}
}  // namespace

bool LooksLikeTape(const std::uint8_t* head, std::size_t n) {
    if (!head || n < tape::kHeaderSize) return false;
    const ChunkHeader h = ChunkHeader::Decode(head);
    if (h.Previous != 0 || !PlausibleHeader(h, true)) return false;
    const std::size_t next = tape::kHeaderSize + h.Length;
    if (n < next + tape::kHeaderSize) return true;
    const ChunkHeader h2 = ChunkHeader::Decode(head + next);
    if (h2.Previous != h.Length || !PlausibleHeader(h2, false)) return false;
    // A block that ended is followed by a tapemark or a new block; one that
    // did not, by its next chunk.
    const bool ended = (h.Flags1 & (tape::kEndBlock | tape::kTapemark)) != 0;
    if (h2.Flags1 & tape::kTapemark) return ended;
    return ended == ((h2.Flags1 & tape::kBeginBlock) != 0);
}

Result<std::shared_ptr<TapeImage>> TapeImage::Open(std::unique_ptr<ByteSource> image) {
    if (!image || image->Size() <= 0) return tape::Damage("The tape image is empty");
    auto index = tape::IndexChunks(*image);
    if (!index) return index.Err();
    std::shared_ptr<TapeImage> tape(new TapeImage(std::move(image), std::move(index.Value())));
    BlockReader reader(*tape->image_, kLabelWindow, tape->inflater_);
    const auto& blocks = tape->index_.Blocks;
    tape::LabelReader label = [&](std::size_t k) -> Result<std::optional<std::string>> {
        const TapeBlock& b = blocks[k];
        if (b.Packing == Compression::None && b.Stored != tape::kLabelSize)
            return std::optional<std::string>{};
        auto data = reader.Data(b, Number(k));
        if (!data) return data.Err();
        if (data->Size != tape::kLabelSize) return std::optional<std::string>{};
        return std::optional<std::string>{tape::LabelText(data->Data)};
    };
    auto layout = tape::LayOut(tape->index_, label);
    if (!layout) return layout.Err();
    tape->info_ = std::move(layout->Info);
    tape->data_ = std::move(layout->Data);
    return tape;
}

BlockReader& TapeImage::Stream() {
    if (!stream_) stream_ = std::make_unique<BlockReader>(*image_, kStreamWindow, inflater_);
    return *stream_;
}

Status TapeImage::CheckIndex(std::size_t index) const {
    if (index < info_.Files.size()) return Success();
    Error e;
    e.What = Error::Kind::Usage;
    e.Caption = "Tape image";
    e.Message = "The tape has no file " + std::to_string(index + 1) + ": it has " +
                std::to_string(info_.Files.size());
    return e;
}

Status TapeImage::MeasureFile(std::size_t index) {
    if (auto ok = CheckIndex(index); !ok) return ok;
    TapeFileInfo& file = info_.Files[index];
    if (file.Bytes >= 0) return Success();
    const tape::PhysicalFile& range = data_[index];
    std::int64_t bytes = 0;
    for (std::size_t k = range.First; k < range.First + range.Count; ++k) {
        TapeBlock& b = index_.Blocks[k];
        if (!b.Measured) {
            auto data = Stream().Data(b, Number(k));
            if (!data) return data.Err();
            b.Length = static_cast<std::uint32_t>(data->Size);
            b.Measured = true;
        }
        bytes += b.Length;
    }
    file.Bytes = bytes;
    return Success();
}

Status TapeImage::Measure() {
    for (std::size_t k = 0; k < info_.Files.size(); ++k) {
        if (auto done = MeasureFile(k); !done) return done;
    }
    return Success();
}

Result<std::unique_ptr<ByteSource>> TapeImage::OpenFile(std::size_t index) {
    if (auto done = MeasureFile(index); !done) return done.Err();
    const tape::PhysicalFile& range = data_[index];
    std::vector<std::int64_t> starts;
    starts.reserve(range.Count + 1);
    std::int64_t at = 0;
    for (std::size_t k = range.First; k < range.First + range.Count; ++k) {
        starts.push_back(at);
        at += index_.Blocks[k].Length;
    }
    starts.push_back(at);
    const TapeFileInfo& file = info_.Files[index];
    std::string name = image_->Name() + "(" +
                       (file.Dsn.empty() ? "file " + std::to_string(file.Number) : file.Dsn) + ")";
    return std::unique_ptr<ByteSource>(
        new TapeFileSource(shared_from_this(), range.First, std::move(starts), std::move(name)));
}

Result<std::vector<std::uint32_t>> TapeImage::BlockLengths(std::size_t index) {
    if (auto done = MeasureFile(index); !done) return done.Err();
    const tape::PhysicalFile& range = data_[index];
    std::vector<std::uint32_t> lengths;
    lengths.reserve(range.Count);
    for (std::size_t k = range.First; k < range.First + range.Count; ++k)
        lengths.push_back(index_.Blocks[k].Length);
    return lengths;
}

Status TapeImage::CopyFile(std::size_t index,
                           const std::function<bool(const std::uint8_t*, std::size_t)>& write) {
    if (auto ok = CheckIndex(index); !ok) return ok;
    const tape::PhysicalFile& range = data_[index];
    std::int64_t bytes = 0;
    bool stopped = false;
    auto done = tape::CopyBlocks(Stream(), index_.Blocks, range.First, range.Count, write, &bytes,
                                 &stopped);
    if (!done || stopped) return done;
    info_.Files[index].Bytes = bytes;
    return Success();
}

}  // namespace corvane
