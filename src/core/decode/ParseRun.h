#pragma once

// The parser's working state for one run over a file; private to decode/.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "decode/Extent.h"
#include "decode/XmitInfo.h"
#include "io/BufferedReader.h"
#include "text/CodePage.h"

namespace corvane::parse {

// Raised inside a run when the file is damaged; the run turns it into an Error.
struct Failure {
    std::string Message;
};
// Raised when the file holds a kind of data that is not read (VSAM).
struct Unsupported {
    std::string Message;
};

inline constexpr std::uint8_t kFirstSegment = 0x80;
inline constexpr std::uint8_t kLastSegment = 0x40;
inline constexpr std::uint8_t kControlRecord = 0x20;
inline constexpr std::size_t kMaxControlRecord = 64 * 1024;
// COPYR1, COPYR2, directory and message records are far smaller.
inline constexpr std::size_t kMaxDataRecord = 1024 * 1024;
inline constexpr std::size_t kDirectoryBlockSize = 276;

// What the INMR02 records of one transmitted file said about it.
struct FileDescription {
    std::uint32_t Number = 0;
    bool Message = false;          // INMTERM: the file is a message to the receiver
    bool Iebcopy = false;          // sent as an IEBCOPY unload
    bool SaidPartitioned = false;  // an INMR02 of the file gave DSORG PO
    bool Vsam = false;
    DatasetInfo Dataset;
};

// "INMR0" and a record number of 1 to 15 at offset 2 of a record with its header.
bool LooksLikeXmitRecord(const std::uint8_t* record, std::size_t n);

class ParseRun {
  public:
    ParseRun(BufferedReader& in, bool dump, std::vector<std::string>* dumpLines,
             const CodePage& characters);
    // Runs the parse; raises Failure or ReadError.
    void Run();

    XmitInfo Info;
    // Members (by TTR) whose first block holds fewer bytes than it takes to
    // tell a transmission: their first bytes are gathered across blocks.
    std::vector<std::uint32_t> ShortFirstBlocks;
    std::string Reason;          // what was being read when it failed
    std::string PendingDetails;  // a remark that goes with a later failure
    std::int32_t SegmentLength = 0;
    std::uint8_t SegmentFlags = 0;

  private:
    enum class Phase { Headers, Message, Copyr1, Copyr2, Directory, Members, Done };

    // Segments and records.
    void PeekSegment();
    void ReadControlRecord();
    void ReadDataRecord();
    [[noreturn]] void Fail(const std::string& message);
    void Dump(const std::uint8_t* bytes, std::size_t n, const std::string& title,
              std::int64_t offset);
    // Control records and text units.
    void ProcessControlRecord();
    void ParseTextUnits(std::size_t offset, FileDescription& file, bool header);
    void HandleTextUnit(std::uint32_t key,
                        const std::vector<std::pair<std::size_t, std::size_t>>& items,
                        FileDescription& file, bool header);
    void StartFileData();
    void FinishDescription();
    // Data records.
    void ProcessDataRecord();
    void ReadMessageRecord();
    bool SequentialDataHoldsXmit();
    void ReadCopyR1();
    void ReadCopyR2();
    void ReadDirectory();
    void ParseDirectoryBlock(const std::uint8_t* block, bool& last);
    std::uint32_t RelativeTrack(std::uint32_t cylinder, std::uint32_t head) const;
    void LocateMemberData();

    // Names and texts of the file as UTF-8, through the chosen code page.
    std::string Text(const std::uint8_t* p, std::size_t n) const { return characters_.Utf8(p, n); }

    BufferedReader& in_;
    const CodePage& characters_;
    bool dump_;
    std::vector<std::string>* dumpLines_;
    Phase phase_ = Phase::Headers;
    std::int64_t recordOffset_ = 0;
    std::vector<std::uint8_t> record_;  // the record being read
    std::vector<FileDescription> files_;
    std::size_t dataFile_ = 0;  // INMR03 count: the file whose data comes next
    bool datasetChosen_ = false;
    std::int32_t tracksPerCylinder_ = 0;
    std::vector<ExtentEntry> extents_;
    bool sequentialNext_ = false;  // the next data record starts the sequential data
};

}  // namespace corvane::parse
