#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/RecordLayout.h"
#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane {

// How the records of a dataset are laid out in the bytes that hold it.

// Variable-length segments, each with its 4-byte descriptor (length, segment
// code): inside blocks with their block descriptors (withBlocks, as a tape
// carries them) or one after another. Spanned records are joined; no
// descriptor is part of a record.
Result<RecordLayout> IndexSegments(ByteSource& source, bool withBlocks);
// Blocks with their block descriptors, each block one record as it stands.
Result<RecordLayout> IndexBlocks(ByteSource& source);
// Records with their record descriptors, each one record, descriptor included.
Result<RecordLayout> IndexDescribedRecords(ByteSource& source);
// The bytes cut into records of chunk bytes (the last may be shorter).
RecordLayout FixedRecords(std::int64_t size, std::uint32_t chunk);
// Blocks of these lengths, one after another, each one record.
RecordLayout ListedBlocks(const std::vector<std::uint32_t>& lengths);

}  // namespace corvane
