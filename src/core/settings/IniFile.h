#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A settings file with Windows profile-file semantics: "[section]" headers
// and "key=value" lines, names compared without regard to case, no quoting.
// Missing file, section or key give the caller's default; so does a number
// that is not one. Writes change the line in place and keep everything else.
class IniFile {
  public:
    explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}
    // A settings file held in memory: reads and writes change only the text.
    static IniFile InMemory(std::string text);
    const std::filesystem::path& Path() const { return path_; }
    // The text of an in-memory file, null for one on disk.
    const std::string* Text() const { return inMemory_ ? &text_ : nullptr; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
    bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

    // False when the file cannot be written, or is there but cannot be read.
    // A line break in a value is written as "%0D" / "%0A", never raw.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool WriteBool(const std::string& section, const std::string& key, bool value);

    static bool ParseInteger(const std::string& text, int& value);

  private:
    // Where a key's section name, key and value lie in the text.
    struct Entry {
        std::size_t Section, SectionLength, Key, KeyLength, Value, ValueLength;
    };
    static std::vector<Entry> Index(std::string_view text);
    std::vector<std::string> Lines() const;
    std::filesystem::path path_;
    bool inMemory_ = false;
    std::string text_;
    // The keys of an in-memory text, found at the first read after a change.
    mutable std::vector<Entry> index_;
    mutable bool indexed_ = false;
};

}  // namespace corvane
