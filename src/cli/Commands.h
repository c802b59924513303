#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "XmitSession.h"

namespace CLI {
class App;
}

namespace corvane::cli {

// One command of the tool: it declares its own arguments and options, and
// runs once they are parsed.
class Command {
  public:
    virtual ~Command() = default;
    // Adds the command, with its arguments and options, to the tool.
    virtual CLI::App* Declare(CLI::App& tool) = 0;
    // characters: the code page chosen with --codepage; null is the program's table.
    virtual int Run(const CodePage* characters) = 0;
    // The exit status of a failure nobody expected (grep's 1 means "nothing matched").
    virtual int FailureStatus() const { return 1; }
};

// Every command, in the order the help lists them.
std::vector<std::unique_ptr<Command>> AllCommands();

enum class ExtractMode { Auto, Text, Binary };

struct ExtractOptions {
    std::string File;
    std::vector<std::string> Members;
    std::string Dir;
    std::string Output;
    ExtractMode Mode = ExtractMode::Auto;
    int Truncate = -1;
    std::string Ext;
    bool ExtSet = false;
    bool Overwrite = false;
    bool Manifest = false;  // also manifest.json, to make the library again
    bool Salvage = false;   // a failed read writes what came before the damage
    const CodePage* Characters = nullptr;
};

struct CreateOptions {
    std::string Output;
    std::vector<std::string> Inputs;
    std::string Dsn;
    std::string Recfm;
    std::optional<std::uint32_t> Lrecl;
    std::optional<std::uint32_t> Blksize;
    bool Text = false;
    bool Binary = false;
    std::string Message;
    std::string From;
    std::string To;
    std::string Time;
    bool Sequential = false;
    std::vector<std::string> Renames;
    bool Truncate = false;
    std::string User;
    bool NoStats = false;
    bool Overwrite = false;
    const CodePage* Characters = nullptr;
};

struct GrepOptions {
    std::string Pattern;
    std::string File;
    std::vector<std::string> Members;
    bool IgnoreCase = false;
    const CodePage* Characters = nullptr;
};

int InfoCommand(const std::string& file, bool json, const std::string& dateOrder,
                const CodePage* characters);
int HeadersCommand(const std::string& file, const CodePage* characters);
int ListCommand(const std::string& file, bool json, const std::string& dateOrder,
                const CodePage* characters);
int ViewCommand(const std::string& file, const std::string& member, bool hex,
                const CodePage* characters);
int ExtractCommand(const ExtractOptions& options);
// Exit status 0 when the file was written, 2 when the input was refused
// (nothing written), 1 when writing failed.
int CreateCommand(const CreateOptions& options);
// Writes the original of a file a transfer changed: exit 0 when it is exact,
// 1 when it is not (nothing written unless salvage) or cannot be read.
int RepairCommand(const std::string& damaged, const std::string& output, bool salvage,
                  const CodePage* characters);
// Exit status as grep's: 0 when a record matched, 1 when none did, 2 on an error.
int GrepCommand(const GrepOptions& options);
int UnzipCommand(const std::string& archive, const std::string& entry, const std::string& dir,
                 bool overwrite, bool allowLarge);

// The commands, each with what its arguments and options hold.
class Info : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    std::string file_, dateOrder_;
    bool json_ = false;
};

class Headers : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    std::string file_;
};

class List : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    std::string file_, dateOrder_;
    bool json_ = false;
};

class View : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    std::string file_, member_;
    bool hex_ = false;
};

class Extract : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    ExtractOptions options_;
    bool text_ = false, binary_ = false, auto_ = false;
    CLI::App* command_ = nullptr;
};

class Create : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    CreateOptions options_;
};

class Repair : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    std::string damaged_, output_;
    bool salvage_ = false;
};

class Grep : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;
    int FailureStatus() const override { return 2; }

  private:
    GrepOptions options_;
};

class Unzip : public Command {
  public:
    CLI::App* Declare(CLI::App& tool) override;
    int Run(const CodePage* characters) override;

  private:
    std::string archive_, entry_, dir_;
    bool overwrite_ = false, allowLarge_ = false;
};

}  // namespace corvane::cli
