#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "extract/MemberReader.h"
#include "extract/Sinks.h"

namespace corvane {

// Raised when the data of a read is damaged; the reader reports it.
struct ReadFailure {
    std::string Text;
};

// Cuts the data of one read into the pieces its sink takes: fixed slices, or
// the logical records of variable-length data.
class RecordSplitter {
  public:
    virtual ~RecordSplitter() = default;
    // An XMIT record of sequential data starts or ends.
    virtual void StartRecord() {}
    virtual bool EndRecord() { return true; }
    // The segment whose data the next Bytes calls point into: its data
    // starts at base, at this offset of the file.
    virtual void SegmentAt(const std::uint8_t* /*base*/, std::int64_t /*offset*/) {}
    // A block of member data starts (its length from the count field).
    virtual bool Block(std::size_t /*length*/) { return true; }
    virtual bool Bytes(const std::uint8_t* p, std::size_t n) = 0;
    // The data has ended normally.
    virtual bool Finish() = 0;
};

// Slices of a fixed length; the last one may be shorter, even empty (unless
// keepEmpty is false).
class FixedSlices : public RecordSplitter {
  public:
    FixedSlices(Sink& sink, std::size_t slice, bool keepEmpty = true)
        : sink_(sink), slice_(slice), keepEmpty_(keepEmpty), buffer_(slice + 2) {}
    bool Bytes(const std::uint8_t* p, std::size_t n) override;
    bool Finish() override {
        return (filled_ == 0 && !keepEmpty_) || sink_.Take(buffer_.data(), filled_);
    }

  private:
    Sink& sink_;
    std::size_t slice_;
    bool keepEmpty_;
    std::vector<std::uint8_t> buffer_;
    std::size_t filled_ = 0;
};

// No bytes pass: where they lie in the file is noted, contiguous stretches
// as one piece.
class PieceIndex : public RecordSplitter {
  public:
    PieceIndex(std::vector<DataPiece>& pieces, std::int64_t& total)
        : pieces_(pieces), total_(total) {}
    void SegmentAt(const std::uint8_t* base, std::int64_t offset) override {
        base_ = base;
        offset_ = offset;
    }
    bool Bytes(const std::uint8_t* p, std::size_t n) override;
    bool Finish() override { return true; }

  private:
    std::vector<DataPiece>& pieces_;
    std::int64_t& total_;
    const std::uint8_t* base_ = nullptr;
    std::int64_t offset_ = 0;
};

// Variable-length records: in member data each block starts with its block
// descriptor word and holds records that start with record descriptor words
// (spanned records in segments); in sequential data each XMIT record is one
// logical record, with or without its descriptor word. Descriptor bytes never
// reach the sink. where() gives the file offset for error texts.
class VariableRecords : public RecordSplitter {
  public:
    VariableRecords(Sink& sink, bool blocks, bool descriptors, std::size_t maxRecord,
                    const std::int64_t& where)
        : sink_(sink), blocks_(blocks), descriptors_(descriptors), max_(maxRecord), where_(where) {}
    void StartRecord() override;
    bool EndRecord() override;
    bool Block(std::size_t length) override;
    bool Bytes(const std::uint8_t* p, std::size_t n) override;
    bool Finish() override;

  private:
    enum class State { Bdw, Rdw, Data, Skip };
    [[noreturn]] void Damaged(const std::string& what) const;
    void Append(const std::uint8_t* p, std::size_t n);
    bool Emit();
    bool RecordDescriptorDone();
    bool DataDone();

    Sink& sink_;
    bool blocks_;
    bool descriptors_;
    std::size_t max_;
    const std::int64_t& where_;
    State state_ = State::Skip;
    std::uint8_t head_[4] = {};
    std::size_t have_ = 0;
    std::size_t blockLeft_ = 0;  // bytes of the block after its descriptor
    std::size_t dataLeft_ = 0;   // bytes of the current segment's data
    std::uint8_t segment_ = 0;   // the RDW's segment code: 0 whole, 1 first, 2 last, 3 middle
    bool spanning_ = false;      // a spanned record has begun and not ended
    bool inRecord_ = false;      // sequential data: an XMIT record has begun
    std::vector<std::uint8_t> record_;
    std::size_t recordLength_ = 0;
};

// Each record of sequential data is one whole block with its descriptors:
// handed to the splitter of blocks when it ends.
class WholeBlocks : public RecordSplitter {
  public:
    explicit WholeBlocks(std::unique_ptr<RecordSplitter> blocks) : blocks_(std::move(blocks)) {}
    void StartRecord() override { block_.clear(); }
    bool EndRecord() override {
        return blocks_->Block(block_.size()) && blocks_->Bytes(block_.data(), block_.size());
    }
    bool Bytes(const std::uint8_t* p, std::size_t n) override {
        block_.insert(block_.end(), p, p + n);
        return true;
    }
    bool Finish() override { return blocks_->Finish(); }

  private:
    std::unique_ptr<RecordSplitter> blocks_;
    std::vector<std::uint8_t> block_;
};

}  // namespace corvane
