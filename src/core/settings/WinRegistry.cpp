#ifdef _WIN32
#include "settings/WinRegistry.h"

#include <windows.h>

namespace corvane {

namespace {
HKEY RootKey(RegRoot root) {
    return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
}

class WinKey : public RegistryKey {
  public:
    explicit WinKey(HKEY key) : key_(key) {}
    ~WinKey() override { RegCloseKey(key_); }
    bool ValueExists(const std::string& name) const override {
        return RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    std::string ReadString(const std::string& name) const override {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return {};
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw RegistryError("Invalid data type for '" + name + "'");
        std::string value(size, '\0');
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
            throw RegistryError("Failed to get data for '" + name + "'");
        }
        while (!value.empty() && value.back() == '\0') value.pop_back();
        return value;
    }
    std::uint32_t ReadInteger(const std::string& name) const override {
        DWORD type = 0, value = 0, size = sizeof value;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                             &size) != ERROR_SUCCESS ||
            type != REG_DWORD) {
            throw RegistryError("Invalid data type for '" + name + "'");
        }
        return value;
    }
    void WriteString(const std::string& name, const std::string& value) override {
        if (RegSetValueExA(key_, name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS) {
            throw RegistryError("Failed to set data for '" + name + "'");
        }
    }
    void WriteInteger(const std::string& name, std::uint32_t value) override {
        DWORD v = value;
        if (RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                           sizeof v) != ERROR_SUCCESS) {
            throw RegistryError("Failed to set data for '" + name + "'");
        }
    }

  private:
    HKEY key_;
};
}  // namespace

std::unique_ptr<RegistryKey> WinRegistry::OpenKey(RegRoot root, const std::string& path,
                                                  bool create, bool writeAccess) {
    HKEY key = nullptr;
    const REGSAM access = writeAccess ? KEY_ALL_ACCESS : KEY_READ;
    LONG rc = create ? RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, 0, access, nullptr,
                                       &key, nullptr)
                     : RegOpenKeyExA(RootKey(root), path.c_str(), 0, access, &key);
    if (rc != ERROR_SUCCESS) return nullptr;
    return std::make_unique<WinKey>(key);
}

bool WinRegistry::DeleteKeyTree(RegRoot root, const std::string& path) {
    LONG rc = RegDeleteTreeA(RootKey(root), path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace corvane
#endif
