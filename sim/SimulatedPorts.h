#pragma once
// The lines the adapter check opens: a port name that leads to one of the
// demo's simulated adapters (a description kvard-sim put in the ports/
// folder, ports/SimulatedAdapterFile.h) opens that adapter here, in the
// program, with its faults and its wiring (a loopback plug, or a null-modem
// cable to another such port); any other port name opens the system's
// serial port. A pseudo-terminal carries neither parity bits nor frame
// times, so the simulated adapter cannot sit behind one.

#include <map>
#include <memory>
#include <string>

#include "link/Clock.h"
#include "link/SerialLine.h"

namespace hk::sim {

class SimAdapterLine;

class SimulatedPorts {
public:
    // `homeDir` holds the port mapping and the ports/ folder (with its
    // trailing separator); the simulated adapters run on `clock`.
    SimulatedPorts(std::string homeDir, Clock& clock);
    ~SimulatedPorts();
    SimulatedPorts(const SimulatedPorts&) = delete;
    SimulatedPorts& operator=(const SimulatedPorts&) = delete;

    // A line for `portName`, not opened yet. The two ends of a simulated
    // null-modem cable are joined when both are made.
    std::unique_ptr<SerialLine> MakeLine(const std::string& portName);

private:
    std::string homeDir_;
    Clock& clock_;
    std::map<std::string, SimAdapterLine*> waitingEnds_;  // by cable
};

}  // namespace hk::sim
