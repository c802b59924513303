#pragma once

#ifdef _WIN32
#include "settings/RegistryStore.h"

namespace corvane {

// The Windows registry itself. All the rules live in the code above the
// RegistryStore interface; this class only maps it onto the Win32 calls.
// Texts are UTF-8 here and UTF-16 in the registry.
//
// The file-type keys (RegRoot::ClassesRoot) go to the user's own part of
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER\Software\Classes, which needs no
// administrator rights and which the shell merges into HKEY_CLASSES_ROOT.
class WinRegistry : public RegistryStore {
  public:
    // base: a key under HKEY_CURRENT_USER that holds every key this store
    // opens, as if it were HKEY_CURRENT_USER itself (tests); empty for the
    // real places.
    explicit WinRegistry(std::string base = {}) : base_(std::move(base)) {}
    std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                         bool writeAccess) override;
    bool DeleteKeyTree(RegRoot root, const std::string& path) override;

  private:
    std::wstring FullPath(RegRoot root, const std::string& path) const;
    std::string base_;
};

}  // namespace corvane
#endif
