#include "settings/IniFile.h"

#include <cctype>
#include <climits>
#include <optional>
#include <sstream>
#include <string_view>

#include "io/FileLock.h"
#include "settings/RegistryData.h"
#include "settings/SettingsFile.h"

namespace corvane {

namespace {
std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r";
    std::size_t a = s.find_first_not_of(blanks);
    if (a == std::string_view::npos) return {};
    return s.substr(a, s.find_last_not_of(blanks) - a + 1);
}

// The section a line opens, or false when it is no section header.
bool SectionOf(std::string_view line, std::string_view& name) {
    std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

// A line break would end the value and start a line of its own.
std::string EscapeLineBreaks(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\n') {
            out += "%0A";
        } else if (c == '\r') {
            out += "%0D";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Names compare without regard to (ASCII) case, as LowerCase folds them.
bool Same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}
}  // namespace

IniFile IniFile::InMemory(std::string text) {
    IniFile ini{std::filesystem::path()};
    ini.inMemory_ = true;
    ini.text_ = std::move(text);
    return ini;
}

std::vector<std::string> IniFile::Lines() const {
    std::vector<std::string> lines;
    std::string text;
    if (inMemory_) {
        text = text_;
    } else if (!ReadWholeFile(path_, text)) {
        return lines;
    }
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<IniFile::Entry> IniFile::Index(std::string_view text) {
    std::vector<Entry> entries;
    std::string_view section;
    bool inSection = false;  // keys before the first section header belong to none
    // An empty piece may point nowhere (a blank value): it is at 0.
    auto at = [&](std::string_view piece) {
        return piece.empty() ? 0 : static_cast<std::size_t>(piece.data() - text.data());
    };
    for (std::size_t from = 0; from < text.size();) {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(from, end - from);
        from = end + 1;
        std::string_view name, k, v;
        if (SectionOf(line, name)) {
            section = name;
            inSection = true;
        } else if (inSection && KeyOf(line, k, v)) {
            entries.push_back({at(section), section.size(), at(k), k.size(), at(v), v.size()});
        }
    }
    return entries;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
    std::string stored;
    std::vector<Entry> fileIndex;
    if (!inMemory_) {
        // A file is read again each time, as another copy of the program may
        // have written it since.
        if (!ReadWholeFile(path_, stored)) return fallback;
        fileIndex = Index(stored);
    } else if (!indexed_) {
        index_ = Index(text_);
        indexed_ = true;
    }
    const std::string_view text = inMemory_ ? std::string_view(text_) : std::string_view(stored);
    // The first key of that name in any section of that name, as Windows does.
    for (const Entry& e : inMemory_ ? index_ : fileIndex) {
        if (Same(text.substr(e.Section, e.SectionLength), section) &&
            Same(text.substr(e.Key, e.KeyLength), key)) {
            return std::string(text.substr(e.Value, e.ValueLength));
        }
    }
    return fallback;
}

bool IniFile::ParseInteger(const std::string& text, int& value) {
    std::string_view t = Trim(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    if (i == t.size()) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
    int value = 0;
    return ParseInteger(ReadString(section, key, ""), value) ? value : fallback;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    // Another program may write the file too: the line is changed in the file
    // as it is under the lock.
    std::optional<FileLock> lock;
    if (!inMemory_) {
        if (!CanWriteFile(path_)) return false;
        lock.emplace(path_);
        if (!lock->Held()) return false;
        std::string existing;
        // A file that is there but cannot be read is never replaced by one key.
        if (ReadSettingsFile(path_, existing) == FileRead::Unreadable) return false;
    }
    std::vector<std::string> lines = Lines();
    const std::string entry = key + "=" + EscapeLineBreaks(value);
    bool inSection = false;
    std::size_t sectionEnd = lines.size();
    bool sectionFound = false;
    bool replaced = false;
    for (std::size_t i = 0; i < lines.size() && !replaced; ++i) {
        std::string_view name, k, v;
        if (SectionOf(lines[i], name)) {
            if (inSection) break;
            inSection = Same(name, section);
            if (inSection) {
                sectionFound = true;
                sectionEnd = i + 1;
            }
        } else if (inSection) {
            if (KeyOf(lines[i], k, v) && Same(k, key)) {
                lines[i] = entry;
                replaced = true;
            }
            if (!Trim(lines[i]).empty()) sectionEnd = i + 1;
        }
    }
    if (replaced) {
        // changed in place
    } else if (sectionFound) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
    } else {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    if (inMemory_) {
        text_ = std::move(text);
        indexed_ = false;
        return true;
    }
    return SaveSettingsFile(path_, text);
}

bool IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

}  // namespace corvane
