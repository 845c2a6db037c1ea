#pragma once
// What a port choice of the dialogs ("Com1" … "Com18") tells the operator:
// which device it opens, by what (the port mapping, a ports/ link, the
// built-in port) and whether the device is there. Texts are UTF-8; the
// dialogs show them as the items' hints (gui/PortHints.h).

#include <string>

#include "ports/AdapterIdentity.h"
#include "ports/PortNames.h"
#include "ports/SerialDevices.h"

namespace hk {

// The folder of the settings file, with its trailing separator: the port
// mapping and the ports/ links lie there.
std::string PortHomeOf(const std::string& settingsFile);

// The hint of one port; `device` is what the system lists there, if anything.
std::string PortItemHint(const std::string& portName, const std::string& homeDir,
                         const PortRoute& route, DeviceState state, const SerialDevice* device);

// What the hint adds of the adapter behind the port: a warning of the
// known adapters' table (ports/AdapterBehaviours.h) and the verdict of its
// last check kept in `keptFile` (ports/KeptAdapterChecks.h); empty when
// there is neither.
std::string AdapterNotes(const AdapterIdentity& identity, const std::string& portName,
                         const std::string& keptFile);

// The hint and the device's state of port `portName`, as the system has it
// now (`systemRoot` is for tests, ports/SerialDevices.h); with `keptFile`
// (HayesKvd.ini), the adapter's notes as well.
struct PortItemFacts {
    std::string hint;
    DeviceState state = DeviceState::Missing;
};
PortItemFacts DescribePort(const std::string& portName, const std::string& homeDir,
                           const std::vector<SerialDevice>& devices,
                           const std::string& systemRoot = {}, const std::string& keptFile = {});

}  // namespace hk
