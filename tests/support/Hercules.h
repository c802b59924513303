#pragma once

#include <filesystem>
#include <string>

#include "XmitBuilder.h"

// Hercules, an independent reader, as the host's side on the PC: its disk
// loader takes an XMIT file as RECEIVE would, and its disk reader gives a
// member's bytes back.
namespace corvane::testing {

bool HerculesPresent();
// Loads the file as dataset dsn into a new 3390 image; false with the
// loader's messages in log when it refuses.
bool HerculesLoad(const std::filesystem::path& xmit, const std::string& dsn,
                  const std::filesystem::path& image, std::string& log);
// The member's bytes as the loaded dataset holds them.
Bytes HerculesMember(const std::filesystem::path& image, const std::string& dsn,
                     const std::string& member);

}  // namespace corvane::testing
