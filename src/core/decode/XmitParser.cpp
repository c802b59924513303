#include "decode/XmitParser.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "decode/ParseRun.h"
#include "extract/MemberReader.h"

namespace corvane {

bool LooksLikeXmit(const std::uint8_t* bytes, std::size_t n) {
    return parse::LooksLikeXmitRecord(bytes, n);
}

bool StartsWithXmitHeader(const std::uint8_t* bytes, std::size_t n) {
    constexpr std::uint8_t kInmr01[6] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0, 0xF1};
    return n >= 8 && bytes[0] >= 8 && (bytes[1] & 0xA0) == 0xA0 &&
           std::equal(kInmr01, kInmr01 + 6, bytes + 2);
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
// Ends a read once its pieces hold the bytes looked at: of a member only
// the first bytes are wanted, not all of its data.
class EnoughPieces : public NullProgress {
  public:
    explicit EnoughPieces(const std::vector<DataPiece>& pieces) : pieces_(pieces) {}
    bool Cancelled() const override {
        return !pieces_.empty() && pieces_.back().Offset >= static_cast<std::int64_t>(kSniffBytes);
    }

  private:
    const std::vector<DataPiece>& pieces_;
};

// Whether members whose first block is too short to tell hold a
// transmission: their first bytes read across their blocks.
void MarkShortNested(ByteSource& source, XmitInfo& info, const std::vector<std::uint32_t>& ttrs) {
    if (ttrs.empty()) return;
    const std::unordered_set<std::uint32_t> shortOnes(ttrs.begin(), ttrs.end());
    std::unordered_map<std::uint32_t, Content> holds;
    MemberReader reader(source, info);
    for (const MemberEntry& m : info.Members) {
        if (m.DataStart <= 0 || !shortOnes.count(m.Ttr) || holds.count(m.Ttr)) continue;
        std::vector<DataPiece> pieces;
        ReadRequest request;
        request.Member = &m;
        request.Pieces = &pieces;
        EnoughPieces progress(pieces);
        auto read = reader.Read(request, progress);
        if (!read) continue;
        std::uint8_t head[kSniffBytes];
        std::size_t have = 0;
        for (std::size_t k = 0; k < pieces.size() && have < sizeof head; ++k) {
            const std::int64_t end = k + 1 < pieces.size() ? pieces[k + 1].Offset : read->Bytes;
            const auto take = std::min<std::size_t>(
                sizeof head - have, static_cast<std::size_t>(end - pieces[k].Offset));
            auto got = source.ReadAt(pieces[k].FileOffset, head + have, take);
            if (!got || got.Value() != take) break;
            have += take;
        }
        holds[m.Ttr] = HeldContent(head, have);
    }
    for (MemberEntry& m : info.Members) {
        const auto held = holds.find(m.Ttr);
        if (held == holds.end()) continue;
        m.HoldsXmit = m.HoldsXmit || held->second == Content::Xmit;
        if (!m.HoldsXmit) m.Holds = held->second;
    }
}
}  // namespace

Result<XmitInfo> ParseXmit(ByteSource& source, const ParseOptions& options,
                           std::vector<std::string>* headerDump) {
    BufferedReader in(source);
    std::uint8_t head[8] = {};
    std::size_t got = 0;
    try {
        got = in.Read(head, sizeof head);
    } catch (const ReadError& r) {
        Error e;
        e.What = Error::Kind::Io;
        e.Message = r.what();
        return e;
    }
    if (got != sizeof head || !LooksLikeXmit(head, sizeof head)) {
        Error e;
        e.What = Error::Kind::NotXmit;
        e.Caption = "Xmit parse error";
        e.Message = "INMR01 header not found!\nThis does not look like an Xmit file";
        return e;
    }
    in.Seek(0);
    parse::ParseRun run(in, options.HeaderDump, headerDump,
                        options.Characters ? *options.Characters : CodePage::Default());
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
    MarkShortNested(source, run.Info, run.ShortFirstBlocks);
    return std::move(run.Info);
}

}  // namespace corvane
