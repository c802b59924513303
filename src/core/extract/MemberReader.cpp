#include "extract/MemberReader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "decode/S390format.h"
#include "extract/OutputFile.h"
#include "io/BufferedReader.h"
#include "text/HexDump.h"

namespace corvane {

namespace {

// Walks the blocks of IEBCOPY unload data records: each block is a 12-byte
// count field (key length at +9, data length at +10), the key, then the data.
// Only data bytes pass; a block with data length 0 ends the member.
class BlockWalker {
  public:
    bool Ended() const { return ended_; }

    template <typename Out>
    bool Feed(const std::uint8_t* p, std::size_t n, Out&& out) {
        while (n > 0 && !ended_) {
            if (keyLeft_ > 0) {
                const std::size_t k = std::min(keyLeft_, n);
                keyLeft_ -= k;
                p += k;
                n -= k;
            } else if (dataLeft_ > 0) {
                const std::size_t k = std::min(dataLeft_, n);
                if (!out(p, k)) return false;
                dataLeft_ -= k;
                p += k;
                n -= k;
            } else {
                const std::size_t k = std::min<std::size_t>(12 - have_, n);
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
        return true;
    }
    void StartRecord() {
        have_ = 0;
        keyLeft_ = 0;
        dataLeft_ = 0;
    }

  private:
    std::uint8_t count_[12] = {};
    std::size_t have_ = 0;
    std::size_t keyLeft_ = 0;
    std::size_t dataLeft_ = 0;
    bool ended_ = false;
};

// Where the records of one read go.
class Sink {
  public:
    virtual ~Sink() = default;
    // Takes one record (or slice) of n bytes; the buffer has 2 bytes spare
    // behind them. False ends the read.
    virtual bool Take(std::uint8_t* data, std::size_t n) = 0;
    std::int64_t Bytes = 0;
};

class TextLinesSink : public Sink {
  public:
    TextLinesSink(LineTarget& lines, std::size_t cut) : lines_(lines), cut_(cut) {}
    bool Take(std::uint8_t* data, std::size_t n) override {
        Bytes += static_cast<std::int64_t>(n);
        if (n > cut_) n = cut_;
        line_.clear();
        AppendEbcdicVisible(data, n, line_);
        lines_.AppendLine(line_);  // a refused line is dropped
        return true;
    }

  private:
    LineTarget& lines_;
    std::size_t cut_;
    std::string line_;
};

class HexLinesSink : public Sink {
  public:
    HexLinesSink(LineTarget& lines, std::string title) : lines_(lines), title_(std::move(title)) {}
    bool Take(std::uint8_t* data, std::size_t n) override {
        Bytes += static_cast<std::int64_t>(n);
        const bool ok = AppendHexDump(data, n, offset_, title_, [this](std::string_view line) {
            return lines_.AppendLine(line);
        });
        offset_ += static_cast<std::int64_t>(MemberReader::kBinarySlice);
        return ok;
    }

  private:
    LineTarget& lines_;
    std::string title_;
    std::int64_t offset_ = 0;
};

class TextFileSink : public Sink {
  public:
    TextFileSink(OutputFile& out, std::size_t cut) : out_(out), cut_(cut) {}
    bool Take(std::uint8_t* data, std::size_t n) override {
        if (n > cut_) n = cut_;
        EbcdicInPlace(data, n);
        data[n] = 0x0D;
        data[n + 1] = 0x0A;
        out_.Write(data, n + 2);
        Bytes += static_cast<std::int64_t>(n) + 2;
        return true;
    }

  private:
    OutputFile& out_;
    std::size_t cut_;
};

class BinaryFileSink : public Sink {
  public:
    explicit BinaryFileSink(OutputFile& out) : out_(out) {}
    bool Take(std::uint8_t* data, std::size_t n) override {
        out_.Write(data, n);
        Bytes += static_cast<std::int64_t>(n);
        return true;
    }

  private:
    OutputFile& out_;
};

struct ReadFailure {
    std::string Text;
};

Error ExtractError(const std::string& text, const std::string& name, std::int64_t start,
                   std::int64_t end, std::int64_t at, std::int64_t size) {
    Error e;
    e.What = Error::Kind::Damaged;
    e.Caption = "Data extraction error!";
    e.Title = text;
    e.Reason = name;
    e.Message = text;
    e.RangeStart = start;
    e.RangeEnd = end;
    e.Offset = at;
    e.FileSize = size;
    return e;
}

Error FileError(const std::string& text) {
    Error e;
    e.What = Error::Kind::Io;
    e.Caption = "Error";
    e.Message = text;
    return e;
}

// Reads the segments from start up to end (or the first control record),
// joins their data and cuts it into slices for the sink. In member mode only
// the data of the IEBCOPY blocks passes, up to the end-of-member block.
bool ReadRecords(BufferedReader& s, std::int64_t end, bool memberMode, std::size_t slice,
                 Sink& sink, Progress& progress, bool& cancelled) {
    std::vector<std::uint8_t> buffer(slice + 2);
    std::size_t filled = 0;
    std::uint8_t segment[255];
    BlockWalker walker;
    bool first = true;
    auto take = [&](const std::uint8_t* p, std::size_t n) -> bool {
        while (n > 0) {
            const std::size_t k = std::min(slice - filled, n);
            std::memcpy(buffer.data() + filled, p, k);
            filled += k;
            p += k;
            n -= k;
            if (filled == slice) {
                filled = 0;
                if (!sink.Take(buffer.data(), slice)) return false;
            }
        }
        return true;
    };
    while (!walker.Ended()) {
        const std::int64_t at = s.Position();
        if (at >= end) {
            // Data that runs into the end of the file without its end block
            // or the closing control record is cut short.
            if (end >= s.Size())
                throw ReadFailure{"Unexpected end of file: the data is incomplete"};
            break;
        }
        progress.SetPosition(at);
        if (!first) {
            progress.ProcessEvents();
            if (progress.Cancelled()) {
                cancelled = true;
                return true;  // the partial record is dropped
            }
        }
        std::uint8_t header[2];
        if (s.Read(header, 2) != 2)
            throw ReadFailure{"Unexpected end of file: the data is incomplete"};
        if (header[0] == 0) throw ReadFailure{"Zero length record encountered"};
        if (header[1] & 0x20) break;  // the control record after the data
        if (header[0] < 2) throw ReadFailure{"Segment shorter than its header encountered"};
        const std::size_t n = header[0] - 2u;
        if (s.Read(segment, n) != n)
            throw ReadFailure{"Unexpected end of file: the data is incomplete"};
        first = false;
        bool ok;
        if (memberMode) {
            if (header[1] & 0x80) walker.StartRecord();
            ok = walker.Feed(segment, n, take);
        } else {
            ok = take(segment, n);
        }
        if (!ok) throw ReadFailure{"RichEdit line insertion error"};
    }
    if (!sink.Take(buffer.data(), filled)) throw ReadFailure{"RichEdit line insertion error"};
    return true;
}

}  // namespace

MemberReader::MemberReader(ByteSource& source, const XmitInfo& info)
    : source_(source), info_(info) {}

Result<ReadSummary> MemberReader::Read(const ReadRequest& request, Progress& progress) {
    const bool memberMode = request.Member != nullptr;
    const std::int64_t size = source_.Size();
    std::int64_t start = memberMode ? request.Member->DataStart : info_.DataStart;
    std::int64_t end = memberMode ? request.Member->DataEnd : size;
    if (end < 0) end = size;
    if (memberMode && (start < 100 || start > size || start >= end)) {
        return ExtractError("Cannot find correct data location for", request.Name,
                            start < 0 ? 0 : start, end, start < 0 ? 0 : start, size);
    }
    const bool text = request.Form == ReadForm::Text;
    const std::uint32_t lrecl = info_.Dataset.Lrecl;
    if (text && lrecl == 0) {
        return ExtractError("Record length is 0: the data cannot be cut into text records",
                            request.Name, start, end, start, size);
    }
    if (text && lrecl > kMaxTextRecord) {
        return ExtractError(
            "Record length " + std::to_string(lrecl) + " is too large for text records",
            request.Name, start, end, start, size);
    }
    const std::size_t slice = text ? lrecl : kBinarySlice;
    const std::size_t cut = request.RecordCut >= 0 ? static_cast<std::size_t>(request.RecordCut)
                                                   : static_cast<std::size_t>(-1);

    std::unique_ptr<OutputFile> output;
    std::unique_ptr<Sink> sink;
    if (request.Lines) {
        if (text) {
            sink = std::make_unique<TextLinesSink>(*request.Lines, cut);
        } else {
            sink = std::make_unique<HexLinesSink>(*request.Lines, request.Name);
        }
    } else {
        const std::string path = request.OutputFile.string();
        switch (OutputFile::Open(request.OutputFile, output)) {
            case OutputFile::OpenResult::CannotCreate:
                return FileError("Cannot create file " + path);
            case OutputFile::OpenResult::CannotOpen:
                return FileError("Cannot open file " + path);
            case OutputFile::OpenResult::Opened:
                break;
        }
        if (text) {
            sink = std::make_unique<TextFileSink>(*output, cut);
        } else {
            sink = std::make_unique<BinaryFileSink>(*output);
        }
    }

    progress.SetMaximum(end);
    progress.SetPosition(start);
    progress.SetMinimum(start);
    BufferedReader in(source_);
    in.Seek(start);
    ReadSummary summary;
    try {
        ReadRecords(in, end, memberMode, slice, *sink, progress, summary.Cancelled);
    } catch (const ReadFailure& f) {
        if (output) output->Close(0, false);
        return ExtractError(f.Text, request.Name, start, end, in.Position(), size);
    } catch (const ReadError& e) {
        if (output) output->Close(0, false);
        return ExtractError(e.what(), request.Name, start, end, in.Position(), size);
    } catch (const WriteError& e) {
        if (output) output->Close(0, false);
        return FileError(e.what());
    }
    summary.Bytes = sink->Bytes;
    progress.SetMinimum(0);
    progress.SetPosition(0);
    progress.SetMaximum(100);
    if (output && !output->Close(summary.Bytes, true)) return FileError("Stream write error");
    return summary;
}

}  // namespace corvane
