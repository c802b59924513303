#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "settings/RegistryData.h"

namespace corvane {

// The registry's stand-in on systems without one: one file per root in the
// syntax of a Windows registry export, typed values included, rewritten
// whole through a temporary file and a rename at every change. Each change
// is made under a lock ("<file>.lock") to the file as it is then, so two
// programs sharing the file keep each other's changes. A file or folder
// without write permission refuses writes. A file that did not load cleanly
// (a value that cannot be read, a file cut short, an unreadable file) is kept
// as "<file>.bad" (then ".bad.2" and on, an earlier copy is never written
// over) before it is first written over, and OnNotice says so once. A symlink at the file's place
// stays one; the file it names is replaced.
class RegFileRegistry : public RegistryStore {
  public:
    explicit RegFileRegistry(std::filesystem::path folder) : folder_(std::move(folder)) {}
    // $XDG_CONFIG_HOME/Corvane, or ~/.config/Corvane.
    static std::filesystem::path DefaultFolder();

    std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                         bool writeAccess) override;
    bool DeleteKeyTree(RegRoot root, const std::string& path) override;
    std::filesystem::path FileOf(RegRoot root) const { return folder_ / (RootName(root) + ".reg"); }

    // clean, when given, is cleared when a line of the text could not be read
    // or the text was cut short. onlyKey, when given, keeps that key alone.
    static RegistryTree Parse(const std::string& text, RegRoot root, bool* clean = nullptr,
                              const std::string* onlyKey = nullptr);
    // One value, for a program that needs no more: the key alone is read, from
    // the first kQuickRead bytes of the file. Null when it is not there.
    std::optional<RegistryValue> ReadValue(RegRoot root, const std::string& key,
                                           const std::string& name) const;
    static constexpr std::size_t kQuickRead = 1 << 20;
    std::optional<std::uint32_t> ReadOneInteger(RegRoot root, const std::string& path,
                                                const std::string& name) override;
    static std::string Format(const RegistryTree& tree, RegRoot root);

    std::function<void(const std::string& message)> OnNotice;

  private:
    // What the last load of one root's file found.
    struct Loaded {
        RegistryTree Tree;
        bool Damaged = false;
        bool Readable = true;
        std::string Bytes;  // the file as read, while it is damaged
    };

    bool Writable(RegRoot root) const;
    bool Save(RegRoot root);
    bool Change(RegRoot root, const TreeKey::Edit& edit);
    bool SetAside(RegRoot root, Loaded& loaded);
    RegistryTree& Load(RegRoot root);
    Loaded& Of(RegRoot root) { return root == RegRoot::CurrentUser ? user_ : classes_; }

    std::filesystem::path folder_;
    Loaded user_;
    Loaded classes_;
};

}  // namespace corvane
