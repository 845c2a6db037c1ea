#pragma once
// The demo's simulated USB adapters: kvard-sim puts a small text file in the
// ports/ folder in place of a link (ports/com3), and a port name leading
// there opens the simulated adapter it describes inside the program
// (sim/SimulatedPorts.h) instead of a device: a pseudo-terminal carries no
// parity bit and no frame timing, so an adapter behind one could not be
// checked honestly.
//
//   kvard-sim adapter
//   serial=KVSIM-3
//   plug=loopback            (loopback, none, or null-modem:<cable>)
//   faults=drop-parity       (words of sim/SimAdapter.h, comma-separated)
//
// Lines starting with '#' are comments. The file names the adapter (its
// serial number, under which its check is kept) and how it is wired; what
// the faults mean is the simulator's.

#include <optional>
#include <string>
#include <vector>

namespace hk {

inline constexpr const char* kSimulatedAdapterHeader = "kvard-sim adapter";

struct SimulatedAdapterFile {
    std::string serial;               // "KVSIM-3"
    std::string plug = "none";        // "loopback", "none", "null-modem"
    std::string cable;                // null-modem: the cable both its ends name
    std::vector<std::string> faults;  // "drop-parity", "late-switch:18"
};

// The description in `path`; none when it is no such file (a device, a
// link to one, anything else).
std::optional<SimulatedAdapterFile> ReadSimulatedAdapterFile(const std::string& path);

// The file's text for `adapter`, with a comment saying what it is.
std::string SimulatedAdapterFileText(const SimulatedAdapterFile& adapter);

}  // namespace hk
