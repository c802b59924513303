#include "nested/XmitPath.h"

#include <algorithm>
#include <filesystem>

#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "nested/MemberDataSource.h"
#include "present/Presenter.h"
#include "zip/ZipReader.h"

namespace corvane {

namespace {

Error PathError(Error::Kind kind, const std::string& message) {
    Error e;
    e.What = kind;
    e.Caption = "Error opening file";
    e.Message = message;
    return e;
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(PathFromUtf8(path), ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::string FileName(const std::string& path) {
    return PathToUtf8(PathFromUtf8(path).filename());
}

// The member (or the sequential dataset, member null) a part names.
bool FindPart(const XmitInfo& info, const std::string& part, const MemberEntry*& member) {
    const std::string wanted = present::TrimmedName(part);
    member = nullptr;
    if (!info.Partitioned) {
        return info.DataStart > 0 &&
               (wanted == kDatasetPart || wanted == present::TrimmedName(info.Dataset.Name));
    }
    for (const MemberEntry& m : info.Members) {
        if (present::TrimmedName(m.Name) == wanted) {
            member = &m;
            return true;
        }
    }
    return false;
}

// The entry of a zip archive a part names: its full stored name, folders
// included, with "/" or "\" between them.
const ZipDirEntry* FindEntry(const ZipReader& zip, std::string part) {
    std::replace(part.begin(), part.end(), '/', '\\');
    for (const ZipDirEntry& e : zip.Entries()) {
        if (e.FileName == part) return &e;
    }
    return nullptr;
}

// A file that goes on into a zip entry: one that does not start like an
// XMIT file. The entry is unpacked into memory, within the reader's bound.
Status OpenEntry(OpenedXmit& opened, const std::vector<std::string>& parts) {
    auto zip = ZipReader::Open(std::move(opened.Source));
    if (!zip) return zip.Err();
    const ZipDirEntry* entry = FindEntry(zip.Value(), parts[1]);
    if (!entry) {
        return PathError(Error::Kind::Usage,
                         "No entry " + DisplayName(parts[1]) + " in " + DisplayName(parts[0]));
    }
    auto bytes = zip->ReadEntry(*entry);
    if (!bytes) return bytes.Err();
    opened.Source = std::make_unique<MemorySource>(std::move(bytes.Value()),
                                                   parts[0] + kNestSeparator + parts[1]);
    opened.Name = EntryFileName(entry->FileName);
    opened.Nested = true;
    return Success();
}

bool StartsLikeXmit(ByteSource& source) {
    std::uint8_t head[8] = {};
    auto got = source.ReadAt(0, head, sizeof head);
    return got && got.Value() == sizeof head && LooksLikeXmit(head, sizeof head);
}

}  // namespace

// The longest prefix ended by a "!" that is a file, unless the whole path is one.
std::vector<std::string> SplitXmitPath(const std::string& path) {
    if (path.find(kNestSeparator) == std::string::npos || PathPresent(PathFromUtf8(path))) {
        return {path};
    }
    for (std::size_t cut = path.rfind(kNestSeparator); cut != std::string::npos && cut > 0;
         cut = path.rfind(kNestSeparator, cut - 1)) {
        if (!IsFile(path.substr(0, cut))) continue;
        std::vector<std::string> parts{path.substr(0, cut)};
        std::size_t from = cut + 1;
        for (;;) {
            const std::size_t next = path.find(kNestSeparator, from);
            parts.push_back(path.substr(from, next - from));
            if (next == std::string::npos) break;
            from = next + 1;
        }
        return parts;
    }
    return {path};
}

std::string NestedPath(const std::string& path, const XmitInfo& info, const MemberEntry* member) {
    std::string part = present::TrimmedName(member ? member->Name : info.Dataset.Name);
    if (!member && (part.empty() || part.find(kNestSeparator) != std::string::npos)) {
        part = kDatasetPart;
    }
    return path + kNestSeparator + part;
}

Result<OpenedXmit> OpenXmitPath(const std::string& path, const ParseOptions& options,
                                std::vector<std::string>* headerDump) {
    const std::vector<std::string> parts = SplitXmitPath(path);
    auto file = FileSource::Open(PathFromUtf8(parts[0]));
    if (!file) return file.Err();
    OpenedXmit opened;
    opened.Path = path;
    opened.Name = FileName(parts[0]);
    opened.Source = std::move(file.Value());
    std::string at = parts[0];  // the path of the file opened so far
    std::size_t k = 1;
    if (parts.size() > 1 && !StartsLikeXmit(*opened.Source)) {
        auto entry = OpenEntry(opened, parts);
        if (!entry) return entry.Err();
        at += kNestSeparator + parts[1];
        k = 2;
    }
    for (; k < parts.size(); ++k) {
        auto outer = ParseXmit(*opened.Source);
        if (!outer) return outer.Err();
        const XmitInfo& info = outer.Value();
        const MemberEntry* member = nullptr;
        const std::string& part = parts[k];
        if (!FindPart(info, part, member)) {
            return PathError(Error::Kind::Usage, (info.Partitioned ? "No member " : "No dataset ") +
                                                     DisplayName(part) + " in " + DisplayName(at));
        }
        at += kNestSeparator + part;
        if (!(member ? member->HoldsXmit : info.DataHoldsXmit)) {
            return PathError(Error::Kind::NotXmit, DisplayName(at) + " is not an XMIT file");
        }
        auto inner = MemberDataSource::Open(std::move(opened.Source), info, member, at);
        if (!inner) return inner.Err();
        opened.Source = std::move(inner.Value());
        opened.Name = present::TrimmedName(part);
        opened.Nested = true;
    }
    auto parsed = ParseXmit(*opened.Source, options, headerDump);
    if (!parsed && opened.Nested && parsed.Err().What == Error::Kind::NotXmit) {
        return PathError(Error::Kind::NotXmit, DisplayName(at) + " is not an XMIT file");
    }
    if (!parsed) return parsed.Err();
    opened.Info = std::move(parsed.Value());
    return opened;
}

}  // namespace corvane
