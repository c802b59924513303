#include <algorithm>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"

namespace corvane::cli {

namespace {
std::size_t DisplayWidth(const std::string& s) {
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

nlohmann::json MemberJson(const XmitInfo& x, const MemberEntry& m) {
    nlohmann::json o = {{"name", present::TrimmedName(m.Name)},
                        {"alias_of", AliasOf(x, m)},
                        {"ttr", present::Hex(m.Ttr, 6)},
                        {"ispf", nullptr},
                        {"load_module", nullptr},
                        {"content", m.HoldsXmit ? nlohmann::json("xmit") : nlohmann::json()}};
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
}  // namespace

int ListCommand(const std::string& file, bool json, const std::string& dateOrder) {
    XmitSession s;
    if (s.Open(PathFromUtf8(file)) != 0) return 1;
    s.PrintNotices();
    const XmitInfo& x = s.Info;
    if (json) {
        nlohmann::json out = nlohmann::json::array();
        for (const MemberEntry& m : x.Members) out.push_back(MemberJson(x, m));
        std::cout << out.dump(2) << "\n";
        return 0;
    }
    if (!x.Partitioned) return 0;
    const present::DateOrder order = ChooseDateOrder(dateOrder);
    const auto columns = present::MemberColumns(x.Dataset.IspfDirectory);
    std::vector<std::vector<std::string>> rows;
    rows.reserve(x.Members.size());
    for (const MemberEntry& m : x.Members) {
        rows.push_back(present::MemberCells(m, x.Dataset.IspfDirectory, order));
        rows.back().resize(columns.size());
        // Texts from the file, with control characters escaped.
        for (std::string& cell : rows.back()) cell = DisplayName(cell);
    }
    std::vector<std::size_t> widths(columns.size(), 0);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        widths[c] = DisplayWidth(columns[c].Caption);
        for (const auto& row : rows) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    auto print = [&](auto get) {
        std::string line;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::string v = get(c);
            line += v;
            if (c + 1 < columns.size()) line += std::string(widths[c] - DisplayWidth(v) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    };
    print([&](std::size_t c) { return columns[c].Caption; });
    for (const auto& row : rows) print([&](std::size_t c) { return row[c]; });
    return 0;
}

}  // namespace corvane::cli
