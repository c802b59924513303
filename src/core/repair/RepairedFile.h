#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "io/AtomicWriter.h"
#include "io/ByteSource.h"
#include "repair/TransferRepair.h"
#include "util/Result.h"

namespace corvane::repair {

// Files up to this size are read whole to be repaired.
inline constexpr std::int64_t kMaxRepaired = std::int64_t{1} << 31;

// The file read and looked at for transfer damage; an error when it cannot
// be read (or is too large to repair).
Result<Repair> RepairFile(const std::filesystem::path& file, int codePage = -1);

// A repair and, when it was written, how the write went.
struct RepairWritten {
    Repair What;
    std::optional<AtomicWriter::Status> Write;
};

// The file repaired into output through the atomic writer: written when the
// repair is exact, or with salvage when it is not (what could be restored).
// A text-mode copy of whole cards is repaired a stretch at a time, at any
// size; any other is read whole (2 GiB at most). Bytes are left empty.
Result<RepairWritten> RepairFileInto(const std::filesystem::path& file, int codePage,
                                     const std::filesystem::path& output, bool salvage,
                                     const AtomicWriteOptions& options = {});

// What opening a file that parsed as it stands should say about padding
// after its end, or nothing. Reads only the file's last card when that holds
// the closing record (or the parse found where it ends).
std::string PaddingNote(ByteSource& source, std::int64_t trailerEnd);

}  // namespace corvane::repair
