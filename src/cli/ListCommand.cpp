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
}  // namespace

int ListCommand(const std::string& file, bool json) {
    XmitSession s;
    if (s.Open(PathFromUtf8(file)) != 0) return 1;
    const auto& columns = s.Members.Columns;
    const auto& rows = s.Members.Rows;
    const MemberPositionMap* positions = s.Decoder.MemberPositions.get();
    if (json) {
        nlohmann::json out = nlohmann::json::array();
        for (const MemberRow& row : rows) {
            nlohmann::json o;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const std::string& value = c == 0                        ? row.Caption
                                           : c - 1 < row.SubItems.size() ? row.SubItems[c - 1]
                                                                         : std::string();
                o[columns[c].Caption] = value;
            }
            char ttr[7];
            std::snprintf(ttr, sizeof ttr, "%06X", row.Ttr.Get());
            o["TTR"] = ttr;
            o["Offset"] = nullptr;
            if (!row.Alias && positions) {
                auto it = positions->find(row.Ttr.Get());
                if (it != positions->end() && it->second != 0) o["Offset"] = it->second;
            }
            out.push_back(o);
        }
        std::cout << out.dump(2) << "\n";
        return 0;
    }
    std::vector<std::size_t> widths(columns.size(), 0);
    auto cell = [&](const MemberRow& row, std::size_t c) -> std::string {
        // Texts from the file, with control characters escaped.
        if (c == 0) return DisplayName(row.Caption);
        return c - 1 < row.SubItems.size() ? DisplayName(row.SubItems[c - 1]) : std::string();
    };
    for (std::size_t c = 0; c < columns.size(); ++c) {
        widths[c] = DisplayWidth(columns[c].Caption);
        for (const MemberRow& row : rows)
            widths[c] = std::max(widths[c], DisplayWidth(cell(row, c)));
    }
    auto print = [&](auto get) {
        std::string line;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            std::string v = get(c);
            line += v;
            if (c + 1 < columns.size()) line += std::string(widths[c] - DisplayWidth(v) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    };
    print([&](std::size_t c) { return columns[c].Caption; });
    for (const MemberRow& row : rows) print([&](std::size_t c) { return cell(row, c); });
    return 0;
}

}  // namespace corvane::cli
