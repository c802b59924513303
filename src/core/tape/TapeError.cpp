#include "tape/TapeError.h"

namespace corvane::tape {

Error Damage(const std::string& message, std::int64_t offset) {
    Error e;
    e.What = Error::Kind::Damaged;
    e.Caption = "Tape image";
    e.Title = "Error while reading the tape image";
    e.Reason = "tape image";
    e.Message = message;
    e.Offset = offset;
    return e;
}

Error ReadFailure(const Error& cause) {
    Error e = cause;
    e.What = Error::Kind::Io;
    if (e.Caption.empty()) e.Caption = "Error reading file";
    return e;
}

Error EndsEarly(std::int64_t offset, std::int64_t fileSize) {
    Error e;
    e.What = Error::Kind::Io;
    e.Caption = "Error reading file";
    e.Message = "The tape image ends early: bytes at offset " + std::to_string(offset) +
                " could not be read (the file is " + std::to_string(fileSize) + " bytes)";
    e.Offset = offset;
    e.FileSize = fileSize;
    return e;
}

}  // namespace corvane::tape
