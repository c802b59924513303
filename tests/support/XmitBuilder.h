#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Writes XMIT byte streams for tests and benchmarks: control records with
// any text units, message and sequential data records, and IEBCOPY unloads
// of partitioned datasets, all cut into segments as TRANSMIT writes them.
namespace corvane::testing {

using Bytes = std::vector<std::uint8_t>;

Bytes ToEbcdic(const std::string& text);
// RECORDS card images in EBCDIC: the letter C and the record's number, padded
// with blanks to 80 characters.
Bytes Cards(std::size_t records, char c);
Bytes BigEndian(std::uint64_t value, std::size_t size);

struct TextUnit {
    std::uint16_t Key = 0;
    std::vector<Bytes> Items;
    static TextUnit Text(std::uint16_t key, const std::string& text);
    static TextUnit Number(std::uint16_t key, std::uint64_t value, std::size_t size);
    static TextUnit Name(std::uint16_t key, const std::vector<std::string>& qualifiers);
    static TextUnit Raw(std::uint16_t key, std::vector<Bytes> items);
};

// Where the bytes go: memory or a file.
class ByteOut {
  public:
    virtual ~ByteOut() = default;
    virtual void Put(const std::uint8_t* data, std::size_t n) = 0;
    virtual std::uint64_t Size() const = 0;
};

class MemoryOut : public ByteOut {
  public:
    void Put(const std::uint8_t* data, std::size_t n) override {
        Data.insert(Data.end(), data, data + n);
    }
    std::uint64_t Size() const override { return Data.size(); }
    Bytes Data;
};

class FileOut : public ByteOut {
  public:
    explicit FileOut(const std::filesystem::path& path);
    ~FileOut() override;
    void Put(const std::uint8_t* data, std::size_t n) override;
    std::uint64_t Size() const override { return size_; }

  private:
    std::FILE* file_;
    std::uint64_t size_ = 0;
};

// The record and segment layer.
class XmitWriter {
  public:
    explicit XmitWriter(ByteOut& out) : out_(out) {}
    // A control record "INMR0n"; INMR02 gets its file number first.
    void Control(int number, const std::vector<TextUnit>& units, std::uint32_t fileNumber = 1);
    // A logical record cut into segments of at most maxSegment bytes.
    void Record(const Bytes& data, std::uint8_t extraFlags = 0, std::size_t maxSegment = 255);
    void Segment(std::uint8_t length, std::uint8_t flags, const Bytes& data);
    void Raw(const Bytes& data) { out_.Put(data.data(), data.size()); }
    // Pads with X'40' to a multiple of 80 bytes, as real files are.
    void PadToCard();
    std::uint64_t Size() const { return out_.Size(); }
    std::size_t MaxControlSegment = 255;

  private:
    ByteOut& out_;
};

// The usual INMR01 for tests.
std::vector<TextUnit> HeaderUnits(int files = 1);

struct SequentialSpec {
    std::vector<std::string> Qualifiers = {"USER", "TEST", "DATA"};  // empty: no name unit
    std::uint16_t Recfm = 0x9000;                                    // FB
    std::uint32_t Lrecl = 80;
    std::uint32_t Blksize = 3120;
    std::vector<Bytes> Records;             // each one data record
    std::vector<std::string> MessageLines;  // sent first, as a message file
};
Bytes BuildSequential(const SequentialSpec& plan);

struct PdsMember {
    std::string Name;
    Bytes Data;  // the member's bytes as the mainframe holds them
    bool Alias = false;
    std::string AliasOf;  // load-module alias: the real member's name
    Bytes UserData;       // directory user data (even length, at most 62 bytes)
};

// Variable-length records in blocks of at most blksize bytes, each with its
// block descriptor word, records with their record descriptor words; with
// spanned, records that do not fit are cut into segments.
struct VariableData {
    Bytes Data;
    std::vector<std::size_t> BlockSizes;
};
VariableData VariableBlocks(const std::vector<Bytes>& records, std::size_t blksize, bool spanned);

struct PdsSpec {
    std::vector<std::string> Qualifiers = {"USER", "TEST", "PDS"};
    std::uint16_t Recfm = 0x9000;  // FB; 0xC000 U for load modules
    std::uint32_t Lrecl = 80;
    std::uint32_t Blksize = 800;
    std::int32_t TracksPerCylinder = 15;
    struct Extent {
        std::uint16_t StartCyl, StartHead, EndCyl, EndHead;
    };
    std::vector<Extent> Extents = {{10, 0, 19, 14}};
    std::uint8_t ExtentCountOverride = 0;  // non-zero: written as the count
    std::size_t BlocksPerTrack = 4;
    std::size_t BlocksPerRecord = 2;  // blocks carried by one unload record
    bool EofInLastRecord = true;      // zero-length block shares the last record
    std::size_t MaxSegment = 255;     // data segment size cut
    bool DirectoryEndMarker = true;   // 12 zero bytes after the directory blocks
    std::size_t DirectoryBlocksPerRecord = 1;
    std::vector<std::string> MessageLines;
    std::vector<PdsMember> Members;  // in directory order
    // Generates member data on the fly (benchmarks); used when Data is empty.
    std::function<void(std::size_t index, Bytes& data)> Generate;
    std::uint8_t Copyr1Flags = 0x00;
    // Per member (by index): its data cut into blocks of these sizes
    // (variable-length data); absent or empty: blocks of Blksize.
    std::vector<std::vector<std::size_t>> BlockSizes;
    // Directory records written instead of the generated ones (hostile input).
    std::vector<Bytes> RawDirectoryRecords;
    // A record written between the directory and the member data, as PDSE
    // unloads have.
    Bytes RecordBeforeMembers;
};

// The TTR the builder gives to each member (aliases share their member's).
std::vector<std::uint32_t> BuildPds(const PdsSpec& plan, ByteOut& out);
Bytes BuildPds(const PdsSpec& plan);

// ISPF statistics user data (30 bytes).
Bytes IspfStats(std::uint8_t version, std::uint8_t level, std::uint8_t century, std::uint8_t year,
                std::uint16_t day, std::uint8_t hour, std::uint8_t minute, const std::string& user);
// Load-module user data (24 bytes, 32 for an alias naming its member).
Bytes LoadModuleData(std::uint8_t attributes, std::uint32_t size, std::uint32_t entry,
                     std::uint8_t modes, std::uint8_t ac, const std::string& aliasOf = "");

void WriteFile(const std::filesystem::path& path, const Bytes& data);
Bytes ReadFile(const std::filesystem::path& path);

}  // namespace corvane::testing
