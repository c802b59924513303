#include "unload/UnloadLibrary.h"

#include "container/RecordIndex.h"
#include "decode/S390format.h"

namespace corvane {

namespace {
constexpr std::uint8_t kCopyr1Mark[3] = {0xCA, 0x6D, 0x0F};

bool MarkAt(const std::uint8_t* p) {
    return p[0] == kCopyr1Mark[0] && p[1] == kCopyr1Mark[1] && p[2] == kCopyr1Mark[2];
}

std::uint32_t Field(const std::uint8_t* p, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

Error UnloadError(const std::string& message) {
    Error e;
    e.What = Error::Kind::Damaged;
    e.Caption = "Error";
    e.Title = "Error while decoding";
    e.Reason = "IEBCOPY unload record COPYR1";
    e.Message = message;
    return e;
}
}  // namespace

bool LooksLikeUnload(const std::uint8_t* head, std::size_t n, bool* blocks) {
    // Records with RDWs: LL LL 0s 00, COPYR1 flags, CA 6D 0F.
    if (n >= 8 && head[2] <= 1 && head[3] == 0 && MarkAt(head + 5)) {
        const std::uint32_t length = Field(head, 2);
        if (length >= 4 + 52) {
            if (blocks) *blocks = false;
            return true;
        }
    }
    // Blocks: BDW LL LL 00 00, then the segment's SDW, then COPYR1.
    if (n >= 12 && head[2] == 0 && head[3] == 0 && head[6] <= 1 && head[7] == 0 &&
        MarkAt(head + 9)) {
        const std::uint32_t block = Field(head, 2);
        const std::uint32_t segment = Field(head + 4, 2);
        if (segment >= 4 + 52 && block >= segment + 4) {
            if (blocks) *blocks = true;
            return true;
        }
    }
    return false;
}

Result<OpenedUnload> OpenUnload(std::unique_ptr<ByteSource> source, const ParseOptions& options,
                                std::vector<std::string>* headerDump) {
    std::uint8_t head[12] = {};
    auto got = source->ReadAt(0, head, sizeof head);
    if (!got) return got.Err();
    OpenedUnload opened;
    if (!LooksLikeUnload(head, got.Value(), &opened.Facts.Blocks)) {
        return UnloadError("IEBCOPY unload record COPYR1 not recognised");
    }
    auto layout = IndexSegments(*source, opened.Facts.Blocks);
    if (!layout) return layout.Err();
    const RecordLayout& records = layout.Value();
    if (records.Records().empty() || records.Pieces().empty()) {
        return UnloadError("The unload holds no records");
    }
    opened.Facts.Records = records.Records().size();
    opened.Facts.Copyr1Length = static_cast<std::size_t>(records.Records()[0].Length);
    // The dataset's attributes, from COPYR1: DS1DSORG, DS1BLKL, DS1LRECL, DS1RECFM.
    std::uint8_t copyr1[14] = {};
    const RecordLayout::Piece& first = records.Pieces()[0];
    if (first.Length < sizeof copyr1) return UnloadError("IEBCOPY unload record COPYR1 too short");
    auto read = source->ReadAt(first.Offset, copyr1, sizeof copyr1);
    if (!read) return read.Err();
    if (read.Value() != sizeof copyr1 || !MarkAt(copyr1 + 1)) {
        return UnloadError("IEBCOPY unload record COPYR1 not recognised");
    }
    FramedDataset dataset;
    dataset.Unload = true;
    dataset.Extended = (copyr1[0] & 0x01) != 0;
    dataset.Blksize = Field(copyr1 + 6, 2);
    dataset.Lrecl = Field(copyr1 + 8, 2);
    dataset.Recfm = static_cast<std::uint16_t>(copyr1[10] << 8);
    auto framed =
        std::make_unique<XmitFraming>(std::move(source), dataset, std::move(layout.Value()));
    auto parsed = ParseXmit(*framed, options, headerDump);
    if (!parsed) return parsed.Err();
    opened.Info = std::move(parsed.Value());
    opened.Framed = std::move(framed);
    return opened;
}

}  // namespace corvane
