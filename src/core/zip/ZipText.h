#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Converts a name stored in a zip archive to UTF-8 for display: from code
// page 437 when the archive was made on MS-DOS or OS/2, otherwise kept as
// UTF-8 when it is, else read as ISO 8859-1.
std::string ZipNameToUtf8(std::string_view raw, bool oem);
std::string Cp437ToUtf8(std::string_view raw);
bool IsValidUtf8(std::string_view s);
void AppendUtf8(std::string& out, unsigned codePoint);

}  // namespace corvane
