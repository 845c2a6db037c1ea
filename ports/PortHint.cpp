#include "ports/PortHint.h"

#include "ports/AdapterBehaviours.h"
#include "ports/KeptAdapterChecks.h"
#include "ports/PortMapping.h"

namespace hk {

std::string PortHomeOf(const std::string& settingsFile) {
    const auto slash = settingsFile.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : settingsFile.substr(0, slash + 1);
}

std::string PortItemHint(const std::string& portName, const std::string& homeDir,
                         const PortRoute& route, DeviceState state, const SerialDevice* device) {
    if (route.source == PortSource::Unclear)
        return portName + " не открывается: " + route.fault +
               ". Правая кнопка мыши: выбрать другое устройство.";
    std::string hint = portName + " открывает " + route.path;
    switch (route.source) {
        case PortSource::Mapping:
            hint += " (назначено в файле " + homeDir + kPortMappingFileName + ")";
            break;
        case PortSource::Link:
            hint = portName + " открывает ссылку " + route.path;
            break;
        case PortSource::BuiltIn:
            // Windows' own port names ("\\.\COM5") may be a USB adapter as
            // well as a built-in port: the device's name says which.
            hint = portName +
                   (route.path.rfind("\\\\.\\", 0) == 0 ? " открывает порт "
                                                        : " открывает встроенный порт ") +
                   route.path;
            break;
        case PortSource::Name:
        case PortSource::Unclear:
            break;
    }
    switch (state) {
        case DeviceState::Present:
            hint += device ? ": " + device->name + ", подключено" : ": устройство есть";
            break;
        case DeviceState::Missing:
            hint += ": устройства сейчас нет (подключите его)";
            break;
        case DeviceState::NoHardware:
            hint += ": такого порта в компьютере нет";
            break;
    }
    return hint + ". Правая кнопка мыши: выбрать другое устройство.";
}

std::string AdapterNotes(const AdapterIdentity& identity, const std::string& portName,
                         const std::string& keptFile) {
    std::string notes;
    const std::string warning = KnownBehaviour(identity).warning;
    if (!warning.empty()) notes += "Внимание: " + warning + ".";
    if (!keptFile.empty() && identity.Known())
        if (const auto kept = KeptAdapterCheckOf(keptFile, AdapterKey(identity, portName))) {
            // The sentence's capital: «адаптер проверен …» begins it.
            const std::string text = "А" + kept->Text().substr(std::string("а").size());
            notes += (notes.empty() ? "" : " ") + text + ".";
        }
    return notes;
}

PortItemFacts DescribePort(const std::string& portName, const std::string& homeDir,
                           const std::vector<SerialDevice>& devices, const std::string& systemRoot,
                           const std::string& keptFile) {
    const PortRoute route = RoutePort(homeDir, portName);
    if (route.source == PortSource::Unclear)
        return {PortItemHint(portName, homeDir, route, DeviceState::Missing, nullptr),
                DeviceState::Missing};
    const DeviceState state = StateOfDevice(route.path, systemRoot);
    std::string hint = PortItemHint(portName, homeDir, route, state,
                                    DeviceBehind(devices, route.path, systemRoot));
    // A line that names no port may have been meant for this one, which the
    // file does not assign.
    if (!homeDir.empty() && route.source != PortSource::Mapping) {
        const std::string file = homeDir + kPortMappingFileName;
        for (const std::string& note : MappingNotes(LoadPortMapping(file), file))
            hint += " Внимание: " + note + ".";
    }
    if (state == DeviceState::Present) {
        const std::string notes =
            AdapterNotes(IdentifyAdapter(route.path, systemRoot), portName, keptFile);
        if (!notes.empty()) hint += " " + notes;
    }
    return {hint, state};
}

}  // namespace hk
