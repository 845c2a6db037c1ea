#include "ports/PortNames.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "ports/PortMapping.h"

namespace hk {

int ComPortNumber(const std::string& portName) {
    if (portName.size() < 4 || portName.size() > 6) return 0;
    if (std::tolower(static_cast<unsigned char>(portName[0])) != 'c' ||
        std::tolower(static_cast<unsigned char>(portName[1])) != 'o' ||
        std::tolower(static_cast<unsigned char>(portName[2])) != 'm')
        return 0;
    int n = 0;
    for (std::size_t i = 3; i < portName.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(portName[i]))) return 0;
        n = n * 10 + (portName[i] - '0');
    }
    return n;
}

namespace {

std::string UnclearText(const std::string& portName, const std::string& file,
                        const MappingProblem& fault) {
    if (fault.line == 0)
        return "файл " + file + ", где портам назначены устройства, не прочитан (" + fault.reason +
               "), и неизвестно, какое устройство назначено " + portName +
               ". Разрешите программе читать файл или удалите его";
    return DescribeProblemIn(file, fault) + ". Исправьте строку (" + portName +
           "=устройство) или удалите её: тогда " + portName + " откроет порт по умолчанию";
}

}  // namespace

PortRoute RoutePort(const std::string& homeDir, const std::string& portName) {
    const int n = ComPortNumber(portName);
    if (n <= 0) return {portName, PortSource::Name};
    // Read at every open: an assignment made in the program or typed into
    // the file counts from the next open on, without a restart.
    if (!homeDir.empty()) {
        const std::string file = homeDir + kPortMappingFileName;
        const PortMapping mapping = LoadPortMapping(file);
        if (const std::string* device = mapping.DeviceOf(n)) return {*device, PortSource::Mapping};
        if (const MappingProblem* fault = mapping.FaultOf(n))
            return {{}, PortSource::Unclear, UnclearText(portName, file, *fault)};
    }
#ifdef _WIN32
    return {"\\\\.\\" + portName, PortSource::BuiltIn};
#else
    if (!homeDir.empty()) {
        const std::string link = homeDir + "ports/com" + std::to_string(n);
        std::error_code ec;
        // A link that dangles still counts: the open then reports the missing target.
        if (std::filesystem::exists(std::filesystem::symlink_status(link, ec)))
            return {link, PortSource::Link};
    }
    return {"/dev/ttyS" + std::to_string(n - 1), PortSource::BuiltIn};
#endif
}

}  // namespace hk
