#include "nested/XmitPath.h"

#include <filesystem>

#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "nested/MemberDataSource.h"
#include "present/Presenter.h"

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
    for (std::size_t k = 1; k < parts.size(); ++k) {
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
    if (!parsed) return parsed.Err();
    opened.Info = std::move(parsed.Value());
    return opened;
}

}  // namespace corvane
