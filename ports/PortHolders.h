#pragma once
// Which processes hold a device: those that have it open (their
// /proc/<pid>/fd links) and those that lock it (/proc/locks, which every
// user may read, so that a holder of another user is still found when it
// locks its port as this program does). Names come from /proc/<pid>/comm.
//
// `root` is prefixed to every system path: empty on the running system, a
// test's own tree otherwise. Where there is no /proc, nothing is found.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

struct ProcessInfo {
    int pid = 0;
    std::string name;
    bool operator==(const ProcessInfo&) const = default;
};

// Sorted by PID; `devicePath` may be a link, its target counts.
std::vector<ProcessInfo> FindDeviceHolders(const std::string& devicePath,
                                           const std::string& root = {});

// The first running process of that name (lowest PID), if any.
std::optional<ProcessInfo> FindProcess(std::string_view name, const std::string& root = {});

}  // namespace hk
