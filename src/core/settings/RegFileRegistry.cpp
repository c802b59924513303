#include "settings/RegFileRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "io/AtomicWriter.h"
#include "io/FileLock.h"
#include "settings/SettingsFile.h"

namespace corvane {

namespace {
constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
// Copies of damaged files kept side by side: name.bad, name.bad.2 ...
constexpr int kBadCopies = 99;

// The first free name for a copy of a damaged file, or the last one.
std::filesystem::path BadCopyName(const std::filesystem::path& file) {
    std::filesystem::path bad = file;
    bad += ".bad";
    for (int n = 2; n <= kBadCopies; ++n) {
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(bad, ec))) break;
        bad = file;
        bad += ".bad." + std::to_string(n);
    }
    return bad;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') {
            out += "\\n";  // a line break would end the line of the value
        } else if (c == '\r') {
            out += "\\r";
        } else {
            if (c == '\\' || c == '"') out.push_back('\\');
            out.push_back(c);
        }
    }
    return out;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after it.
bool Unquote(const std::string& text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"') return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '\\' && pos + 1 < text.size()) {
            const char next = text[++pos];
            out.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next);
        } else if (c == '"') {
            ++pos;
            return true;
        } else {
            out.push_back(c);
        }
    }
    return false;
}
}  // namespace

std::filesystem::path RegFileRegistry::DefaultFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        return std::filesystem::path(xdg) / "Corvane";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : ".") / ".config" / "Corvane";
}

RegistryTree RegFileRegistry::Parse(const std::string& text, RegRoot root, bool* clean,
                                    const std::string* onlyKey) {
    RegistryTree tree;
    bool ok = text.empty() || text.back() == '\n';  // a file cut short ends inside a line
    const std::string prefix = RootName(root);
    std::istringstream in(text);
    std::string line;
    RegistryKeyData* key = nullptr;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            first = false;
            if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
            if (line == kHeader) continue;
            ok = false;
        }
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            key = nullptr;
            if (line.back() != ']') {
                ok = false;
                continue;
            }
            std::string path = line.substr(1, line.size() - 2);
            if (LowerCase(path.substr(0, prefix.size())) != LowerCase(prefix)) continue;
            path = NormaliseKeyPath(path.substr(prefix.size()));
            if (path.empty()) continue;
            if (onlyKey && LowerCase(path) != LowerCase(*onlyKey)) continue;
            key = &tree[path];
            if (key->Path.empty()) key->Path = path;
            continue;
        }
        if (!key) {
            ok = false;
            continue;
        }
        std::size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, name)) {
            ok = false;
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            ok = false;
            continue;
        }
        ++pos;
        // A value whose data cannot be read is still known by its name.
        RegistryValue value;
        value.Kind = RegistryValue::Type::Damaged;
        if (pos < line.size() && line[pos] == '"') {
            if (Unquote(line, pos, value.Text) && pos == line.size()) {
                value.Kind = RegistryValue::Type::String;
            }
        } else if (line.compare(pos, 6, "dword:") == 0) {
            std::string digits = line.substr(pos + 6);
            if (!digits.empty() && digits.size() <= 8 &&
                digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
                value.Kind = RegistryValue::Type::Dword;
                value.Number =
                    static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
            }
        }
        // A type this program does not keep would be lost: damaged as well.
        if (value.Kind == RegistryValue::Type::Damaged) {
            ok = false;
            value.Text.clear();
        }
        key->Values[name] = value;
    }
    if (clean) *clean = ok;
    return tree;
}

std::string RegFileRegistry::Format(const RegistryTree& tree, RegRoot root) {
    std::ostringstream out;
    out << kHeader << "\r\n";
    for (const auto& [path, key] : tree) {
        out << "\r\n[" << RootName(root) << "\\" << (key.Path.empty() ? path : key.Path) << "]\r\n";
        for (const auto& [name, value] : key.Values) {
            if (value.Kind == RegistryValue::Type::Damaged) continue;  // kept in the .bad copy
            out << (name.empty() ? std::string("@") : "\"" + Escape(name) + "\"") << "=";
            if (value.Kind == RegistryValue::Type::Dword) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "dword:%08x", value.Number);
                out << hex;
            } else {
                out << "\"" << Escape(value.Text) << "\"";
            }
            out << "\r\n";
        }
    }
    return out.str();
}

std::optional<RegistryValue> RegFileRegistry::ReadValue(RegRoot root, const std::string& key,
                                                        const std::string& name) const {
    std::string text;
    if (ReadSettingsFile(FileOf(root), text, kQuickRead) != FileRead::Read) return std::nullopt;
    const std::string path = NormaliseKeyPath(key);
    const RegistryTree tree = Parse(text, root, nullptr, &path);
    auto k = tree.find(path);
    if (k == tree.end()) return std::nullopt;
    auto v = k->second.Values.find(name);
    if (v == k->second.Values.end()) return std::nullopt;
    return v->second;
}

std::optional<std::uint32_t> RegFileRegistry::ReadOneInteger(RegRoot root, const std::string& path,
                                                             const std::string& name) {
    const auto value = ReadValue(root, path, name);
    if (!value || value->Kind != RegistryValue::Type::Dword) return std::nullopt;
    return value->Number;
}

RegistryTree& RegFileRegistry::Load(RegRoot root) {
    Loaded& loaded = Of(root);
    std::string text;
    const FileRead read = ReadSettingsFile(FileOf(root), text);
    bool clean = true;
    loaded.Tree = read == FileRead::Read ? Parse(text, root, &clean) : RegistryTree();
    loaded.Readable = read != FileRead::Unreadable;
    loaded.Damaged = !clean || !loaded.Readable;
    loaded.Bytes = loaded.Damaged ? std::move(text) : std::string();
    return loaded.Tree;
}

bool RegFileRegistry::Writable(RegRoot root) const {
    return CanWriteFile(FileOf(root));
}

bool RegFileRegistry::SetAside(RegRoot root, Loaded& loaded) {
    const std::filesystem::path file = SymlinkDestination(FileOf(root));
    const std::filesystem::path bad = BadCopyName(file);
    bool kept = false;
    if (loaded.Readable) {
        kept = WriteFileAtomically(bad, loaded.Bytes) == AtomicWriter::Status::Ok;
    } else {
        std::error_code ec;
        std::filesystem::rename(file, bad, ec);
        kept = !ec;
    }
    if (!kept) return false;
    loaded.Damaged = false;
    loaded.Bytes.clear();
    if (OnNotice) {
        OnNotice("The settings in " + PathToUtf8(file) +
                 " could not all be read. That file was kept as " + PathToUtf8(bad) +
                 ", and the settings are written anew.");
    }
    return true;
}

bool RegFileRegistry::Save(RegRoot root) {
    Loaded& loaded = Of(root);
    if (!Writable(root)) return false;
    // Never write over a file that did not load cleanly without keeping it.
    if (loaded.Damaged && !SetAside(root, loaded)) return false;
    return SaveSettingsFile(FileOf(root), Format(loaded.Tree, root));
}

// Another program may have changed the file since it was read: under the
// lock, the edit is made to the file as it is now, so a change that program
// saved stays.
bool RegFileRegistry::Change(RegRoot root, const TreeKey::Edit& edit) {
    if (!Writable(root)) return false;
    const FileLock lock(FileOf(root));
    if (!lock.Held()) return false;
    edit(Load(root));
    if (Save(root)) return true;
    Load(root);  // what the file still holds
    return false;
}

std::unique_ptr<RegistryKey> RegFileRegistry::OpenKey(RegRoot root, const std::string& path,
                                                      bool create, bool writeAccess) {
    const std::string p = NormaliseKeyPath(path);
    if (p.empty()) return nullptr;
    RegistryTree& tree = Load(root);
    const bool writable = Writable(root);
    if (writeAccess && !writable) return nullptr;
    if (!tree.count(p)) {
        if (!create || !writable) return nullptr;
        const bool made = Change(root, [&](RegistryTree& now) {
            if (now[p].Path.empty()) now[p].Path = p;
        });
        if (!made) return nullptr;
    }
    return std::make_unique<TreeKey>(tree, p, writeAccess, [this, root](const TreeKey::Edit& edit) {
        return Change(root, edit);
    });
}

bool RegFileRegistry::DeleteKeyTree(RegRoot root, const std::string& path) {
    const std::string p = NormaliseKeyPath(path);
    if (!HoldsTree(Load(root), p)) return true;
    return Change(root, [&](RegistryTree& now) { DeleteTree(now, p); });
}

}  // namespace corvane
