#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace corvane {

enum class RegRoot { CurrentUser, ClassesRoot };

// A failed registry read or write; callers catch it.
class RegistryError : public std::runtime_error {
  public:
    explicit RegistryError(const std::string& what) : std::runtime_error(what) {}
};

// An open registry key with the registry's value semantics. The empty value
// name is the key's default value.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    virtual bool ValueExists(const std::string& name) const = 0;
    // A value the store holds but could not read back (a stand-in file
    // damaged at its line); a value of another type is not damaged.
    virtual bool ValueDamaged(const std::string&) const { return false; }
    // A missing text value reads as empty text; one of another type fails.
    virtual std::string ReadString(const std::string& name) const = 0;
    // A missing value, or one that is not a 32-bit number, fails.
    virtual std::uint32_t ReadInteger(const std::string& name) const = 0;
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
    // Writes fail with RegistryError when the registry refuses them.
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    virtual void WriteInteger(const std::string& name, std::uint32_t value) = 0;
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
};

class RegistryStore {
  public:
    virtual ~RegistryStore() = default;
    // Null when the key is missing (and create is off) or access is refused;
    // write access is refused on a store that cannot be written.
    virtual std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                                 bool writeAccess) = 0;
    // Deletes a key with all its subkeys; a missing key is no error. False
    // when the deletion was refused.
    virtual bool DeleteKeyTree(RegRoot root, const std::string& path) = 0;
    // One number of a key, for a program that needs no other value; none when
    // the key or the value is missing, damaged or not a number. A store may
    // read it without loading the rest.
    virtual std::optional<std::uint32_t> ReadOneInteger(RegRoot root, const std::string& path,
                                                        const std::string& name) {
        try {
            auto key = OpenKey(root, path, false, false);
            if (!key || !key->ValueExists(name) || key->ValueDamaged(name)) return std::nullopt;
            return key->ReadInteger(name);
        } catch (const RegistryError&) {
            return std::nullopt;
        }
    }
};

std::string RootName(RegRoot root);

}  // namespace corvane
