#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "io/AtomicWriter.h"
#include "io/OpenInputs.h"
#include "io/OutputName.h"
#include "repair/RepairedFile.h"

namespace corvane::cli {

int RepairCommand(const std::string& damaged, const std::string& output, bool salvage,
                  const CodePage* characters) {
    const std::filesystem::path in = PathFromUtf8(damaged);
    const std::filesystem::path out = PathFromUtf8(output);
    std::error_code ec;
    if (std::filesystem::equivalent(in, out, ec)) {
        std::cerr << output << " is the damaged file; the repaired copy is written beside it\n";
        return 2;
    }
    AtomicWriteOptions options;
    options.Replace = false;
    auto repaired =
        repair::RepairFileInto(in, characters ? characters->Number() : -1, out, salvage, options);
    if (!repaired) {
        PrintError(repaired.Err());
        return 1;
    }
    const repair::Repair& r = repaired->What;
    switch (r.Result) {
        case repair::Repair::Outcome::Sound:
            std::cerr << damaged << " is not damaged: nothing to repair\n";
            return 0;
        case repair::Repair::Outcome::NotXmit:
            std::cerr << damaged << " is not an XMIT file, nor one changed by a transfer\n";
            return 1;
        case repair::Repair::Outcome::Inexact:
            std::cerr << VisibleText(r.Sentence) << "\n"
                      << "The damage starts at byte " << r.DamageAt << " of the restored file.\n";
            if (r.Sentence.find("code page") != std::string::npos) {
                std::cerr << "--codepage N names the one it was sent through.\n";
            }
            if (!salvage) {
                std::cerr << "Nothing was written (--salvage writes what could be restored).\n";
                return 1;
            }
            break;
        case repair::Repair::Outcome::Exact:
            std::cerr << VisibleText(r.Sentence) << "\n";
            break;
    }
    const auto status = repaired->Write.value_or(AtomicWriter::Status::WriteFailed);
    if (status != AtomicWriter::Status::Ok) {
        std::cerr << AtomicWriteText(status, out) << "\n";
        return 1;
    }
    std::cout << PathToUtf8(out) << "\n";
    return r.Result == repair::Repair::Outcome::Exact ? 0 : 1;
}

CLI::App* Repair::Declare(CLI::App& tool) {
    auto* c = tool.add_subcommand(
        "repair", "Write the original of an XMIT file that a file transfer changed");
    c->add_option("DAMAGED", damaged_, "The file as it arrived")->required();
    c->add_option("OUTPUT", output_, "The repaired copy (never the file itself)")->required();
    c->add_flag("--salvage", salvage_, "Write what could be restored even when not exact");
    return c;
}

int Repair::Run(const CodePage* characters) {
    return RepairCommand(damaged_, output_, salvage_, characters);
}

}  // namespace corvane::cli
