#include "nested/XmitPath.h"

#include <algorithm>
#include <filesystem>

#include "container/Content.h"
#include "container/SequentialData.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "nested/MemberDataSource.h"
#include "present/Presenter.h"
#include "tape/TapeImage.h"
#include "terse/TerseSource.h"
#include "zip/ZipReader.h"

namespace corvane {

namespace {

// TERSE files inside TERSE files are unpacked up to this depth.
constexpr int kMaxUnpack = 8;

Error PathError(Error::Kind kind, const std::string& message) {
    return Error::Plain(kind, message, "Error opening file");
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

// The file of a tape a part names: its place from 1, or its dataset name.
std::optional<std::size_t> FindTapeFile(const TapeInfo& tape, const std::string& part) {
    if (!part.empty() && part.size() <= 9 &&
        std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const std::size_t number = std::stoul(part);
        if (number >= 1 && number <= tape.Files.size()) return number - 1;
        return std::nullopt;
    }
    const std::string wanted = present::TrimmedName(part);
    for (std::size_t i = 0; i < tape.Files.size(); ++i) {
        if (!tape.Files[i].Dsn.empty() && tape.Files[i].Dsn == wanted) return i;
    }
    return std::nullopt;
}

// Where the walk down a path has got to: the bytes of the node reached and
// what they hold.
struct Cursor {
    std::unique_ptr<ByteSource> Source;
    Content What = Content::Unknown;
    std::string At;         // the path so far
    std::string Name;       // the node's own name
    std::int64_t Size = 0;  // of the node's bytes as reached, before any unpacking
    bool Nested = false;
    std::shared_ptr<TapeImage> Tape;
    std::optional<std::size_t> TapeFile;
    std::optional<TerseHeader> Terse;
    // How the node's data reads as a dataset when it holds nothing known:
    // the data of a tape file or of a TERSE file.
    std::optional<SequentialPlan> Plan;
    std::int64_t UnpackLimit = INT64_MAX;
};

// Tells what the node holds, unpacking TERSE files on the way.
Status Settle(Cursor& c) {
    for (int depth = 0;; ++depth) {
        auto what = SniffSource(*c.Source);
        if (!what) return what.Err();
        c.What = what.Value();
        if (c.What != Content::Terse) return Success();
        if (depth == kMaxUnpack) {
            return PathError(Error::Kind::Unsupported,
                             DisplayName(c.At) + ": TERSE files nested too deep");
        }
        auto unpacked = TerseSource::Open(std::move(c.Source), c.At, c.UnpackLimit);
        if (!unpacked) return unpacked.Err();
        c.Terse = unpacked.Value()->Header();
        std::string dsn = c.Plan ? c.Plan->Dsn : std::string();
        c.Plan = PlanForTerse(*c.Terse, std::move(dsn));
        c.Source = std::move(unpacked.Value());
    }
}

// A node that reads as a dataset: a transmission, an unload, or data with a plan.
struct OpenedData {
    std::unique_ptr<ByteSource> Source;
    XmitInfo Info;
    NodeKind Kind = NodeKind::Xmit;
    std::optional<UnloadFacts> Unload;
};

bool ReadsAsDataset(const Cursor& c) {
    return c.What == Content::Xmit || c.What == Content::Unload ||
           (c.What == Content::Unknown && c.Plan);
}

Result<OpenedData> OpenData(Cursor& c, const ParseOptions& options,
                            std::vector<std::string>* headerDump) {
    OpenedData d;
    if (c.What == Content::Xmit) {
        auto parsed = ParseXmit(*c.Source, options, headerDump);
        if (!parsed) return parsed.Err();
        d.Info = std::move(parsed.Value());
        d.Source = std::move(c.Source);
        return d;
    }
    if (c.What == Content::Unload) {
        auto unload = OpenUnload(std::move(c.Source), options);
        if (!unload) return unload.Err();
        d.Info = std::move(unload->Info);
        if (c.Plan && !c.Plan->Dsn.empty()) {
            d.Info.Dataset.Name = c.Plan->Dsn;
            d.Info.Dataset.NameSent = true;
        }
        d.Source = std::move(unload->Framed);
        d.Kind = NodeKind::Unload;
        d.Unload = unload->Facts;
        return d;
    }
    auto data = OpenSequential(std::move(c.Source), *c.Plan, c.Tape.get(), c.TapeFile, options);
    if (!data) return data.Err();
    d.Info = std::move(data->Info);
    d.Source = std::move(data->Framed);
    d.Kind = NodeKind::Dataset;
    return d;
}

Status OpenTape(Cursor& c) {
    auto tape = TapeImage::Open(std::move(c.Source));
    if (!tape) return tape.Err();
    c.Tape = std::move(tape.Value());
    return Success();
}

// A part names a child as it stands, or else in the escaped form lists show.
template <class Find>
auto Named(const std::string& part, Find find) {
    auto found = find(part);
    if (!found && part.find('%') != std::string::npos) found = find(FromDisplayName(part));
    return found;
}

// One step down: into the child of the node that part names.
Status Step(Cursor& c, const std::string& part) {
    const std::string child = c.At + kNestSeparator + part;
    if (c.What == Content::Zip || (c.What == Content::Unknown && !c.Nested)) {
        auto zip = ZipReader::Open(std::move(c.Source));
        if (!zip) return zip.Err();
        const ZipDirEntry* entry =
            Named(part, [&](const std::string& p) { return FindEntry(zip.Value(), p); });
        if (!entry) {
            return PathError(Error::Kind::Usage,
                             "No entry " + DisplayName(part) + " in " + DisplayName(c.At));
        }
        auto bytes = zip->ReadEntry(*entry);
        if (!bytes) return bytes.Err();
        c.Source = std::make_unique<MemorySource>(std::move(bytes.Value()), child);
        c.Name = EntryFileName(entry->FileName);
        c.Plan.reset();
        c.Tape.reset();
        c.TapeFile.reset();
    } else if (c.What == Content::Tape) {
        auto tape = OpenTape(c);
        if (!tape) return tape;
        const auto index =
            Named(part, [&](const std::string& p) { return FindTapeFile(c.Tape->Info(), p); });
        if (!index) {
            return PathError(Error::Kind::Usage,
                             "No tape file " + DisplayName(part) + " on " + DisplayName(c.At));
        }
        auto file = c.Tape->OpenFile(*index);
        if (!file) return file.Err();
        const TapeFileInfo& info = c.Tape->Info().Files[*index];
        c.Source = std::move(file.Value());
        c.Name = TapeFileName(info);
        c.Plan = PlanForTapeFile(info);
        c.TapeFile = index;
    } else if (ReadsAsDataset(c)) {
        auto data = OpenData(c, {}, nullptr);
        if (!data) return data.Err();
        const MemberEntry* member = nullptr;
        if (!Named(part, [&](const std::string& p) { return FindPart(data->Info, p, member); })) {
            return PathError(Error::Kind::Usage,
                             (data->Info.Partitioned ? "No member " : "No dataset ") +
                                 DisplayName(part) + " in " + DisplayName(c.At));
        }
        auto inner = MemberDataSource::Open(std::move(data->Source), data->Info, member, child);
        if (!inner) return inner.Err();
        c.Source = std::move(inner.Value());
        c.Name = present::TrimmedName(member ? member->Name : part);
        c.Plan.reset();
        c.Tape.reset();
        c.TapeFile.reset();
    } else {
        return PathError(Error::Kind::NotXmit, DisplayName(c.At) + " is not an XMIT file");
    }
    c.At = child;
    c.Size = c.Source->Size();
    c.Nested = true;
    c.Terse.reset();
    auto settled = Settle(c);
    if (!settled) return settled;
    if (c.What == Content::Unknown && !c.Plan) {
        return PathError(Error::Kind::NotXmit, DisplayName(c.At) + " is not an XMIT file");
    }
    return Success();
}

}  // namespace

// The longest prefix ended by a "!" that is a file, unless the whole path is
// one. A prefix whose last name is longer than any file system allows is not
// looked for, so a path of many "!" costs one pass, not one look each.
std::vector<std::string> SplitXmitPath(const std::string& path) {
    if (path.find(kNestSeparator) == std::string::npos || PathPresent(PathFromUtf8(path))) {
        return {path};
    }
    constexpr std::size_t kLongestName = 1024;  // 255 UTF-16 units of a name, as UTF-8, and more
    std::vector<std::size_t> cuts;
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' || path[i] == '\\') {
            nameStart = i + 1;
        } else if (path[i] == kNestSeparator && i > 0 && i - nameStart <= kLongestName) {
            cuts.push_back(i);
        }
    }
    for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
        if (!IsFile(path.substr(0, *cut))) continue;
        std::vector<std::string> parts{path.substr(0, *cut)};
        std::size_t from = *cut + 1;
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

std::string PathStep(const std::string& name) {
    std::string step;
    for (const char c : DisplayName(name)) {
        if (c == kNestSeparator) {
            step += "%21";
        } else {
            step += c;
        }
    }
    return step;
}

std::string NestedPath(const std::string& path, const XmitInfo& info, const MemberEntry* member) {
    if (member) return path + kNestSeparator + PathStep(present::TrimmedName(member->Name));
    std::string part = present::TrimmedName(info.Dataset.Name);
    if (part.empty() || part.find(kNestSeparator) != std::string::npos) part = kDatasetPart;
    return path + kNestSeparator + part;
}

std::string TapeFilePath(const std::string& path, std::size_t index) {
    return path + kNestSeparator + std::to_string(index + 1);
}

Result<OpenedXmit> OpenXmitPath(const std::string& path, const ParseOptions& options,
                                std::vector<std::string>* headerDump) {
    const std::vector<std::string> parts = SplitXmitPath(path);
    auto file = FileSource::Open(PathFromUtf8(parts[0]));
    if (!file) return file.Err();
    auto opened =
        OpenNodeFrom(std::move(file.Value()), parts[0],
                     std::vector<std::string>(parts.begin() + 1, parts.end()), options, headerDump);
    if (!opened) return opened.Err();
    opened->Path = path;
    opened->Name = opened->Nested ? opened->Name : FileName(parts[0]);
    return opened;
}

Result<OpenedXmit> OpenNodeFrom(std::unique_ptr<ByteSource> source, const std::string& name,
                                const std::vector<std::string>& steps, const ParseOptions& options,
                                std::vector<std::string>* headerDump) {
    Cursor c;
    c.Source = std::move(source);
    c.At = name;
    c.Name = name;
    c.Size = c.Source->Size();
    c.UnpackLimit = options.UnpackLimit;
    auto settled = Settle(c);
    if (!settled) return settled.Err();
    for (const std::string& step : steps) {
        auto stepped = Step(c, step);
        if (!stepped) return stepped.Err();
    }
    OpenedXmit opened;
    opened.Path = c.At;
    opened.Name = c.Name;
    opened.Nested = c.Nested;
    opened.Terse = c.Terse;
    if (c.What == Content::Tape) {
        const std::int64_t size = c.Source ? c.Source->Size() : 0;
        auto tape = OpenTape(c);
        if (!tape) return tape.Err();
        opened.Kind = NodeKind::Tape;
        opened.Info.FileSize = size;
        opened.Tape = c.Tape;
        return opened;
    }
    if (c.What == Content::Zip && options.ArchivesAsNodes) {
        auto zip = ZipReader::Open(std::move(c.Source));
        if (!zip) return zip.Err();
        opened.Kind = NodeKind::Zip;
        opened.Info.FileSize = c.Size;
        opened.Zip = std::make_shared<ZipReader>(std::move(zip.Value()));
        return opened;
    }
    if (!ReadsAsDataset(c)) {
        if (c.Nested)
            return PathError(Error::Kind::NotXmit, DisplayName(c.At) + " is not an XMIT file");
        // Whatever the file is, the decoder says why it is not a transmission.
        auto parsed = ParseXmit(*c.Source, options, headerDump);
        if (!parsed) return parsed.Err();
    }
    opened.Tape = c.Tape;
    opened.TapeFile = c.TapeFile;
    const bool xmit = c.What == Content::Xmit;
    auto data = OpenData(c, options, xmit ? headerDump : nullptr);
    if (!data) return data.Err();
    opened.Source = std::move(data->Source);
    opened.Info = std::move(data->Info);
    opened.Kind = data->Kind;
    opened.Unload = data->Unload;
    // An unload or a dataset is as large as its own bytes, not their framing.
    if (opened.Kind != NodeKind::Xmit) opened.Info.FileSize = c.Size;
    return opened;
}

}  // namespace corvane
