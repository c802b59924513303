#pragma once

#include <cstdint>
#include <vector>

namespace corvane {

// Where the logical records of a dataset lie in the bytes that hold it: each
// record is one or more pieces (a spanned record's segments lie apart).
class RecordLayout {
  public:
    struct Piece {
        std::int64_t Offset = 0;
        std::uint32_t Length = 0;
    };
    struct Record {
        std::size_t FirstPiece = 0;
        std::uint64_t Length = 0;
    };

    // A piece that starts a new record, or one that goes on with the last.
    void Add(std::int64_t offset, std::uint32_t length, bool startsRecord);
    const std::vector<Record>& Records() const { return records_; }
    const std::vector<Piece>& Pieces() const { return pieces_; }
    std::size_t PieceEnd(std::size_t record) const {
        return record + 1 < records_.size() ? records_[record + 1].FirstPiece : pieces_.size();
    }
    void ShrinkToFit() {
        records_.shrink_to_fit();
        pieces_.shrink_to_fit();
    }

  private:
    std::vector<Record> records_;
    std::vector<Piece> pieces_;
};

}  // namespace corvane
