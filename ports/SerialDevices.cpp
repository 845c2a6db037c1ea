#include "ports/SerialDevices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#endif

namespace hk {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32

// Windows: the "COMn" names the system knows (QueryDosDevice), as "\\.\COMn".
std::vector<std::string> WindowsPortNames() {
    std::vector<char> names(64 * 1024);
    const DWORD n = ::QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
    std::vector<std::pair<int, std::string>> ports;
    for (DWORD i = 0; i < n && names[i] != '\0';) {
        const std::string name(&names[i]);
        i += static_cast<DWORD>(name.size()) + 1;
        if (name.size() < 4 || _strnicmp(name.c_str(), "COM", 3) != 0) continue;
        const std::string digits = name.substr(3);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        ports.emplace_back(std::stoi(digits), name);
    }
    std::sort(ports.begin(), ports.end());
    std::vector<std::string> out;
    for (auto& p : ports) out.push_back("\\\\.\\" + p.second);
    return out;
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const std::string&) {
    std::vector<SerialDevice> devices;
    for (const std::string& path : WindowsPortNames())
        devices.push_back({path, {}, "последовательный порт " + path.substr(4)});
    return devices;
}

DeviceState StateOfDevice(const std::string& path, const std::string&) {
    for (const std::string& known : WindowsPortNames())
        if (_stricmp(known.c_str(), path.c_str()) == 0) return DeviceState::Present;
    return DeviceState::Missing;
}

const SerialDevice* DeviceBehind(const std::vector<SerialDevice>& devices, const std::string& path,
                                 const std::string&) {
    for (const SerialDevice& d : devices)
        if (_stricmp(d.path.c_str(), path.c_str()) == 0) return &d;
    return nullptr;
}

#else

struct Family {
    const char* prefix;  // "ttyUSB"
    int order;
};
constexpr Family kFamilies[] = {{"ttyS", 0}, {"ttyUSB", 1}, {"ttyACM", 2}};

// The family and number of a node name such as "ttyUSB0"; order -1 for none.
std::pair<int, int> FamilyOf(const std::string& node) {
    for (const Family& f : kFamilies) {
        const std::string prefix = f.prefix;
        if (node.size() <= prefix.size() || node.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = node.substr(prefix.size());
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        if (digits.size() > 6) continue;
        return {f.order, std::stoi(digits)};
    }
    return {-1, 0};
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    return line;
}

// `system` ("/dev/ttyS0") inside the tree at `root`.
fs::path InTree(const std::string& root, const std::string& system) {
    return root.empty() ? fs::path(system) : fs::path(root + system);
}

// The tree path back as the system names it.
std::string OutOfTree(const std::string& root, const fs::path& p) {
    std::string s = p.lexically_normal().string();
    if (!root.empty()) {
        const std::string r = fs::path(root).lexically_normal().string();
        const std::string prefix = r.back() == '/' ? r.substr(0, r.size() - 1) : r;
        if (s.compare(0, prefix.size(), prefix) == 0) s = s.substr(prefix.size());
    }
    return s;
}

// Follows links inside the tree (the system's by-id links and ports/ links
// are relative or absolute; absolute ones are taken inside the tree).
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

// A built-in port's chip: its type in sysfs, 0 when nothing answers there.
bool ChipAnswers(const std::string& root, const std::string& node) {
    const std::string type = FirstLine(InTree(root, "/sys/class/tty/" + node + "/type"));
    return !type.empty() && type != "0";
}

// Maker and product of the USB device a tty belongs to, from sysfs.
std::string UsbName(const std::string& root, const std::string& node) {
    std::error_code ec;
    fs::path dir = Resolve(root, InTree(root, "/sys/class/tty/" + node + "/device"));
    const fs::path top = InTree(root, "/sys").lexically_normal();
    for (int up = 0; up < 8 && dir.string().size() > top.string().size(); ++up) {
        if (fs::exists(dir / "idVendor", ec)) {
            const std::string maker = FirstLine(dir / "manufacturer");
            const std::string product = FirstLine(dir / "product");
            if (maker.empty()) return product;
            if (product.empty() || product.rfind(maker, 0) == 0)
                return product.empty() ? maker : product;
            return maker + " " + product;
        }
        dir = dir.parent_path();
    }
    return {};
}

// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" -> "FTDI FT232R USB UART A50285BI".
std::string NameFromById(std::string id) {
    if (id.rfind("usb-", 0) == 0) id = id.substr(4);
    if (const auto cut = id.rfind("-if"); cut != std::string::npos) id = id.substr(0, cut);
    std::replace(id.begin(), id.end(), '_', ' ');
    return id;
}

std::string GenericName(int family) {
    switch (family) {
        case 0:
            return "встроенный последовательный порт";
        case 1:
            return "USB-адаптер последовательного порта";
        case 2:
            return "USB-модем или устройство CDC-ACM";
        default:
            return "последовательное устройство";
    }
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const std::string& root) {
    struct Found {
        int family, number;
        SerialDevice device;
    };
    std::map<std::string, Found> byNode;  // "/dev/ttyUSB0" -> what is known
    std::error_code ec;

    for (const auto& entry : fs::directory_iterator(InTree(root, "/dev"), ec)) {
        const std::string node = entry.path().filename().string();
        const auto [family, number] = FamilyOf(node);
        if (family < 0) continue;
        if (family == 0 && !ChipAnswers(root, node)) continue;
        std::string name = family == 0 ? std::string() : UsbName(root, node);
        byNode["/dev/" + node] = {family, number, {"/dev/" + node, {}, std::move(name)}};
    }

    for (const auto& entry : fs::directory_iterator(InTree(root, "/dev/serial/by-id"), ec)) {
        const std::string id = entry.path().filename().string();
        const fs::path target = Resolve(root, entry.path());
        if (!fs::exists(target, ec)) continue;
        const std::string node = OutOfTree(root, target);
        auto it = byNode.find(node);
        if (it == byNode.end()) {
            const auto [family, number] = FamilyOf(target.filename().string());
            it = byNode.emplace(node, Found{family < 0 ? 3 : family, number, {node, {}, {}}}).first;
        }
        SerialDevice& d = it->second.device;
        if (d.stablePath.empty()) d.stablePath = "/dev/serial/by-id/" + id;
        if (d.name.empty()) d.name = NameFromById(id);
    }

    std::vector<Found> found;
    for (auto& [node, f] : byNode) {
        if (f.device.name.empty()) f.device.name = GenericName(f.family);
        found.push_back(std::move(f));
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.family != b.family) return a.family < b.family;
        if (a.number != b.number) return a.number < b.number;
        return a.device.path < b.device.path;
    });
    std::vector<SerialDevice> devices;
    for (auto& f : found) devices.push_back(std::move(f.device));
    return devices;
}

DeviceState StateOfDevice(const std::string& path, const std::string& root) {
    std::error_code ec;
    const fs::path target = Resolve(root, InTree(root, path));
    if (!fs::exists(target, ec)) return DeviceState::Missing;
    const std::string node = OutOfTree(root, target);
    if (node.rfind("/dev/", 0) == 0) {
        const std::string name = node.substr(5);
        if (FamilyOf(name).first == 0 && !ChipAnswers(root, name)) return DeviceState::NoHardware;
    }
    return DeviceState::Present;
}

const SerialDevice* DeviceBehind(const std::vector<SerialDevice>& devices, const std::string& path,
                                 const std::string& root) {
    const std::string node = OutOfTree(root, Resolve(root, InTree(root, path)));
    for (const SerialDevice& d : devices)
        if (d.path == node || d.path == path || (!d.stablePath.empty() && d.stablePath == path))
            return &d;
    return nullptr;
}

#endif

}  // namespace hk
