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

nlohmann::json TextOrNull(const std::string& s) {
    return s.empty() ? nlohmann::json(nullptr) : nlohmann::json(s);
}
}  // namespace

int InfoCommand(const std::string& file, bool json, const std::string& dateOrder) {
    XmitSession s;
    if (s.Open(PathFromUtf8(file)) != 0) return 1;
    s.PrintNotices();
    const XmitInfo& x = s.Info;
    const DatasetInfo& d = x.Dataset;
    if (json) {
        nlohmann::json j = {
            {"file", s.Path.filename().string()},
            {"size", x.FileSize},
            {"created", x.Transfer.Created
                            ? nlohmann::json(present::IsoDateTime(*x.Transfer.Created))
                            : nlohmann::json(nullptr)},
            {"from", {{"node", x.Transfer.FromNode}, {"user", x.Transfer.FromUser}}},
            {"to", {{"node", x.Transfer.ToNode}, {"user", x.Transfer.ToUser}}},
            {"file_count", x.Transfer.FileCount},
            {"dataset",
             {{"name", d.Name},
              {"organization", TextOrNull(present::OrganizationCode(d))},
              {"recfm", present::RecfmText(d.Recfm)},
              {"lrecl", d.Lrecl},
              {"blksize", d.Blksize},
              {"members", x.Members.size()},
              {"content", x.DataHoldsXmit ? nlohmann::json("xmit") : nlohmann::json()}}},
            {"message", x.Message},
        };
        std::cout << j.dump(2) << "\n";
        return 0;
    }
    const present::DateOrder order = ChooseDateOrder(dateOrder);
    std::printf("xmit file\n");
    Row("Size:", SizeText(x.FileSize));
    Row("Created:", present::CreatedText(x.Transfer, order));
    Row("Content files:", std::to_string(static_cast<std::int32_t>(x.Transfer.FileCount)));
    Row("File name:", PathToUtf8(s.Path.filename()));
    std::printf("xmit content\n");
    Row("Dataset:", d.Name);
    Row("Type:", present::TypeText(d));
    Row("Members:", std::to_string(x.Members.size()));
    Row("Recfm:", present::RecfmText(d.Recfm));
    Row("lrecl:", std::to_string(d.Lrecl));
    Row("Blksize:", std::to_string(d.Blksize));
    std::printf("transfer info\n");
    Row("From node:", x.Transfer.FromNode);
    Row("From User:", x.Transfer.FromUser);
    Row("To node:", x.Transfer.ToNode);
    Row("To user:", x.Transfer.ToUser);
    std::printf("message\n");
    for (const std::string& line : x.Message) std::printf("  %s\n", line.c_str());
    return 0;
}

int HeadersCommand(const std::string& file) {
    XmitSession s;
    if (s.Open(PathFromUtf8(file), true) != 0) return 1;
    for (const std::string& line : s.HeaderDump) std::printf("%s\n", line.c_str());
    std::printf("Ok\n");
    return 0;
}

}  // namespace corvane::cli
