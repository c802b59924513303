// corvane-cli: the XMIT reader on the command line.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <vector>

#include "Commands.h"
#include "io/Platform.h"
#include "text/CodePage.h"

namespace corvane::cli {

std::vector<std::unique_ptr<Command>> AllCommands() {
    std::vector<std::unique_ptr<Command>> all;
    all.push_back(std::make_unique<Info>());
    all.push_back(std::make_unique<Headers>());
    all.push_back(std::make_unique<List>());
    all.push_back(std::make_unique<View>());
    all.push_back(std::make_unique<Extract>());
    all.push_back(std::make_unique<Create>());
    all.push_back(std::make_unique<Repair>());
    all.push_back(std::make_unique<Grep>());
    all.push_back(std::make_unique<Unzip>());
    return all;
}

namespace {
// A code page number as decimal text ("037" is 37, not an octal number);
// -1 when it names none offered.
int PageNumber(const std::string& text) {
    if (text.empty() || text.size() > 5) return -1;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
    }
    const int number = std::stoi(text);
    return CodePage::Find(number) ? number : -1;
}
}  // namespace

}  // namespace corvane::cli

int main(int argc, char** argv) {
    using namespace corvane::cli;
    CLI::App app{"corvane-cli: look inside IBM TSO TRANSMIT (XMIT) files and zip archives"};
    app.require_subcommand(1);

    // Every command reads names and text through the code page chosen here.
    std::string codePage;
    const CLI::Validator offered(
        [](std::string& text) -> std::string {
            if (PageNumber(text) >= 0) return {};
            std::string numbers;
            for (int n : corvane::CodePage::Numbers()) numbers += " " + std::to_string(n);
            return "Unknown code page " + text + "; offered:" + numbers;
        },
        "CODEPAGE");
    std::vector<std::unique_ptr<Command>> commands = AllCommands();
    std::vector<CLI::App*> declared;
    for (const auto& command : commands) {
        CLI::App* c = command->Declare(app);
        c->add_option("--codepage", codePage,
                      "IBM EBCDIC code page of names and text (037, 273 ... 1149; UTF-8 "
                      "output), 0 for the program's own table (the default)")
            ->check(offered);
        declared.push_back(c);
    }

    corvane::platform::UseBinaryStandardOutput();
    std::vector<std::string> args = corvane::platform::Utf8Arguments(argc, argv);
    std::vector<char*> argPointers;
    for (auto& a : args) argPointers.push_back(a.data());
    try {
        app.parse(static_cast<int>(argPointers.size()), argPointers.data());
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? 0 : 2;
    }
    const int page = codePage.empty() ? corvane::CodePage::kCorvaneTable : PageNumber(codePage);
    const corvane::CodePage* characters =
        page == corvane::CodePage::kCorvaneTable ? nullptr : corvane::CodePage::Find(page);
    for (std::size_t k = 0; k < commands.size(); ++k) {
        if (!*declared[k]) continue;
        try {
            return commands[k]->Run(characters);
        } catch (const std::exception& e) {
            std::cerr << e.what() << "\n";
            return commands[k]->FailureStatus();
        }
    }
    return 2;
}
