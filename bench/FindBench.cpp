// corvane-find-bench: one search through the text of a member of 1,000,000
// lines of 80 characters (as a viewer holds it), forward and backward, with
// and without match case, the match at the far end so that the whole text is
// read; then the same in the hex dump of a member of 1,000,000 rows.
#include <chrono>
#include <cstdio>
#include <string>

#include "XmitBuilder.h"
#include "search/TextFind.h"
#include "text/HexDump.h"

using namespace corvane;

namespace {
double Time(const std::string& text, const char* pattern, const FindOptions& options,
            std::size_t from, bool& found) {
    const auto t0 = std::chrono::steady_clock::now();
    found = FindText(text, pattern, from, options).has_value();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
}  // namespace

int main() {
    std::string text;
    text.reserve(81'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        char line[82];
        std::snprintf(line, sizeof line, "%-72s%08d\n",
                      i == 999'999 ? "//LAST     EXEC PGM=NEEDLE" : "//STEP    EXEC PGM=IEFBR14",
                      i);
        text.append(line, 81);
    }
    text.pop_back();
    const testing::Bytes bytes = testing::ToEbcdic(text.substr(0, 16'000'000));
    std::string hex;
    hex.reserve(1'000'000 * 70);
    AppendHexDump(bytes.data(), bytes.size(), 0, "MEMBER", [&](std::string_view line) {
        hex.append(line).push_back('\n');
        return true;
    });
    struct Run {
        const char* Name;
        const std::string& Text;
        const char* Pattern;
        FindOptions Options;
        std::size_t From;
    };
    const std::size_t hexFrom = hex.size() / 2;
    const Run runs[] = {
        {"text, match case, forward", text, "PGM=NEEDLE", {true, false, false}, 0},
        {"text, any case, forward", text, "pgm=needle", {false, false, false}, 0},
        {"text, any case, backward from the end",
         text,
         "00000000",
         {false, true, false},
         text.size()},
        {"text, any case, not found", text, "pgm=nothing", {false, false, false}, 0},
        {"hex dump (1,000,000 rows), any case, forward", hex, "00197529", {false, false, true}, 0},
        {"hex dump, any case, not found", hex, "pgm=nothing", {false, false, true}, hexFrom},
    };
    for (const Run& r : runs) {
        bool found = false;
        const double seconds = Time(r.Text, r.Pattern, r.Options, r.From, found);
        std::printf("%-48s %6.3f s (%s)\n", r.Name, seconds, found ? "found" : "not found");
    }
    return 0;
}
