#include "repair/RepairedFile.h"

#include <algorithm>
#include <memory>

#include "io/AtomicWriter.h"
#include "repair/StreamedRepair.h"

namespace corvane::repair {

namespace {
Result<std::vector<std::uint8_t>> Whole(ByteSource& source, const std::string& name) {
    if (source.Size() > kMaxRepaired) {
        return Error::Plain(Error::Kind::Usage,
                            name + " is too large to be repaired (2 GiB at most)");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(source.Size()));
    std::size_t at = 0;
    while (at < bytes.size()) {
        auto got =
            source.ReadAt(static_cast<std::int64_t>(at), bytes.data() + at, bytes.size() - at);
        if (!got) return got.Err();
        if (got.Value() == 0) break;
        at += got.Value();
    }
    bytes.resize(at);
    return bytes;
}

// The file's bytes looked at for transfer damage; only a file that starts
// as a changed XMIT file would is read whole.
Result<Repair> RepairSource(ByteSource& source, const std::string& name, int codePage) {
    std::uint8_t start[16] = {};
    auto got = source.ReadAt(0, start, sizeof start);
    if (!got) return got.Err();
    if (!MayBeRepaired(start, got.Value())) return Repair{};
    auto bytes = Whole(source, name);
    if (!bytes) return bytes.Err();
    return RepairTransfer(bytes.Value(), codePage);
}

// The folders above the path that are not there yet, the deepest first.
std::vector<std::filesystem::path> MissingFolders(const std::filesystem::path& path) {
    std::vector<std::filesystem::path> missing;
    std::error_code e;
    for (auto folder = path.parent_path(); !folder.empty() && !std::filesystem::exists(folder, e);
         folder = folder.parent_path()) {
        missing.push_back(folder);
        if (folder == folder.parent_path()) break;
    }
    return missing;
}

// The repair a stretch at a time into output, the file made when the first
// bytes come; nothing when the file is not one it repairs. Folders made for
// a file that is not kept are removed again.
Result<std::optional<RepairWritten>> Streamed(ByteSource& source, int codePage,
                                              const std::filesystem::path& output, bool salvage,
                                              const AtomicWriteOptions& options) {
    const std::vector<std::filesystem::path> missing = MissingFolders(output);
    bool kept = false;
    struct Tidy {
        const std::vector<std::filesystem::path>& Folders;
        const bool& Kept;
        ~Tidy() {
            std::error_code e;
            for (const auto& folder : Folders) {
                if (!Kept) std::filesystem::remove(folder, e);  // only when empty
            }
        }
    } tidy{missing, kept};
    std::unique_ptr<AtomicWriter> writer;
    auto status = AtomicWriter::Status::Ok;
    auto make = [&] {
        writer.reset();
        status = CreateWithFolder(output, options, writer);
        return status == AtomicWriter::Status::Ok;
    };
    CardOutput out;
    out.Write = [&](const std::uint8_t* p, std::size_t n) {
        if (!writer && (status != AtomicWriter::Status::Ok || !make())) return false;
        return writer->Write(p, n);
    };
    out.Restart = make;
    out.Cut = [&](std::int64_t n) { return writer && writer->SetLength(n); };
    auto done = RepairCardsStreamed(source, codePage, out);
    if (!done) return done.Err();
    if (!done.Value()) return std::optional<RepairWritten>();
    RepairWritten r{std::move(done.Value()->What), std::nullopt};
    if (r.What.Result == Repair::Outcome::Exact || salvage) {
        r.Write = status != AtomicWriter::Status::Ok ? status
                  : done.Value()->Written && writer  ? writer->Commit()
                                                     : AtomicWriter::Status::WriteFailed;
    }
    kept = r.Write == AtomicWriter::Status::Ok;
    writer.reset();
    return std::optional<RepairWritten>(std::move(r));
}
}  // namespace

Result<Repair> RepairFile(const std::filesystem::path& file, int codePage) {
    auto opened = FileSource::Open(file);
    if (!opened) return opened.Err();
    return RepairSource(*opened.Value(), PathToUtf8(file), codePage);
}

Result<RepairWritten> RepairFileInto(const std::filesystem::path& file, int codePage,
                                     const std::filesystem::path& output, bool salvage,
                                     const AtomicWriteOptions& options) {
    auto opened = FileSource::Open(file);
    if (!opened) return opened.Err();
    auto streamed = Streamed(*opened.Value(), codePage, output, salvage, options);
    if (!streamed) return streamed.Err();
    if (streamed.Value()) return std::move(*streamed.Value());
    auto repaired = RepairSource(*opened.Value(), PathToUtf8(file), codePage);
    if (!repaired) return repaired.Err();
    RepairWritten r{std::move(repaired.Value()), std::nullopt};
    const auto result = r.What.Result;
    if (result == Repair::Outcome::Exact || (result == Repair::Outcome::Inexact && salvage)) {
        const auto& b = r.What.Bytes;
        r.Write = WriteFileAtomically(
            output, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()), options);
    }
    r.What.Bytes.clear();
    r.What.Bytes.shrink_to_fit();
    return r;
}

std::string PaddingNote(ByteSource& source, std::int64_t trailerEnd) {
    const std::int64_t size = source.Size();
    if (trailerEnd < 0) {
        // A clean file's last card holds the end of its closing record.
        std::uint8_t tail[80] = {};
        const std::int64_t from = std::max<std::int64_t>(0, size - 80);
        auto got = source.ReadAt(from, tail, static_cast<std::size_t>(size - from));
        if (!got) return {};
        static const std::uint8_t kTrailer[6] = {0xC9, 0xD5, 0xD4, 0xD9, 0xF0, 0xF6};
        if (std::search(tail, tail + got.Value(), kTrailer, kTrailer + 6) != tail + got.Value()) {
            return {};
        }
        auto bytes = Whole(source, source.Name());
        if (!bytes) return {};
        std::int64_t broken = -1;
        trailerEnd = SegmentChainEnd(bytes->data(), bytes->size(), broken);
    }
    return PaddingSentence(size, trailerEnd);
}

}  // namespace corvane::repair
