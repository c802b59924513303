#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvane::repair {

// A walk along the NETDATA segments of a file of `size` bytes, read through
// at(offset), that can stop where the bytes known so far end and go on
// when more are known. It ends at the closing control record (End just past
// it) or where the chain breaks (Pos there: a length that runs past the end,
// records out of sequence).
struct SegmentWalk {
    enum class State { Walking, Closed, Broken };
    State Now = State::Walking;
    std::size_t Pos = 0;
    std::size_t End = 0;
    bool RecordStart = true;

    // Walks as far as the bytes below `known` take it (all of them when
    // known is size).
    template <class At>
    void Advance(const At& at, std::size_t known, std::size_t size) {
        while (Now == State::Walking) {
            if (Pos + 2 > size) {
                Now = State::Broken;
                return;
            }
            if (known < size && Pos + 8 > known) return;  // the header is not all known yet
            const std::size_t length = at(Pos);
            const std::uint8_t flags = at(Pos + 1);
            const bool first = (flags & 0x80) != 0;
            if (length < 2 || Pos + length > size || first != RecordStart) {
                Now = State::Broken;
                return;
            }
            if ((flags & 0x20) && first && (flags & 0x40) && length >= 8 && at(Pos + 2) == 0xC9 &&
                at(Pos + 3) == 0xD5 && at(Pos + 4) == 0xD4 && at(Pos + 5) == 0xD9 &&
                at(Pos + 6) == 0xF0 && at(Pos + 7) == 0xF6) {
                End = Pos + length;
                Now = State::Closed;
                return;
            }
            RecordStart = (flags & 0x40) != 0;
            Pos += length;
        }
    }
};

// Line ends counted as a text-mode copy is read, a stretch at a time: every
// LF, and those with a CR before them.
struct LineEnds {
    std::size_t Lf = 0, CrLf = 0;
    std::uint8_t Before = 0;  // the last byte counted, 0 before the first

    void Count(const std::uint8_t* begin, std::size_t n) {
        if (n == 0) return;
        const std::uint8_t* const end = begin + n;
        for (const std::uint8_t* p = begin; p < end; ++p) {
            p = static_cast<const std::uint8_t*>(
                std::memchr(p, 0x0A, static_cast<std::size_t>(end - p)));
            if (!p) break;
            ++Lf;
            if ((p > begin ? p[-1] : Before) == 0x0D) ++CrLf;
        }
        Before = end[-1];
    }
    // Whether most line ends are CR LF rather than LF alone.
    bool MostlyCrLf() const { return Lf > 0 && CrLf * 2 > Lf; }
};

}  // namespace corvane::repair
