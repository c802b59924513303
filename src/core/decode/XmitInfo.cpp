#include "decode/XmitInfo.h"

namespace corvane {

std::string RecordFormat::Text() const {
    if (Kind == '\0') return std::string();
    std::string s(1, Kind);
    if (Blocked) s += 'B';
    return s;
}

std::string LoadModuleAttributes::AddressingMode() const {
    const int mode = ModeFlags & 0x03;
    return mode <= 1 ? "24" : mode == 2 ? "31" : "ANY";
}

std::string LoadModuleAttributes::ResidenceMode() const {
    return (ModeFlags & 0x10) ? "ANY" : "24";
}

std::vector<std::string> LoadModuleAttributes::AttributeNames() const {
    const std::uint8_t a = AttributeFlags;
    std::vector<std::string> names;
    if (!(a & 0x02)) names.push_back("NX");
    if (a & 0x04) names.push_back("SC");
    if (a & 0x08) names.push_back("OL");
    if (a & 0x10) names.push_back("TS");
    if (a & 0x20) names.push_back("OV");
    if (a & 0x40) names.push_back("RU");
    if (a & 0x80) names.push_back("RN");
    return names;
}

}  // namespace corvane
