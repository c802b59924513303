#include "nested/MemberDataSource.h"

#include <algorithm>
#include <cstring>

namespace corvane {

Result<std::unique_ptr<MemberDataSource>> MemberDataSource::Open(std::unique_ptr<ByteSource> outer,
                                                                 const XmitInfo& info,
                                                                 const MemberEntry* member,
                                                                 std::string name) {
    std::vector<DataPiece> pieces;
    ReadRequest request;
    request.Member = member;
    request.Form = ReadForm::Binary;
    request.Pieces = &pieces;
    request.Name = name;
    NullProgress progress;
    MemberReader reader(*outer, info);
    auto* middle = dynamic_cast<MemberDataSource*>(outer.get());
    if (middle && middle->Size() <= kHeld) {
        // Small enough to hold: the levels above are let go.
        std::vector<std::uint8_t> bytes;
        request.Pieces = nullptr;
        request.Bytes = &bytes;
        auto done = reader.Read(request, progress);
        if (!done) return done.Err();
        const auto size = static_cast<std::int64_t>(bytes.size());
        return std::unique_ptr<MemberDataSource>(
            new MemberDataSource(std::make_unique<MemorySource>(std::move(bytes), name),
                                 {DataPiece{}}, size, std::move(name)));
    }
    auto done = reader.Read(request, progress);
    if (!done) return done.Err();
    if (middle) {
        // Carried through to the file the middle reads: one layer, not two.
        if (!middle->Through(pieces, done->Bytes)) {
            Error e;
            e.What = Error::Kind::Damaged;
            e.Caption = "Error reading file";
            e.Message = middle->Name() + ": the data of " + name + " lies outside it";
            return e;
        }
        outer = std::move(middle->outer_);
    }
    pieces.shrink_to_fit();
    return std::unique_ptr<MemberDataSource>(
        new MemberDataSource(std::move(outer), std::move(pieces), done->Bytes, std::move(name)));
}

bool MemberDataSource::Through(std::vector<DataPiece>& pieces, std::int64_t size) const {
    std::vector<DataPiece> mapped;
    mapped.reserve(pieces.size());
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        std::int64_t offset = pieces[k].Offset;
        const std::int64_t end = k + 1 < pieces.size() ? pieces[k + 1].Offset : size;
        std::int64_t at = pieces[k].FileOffset;  // in this source's bytes
        if (offset == end) continue;
        if (at < 0 || at + (end - offset) > size_) return false;
        auto it = std::upper_bound(pieces_.begin(), pieces_.end(), at,
                                   [](std::int64_t o, const DataPiece& p) { return o < p.Offset; });
        if (it == pieces_.begin()) return false;
        std::size_t i = static_cast<std::size_t>(it - pieces_.begin()) - 1;
        // Cut where this source's own pieces meet; joined where they run on.
        while (offset < end) {
            const std::int64_t take = std::min(end - offset, PieceEnd(i) - at);
            const std::int64_t file = pieces_[i].FileOffset + (at - pieces_[i].Offset);
            if (mapped.empty() ||
                mapped.back().FileOffset + (offset - mapped.back().Offset) != file)
                mapped.push_back({offset, file});
            offset += take;
            at += take;
            ++i;
        }
    }
    pieces = std::move(mapped);
    return true;
}

Result<std::size_t> MemberDataSource::ReadAt(std::int64_t offset, void* destination,
                                             std::size_t n) {
    if (offset < 0 || offset >= size_ || n == 0) return std::size_t{0};
    n = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(n), size_ - offset));
    auto* out = static_cast<std::uint8_t*>(destination);
    // The piece that holds offset: the last one starting at or before it.
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                               [](std::int64_t o, const DataPiece& p) { return o < p.Offset; });
    std::size_t i = static_cast<std::size_t>(it - pieces_.begin()) - 1;
    const std::int64_t end = offset + static_cast<std::int64_t>(n);
    std::int64_t at = offset;
    while (at < end) {
        // Pieces lie in file order: read the stretch of the outer file that
        // holds the next ones at once, up to kSpan bytes.
        const std::int64_t fileStart = pieces_[i].FileOffset + (at - pieces_[i].Offset);
        std::int64_t upto = std::min({PieceEnd(i), end, at + static_cast<std::int64_t>(kSpan)});
        std::int64_t fileEnd = fileStart + (upto - at);
        std::size_t last = i;
        while (upto == PieceEnd(last) && upto < end && last + 1 < pieces_.size()) {
            const DataPiece& next = pieces_[last + 1];
            const std::int64_t nextUpto = std::min(PieceEnd(last + 1), end);
            const std::int64_t nextEnd = next.FileOffset + (nextUpto - next.Offset);
            if (next.FileOffset < fileEnd ||
                nextEnd - fileStart > static_cast<std::int64_t>(kSpan)) {
                break;
            }
            fileEnd = nextEnd;
            upto = nextUpto;
            ++last;
        }
        const auto spanLength = static_cast<std::size_t>(fileEnd - fileStart);
        if (span_.size() < spanLength) span_.resize(spanLength);
        auto got = outer_->ReadAt(fileStart, span_.data(), spanLength);
        if (!got) return got.Err();
        if (got.Value() != spanLength) {
            Error e;
            e.What = Error::Kind::Io;
            e.Caption = "Error reading file";
            e.Message = outer_->Name() + ": the data of " + name_ + " ends early";
            return e;
        }
        for (std::size_t k = i; k <= last; ++k) {
            const std::int64_t from = std::max(pieces_[k].Offset, at);
            const std::int64_t to = std::min(PieceEnd(k), upto);
            const std::int64_t file = pieces_[k].FileOffset + (from - pieces_[k].Offset);
            std::memcpy(out + (from - offset), span_.data() + (file - fileStart),
                        static_cast<std::size_t>(to - from));
        }
        at = upto;
        if (upto == PieceEnd(last))
            i = last + 1;
        else
            i = last;
    }
    return n;
}

}  // namespace corvane
