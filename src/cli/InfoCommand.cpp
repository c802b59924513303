#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "container/SequentialData.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "present/ContainerText.h"
#include "present/InfoTabs.h"
#include "tape/TapeImage.h"
#include "terse/TerseHeader.h"
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

nlohmann::json TapeFileJson(const TapeFileInfo& f) {
    return {{"file", f.Number},
            {"sequence", f.Sequence ? nlohmann::json(*f.Sequence) : nlohmann::json(nullptr)},
            {"dsn", TextOrNull(f.Dsn)},
            {"recfm", f.Recfm},
            {"lrecl", f.Lrecl},
            {"blksize", f.Blksize},
            {"blocks", f.Blocks},
            {"bytes", f.Bytes >= 0 ? nlohmann::json(f.Bytes) : nlohmann::json(nullptr)}};
}

// The containers the dataset came in, for info --json.
void ContainerJson(const XmitSession& s, nlohmann::json& j) {
    if (s.Terse) {
        j["terse"] = {{"format", s.Terse->FormatName()},
                      {"recfm", s.Terse->Variable ? "VB" : "FB"},
                      {"lrecl", s.Terse->Lrecl()},
                      {"blksize", s.Terse->BlockSize}};
    }
    if (s.Unload) {
        j["unload"] = {{"form", s.Unload->Blocks ? "blocks" : "records"},
                       {"copyr1_length", s.Unload->Copyr1Length},
                       {"records", s.Unload->Records}};
    }
    if (s.Tape && s.TapeFile) j["tape_file"] = TapeFileJson(s.Tape->Info().Files[*s.TapeFile]);
}

void ContainerRows(const XmitSession& s) {
    if (s.Tape && s.TapeFile) {
        const TapeFileInfo& f = s.Tape->Info().Files[*s.TapeFile];
        std::printf("tape file\n");
        Row("File:", std::to_string(f.Number));
        Row("Dataset:", f.Dsn);
        Row("Recfm:", f.Recfm);
        Row("Blocks:", std::to_string(f.Blocks));
    }
    if (s.Terse) Row("Packed:", present::TerseText(*s.Terse));
    if (s.Unload) Row("Form:", present::UnloadText(*s.Unload));
}

int TapeInfo(XmitSession& s, bool json) {
    const corvane::TapeInfo& t = s.Tape->Info();
    for (const std::string& note : t.Notes) {
        std::cerr << "corvane-cli: note: " << DisplayName(note) << "\n";
    }
    if (json) {
        nlohmann::json j = {{"file", PathToUtf8(s.Path.filename())},
                            {"size", s.Info.FileSize},
                            {"tape",
                             {{"format", present::TapeFormat(t)},
                              {"label", present::LabelCode(t)},
                              {"volser", TextOrNull(t.Volser)},
                              {"owner", TextOrNull(t.Owner)},
                              {"files", t.Files.size()},
                              {"physical_files", t.PhysicalFiles}}}};
        std::cout << j.dump(2) << "\n";
        return 0;
    }
    std::printf("tape image\n");
    Row("Size:", SizeText(s.Info.FileSize));
    Row("File name:", PathToUtf8(s.Path.filename()));
    Row("Format:", present::TapeFormat(t));
    Row("Labels:", present::LabelText(t));
    Row("Volume:", t.Volser);
    Row("Tape files:", std::to_string(t.Files.size()));
    return 0;
}

int InfoCommand(const std::string& file, bool json, const std::string& dateOrder,
                const CodePage* characters) {
    XmitSession s;
    s.Characters = characters;
    if (s.Open(PathFromUtf8(file), false, true) != 0) return 1;
    if (s.Kind == NodeKind::Tape) return TapeInfo(s, json);
    s.PrintNotices();
    const XmitInfo& x = s.Info;
    const DatasetInfo& d = x.Dataset;
    if (json) {
        nlohmann::json j = {
            {"file", PathToUtf8(s.Path.filename())},
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
        ContainerJson(s, j);
        std::cout << j.dump(2) << "\n";
        return 0;
    }
    const present::DateOrder order = ChooseDateOrder(dateOrder);
    ContainerRows(s);
    for (const present::InfoTab& tab : present::InfoTabs(x, PathToUtf8(s.Path.filename()), order)) {
        std::printf("%s\n", tab.Name.c_str());
        for (const present::InfoRow& row : tab.Rows)
            std::printf("  %-15s %s\n", row.Caption.c_str(), row.Value.c_str());
    }
    std::printf("message\n");
    for (const std::string& line : x.Message) std::printf("  %s\n", VisibleText(line).c_str());
    return 0;
}

int HeadersCommand(const std::string& file, const CodePage* characters) {
    XmitSession s;
    s.Characters = characters;
    if (s.Open(PathFromUtf8(file), true) != 0) return 1;
    for (const std::string& line : s.HeaderDump) std::printf("%s\n", VisibleText(line).c_str());
    std::printf("Ok\n");
    return 0;
}

CLI::App* Info::Declare(CLI::App& tool) {
    auto* c = tool.add_subcommand("info", "Transfer header, dataset attributes and message");
    c->add_option("FILE", file_, "XMIT file")->required();
    c->add_flag("--json", json_, "One JSON object (ISO 8601 dates)");
    c->add_option("--date-order", dateOrder_, "Dates as dmy, mdy or iso (default: the options)")
        ->check(CLI::IsMember({"dmy", "mdy", "iso"}));
    return c;
}

int Info::Run(const CodePage* characters) {
    return InfoCommand(file_, json_, dateOrder_, characters);
}

CLI::App* Headers::Declare(CLI::App& tool) {
    auto* c = tool.add_subcommand("headers", "Hex dump of every header record read");
    c->add_option("FILE", file_, "XMIT file")->required();
    return c;
}

int Headers::Run(const CodePage* characters) {
    return HeadersCommand(file_, characters);
}

}  // namespace corvane::cli
