#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "ConsolePorts.h"
#include "extract/MemberReader.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "search/TextFind.h"

namespace corvane::cli {

namespace {
// Writes the records of one member that hold the pattern, numbered from 1,
// after the given prefix ("MEMBER:" or nothing).
class GrepLines : public LineTarget {
  public:
    GrepLines(const TextMatcher& matcher, bool all, std::string prefix)
        : matcher_(matcher), all_(all), prefix_(std::move(prefix)) {}
    bool AppendLine(std::string_view line) override {
        ++number_;
        if (all_ || matcher_.In(line)) {
            ++Matches;
            out_ = prefix_;
            out_ += std::to_string(number_);
            out_ += ':';
            out_ += VisibleText(line);
            out_ += '\n';
            std::fwrite(out_.data(), 1, out_.size(), stdout);
        }
        return true;
    }
    std::int64_t Matches = 0;

  private:
    const TextMatcher& matcher_;
    bool all_;
    std::string prefix_;
    std::string out_;
    std::int64_t number_ = 0;
};
}  // namespace

int GrepCommand(const GrepOptions& o) {
    XmitSession s;
    s.Characters = o.Characters;
    if (s.Open(PathFromUtf8(o.File)) != 0) return 2;
    const TextMatcher matcher(o.Pattern, !o.IgnoreCase);
    bool error = false;
    std::int64_t matches = 0;
    MemberReader reader(*s.Source, s.Info);
    NullProgress progress;
    auto grep = [&](const MemberEntry* member, const std::string& prefix, const std::string& name) {
        GrepLines lines(matcher, o.Pattern.empty(), prefix);
        ReadRequest request;
        request.Member = member;
        request.Form = ReadForm::Text;
        request.Lines = &lines;
        request.Name = DisplayName(name);
        request.Characters = s.Characters;  // the records as view shows them
        request.RecordsOnly = true;
        const auto done = reader.Read(request, progress);
        matches += lines.Matches;
        if (!done) {
            std::fflush(stdout);
            PrintError(done.Err());
            error = true;
        }
    };
    if (!s.Info.HasData()) {
        std::cerr << o.File << " holds no dataset: nothing to search.\n";
        return 2;
    }
    if (!s.Info.Partitioned) {
        if (!o.Members.empty()) {
            std::cerr << o.File << " holds a sequential dataset: it has no members.\n";
            return 2;
        }
        grep(nullptr, "", s.Info.Dataset.Name);
    } else {
        std::vector<const MemberEntry*> members;
        if (o.Members.empty()) {
            for (const MemberEntry& m : s.Info.Members) members.push_back(&m);
        }
        for (const std::string& name : o.Members) {
            const MemberEntry* m = s.FindMember(name);
            if (!m) {
                std::cerr << "No member " << DisplayName(name) << " in " << o.File << "\n";
                error = true;
                continue;
            }
            members.push_back(m);
        }
        for (const MemberEntry* m : members)
            grep(m, DisplayName(present::TrimmedName(m->Name)) + ":", m->Name);
    }
    std::fflush(stdout);
    return error ? 2 : matches > 0 ? 0 : 1;
}

CLI::App* Grep::Declare(CLI::App& tool) {
    GrepOptions& gr = options_;
    auto* c = tool.add_subcommand(
        "grep",
        "Print the records that hold a string: MEMBER:LINE:text (LINE:text for a "
        "sequential dataset)");
    c->add_option("PATTERN", gr.Pattern, "The string to find (no wildcards)")->required();
    c->add_option("FILE", gr.File, "XMIT file")->required();
    c->add_option("MEMBER", gr.Members, "Members to search (all when none is named)");
    c->add_flag("-i,--ignore-case", gr.IgnoreCase, "Letters match in either case");
    return c;
}

int Grep::Run(const CodePage* characters) {
    options_.Characters = characters;
    return GrepCommand(options_);
}

}  // namespace corvane::cli
