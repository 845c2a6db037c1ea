#pragma once
// How a port name of the lists ("Com1" ... "Com18") reaches a device.
//  - Windows: "\\.\ComN", so that Com10 and above open too.
//  - Linux and other POSIX systems: "<program dir>/ports/comN" when that
//    path exists (a symlink to /dev/ttyUSB0, a pseudo-terminal, anything),
//    otherwise "/dev/ttyS<N-1>". A name of another form is used as a path.

#include <string>

namespace hk {

// `programDir` ends with a path separator (or is empty).
std::string ResolvePortPath(const std::string& programDir, const std::string& portName);

// The port number of "ComN" (any letter case), or 0 for another name.
int ComPortNumber(const std::string& portName);

}  // namespace hk
