// Control records INMR01 to INMR06 and their text units.
#include <cstdio>
#include <cstring>

#include "decode/Decode.h"
#include "decode/S390format.h"

namespace corvane {

namespace {
constexpr std::uint8_t kInmr0[5] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0};
constexpr std::size_t kDatasetNameSize = sizeof(TXmitDecoder::DatasetName);

// Copies at most max EBCDIC bytes into a character field and ends it.
void CopyName(const std::uint8_t* data, std::size_t length, char* field, std::size_t max) {
    std::size_t n = length < max ? length : max;
    EbcdicCopy(data, field, 0, n);
    field[n] = '\0';
}
}  // namespace

bool TXmitDecoder::ProcessControlRecord() {
    int type = 0;
    if (RecordLength >= 8 && std::memcmp(RecordBuffer + 2, kInmr0, 5) == 0) {
        type = RecordBuffer[7] & 0x0F;
    }
    switch (type) {
        case 1:
            ErrorReason = "INMR01 record";
            Dump(RecordBuffer, static_cast<std::size_t>(RecordLength), "Header: INMR01");
            return ParseTextUnits(8);
        case 2:
            ErrorReason = "INMR02 record";
            Dump(RecordBuffer, static_cast<std::size_t>(RecordLength), "Header: INMR02");
            return IsPds ? true : ParseTextUnits(12);
        case 3:
            ErrorReason = "INMR03 record";
            Dump(RecordBuffer, static_cast<std::size_t>(SegmentLength), "Header: INMR03");
            ++Inmr03Count;
            if (Inmr03Count > 1) --ContentState;
            // Only a file announced as a message (INMTERM) is read as message
            // lines; a dataset sent without its name is still a dataset.
            if (!DatasetNameSeen && MessageFileSeen) ContentState = 1;
            return true;
        case 6:
            Dump(RecordBuffer, static_cast<std::size_t>(SegmentLength), "Header: INMR06");
            Finished = true;
            return true;
        default:
            return true;
    }
}

bool TXmitDecoder::ParseTextUnits(std::size_t offset) {
    const auto end = static_cast<std::size_t>(RecordLength);
    std::size_t nameLength = 0;
    while (offset < end) {
        if (offset + 4 > end) return Fail("Text unit header runs past the end of its record");
        std::uint32_t key = BigEndianField(RecordBuffer, offset, 2);
        std::size_t items = RecordBuffer[offset + 3];
        offset += 4;
        if (key == 0x0028) {
            ++ContentState;
            MessageFileSeen = true;
            return true;
        }
        if (key == 0x0003) offset += 2;
        for (std::size_t item = 0; item < items; ++item) {
            if (offset + 2 > end) return Fail("Text unit item runs past the end of its record");
            std::size_t length = RecordBuffer[offset + 1];
            if (offset + 2 + length > end) {
                return Fail("Text unit item runs past the end of its record");
            }
            if (!HandleTextUnitItem(key, offset + 2, length, item + 1 == items, nameLength)) {
                return false;
            }
            offset += length + 2;
        }
    }
    return true;
}

bool TXmitDecoder::HandleTextUnitItem(std::uint32_t key, std::size_t data, std::size_t length,
                                      bool lastItem, std::size_t& nameLength) {
    const std::uint8_t* p = RecordBuffer + data;
    switch (key) {
        case 0x0001:  // INMDDNAM
        case 0x000C:  // INMDIR
        case 0x0022:  // INMEXPDT
        case 0x1020:  // INMLREF
        case 0x1021:  // INMLCHG
        case 0x1022:  // INMCREAT
        case 0x1023:  // INMFVERS
        case 0x1025:  // INMTTIME
        case 0x1026:  // INMFACK
        case 0x1027:  // INMERRCD
        case 0x1029:  // INMUSERP
        case 0x102A:  // INMRECCT
        case 0x102C:  // INMSIZE
        case 0x102D:  // INMFFM
        case 0x8012:  // INMTYPE
            return true;
        case 0x0002:  // INMDSNAM: one item per qualifier
            DatasetNameSeen = true;
            if (nameLength + length + 1 < kDatasetNameSize) {
                EbcdicCopy(p, DatasetName + nameLength, 0, length);
                nameLength += length;
            }
            if (nameLength < kDatasetNameSize) DatasetName[nameLength] = lastItem ? '\0' : '.';
            if (nameLength + 1 < kDatasetNameSize) ++nameLength;
            DatasetName[kDatasetNameSize - 1] = '\0';
            return true;
        case 0x0003: {                         // INMMEMBR: "(member)" behind the dataset name
            if (nameLength == 0) return true;  // no dataset name to put it behind
            std::size_t at = nameLength;
            std::size_t room = kDatasetNameSize - at;  // member, ")" and NUL
            std::size_t n = length;
            if (n + 2 > room) n = room >= 2 ? room - 2 : 0;
            DatasetName[at - 1] = '(';
            EbcdicCopy(p, DatasetName + at, 0, n);
            DatasetName[at + n] = ')';
            DatasetName[at + n + 1] = '\0';
            return true;
        }
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
                ContentState += 4;
            }
            return true;
        }
        default: {
            char hex[5];
            std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(key & 0xFFFF));
            return Fail(std::string("Unknown field type encountered x") + hex);
        }
    }
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
