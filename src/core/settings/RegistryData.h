#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "settings/RegistryStore.h"

namespace corvane {

// Registry contents held in memory: keys by path (compared without regard to
// case, "\" between names), each with typed values. Shared by the in-memory
// store and the stand-in file.
struct RegistryValue {
    // Damaged: a value whose name was read but not its data; no read gives
    // it, and it is not written back.
    enum class Type { String, Dword, Damaged } Kind = Type::String;
    std::string Text;
    std::uint32_t Number = 0;
};

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct RegistryKeyData {
    std::string Path;  // as first written
    std::map<std::string, RegistryValue, CaseLess> Values;
};

using RegistryTree = std::map<std::string, RegistryKeyData, CaseLess>;

// A key over a tree. A write is an edit of the tree, handed to commit,
// which applies it (perhaps to the tree as it is now) or refuses it; without
// a commit it is applied to the tree at once.
class TreeKey : public RegistryKey {
  public:
    using Edit = std::function<void(RegistryTree&)>;
    using Commit = std::function<bool(const Edit&)>;
    TreeKey(RegistryTree& tree, std::string path, bool writable, Commit commit);
    bool ValueExists(const std::string& name) const override;
    bool ValueDamaged(const std::string& name) const override;
    std::string ReadString(const std::string& name) const override;
    std::uint32_t ReadInteger(const std::string& name) const override;
    void WriteString(const std::string& name, const std::string& value) override;
    void WriteInteger(const std::string& name, std::uint32_t value) override;

  private:
    void Write(const std::string& name, const RegistryValue& value);
    RegistryTree& tree_;
    std::string path_;
    bool writable_;
    Commit commit_;
};

// Normalises a key path: "/" to "\", no leading or trailing "\".
std::string NormaliseKeyPath(const std::string& path);
bool DeleteTree(RegistryTree& tree, const std::string& path);
// Whether the tree holds the key at path or one below it.
bool HoldsTree(const RegistryTree& tree, const std::string& path);
std::string LowerCase(std::string s);

}  // namespace corvane
