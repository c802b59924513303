#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "util/SizeText.h"

namespace corvane::cli {

namespace {
// Values come from the file: control characters are shown escaped.
void Row(const char* caption, const std::string& value) {
    std::printf("  %-15s %s\n", caption, DisplayName(value).c_str());
}
}  // namespace

int InfoCommand(const std::string& file, bool json) {
    XmitSession s;
    if (s.Open(PathFromUtf8(file)) != 0) return 1;
    const TXmitDecoder& d = s.Decoder;
    if (json) {
        nlohmann::json j = {
            {"FromNode", FieldText(d.FromNode)},
            {"FromUserId", FieldText(d.FromUserId)},
            {"ToNode", FieldText(d.ToNode)},
            {"ToUserId", FieldText(d.ToUserId)},
            {"CreatedText", FieldText(d.CreatedText)},
            {"FileCount", d.FileCount},
            {"DatasetName", FieldText(d.DatasetName)},
            {"DatasetType", FieldText(d.DatasetType)},
            {"RecfmText", FieldText(d.RecfmText)},
            {"Lrecl", d.Lrecl},
            {"Blksize", d.Blksize},
            {"IsPds", d.IsPds},
            {"FixedRecords", d.FixedRecords},
            {"MemberCount", d.MemberCount},
            {"FileSize", d.FileSize},
            {"ContentStart", d.ContentStart},
            {"Messages", s.Messages.Lines},
        };
        std::cout << j.dump(2) << "\n";
        return 0;
    }
    std::printf("xmit file\n");
    Row("Size:", SizeText(d.FileSize));
    Row("Created:", FieldText(d.CreatedText));
    Row("Content files:", std::to_string(static_cast<std::int32_t>(d.FileCount)));
    Row("File name:", PathToUtf8(s.Path.filename()));
    std::printf("xmit content\n");
    Row("Dataset:", FieldText(d.DatasetName));
    Row("Type:", FieldText(d.DatasetType));
    Row("Members:", std::to_string(d.MemberCount));
    Row("Recfm:", FieldText(d.RecfmText));
    Row("lrecl:", std::to_string(d.Lrecl));
    Row("Blksize:", std::to_string(d.Blksize));
    std::printf("transfer info\n");
    Row("From node:", FieldText(d.FromNode));
    Row("From User:", FieldText(d.FromUserId));
    Row("To node:", FieldText(d.ToNode));
    Row("To user:", FieldText(d.ToUserId));
    std::printf("message\n");
    for (const std::string& line : s.Messages.Lines) std::printf("  %s\n", line.c_str());
    return 0;
}

int HeadersCommand(const std::string& file) {
    XmitSession s;
    int rc = s.Open(PathFromUtf8(file), true);
    for (const auto& viewer : s.DumpViewers.Viewers) {
        for (const std::string& line : viewer->Text()) std::printf("%s\n", line.c_str());
        std::printf("%s\n", viewer->Status0.c_str());
    }
    return rc;
}

}  // namespace corvane::cli
