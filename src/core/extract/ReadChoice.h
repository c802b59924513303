#pragma once

#include "decode/XmitInfo.h"

namespace corvane {

// Whether members are read as text or as their bytes, one rule for the
// windows, the command line and repack.

// Automatic: text for fixed-length records, binary for every other format.
bool AutoReadsAsText(const DatasetInfo& dataset);
// Text can be chosen at all: fixed records, or variable ones (a line per
// record); undefined-length records are read only as binary.
bool TextOffered(const DatasetInfo& dataset);

}  // namespace corvane
