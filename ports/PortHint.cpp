#include "ports/PortHint.h"

#include "ports/PortMapping.h"

namespace hk {

std::string PortHomeOf(const std::string& settingsFile) {
    const auto slash = settingsFile.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : settingsFile.substr(0, slash + 1);
}

std::string PortItemHint(const std::string& portName, const std::string& homeDir,
                         const PortRoute& route, DeviceState state, const SerialDevice* device) {
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

PortItemFacts DescribePort(const std::string& portName, const std::string& homeDir,
                           const std::vector<SerialDevice>& devices,
                           const std::string& systemRoot) {
    const PortRoute route = RoutePort(homeDir, portName);
    const DeviceState state = StateOfDevice(route.path, systemRoot);
    return {PortItemHint(portName, homeDir, route, state,
                         DeviceBehind(devices, route.path, systemRoot)),
            state};
}

}  // namespace hk
