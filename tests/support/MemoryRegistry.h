#pragma once

#include <set>
#include <string>

#include "settings/RegistryData.h"

namespace corvane {

// A registry in memory, for tests: it can refuse opens, writes and deletes.
class MemoryRegistry : public RegistryStore {
  public:
    std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                         bool writeAccess) override;
    bool DeleteKeyTree(RegRoot root, const std::string& path) override;
    RegistryTree& Tree(RegRoot root) { return root == RegRoot::CurrentUser ? user_ : classes_; }
    bool KeyExists(RegRoot root, const std::string& path) {
        return Tree(root).count(NormaliseKeyPath(path)) > 0;
    }

    bool RefuseOpen = false;
    bool RefuseWrites = false;
    bool RefuseDelete = false;
    std::set<std::string, CaseLess> RefusedKeys;  // keys whose opening fails

  private:
    RegistryTree user_;
    RegistryTree classes_;
};

}  // namespace corvane
