#include "settings/RegistryData.h"

#include <algorithm>
#include <cctype>

namespace corvane {

std::string RootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_CLASSES_ROOT";
}

bool CaseLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string NormaliseKeyPath(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    while (!p.empty() && p.front() == '\\') p.erase(p.begin());
    while (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

std::string LowerCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

namespace {
// Whether the key at keyPath is the one at path or below it.
bool InTree(const std::string& keyPath, const std::string& lowerPath) {
    const std::string k = LowerCase(keyPath);
    return k == lowerPath || k.rfind(lowerPath + "\\", 0) == 0;
}
}  // namespace

bool HoldsTree(const RegistryTree& tree, const std::string& path) {
    const std::string key = LowerCase(path);
    return std::any_of(tree.begin(), tree.end(),
                       [&](const auto& entry) { return InTree(entry.first, key); });
}

bool DeleteTree(RegistryTree& tree, const std::string& path) {
    const std::string key = LowerCase(path);
    bool removed = false;
    for (auto it = tree.begin(); it != tree.end();) {
        if (InTree(it->first, key)) {
            it = tree.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

TreeKey::TreeKey(RegistryTree& tree, std::string path, bool writable, Commit commit)
    : tree_(tree), path_(std::move(path)), writable_(writable), commit_(std::move(commit)) {}

bool TreeKey::ValueExists(const std::string& name) const {
    auto key = tree_.find(path_);
    return key != tree_.end() && key->second.Values.count(name) > 0;
}

bool TreeKey::ValueDamaged(const std::string& name) const {
    auto key = tree_.find(path_);
    if (key == tree_.end()) return false;
    auto v = key->second.Values.find(name);
    return v != key->second.Values.end() && v->second.Kind == RegistryValue::Type::Damaged;
}

std::string TreeKey::ReadString(const std::string& name) const {
    auto key = tree_.find(path_);
    if (key == tree_.end()) return {};
    auto v = key->second.Values.find(name);
    if (v == key->second.Values.end()) return {};
    if (v->second.Kind != RegistryValue::Type::String) {
        throw RegistryError("Invalid data type for '" + name + "'");
    }
    return v->second.Text;
}

std::uint32_t TreeKey::ReadInteger(const std::string& name) const {
    auto key = tree_.find(path_);
    if (key != tree_.end()) {
        auto v = key->second.Values.find(name);
        if (v != key->second.Values.end()) {
            if (v->second.Kind == RegistryValue::Type::Dword) return v->second.Number;
            throw RegistryError("Invalid data type for '" + name + "'");
        }
    }
    throw RegistryError("Value '" + name + "' does not exist");
}

void TreeKey::Write(const std::string& name, const RegistryValue& value) {
    if (!writable_) throw RegistryError("Failed to set data for '" + name + "'");
    const Edit edit = [&](RegistryTree& tree) {
        RegistryKeyData& key = tree[path_];
        if (key.Path.empty()) key.Path = path_;
        key.Values[name] = value;
    };
    if (!commit_) return edit(tree_);
    if (!commit_(edit)) throw RegistryError("Failed to set data for '" + name + "'");
}

void TreeKey::WriteString(const std::string& name, const std::string& value) {
    RegistryValue v;
    v.Kind = RegistryValue::Type::String;
    v.Text = value;
    Write(name, v);
}

void TreeKey::WriteInteger(const std::string& name, std::uint32_t value) {
    RegistryValue v;
    v.Kind = RegistryValue::Type::Dword;
    v.Number = value;
    Write(name, v);
}

}  // namespace corvane
