#include <cstdio>
#include <functional>
#include <iostream>

#include "Commands.h"
#include "extract/Extractdata.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "ports/ErrorSummary.h"

namespace corvane::cli {

int ViewCommand(const std::string& file, const std::string& member, bool hex) {
    XmitSession s;
    if (s.Open(PathFromUtf8(file)) != 0) return 1;
    auto extractor = MemberExtractor::Create(s.Decoder, s.Path, s.Notify, s.Errors);
    if (!extractor) return 1;
    extractor->TextMode = !hex;
    NullProgress progress;
    std::fflush(stdout);
    if (s.Decoder.IsPds) {
        if (member.empty()) {
            std::cerr << "Name the member to view; 'corvane-cli list' shows them.\n";
            return 2;
        }
        const MemberRow* row = s.FindMember(member);
        if (!row) {
            std::cerr << "No member " << DisplayName(member) << " in " << file << "\n";
            return 1;
        }
        StreamViewer viewer(DisplayName(row->Caption), stdout);
        return extractor->ReadMember(progress, row->Ttr.Get(), "", &viewer);
    }
    StreamViewer viewer(DisplayName(FieldText(s.Decoder.DatasetName)), stdout);
    return extractor->ReadRange(progress, s.Decoder.ContentStart, "", &viewer, s.Stream->Size());
}

int ExtractCommand(const ExtractOptions& o) {
    XmitSession s;
    if (s.Open(PathFromUtf8(o.File)) != 0) return 1;
    if (!s.Decoder.IsPds && s.Decoder.ContentStart == 0) {
        std::cerr << o.File
                  << (s.Messages.Lines.empty() ? " holds no dataset: nothing to extract.\n"
                                               : " holds only a message, no dataset: nothing to "
                                                 "extract ('corvane-cli info' shows it).\n");
        return 1;
    }
    // The first failure of each kind is printed whole, the rest counted.
    SummarizingErrorReport errors(s.Errors);
    auto extractor = MemberExtractor::Create(s.Decoder, s.Path, s.Notify, errors);
    if (!extractor) return 1;
    if (o.Mode == ExtractMode::Text) extractor->TextMode = true;
    if (o.Mode == ExtractMode::Binary) extractor->TextMode = false;
    if (o.Truncate >= 0) extractor->TruncateLength = o.Truncate;
    const std::string ext = o.ExtSet ? o.Ext : extractor->TextMode ? ".txt" : ".bin";
    const std::filesystem::path dir =
        o.Dir.empty() ? std::filesystem::path(".") : PathFromUtf8(o.Dir);
    NullProgress progress;
    OutputNameSet names;
    int failures = 0;
    int written = 0;
    int skipped = 0;

    // Writes one item; an existing file (or symlink) is replaced only with
    // --overwrite, and the file being read never.
    auto extract = [&](const std::filesystem::path& path,
                       const std::function<int(const std::string&)>& read) {
        const std::string text = PathToUtf8(path);
        if (PathPresent(path)) {
            if (IsOpenInput(path)) {
                std::cerr << text << " is the file being read; it is never written\n";
                ++failures;
                return;
            }
            if (!o.Overwrite) {
                std::cerr << "Skipped " << text << ": it exists (--overwrite replaces it)\n";
                ++skipped;
                return;
            }
        }
        if (read(text) == 0) {
            ++written;
            std::cout << text << "\n";
        } else {
            ++failures;
        }
    };

    if (!s.Decoder.IsPds) {
        std::string name = FieldText(s.Decoder.DatasetName);
        if (TrimRight(name).empty()) name = PathToUtf8(s.Path.stem());
        const std::filesystem::path path =
            o.Output.empty() ? dir / PathFromUtf8(names.Take(name, ext)) : PathFromUtf8(o.Output);
        extract(path, [&](const std::string& p) {
            return extractor->ReadRange(progress, s.Decoder.ContentStart, p, nullptr,
                                        s.Stream->Size());
        });
    } else {
        std::vector<const MemberRow*> rows;
        if (o.Members.empty()) {
            for (const MemberRow& row : s.Members.Rows) rows.push_back(&row);
        } else {
            for (const std::string& name : o.Members) {
                const MemberRow* row = s.FindMember(name);
                if (!row) {
                    std::cerr << "No member " << DisplayName(name) << " in " << o.File << "\n";
                    ++failures;
                    continue;
                }
                rows.push_back(row);
            }
        }
        if (!o.Output.empty() && rows.size() != 1) {
            std::cerr << "--output names one file: give exactly one member, or use -o DIR\n";
            return 2;
        }
        std::error_code ec;
        if (rows.size() > 1 || o.Output.empty()) std::filesystem::create_directories(dir, ec);
        for (const MemberRow* row : rows) {
            const std::filesystem::path path =
                !o.Output.empty() ? PathFromUtf8(o.Output)
                                  : dir / PathFromUtf8(names.Take(row->Caption, ext));
            extract(path, [&](const std::string& p) {
                return extractor->ReadMember(progress, row->Ttr.Get(), p, nullptr);
            });
        }
    }
    extractor->FinishCommand();
    for (const std::string& line : errors.Summary()) std::cerr << line << "\n";
    std::cerr << written << " Processed.";
    if (skipped > 0) std::cerr << " " << skipped << " skipped: the file exists.";
    std::cerr << "\n";
    return failures == 0 && skipped == 0 ? 0 : 1;
}

}  // namespace corvane::cli
