#include "decode/Decode.h"

#include <cstdio>
#include <cstring>

#include "decode/S390format.h"

namespace corvane {

namespace {
constexpr std::uint8_t kInmr0[5] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0};  // "INMR0" in EBCDIC
}

TXmitDecoder::TXmitDecoder() {
    FillDateTemplate(CreatedText, 17);
    FillDateTemplate(RawTimestamp, 17);
}

std::string FieldText(const char* field) {
    return Latin1ToUtf8(field);
}

void TXmitDecoder::Dump(const std::uint8_t* bytes, std::size_t n, const std::string& title) {
    if (HeaderDump) HeaderDump->DumpBlock(bytes, n, true, RecordOffset, title);
}

bool TXmitDecoder::Fail(const std::string& details) {
    ErrorDetails = details;
    return false;
}

int TXmitDecoder::DecodeXmit(FileReader& stream, MemberListTarget& memberList,
                             std::uint8_t dateOrder, std::uint8_t debugHeaders,
                             LineTarget& messageMemo, const DecodePorts& ports) {
    MessageMemo = &messageMemo;
    Stream = &stream;
    MemberList = &memberList;
    FileSize = stream.Size();
    DateOrder = dateOrder;
    DatasetNameSeen = false;
    notifier_ = &ports.Notify;
    errors_ = &ports.Errors;

    if (debugHeaders == 1 && ports.Viewers) {
        DumpWindow = ports.Viewers->CreateDumpViewer();
        if (DumpWindow) {
            HeaderDump = std::make_unique<DumpWriter>(DumpWindow->Lines());
            DumpWindow->ShowText();
        }
    }

    // Signature: "INMR0" and a record number of 1 to 15 in the first record.
    std::memset(RecordBuffer, 0, 8);
    std::size_t got = stream.Read(RecordBuffer, 8);
    int recordType = 0;
    if (got == 8 && std::memcmp(RecordBuffer + 2, kInmr0, 5) == 0)
        recordType = RecordBuffer[7] & 0x0F;
    if (recordType == 0) {
        ports.Notify.Show("INMR01 header not found!\nThis does not look like an Xmit file",
                          "Xmit parse error", MessageIcon::Error, MessageButtons::Ok);
        return 1;
    }
    stream.Seek(0);

    for (;;) {
        PeekFlags();
        RecordOffset = stream.Position();
        bool ok;
        if (SegmentFlags & 0x20) {
            ok = ReadControlRecord() && ProcessControlRecord();
        } else {
            PeekSegment();
            ok = SegmentLength != 0 && ProcessDataRecord();
        }
        if (SegmentLength == 0) {
            ErrorDetails = "Invalid xmit record length of zero encountered";
            ShowDecodeError();
            return 1;
        }
        if (!ok) {
            ShowDecodeError();
            return 1;
        }
        if (stream.Size() < RecordOffset) {
            ErrorDetails = "Wild xmit length field encountered. Read past end of file.";
            ShowDecodeError();
            return 1;
        }
        if (Finished) {
            if (IsPds) LocateMemberData();
            if (DumpWindow) DumpWindow->SetStatus(0, "Ok");
            return 0;
        }
    }
}

bool TXmitDecoder::ProcessDataRecord() {
    switch (ContentState) {
        case 0:
            return StartContent();
        case 1:
        case 5:
            ErrorReason = "Message data";
            if (!ReadSegmentWhole()) return false;
            AppendMessageLine();
            return true;
        case 2:
            ErrorReason = "Member directory blocks";
            AddMemberColumns();
            if (!ReadDirectoryBlocks()) return false;
            ContentState -= 2;
            return true;
        case 3:
            ErrorReason = "IEBCOPY unload record COPYR2";
            if (!ReadCopyR2()) return false;
            ContentState -= 1;
            return true;
        case 4:
            ErrorReason = "IEBCOPY unload record COPYR1";
            if (!ReadCopyR1()) return false;
            ContentState -= 1;
            return true;
        default:
            // No state reads this record: pass over it so that the loop advances.
            return ReadSegmentWhole();
    }
}

// The first data record of the content: the dataset's data, or for an
// IEBCOPY unload the first member data record after the directory.
bool TXmitDecoder::StartContent() {
    if (Inmr03Count == 0) return Fail("Data record before the INMR03 record encountered");
    if (!(SegmentFlags & 0x80) || inRecord_) {
        return Fail("Segment out of sequence: a continuation segment outside any record");
    }
    // The dataset is the last file of the transmission; a message comes before it.
    if (static_cast<std::uint32_t>(Inmr03Count) < highestFile_) {
        return Fail("The data of file " + std::to_string(Inmr03Count) +
                    " is not that of the dataset");
    }
    ContentStart = Stream->Position();
    Finished = true;
    return FinishDecode();
}

// Everything a control record announced must have come by the end.
bool TXmitDecoder::FinishDecode() {
    // Only a notification (INMR07) describes no file.
    if (highestFile_ == 0 && !acknowledged_) return Fail("The transmission describes no file");
    if (IsPds && !MemberPositions) {
        return Fail("The IEBCOPY unload records of the partitioned dataset are missing");
    }
    if (static_cast<std::uint32_t>(Inmr03Count) < highestFile_) {
        return Fail("The data of file " + std::to_string(Inmr03Count + 1) + " is missing");
    }
    return true;
}

ErrorReportData TXmitDecoder::DecodeErrorReport() const {
    char flags[3];
    std::snprintf(flags, sizeof flags, "%02X", SegmentFlags);
    ErrorReportData report;
    report.Caption = "Error";
    report.Title = ErrorTitle;
    report.Reason = ErrorReason;
    report.Details = {
        ErrorDetails,
        "",
        "Information obtained at the point of error:",
        "Current xmit record length is " + std::to_string(SegmentLength) + " bytes",
        std::string("Current xmit record type is x") + flags,
        "Current file offset is " + std::to_string(Stream ? Stream->Position() : 0),
        " Xmit File size is " + std::to_string(Stream ? Stream->Size() : 0),
        "\nUse the Debug option to provide a  format dump of the xmit file for further diagnosis.",
    };
    return report;
}

void TXmitDecoder::ShowDecodeError() {
    if (errors_) errors_->Show(DecodeErrorReport());
}

}  // namespace corvane
