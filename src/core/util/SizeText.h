#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// A file size as the windows show it: "N bytes" up to 1024, otherwise whole
// kilobytes with one thousands separator and " k" ("1,953 k").
std::string SizeText(std::int64_t bytes);

}  // namespace corvane
