#include "tape/TapeInflate.h"

#include <zlib.h>

#include <new>
#include <string>
#include <vector>

#include "tape/TapeError.h"

#ifdef CORVANE_HAVE_BZIP2
#include <bzlib.h>
#endif

namespace corvane::tape {

namespace {
std::string Which(const TapeBlock& block, std::size_t number) {
    return "block " + std::to_string(number) + " (offset " + std::to_string(block.Offset) + ")";
}
Error Broken(const TapeBlock& block, std::size_t number, const char* kind, const std::string& why) {
    return Damage(std::string("The ") + kind + " data of " + Which(block, number) + " " + why,
                  block.Offset);
}
Error TooLong(const TapeBlock& block, std::size_t number) {
    return Damage("The data of " + Which(block, number) + " inflates to more than " +
                      std::to_string(kMaxInflated) + " bytes, more than a tape block holds",
                  block.Offset);
}

#ifdef CORVANE_HAVE_BZIP2
// The bzip2 decompressor asks for megabytes for every stream, however short;
// the pieces are kept for the thread's next stream instead of going back to
// the system each time.
class Arena {
  public:
    static void* Take(void* opaque, int n, int m) {
        auto* arena = static_cast<Arena*>(opaque);
        if (n <= 0 || m <= 0) return nullptr;
        const std::size_t size = static_cast<std::size_t>(n) * static_cast<std::size_t>(m);
        for (Piece& p : arena->pieces_) {
            if (!p.Used && p.Size == size) {
                p.Used = true;
                return p.Bytes.get();
            }
        }
        if (arena->pieces_.size() >= kKept) return nullptr;
        arena->pieces_.push_back(
            {size, std::unique_ptr<char[]>(new (std::nothrow) char[size]), true});
        return arena->pieces_.back().Bytes.get();
    }
    static void Give(void* opaque, void* bytes) {
        for (Piece& p : static_cast<Arena*>(opaque)->pieces_)
            if (p.Bytes.get() == bytes) p.Used = false;
    }

  private:
    struct Piece {
        std::size_t Size;
        std::unique_ptr<char[]> Bytes;
        bool Used;
    };
    static constexpr std::size_t kKept = 16;
    std::vector<Piece> pieces_;
};

Result<std::size_t> InflateBzip2(const TapeBlock& block, std::size_t number,
                                 const std::uint8_t* stored, std::uint8_t* out) {
    thread_local Arena arena;
    bz_stream s{};
    s.bzalloc = &Arena::Take;
    s.bzfree = &Arena::Give;
    s.opaque = &arena;
    if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) {
        Error e = Damage("The bzip2 decompressor could not start");
        e.What = Error::Kind::Io;
        return e;
    }
    struct Guard {
        bz_stream* s;
        ~Guard() { BZ2_bzDecompressEnd(s); }
    } guard{&s};
    s.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(stored));
    s.avail_in = block.Stored;
    s.next_out = reinterpret_cast<char*>(out);
    s.avail_out = kMaxInflated;
    char extra = 0;
    for (;;) {
        const unsigned inBefore = s.avail_in, outBefore = s.avail_out;
        const int rc = BZ2_bzDecompress(&s);
        if (s.total_out_hi32 != 0 || s.total_out_lo32 > kMaxInflated) return TooLong(block, number);
        if (rc == BZ_STREAM_END) return static_cast<std::size_t>(s.total_out_lo32);
        if (rc != BZ_OK) return Broken(block, number, "bzip2", "is damaged");
        if (s.avail_out == 0) {
            // Full: the stream must end here, with no byte more.
            s.next_out = &extra;
            s.avail_out = 1;
            continue;
        }
        if (s.avail_in == 0 || (s.avail_in == inBefore && s.avail_out == outBefore))
            return Broken(block, number, "bzip2", "ends before its stream does");
    }
}
#endif
}  // namespace

struct BlockInflater::Zlib {
    z_stream z{};
    bool started = false;
    ~Zlib() {
        if (started) inflateEnd(&z);
    }
};

BlockInflater::BlockInflater() : zlib_(std::make_unique<Zlib>()) {}
BlockInflater::~BlockInflater() = default;

Result<std::size_t> BlockInflater::Inflate(const TapeBlock& block, std::size_t number,
                                           const std::uint8_t* stored, std::uint8_t* out) {
    if (block.Packing == Compression::Bzip2) {
#ifdef CORVANE_HAVE_BZIP2
        return InflateBzip2(block, number, stored, out);
#else
        Error e = Damage("This build cannot read bzip2-compressed tape blocks", block.Offset);
        e.What = Error::Kind::Unsupported;
        return e;
#endif
    }
    z_stream& z = zlib_->z;
    if (!zlib_->started) {
        if (inflateInit(&z) != Z_OK) {
            Error e = Damage("The zlib inflater could not start");
            e.What = Error::Kind::Io;
            return e;
        }
        zlib_->started = true;
    } else {
        inflateReset(&z);
    }
    z.next_in = const_cast<Bytef*>(stored);
    z.avail_in = block.Stored;
    z.next_out = out;
    z.avail_out = kMaxInflated;
    Bytef extra = 0;
    for (;;) {
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (z.total_out > kMaxInflated) return TooLong(block, number);
        if (rc == Z_STREAM_END) return static_cast<std::size_t>(z.total_out);
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            return Broken(block, number, "zlib",
                          std::string("is damaged (") + (z.msg ? z.msg : "no detail") + ")");
        }
        if (z.avail_out == 0) {
            // Full: the stream must end here, with no byte more.
            z.next_out = &extra;
            z.avail_out = 1;
            continue;
        }
        if (z.avail_in == 0 || rc == Z_BUF_ERROR)
            return Broken(block, number, "zlib", "ends before its stream does");
    }
}

}  // namespace corvane::tape
