#include <iostream>

#include "Commands.h"

namespace corvane::cli {

int UnzipCommand(const std::string&, const std::string&, const std::string&, bool) {
    std::cerr << "zip archives are not yet supported\n";
    return 1;
}

}  // namespace corvane::cli
