#include "ports/SystemTree.h"

#include <system_error>

namespace hk {

namespace fs = std::filesystem;

fs::path InTree(const std::string& root, const std::string& system) {
    return root.empty() ? fs::path(system) : fs::path(root + system);
}

fs::path ResolveInTree(const std::string& root, fs::path p) {
    std::error_code ec;
    for (int hops = 0; hops < 16; ++hops) {
        if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? InTree(root, target.string()) : p.parent_path() / target;
        p = p.lexically_normal();
    }
    return p;
}

}  // namespace hk
