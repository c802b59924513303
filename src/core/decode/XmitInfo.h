#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "container/Content.h"

namespace corvane {

struct CalendarDate {
    int Year = 0;
    int Month = 0;  // 1 to 12
    int Day = 0;    // 1 to 31
};

struct DateTime {
    CalendarDate Date;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// The transfer header: who sent the file, to whom, when.
struct TransferHeader {
    std::string FromNode;
    std::string FromUser;
    std::string ToNode;
    std::string ToUser;
    // The origin timestamp's digits as sent (YYYYMMDDHHMMSS...), and the
    // date and time they give when they are complete enough to read.
    std::string Timestamp;
    std::optional<DateTime> Created;
    std::uint32_t FileCount = 0;
};

enum class DatasetOrganization { Unknown, Sequential, Partitioned, PartitionedExtended, Vsam };

struct RecordFormat {
    char Kind = '\0';  // 'F', 'V', 'U', '?' (unreadable), or NUL when none was sent
    bool Blocked = false;
    bool Spanned = false;  // V: spanned; F: standard
    bool Asa = false;
    bool Machine = false;
    // Sequential V data sent without its record descriptor words.
    bool NoDescriptors = false;
    // Sequential V data whose records are whole blocks, block descriptor
    // words included, as a tape holds them.
    bool BlockRecords = false;
};

struct DatasetInfo {
    std::string Name;  // qualifiers joined by ".", "(member)" behind when one was named
    bool NameSent = false;
    DatasetOrganization Organization = DatasetOrganization::Unknown;
    RecordFormat Recfm;
    std::uint32_t Lrecl = 0;
    std::uint32_t Blksize = 0;
    // The directory's user data is read as ISPF statistics (blocked record
    // format) rather than as load-module attributes.
    bool IspfDirectory = false;
};

struct IspfStatistics {
    int Version = 0;
    int Modification = 0;
    std::optional<CalendarDate> Created;
    std::optional<DateTime> Modified;
    std::uint32_t Lines = 0;
    std::uint32_t InitialLines = 0;
    std::uint32_t ModifiedLines = 0;
    std::string User;
    bool Extended = false;  // line counts came from the 4-byte fields
};

struct LoadModuleAttributes {
    std::uint32_t Size = 0;
    std::uint32_t EntryPoint = 0;
    std::uint8_t ModeFlags = 0;  // 0x03 addressing mode, 0x10 residence mode any
    std::uint8_t AuthorizationCode = 0;
    std::uint8_t AttributeFlags = 0;
};

// One directory entry of a partitioned dataset.
struct MemberEntry {
    std::string Name;  // trailing blanks kept, as in the directory
    std::uint32_t Ttr = 0;
    bool Alias = false;
    std::string AliasOf;  // the real member's name where the directory says it
    std::optional<IspfStatistics> Ispf;
    std::optional<LoadModuleAttributes> LoadModule;
    // The entry as it stands: the name's 8 bytes, the indicator byte and
    // the user data.
    std::string NameBytes;
    std::uint8_t Indicator = 0;
    std::string UserData;
    // Where the member's data starts in the file, and where it ends (the next
    // member's start or the closing control record); -1 when not found.
    std::int64_t DataStart = -1;
    std::int64_t DataEnd = -1;
    // The member's data starts like an XMIT file: a transmission inside.
    bool HoldsXmit = false;
    // What else its first bytes say it holds (a TERSE file, a zip archive, a
    // tape image, an unload); Unknown for data of its own and for a
    // transmission, which HoldsXmit marks.
    Content Holds = Content::Unknown;
};

// Something the decode met that did not stop it, counted by kind.
struct DecodeNotice {
    std::string Text;
    std::uint64_t Count = 0;
};

// What one decode of an XMIT file found. Read-only once made.
struct XmitInfo {
    std::int64_t FileSize = 0;
    TransferHeader Transfer;
    DatasetInfo Dataset;
    bool Partitioned = false;  // members in IEBCOPY unload form follow
    std::vector<MemberEntry> Members;
    // Sequential data: the first data record after the control records, and
    // the closing control record.
    std::int64_t DataStart = 0;
    std::int64_t DataEnd = 0;
    // The sequential data starts like an XMIT file.
    bool DataHoldsXmit = false;
    // Where the closing control record ends; -1 when the parse stopped
    // before it.
    std::int64_t TrailerEnd = -1;
    std::vector<std::string> Message;
    // What the user should know about a file that opened: a scan that
    // stopped at damage, for example.
    std::vector<DecodeNotice> Notices;

    bool HasData() const { return Partitioned || DataStart > 0; }
};

}  // namespace corvane
