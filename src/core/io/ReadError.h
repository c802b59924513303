#pragma once

#include <stdexcept>
#include <string>

namespace corvane {

// Raised when a read runs past the end of a file or the file cannot be read.
// Callers catch it at the command boundary and show its message.
class ReadError : public std::runtime_error {
  public:
    explicit ReadError(const std::string& what) : std::runtime_error(what) {}
};

// Raised when an output file does not take all the bytes written to it.
class WriteError : public std::runtime_error {
  public:
    explicit WriteError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace corvane
