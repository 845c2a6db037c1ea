#pragma once
// Who the adapter behind a port is: its driver, the USB vendor and product,
// the maker's and product's names, the serial number, the interface (the
// port of a dual adapter), and the system's version (Linux: the kernel's;
// Windows: the driver's provider and version). The adapter check keeps its
// verdict under a key made from it (AdapterKey), and the table of known
// adapter behaviours (ports/AdapterBehaviours.h) is matched against it.
//
// Linux reads it from sysfs (/sys/class/tty/<tty>/device and the USB
// interface and device above it); Windows from SetupAPI (the hardware id
// "USB\VID_1A86&PID_7523", the friendly name, the driver's provider and
// version, the instance ids). Both readings are pure functions over what the
// system gave (a tree under `root`, or the strings SetupAPI returned), so
// every platform tests both on recorded trees and strings; only
// IdentifyAdapter, which asks the running system, is the platform's own
// (ports/PosixAdapterIdentity.cpp, ports/WindowsAdapterIdentity.cpp).

#include <string>

namespace hk {

struct AdapterIdentity {
    std::string driver;        // "ch341-uart", "cp210x"; Windows: the driver's service
    std::string vendorId;      // "1a86" (lower-case hex), empty when not a USB device
    std::string productId;     // "7523"
    std::string manufacturer;  // "FTDI"
    std::string product;       // "FT232R USB UART"
    std::string serial;        // "A50285BI"; empty when the device reports none
    int interfaceNumber = -1;  // the USB interface (port of a dual adapter); -1 unknown
    std::string kernel;        // Linux: "6.1.0-18-amd64"
    // Windows.
    std::string hardwareId;      // "USB\VID_1A86&PID_7523"
    std::string friendlyName;    // "USB-SERIAL CH340 (COM5)"
    std::string driverProvider;  // "wch.cn"
    std::string driverVersion;   // "3.8.2023.2"
    // A simulated adapter of the demo (ports/SimulatedAdapterFile.h).
    bool simulated = false;

    bool Usb() const { return !vendorId.empty() && !productId.empty(); }
    bool Known() const { return Usb() || simulated || !driver.empty(); }
};

// What sysfs tells of tty `ttyName` ("ttyUSB0") under `root` (empty: the
// running system's /sys and /proc). An identity that knows nothing when
// the tty has no device there (a pseudo-terminal, a missing adapter).
AdapterIdentity ReadSysfsIdentity(const std::string& ttyName, const std::string& root = {});

// What SetupAPI gave for one device of the Ports class.
struct WindowsDeviceStrings {
    std::string hardwareIds;       // the first of its hardware ids ("USB\VID_1A86&PID_7523&REV_0263")
    std::string friendlyName;      // "USB-SERIAL CH340 (COM5)"
    std::string service;           // "CH341SER_A64"
    std::string driverProvider;    // "wch.cn"
    std::string driverVersion;     // "3.8.2023.2"
    std::string instanceId;        // "USB\VID_1A86&PID_7523\5&1A2B3C4D&0&2"
    std::string parentInstanceId;  // of the composite device above an interface
};
AdapterIdentity ParseWindowsIdentity(const WindowsDeviceStrings& device);

// The adapter behind `devicePath` on the running system: sysfs on Linux
// (`root` for tests), SetupAPI on Windows (by the port's "\\.\COM5"), the
// demo's description for a simulated adapter's file.
AdapterIdentity IdentifyAdapter(const std::string& devicePath, const std::string& root = {});

// The adapter behind the port name "Com3" (its mapping, ports/ link or
// built-in port: ports/PortNames.h).
AdapterIdentity IdentifyPortAdapter(const std::string& portName, const std::string& homeDir,
                                    const std::string& root = {});

// The key a verdict is kept under: by the serial number where the adapter
// has one, otherwise by vendor:product and the port name; the interface
// tells the two ports of a dual adapter apart. Letters, digits, '-' and
// '.' only (a section name of HayesKvd.ini): "usb-0403-6001-sn-A50285BI",
// "usb-1a86-7523-port-Com3", "usb-10c4-ea70-sn-00A1B2C3-if1",
// "port-Com1" for a port without a USB identity.
std::string AdapterKey(const AdapterIdentity& identity, const std::string& portName);

// What the adapter is, for the operator: "FTDI FT232R USB UART (0403:6001,
// серийный номер A50285BI, драйвер ftdi_sio)"; empty when nothing is known.
std::string AdapterTitle(const AdapterIdentity& identity);

}  // namespace hk
