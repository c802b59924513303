#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tape/TapeChunks.h"
#include "tape/TapeInfo.h"
#include "util/Result.h"

namespace corvane::tape {

// The label text of a block: none when the block is not 80 bytes long.
using LabelReader = std::function<Result<std::optional<std::string>>(std::size_t block)>;

struct TapeLayout {
    TapeInfo Info;
    std::vector<PhysicalFile> Data;  // the blocks of each data file, as Info.Files
};

// Finds the data files among the physical files: after the labels of a
// labelled tape, or every non-empty file before two tapemarks of an
// unlabelled one. Byte counts are given where no block is compressed.
Result<TapeLayout> LayOut(const ChunkIndex& index, const LabelReader& label);

}  // namespace corvane::tape
