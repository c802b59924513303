#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "extract/Extractdata.h"
#include "ports/ErrorSummary.h"

namespace corvane::cli {

int ViewCommand(const std::string& file, const std::string& member, bool hex) {
    XmitSession s;
    if (s.Open(file) != 0) return 1;
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
            std::cerr << "No member " << member << " in " << file << "\n";
            return 1;
        }
        StreamViewer viewer(row->Caption, stdout);
        return extractor->ReadMember(progress, row->Ttr.Get(), "", &viewer);
    }
    StreamViewer viewer(FieldText(s.Decoder.DatasetName), stdout);
    return extractor->ReadRange(progress, s.Decoder.ContentStart, "", &viewer, s.Stream->Size());
}

int ExtractCommand(const ExtractOptions& o) {
    XmitSession s;
    if (s.Open(o.File) != 0) return 1;
    // The first failure of each kind is printed whole, the rest counted.
    SummarizingErrorReport errors(s.Errors);
    auto extractor = MemberExtractor::Create(s.Decoder, s.Path, s.Notify, errors);
    if (!extractor) return 1;
    if (o.Mode == ExtractMode::Text) extractor->TextMode = true;
    if (o.Mode == ExtractMode::Binary) extractor->TextMode = false;
    if (o.Truncate >= 0) extractor->TruncateLength = o.Truncate;
    const std::string ext = o.ExtSet ? o.Ext : extractor->TextMode ? ".txt" : ".bin";
    const std::filesystem::path dir =
        o.Dir.empty() ? std::filesystem::path(".") : std::filesystem::path(o.Dir);
    NullProgress progress;
    int failures = 0;
    int written = 0;

    auto report = [&](int rc, const std::string& path) {
        if (rc == 0) {
            ++written;
            std::cout << path << "\n";
        } else {
            ++failures;
        }
    };

    if (!s.Decoder.IsPds) {
        std::string name = FieldText(s.Decoder.DatasetName);
        if (name.empty()) name = s.Path.stem().string();
        std::string path = o.Output.empty() ? (dir / (name + ext)).string() : o.Output;
        report(
            extractor->ReadRange(progress, s.Decoder.ContentStart, path, nullptr, s.Stream->Size()),
            path);
    } else {
        std::vector<const MemberRow*> rows;
        if (o.Members.empty()) {
            for (const MemberRow& row : s.Members.Rows) rows.push_back(&row);
        } else {
            for (const std::string& name : o.Members) {
                const MemberRow* row = s.FindMember(name);
                if (!row) {
                    std::cerr << "No member " << name << " in " << o.File << "\n";
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
            std::string path =
                !o.Output.empty() ? o.Output : (dir / (TrimRight(row->Caption) + ext)).string();
            report(extractor->ReadMember(progress, row->Ttr.Get(), path, nullptr), path);
        }
    }
    extractor->FinishCommand();
    for (const std::string& line : errors.Summary()) std::cerr << line << "\n";
    std::cerr << written << " Processed.\n";
    return failures == 0 ? 0 : 1;
}

}  // namespace corvane::cli
