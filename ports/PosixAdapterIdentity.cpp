// The adapter behind a device path on Linux and other POSIX systems: the
// path's links followed to the tty node, whose sysfs entry tells the rest.

#include <filesystem>
#include <system_error>

#include "ports/AdapterIdentity.h"
#include "ports/SimulatedAdapterFile.h"
#include "ports/SystemTree.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

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
    return ReadSysfsIdentity(ResolveInTree(root, start).filename().string(), root);
}

}  // namespace hk
