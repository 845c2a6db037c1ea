// The adapter behind a device path on Linux and other POSIX systems: the
// path's links followed to the tty node, whose sysfs entry tells the rest.

#include <filesystem>
#include <system_error>

#include "ports/AdapterIdentity.h"
#include "ports/SimulatedAdapterFile.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

// `system` ("/dev/ttyUSB0") inside the tree at `root`.
fs::path InTree(const std::string& root, const std::string& system) {
    return root.empty() ? fs::path(system) : fs::path(root + system);
}

// Follows links (by-id names, ports/ links); an absolute target is taken
// inside the tree, as the system's own would be.
fs::path Resolve(const std::string& root, fs::path p) {
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

}  // namespace

AdapterIdentity IdentifyAdapter(const std::string& devicePath, const std::string& root) {
    if (const auto simulated = ReadSimulatedAdapterFile(devicePath)) {
        AdapterIdentity id;
        id.simulated = true;
        id.serial = simulated->serial;
        id.product = "симулированный адаптер kvard-sim";
        id.driver = "kvard-sim";
        return id;
    }
    // A system path ("/dev/…") lies in the tree; a ports/ link beside the
    // settings file does not, but the device it leads to does.
    fs::path start = fs::path(devicePath);
    std::error_code ec;
    if (devicePath.rfind("/dev/", 0) == 0) {
        start = InTree(root, devicePath);
    } else if (fs::is_symlink(fs::symlink_status(start, ec))) {
        const fs::path target = fs::read_symlink(start, ec);
        if (!ec && target.is_absolute()) start = InTree(root, target.string());
    }
    return ReadSysfsIdentity(Resolve(root, start).filename().string(), root);
}

}  // namespace hk
