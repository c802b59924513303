#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "XmitSession.h"

namespace corvane::cli {

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
};

struct GrepOptions {
    std::string Pattern;
    std::string File;
    std::vector<std::string> Members;
    bool IgnoreCase = false;
};

int InfoCommand(const std::string& file, bool json, const std::string& dateOrder);
int HeadersCommand(const std::string& file);
int ListCommand(const std::string& file, bool json, const std::string& dateOrder);
int ViewCommand(const std::string& file, const std::string& member, bool hex);
int ExtractCommand(const ExtractOptions& options);
// Exit status 0 when the file was written, 2 when the input was refused
// (nothing written), 1 when writing failed.
int CreateCommand(const CreateOptions& options);
// Writes the original of a file a transfer changed: exit 0 when it is exact,
// 1 when it is not (nothing written unless salvage) or cannot be read.
int RepairCommand(const std::string& damaged, const std::string& output, bool salvage);
// Exit status as grep's: 0 when a record matched, 1 when none did, 2 on an error.
int GrepCommand(const GrepOptions& options);
int UnzipCommand(const std::string& archive, const std::string& entry, const std::string& dir,
                 bool overwrite, bool allowLarge);

}  // namespace corvane::cli
