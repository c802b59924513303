#include "decode/XmitParser.h"

#include "decode/ParseRun.h"

namespace corvane {

bool LooksLikeXmit(const std::uint8_t* bytes, std::size_t n) {
    return parse::LooksLikeXmitRecord(bytes, n);
}

namespace {
Error DecodeFailure(const parse::ParseRun& run, const BufferedReader& in, std::string message) {
    Error e;
    e.What = Error::Kind::Damaged;
    e.Caption = "Error";
    e.Title = "Error while decoding";
    e.Reason = run.Reason;
    e.Message = std::move(message);
    e.Offset = in.Position();
    e.FileSize = in.Size();
    e.SegmentLength = run.SegmentLength;
    e.SegmentFlags = run.SegmentFlags;
    return e;
}
}  // namespace

Result<XmitInfo> ParseXmit(ByteSource& source, const ParseOptions& options,
                           std::vector<std::string>* headerDump) {
    BufferedReader in(source);
    std::uint8_t head[8] = {};
    if (in.Read(head, sizeof head) != sizeof head || !LooksLikeXmit(head, sizeof head)) {
        Error e;
        e.What = Error::Kind::NotXmit;
        e.Caption = "Xmit parse error";
        e.Message = "INMR01 header not found!\nThis does not look like an Xmit file";
        return e;
    }
    in.Seek(0);
    parse::ParseRun run(in, options.HeaderDump, headerDump);
    try {
        run.Run();
    } catch (const parse::Failure& f) {
        return DecodeFailure(run, in, f.Message);
    } catch (const parse::Unsupported& u) {
        Error e = DecodeFailure(run, in, u.Message);
        e.What = Error::Kind::Unsupported;
        e.Caption = "Unsupported functionality";
        e.Detail = run.PendingDetails;
        return e;
    } catch (const ReadError& r) {
        Error e = DecodeFailure(run, in, r.what());
        e.What = Error::Kind::Io;
        e.Caption.clear();
        return e;
    }
    return std::move(run.Info);
}

}  // namespace corvane
