#include "ports/PortHolders.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#ifdef __linux__
#include <sys/sysmacros.h>
#endif

#include "ports/SystemTree.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

bool IsPid(const std::string& s) {
    return !s.empty() && s.size() < 10 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string CommandName(const std::string& root, int pid) {
    std::ifstream in(InTree(root, "/proc/" + std::to_string(pid) + "/comm"));
    std::string name;
    std::getline(in, name);
    return name;
}

// The device's node as /proc/locks writes it: "MAJ:MIN:INODE" with major and
// minor in hex (two digits at least) of the file system the node lies on.
std::string LockKey(const fs::path& node) {
#ifdef __linux__
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0) return {};
    char key[64];
    std::snprintf(key, sizeof key, "%02x:%02x:%lu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long>(st.st_ino));
    return key;
#else
    (void)node;
    return {};
#endif
}

// "1: FLOCK  ADVISORY  WRITE 4242 00:05:1234 0 EOF"; waiting locks start "1: -> ".
void LockHolders(const std::string& root, const std::string& key, std::set<int>& pids) {
    if (key.empty()) return;
    std::ifstream in(InTree(root, "/proc/locks"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, pid, where;
        fields >> id >> kind;
        if (kind == "->") continue;
        fields >> mode >> access >> pid >> where;
        if (where == key && IsPid(pid)) pids.insert(std::stoi(pid));
    }
}

void OpenHolders(const std::string& root, const std::string& target, std::set<int>& pids) {
    std::error_code ec;
    for (const auto& proc : fs::directory_iterator(InTree(root, "/proc"), ec)) {
        const std::string pid = proc.path().filename().string();
        if (!IsPid(pid)) continue;
        std::error_code fdEc;  // another user's descriptors are not ours to read
        for (const auto& fd : fs::directory_iterator(proc.path() / "fd", fdEc)) {
            std::error_code linkEc;
            if (fs::read_symlink(fd.path(), linkEc).string() == target) {
                pids.insert(std::stoi(pid));
                break;
            }
        }
    }
}

}  // namespace

std::vector<ProcessInfo> FindDeviceHolders(const std::string& devicePath, const std::string& root) {
    std::error_code ec;
    const fs::path node = InTree(root, devicePath);
    fs::path real = fs::canonical(node, ec);
    if (ec) real = node;
    std::string target = real.string();
    if (!root.empty() && target.rfind(root, 0) == 0) target = target.substr(root.size());
    std::set<int> pids;
    LockHolders(root, LockKey(real), pids);
    OpenHolders(root, target, pids);
    std::vector<ProcessInfo> holders;
    for (const int pid : pids) holders.push_back({pid, CommandName(root, pid)});
    return holders;
}

std::optional<ProcessInfo> FindProcess(std::string_view name, const std::string& root) {
    std::error_code ec;
    std::set<int> pids;
    for (const auto& proc : fs::directory_iterator(InTree(root, "/proc"), ec)) {
        const std::string pid = proc.path().filename().string();
        if (IsPid(pid)) pids.insert(std::stoi(pid));
    }
    for (const int pid : pids)
        if (CommandName(root, pid) == name) return ProcessInfo{pid, std::string(name)};
    return std::nullopt;
}

}  // namespace hk
