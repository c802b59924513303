#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Manifest.h"
#include "container/TapeContents.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "present/ContainerText.h"
#include "tape/TapeImage.h"

namespace corvane::cli {

namespace {
std::size_t DisplayWidth(std::string_view s) {
    std::size_t n = 0;
    for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The real member an alias stands for: the name its directory entry gives,
// else the member that shares its TTR.
nlohmann::json AliasOf(const XmitInfo& x, const MemberEntry& m) {
    if (!m.Alias) return nullptr;
    if (!present::TrimmedName(m.AliasOf).empty()) return present::TrimmedName(m.AliasOf);
    for (const MemberEntry& other : x.Members) {
        if (!other.Alias && other.Ttr == m.Ttr) return present::TrimmedName(other.Name);
    }
    return nullptr;
}

}  // namespace

// What the member's data is, when it is a container: "xmit", "terse" and so on.
nlohmann::json ContentJson(const MemberEntry& m) {
    const char* name = ContentName(m.HoldsXmit ? Content::Xmit : m.Holds);
    return name ? nlohmann::json(name) : nlohmann::json();
}

nlohmann::json MemberJson(const XmitInfo& x, const MemberEntry& m) {
    nlohmann::json o = {{"name", present::TrimmedName(m.Name)},
                        {"alias_of", AliasOf(x, m)},
                        {"ttr", present::Hex(m.Ttr, 6)},
                        {"ispf", nullptr},
                        {"load_module", nullptr},
                        {"content", ContentJson(m)}};
    if (m.Ispf) {
        const IspfStatistics& s = *m.Ispf;
        char version[16];
        std::snprintf(version, sizeof version, "%02d.%02d", s.Version, s.Modification);
        o["ispf"] = {{"version", version},
                     {"created",
                      s.Created ? nlohmann::json(present::IsoDate(*s.Created)) : nlohmann::json()},
                     {"modified", s.Modified ? nlohmann::json(present::IsoDateTime(*s.Modified))
                                             : nlohmann::json()},
                     {"lines", s.Lines},
                     {"initial_lines", s.InitialLines},
                     {"modified_lines", s.ModifiedLines},
                     {"user", present::TrimmedName(s.User)}};
    }
    if (m.LoadModule) {
        const LoadModuleAttributes& a = *m.LoadModule;
        o["load_module"] = {{"size", a.Size},
                            {"entry_point", a.EntryPoint},
                            {"amode", present::AddressingMode(a)},
                            {"rmode", present::ResidenceMode(a)},
                            {"ac", a.AuthorizationCode},
                            {"attributes", present::AttributeNames(a)}};
    }
    return o;
}

namespace {
// Prints rows of cells in columns as wide as their widest cell.
void PrintTable(const std::vector<present::Column>& columns,
                std::vector<std::vector<std::string>> rows) {
    for (auto& row : rows) {
        for (std::string& cell : row) cell = VisibleText(cell);
    }
    std::vector<std::size_t> widths(columns.size(), 0);
    for (std::size_t c = 0; c < columns.size(); ++c) widths[c] = DisplayWidth(columns[c].Caption);
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size() && c < columns.size(); ++c) {
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
    }
    auto print = [&](auto cell) {
        std::string line;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::string v = cell(c);
            line += v;
            if (c + 1 < columns.size()) line.append(widths[c] - DisplayWidth(v) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    };
    print([&](std::size_t c) { return columns[c].Caption; });
    for (const auto& row : rows) {
        print([&](std::size_t c) { return c < row.size() ? row[c] : std::string(); });
    }
}

int TapeList(XmitSession& s, bool json) {
    TapeImage& tape = *s.Tape;
    auto measured = tape.Measure();
    if (!measured) {
        PrintError(measured.Err());
        return 1;
    }
    for (const std::string& note : tape.Info().Notes) {
        std::cerr << "corvane-cli: note: " << DisplayName(note) << "\n";
    }
    nlohmann::json out = nlohmann::json::array();
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < tape.Info().Files.size(); ++i) {
        const TapeFileInfo& f = tape.Info().Files[i];
        auto content = SniffTapeFile(tape, i);
        if (!content) {
            PrintError(content.Err());
            return 1;
        }
        const char* name = content.Value() == Content::Xmit || content.Value() == Content::Unload ||
                                   content.Value() == Content::Terse
                               ? ContentName(content.Value())
                               : nullptr;
        if (json) {
            out.push_back(
                {{"file", f.Number},
                 {"sequence", f.Sequence ? nlohmann::json(*f.Sequence) : nlohmann::json()},
                 {"dsn", f.Dsn.empty() ? nlohmann::json() : nlohmann::json(f.Dsn)},
                 {"recfm", f.Recfm},
                 {"lrecl", f.Lrecl},
                 {"blksize", f.Blksize},
                 {"blocks", f.Blocks},
                 {"bytes", f.Bytes},
                 {"content", name ? nlohmann::json(name) : nlohmann::json()}});
        } else {
            std::vector<std::string> cells = present::TapeFileCells(f, name ? name : "");
            for (std::string& cell : cells) cell = DisplayName(cell);
            rows.push_back(std::move(cells));
        }
    }
    if (json) {
        std::cout << out.dump(2) << "\n";
    } else {
        PrintTable(present::TapeColumns(), rows);
    }
    return 0;
}
}  // namespace

int ListCommand(const std::string& file, bool json, const std::string& dateOrder,
                const CodePage* characters) {
    XmitSession s;
    s.Characters = characters;
    if (s.Open(PathFromUtf8(file), false, true) != 0) return 1;
    if (s.Kind == NodeKind::Tape) return TapeList(s, json);
    s.PrintNotices();
    const XmitInfo& x = s.Info;
    if (json) {
        // Written one member at a time, as dump(2) of the whole array would
        // be: a list of 100,000 members is never held as one JSON value.
        if (x.Members.empty()) {
            std::cout << "[]\n";
            return 0;
        }
        std::string text = "[\n";
        for (std::size_t k = 0; k < x.Members.size(); ++k) {
            const std::string member = MemberJson(x, x.Members[k]).dump(2);
            text += "  ";
            for (char c : member) {
                text += c;
                if (c == '\n') text += "  ";
            }
            text += k + 1 < x.Members.size() ? ",\n" : "\n]\n";
            if (text.size() > 64 * 1024 || k + 1 == x.Members.size()) {
                std::cout << text;
                text.clear();
            }
        }
        return 0;
    }
    if (!x.Partitioned) return 0;
    const present::DateOrder order = ChooseDateOrder(dateOrder);
    const auto columns = present::MemberColumns(x.Dataset.IspfDirectory);
    // Each row is kept as one string of its cells, each ended by a zero
    // byte (escaped cells hold none): 100,000 members take a few MiB.
    std::vector<std::size_t> widths(columns.size(), 0);
    for (std::size_t c = 0; c < columns.size(); ++c) widths[c] = DisplayWidth(columns[c].Caption);
    std::vector<std::string> rows;
    rows.reserve(x.Members.size());
    for (const MemberEntry& m : x.Members) {
        std::vector<std::string> cells = present::MemberCells(m, x.Dataset.IspfDirectory, order);
        cells.resize(columns.size());
        std::string row;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            // Texts from the file, with control characters escaped.
            const std::string cell = DisplayName(cells[c]);
            widths[c] = std::max(widths[c], DisplayWidth(cell));
            row += cell;
            row += '\0';
        }
        rows.push_back(std::move(row));
    }
    std::string line;
    auto print = [&](auto get) {
        line.clear();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::string_view v = get(c);
            line += v;
            if (c + 1 < columns.size()) line.append(widths[c] - DisplayWidth(v) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    };
    print([&](std::size_t c) { return std::string_view(columns[c].Caption); });
    for (const std::string& row : rows) {
        std::size_t at = 0;  // print asks for the cells in order
        print([&](std::size_t) {
            const std::size_t end = row.find('\0', at);
            const std::string_view cell(row.data() + at, end - at);
            at = end + 1;
            return cell;
        });
    }
    return 0;
}

CLI::App* List::Declare(CLI::App& tool) {
    auto* c = tool.add_subcommand("list", "The member directory of a partitioned dataset");
    c->add_option("FILE", file_, "XMIT file")->required();
    c->add_flag("--json", json_, "A JSON array, one object per directory entry");
    c->add_option("--date-order", dateOrder_, "Dates as dmy, mdy or iso (default: the options)")
        ->check(CLI::IsMember({"dmy", "mdy", "iso"}));
    return c;
}

int List::Run(const CodePage* characters) {
    return ListCommand(file_, json_, dateOrder_, characters);
}

}  // namespace corvane::cli
