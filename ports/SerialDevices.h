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
// otherwise. On a system without /dev and /sys (Windows) the list is empty.

#include <string>
#include <vector>

namespace hk {

struct SerialDevice {
    std::string path;        // the device node, "/dev/ttyUSB0"
    std::string stablePath;  // "/dev/serial/by-id/usb-…", empty when none
    std::string name;        // what it is, in Russian or the maker's words
};

std::vector<SerialDevice> ListSerialDevices(const std::string& root = {});

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
