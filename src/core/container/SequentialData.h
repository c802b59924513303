#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/XmitParser.h"
#include "io/ByteSource.h"
#include "util/Result.h"

namespace corvane {

class TapeImage;
struct TapeFileInfo;
struct TerseHeader;

// How the data of a tape file or of a TERSE file reads as a sequential
// dataset when it holds nothing else known.
struct SequentialPlan {
    enum class Layout {
        Fixed,      // records of the record length, one after another
        Blocks,     // variable-length blocks with their block descriptors, as on tape
        Described,  // variable-length records, each with its record descriptor
        Listed,     // undefined-length blocks, as the tape lists them
    };
    Layout How = Layout::Listed;
    std::string Recfm;  // "FB", "VS", "U"...
    std::uint32_t Lrecl = 0;
    std::uint32_t Blksize = 0;
    std::string Dsn;  // the dataset's name where a label gives it
};

SequentialPlan PlanForTapeFile(const TapeFileInfo& file);
SequentialPlan PlanForTerse(const TerseHeader& header, std::string dsn);
// What a tape file is called: its dataset name, or FILE and its place.
std::string TapeFileName(const TapeFileInfo& file);
// The INMRECFM bits of a record format such as "VBS".
std::uint16_t RecfmBits(const std::string& recfm);

struct OpenedSequential {
    std::unique_ptr<ByteSource> Framed;
    XmitInfo Info;
};
// The data read by its plan: its records framed as a sequential transmission
// and parsed. Data whose records do not match the plan's record format opens
// as undefined-length records, with a note that says so. tape and tapeFile
// give a tape file's block lengths.
Result<OpenedSequential> OpenSequential(std::unique_ptr<ByteSource> data,
                                        const SequentialPlan& plan, TapeImage* tape,
                                        std::optional<std::size_t> tapeFile,
                                        const ParseOptions& options);

}  // namespace corvane
