#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace corvane::create {

using Bytes = std::vector<std::uint8_t>;

// The text units of one control record, in the order they are added.
class TextUnits {
  public:
    // Characters of the program's EBCDIC table (names, digits, letters).
    TextUnits& Text(std::uint16_t key, std::string_view text);
    TextUnits& Number(std::uint16_t key, std::uint64_t value, std::size_t size);
    // A dataset name: one item per qualifier.
    TextUnits& Name(std::uint16_t key, std::string_view dottedName);
    // A unit with no items (a flag such as the message file's).
    TextUnits& Flag(std::uint16_t key);
    const Bytes& Data() const { return data_; }

  private:
    void Item(const std::uint8_t* p, std::size_t n);
    void Start(std::uint16_t key, std::uint16_t count);
    Bytes data_;
};

// The program's EBCDIC for a text of names and digits.
Bytes Ebcdic(std::string_view text);

// Writes NETDATA records cut into segments of at most 255 bytes to a byte
// target, in buffers of a fixed size; the target returns false when it
// cannot take them (a full disk). The bytes a target is given stay as they
// are until it is called again, so it may write them while the next buffer
// is made; a call with no bytes asks it to be done with all it was given.
class NetdataOut {
  public:
    using Target = std::function<bool(const std::uint8_t*, std::size_t)>;
    explicit NetdataOut(Target target);
    // The target is done with the buffers before they go.
    ~NetdataOut();
    NetdataOut(const NetdataOut&) = delete;
    NetdataOut& operator=(const NetdataOut&) = delete;

    // A control record: "INMR0n", the file number for INMR02, the units.
    void Control(int number, const TextUnits& units, std::uint32_t fileNumber = 0);
    // A data record of one or more pieces (the pieces of a block, say), cut
    // into segments as one record.
    void Record(const std::uint8_t* data, std::size_t n);
    void BeginRecord();
    void Append(const std::uint8_t* data, std::size_t n);
    void EndRecord();
    // The closing INMR06, blank fill to a multiple of 80 bytes, and the
    // last buffer written.
    void Finish();
    std::uint64_t Written() const { return written_ + used_; }

  private:
    void Put(const std::uint8_t* p, std::size_t n);
    void Flush();
    void OpenSegment();
    void CloseSegment(bool last);

    Target target_;
    Bytes buffer_;
    Bytes spare_;  // the buffer last given to the target
    std::size_t used_ = 0;
    std::uint64_t written_ = 0;
    std::uint8_t flags_ = 0;   // the control-record flag of the record being written
    std::size_t segment_ = 0;  // where the open segment's header is
    std::size_t have_ = 0;     // its data bytes so far
    bool open_ = false;
    bool first_ = true;
};

// Thrown when the target refuses bytes.
struct WriteRefused {};

}  // namespace corvane::create
