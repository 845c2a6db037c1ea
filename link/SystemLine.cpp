#include "link/SystemLine.h"

#ifdef _WIN32
#include "link/Win32SerialLine.h"
#else
#include "link/PosixSerialLine.h"
#endif

namespace hk {

std::unique_ptr<SerialLine> MakeSystemLine(const std::string& homeDir) {
#ifdef _WIN32
    return std::make_unique<Win32SerialLine>(homeDir);
#else
    return std::make_unique<PosixSerialLine>(homeDir);
#endif
}

}  // namespace hk
