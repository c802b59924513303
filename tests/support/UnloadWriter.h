#pragma once

#include <vector>

#include "XmitBuilder.h"

// Raw IEBCOPY unloads for tests and fuzz seeds, made from the unload records
// of a transmission the builder wrote.
namespace corvane::testing {

// The data records of a transmission's last file: its segments joined.
std::vector<Bytes> DataRecords(const Bytes& xmit);
// Each record behind its record descriptor word.
Bytes WithRecordDescriptors(const std::vector<Bytes>& records);
// VS blocks of at most blksize bytes; a record that does not fit the room
// left is spanned over the next blocks.
Bytes InSpannedBlocks(const std::vector<Bytes>& records, std::size_t blksize);

}  // namespace corvane::testing
