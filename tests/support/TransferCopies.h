#pragma once

#include <string>

#include "XmitBuilder.h"

// Copies of a file as transfers change them.
namespace corvane::testing {

// Each 80-byte card through the code page to ISO 8859-1 and followed by the
// line end, as a text-mode download makes it; trailing blanks removed when
// strip is set.
Bytes TextModeCopy(const Bytes& file, int codePage, const std::string& lineEnd = "\r\n",
                   bool strip = false);

}  // namespace corvane::testing
