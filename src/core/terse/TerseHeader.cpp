#include "terse/TerseHeader.h"

namespace corvane {

namespace {
constexpr std::uint32_t kLongestRecord = 32760;

std::uint32_t Field(const std::uint8_t* p, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

Error HeaderError(const std::string& message) {
    Error e;
    e.What = Error::Kind::Damaged;
    e.Caption = "Error";
    e.Title = "Error while unpacking";
    e.Reason = "TERSE header";
    e.Message = message;
    return e;
}
}  // namespace

Result<TerseHeader> ReadTerseHeader(const std::uint8_t* head, std::size_t n) {
    if (n < kTerseHeaderSize) return HeaderError("TERSE header cut short");
    TerseHeader h;
    switch (head[0]) {
        case 0x02:
            h.Spack = false;
            break;
        case 0x05:
            h.Spack = true;
            break;
        case 0x01:
        case 0x07:
            return HeaderError("TERSE files in the native form are not read");
        default:
            return HeaderError("Unknown TERSE version " + std::to_string(head[0]));
    }
    if (head[1] > 1) return HeaderError("Unknown TERSE record format " + std::to_string(head[1]));
    h.Variable = head[1] == 1;
    if ((head[4] & 0x04) == 0 && Field(head + 4, 4) != 0) {
        return HeaderError("TERSE header flags without the MVS bit carry other values");
    }
    const std::uint32_t shortLength = Field(head + 2, 2);
    const std::uint32_t longLength = Field(head + 8, 4);
    if (shortLength == 0 && longLength == 0)
        return HeaderError("TERSE header gives no record length");
    if (shortLength != 0 && longLength != 0 && shortLength != longLength) {
        return HeaderError("TERSE header gives two record lengths");
    }
    h.RecordLength = shortLength != 0 ? shortLength : longLength;
    if (h.Lrecl() > kLongestRecord) {
        return HeaderError("TERSE record length " + std::to_string(h.RecordLength) +
                           " is too large");
    }
    h.BlockSize = Field(head + 6, 2);
    return h;
}

bool LooksLikeTerse(const std::uint8_t* head, std::size_t n) {
    if (n < kTerseHeaderSize + 2 || (head[0] != 0x02 && head[0] != 0x05)) return false;
    if (!ReadTerseHeader(head, n)) return false;
    // SPACK starts with no dictionary: its first code is the end or a byte.
    const std::uint32_t code = (static_cast<std::uint32_t>(head[12]) << 4) | (head[13] >> 4);
    return head[0] == 0x02 || code <= 257;
}

}  // namespace corvane
