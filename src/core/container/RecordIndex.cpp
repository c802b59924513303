#include "container/RecordIndex.h"

#include "io/BufferedReader.h"

namespace corvane {

namespace {

Error LayoutError(const ByteSource& source, const std::string& what, std::int64_t at) {
    Error e;
    e.What = Error::Kind::Damaged;
    e.Caption = "Error";
    e.Title = "Error while decoding";
    e.Reason = "Record descriptors";
    e.Message = what + " at offset " + std::to_string(at) + " of " + source.Name();
    e.Offset = at;
    e.FileSize = source.Size();
    return e;
}

struct Descriptor {
    std::uint32_t Length = 0;  // the descriptor's own 4 bytes included
    std::uint8_t Code = 0;     // third byte: the segment code of a record descriptor
};

// The 4-byte descriptor at the reader's position; a block descriptor with its
// high bit set carries a 31-bit length.
bool ReadDescriptor(BufferedReader& in, Descriptor& d, bool block) {
    std::uint8_t b[4];
    if (in.Read(b, 4) != 4) return false;
    if (block && (b[0] & 0x80)) {
        d.Length =
            (static_cast<std::uint32_t>(b[0] & 0x7F) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
        d.Code = 0;
    } else {
        d.Length = static_cast<std::uint32_t>(b[0] << 8 | b[1]);
        d.Code = b[2];
    }
    return true;
}

// Zero bytes to the end: padding after the last block, as some transfers add.
bool OnlyZerosLeft(BufferedReader& in) {
    for (int b = in.ReadByte(); b >= 0; b = in.ReadByte()) {
        if (b != 0) return false;
    }
    return true;
}

// Walks records (or, with blocks, blocks of records) and hands each segment's
// place to take(offset, length, code); a segment's data follows its descriptor.
template <class Take>
Status Walk(ByteSource& source, bool blocks, Take take) {
    BufferedReader in(source);
    const std::int64_t size = source.Size();
    try {
        while (in.Position() < size) {
            const std::int64_t at = in.Position();
            Descriptor d;
            if (!ReadDescriptor(in, d, blocks)) {
                return LayoutError(source, "Descriptor word cut short", at);
            }
            if (d.Length == 0) {
                in.Seek(at);
                if (OnlyZerosLeft(in)) return Success();
                return LayoutError(source, "Descriptor word with length 0", at);
            }
            if (d.Length < 4 || at + d.Length > size) {
                return LayoutError(source,
                                   "Descriptor word with length " + std::to_string(d.Length), at);
            }
            const std::int64_t end = at + d.Length;
            if (!blocks) {
                if (!take(at, d.Length, d.Code))
                    return LayoutError(source, "Record out of sequence", at);
                in.Seek(end);
                continue;
            }
            while (in.Position() < end) {
                const std::int64_t s = in.Position();
                Descriptor r;
                if (end - s < 4 || !ReadDescriptor(in, r, false)) {
                    return LayoutError(source, "Record descriptor word cut short", s);
                }
                if (r.Length < 4 || s + r.Length > end) {
                    return LayoutError(source,
                                       "Record descriptor word with length " +
                                           std::to_string(r.Length) + " runs past its block",
                                       s);
                }
                if (!take(s, r.Length, r.Code))
                    return LayoutError(source, "Spanned record out of sequence", s);
                in.Seek(s + r.Length);
            }
        }
    } catch (const ReadError& e) {
        Error err = LayoutError(source, e.what(), in.Position());
        err.What = Error::Kind::Io;
        return err;
    }
    return Success();
}

}  // namespace

Result<RecordLayout> IndexSegments(ByteSource& source, bool withBlocks) {
    RecordLayout layout;
    bool spanning = false;
    auto take = [&](std::int64_t at, std::uint32_t length, std::uint8_t code) {
        const std::uint8_t segment = code & 0x03;  // 0 whole, 1 first, 2 last, 3 middle
        const bool continues = segment == 2 || segment == 3;
        if (continues != spanning) return false;
        spanning = segment == 1 || segment == 3;
        layout.Add(at + 4, length - 4, !continues);
        return true;
    };
    auto walked = Walk(source, withBlocks, take);
    if (!walked) return walked.Err();
    if (spanning) return LayoutError(source, "Spanned record not completed", source.Size());
    return layout;
}

Result<RecordLayout> IndexBlocks(ByteSource& source) {
    RecordLayout layout;
    BufferedReader in(source);
    const std::int64_t size = source.Size();
    try {
        while (in.Position() < size) {
            const std::int64_t at = in.Position();
            Descriptor d;
            if (!ReadDescriptor(in, d, true))
                return LayoutError(source, "Block descriptor word cut short", at);
            if (d.Length == 0) {
                in.Seek(at);
                if (OnlyZerosLeft(in)) break;
            }
            if (d.Length < 4 || at + d.Length > size) {
                return LayoutError(
                    source, "Block descriptor word with length " + std::to_string(d.Length), at);
            }
            layout.Add(at, d.Length, true);
            in.Seek(at + d.Length);
        }
    } catch (const ReadError& e) {
        return LayoutError(source, e.what(), in.Position());
    }
    return layout;
}

Result<RecordLayout> IndexDescribedRecords(ByteSource& source) {
    RecordLayout layout;
    auto take = [&](std::int64_t at, std::uint32_t length, std::uint8_t) {
        layout.Add(at, length, true);
        return true;
    };
    auto walked = Walk(source, false, take);
    if (!walked) return walked.Err();
    return layout;
}

RecordLayout FixedRecords(std::int64_t size, std::uint32_t chunk) {
    RecordLayout layout;
    if (chunk == 0) chunk = 32760;
    for (std::int64_t at = 0; at < size; at += chunk) {
        layout.Add(at, static_cast<std::uint32_t>(std::min<std::int64_t>(chunk, size - at)), true);
    }
    return layout;
}

RecordLayout ListedBlocks(const std::vector<std::uint32_t>& lengths) {
    RecordLayout layout;
    std::int64_t at = 0;
    for (std::uint32_t n : lengths) {
        layout.Add(at, n, true);
        at += n;
    }
    return layout;
}

}  // namespace corvane
