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

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
}  // namespace

std::string EntryFileName(const std::string& storedName) {
    std::size_t cut = storedName.find_last_of("\\/:");
    return cut == std::string::npos ? storedName : storedName.substr(cut + 1);
}

std::string EntryFolder(const std::string& storedName) {
    std::size_t cut = storedName.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : storedName.substr(0, cut + 1);
}

void ZipReader::Message(int errCode, const std::string& text, bool needsUser) {
    if (OnMessage) OnMessage(errCode, text);
    if (needsUser && !Unattended && notifier_) {
        notifier_->Show(text, "Zip", errCode == 0 ? MessageIcon::Warning : MessageIcon::Error,
                        MessageButtons::Ok);
    }
}

void ZipReader::SetFileName(const std::string& path) {
    entries_.clear();
    zipFileName_.clear();
    if (path.empty()) return;
    if (!PathPresent(PathFromUtf8(path))) return;
    std::string error;
    if (!ReadDirectory(path, &error)) {
        entries_.clear();
        Message(0, "Error reading zip file " + EntryFileName(path) + ": " + error, true);
        return;
    }
    zipFileName_ = path;
}

bool ZipReader::ReadDirectory(const std::string& path, std::string* error) {
    std::string openError;
    auto file = FileReader::Open(PathFromUtf8(path), &openError);
    if (!file) {
        *error = "cannot open it (" + openError + ")";
        return false;
    }
    const std::int64_t size = file->Size();
    if (size < static_cast<std::int64_t>(kEndSize)) {
        *error = "it is not a zip archive (no end of central directory record)";
        return false;
    }
    // The end-of-central-directory record: last 22 bytes, else searched backwards.
    std::uint8_t end[kEndSize];
    std::int64_t endAt = size - static_cast<std::int64_t>(kEndSize);
    file->Seek(endAt);
    file->ReadExact(end, kEndSize);
    if (Le32(end) != kEndSignature) {
        const std::size_t span = static_cast<std::size_t>(std::min<std::int64_t>(size, kMaxSearch));
        std::vector<std::uint8_t> tail(span);
        const std::int64_t tailAt = size - static_cast<std::int64_t>(span);
        file->Seek(tailAt);
        file->ReadExact(tail.data(), span);
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
        if (endAt < 0) {
            *error = "it is not a zip archive (no end of central directory record)";
            return false;
        }
    }
    const std::uint16_t thisDisk = Le16(end + 4);
    const std::uint16_t centralDisk = Le16(end + 6);
    const std::uint16_t total = Le16(end + 10);
    const std::uint32_t centralSize = Le32(end + 12);
    const std::uint32_t centralOffset = Le32(end + 16);
    const std::uint16_t commentLength = Le16(end + 20);
    if (total == 0xFFFF || centralSize == 0xFFFFFFFF || centralOffset == 0xFFFFFFFF) {
        *error = "Zip64 archives are not supported";
        return false;
    }
    if (endAt >= 20) {
        std::uint8_t locator[4];
        file->Seek(endAt - 20);
        file->ReadExact(locator, 4);
        if (Le32(locator) == kZip64LocatorSignature) {
            *error = "Zip64 archives are not supported";
            return false;
        }
    }
    if (thisDisk != centralDisk) {
        *error = "archives spanning several disks are not supported";
        return false;
    }
    std::int64_t commentEnd = endAt + static_cast<std::int64_t>(kEndSize) + commentLength;
    if (commentEnd > size) {
        *error = "the archive's comment runs past the end of the file";
        return false;
    }
    archiveEnd_ = size;
    if (commentEnd != size) {
        // Padding to a 512-byte boundary with zeros is normal for some tools.
        bool padding = size % 512 == 0 && size - commentEnd < 512;
        if (padding) {
            std::vector<std::uint8_t> rest(static_cast<std::size_t>(size - commentEnd));
            file->Seek(commentEnd);
            file->ReadExact(rest.data(), rest.size());
            padding = std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0; });
        }
        archiveEnd_ = commentEnd;
        if (!padding) {
            Message(0,
                    "Warning: " + std::to_string(size - commentEnd) +
                        " bytes of other data follow the end of the zip archive",
                    true);
        }
    }
    const std::int64_t computed = archiveEnd_ - static_cast<std::int64_t>(centralSize) -
                                  commentLength - static_cast<std::int64_t>(kEndSize);
    if (computed < 0) {
        *error = "the central directory's size points before the start of the file";
        return false;
    }
    shift_ = computed - static_cast<std::int64_t>(centralOffset);
    if (shift_ != 0) {
        Message(0,
                "Warning: " + std::to_string(shift_) +
                    " bytes of other data stand before the zip archive (self-extracting?)",
                true);
    }
    centralStart_ = computed;

    std::vector<std::uint8_t> central(centralSize);
    file->Seek(computed);
    if (file->Read(central.data(), central.size()) != central.size()) {
        *error = "the central directory is cut short";
        return false;
    }
    std::size_t pos = 0;
    for (std::uint16_t n = 0; n < total; ++n) {
        if (pos + 46 > central.size()) {
            *error = "the central directory is cut short";
            return false;
        }
        const std::uint8_t* h = central.data() + pos;
        if (Le32(h) != kCentralSignature) {
            *error = "a central file header has a wrong signature";
            return false;
        }
        const std::size_t nameLength = Le16(h + 28);
        const std::size_t extraLength = Le16(h + 30);
        const std::size_t commentLen = Le16(h + 32);
        if (pos + 46 + nameLength + extraLength + commentLen > central.size()) {
            *error = "the central directory is cut short";
            return false;
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
            *error = "Zip64 archives are not supported";
            return false;
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
    return true;
}

bool ZipReader::Unpack(const ZipDirEntry& entry, const ByteWriter& write, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (entry.Encrypted) return fail("encrypted entries are not supported");
    if (entry.Method != 0 && entry.Method != 8) {
        return fail("compression method " + std::to_string(entry.Method) + " is not supported");
    }
    std::string openError;
    auto file = FileReader::Open(PathFromUtf8(zipFileName_), &openError);
    if (!file) return fail("the archive cannot be opened (" + openError + ")");
    if (entry.LocalHeaderOffset < 0 || entry.LocalHeaderOffset + 30 > centralStart_) {
        return fail("its local header lies outside the archive");
    }
    std::uint8_t local[30];
    file->Seek(entry.LocalHeaderOffset);
    if (file->Read(local, 30) != 30 || Le32(local) != kLocalSignature) {
        return fail("its local header is missing or damaged");
    }
    const std::size_t nameLength = Le16(local + 26);
    const std::size_t extraLength = Le16(local + 28);
    std::string localName(nameLength, '\0');
    if (file->Read(localName.data(), nameLength) != nameLength || Le16(local + 8) != entry.Method ||
        localName != entry.RawName) {
        return fail("its local header does not agree with the central directory");
    }
    const std::int64_t dataAt =
        entry.LocalHeaderOffset + 30 + static_cast<std::int64_t>(nameLength + extraLength);
    if (dataAt + entry.CompressedSize > centralStart_) {
        return fail("its data runs past the end of the archive");
    }
    file->Seek(dataAt);

    std::vector<std::uint8_t> in(kChunk);
    std::vector<std::uint8_t> out(kChunk);
    std::int64_t left = entry.CompressedSize;
    std::int64_t produced = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    auto deliver = [&](const std::uint8_t* p, std::size_t n) -> bool {
        produced += static_cast<std::int64_t>(n);
        if (produced > entry.UncompressedSize) return false;
        crc = crc32(crc, p, static_cast<uInt>(n));
        return write(p, n);
    };

    if (entry.Method == 0) {
        if (entry.CompressedSize != entry.UncompressedSize) {
            return fail("its stored size and unpacked size differ");
        }
        while (left > 0) {
            std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunk));
            if (file->Read(in.data(), n) != n) return fail("the archive is cut short");
            left -= static_cast<std::int64_t>(n);
            if (!deliver(in.data(), n)) {
                if (produced > entry.UncompressedSize)
                    return fail("it holds more data than recorded");
                return true;  // the writer stopped early
            }
            if (ProcessEvents) ProcessEvents();
        }
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return fail("the inflater could not start");
        struct Guard {
            z_stream* z;
            ~Guard() { inflateEnd(z); }
        } guard{&z};
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0) {
                if (left == 0) return fail("its compressed data ends too early");
                std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunk));
                if (file->Read(in.data(), n) != n) return fail("the archive is cut short");
                left -= static_cast<std::int64_t>(n);
                z.next_in = in.data();
                z.avail_in = static_cast<uInt>(n);
            }
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END) return fail("its compressed data is damaged");
            std::size_t n = out.size() - z.avail_out;
            if (n > 0 && !deliver(out.data(), n)) {
                if (produced > entry.UncompressedSize)
                    return fail("it holds more data than recorded");
                return true;
            }
            if (ProcessEvents) ProcessEvents();
        }
    }
    if (produced != entry.UncompressedSize)
        return fail("its unpacked size differs from the recorded size");
    if (static_cast<std::uint32_t>(crc) != entry.Crc32) {
        char text[64];
        std::snprintf(text, sizeof text, "CRC error (%08X, the archive says %08X)",
                      static_cast<unsigned>(crc), entry.Crc32);
        return fail(text);
    }
    return true;
}

bool ZipReader::ExtractOne(const ZipDirEntry& entry) {
    const std::string shown = DisplayName(entry.FileName);
    const std::string name = OutputName(EntryFileName(entry.FileName));
    const std::filesystem::path target = PathFromUtf8(ExtrBaseDir) / PathFromUtf8(name);
    const std::string targetText = PathToUtf8(target);
    if (!ExtrOptions.ExtrOverWrite && PathPresent(target)) {
        Message(12, "Skipped " + shown + ": " + targetText + " exists and over-writing is off",
                false);
        return false;
    }
    if (ConfirmUnpack && !ConfirmUnpack(entry)) {
        Message(15, "Skipped " + shown + ": not unpacked", false);
        return false;
    }
    if (Verbose) Message(0, "Unzipping " + shown + " to " + targetText, false);
    AtomicWriteOptions options;
    options.Replace = ExtrOptions.ExtrOverWrite;
    std::unique_ptr<AtomicWriter> out;
    const AtomicWriter::Status opened = AtomicWriter::Create(target, options, out);
    if (opened != AtomicWriter::Status::Ok) {
        Message(13, "Error unzipping " + shown + ": " + AtomicWriteText(opened, target), false);
        return false;
    }
    std::string error;
    bool writeFailed = false;
    bool ok = Unpack(
        entry,
        [&](const std::uint8_t* p, std::size_t n) {
            writeFailed = !out->Write(p, n);
            return !writeFailed;
        },
        &error);
    if (writeFailed) error = "the file could not be written";
    if (ok && !writeFailed) {
        const AtomicWriter::Status put = out->Commit();
        if (put != AtomicWriter::Status::Ok) {
            error = AtomicWriteText(put, target);
            ok = false;
        }
    } else {
        ok = false;
        out->Discard();
    }
    if (!ok) {
        Message(14, "Error unzipping " + shown + ": " + error, false);
        return false;
    }
    ExtractedFiles.push_back(target);
    if (Verbose) {
        Message(0, "  " + name + ": " + std::to_string(entry.UncompressedSize) + " bytes, CRC ok",
                false);
    }
    return true;
}

int ZipReader::Extract() {
    ExtractedFiles.clear();
    std::error_code ec;
    if (zipFileName_.empty() || !std::filesystem::is_regular_file(PathFromUtf8(zipFileName_), ec)) {
        Message(0, "Zip file " + DisplayName(zipFileName_) + " not found", true);
        FSpecArgs.clear();
        return 0;
    }
    int written = 0;
    for (std::string plan : FSpecArgs) {
        std::replace(plan.begin(), plan.end(), '/', '\\');
        const ZipDirEntry* found = nullptr;
        for (const ZipDirEntry& e : entries_) {
            if (e.FileName == plan) {
                found = &e;
                break;
            }
        }
        if (!found) {
            for (const ZipDirEntry& e : entries_) {
                if (EntryFileName(e.FileName) == plan) {
                    found = &e;
                    break;
                }
            }
        }
        if (!found) {
            // The name as the list shows it, escapes included.
            for (const ZipDirEntry& e : entries_) {
                if (DisplayName(EntryFileName(e.FileName)) == plan) {
                    found = &e;
                    break;
                }
            }
        }
        if (!found) {
            Message(10, "No entry " + DisplayName(plan) + " in the archive", false);
            continue;
        }
        if (ExtractOne(*found)) ++written;
    }
    FSpecArgs.clear();
    return written;
}

}  // namespace corvane
