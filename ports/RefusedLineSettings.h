#pragma once
// Why a port does not hold the line settings the program asked for, in words
// the operator can act on: the port, the device and its driver as the system
// names it ("ch341-uart"), and what the adapter refused (mark/space parity
// for the address byte of a network number, a speed, two stop bits). A USB
// adapter whose driver lacks a setting drops it and reports success; the
// serial backend finds it by reading the settings back after each change.
//
// The driver is read from the running system (AdapterDriverName); the text
// is built from the facts alone (ExplainRefusedLineSettings), so that every
// refusal can be checked without such an adapter. Texts are Russian (UTF-8).

#include <string>

namespace hk {

enum class LineParity { None, Odd, Even, Mark, Space };

// One set of line settings, as asked or as the line holds them.
struct LineSetting {
    int baudRate = 0;
    int dataBits = 8;
    LineParity parity = LineParity::None;
    int stopBits = 1;
};

struct RefusedLineFacts {
    std::string portName;    // "Com1"
    std::string devicePath;  // "/dev/ttyUSB0"; empty when the system names none
    std::string driver;      // "ch341-uart"; empty when unknown
    LineSetting asked;
    LineSetting held;
};

// The driver of the tty device `devicePath` ("/dev/ttyUSB0"): the name of the
// link /sys/class/tty/<name>/device/driver. Empty when the system has none
// (a pseudo-terminal, Windows). `root` is prefixed to the system paths read
// (tests); empty on the running system.
std::string AdapterDriverName(const std::string& devicePath, const std::string& root = {});

// One text: what the port holds instead of what was asked and what to do.
std::string ExplainRefusedLineSettings(const RefusedLineFacts& facts);

}  // namespace hk
