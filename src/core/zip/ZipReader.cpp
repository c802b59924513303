#include "zip/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "zip/ZipText.h"

namespace corvane {

namespace {
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kMaxSearch = 65557;
constexpr std::size_t kChunk = 256 * 1024;
const char* const kNotZip = "it is not a zip archive (no end of central directory record)";
const char* const kZip64 = "Zip64 archives are not supported";
const char* const kCutShort = "the central directory is cut short";

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

Error Fault(Error::Kind kind, const std::string& why) {
    Error e;
    e.What = kind;
    e.Caption = "Zip";
    e.Reason = why;
    e.Message = why;
    return e;
}
Error Damage(const std::string& why) {
    return Fault(Error::Kind::Damaged, why);
}

// Reads n bytes at offset; a short read is the damage named by shortWhy, a
// failing device the source's own error.
Status ReadFull(ByteSource& source, std::int64_t offset, void* destination, std::size_t n,
                const std::string& shortWhy) {
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t done = 0;
    while (done < n) {
        Result<std::size_t> got =
            source.ReadAt(offset + static_cast<std::int64_t>(done), out + done, n - done);
        if (!got) return Fault(Error::Kind::Io, got.Err().Message);
        if (got.Value() == 0) return Damage(shortWhy);
        done += got.Value();
    }
    return Success();
}
}  // namespace

std::string EntryFileName(const std::string& storedName) {
    std::size_t cut = storedName.find_last_of("\\/:");
    return cut == std::string::npos ? storedName : storedName.substr(cut + 1);
}

std::string EntryPathName(std::string storedName) {
    std::replace(storedName.begin(), storedName.end(), '\\', '/');
    return storedName;
}

std::string EntryFolder(const std::string& storedName) {
    std::size_t cut = storedName.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : storedName.substr(0, cut + 1);
}

ZipReader::ZipReader(std::unique_ptr<ByteSource> source)
    : source_(std::move(source)), name_(source_->Name()) {}

Result<ZipReader> ZipReader::Open(std::unique_ptr<ByteSource> source,
                                  std::vector<std::string>* warnings) {
    ZipReader zip(std::move(source));
    std::vector<std::string> found;
    Status read = zip.ReadDirectory(found);
    if (warnings) *warnings = std::move(found);
    if (!read) {
        Error e = read.Err();
        e.Message = "Error reading zip file " + EntryFileName(zip.name_) + ": " + e.Reason;
        return e;
    }
    return zip;
}

Result<ZipReader> ZipReader::OpenFile(const std::string& path, std::vector<std::string>* warnings) {
    if (warnings) warnings->clear();
    const std::filesystem::path file = PathFromUtf8(path);
    Result<std::unique_ptr<FileSource>> source = FileSource::Open(file);
    if (!source) {
        // The opener names the file first; the message here names it once.
        std::string why = source.Err().Message;
        const std::string named = DisplayName(PathToUtf8(file)) + ": ";
        if (why.compare(0, named.size(), named) == 0) why.erase(0, named.size());
        Error e = Fault(Error::Kind::Io, "cannot open it (" + why + ")");
        e.Message = "Error reading zip file " + EntryFileName(path) + ": " + e.Reason;
        return e;
    }
    auto opened = Open(std::move(source.Value()), warnings);
    if (opened) opened.Value().name_ = path;
    return opened;
}

Status ZipReader::ReadDirectory(std::vector<std::string>& warnings) {
    ByteSource& file = *source_;
    const std::int64_t size = file.Size();
    if (size < static_cast<std::int64_t>(kEndSize)) return Damage(kNotZip);
    // The end-of-central-directory record: last 22 bytes, else searched backwards.
    std::uint8_t end[kEndSize];
    std::int64_t endAt = size - static_cast<std::int64_t>(kEndSize);
    if (Status s = ReadFull(file, endAt, end, kEndSize, kNotZip); !s) return s;
    if (Le32(end) != kEndSignature) {
        const std::size_t span = static_cast<std::size_t>(std::min<std::int64_t>(size, kMaxSearch));
        std::vector<std::uint8_t> tail(span);
        const std::int64_t tailAt = size - static_cast<std::int64_t>(span);
        if (Status s = ReadFull(file, tailAt, tail.data(), span, kNotZip); !s) return s;
        endAt = -1;
        for (std::int64_t i = static_cast<std::int64_t>(span) - 23; i >= 0; --i) {
            const std::uint8_t* p = tail.data() + i;
            if (p[0] == 0x50 && p[1] == 0x4B && p[2] == 0x05 && p[3] == 0x06 &&
                i + static_cast<std::int64_t>(kEndSize) <= static_cast<std::int64_t>(span)) {
                endAt = tailAt + i;
                std::memcpy(end, p, kEndSize);
                break;
            }
        }
        if (endAt < 0) return Damage(kNotZip);
    }
    const std::uint16_t thisDisk = Le16(end + 4);
    const std::uint16_t centralDisk = Le16(end + 6);
    const std::uint16_t total = Le16(end + 10);
    const std::uint32_t centralSize = Le32(end + 12);
    const std::uint32_t centralOffset = Le32(end + 16);
    const std::uint16_t commentLength = Le16(end + 20);
    if (total == 0xFFFF || centralSize == 0xFFFFFFFF || centralOffset == 0xFFFFFFFF) {
        return Fault(Error::Kind::Unsupported, kZip64);
    }
    if (endAt >= 20) {
        std::uint8_t locator[4];
        if (Status s = ReadFull(file, endAt - 20, locator, 4, kNotZip); !s) return s;
        if (Le32(locator) == kZip64LocatorSignature) {
            return Fault(Error::Kind::Unsupported, kZip64);
        }
    }
    if (thisDisk != centralDisk) {
        return Fault(Error::Kind::Unsupported, "archives spanning several disks are not supported");
    }
    std::int64_t commentEnd = endAt + static_cast<std::int64_t>(kEndSize) + commentLength;
    if (commentEnd > size) return Damage("the archive's comment runs past the end of the file");
    archiveEnd_ = size;
    if (commentEnd != size) {
        // Padding to a 512-byte boundary with zeros is normal for some tools.
        bool padding = size % 512 == 0 && size - commentEnd < 512;
        if (padding) {
            std::vector<std::uint8_t> rest(static_cast<std::size_t>(size - commentEnd));
            if (Status s = ReadFull(file, commentEnd, rest.data(), rest.size(), kNotZip); !s)
                return s;
            padding = std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0; });
        }
        archiveEnd_ = commentEnd;
        if (!padding) {
            warnings.push_back("Warning: " + std::to_string(size - commentEnd) +
                               " bytes of other data follow the end of the zip archive");
        }
    }
    const std::int64_t computed = archiveEnd_ - static_cast<std::int64_t>(centralSize) -
                                  commentLength - static_cast<std::int64_t>(kEndSize);
    if (computed < 0) {
        return Damage("the central directory's size points before the start of the file");
    }
    shift_ = computed - static_cast<std::int64_t>(centralOffset);
    if (shift_ != 0) {
        warnings.push_back("Warning: " + std::to_string(shift_) +
                           " bytes of other data stand before the zip archive (self-extracting?)");
    }
    centralStart_ = computed;

    // The directory lies before the end record, so its size is bounded by the file's.
    std::vector<std::uint8_t> central(centralSize);
    if (Status s = ReadFull(file, computed, central.data(), central.size(), kCutShort); !s)
        return s;
    std::size_t pos = 0;
    for (std::uint16_t n = 0; n < total; ++n) {
        if (pos + 46 > central.size()) return Damage(kCutShort);
        const std::uint8_t* h = central.data() + pos;
        if (Le32(h) != kCentralSignature) {
            return Damage("a central file header has a wrong signature");
        }
        const std::size_t nameLength = Le16(h + 28);
        const std::size_t extraLength = Le16(h + 30);
        const std::size_t commentLen = Le16(h + 32);
        if (pos + 46 + nameLength + extraLength + commentLen > central.size()) {
            return Damage(kCutShort);
        }
        ZipDirEntry e;
        e.VersionMadeBy = Le16(h + 4);
        e.Flags = Le16(h + 8);
        e.Method = Le16(h + 10);
        e.Crc32 = Le32(h + 16);
        const std::uint32_t csize = Le32(h + 20);
        const std::uint32_t usize = Le32(h + 24);
        const std::uint32_t local = Le32(h + 42);
        if (csize == 0xFFFFFFFF || usize == 0xFFFFFFFF || local == 0xFFFFFFFF) {
            return Fault(Error::Kind::Unsupported, kZip64);
        }
        e.CompressedSize = csize;
        e.UncompressedSize = usize;
        e.LocalHeaderOffset = static_cast<std::int64_t>(local) + shift_;
        e.Encrypted = (e.Flags & 0x0001) != 0;
        e.RawName.assign(reinterpret_cast<const char*>(h + 46), nameLength);
        const int host = e.VersionMadeBy >> 8;
        const int version = e.VersionMadeBy & 0xFF;
        const bool oem = host == 0 || host == 6 || (host == 11 && version == 50);
        const bool utf8 = (e.Flags & 0x0800) != 0;
        e.FileName = ZipNameToUtf8(e.RawName, oem && !utf8);
        std::replace(e.FileName.begin(), e.FileName.end(), '/', '\\');
        e.Comment = ZipNameToUtf8(
            std::string(reinterpret_cast<const char*>(h + 46 + nameLength + extraLength),
                        commentLen),
            oem && !utf8);
        pos += 46 + nameLength + extraLength + commentLen;
        if (EntryFileName(e.FileName).empty()) continue;  // a folder
        entries_.push_back(std::move(e));
    }
    return Success();
}

const ZipDirEntry* ZipReader::Find(std::string name) const {
    std::replace(name.begin(), name.end(), '/', '\\');
    for (const ZipDirEntry& e : entries_) {
        if (e.FileName == name) return &e;
    }
    for (const ZipDirEntry& e : entries_) {
        if (EntryFileName(e.FileName) == name) return &e;
    }
    // The name as the list shows it, escapes included.
    for (const ZipDirEntry& e : entries_) {
        if (DisplayName(EntryFileName(e.FileName)) == name) return &e;
    }
    return nullptr;
}

Status ZipReader::Unpack(const ZipDirEntry& entry, const ByteWriter& write,
                         std::size_t head) const {
    if (entry.Encrypted) {
        return Fault(Error::Kind::Unsupported, "encrypted entries are not supported");
    }
    if (entry.Method != 0 && entry.Method != 8) {
        return Fault(Error::Kind::Unsupported,
                     "compression method " + std::to_string(entry.Method) + " is not supported");
    }
    ByteSource& file = *source_;
    if (entry.LocalHeaderOffset < 0 || entry.LocalHeaderOffset + 30 > centralStart_) {
        return Damage("its local header lies outside the archive");
    }
    const char* const badLocal = "its local header is missing or damaged";
    std::uint8_t local[30];
    if (Status s = ReadFull(file, entry.LocalHeaderOffset, local, 30, badLocal); !s) return s;
    if (Le32(local) != kLocalSignature) return Damage(badLocal);
    const std::size_t nameLength = Le16(local + 26);
    const std::size_t extraLength = Le16(local + 28);
    const char* const disagrees = "its local header does not agree with the central directory";
    std::string localName(nameLength, '\0');
    if (Status s =
            ReadFull(file, entry.LocalHeaderOffset + 30, localName.data(), nameLength, disagrees);
        !s) {
        return s;
    }
    if (Le16(local + 8) != entry.Method || localName != entry.RawName) return Damage(disagrees);
    const std::int64_t dataAt =
        entry.LocalHeaderOffset + 30 + static_cast<std::int64_t>(nameLength + extraLength);
    if (dataAt + entry.CompressedSize > centralStart_) {
        return Damage("its data runs past the end of the archive");
    }

    // Chunks no larger than the entry needs: a small entry costs little, and
    // so does a look at the first bytes of a large one.
    const std::int64_t chunk =
        head > 0 ? std::clamp<std::int64_t>(static_cast<std::int64_t>(head), 4096, kChunk)
                 : static_cast<std::int64_t>(kChunk);
    std::vector<std::uint8_t> in(
        static_cast<std::size_t>(std::clamp<std::int64_t>(entry.CompressedSize, 1, chunk)));
    std::vector<std::uint8_t> out(entry.Method == 0
                                      ? 0
                                      : static_cast<std::size_t>(std::clamp<std::int64_t>(
                                            entry.UncompressedSize + 1, 4096, chunk)));
    std::int64_t at = dataAt;
    std::int64_t left = entry.CompressedSize;
    std::int64_t produced = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    auto deliver = [&](const std::uint8_t* p, std::size_t n) -> bool {
        produced += static_cast<std::int64_t>(n);
        if (produced > entry.UncompressedSize) return false;
        crc = crc32(crc, p, static_cast<uInt>(n));
        return write(p, n);
    };
    auto readChunk = [&](std::size_t n) -> Status {
        Status s = ReadFull(file, at, in.data(), n, "the archive is cut short");
        at += static_cast<std::int64_t>(n);
        left -= static_cast<std::int64_t>(n);
        return s;
    };
    const char* const tooMuch = "it holds more data than recorded";

    if (entry.Method == 0) {
        if (entry.CompressedSize != entry.UncompressedSize) {
            return Damage("its stored size and unpacked size differ");
        }
        while (left > 0) {
            std::size_t n = static_cast<std::size_t>(
                std::min<std::int64_t>(left, static_cast<std::int64_t>(in.size())));
            if (Status s = readChunk(n); !s) return s;
            if (!deliver(in.data(), n)) {
                if (produced > entry.UncompressedSize) return Damage(tooMuch);
                return Success();  // the writer stopped early
            }
            if (ProcessEvents) ProcessEvents();
        }
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            return Fault(Error::Kind::Io, "the inflater could not start");
        }
        struct Guard {
            z_stream* z;
            ~Guard() { inflateEnd(z); }
        } guard{&z};
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0) {
                if (left == 0) return Damage("its compressed data ends too early");
                std::size_t n = static_cast<std::size_t>(
                    std::min<std::int64_t>(left, static_cast<std::int64_t>(in.size())));
                if (Status s = readChunk(n); !s) return s;
                z.next_in = in.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END) return Damage("its compressed data is damaged");
            std::size_t n = out.size() - z.avail_out;
            if (n > 0 && !deliver(out.data(), n)) {
                if (produced > entry.UncompressedSize) return Damage(tooMuch);
                return Success();
            }
            if (ProcessEvents) ProcessEvents();
        }
    }
    if (produced != entry.UncompressedSize)
        return Damage("its unpacked size differs from the recorded size");
    if (static_cast<std::uint32_t>(crc) != entry.Crc32) {
        char text[64];
        std::snprintf(text, sizeof text, "CRC error (%08X, the archive says %08X)",
                      static_cast<unsigned>(crc), entry.Crc32);
        return Damage(text);
    }
    return Success();
}

Result<std::vector<std::uint8_t>> ZipReader::ReadEntry(const ZipDirEntry& entry,
                                                       std::int64_t limit) const {
    if (entry.UncompressedSize > limit) {
        return Fault(Error::Kind::Usage, "it unpacks to " + std::to_string(entry.UncompressedSize) +
                                             " bytes, more than the " + std::to_string(limit) +
                                             " that are read into memory");
    }
    // Unpack stops at the recorded size, so the bytes never exceed the limit.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(entry.UncompressedSize));
    Status unpacked = Unpack(entry, [&](const std::uint8_t* p, std::size_t n) {
        bytes.insert(bytes.end(), p, p + n);
        return true;
    });
    if (!unpacked) return unpacked.Err();
    return bytes;
}

Status ZipReader::WriteEntry(const ZipDirEntry& entry, const std::filesystem::path& target,
                             bool replace) const {
    AtomicWriteOptions options;
    options.Replace = replace;
    std::unique_ptr<AtomicWriter> out;
    const AtomicWriter::Status opened = AtomicWriter::Create(target, options, out);
    if (opened != AtomicWriter::Status::Ok) {
        return Fault(opened == AtomicWriter::Status::Exists ? Error::Kind::Usage : Error::Kind::Io,
                     AtomicWriteText(opened, target));
    }
    bool writeFailed = false;
    Status unpacked = Unpack(entry, [&](const std::uint8_t* p, std::size_t n) {
        writeFailed = !out->Write(p, n);
        return !writeFailed;
    });
    if (writeFailed) {
        out->Discard();
        return Fault(Error::Kind::Io, "the file could not be written");
    }
    if (!unpacked) {
        out->Discard();
        return unpacked;
    }
    const AtomicWriter::Status put = out->Commit();
    if (put != AtomicWriter::Status::Ok) {
        return Fault(Error::Kind::Io, AtomicWriteText(put, target));
    }
    return Success();
}

}  // namespace corvane
