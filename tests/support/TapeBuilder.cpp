#include "TapeBuilder.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

#ifdef CORVANE_HAVE_BZIP2
#include <bzlib.h>
#endif

namespace corvane::testing {

namespace {
std::string Padded(std::string text, std::size_t n) {
    text.resize(n, ' ');
    return text;
}
std::string Digits(std::uint64_t value, int width) {
    char out[32];
    std::snprintf(out, sizeof out, "%0*llu", width, static_cast<unsigned long long>(value));
    std::string s = out;
    return s.substr(s.size() - static_cast<std::size_t>(width));
}
}  // namespace

bool TapeBuilderHasBzip2() {
#ifdef CORVANE_HAVE_BZIP2
    return true;
#else
    return false;
#endif
}

Bytes PackBlock(const Bytes& data, TapePacking wanted, bool always, TapePacking* packing) {
    *packing = TapePacking::None;
    Bytes out;
    if (wanted == TapePacking::Zlib) {
        uLongf n = compressBound(static_cast<uLong>(data.size()));
        out.resize(n);
        if (compress2(out.data(), &n, data.data(), static_cast<uLong>(data.size()),
                      Z_DEFAULT_COMPRESSION) != Z_OK)
            throw std::runtime_error("zlib compress failed");
        out.resize(n);
    } else if (wanted == TapePacking::Bzip2) {
#ifdef CORVANE_HAVE_BZIP2
        unsigned n = static_cast<unsigned>(data.size() + data.size() / 100 + 600);
        out.resize(n);
        if (BZ2_bzBuffToBuffCompress(
                reinterpret_cast<char*>(out.data()), &n,
                reinterpret_cast<char*>(const_cast<std::uint8_t*>(data.data())),
                static_cast<unsigned>(data.size()), 9, 0, 30) != BZ_OK)
            throw std::runtime_error("bzip2 compress failed");
        out.resize(n);
#else
        return data;
#endif
    } else {
        return data;
    }
    if (!always && out.size() >= data.size()) return data;
    *packing = wanted;
    return out;
}

void TapeWriter::Chunk(std::uint16_t length, std::uint16_t previous, std::uint8_t flags1,
                       const Bytes& data, std::uint8_t flags2) {
    const std::uint8_t h[6] = {static_cast<std::uint8_t>(length),
                               static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(previous),
                               static_cast<std::uint8_t>(previous >> 8),
                               flags1,
                               flags2};
    out_.Put(h, sizeof h);
    out_.Put(data.data(), data.size());
    previous_ = length;
}

void TapeWriter::Stored(const Bytes& stored, std::uint8_t compressionBits) {
    const std::size_t size = options_.ChunkSize == 0 ? 65535 : options_.ChunkSize;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(size, stored.size() - at);
        std::uint8_t flags = compressionBits;
        if (at == 0) flags |= 0x80;
        if (at + n == stored.size()) flags |= 0x20;
        Chunk(static_cast<std::uint16_t>(n), previous_, flags,
              Bytes(stored.begin() + static_cast<std::ptrdiff_t>(at),
                    stored.begin() + static_cast<std::ptrdiff_t>(at + n)));
        at += n;
    } while (at < stored.size());
}

void TapeWriter::Block(const Bytes& data, TapePacking packing) {
    TapePacking used = TapePacking::None;
    const Bytes stored = PackBlock(data, packing, options_.AlwaysCompress, &used);
    Stored(stored, static_cast<std::uint8_t>(used == TapePacking::Zlib    ? 1
                                             : used == TapePacking::Bzip2 ? 2
                                                                          : 0));
}

void TapeWriter::Tapemark() {
    Chunk(0, previous_, 0x40, {});
    previous_ = 0;
}

Bytes Vol1Label(const std::string& volser, const std::string& owner) {
    return ToEbcdic(
        Padded("VOL1" + Padded(volser, 6) + " " + std::string(30, ' ') + Padded(owner, 10), 80));
}

Bytes Label1(const std::string& id, const TapeDataset& ds, const std::string& volser,
             std::uint32_t seq, std::uint64_t blocks) {
    std::string dsn = ds.Dsn.size() > 17 ? ds.Dsn.substr(ds.Dsn.size() - 17) : ds.Dsn;
    std::string text = id + Padded(dsn, 17) + Padded(volser, 6) + Digits(ds.VolumeSequence, 4) +
                       Digits(seq, 4) + "    " + "  " + Padded(ds.Created, 6) + " 00000" + "0" +
                       Digits(blocks % 1000000, 6) + Padded("IBM OS/VS 370", 13) + "   " +
                       (blocks >= 1000000 ? Digits(blocks / 1000000, 4) : std::string(4, ' '));
    return ToEbcdic(Padded(text, 80));
}

Bytes Label2(const std::string& id, const TapeDataset& ds) {
    const std::string& r = ds.Recfm;
    const char format = r.empty() ? 'U' : r[0];
    const bool blocked = r.find('B') != std::string::npos;
    const bool spanned = r.find('S') != std::string::npos;
    const char attribute = blocked && spanned ? 'R' : blocked ? 'B' : spanned ? 'S' : ' ';
    const bool large = ds.Blksize > 99999;
    std::string text = id + std::string(1, format) + (large ? "00000" : Digits(ds.Blksize, 5)) +
                       Digits(ds.Lrecl, 5) + "4" + (ds.VolumeSequence > 1 ? "1" : "0") +
                       Padded(ds.JobStep, 17) + "  " + " " + " " + std::string(1, attribute) +
                       "  " + " 30001" + " " + std::string(22, ' ') +
                       (large ? Digits(ds.Blksize, 10) : std::string(10, ' '));
    return ToEbcdic(Padded(text, 80));
}

void WriteLabelledTape(TapeWriter& w, const std::string& volser,
                       const std::vector<TapeDataset>& datasets, std::uint32_t firstSequence) {
    w.Block(Vol1Label(volser));
    std::uint32_t seq = firstSequence;
    for (const TapeDataset& ds : datasets) {
        w.Block(Label1("HDR1", ds, volser, seq, 0));
        w.Block(Label2("HDR2", ds));
        w.Tapemark();
        for (const Bytes& b : ds.Blocks) w.Block(b);
        w.Tapemark();
        const std::string end = ds.ContinuesOnNextVolume ? "EOV" : "EOF";
        w.Block(Label1(end + "1", ds, volser, seq, ds.Eof1Blocks.value_or(ds.Blocks.size())));
        w.Block(Label2(end + "2", ds));
        w.Tapemark();
        ++seq;
    }
    w.Tapemark();
}

Bytes LabelledTape(const std::string& volser, const std::vector<TapeDataset>& datasets,
                   const TapeOptions& options) {
    MemoryOut out;
    TapeWriter w(out, options);
    WriteLabelledTape(w, volser, datasets);
    return out.Data;
}

Bytes UnlabelledTape(const std::vector<std::vector<Bytes>>& files, const TapeOptions& options) {
    MemoryOut out;
    TapeWriter w(out, options);
    for (const auto& blocks : files) {
        for (const Bytes& b : blocks) w.Block(b);
        w.Tapemark();
    }
    w.Tapemark();
    return out.Data;
}

Bytes CardData(std::size_t n, std::uint32_t seed) {
    static const char* const words[] = {"//STEP01  EXEC PGM=IEBGENER", "//SYSPRINT DD SYSOUT=*",
                                        "         MVC   0(8,R1),=CL8'CORVANE'",
                                        "       IDENTIFICATION DIVISION.", "*  COMMENT CARD"};
    Bytes out;
    out.reserve(n + 80);
    std::uint32_t x = seed * 2654435761u + 12345;
    std::uint64_t card = 0;
    while (out.size() < n) {
        x = x * 1103515245u + 12345;
        std::string text = words[(x >> 16) % 5];
        text += "  " + Digits(card++, 8);
        Bytes line = ToEbcdic(Padded(text, 80));
        // A stretch of random bytes in every card: about half the card's
        // bytes end up incompressible.
        const std::size_t from = 36 + (x >> 8) % 8;
        for (std::size_t k = from; k < from + 34; ++k) {
            x = x * 1103515245u + 12345;
            line[k] = static_cast<std::uint8_t>(x >> 24);
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    out.resize(n);
    return out;
}

}  // namespace corvane::testing
