#pragma once
// The serial devices present on the computer, as the port window lists them
// and the open-failure diagnosis names them: built-in ports (/dev/ttyS*)
// whose chip answers, USB serial adapters (/dev/ttyUSB*), USB modems and
// CDC-ACM devices (/dev/ttyACM*), and whatever /dev/serial/by-id/ names,
// each with what it is (the adapter's maker and product where the system
// knows them) and its stable by-id path where it has one.
//
// Read from /dev and /sys without opening a device, so no permission is
// needed and nothing that holds a port is disturbed. `root` is prefixed to
// every system path: empty on the running system, a test's own tree
// otherwise.
//
// On Windows the list is what the system names: the ports of the registry's
// HARDWARE\DEVICEMAP\SERIALCOMM and the COMn names it knows, each with the
// friendly name of its device where Windows has one ("USB-SERIAL CH340
// (COM5)"), as "\\.\COM5".

#include <string>
#include <utility>
#include <vector>

namespace hk {

struct SerialDevice {
    std::string path;        // the device node, "/dev/ttyUSB0"
    std::string stablePath;  // "/dev/serial/by-id/usb-…", empty when none
    std::string name;        // what it is, in Russian or the maker's words
};

std::vector<SerialDevice> ListSerialDevices(const std::string& root = {});

// What Windows lists of its serial ports: a SERIALCOMM entry (the device
// object "\Device\Serial0" or "\Device\VCP0" and its port "COM1"), and
// the friendly names of the devices in the Ports class by their port name.
struct WindowsPortEntry {
    std::string device;  // "\Device\Silabser0"; empty for a name known only as a COMn link
    std::string port;    // "COM5"
};
// The devices those lists describe, in port order, each once; without a
// friendly name, what the device object says of it. Pure, so that every
// platform tests it.
std::vector<SerialDevice> WindowsSerialDevices(
    const std::vector<WindowsPortEntry>& ports,
    const std::vector<std::pair<std::string, std::string>>& friendlyNames);

enum class DeviceState {
    Present,     // the device is there
    Missing,     // no such path, or a link to nothing
    NoHardware,  // a built-in port's node without a chip behind it
};

// `path` may be a link (ports/comN, a by-id name): its target counts.
DeviceState StateOfDevice(const std::string& path, const std::string& root = {});

// The listed device that `path` leads to (the node itself, a by-id name or
// any link to it); nullptr when none.
const SerialDevice* DeviceBehind(const std::vector<SerialDevice>& devices, const std::string& path,
                                 const std::string& root = {});

}  // namespace hk
