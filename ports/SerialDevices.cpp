#include "ports/SerialDevices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "ports/PortNames.h"
#include "ports/SystemTree.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

#include <cstring>
#endif

namespace hk {
namespace {

namespace fs = std::filesystem;

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// What a SERIALCOMM device object says of its device: "\Device\Serial0"
// is a built-in port's driver; the USB adapters' drivers name themselves
// otherwise (VCP, Silabser, USBSER, ProlificSerial, CH341SER …).
std::string NameOfDeviceObject(const std::string& device) {
    if (device.empty()) return "последовательный порт";
    const std::string object = device.substr(device.find_last_of('\\') + 1);
    std::string base = object;
    while (!base.empty() && base.back() >= '0' && base.back() <= '9') base.pop_back();
    if (SameText(base, "Serial")) return "встроенный последовательный порт";
    return "последовательный порт (" + object + ")";
}

}  // namespace

std::vector<SerialDevice> WindowsSerialDevices(
    const std::vector<WindowsPortEntry>& ports,
    const std::vector<std::pair<std::string, std::string>>& friendlyNames) {
    std::vector<std::pair<int, SerialDevice>> found;
    for (const WindowsPortEntry& entry : ports) {
        const int number = ComPortNumber(entry.port);
        if (number <= 0) continue;
        const std::string path = "\\\\.\\COM" + std::to_string(number);
        auto known = std::find_if(found.begin(), found.end(),
                                  [&](const auto& f) { return f.first == number; });
        if (known != found.end()) {
            if (known->second.name == NameOfDeviceObject({}) && !entry.device.empty())
                known->second.name = NameOfDeviceObject(entry.device);
            continue;
        }
        found.push_back({number, {path, {}, NameOfDeviceObject(entry.device)}});
    }
    for (auto& f : found)
        for (const auto& [port, friendly] : friendlyNames)
            if (ComPortNumber(port) == f.first && !friendly.empty()) f.second.name = friendly;
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<SerialDevice> devices;
    for (auto& f : found) devices.push_back(std::move(f.second));
    return devices;
}

namespace {

#ifdef _WIN32

std::string Utf8FromWide(const wchar_t* text, int length) {
    if (length <= 0) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    return out;
}

// A registry string value, without its terminating zeros.
std::string Utf8FromRegistryString(const std::vector<wchar_t>& value, DWORD bytes) {
    int length = static_cast<int>(bytes / sizeof(wchar_t));
    while (length > 0 && value[static_cast<std::size_t>(length) - 1] == L'\0') --length;
    return Utf8FromWide(value.data(), length);
}

// The registry's HARDWARE\DEVICEMAP\SERIALCOMM: a value per present port,
// named by its device object, holding its port name.
void ReadSerialComm(std::vector<WindowsPortEntry>& out) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0; i < 256; ++i) {
        std::vector<wchar_t> name(512), value(256);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD valueBytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        DWORD type = 0;
        const LONG rc = ::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(value.data()), &valueBytes);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
        out.push_back({Utf8FromWide(name.data(), static_cast<int>(nameLength)),
                       Utf8FromRegistryString(value, valueBytes)});
    }
    ::RegCloseKey(key);
}

// The "COMn" names the system knows (QueryDosDevice), also those of drivers
// that leave SERIALCOMM out.
void ReadDosDevices(std::vector<WindowsPortEntry>& out) {
    std::vector<char> names(64 * 1024);
    const DWORD n = ::QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
    for (DWORD i = 0; i < n && names[i] != '\0';) {
        const std::string name(&names[i]);
        i += static_cast<DWORD>(name.size()) + 1;
        if (ComPortNumber(name) > 0) out.push_back({{}, name});
    }
}

// The friendly names of the present devices of the Ports (COM & LPT) class,
// by the port name their device key holds.
std::vector<std::pair<std::string, std::string>> ReadFriendlyNames() {
    // GUID_DEVCLASS_PORTS
    static const GUID kPortsClass = {
        0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    std::vector<std::pair<std::string, std::string>> names;
    const HDEVINFO set = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return names;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; i < 256 && ::SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        std::string port;
        const HKEY key =
            ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            std::vector<wchar_t> value(256);
            DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
            DWORD type = 0;
            if (::RegQueryValueExW(key, L"PortName", nullptr, &type,
                                   reinterpret_cast<BYTE*>(value.data()),
                                   &bytes) == ERROR_SUCCESS &&
                type == REG_SZ)
                port = Utf8FromRegistryString(value, bytes);
            ::RegCloseKey(key);
        }
        std::vector<wchar_t> friendly(512);
        DWORD bytes = 0;
        if (!port.empty() &&
            ::SetupDiGetDeviceRegistryPropertyW(
                set, &info, SPDRP_FRIENDLYNAME, nullptr, reinterpret_cast<BYTE*>(friendly.data()),
                static_cast<DWORD>(friendly.size() * sizeof(wchar_t)), &bytes))
            names.emplace_back(port, Utf8FromRegistryString(friendly, bytes));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return names;
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const std::string&) {
    std::vector<WindowsPortEntry> ports;
    ReadSerialComm(ports);
    ReadDosDevices(ports);
    return WindowsSerialDevices(ports, ReadFriendlyNames());
}

DeviceState StateOfDevice(const std::string& path, const std::string&) {
    // Whether the port is there needs no friendly names (SetupAPI's walk of
    // the devices is the slow part, and the port dialog asks for 18 ports).
    std::vector<WindowsPortEntry> ports;
    ReadSerialComm(ports);
    ReadDosDevices(ports);
    for (const SerialDevice& known : WindowsSerialDevices(ports, {}))
        if (_stricmp(known.path.c_str(), path.c_str()) == 0) return DeviceState::Present;
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

// A built-in port's chip: its type in sysfs, 0 when nothing answers there.
bool ChipAnswers(const std::string& root, const std::string& node) {
    const std::string type = FirstLine(InTree(root, "/sys/class/tty/" + node + "/type"));
    return !type.empty() && type != "0";
}

// Maker and product of the USB device a tty belongs to, from sysfs.
std::string UsbName(const std::string& root, const std::string& node) {
    std::error_code ec;
    fs::path dir = ResolveInTree(root, InTree(root, "/sys/class/tty/" + node + "/device"));
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
        const fs::path target = ResolveInTree(root, entry.path());
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
    const fs::path target = ResolveInTree(root, InTree(root, path));
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
    const std::string node = OutOfTree(root, ResolveInTree(root, InTree(root, path)));
    for (const SerialDevice& d : devices)
        if (d.path == node || d.path == path || (!d.stablePath.empty() && d.stablePath == path))
            return &d;
    return nullptr;
}

#endif

}  // namespace hk
