#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace corvane {

// What went wrong, in the words the user is shown. The windows and the
// command-line tool decide how: a message box, the error window, stderr.
struct Error {
    enum class Kind {
        NotXmit,      // the file does not start like a transmission
        Unsupported,  // a transmission of a kind that is not read (VSAM)
        Damaged,      // the file's structure is broken; the decode context says where
        Io,           // the file system refused (open, read, write, rename)
        Usage,        // the request itself is wrong (no such member, bad option)
    };
    Kind What = Kind::Damaged;
    std::string Caption;  // a message box's caption, or the error window's title bar
    std::string Title;    // first line ("Error while decoding")
    std::string Reason;   // what was being read ("INMR02 record")
    std::string Message;  // the failure itself
    // For an unsupported file: the error window's first detail line, which
    // follows the message box that says what is not supported.
    std::string Detail;
    // Where a damaged file failed; -1 where it does not apply.
    std::int64_t Offset = -1;
    std::int64_t FileSize = -1;
    std::int32_t SegmentLength = -1;
    std::int32_t SegmentFlags = -1;
    // The stretch of the file a failed read was given.
    std::int64_t RangeStart = -1;
    std::int64_t RangeEnd = -1;

    // An error that is its message alone.
    static Error Plain(Kind kind, std::string message, std::string caption = "Error") {
        Error e;
        e.What = kind;
        e.Caption = std::move(caption);
        e.Message = std::move(message);
        return e;
    }
};

// A value or the error that kept it from being made.
template <class T>
class Result {
  public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}

    bool Ok() const { return v_.index() == 0; }
    explicit operator bool() const { return Ok(); }
    T& Value() { return std::get<0>(v_); }
    const T& Value() const { return std::get<0>(v_); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    const Error& Err() const { return std::get<1>(v_); }

  private:
    std::variant<T, Error> v_;
};

// Success carries nothing.
struct Done {};
using Status = Result<Done>;
inline Status Success() {
    return Done{};
}

}  // namespace corvane
