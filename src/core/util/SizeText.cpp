#include "util/SizeText.h"

namespace corvane {

std::string SizeText(std::int64_t bytes) {
    if (bytes <= 1024) return std::to_string(bytes) + " bytes";
    std::string k = std::to_string(bytes / 1024);
    if (k.size() > 3) return k.substr(0, k.size() - 3) + "," + k.substr(k.size() - 3) + " k";
    return k + " k";
}

}  // namespace corvane
