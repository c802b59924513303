#pragma once

#include <memory>
#include <string>
#include <vector>

#include "decode/XmitInfo.h"
#include "extract/MemberReader.h"
#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane {

// The bytes of one member (or of the sequential dataset) of a transmission,
// as a binary extract writes them, read in place: an index of where they lie
// in the outer file is made once, then every read gathers them from there.
// The source owns the outer file's source. Inside another member's data,
// data of at most kHeld bytes is held in memory and the levels above are let
// go; larger data has its index carried through to the file the other
// reads. Either way a nesting however deep reads in one layer, not one more
// for every level.
class MemberDataSource : public ByteSource {
  public:
    // member null: the sequential dataset. name is what the source is called.
    static Result<std::unique_ptr<MemberDataSource>> Open(std::unique_ptr<ByteSource> outer,
                                                          const XmitInfo& info,
                                                          const MemberEntry* member,
                                                          std::string name);

    std::int64_t Size() const override { return size_; }
    Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
    std::string Name() const override { return name_; }
    std::size_t PieceCount() const { return pieces_.size(); }
    // What the reads go to.
    const ByteSource& Outer() const { return *outer_; }

    // Bytes of the outer file read at once, gaps between pieces included.
    static constexpr std::size_t kSpan = 64 * 1024;
    static constexpr std::int64_t kHeld = 8 << 20;

  private:
    MemberDataSource(std::unique_ptr<ByteSource> outer, std::vector<DataPiece> pieces,
                     std::int64_t size, std::string name)
        : outer_(std::move(outer)),
          pieces_(std::move(pieces)),
          size_(size),
          name_(std::move(name)) {}
    // The pieces, given in this source's bytes, as places in the file this
    // source reads; false when one lies outside this source.
    bool Through(std::vector<DataPiece>& pieces, std::int64_t size) const;
    std::int64_t PieceEnd(std::size_t i) const {
        return i + 1 < pieces_.size() ? pieces_[i + 1].Offset : size_;
    }

    std::unique_ptr<ByteSource> outer_;
    std::vector<DataPiece> pieces_;
    std::int64_t size_;
    std::string name_;
    std::vector<std::uint8_t> span_;
};

}  // namespace corvane
