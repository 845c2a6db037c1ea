#pragma once
// Why a port did not open, in words the operator can act on: the cause (no
// permission, busy, no such device), what the computer knows about it (the
// device's group, the program that holds it, the devices that are there)
// and what to do. The texts are Russian (UTF-8); the open's error box puts
// them between its own first line and the system's message.
//
// Gathering the facts reads the running system (GatherOpenFailureFacts);
// the texts are built from the facts alone (ExplainOpenFailure), so that
// every cause can be checked without the system being in that state.

#include <optional>
#include <string>
#include <vector>

#include "ports/PortHolders.h"
#include "ports/PortNames.h"
#include "ports/SerialDevices.h"

namespace hk {

enum class OpenFailureCause { Other, NoPermission, Busy, Missing };

// The cause of a failed open from its error number (errno).
OpenFailureCause CauseOfOpenFailure(int code);

struct OpenFailureFacts {
    std::string portName;  // "Com3"
    PortRoute route;       // the device the name led to, and by what
    std::string homeDir;   // the folder of ports.conf and ports/
    OpenFailureCause cause = OpenFailureCause::Other;

    // NoPermission: the device's group ("dialout") and whether the group may
    // read and write it; the user's name, whether the user is listed in the
    // group and whether this session already has it.
    std::string groupName;
    bool groupMayUse = false;
    std::string userName;
    bool listedInGroup = false;
    bool sessionHasGroup = false;

    // Busy: who holds the device; the ModemManager service when it runs.
    std::vector<ProcessInfo> holders;
    std::optional<ProcessInfo> modemManager;

    // Missing: the serial devices that are there.
    std::vector<SerialDevice> present;
};

// `root` is prefixed to the system paths read (tests); empty on the
// running system.
OpenFailureFacts GatherOpenFailureFacts(const std::string& portName, const PortRoute& route,
                                        const std::string& homeDir, int code,
                                        const std::string& root = {});

// Empty for OpenFailureCause::Other: the system's message says it all. A
// port the mapping leaves unclear (PortSource::Unclear, never opened) is
// explained by ExplainUnclearPort, whatever the cause.
std::string ExplainOpenFailure(const OpenFailureFacts& facts);

// "Порт Com5 не открыт: в файле … не понята строка 4 … Исправьте строку …".
std::string ExplainUnclearPort(const std::string& portName, const PortRoute& route);

// The same for the Windows backend, from the system's error code
// (GetLastError): a port held by another program, a port that is not there
// (with the serial ports that are, `present`).
std::string ExplainWindowsOpenFailure(const std::string& portName, unsigned long code,
                                      const std::vector<SerialDevice>& present = {});

}  // namespace hk
