#include "sim/SimulatedPorts.h"

#include "link/SystemLine.h"
#include "ports/PortNames.h"
#include "ports/SimulatedAdapterFile.h"
#include "sim/SimAdapter.h"

namespace hk::sim {

SimulatedPorts::SimulatedPorts(std::string homeDir, Clock& clock)
    : homeDir_(std::move(homeDir)), clock_(clock) {}

SimulatedPorts::~SimulatedPorts() {
    // Lines still waiting for their other end must not call back here.
    for (auto& [cable, end] : waitingEnds_) end->OnDestroyed({});
}

std::unique_ptr<SerialLine> SimulatedPorts::MakeLine(const std::string& portName) {
    const PortRoute route = RoutePort(homeDir_, portName);
    const auto described = route.source == PortSource::Link || route.source == PortSource::Mapping
                               ? ReadSimulatedAdapterFile(route.path)
                               : std::nullopt;
    if (!described) return MakeSystemLine(homeDir_);
    AdapterFaults faults;
    std::string unknown;
    ParseAdapterFaults(described->faults, faults, unknown);  // a word it does not know is no fault
    auto line = std::make_unique<SimAdapterLine>(clock_, faults);
    if (described->plug == "loopback") {
        line->PlugLoopback();
    } else if (described->plug == "null-modem") {
        const std::string cable = described->cable;
        if (const auto other = waitingEnds_.find(cable); other != waitingEnds_.end()) {
            other->second->OnDestroyed({});
            SimAdapterLine::JoinNullModem(*other->second, *line);
            waitingEnds_.erase(other);
        } else {
            SimAdapterLine* end = line.get();
            waitingEnds_[cable] = end;
            end->OnDestroyed([this, cable, end] {
                if (const auto it = waitingEnds_.find(cable);
                    it != waitingEnds_.end() && it->second == end)
                    waitingEnds_.erase(it);
            });
        }
    }
    return line;
}

}  // namespace hk::sim
