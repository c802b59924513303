#include "container/SequentialData.h"

#include "container/RecordIndex.h"
#include "container/XmitFraming.h"
#include "tape/TapeImage.h"
#include "terse/TerseHeader.h"

namespace corvane {

namespace {
constexpr std::uint32_t kLongestRecord = 32760;

// Fixed records travel in chunks of whole records.
std::uint32_t FixedChunk(std::uint32_t lrecl, std::uint32_t blksize) {
    if (lrecl == 0) return kLongestRecord;
    if (blksize >= lrecl && blksize % lrecl == 0) return blksize;
    return lrecl * std::max<std::uint32_t>(1, kLongestRecord / lrecl);
}
}  // namespace

std::uint16_t RecfmBits(const std::string& recfm) {
    std::uint16_t bits = 0;
    if (recfm.empty()) return 0xC000;
    switch (recfm[0]) {
        case 'F':
            bits = 0x8000;
            break;
        case 'V':
            bits = 0x4000;
            break;
        default:
            bits = 0xC000;
            break;
    }
    for (char c : recfm.substr(1)) {
        if (c == 'B') bits |= 0x1000;
        if (c == 'S') bits |= 0x0800;
        if (c == 'A') bits |= 0x0400;
        if (c == 'M') bits |= 0x0200;
    }
    return bits;
}

SequentialPlan PlanForTapeFile(const TapeFileInfo& file) {
    SequentialPlan plan;
    plan.Recfm = file.Recfm.empty() ? "U" : file.Recfm;
    plan.Lrecl = file.Lrecl;
    plan.Blksize = file.Blksize;
    plan.Dsn = file.Dsn;
    switch (plan.Recfm[0]) {
        case 'F':
            plan.How = SequentialPlan::Layout::Fixed;
            break;
        case 'V':
            plan.How = SequentialPlan::Layout::Blocks;
            break;
        default:
            plan.How = SequentialPlan::Layout::Listed;
            break;
    }
    return plan;
}

SequentialPlan PlanForTerse(const TerseHeader& header, std::string dsn) {
    SequentialPlan plan;
    plan.How = header.Variable ? SequentialPlan::Layout::Described : SequentialPlan::Layout::Fixed;
    plan.Recfm = header.Variable ? "VB" : "FB";
    plan.Lrecl = header.Lrecl();
    plan.Blksize = header.BlockSize;
    plan.Dsn = std::move(dsn);
    return plan;
}

std::string TapeFileName(const TapeFileInfo& file) {
    if (!file.Dsn.empty()) return file.Dsn;
    std::string number = std::to_string(file.Number);
    if (number.size() < 4) number.insert(0, 4 - number.size(), '0');
    return "FILE" + number;
}

Result<OpenedSequential> OpenSequential(std::unique_ptr<ByteSource> data,
                                        const SequentialPlan& plan, TapeImage* tape,
                                        std::optional<std::size_t> tapeFile,
                                        const ParseOptions& options) {
    FramedDataset dataset;
    dataset.Recfm = RecfmBits(plan.Recfm);
    dataset.Lrecl = plan.Lrecl;
    dataset.Blksize = plan.Blksize;
    // Undefined-length blocks: as the tape lists them, or in chunks.
    auto asBlocks = [&]() -> Result<RecordLayout> {
        if (tape && tapeFile) {
            auto lengths = tape->BlockLengths(*tapeFile);
            if (!lengths) return lengths.Err();
            return ListedBlocks(lengths.Value());
        }
        return FixedRecords(data->Size(), kLongestRecord);
    };
    std::optional<std::string> mismatch;
    Result<RecordLayout> layout = [&]() -> Result<RecordLayout> {
        switch (plan.How) {
            case SequentialPlan::Layout::Fixed:
                return FixedRecords(data->Size(), FixedChunk(plan.Lrecl, plan.Blksize));
            case SequentialPlan::Layout::Blocks:
                return IndexBlocks(*data);
            case SequentialPlan::Layout::Described:
                return IndexDescribedRecords(*data);
            case SequentialPlan::Layout::Listed:
                break;
        }
        return asBlocks();
    }();
    if (!layout && layout.Err().What == Error::Kind::Damaged &&
        plan.How != SequentialPlan::Layout::Listed) {
        mismatch = layout.Err().Message;
        dataset.Recfm = 0xC000;
        dataset.Lrecl = 0;
        layout = asBlocks();
    }
    if (!layout) return layout.Err();
    auto framed =
        std::make_unique<XmitFraming>(std::move(data), dataset, std::move(layout.Value()));
    auto parsed = ParseXmit(*framed, options);
    if (!parsed) return parsed.Err();
    OpenedSequential opened;
    opened.Info = std::move(parsed.Value());
    opened.Info.Dataset.Name = plan.Dsn;
    opened.Info.Dataset.NameSent = !plan.Dsn.empty();
    opened.Info.Dataset.Recfm.BlockRecords =
        !mismatch && plan.How == SequentialPlan::Layout::Blocks;
    if (mismatch) {
        opened.Info.Notices.push_back({"The records do not match the record format " + plan.Recfm +
                                           " (" + *mismatch +
                                           "): the data is shown as undefined-length blocks",
                                       1});
    }
    opened.Framed = std::move(framed);
    return opened;
}

}  // namespace corvane
