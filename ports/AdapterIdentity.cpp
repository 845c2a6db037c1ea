#include "ports/AdapterIdentity.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "ports/PortNames.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool HexDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// The hexadecimal number `text` ("01"), or -1.
int HexNumber(const std::string& text) {
    if (!HexDigits(text) || text.size() > 4) return -1;
    return std::stoi(text, nullptr, 16);
}

// `name` with every character but letters and digits written as _XX, so
// that any serial number makes a key of letters, digits, '-' and '.'.
std::string KeyPart(const std::string& name) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c)) {
            out += static_cast<char>(c);
        } else {
            out += '_';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// The value after `tag` ("VID_") in a SetupAPI id, up to the next '&', '\'
// or '+': "1A86".
std::string IdField(const std::string& id, const std::string& tag) {
    const std::string upper = Upper(id);
    const std::size_t at = upper.find(tag);
    if (at == std::string::npos) return {};
    const std::size_t from = at + tag.size();
    const std::size_t to = id.find_first_of("&\\+", from);
    return id.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// The components of an instance id between its backslashes.
std::vector<std::string> Components(const std::string& id) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t to = id.find('\\', from);
        parts.push_back(id.substr(from, to == std::string::npos ? std::string::npos : to - from));
        if (to == std::string::npos) break;
        from = to + 1;
    }
    return parts;
}

// Windows gives a device that reports a serial number that number as the
// last component of its instance id ("USB\VID_0403&PID_6001\A50285BI"); it
// makes one up for a device without ("5&1A2B3C4D&0&2": never without '&').
std::string SerialOfUsbInstance(const std::string& instanceId) {
    const std::vector<std::string> parts = Components(instanceId);
    if (parts.size() < 3 || Upper(parts[0]) != "USB") return {};
    const std::string& last = parts.back();
    if (last.empty() || last.find('&') != std::string::npos) return {};
    return last;
}

}  // namespace

AdapterIdentity ReadSysfsIdentity(const std::string& ttyName, const std::string& root) {
    AdapterIdentity id;
    if (ttyName.empty() || ttyName.find('/') != std::string::npos) return id;
    std::error_code ec;
    const fs::path sys = fs::path(root + "/sys").lexically_normal();
    // sysfs links are relative: resolved inside the tree they lead to the
    // port's device under /sys/devices.
    const fs::path device = fs::canonical(root + "/sys/class/tty/" + ttyName + "/device", ec);
    if (ec) return id;
    id.driver = fs::read_symlink(device / "driver", ec).filename().string();
    if (ec) id.driver.clear();
    const fs::path top = fs::canonical(sys, ec);
    fs::path dir = device;
    for (int up = 0; up < 8 && !top.empty() && dir != top && dir.has_parent_path();
         ++up, dir = dir.parent_path()) {
        if (id.interfaceNumber < 0 && fs::exists(dir / "bInterfaceNumber", ec))
            id.interfaceNumber = HexNumber(FirstLine(dir / "bInterfaceNumber"));
        if (fs::exists(dir / "idVendor", ec)) {
            id.vendorId = Lower(FirstLine(dir / "idVendor"));
            id.productId = Lower(FirstLine(dir / "idProduct"));
            id.manufacturer = FirstLine(dir / "manufacturer");
            id.product = FirstLine(dir / "product");
            id.serial = FirstLine(dir / "serial");
            break;
        }
    }
    id.kernel = FirstLine(root + "/proc/sys/kernel/osrelease");
    return id;
}

AdapterIdentity ParseWindowsIdentity(const WindowsDeviceStrings& device) {
    AdapterIdentity id;
    id.friendlyName = device.friendlyName;
    id.driver = device.service;
    id.driverProvider = device.driverProvider;
    id.driverVersion = device.driverVersion;
    const std::string& hw = device.hardwareIds;
    const std::string vid = IdField(hw, "VID_");
    const std::string pid = IdField(hw, "PID_");
    if (HexDigits(vid) && HexDigits(pid)) {
        id.vendorId = Lower(vid);
        id.productId = Lower(pid);
        const std::string bus = Upper(hw.substr(0, hw.find('\\')));
        id.hardwareId = bus + "\\VID_" + Upper(vid) + "&PID_" + Upper(pid);
        const std::string mi = IdField(hw, "&MI_");
        if (HexDigits(mi)) {
            id.interfaceNumber = HexNumber(mi);
            id.hardwareId += "&MI_" + Upper(mi);
        }
    }
    const std::vector<std::string> parts = Components(device.instanceId);
    if (parts.size() >= 2 && Upper(parts[0]) == "FTDIBUS") {
        // FTDI's own bus: "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000", the
        // serial number followed by the channel's letter (A for the first).
        const std::string& middle = parts[1];
        const std::size_t plus = middle.rfind('+');
        std::string serial = plus == std::string::npos ? std::string() : middle.substr(plus + 1);
        if (serial.size() > 1 && serial.back() >= 'A' && serial.back() <= 'D') {
            id.interfaceNumber = serial.back() - 'A';
            serial.pop_back();
        }
        id.serial = serial;
    } else if (id.interfaceNumber >= 0) {
        // An interface of a composite device: the serial number is the parent's.
        id.serial = SerialOfUsbInstance(device.parentInstanceId);
    } else {
        id.serial = SerialOfUsbInstance(device.instanceId);
    }
    return id;
}

AdapterIdentity IdentifyPortAdapter(const std::string& portName, const std::string& homeDir,
                                    const std::string& root) {
    const PortRoute route = RoutePort(homeDir, portName);
    if (route.source == PortSource::Unclear || route.path.empty()) return {};
    return IdentifyAdapter(route.path, root);
}

std::string AdapterKey(const AdapterIdentity& id, const std::string& portName) {
    const int n = ComPortNumber(portName);
    const std::string port = n > 0 ? "Com" + std::to_string(n) : KeyPart(portName);
    std::string key;
    if (id.Usb())
        key = "usb-" + id.vendorId + "-" + id.productId +
              (id.serial.empty() ? "-port-" + port : "-sn-" + KeyPart(id.serial));
    else if (id.simulated && !id.serial.empty())
        key = "sim-" + KeyPart(id.serial);
    else
        key = "port-" + port;
    if (id.interfaceNumber > 0) key += "-if" + std::to_string(id.interfaceNumber);
    return key;
}

std::string AdapterTitle(const AdapterIdentity& id) {
    std::string name = !id.friendlyName.empty() ? id.friendlyName : id.product;
    if (!id.manufacturer.empty() && id.friendlyName.empty() && name.rfind(id.manufacturer, 0) != 0)
        name = id.manufacturer + (name.empty() ? "" : " ") + name;
    std::string inner;
    const auto add = [&inner](const std::string& part) {
        if (part.empty()) return;
        inner += (inner.empty() ? "" : ", ") + part;
    };
    if (id.Usb()) add(id.vendorId + ":" + id.productId);
    if (id.interfaceNumber > 0) add("порт " + std::to_string(id.interfaceNumber + 1));
    if (!id.serial.empty()) add("серийный номер " + id.serial);
    if (!id.driver.empty()) add("драйвер " + id.driver);
    if (!id.driverProvider.empty())
        add(id.driverProvider + (id.driverVersion.empty() ? "" : " " + id.driverVersion));
    if (!id.kernel.empty()) add("Linux " + id.kernel);
    if (name.empty() && inner.empty()) return {};
    if (name.empty()) return inner;
    return inner.empty() ? name : name + " (" + inner + ")";
}

}  // namespace hk
