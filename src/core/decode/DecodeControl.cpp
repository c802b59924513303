// Control records INMR01 to INMR06 and their text units.
#include <cstdio>
#include <cstring>

#include "decode/Decode.h"
#include "decode/S390format.h"

namespace corvane {

namespace {
constexpr std::uint8_t kInmr0[5] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0};
constexpr std::size_t kDatasetNameSize = sizeof(TXmitDecoder::DatasetName);

// The keys the program reads or knowingly passes over.
bool IsKnownTextUnitKey(std::uint32_t key) {
    switch (key) {
        case 0x0001:  // INMDDNAM
        case 0x0002:  // INMDSNAM
        case 0x0003:  // INMMEMBR
        case 0x000C:  // INMDIR
        case 0x0022:  // INMEXPDT
        case 0x0028:  // INMTERM
        case 0x0030:  // INMBLKSZ
        case 0x003C:  // INMDSORG
        case 0x0042:  // INMLRECL
        case 0x0049:  // INMRECFM
        case 0x1001:  // INMTNODE
        case 0x1002:  // INMTUID
        case 0x1011:  // INMFNODE
        case 0x1012:  // INMFUID
        case 0x1020:  // INMLREF
        case 0x1021:  // INMLCHG
        case 0x1022:  // INMCREAT
        case 0x1023:  // INMFVERS
        case 0x1024:  // INMFTIME
        case 0x1025:  // INMTTIME
        case 0x1026:  // INMFACK
        case 0x1027:  // INMERRCD
        case 0x1028:  // INMUTILN
        case 0x1029:  // INMUSERP
        case 0x102A:  // INMRECCT
        case 0x102C:  // INMSIZE
        case 0x102D:  // INMFFM
        case 0x102F:  // INMNUMF
        case 0x8012:  // INMTYPE
            return true;
        default:
            return false;
    }
}

// Copies at most max EBCDIC bytes into a character field and ends it.
void CopyName(const std::uint8_t* data, std::size_t length, char* field, std::size_t max) {
    std::size_t n = length < max ? length : max;
    EbcdicCopy(data, field, 0, n);
    field[n] = '\0';
}
}  // namespace

// The record type: the digit of "INMR0n" for the records a transmission
// holds (INMR01 to INMR04, INMR06, INMR07); 0 for anything else.
int TXmitDecoder::ControlRecordType() const {
    if (RecordLength < 8 || std::memcmp(RecordBuffer + 2, kInmr0, 5) != 0) return 0;
    const int digit = RecordBuffer[7] - 0xF0;
    return (digit >= 1 && digit <= 4) || digit == 6 || digit == 7 ? digit : 0;
}

bool TXmitDecoder::ProcessControlRecord() {
    const auto length = static_cast<std::size_t>(RecordLength);
    switch (ControlRecordType()) {
        case 1:
            Dump(RecordBuffer, length, "Header: INMR01");
            currentFile_ = 0;
            return ParseTextUnits(8);
        case 2:
            Dump(RecordBuffer, length, "Header: INMR02");
            if (!StartFile()) return false;
            return IsPds ? true : ParseTextUnits(12);
        case 3:
            Dump(RecordBuffer, length, "Header: INMR03");
            return ProcessInmr03();
        case 7:
            acknowledged_ = true;
            [[fallthrough]];
        case 4:
            // User control and notification records: passed over, but their
            // text units must be sound.
            Dump(RecordBuffer, length,
                 RecordBuffer[7] == 0xF4 ? "Header: INMR04" : "Header: INMR07");
            return ParseTextUnits(8, false);
        case 6:
            Dump(RecordBuffer, length, "Header: INMR06");
            Finished = true;
            return FinishDecode();
        default:
            return Fail("Unidentified control record encountered");
    }
}

// INMR02: the file it describes. Files are described in order: a new file
// number is at most one above the highest seen.
bool TXmitDecoder::StartFile() {
    if (RecordLength < 12) return Fail("INMR02 record too short for its file number");
    const std::uint32_t file = BigEndianField(RecordBuffer, 8, 4);
    if (file == 0 || file > highestFile_ + 1) {
        return Fail("INMR02 record for file " + std::to_string(file) + " out of order");
    }
    if (file > highestFile_) highestFile_ = file;
    currentFile_ = file;
    return true;
}

// INMR03 opens the data of the next file: its messages are read as message
// lines, an IEBCOPY unload from COPYR1 on, anything else as the content.
bool TXmitDecoder::ProcessInmr03() {
    if (!ParseTextUnits(8, false)) return false;
    ++Inmr03Count;
    const auto file = static_cast<std::uint32_t>(Inmr03Count);
    if (file > highestFile_) return Fail("INMR03 record without its INMR02 record");
    if (file == messageFile_) {
        ContentState = 1;
    } else if (file == pdsFile_) {
        ContentState = 4;
    } else {
        ContentState = 0;
    }
    return true;
}

// Walks the text units from offset; with handle clear only their structure
// is checked. A key the program does not use is passed over by its length.
bool TXmitDecoder::ParseTextUnits(std::size_t offset, bool handle) {
    const auto end = static_cast<std::size_t>(RecordLength);
    std::size_t nameLength = 0;
    while (offset < end) {
        if (offset + 4 > end) return Fail("Text unit header runs past the end of its record");
        const std::size_t unitStart = offset;
        std::uint32_t key = BigEndianField(RecordBuffer, offset, 2);
        std::size_t items = RecordBuffer[offset + 3];
        offset += 4;
        if (key == 0x0028 && handle) {  // INMTERM: this file is a message
            if (items != 0) return Fail("INMTERM text unit with data encountered");
            messageFile_ = currentFile_ != 0 ? currentFile_ : 1;
            return true;
        }
        // INMMEMBR as some writers lay it out: two zero bytes before the first item.
        if (key == 0x0003 && items > 0 && offset + 2 <= end && RecordBuffer[offset] == 0 &&
            RecordBuffer[offset + 1] == 0) {
            offset += 2;
        }
        const bool known = !handle || IsKnownTextUnitKey(key);
        for (std::size_t item = 0; item < items; ++item) {
            if (offset + 2 > end) return Fail("Text unit item runs past the end of its record");
            std::size_t length = BigEndianField(RecordBuffer, offset, 2);
            if (offset + 2 + length > end) {
                return Fail("Text unit item runs past the end of its record");
            }
            if (handle && known &&
                !HandleTextUnitItem(key, offset + 2, length, item + 1 == items, nameLength)) {
                return false;
            }
            offset += length + 2;
        }
        if (!known && HeaderDump) {
            char title[48];
            std::snprintf(title, sizeof title, "Text unit x%04X (not used)",
                          static_cast<unsigned>(key));
            HeaderDump->DumpBlock(RecordBuffer + unitStart, offset - unitStart, true,
                                  RecordOffset + static_cast<std::int64_t>(unitStart), title);
        }
    }
    return true;
}

bool TXmitDecoder::HandleTextUnitItem(std::uint32_t key, std::size_t data, std::size_t length,
                                      bool lastItem, std::size_t& nameLength) {
    const std::uint8_t* p = RecordBuffer + data;
    switch (key) {
        case 0x0002:  // INMDSNAM: one item per qualifier
            DatasetNameSeen = true;
            // nameLength counts the characters written, the "." or NUL after
            // the last qualifier included; it never passes the field.
            if (nameLength + length + 1 < kDatasetNameSize) {
                EbcdicCopy(p, DatasetName + nameLength, 0, length);
                nameLength += length;
            }
            DatasetName[nameLength] = lastItem ? '\0' : '.';
            if (nameLength + 1 < kDatasetNameSize) ++nameLength;
            DatasetName[kDatasetNameSize - 1] = '\0';
            return true;
        case 0x0003:  // INMMEMBR: "(member)" behind the dataset name
            AppendMember(p, length, nameLength);
            return true;
        case 0x0030:
            Blksize = BigEndianField(p, 0, length);
            return true;
        case 0x0042:
            Lrecl = BigEndianField(p, 0, length);
            return true;
        case 0x102F:
            FileCount = BigEndianField(p, 0, length);
            return true;
        case 0x003C:  // INMDSORG
            if (length >= 1 && p[0] == 0x02) {
                std::strcpy(DatasetType, "PDS");
                IsPds = true;
            } else if (length >= 1 && p[0] == 0x40) {
                std::strcpy(DatasetType, "SEQ");
            } else if (length >= 2 && p[1] == 0x08) {
                std::strcpy(DatasetType, "VSAM");
                notifier_->Show("Sorry VSAM content is not supported.", "Unsupported functionality",
                                MessageIcon::None, MessageButtons::Ok);
                return false;
            }
            return true;
        case 0x0049: {  // INMRECFM
            std::uint8_t b = length >= 1 ? p[0] : 0;
            switch (b & 0xC0) {
                case 0x80:
                    RecfmText[0] = 'F';
                    FixedRecords = true;
                    break;
                case 0x40:
                    RecfmText[0] = 'V';
                    break;
                case 0xC0:
                    RecfmText[0] = 'U';
                    break;
                default:
                    RecfmText[0] = '?';
                    ErrorDetails = "Cannot determine RECFM of the content file.";
                    break;
            }
            if (b & 0x10) {
                IspfList = true;
                RecfmText[1] = 'B';
                RecfmText[2] = '\0';
            } else {
                IspfList = false;
                RecfmText[1] = '\0';
            }
            return true;
        }
        case 0x1001:
            CopyName(p, length, ToNode, 10);
            return true;
        case 0x1002:
            CopyName(p, length, ToUserId, 10);
            return true;
        case 0x1011:
            CopyName(p, length, FromNode, 10);
            return true;
        case 0x1012:
            CopyName(p, length, FromUserId, 10);
            return true;
        case 0x1024: {  // INMFTIME
            std::size_t n = length < 20 ? length : 20;
            EbcdicCopy(p, RawTimestamp, 0, n);
            ReorderDateText(RawTimestamp, CreatedText, 12, DateOrder);
            return true;
        }
        case 0x1028: {  // INMUTILN
            char name[9];
            CopyName(p, length, name, 8);
            if (std::strcmp(name, "IEBCOPY") == 0) {
                IsPds = true;
                pdsFile_ = currentFile_ != 0 ? currentFile_ : 1;
            }
            return true;
        }
        default:
            return true;
    }
}

// With several names the last one stays. Nothing is written when there is no
// dataset name before it or no room for "(", ")" and the NUL in the field.
void TXmitDecoder::AppendMember(const std::uint8_t* name, std::size_t length,
                                std::size_t nameLength) {
    if (nameLength == 0 || nameLength + 1 >= kDatasetNameSize) return;
    const std::size_t at = nameLength;  // "(" goes over the NUL at at - 1
    const std::size_t room = kDatasetNameSize - at - 2;
    const std::size_t n = length < room ? length : room;
    DatasetName[at - 1] = '(';
    EbcdicCopy(name, DatasetName + at, 0, n);
    DatasetName[at + n] = ')';
    DatasetName[at + n + 1] = '\0';
}

void TXmitDecoder::AppendMessageLine() {
    std::size_t n = SegmentLength < 2 ? 0 : static_cast<std::size_t>(SegmentLength - 2);
    std::string line;
    line.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        char c = static_cast<char>(EbcdicToAscii(RecordBuffer[2 + k]));
        if (c == '\0') break;  // the memo takes the text up to its end mark
        line.push_back(c);
    }
    MessageMemo->AppendLine(Latin1ToUtf8(line));
    Dump(RecordBuffer, static_cast<std::size_t>(SegmentLength), "Message Data:");
}

}  // namespace corvane
