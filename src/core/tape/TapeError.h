#pragma once

#include <cstdint>
#include <string>

#include "util/Result.h"

namespace corvane::tape {

// A tape image whose structure is broken at offset (-1: nowhere in particular).
Error Damage(const std::string& message, std::int64_t offset = -1);
// The image could not be read; cause is the source's own error.
Error ReadFailure(const Error& cause);
// The image's bytes stop before a structure they promise.
Error EndsEarly(std::int64_t offset, std::int64_t fileSize);

}  // namespace corvane::tape
