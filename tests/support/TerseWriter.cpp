#include "TerseWriter.h"

namespace corvane::testing {

Bytes TerseHeaderBytes(const TersePlan& plan) {
    const std::uint32_t length = plan.Variable ? plan.Lrecl - 4 : plan.Lrecl;
    return {static_cast<std::uint8_t>(plan.Spack ? 0x05 : 0x02),
            static_cast<std::uint8_t>(plan.Variable ? 0x01 : 0x00),
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length),
            0x0C,
            0x00,
            0x6D,
            0x10,
            0,
            0,
            0,
            0};
}

Bytes TerseCodeBytes(const std::vector<std::uint16_t>& codes) {
    Bytes out;
    for (std::size_t i = 0; i < codes.size(); i += 2) {
        const std::uint16_t a = codes[i];
        const std::uint16_t b = i + 1 < codes.size() ? codes[i + 1] : 0;
        out.push_back(static_cast<std::uint8_t>(a >> 4));
        out.push_back(static_cast<std::uint8_t>(((a & 0x0F) << 4) | (b >> 8)));
        if (i + 1 < codes.size()) out.push_back(static_cast<std::uint8_t>(b));
    }
    return out;
}

Bytes BuildTerse(const TersePlan& plan) {
    std::vector<std::uint16_t> codes;
    for (std::size_t r = 0; r < plan.Records.size(); ++r) {
        if (plan.Variable && r > 0) codes.push_back(257);
        for (std::uint8_t b : plan.Records[r]) codes.push_back(static_cast<std::uint16_t>(b + 1));
    }
    if (plan.EndCode) codes.push_back(0);
    Bytes out = TerseHeaderBytes(plan);
    const Bytes stream = TerseCodeBytes(codes);
    out.insert(out.end(), stream.begin(), stream.end());
    if (plan.PadTo > 0) {
        while (out.size() % plan.PadTo != 0) out.push_back(0x40);
    }
    return out;
}

}  // namespace corvane::testing
