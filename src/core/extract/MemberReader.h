#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decode/XmitInfo.h"
#include "io/ByteSource.h"
#include "ports/LineTarget.h"
#include "ports/Progress.h"
#include "text/CodePage.h"
#include "util/Result.h"

namespace corvane {

class BufferedReader;

enum class ReadForm {
    Text,    // EBCDIC translated, cut into records of the record length
    Hex,     // a hex dump in blocks of 1024 bytes (viewers only)
    Binary,  // the data bytes as the mainframe holds them (files only)
};

// Where the binary bytes of a read lie in the file: from Offset (counted in
// the read's bytes) up to the next piece's Offset they are at FileOffset on.
// One block of a member as its count field gives it.
struct BlockMark {
    std::uint32_t Length = 0;
    std::uint32_t CylinderHead = 0;  // CC << 16 | HH
    std::uint8_t Record = 0;
};

struct DataPiece {
    std::int64_t Offset = 0;
    std::int64_t FileOffset = 0;
};

// One read: what, how and where to.
// What a failed read had made before the damage.
struct PartialRead {
    std::int64_t Records = 0;  // whole records (text lines) kept; -1 for variable binary data
    std::int64_t Bytes = 0;
    std::int64_t DamageAt = 0;  // where in the file the read failed
};

struct ReadRequest {
    // The member to read; null reads the sequential dataset.
    const MemberEntry* Member = nullptr;
    ReadForm Form = ReadForm::Binary;
    // Text records are cut to this many characters; below 0, not cut.
    std::int32_t RecordCut = -1;
    // Exactly one of these: the lines of a viewer, bytes in memory (text
    // with CR LF line ends, or binary), an output file, or (binary only) the
    // places of the bytes instead of the bytes.
    LineTarget* Lines = nullptr;
    std::vector<std::uint8_t>* Bytes = nullptr;
    std::vector<DataPiece>* Pieces = nullptr;
    std::filesystem::path OutputFile;
    // A binary read of a member: each block's length and address, too.
    std::vector<BlockMark>* Blocks = nullptr;
    // What the read is called in errors and as the hex dump's title.
    std::string Name;
    // How text becomes characters; null is the program's table.
    const CodePage* Characters = nullptr;
    // Text lines keep control characters as they are instead of showing
    // them as visible symbols.
    bool KeepControls = false;
    // Only the records there are: fixed-length text ends without the empty
    // slice after the last record that views and text files show.
    bool RecordsOnly = false;
    // On damage, what was read before it is kept (the output file is
    // written with it) and said here; the read still fails.
    PartialRead* Partial = nullptr;
};

struct ReadSummary {
    bool Cancelled = false;
    std::int64_t Bytes = 0;  // bytes produced: the size of the file written or shown
};

// Reads members (or the sequential dataset) of a parsed file, one request at
// a time. Output files appear under their name only when the read ends well
// or is cancelled; a failed read leaves no file and an older one untouched.
class MemberReader {
  public:
    MemberReader(ByteSource& source, const XmitInfo& info);
    ~MemberReader();
    MemberReader(const MemberReader&) = delete;
    MemberReader& operator=(const MemberReader&) = delete;
    Result<ReadSummary> Read(const ReadRequest& request, Progress& progress);

    static constexpr std::size_t kBinarySlice = 1024;
    // Far above any real record length (32,760); a larger one is damage.
    static constexpr std::uint32_t kMaxTextRecord = 1u << 20;

  private:
    ByteSource& source_;
    const XmitInfo& info_;
    // One buffer for every read: members read one after another (extracting
    // a whole library) mostly find their bytes in it already.
    std::unique_ptr<BufferedReader> in_;
};

}  // namespace corvane
