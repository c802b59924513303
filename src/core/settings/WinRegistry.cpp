#ifdef _WIN32
#include "settings/WinRegistry.h"

#include <windows.h>

#include "io/Platform.h"

namespace corvane {

using platform::Utf8FromWide;
using platform::WideFromUtf8;

namespace {
class WinKey : public RegistryKey {
  public:
    explicit WinKey(HKEY key) : key_(key) {}
    ~WinKey() override { RegCloseKey(key_); }
    bool ValueExists(const std::string& name) const override {
        return RegQueryValueExW(key_, WideFromUtf8(name).c_str(), nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS;
    }
    std::string ReadString(const std::string& name) const override {
        const std::wstring wname = WideFromUtf8(name);
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return {};
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw RegistryError("Invalid data type for '" + name + "'");
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
            throw RegistryError("Failed to get data for '" + name + "'");
        }
        value.resize(size / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0') value.pop_back();
        return Utf8FromWide(value);
    }
    std::uint32_t ReadInteger(const std::string& name) const override {
        DWORD type = 0, value = 0, size = sizeof value;
        if (RegQueryValueExW(key_, WideFromUtf8(name).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD) {
            throw RegistryError("Invalid data type for '" + name + "'");
        }
        return value;
    }
    void WriteString(const std::string& name, const std::string& value) override {
        const std::wstring wide = WideFromUtf8(value);
        if (RegSetValueExW(key_, WideFromUtf8(name).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(wide.c_str()),
                           static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) !=
            ERROR_SUCCESS) {
            throw RegistryError("Failed to set data for '" + name + "'");
        }
    }
    void WriteInteger(const std::string& name, std::uint32_t value) override {
        DWORD v = value;
        if (RegSetValueExW(key_, WideFromUtf8(name).c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&v), sizeof v) != ERROR_SUCCESS) {
            throw RegistryError("Failed to set data for '" + name + "'");
        }
    }

  private:
    HKEY key_;
};
}  // namespace

std::wstring WinRegistry::FullPath(RegRoot root, const std::string& path) const {
    std::string full = base_.empty() ? std::string() : base_ + "\\";
    if (root == RegRoot::ClassesRoot)
        full += path.empty() ? "Software\\Classes" : "Software\\Classes\\";
    return WideFromUtf8(full + path);
}

std::unique_ptr<RegistryKey> WinRegistry::OpenKey(RegRoot root, const std::string& path,
                                                  bool create, bool writeAccess) {
    HKEY key = nullptr;
    const REGSAM access = writeAccess ? KEY_ALL_ACCESS : KEY_READ;
    const std::wstring full = FullPath(root, path);
    LONG rc = create ? RegCreateKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, access,
                                       nullptr, &key, nullptr)
                     : RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, access, &key);
    if (rc != ERROR_SUCCESS) return nullptr;
    return std::make_unique<WinKey>(key);
}

bool WinRegistry::DeleteKeyTree(RegRoot root, const std::string& path) {
    LONG rc = RegDeleteTreeW(HKEY_CURRENT_USER, FullPath(root, path).c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace corvane
#endif
