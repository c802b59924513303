#include "container/Content.h"

#include "decode/XmitParser.h"
#include "tape/TapeImage.h"
#include "terse/TerseHeader.h"
#include "unload/UnloadLibrary.h"

namespace corvane {

namespace {
bool LooksLikeZip(const std::uint8_t* head, std::size_t n) {
    return n >= 4 && head[0] == 'P' && head[1] == 'K' &&
           ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}
}  // namespace

// The order matters only where signatures are weak: the TERSE header comes last.
Content SniffContent(const std::uint8_t* head, std::size_t n) {
    if (LooksLikeXmit(head, n)) return Content::Xmit;
    if (LooksLikeZip(head, n)) return Content::Zip;
    if (LooksLikeUnload(head, n)) return Content::Unload;
    if (LooksLikeTape(head, n)) return Content::Tape;
    if (LooksLikeTerse(head, n)) return Content::Terse;
    return Content::Unknown;
}

Content HeldContent(const std::uint8_t* head, std::size_t n) {
    if (StartsWithXmitHeader(head, n)) return Content::Xmit;
    const Content sniffed = SniffContent(head, n);
    return sniffed == Content::Xmit ? Content::Unknown : sniffed;
}

Result<Content> SniffSource(ByteSource& source) {
    std::uint8_t head[kSniffBytes] = {};
    auto got = source.ReadAt(0, head, sizeof head);
    if (!got) return got.Err();
    return SniffContent(head, got.Value());
}

const char* ContentName(Content content) {
    switch (content) {
        case Content::Xmit:
            return "xmit";
        case Content::Zip:
            return "zip";
        case Content::Tape:
            return "tape";
        case Content::Unload:
            return "unload";
        case Content::Terse:
            return "terse";
        case Content::Unknown:
            break;
    }
    return nullptr;
}

}  // namespace corvane
