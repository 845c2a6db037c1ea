#pragma once
// The real serial port of the system the program runs on: the termios
// backend on Linux and other POSIX systems (link/PosixSerialLine.h), the
// Win32 backend on Windows (link/Win32SerialLine.h). The programs' entry
// points take their line from here and know no backend.

#include <memory>
#include <string>

#include "link/SerialLine.h"

namespace hk {

// `homeDir` (with trailing separator), the folder of the settings file,
// holds the port mapping and the ports/ links (ports/PortNames.h).
std::unique_ptr<SerialLine> MakeSystemLine(const std::string& homeDir);

}  // namespace hk
