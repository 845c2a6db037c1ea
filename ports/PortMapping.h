#pragma once
// The port mapping: a small text file, "ports.conf" beside the settings file,
// that says which device a port name of the dialogs opens, one port a line:
//
//     # a comment
//     Com3=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0
//
// Names are "Com1" ... "Com18" in any letter case; blanks around the name,
// the '=' and the device are ignored; the device is an absolute path (on
// Windows also a port's name, CheckMappedDevice). A line that is none of
// these is reported and the rest of the file still counts; but a port whose
// last line was not understood ("Com5 /dev/ttyUSB0", "Com5=ttyUSB0") opens
// nothing until it is mended: its device is not known, and another one must
// not be taken in its place. So with every port while the file cannot be
// read. A port named twice takes its last line. The file is UTF-8 text, with
// or without a byte order mark, its lines ended by LF or CR LF; the program
// rewrites only the lines of the port it changes.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextForm.h"

namespace hk {

inline constexpr const char* kPortMappingFileName = "ports.conf";
// The port names the dialogs offer: "Com1" ... "Com18".
inline constexpr int kMappablePorts = 18;

// A line of the file (or the file) the program has something to say about.
struct MappingProblem {
    int line = 0;        // 1-based; 0 for the file as a whole
    std::string text;    // the line as written (without its line end)
    std::string reason;  // in Russian: what is wrong with it
    int port = 0;        // the port the line names ("Com5 /dev/x": 5), 0 for none
    // Taken all the same: a port named twice takes its last line, a file
    // too long is read up to its limit. Not taken: a line not understood,
    // a file that cannot be read.
    bool taken = false;
};

struct PortMapping {
    std::map<int, std::string> devices;  // port number -> device path
    std::vector<MappingProblem> problems;

    // The device assigned to port `number`, nullptr when none.
    const std::string* DeviceOf(int number) const;
    // Why port `number` opens nothing: its last line was not understood, or
    // the file cannot be read. nullptr when the mapping is clear about it
    // (a device, or no line at all).
    const MappingProblem* FaultOf(int number) const;

private:
    friend PortMapping ParsePortMapping(std::string_view text);
    friend PortMapping LoadPortMapping(const std::string& fileName);
    std::map<int, std::size_t> faults_;  // port -> its problem
    bool unreadable_ = false;
};

PortMapping ParsePortMapping(std::string_view text);

// A missing file is an empty mapping without problems. A file that cannot be
// read gives one problem (line 0) with the system's text; the first 64 KiB
// are read, a longer file is reported as such.
PortMapping LoadPortMapping(const std::string& fileName);

// `text` with `number` assigned to `device` in the place of its first line
// (or at the end); every other line of that port goes, and a line of it
// that was not understood becomes a comment ("# Com5 /dev/ttyUSB0"), so
// that it no longer holds the port. An empty `device` removes the port's
// lines. All other lines, comments and faulty lines included, stay as they
// are, and so do the file's line ends and byte order mark. A new file starts
// with a comment that says what the file is, in the terms and the form of
// the system (`windows`: an example with \\.\COM12, CR LF, the mark).
std::string WithAssignment(std::string_view text, int number, const std::string& device,
                           bool windows = kWindowsForm);
// That comment, with its line ends.
std::string NewMappingHeader(bool windows);

// Stores the assignment in the file (created with its folder when missing)
// through a temporary file renamed over it. Throws FileError, whose text
// names the port and the file, says what to do and ends with the system's
// own message.
void StorePortAssignment(const std::string& fileName, int number, const std::string& device);

// What stands right of "=" on a line, as a device to open: `path`, or
// `fault` (in Russian) when it is none. On POSIX (`windows` false) it is an
// absolute path, /dev/ttyUSB0. On Windows it is a device path (\\.\COM12),
// a path from a root, or a port's name (COM12, opened as \\.\COM12). A file
// follows the rules of the system the program runs on; either set can be
// checked on both.
struct MappedDevice {
    std::string path;
    std::string fault;
};
MappedDevice CheckMappedDevice(const std::string& device, bool windows);

// One problem as the operator reads it: "строка 4 «Com3 /dev/ttyUSB0»: …".
std::string DescribeProblem(const MappingProblem& problem);

// The same naming the file, as the command line and the port hints say it:
// "в файле F не понята строка 4 «Com3 /dev/ttyUSB0» (…)".
std::string DescribeProblemIn(const std::string& fileName, const MappingProblem& problem);

// What the file has that is no port's own fault but may matter to every
// port: lines not understood that name no port (one may have been meant for
// any), a file read only in part. Each names the file and the line.
std::vector<std::string> MappingNotes(const PortMapping& mapping, const std::string& fileName);

}  // namespace hk
