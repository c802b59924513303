#include "extract/MemberReader.h"

#include <memory>
#include <optional>

#include "extract/BlockWalker.h"
#include "extract/RecordSplitter.h"
#include "extract/Sinks.h"
#include "io/AtomicWriter.h"
#include "io/BufferedReader.h"

namespace corvane {

namespace {

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
    return Error::Plain(Error::Kind::Io, text);
}

// A read that notes where its bytes are passes none.
struct NoSink : Sink {
    bool Take(std::uint8_t*, std::size_t) override { return true; }
};

// Counts the records that pass.
struct CountingSink : Sink {
    explicit CountingSink(Sink& inner) : Inner(inner) {}
    bool Take(std::uint8_t* data, std::size_t n) override {
        ++Records;
        const bool ok = Inner.Take(data, n);
        Bytes = Inner.Bytes;
        return ok;
    }
    Sink& Inner;
    std::int64_t Records = 0;
};

// Hands the blocks the walker finds to the splitter.
struct BlockOut {
    RecordSplitter& Splitter;
    const BlockWalker& Walker;
    std::vector<BlockMark>* Marks;
    bool Block(std::size_t length) {
        if (Marks) {
            const std::uint8_t* c = Walker.Count();
            Marks->push_back(
                {static_cast<std::uint32_t>(length),
                 static_cast<std::uint32_t>(c[4]) << 24 | c[5] << 16 | c[6] << 8 | c[7], c[8]});
        }
        return Splitter.Block(length);
    }
    bool Bytes(const std::uint8_t* p, std::size_t n) { return Splitter.Bytes(p, n); }
};

// Reads the segments from the reader's position up to end (or the first
// control record). In member mode only the data of the IEBCOPY blocks
// passes, up to the end-of-member block; otherwise the data of every
// segment, with the XMIT records' starts and ends.
void ReadSegments(BufferedReader& s, std::int64_t end, bool memberMode, RecordSplitter& splitter,
                  std::vector<BlockMark>* marks, Progress& progress, std::int64_t& at,
                  bool& cancelled) {
    std::uint8_t segment[255];
    BlockWalker walker;
    BlockOut out{splitter, walker, marks};
    bool recordStart = true;  // the next segment must start a record
    bool first = true;
    while (!walker.Ended()) {
        at = s.Position();
        if (at >= end) {
            // A member ends with its end-of-member block, never just where
            // the next one starts; data that runs into the end of the file
            // without its closing control record is cut short.
            if (memberMode) throw ReadFailure{"Member data ends without its end-of-member block"};
            throw ReadFailure{"Unexpected end of file: the data is incomplete"};
        }
        progress.SetPosition(at);
        if (!first) {
            progress.ProcessEvents();
            if (progress.Cancelled()) {
                cancelled = true;
                return;  // the partial record is dropped
            }
        }
        std::uint8_t header[2];
        if (s.Read(header, 2) != 2) {
            throw ReadFailure{"Unexpected end of file: the data is incomplete"};
        }
        if (header[0] == 0) throw ReadFailure{"Zero length record encountered"};
        if (header[0] < 2) throw ReadFailure{"Segment shorter than its header encountered"};
        const std::size_t n = header[0] - 2u;
        if (s.Read(segment, n) != n) {
            throw ReadFailure{"Unexpected end of file: the data is incomplete"};
        }
        splitter.SegmentAt(segment, at + 2);
        const std::uint8_t flags = header[1];
        if (flags & 0x20) {
            // The data ends only at a control record that starts a record.
            const bool named = n >= 6 && segment[0] == 0xC9 && segment[1] == 0xD5 &&
                               segment[2] == 0xD4 && segment[3] == 0xD9 && segment[4] == 0xF0;
            if (!recordStart || !named) throw ReadFailure{"Control record flag inside the data"};
            if (memberMode) throw ReadFailure{"Member data ends without its end-of-member block"};
            break;
        }
        if (((flags & 0x80) != 0) != recordStart) throw ReadFailure{"Segment out of sequence"};
        recordStart = (flags & 0x40) != 0;
        first = false;
        bool ok;
        if (memberMode) {
            if (flags & 0x80) walker.StartRecord();
            ok = walker.Feed(segment, n, out);
            if (walker.Ended() && (walker.Leftover() > 0 || !(flags & 0x40))) {
                throw ReadFailure{"End-of-member block is not the end of its record"};
            }
            if (ok && recordStart && !walker.Ended() && !walker.AtBlockBoundary()) {
                throw ReadFailure{"A block runs past the end of its record"};
            }
        } else {
            if (flags & 0x80) splitter.StartRecord();
            ok = splitter.Bytes(segment, n);
            if (ok && (flags & 0x40)) ok = splitter.EndRecord();
        }
        if (!ok) throw ReadFailure{"RichEdit line insertion error"};
    }
    if (!splitter.Finish()) throw ReadFailure{"RichEdit line insertion error"};
}

}  // namespace

MemberReader::MemberReader(ByteSource& source, const XmitInfo& info)
    : source_(source), info_(info) {}

MemberReader::~MemberReader() = default;

Result<ReadSummary> MemberReader::Read(const ReadRequest& request, Progress& progress) {
    const bool memberMode = request.Member != nullptr;
    const std::int64_t size = source_.Size();
    const std::int64_t start = memberMode ? request.Member->DataStart : info_.DataStart;
    std::int64_t end = memberMode ? request.Member->DataEnd : size;
    if (end < 0) end = size;
    if (memberMode && (start < 100 || start > size || start >= end)) {
        return ExtractError("Cannot find correct data location for", request.Name,
                            start < 0 ? 0 : start, end, start < 0 ? 0 : start, size);
    }
    if (!memberMode && start <= 0) {
        Error e = FileError("The file holds no dataset to read");
        e.What = Error::Kind::Usage;
        return e;
    }
    const bool text = request.Form == ReadForm::Text;
    const std::uint32_t lrecl = info_.Dataset.Lrecl;
    const RecordFormat& recfm = info_.Dataset.Recfm;
    // Undefined-length sequential data without a record length: each block is a line.
    const bool blockLines = text && !memberMode && recfm.Kind == 'U' && lrecl == 0;
    const bool records = text && (recfm.Kind == 'V' || blockLines);
    if (text && !records && lrecl == 0) {
        return ExtractError("Record length is 0: the data cannot be cut into text records",
                            request.Name, start, end, start, size);
    }
    if (text && !records && lrecl > kMaxTextRecord) {
        return ExtractError(
            "Record length " + std::to_string(lrecl) + " is too large for text records",
            request.Name, start, end, start, size);
    }
    const std::size_t cut = request.RecordCut >= 0 ? static_cast<std::size_t>(request.RecordCut)
                                                   : static_cast<std::size_t>(-1);

    const CodePage& characters = request.Characters ? *request.Characters : CodePage::Default();
    std::unique_ptr<OutputFile> output;
    std::unique_ptr<Sink> sink;
    if (request.Pieces) {
        if (request.Form != ReadForm::Binary) {
            Error e = FileError("Only binary reads can be indexed");
            e.What = Error::Kind::Usage;
            return e;
        }
        request.Pieces->clear();
        sink = std::make_unique<NoSink>();
    } else if (request.Lines) {
        if (text) {
            sink = std::make_unique<TextLinesSink>(*request.Lines, cut, characters,
                                                   request.KeepControls);
        } else {
            sink = std::make_unique<HexLinesSink>(*request.Lines, request.Name, characters);
        }
    } else {
        std::optional<ByteOut> out;
        if (request.Bytes) {
            request.Bytes->clear();
            out.emplace(*request.Bytes);
        } else {
            const std::string path = PathToUtf8(request.OutputFile);
            switch (OutputFile::Open(request.OutputFile, output)) {
                case OutputFile::OpenResult::CannotCreate:
                    return FileError("Cannot create file " + path);
                case OutputFile::OpenResult::CannotOpen:
                    return FileError("Cannot open file " + path);
                case OutputFile::OpenResult::IsFolder:
                    return FileError(path + " is a folder, not a file to write");
                case OutputFile::OpenResult::Opened:
                    break;
            }
            out.emplace(*output);
        }
        if (text) {
            sink = std::make_unique<TextFileSink>(*out, cut, characters);
        } else {
            sink = std::make_unique<BinaryFileSink>(*out);
        }
    }

    // Records are counted only for a read that keeps what came before damage.
    CountingSink counted(*sink);
    Sink& target = request.Partial ? static_cast<Sink&>(counted) : *sink;
    std::int64_t at = start;
    std::unique_ptr<RecordSplitter> splitter;
    if (request.Pieces) {
        splitter = std::make_unique<PieceIndex>(*request.Pieces, sink->Bytes);
    } else if (records && recfm.BlockRecords && !memberMode) {
        splitter = std::make_unique<WholeBlocks>(
            std::make_unique<VariableRecords>(target, true, true, kMaxTextRecord, at));
    } else if (records) {
        splitter = std::make_unique<VariableRecords>(
            counted, memberMode, !recfm.NoDescriptors && !blockLines, kMaxTextRecord, at);
    } else {
        splitter = std::make_unique<FixedSlices>(target, text ? lrecl : kBinarySlice,
                                                 !request.RecordsOnly);
    }
    progress.SetMaximum(end);
    progress.SetPosition(start);
    progress.SetMinimum(start);
    if (!in_) in_ = std::make_unique<BufferedReader>(source_);
    BufferedReader& in = *in_;
    in.Seek(start);
    ReadSummary summary;
    // Damage: nothing is kept, or with Partial what came before it.
    auto Failed = [&](const std::string& why, std::int64_t damageAt) -> Result<ReadSummary> {
        const Error e = ExtractError(why, request.Name, start, end, damageAt, size);
        if (request.Partial) {
            PartialRead& kept = *request.Partial;
            kept.Bytes = sink->Bytes;
            // A binary read passes slices, not records: only fixed ones count.
            kept.Records = text                             ? counted.Records
                           : recfm.Kind == 'F' && lrecl > 0 ? sink->Bytes / lrecl
                                                            : -1;
            kept.DamageAt = damageAt;
            // Nothing read is no file.
            if (output && !output->Close(sink->Bytes, sink->Bytes > 0)) {
                return FileError("Stream write error");
            }
            return e;
        }
        if (output) output->Close(0, false);
        if (request.Bytes) request.Bytes->clear();
        if (request.Pieces) request.Pieces->clear();
        return e;
    };
    try {
        ReadSegments(in, end, memberMode, *splitter, memberMode ? request.Blocks : nullptr,
                     progress, at, summary.Cancelled);
    } catch (const ReadFailure& f) {
        return Failed(f.Text, in.Position());
    } catch (const ReadError& e) {
        return Failed(e.what(), in.Position());
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
