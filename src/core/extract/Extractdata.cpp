#include "extract/Extractdata.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "decode/S390format.h"

namespace corvane {

std::string PathFileName(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::unique_ptr<MemberExtractor> MemberExtractor::Create(const TXmitDecoder& decoder,
                                                         const std::filesystem::path& xmitPath,
                                                         Notifier& notifier, ErrorReport& errors) {
    std::string error;
    auto stream = FileReader::Open(xmitPath, &error);
    if (!stream) {
        notifier.Show("Make sure the file is accessible and not in use by other applications.",
                      "Error opening file", MessageIcon::Error, MessageButtons::Ok);
        return nullptr;
    }
    return Create(decoder, std::move(stream), notifier, errors);
}

std::unique_ptr<MemberExtractor> MemberExtractor::Create(const TXmitDecoder& decoder,
                                                         std::unique_ptr<FileReader> stream,
                                                         Notifier& notifier, ErrorReport& errors) {
    return std::unique_ptr<MemberExtractor>(
        new MemberExtractor(decoder, std::move(stream), notifier, errors));
}

MemberExtractor::MemberExtractor(const TXmitDecoder& decoder, std::unique_ptr<FileReader> stream,
                                 Notifier& notifier, ErrorReport& errors)
    : Lrecl(decoder.Lrecl),
      MemberPositions(decoder.MemberPositions.get()),
      DataStream(std::move(stream)),
      Decoder(&decoder),
      TextMode(decoder.FixedRecords),
      TruncateLength(static_cast<std::int32_t>(decoder.Lrecl)),
      notifier_(notifier),
      errors_(errors) {}

// Finds where the member's data lies: from its own offset to the next offset
// in the file at which data was found (the next member or the closing
// control record), or the end of the file. Returns 1 after the location
// error was shown.
int MemberExtractor::FindMember(std::uint32_t ttr, const std::string& name, std::int64_t& start,
                                std::int64_t& end) {
    MemberMode = true;
    start = 0;
    end = DataStream->Size();
    bool found = false;
    if (MemberPositions) {
        if (dataStarts_.empty()) {
            for (const auto& [key, offset] : *MemberPositions) {
                if (offset != 0) dataStarts_.push_back(offset);
            }
            std::sort(dataStarts_.begin(), dataStarts_.end());
        }
        auto it = MemberPositions->find(ttr);
        if (it != MemberPositions->end()) {
            found = true;
            start = it->second;
            auto range = std::equal_range(dataStarts_.begin(), dataStarts_.end(), start);
            if (range.second - range.first > 1) {
                end = start;  // two members claim the same data
            } else if (range.second != dataStarts_.end()) {
                end = *range.second;
            }
        }
    }
    if (!found || start < 100 || start > DataStream->Size() || start >= end) {
        ErrorText = "Cannot find correct data location for";
        DataStream->Seek(start);
        ShowExtractError(name, start, end);
        return 1;
    }
    return 0;
}

int MemberExtractor::ReadMember(Progress& progress, std::uint32_t ttr,
                                const std::string& outputPath, Viewer* viewer) {
    std::int64_t start = 0;
    std::int64_t end = 0;
    const std::string name = viewer ? viewer->Caption() : PathFileName(outputPath);
    if (FindMember(ttr, name, start, end) != 0) return 1;
    return ReadRange(progress, start, outputPath, viewer, end);
}

int MemberExtractor::ReadMember(Progress& progress, std::uint32_t ttr, ByteTarget& target) {
    std::int64_t start = 0;
    std::int64_t end = 0;
    char name[16];
    std::snprintf(name, sizeof name, "TTR %06X", static_cast<unsigned>(ttr));
    if (FindMember(ttr, name, start, end) != 0) return 1;
    return ReadRange(progress, start, target, end);
}

int MemberExtractor::ReadRange(Progress& progress, std::int64_t start, ByteTarget& target,
                               std::int64_t end) {
    target_ = &target;
    const bool textMode = TextMode;
    TextMode = false;  // the bytes pass unchanged, so they are cut as in binary mode
    const int result = ReadRange(progress, start, std::string(), nullptr, end);
    TextMode = textMode;
    target_ = nullptr;
    return result;
}

bool MemberExtractor::ChooseSink(const std::string& outputPath) {
    Sink = SinkKind::None;
    if (target_) {
        Sink = SinkKind::Bytes;
        ItemName = "data";
        return true;
    }
    if (Viewer_) {
        if (TextMode) {
            Sink = SinkKind::TextView;
        } else {
            HexDump = std::make_unique<DumpWriter>(Viewer_->Lines());
            Sink = SinkKind::HexView;
        }
        ItemName = Viewer_->Caption();
    }
    if (outputPath.size() >= 2) {
        switch (OutputFile::Open(outputPath, Output)) {
            case OutputFile::OpenResult::CannotCreate:
                notifier_.Show("Cannot create file " + outputPath, "Error", MessageIcon::Error,
                               MessageButtons::Ok);
                return false;
            case OutputFile::OpenResult::CannotOpen:
                notifier_.Show("Cannot open file " + outputPath, "Error", MessageIcon::Error,
                               MessageButtons::Ok);
                return false;
            case OutputFile::OpenResult::Opened:
                break;
        }
        Sink = TextMode ? SinkKind::TextFile : SinkKind::BinaryFile;
        ItemName = PathFileName(outputPath);
    }
    return true;
}

int MemberExtractor::ReadRange(Progress& progress, std::int64_t start,
                               const std::string& outputPath, Viewer* viewer, std::int64_t end) {
    Progress_ = &progress;
    progress.SetMaximum(end);
    progress.SetPosition(start);
    progress.SetMinimum(start);
    Output.reset();
    Viewer_ = viewer;
    if (!ChooseSink(outputPath)) {
        Viewer_ = nullptr;
        HexDump.reset();
        return 1;
    }
    int result = 0;
    if (Sink == SinkKind::None) {
        ErrorText = "No viewer or output file for the data";
        result = 1;
    } else if (TextMode && Lrecl == 0) {
        ErrorText = "Record length is 0: the data cannot be cut into text records";
        result = 1;
    } else if (TextMode && Lrecl > kMaxTextRecord) {
        ErrorText = "Record length " + std::to_string(Lrecl) + " is too large for text records";
        result = 1;
    } else {
        DataStream->Seek(start);
        Buffer.assign(TextMode ? Lrecl + 2 : kBinarySlice, 0);
        try {
            result = ReadRecords(end);
        } catch (const WriteError& e) {
            Buffer.clear();
            HexDump.reset();
            if (Output) Output->Close(ByteCount, false);
            Output.reset();
            Viewer_ = nullptr;
            notifier_.Show(e.what(), "Error", MessageIcon::Error, MessageButtons::Ok);
            return 1;
        }
    }
    if (result == 1) {
        ShowExtractError(ItemName, start, end);
        Buffer.clear();
        HexDump.reset();
        if (Output) Output->Close(ByteCount, false);  // no half-written file under its name
        Output.reset();
        Viewer_ = nullptr;
        return 1;
    }
    if (Viewer_) FinishViewer();
    Viewer_ = nullptr;
    progress.SetMinimum(0);
    progress.SetPosition(0);
    progress.SetMaximum(100);
    Buffer.clear();
    HexDump.reset();
    if (Output) {
        bool closed = Output->Close(ByteCount, true);
        Output.reset();
        if (!closed) {
            notifier_.Show("Stream write error", "Error", MessageIcon::Error, MessageButtons::Ok);
            return 1;
        }
    }
    return 0;
}

namespace {
constexpr std::uint8_t kInmr0[5] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0};  // "INMR0" in EBCDIC

// Walks the blocks of IEBCOPY unload data records: each block is a 12-byte
// count field (key length at +9, data length at +10), the key, then the data.
// Only data bytes pass; a block with data length 0 ends the member. A record
// holds whole blocks.
class BlockWalker {
  public:
    bool Ended() const { return ended_; }
    // Bytes of the last segment fed that lie after the end block.
    std::size_t Left() const { return left_; }
    // A block that began in this record has not ended with it.
    bool InsideBlock() const { return have_ != 0 || keyLeft_ != 0 || dataLeft_ != 0; }

    template <typename Out>
    bool Feed(const std::uint8_t* p, std::size_t n, Out&& out) {
        while (n > 0 && !ended_) {
            if (keyLeft_ > 0) {
                std::size_t k = std::min(keyLeft_, n);
                keyLeft_ -= k;
                p += k;
                n -= k;
            } else if (dataLeft_ > 0) {
                std::size_t k = std::min(dataLeft_, n);
                if (!out(p, k)) return false;
                dataLeft_ -= k;
                p += k;
                n -= k;
            } else {
                std::size_t k = std::min<std::size_t>(12 - have_, n);
                std::memcpy(count_ + have_, p, k);
                have_ += k;
                p += k;
                n -= k;
                if (have_ == 12) {
                    have_ = 0;
                    keyLeft_ = count_[9];
                    dataLeft_ = static_cast<std::size_t>(count_[10]) << 8 | count_[11];
                    if (dataLeft_ == 0) ended_ = true;
                }
            }
        }
        left_ = n;
        return true;
    }

  private:
    std::uint8_t count_[12] = {};
    std::size_t have_ = 0;
    std::size_t keyLeft_ = 0;
    std::size_t dataLeft_ = 0;
    std::size_t left_ = 0;
    bool ended_ = false;
};
}  // namespace

int MemberExtractor::ReadRecords(std::int64_t end) {
    const std::size_t slice = SliceLength();
    std::size_t filled = 0;
    ByteCount = 0;
    DumpOffset = 0;
    FileReader& s = *DataStream;
    std::uint8_t segment[255];
    BlockWalker walker;
    bool first = true;
    bool inRecord = false;

    auto take = [&](const std::uint8_t* p, std::size_t n) -> bool {
        while (n > 0) {
            std::size_t k = std::min(slice - filled, n);
            std::memcpy(Buffer.data() + filled, p, k);
            filled += k;
            p += k;
            n -= k;
            if (filled == slice) {
                ByteCount += static_cast<std::int64_t>(slice);
                filled = 0;
                if (!Emit(slice)) return false;
            }
        }
        return true;
    };
    auto incomplete = [&] {
        ErrorText = "Unexpected end of file: the data is incomplete";
        return 1;
    };
    auto noEndBlock = [&] {
        ErrorText = "Member data ends without its end-of-member block";
        return 1;
    };

    while (!walker.Ended()) {
        const std::int64_t at = s.Position();
        if (at >= end) {
            // Data that runs into the end of the file without its end block
            // or the closing control record is cut short; a member's data
            // ends with its end block, before the next data begins.
            if (end >= s.Size()) return incomplete();
            if (MemberMode) return noEndBlock();
            break;
        }
        Progress_->SetPosition(at);
        if (!first) {
            Progress_->ProcessEvents();
            if (Progress_->Cancelled()) return 0;  // the partial record is dropped
        }
        std::uint8_t header[2];
        if (s.Read(header, 2) != 2) return incomplete();
        if (header[0] == 0) {
            ErrorText = "Zero length record encountered";
            return 1;
        }
        const std::uint8_t flags = header[1];
        const std::size_t n = header[0] < 2 ? 0u : header[0] - 2u;
        if (s.Read(segment, n) != n) return incomplete();
        if (flags & 0x20) {
            // The control record after the data (INMR06) ends it; the flag on
            // anything else is damage.
            if ((flags & 0x80) && !inRecord && n >= 6 && std::memcmp(segment, kInmr0, 5) == 0) {
                if (MemberMode) return noEndBlock();
                break;
            }
            ErrorText = "Control record flag inside the data encountered";
            return 1;
        }
        if (((flags & 0x80) != 0) == inRecord) {
            ErrorText = "Segment out of sequence encountered";
            return 1;
        }
        if (header[0] < 2) {
            ErrorText = "Segment shorter than its header encountered";
            return 1;
        }
        inRecord = (flags & 0x40) == 0;
        first = false;
        if (MemberMode) {
            if (!walker.Feed(segment, n, take)) return 1;
            if (walker.Ended() ? walker.Left() != 0 || inRecord
                               : !inRecord && walker.InsideBlock()) {
                ErrorText = walker.Ended() ? "End-of-member block is not the end of its record"
                                           : "Data block runs past the end of its record";
                return 1;
            }
        } else if (!take(segment, n)) {
            return 1;
        }
    }
    ByteCount += static_cast<std::int64_t>(filled);
    if (!Emit(filled)) return 1;
    return 0;
}

bool MemberExtractor::Emit(std::size_t n) {
    switch (Sink) {
        case SinkKind::TextView:
            return SinkTextView(n);
        case SinkKind::HexView:
            return SinkHexView(n);
        case SinkKind::TextFile:
            SinkTextFile(n);
            return true;
        case SinkKind::BinaryFile:
            SinkBinaryFile(n);
            return true;
        case SinkKind::Bytes:
            target_->Write(Buffer.data(), n);
            return true;
        case SinkKind::None:
            break;
    }
    return true;
}

bool MemberExtractor::SinkTextView(std::size_t n) {
    if (TruncateLength >= 0 && static_cast<std::uint32_t>(TruncateLength) < Lrecl &&
        static_cast<std::size_t>(TruncateLength) < n) {
        n = static_cast<std::size_t>(TruncateLength);
    }
    line_.clear();
    AppendEbcdicVisible(Buffer.data(), n, line_);
    Viewer_->Lines().AppendLine(line_);  // a refused line is dropped
    return true;
}

bool MemberExtractor::SinkHexView(std::size_t n) {
    bool ok = HexDump->DumpBlock(Buffer.data(), n, true, DumpOffset, ItemName);
    DumpOffset += static_cast<std::int64_t>(kBinarySlice);
    if (!ok) ErrorText = "RichEdit line insertion error";
    return ok;
}

void MemberExtractor::SinkTextFile(std::size_t n) {
    if (TruncateLength >= 0 && static_cast<std::uint32_t>(TruncateLength) < Lrecl &&
        static_cast<std::size_t>(TruncateLength) < n) {
        ByteCount -= static_cast<std::int64_t>(n) - TruncateLength;
        n = static_cast<std::size_t>(TruncateLength);
    }
    EbcdicInPlace(Buffer.data(), n);
    Buffer[n] = 0x0D;
    Buffer[n + 1] = 0x0A;
    ByteCount += 2;
    Output->Write(Buffer.data(), n + 2);
}

void MemberExtractor::SinkBinaryFile(std::size_t n) {
    Output->Write(Buffer.data(), n);
}

void MemberExtractor::FinishViewer() {
    Viewer_->SetStatus(0, Progress_->Cancelled()
                              ? "Operation cancelled. Not all the data is present."
                              : "Data read ok.");
    Viewer_->SetStatus(1, "Size: " + std::to_string(ByteCount) + " bytes");
    Viewer_->FinishLoading();
}

void MemberExtractor::ShowExtractError(const std::string& name, std::int64_t start,
                                       std::int64_t end) {
    ErrorReportData report;
    report.Caption = "Data extraction error!";
    report.Title = ErrorText;
    report.Reason = name;
    report.Details = {"member " + name + " offsets into file:",
                      "Start   = " + std::to_string(start), "End       = " + std::to_string(end),
                      "Current   = " + std::to_string(DataStream->Position()),
                      "File size = " + std::to_string(DataStream->Size())};
    errors_.Show(report);
}

}  // namespace corvane
