#include "container/RecordLayout.h"

namespace corvane {

void RecordLayout::Add(std::int64_t offset, std::uint32_t length, bool startsRecord) {
    if (startsRecord || records_.empty()) records_.push_back({pieces_.size(), 0});
    if (!pieces_.empty() && !startsRecord &&
        pieces_.back().Offset + pieces_.back().Length == offset &&
        pieces_.back().Length + static_cast<std::uint64_t>(length) <= UINT32_MAX) {
        pieces_.back().Length += length;  // the next bytes of the same piece
    } else {
        pieces_.push_back({offset, length});
    }
    records_.back().Length += length;
}

}  // namespace corvane
