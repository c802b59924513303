#include "MemoryRegistry.h"

namespace corvane {

std::unique_ptr<RegistryKey> MemoryRegistry::OpenKey(RegRoot root, const std::string& path,
                                                     bool create, bool writeAccess) {
    const std::string p = NormaliseKeyPath(path);
    if (RefuseOpen || RefusedKeys.count(p)) return nullptr;
    RegistryTree& tree = Tree(root);
    if (!tree.count(p)) {
        if (!create || RefuseWrites) return nullptr;
        tree[p].Path = p;
    }
    return std::make_unique<TreeKey>(tree, p, writeAccess,
                                     [this, &tree](const TreeKey::Edit& edit) {
                                         if (RefuseWrites) return false;
                                         edit(tree);
                                         return true;
                                     });
}

bool MemoryRegistry::DeleteKeyTree(RegRoot root, const std::string& path) {
    if (RefuseDelete) return false;
    DeleteTree(Tree(root), NormaliseKeyPath(path));
    return true;
}

}  // namespace corvane
