#include "base/Interruption.h"

namespace hk {

const char* InterruptionName(int signal) {
    switch (signal) {
        case kSignalInterrupt:
            return "SIGINT";
        case kSignalTerminate:
            return "SIGTERM";
        case kSignalHangUp:
            return "SIGHUP";
        default:
            return "сигнал";
    }
}

}  // namespace hk
