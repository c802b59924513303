#pragma once

#ifdef _WIN32
#include "settings/RegistryStore.h"

namespace corvane {

// The Windows registry itself. All the rules live in the code above the
// RegistryStore interface; this class only maps it onto the Win32 calls.
class WinRegistry : public RegistryStore {
  public:
    std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                         bool writeAccess) override;
    bool DeleteKeyTree(RegRoot root, const std::string& path) override;
};

}  // namespace corvane
#endif
