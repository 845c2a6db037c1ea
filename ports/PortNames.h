#pragma once
// How a port name of the lists ("Com1" ... "Com18") reaches a device.
//
// `homeDir` is the folder of the settings file (the program's own folder in
// the portable build, the user's configuration folder when installed), with
// a trailing separator; an empty one stands for none. For "ComN", first
// match wins:
//  1. a line "ComN=<device>" of the port mapping `<homeDir>ports.conf`
//     (ports/PortMapping.h): the operator's own choice, made in the program
//     or typed into the file. When the port's last line there was not
//     understood, or the file cannot be read, the name leads nowhere
//     (PortSource::Unclear): another device in its place could be anything;
//  2. POSIX only: `<homeDir>ports/comN` (lower case) when that path exists,
//     a symlink to /dev/ttyUSB0, a pseudo-terminal, anything;
//  3. the built-in port: "/dev/ttyS<N-1>" on POSIX, "\\.\ComN" on Windows
//     (so that Com10 and above open too).
// A name of another form is used as a path.

#include <string>

namespace hk {

// Where a port name's device came from.
enum class PortSource { Mapping, Link, BuiltIn, Name, Unclear };

struct PortRoute {
    std::string path;  // what the open uses; empty when Unclear
    PortSource source = PortSource::Name;
    // Unclear: which line of which file was not understood (or that the
    // file cannot be read) and what to do, in Russian, to follow "Порт Com5
    // не открыт: ".
    std::string fault{};
};

PortRoute RoutePort(const std::string& homeDir, const std::string& portName);

inline std::string ResolvePortPath(const std::string& homeDir, const std::string& portName) {
    return RoutePort(homeDir, portName).path;
}

// The port number of "ComN" (any letter case), or 0 for another name.
int ComPortNumber(const std::string& portName);

}  // namespace hk
