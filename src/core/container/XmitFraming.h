#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "container/RecordLayout.h"
#include "io/ByteSource.h"

namespace corvane {

// What a dataset that came without a transmission around it is, for the
// control records the framing writes in front of its records.
struct FramedDataset {
    bool Unload = false;      // the records are an IEBCOPY unload (a library)
    bool Extended = false;    // the library was a PDSE
    std::uint16_t Recfm = 0;  // in the form of the INMRECFM text unit
    std::uint32_t Lrecl = 0;
    std::uint32_t Blksize = 0;
};

// A dataset's records in the transport form of an XMIT file: control records
// in front, each record cut into segments, the trailer behind. It is how a raw
// IEBCOPY unload, a tape file or the data a TERSE file holds is read by the
// same decoder and member reader as a transmission. Nothing is copied: reads
// gather the records' bytes from the source that holds them.
class XmitFraming : public ByteSource {
  public:
    XmitFraming(std::unique_ptr<ByteSource> base, const FramedDataset& dataset,
                RecordLayout records);

    std::int64_t Size() const override { return size_; }
    Result<std::size_t> ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
    std::string Name() const override { return base_->Name(); }

    // The most data bytes one segment carries.
    static constexpr std::size_t kSegmentData = 253;

  private:
    static std::int64_t FramedLength(std::uint64_t length) {
        const std::uint64_t segments = length == 0 ? 1 : (length + kSegmentData - 1) / kSegmentData;
        return static_cast<std::int64_t>(length + 2 * segments);
    }
    std::size_t RecordAt(std::int64_t offset);
    Status ReadRecordData(std::size_t record, std::uint64_t from, std::uint64_t to);

    std::unique_ptr<ByteSource> base_;
    RecordLayout layout_;
    std::vector<std::uint8_t> head_;
    std::vector<std::uint8_t> trailer_;
    std::vector<std::int64_t> starts_;  // where each record starts in the framed bytes
    std::int64_t recordsEnd_ = 0;
    std::int64_t size_ = 0;
    std::size_t cursor_ = 0;  // the record the last read ended in
    std::vector<std::uint8_t> scratch_;
};

}  // namespace corvane
