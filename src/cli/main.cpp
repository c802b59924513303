// corvane-cli: the XMIT reader on the command line.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <vector>

#include "Commands.h"
#include "io/Platform.h"
#include "text/CodePage.h"

int main(int argc, char** argv) {
    using namespace corvane::cli;
    CLI::App app{"corvane-cli: look inside IBM TSO TRANSMIT (XMIT) files and zip archives"};
    app.require_subcommand(1);

    std::string file;
    bool json = false;
    std::string dateOrder;
    auto* info = app.add_subcommand("info", "Transfer header, dataset attributes and message");
    info->add_option("FILE", file, "XMIT file")->required();
    info->add_flag("--json", json, "One JSON object (ISO 8601 dates)");
    info->add_option("--date-order", dateOrder, "Dates as dmy, mdy or iso (default: the options)")
        ->check(CLI::IsMember({"dmy", "mdy", "iso"}));

    auto* headers = app.add_subcommand("headers", "Hex dump of every header record read");
    headers->add_option("FILE", file, "XMIT file")->required();

    auto* list = app.add_subcommand("list", "The member directory of a partitioned dataset");
    list->add_option("FILE", file, "XMIT file")->required();
    list->add_flag("--json", json, "A JSON array, one object per directory entry");
    list->add_option("--date-order", dateOrder, "Dates as dmy, mdy or iso (default: the options)")
        ->check(CLI::IsMember({"dmy", "mdy", "iso"}));

    std::string member;
    bool hex = false;
    auto* view = app.add_subcommand("view", "Write a member (or the dataset) as text or hex");
    view->add_option("FILE", file, "XMIT file")->required();
    view->add_option("MEMBER", member, "Member name (partitioned datasets)");
    view->add_flag("--hex", hex, "Hex dump instead of text");

    ExtractOptions ex;
    bool text = false, binary = false, autoMode = false;
    auto* extract = app.add_subcommand("extract", "Write members (or the dataset) to files");
    extract->add_option("FILE", ex.File, "XMIT file")->required();
    extract->add_option("MEMBER", ex.Members, "Members to extract (all when none is named)");
    auto* dirOpt = extract->add_option("-o,--dir", ex.Dir, "Folder for the files");
    extract->add_option("--output", ex.Output, "Output file (one member or the dataset)")
        ->excludes(dirOpt);
    auto* t = extract->add_flag("--text", text, "Text: EBCDIC translated, CR LF lines");
    auto* b = extract->add_flag("--binary", binary, "Binary: the data bytes unchanged");
    auto* a = extract->add_flag("--auto", autoMode, "Text for fixed records, else binary");
    t->excludes(b)->excludes(a);
    b->excludes(a);
    extract->add_option("--truncate", ex.Truncate, "Cut text records to N characters")
        ->check(CLI::Range(0, 32767));
    extract->add_option("--ext", ex.Ext, "File extension for the files written (with its dot)");
    extract->add_flag("--overwrite", ex.Overwrite,
                      "Replace existing files (else they are skipped)");

    GrepOptions gr;
    extract->add_flag("--salvage", ex.Salvage,
                      "When a member cannot be read whole, write what comes before the damage "
                      "as NAME.partial.EXT");
    extract->add_flag("--manifest", ex.Manifest,
                      "Also write manifest.json, from which 'create' makes the library again");

    CreateOptions cr;
    auto* create = app.add_subcommand("create", "Write an XMIT file from PC files or a folder");
    create->add_option("OUTPUT", cr.Output, "The XMIT file to write")->required();
    create->add_option("INPUT", cr.Inputs, "Files, or folders of files (one per member)")
        ->required();
    create->add_option("--dsn", cr.Dsn, "Dataset name (default: the manifest's or OUTPUT's)");
    create->add_option("--recfm", cr.Recfm, "F, FB, V, VB or U (default FB)");
    create->add_option("--lrecl", cr.Lrecl, "Record length (default 80 for F, 255 for V)");
    create->add_option("--blksize", cr.Blksize, "Block size (default: as the system chooses)");
    auto* ct = create->add_flag("--text", cr.Text, "UTF-8 lines become records (the default)");
    create->add_flag("--binary", cr.Binary, "The files' bytes become the records or blocks")
        ->excludes(ct);
    create->add_option("--message", cr.Message, "A text file sent as the message");
    create->add_option("--from", cr.From, "Sender as USER@NODE");
    create->add_option("--to", cr.To, "Addressee as USER@NODE");
    create->add_option("--time", cr.Time, "Time of sending as YYYYMMDDHHMMSS (default: now)");
    create->add_flag("--sequential", cr.Sequential, "One file as a sequential dataset");
    create->add_option("--rename", cr.Renames, "FILE=MEMBER: the member name for that file");
    create->add_flag("--truncate", cr.Truncate, "Cut lines longer than the record length");
    create->add_option("--user", cr.User, "User ID of the ISPF statistics (default: the sender)");
    create->add_flag("--no-stats", cr.NoStats, "No ISPF statistics");
    create->add_flag("--overwrite", cr.Overwrite, "Replace an existing OUTPUT");

    std::string damaged, repaired;
    bool salvage = false;
    auto* repair = app.add_subcommand(
        "repair", "Write the original of an XMIT file that a file transfer changed");
    repair->add_option("DAMAGED", damaged, "The file as it arrived")->required();
    repair->add_option("OUTPUT", repaired, "The repaired copy (never the file itself)")->required();
    repair->add_flag("--salvage", salvage, "Write what could be restored even when not exact");

    auto* grep = app.add_subcommand(
        "grep",
        "Print the records that hold a string: MEMBER:LINE:text (LINE:text for a "
        "sequential dataset)");
    grep->add_option("PATTERN", gr.Pattern, "The string to find (no wildcards)")->required();
    grep->add_option("FILE", gr.File, "XMIT file")->required();
    grep->add_option("MEMBER", gr.Members, "Members to search (all when none is named)");
    grep->add_flag("-i,--ignore-case", gr.IgnoreCase, "Letters match in either case");

    std::string archive, entry, outDir;
    bool overwrite = false, allowLarge = false;
    auto* unzip = app.add_subcommand("unzip", "List a zip archive or unpack one entry");
    unzip->add_option("ARCHIVE", archive, "Zip archive")->required();
    unzip->add_option("ENTRY", entry, "Entry to unpack");
    unzip->add_option("-o,--dir", outDir, "Destination folder");
    unzip->add_flag("--overwrite", overwrite, "Replace an existing file");
    unzip->add_flag("--allow-large", allowLarge,
                    "Unpack an entry over 256 MiB or larger than the free space");

    // Every command reads names and text through the code page chosen here.
    // Read as decimal text: "037" is code page 37, not an octal number.
    auto pageNumber = [](const std::string& text) {
        int number = -1;
        if (text.empty() || text.size() > 5) return number;
        for (char c : text) {
            if (c < '0' || c > '9') return -1;
        }
        number = std::stoi(text);
        return corvane::CodePage::Find(number) ? number : -1;
    };
    std::string codePage;
    const CLI::Validator offered(
        [&](std::string& text) -> std::string {
            if (pageNumber(text) >= 0) return {};
            std::string numbers;
            for (int n : corvane::CodePage::Numbers()) numbers += " " + std::to_string(n);
            return "Unknown code page " + text + "; offered:" + numbers;
        },
        "CODEPAGE");
    for (CLI::App* command : {info, headers, list, view, extract, create, repair, grep, unzip}) {
        command
            ->add_option("--codepage", codePage,
                         "IBM EBCDIC code page of names and text (037, 273 ... 1149; UTF-8 "
                         "output), 0 for the program's own table (the default)")
            ->check(offered);
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
    const int page = codePage.empty() ? corvane::CodePage::kCorvaneTable : pageNumber(codePage);
    XmitSession::Characters =
        page == corvane::CodePage::kCorvaneTable ? nullptr : corvane::CodePage::Find(page);
    try {
        if (*info) return InfoCommand(file, json, dateOrder);
        if (*headers) return HeadersCommand(file);
        if (*list) return ListCommand(file, json, dateOrder);
        if (*view) return ViewCommand(file, member, hex);
        if (*extract) {
            ex.Mode = text ? ExtractMode::Text : binary ? ExtractMode::Binary : ExtractMode::Auto;
            ex.ExtSet = extract->count("--ext") > 0;
            return ExtractCommand(ex);
        }
        if (*create) return CreateCommand(cr);
        if (*repair) return RepairCommand(damaged, repaired, salvage);
        if (*grep) return GrepCommand(gr);
        if (*unzip) return UnzipCommand(archive, entry, outDir, overwrite, allowLarge);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return *grep ? 2 : 1;  // grep's 1 means "nothing matched"
    }
    return 2;
}
