#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "ConsolePorts.h"
#include "Manifest.h"
#include "container/SequentialData.h"
#include "create/FileBlocks.h"
#include "extract/ExistingFile.h"
#include "extract/MemberReader.h"
#include "extract/ReadChoice.h"
#include "extract/Salvage.h"
#include "extract/TapeFileCopy.h"
#include "io/AtomicWriter.h"
#include "io/OpenInputs.h"
#include "io/OutputName.h"
#include "present/Presenter.h"
#include "tape/TapeImage.h"

namespace corvane::cli {

int ViewCommand(const std::string& file, const std::string& member, bool hex,
                const CodePage* characters) {
    XmitSession s;
    s.Characters = characters;
    if (s.Open(PathFromUtf8(file)) != 0) return 1;
    ReadRequest request;
    request.Form = hex ? ReadForm::Hex : ReadForm::Text;
    if (s.Info.Partitioned) {
        if (member.empty()) {
            std::cerr << "Name the member to view; 'corvane-cli list' shows them.\n";
            return 2;
        }
        request.Member = s.FindMember(member);
        if (!request.Member) {
            std::cerr << "No member " << DisplayName(member) << " in " << file << "\n";
            return 1;
        }
        request.Name = DisplayName(request.Member->Name);
    } else {
        request.Name = DisplayName(s.Info.Dataset.Name);
    }
    StreamLines lines(stdout);
    request.Lines = &lines;
    // With an IBM code page the characters go out as they are, so the text
    // equals what other converters make of the records.
    request.Characters = s.Characters;
    request.KeepControls = request.Characters && request.Characters->Unicode();
    NullProgress progress;
    MemberReader reader(*s.Source, s.Info);
    auto done = reader.Read(request, progress);
    std::fflush(stdout);
    if (!done) {
        PrintError(done.Err());
        return 1;
    }
    return 0;
}

namespace {

// Whether an extracted file may be written at path; says why not, counting
// the file being read as a failure and an existing one as skipped.
bool Writable(const std::filesystem::path& path, bool overwrite, int& failures, int& skipped) {
    switch (ActionFor(path, overwrite)) {
        case TargetAction::Write:
            return true;
        case TargetAction::NeverWritten:
            std::cerr << PathToUtf8(path) << " is the file being read; it is never written\n";
            ++failures;
            return false;
        case TargetAction::Skip:
            break;
    }
    std::cerr << "Skipped " << PathToUtf8(path) << ": it exists (--overwrite replaces it)\n";
    ++skipped;
    return false;
}

// The files of a tape (all when none is named, else by place or dataset
// name), each written as its data blocks joined.
int ExtractTapeFiles(XmitSession& s, const ExtractOptions& o) {
    if (o.Mode == ExtractMode::Text) {
        std::cerr << "A tape's files are written as their data blocks; name one of them (" << o.File
                  << "!1) to extract it as text\n";
        return 2;
    }
    const TapeInfo& tape = s.Tape->Info();
    std::vector<std::size_t> files;
    int failures = 0;
    if (o.Members.empty()) {
        for (std::size_t i = 0; i < tape.Files.size(); ++i) files.push_back(i);
    }
    for (const std::string& name : o.Members) {
        auto it = std::find_if(tape.Files.begin(), tape.Files.end(), [&](const TapeFileInfo& f) {
            return std::to_string(f.Number) == name || (!f.Dsn.empty() && f.Dsn == name);
        });
        if (it == tape.Files.end()) {
            std::cerr << "No tape file " << DisplayName(name) << " on " << o.File << "\n";
            ++failures;
            continue;
        }
        files.push_back(static_cast<std::size_t>(it - tape.Files.begin()));
    }
    if (!o.Output.empty() && files.size() != 1) {
        std::cerr << "--output names one file: give exactly one tape file, or use -o DIR\n";
        return 2;
    }
    const std::filesystem::path dir =
        o.Dir.empty() ? std::filesystem::path(".") : PathFromUtf8(o.Dir);
    std::error_code ec;
    if (o.Output.empty()) std::filesystem::create_directories(dir, ec);
    const std::string ext = o.ExtSet ? o.Ext : ".bin";
    OutputNameSet names;
    int written = 0, skipped = 0;
    for (std::size_t i : files) {
        const std::filesystem::path path =
            o.Output.empty() ? dir / PathFromUtf8(names.Take(TapeFileName(tape.Files[i]), ext))
                             : PathFromUtf8(o.Output);
        const std::string shown = PathToUtf8(path);
        if (!Writable(path, o.Overwrite, failures, skipped)) continue;
        auto copied = CopyTapeFile(*s.Tape, i, path);
        if (!copied) {
            PrintError(copied.Err());
            ++failures;
            continue;
        }
        ++written;
        std::cout << shown << "\n";
    }
    std::cerr << present::ProcessedText(static_cast<std::size_t>(written));
    if (skipped > 0) std::cerr << " " << skipped << " skipped: the file exists.";
    std::cerr << "\n";
    return failures == 0 && skipped == 0 ? 0 : 1;
}
}  // namespace

int ExtractCommand(const ExtractOptions& o) {
    XmitSession s;
    s.Characters = o.Characters;
    if (s.Open(PathFromUtf8(o.File), false, true) != 0) return 1;
    if (s.Kind == NodeKind::Tape) {
        if (o.Manifest) {
            std::cerr << "--manifest records a library or a dataset; name a tape file (" << o.File
                      << "!1) to extract it with one\n";
            return 2;
        }
        return ExtractTapeFiles(s, o);
    }
    if (!s.Info.HasData()) {
        std::cerr << o.File
                  << (s.Info.Message.empty() ? " holds no dataset: nothing to extract.\n"
                                             : " holds only a message, no dataset: nothing to "
                                               "extract ('corvane-cli info' shows it).\n");
        return 1;
    }
    const bool text = o.Mode == ExtractMode::Text ||
                      (o.Mode == ExtractMode::Auto && AutoReadsAsText(s.Info.Dataset));
    const std::filesystem::path dir =
        o.Dir.empty() ? std::filesystem::path(".") : PathFromUtf8(o.Dir);
    MemberReader reader(*s.Source, s.Info);
    NullProgress progress;
    OutputNameSet names;
    int failures = 0;
    int written = 0;
    int skipped = 0;
    // The first failure of each kind is printed whole, the others counted.
    std::vector<std::pair<std::string, int>> kinds;
    auto fail = [&](const Error& e) {
        ++failures;
        const std::string kind = e.Title.empty() ? e.Message : e.Title;
        for (auto& [seen, count] : kinds) {
            if (seen == kind) {
                ++count;
                return;
            }
        }
        kinds.emplace_back(kind, 1);
        PrintError(e);
    };

    if (o.Manifest && !o.Output.empty()) {
        std::cerr << "--manifest writes a folder: use -o DIR instead of --output\n";
        return 2;
    }
    // With a manifest, a member goes as text only when its text gives its
    // bytes back; else it goes in binary, so that it can be made again.
    std::vector<ManifestMember> recorded;
    std::optional<ManifestFile> recordedData;
    auto readsBack = [&](const MemberEntry* member) {
        if (s.Info.Dataset.Recfm.Kind != 'F') return false;
        std::vector<std::uint8_t> data;
        std::vector<std::uint8_t> lines;
        ReadRequest request;
        request.Member = member;
        request.Bytes = &data;
        if (!reader.Read(request, progress)) return true;  // the write will say why
        request.Form = ReadForm::Text;
        request.Bytes = &lines;
        request.Characters = s.Characters;
        request.RecordCut = o.Truncate;
        request.RecordsOnly = true;
        if (!reader.Read(request, progress)) return true;
        return create::FixedTextReadsBack(
            data, std::string_view(reinterpret_cast<const char*>(lines.data()), lines.size()),
            s.Info.Dataset.Lrecl, s.Characters);
    };
    auto binaryOnly = [&](const MemberEntry* member, const std::string& name) {
        if (!o.Manifest || !text || readsBack(member)) return false;
        std::cerr << "corvane-cli: note: " << DisplayName(present::TrimmedName(name))
                  << " is written in binary: as text it would not read back the same\n";
        return true;
    };

    // What a damaged member or dataset holds before its damage, beside where
    // it would have gone. It counts as salvaged, not written.
    auto salvage = [&](const ReadRequest& request, const std::filesystem::path& path) {
        const std::filesystem::path partial = PartialPath(path);
        int notCounted = 0;
        if (!Writable(partial, o.Overwrite, notCounted, notCounted)) return;
        const Salvaged s = Salvage(reader, request, progress, present::TrimmedName(request.Name));
        if (!s.Written.empty()) std::cout << PathToUtf8(s.Written) << "\n";
        std::cerr << s.Sentence << "\n";
    };

    // Writes one item; an existing file (or symlink) is replaced only with
    // --overwrite, and the file being read never.
    auto extract = [&](const MemberEntry* member, const std::string& name,
                       const std::filesystem::path& path, bool asText) {
        const std::string shown = PathToUtf8(path);
        if (!Writable(path, o.Overwrite, failures, skipped)) return;
        // The data of a tape file as it stands: its blocks, each read once.
        if (!member && !asText && s.Kind == NodeKind::Dataset && s.Tape && s.TapeFile && !s.Terse) {
            auto copied = CopyTapeFile(*s.Tape, *s.TapeFile, path);
            if (copied) {
                ++written;
                std::cout << shown << "\n";
            } else {
                fail(copied.Err());
            }
            return;
        }
        ReadRequest request;
        request.Member = member;
        request.Form = asText ? ReadForm::Text : ReadForm::Binary;
        std::vector<BlockMark> blocks;
        if (o.Manifest) request.Blocks = &blocks;
        request.RecordCut = o.Truncate;
        request.Characters = s.Characters;
        request.OutputFile = path;
        request.Name = DisplayName(name);
        auto done = reader.Read(request, progress);
        if (done) {
            ++written;
            std::cout << shown << "\n";
            if (o.Manifest && member) recorded.push_back({member, Stamp(path, asText), blocks});
            if (o.Manifest && !member) recordedData = Stamp(path, asText);
            return;
        }
        fail(done.Err());
        if (o.Salvage && done.Err().What == Error::Kind::Damaged) salvage(request, path);
    };
    auto extOf = [&](bool asText) { return o.ExtSet ? o.Ext : asText ? ".txt" : ".bin"; };

    if (!s.Info.Partitioned) {
        std::string name = s.Info.Dataset.Name;
        if (present::TrimmedName(name).empty()) name = PathToUtf8(PathFromUtf8(s.Leaf).stem());
        std::error_code ec;
        if (o.Output.empty()) std::filesystem::create_directories(dir, ec);  // as for a library
        const bool asText = text && !binaryOnly(nullptr, name);
        extract(nullptr, name,
                o.Output.empty() ? dir / PathFromUtf8(names.Take(name, extOf(asText)))
                                 : PathFromUtf8(o.Output),
                asText);
    } else {
        std::vector<const MemberEntry*> members;
        if (o.Members.empty()) {
            for (const MemberEntry& m : s.Info.Members) members.push_back(&m);
        } else {
            for (const std::string& name : o.Members) {
                const MemberEntry* m = s.FindMember(name);
                if (!m) {
                    std::cerr << "No member " << DisplayName(name) << " in " << o.File << "\n";
                    ++failures;
                    continue;
                }
                members.push_back(m);
            }
        }
        if (!o.Output.empty() && members.size() != 1) {
            std::cerr << "--output names one file: give exactly one member, or use -o DIR\n";
            return 2;
        }
        std::error_code ec;
        if (members.size() > 1 || o.Output.empty()) std::filesystem::create_directories(dir, ec);
        for (const MemberEntry* m : members) {
            const bool asText = text && !binaryOnly(m, m->Name);
            extract(m, m->Name,
                    !o.Output.empty() ? PathFromUtf8(o.Output)
                                      : dir / PathFromUtf8(names.Take(m->Name, extOf(asText))),
                    asText);
        }
    }
    if (o.Manifest) {
        const std::filesystem::path path = dir / kManifestName;
        if (Writable(path, o.Overwrite, failures, skipped)) {
            const auto status = WriteFileAtomically(
                path, ManifestJson(s.Info, recorded, recordedData).dump(2) + "\n");
            if (status != AtomicWriter::Status::Ok) {
                std::cerr << AtomicWriteText(status, path) << "\n";
                ++failures;
            }
        }
    }
    for (const auto& [seen, count] : kinds) {
        if (count > 1) std::cerr << count << " failed: " << seen << "\n";
    }
    std::cerr << present::ProcessedText(static_cast<std::size_t>(written));
    if (skipped > 0) std::cerr << " " << skipped << " skipped: the file exists.";
    std::cerr << "\n";
    return failures == 0 && skipped == 0 ? 0 : 1;
}

CLI::App* View::Declare(CLI::App& tool) {
    auto* c = tool.add_subcommand("view", "Write a member (or the dataset) as text or hex");
    c->add_option("FILE", file_, "XMIT file")->required();
    c->add_option("MEMBER", member_, "Member name (partitioned datasets)");
    c->add_flag("--hex", hex_, "Hex dump instead of text");
    return c;
}

int View::Run(const CodePage* characters) {
    return ViewCommand(file_, member_, hex_, characters);
}

CLI::App* Extract::Declare(CLI::App& tool) {
    ExtractOptions& ex = options_;
    auto* c = tool.add_subcommand("extract", "Write members (or the dataset) to files");
    c->add_option("FILE", ex.File, "XMIT file")->required();
    c->add_option("MEMBER", ex.Members, "Members to extract (all when none is named)");
    auto* dirOpt = c->add_option("-o,--dir", ex.Dir, "Folder for the files");
    c->add_option("--output", ex.Output, "Output file (one member or the dataset)")
        ->excludes(dirOpt);
    auto* t = c->add_flag("--text", text_, "Text: EBCDIC translated, CR LF lines");
    auto* b = c->add_flag("--binary", binary_, "Binary: the data bytes unchanged");
    auto* a = c->add_flag("--auto", auto_, "Text for fixed records, else binary");
    t->excludes(b)->excludes(a);
    b->excludes(a);
    c->add_option("--truncate", ex.Truncate, "Cut text records to N characters")
        ->check(CLI::Range(0, 32767));
    c->add_option("--ext", ex.Ext, "File extension for the files written (with its dot)");
    c->add_flag("--overwrite", ex.Overwrite, "Replace existing files (else they are skipped)");
    c->add_flag("--salvage", ex.Salvage,
                "When a member cannot be read whole, write what comes before the damage "
                "as NAME.partial.EXT");
    c->add_flag("--manifest", ex.Manifest,
                "Also write manifest.json, from which 'create' makes the library again");
    command_ = c;
    return c;
}

int Extract::Run(const CodePage* characters) {
    options_.Mode = text_ ? ExtractMode::Text : binary_ ? ExtractMode::Binary : ExtractMode::Auto;
    options_.ExtSet = command_->count("--ext") > 0;
    options_.Characters = characters;
    return ExtractCommand(options_);
}

}  // namespace corvane::cli
