#pragma once

#include <filesystem>
#include <string>

#include "settings/RegistryData.h"

namespace corvane {

// The registry's stand-in on systems without one: one file per root in the
// syntax of a Windows registry export, typed values included, rewritten
// whole through a temporary file and a rename at every change. A file or
// folder without write permission refuses writes.
class RegFileRegistry : public RegistryStore {
  public:
    explicit RegFileRegistry(std::filesystem::path folder) : folder_(std::move(folder)) {}
    // $XDG_CONFIG_HOME/Corvane, or ~/.config/Corvane.
    static std::filesystem::path DefaultFolder();

    std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                         bool writeAccess) override;
    bool DeleteKeyTree(RegRoot root, const std::string& path) override;
    std::filesystem::path FileOf(RegRoot root) const { return folder_ / (RootName(root) + ".reg"); }

    static RegistryTree Parse(const std::string& text, RegRoot root);
    static std::string Format(const RegistryTree& tree, RegRoot root);

  private:
    bool Writable(RegRoot root) const;
    bool Save(RegRoot root);
    RegistryTree& Load(RegRoot root);

    std::filesystem::path folder_;
    RegistryTree user_;
    RegistryTree classes_;
};

}  // namespace corvane
