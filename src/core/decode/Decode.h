#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/Extent.h"
#include "extract/Dump.h"
#include "io/FileReader.h"
#include "ports/ErrorReport.h"
#include "ports/LineTarget.h"
#include "ports/MemberListTarget.h"
#include "ports/Notifier.h"
#include "ports/Viewer.h"

namespace corvane {

// Member TTR to the file offset of the segment that starts its data. The
// entry kClosingTtr holds the offset of the control record after the data.
using MemberPositionMap = std::map<std::uint32_t, std::int64_t>;
inline constexpr std::uint32_t kClosingTtr = 0x0FFFFFFF;

inline constexpr std::size_t kRecordBufferSize = 514;
inline constexpr std::size_t kDirectoryBlockSize = 276;

// The window-side services the decoder talks to while it runs.
struct DecodePorts {
    Notifier& Notify;
    ErrorReport& Errors;
    ViewerFactory* Viewers = nullptr;  // needed only for the header dump
};

// Reads an XMIT file once, up to the transmitted data, and is then the
// decoded-file model: transfer header, dataset attributes, member positions.
class TXmitDecoder {
  public:
    TXmitDecoder();
    TXmitDecoder(const TXmitDecoder&) = delete;
    TXmitDecoder& operator=(const TXmitDecoder&) = delete;

    // Returns 0 on success, 1 on failure (the user has been told). A read
    // past the end of the file raises ReadError, which reaches the caller.
    int DecodeXmit(FileReader& stream, MemberListTarget& memberList, std::uint8_t dateOrder,
                   std::uint8_t debugHeaders, LineTarget& messageMemo, const DecodePorts& ports);

    // Fills the error window with the texts and the point of failure.
    void ShowDecodeError();
    ErrorReportData DecodeErrorReport() const;

    // Relative track of a cylinder and head through the extent table,
    // shifted left by 8; 0 when no extent holds the track.
    std::uint32_t RelativeTrack(std::uint32_t cylinder, std::uint32_t head) const;

    bool DatasetNameSeen = false;
    bool LastDirectoryBlock = false;
    bool IspfList = false;
    std::uint8_t DateOrder = 0;
    std::uint8_t RecordBuffer[kRecordBufferSize] = {};
    std::size_t WritePosition = 0;
    char RawTimestamp[21] = {};
    std::int64_t RecordOffset = 0;
    std::uint32_t ContentState = 0;
    std::int32_t Inmr03Count = 0;
    bool Finished = false;
    std::int32_t SegmentLength = 0;
    std::int32_t RecordLength = 0;
    std::uint8_t SegmentFlags = 0;
    std::int32_t TracksPerCylinder = 0;
    std::int32_t ExtentCount = 0;
    std::string ErrorTitle = "Error while decoding";
    std::string ErrorReason;
    std::string ErrorDetails;
    FileReader* Stream = nullptr;
    MemberListTarget* MemberList = nullptr;
    LineTarget* MessageMemo = nullptr;
    std::unique_ptr<DumpWriter> HeaderDump;
    Viewer* DumpWindow = nullptr;
    bool IsPds = false;
    bool FixedRecords = false;
    char FromNode[11] = {};
    char CreatedText[18] = {};
    char FromUserId[11] = {};
    char ToNode[11] = {};
    char ToUserId[11] = {};
    char DatasetType[5] = {};
    char RecfmText[3] = {};
    char DatasetName[100] = {};
    std::uint32_t FileCount = 0;
    std::int32_t MemberCount = 0;
    std::int64_t ContentStart = 0;
    std::int64_t FileSize = 0;
    std::uint32_t Lrecl = 0;
    std::uint32_t Blksize = 0;
    std::unique_ptr<MemberPositionMap> MemberPositions;
    std::vector<ExtentEntry> Extents;

  private:
    // Segment reader.
    std::uint8_t PeekFlags();
    void PeekSegment();
    bool CheckSegment(std::uint8_t flags);
    bool ReadControlRecord();
    bool ReadStrippedRecord(const char* dumpTitle);
    bool ReadSegmentWhole();
    bool ReadDirectorySegmentHeader(std::int32_t& bytesLeft);
    bool ReadDirectoryBlocks();
    bool SkipRestOfRecord(std::int32_t bytesLeft);
    // Control records.
    int ControlRecordType() const;
    bool ProcessControlRecord();
    bool StartFile();
    bool ProcessInmr03();
    bool ParseTextUnits(std::size_t offset, bool handle = true);
    bool HandleTextUnitItem(std::uint32_t key, std::size_t data, std::size_t length, bool lastItem,
                            std::size_t& nameLength);
    void AppendMember(const std::uint8_t* name, std::size_t length, std::size_t nameLength);
    void AppendMessageLine();
    // Unload records, directory and member positions.
    bool ProcessDataRecord();
    bool StartContent();
    bool FinishDecode();
    bool ReadCopyR1();
    bool ReadCopyR2();
    void AddMemberColumns();
    bool ParseDirectoryBlock();
    void LocateMemberData();

    void Dump(const std::uint8_t* bytes, std::size_t n, const std::string& title);
    bool Fail(const std::string& details);

    Notifier* notifier_ = nullptr;
    ErrorReport* errors_ = nullptr;
    // Segment sequence: inside a logical record, and whether it is a control record.
    bool inRecord_ = false;
    bool recordIsControl_ = false;
    // Files of the transmission: the highest file number an INMR02 described,
    // the file the INMR02 being read describes, the file sent as a message
    // (INMTERM) and the one unloaded by IEBCOPY; 0 when none.
    std::uint32_t highestFile_ = 0;
    std::uint32_t currentFile_ = 0;
    std::uint32_t messageFile_ = 0;
    std::uint32_t pdsFile_ = 0;
    bool acknowledged_ = false;  // an INMR07 notification was met
};

// Field texts of the model for display (the fields hold ISO 8859-1).
std::string FieldText(const char* field);

}  // namespace corvane
