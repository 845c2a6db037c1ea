#include "base/Interruption.h"

#include <atomic>

#include "base/InterruptionRecord.h"

namespace hk {
namespace {

// Set only by the handlers, read by the job at its checkpoints.
std::atomic<int> firstSignal{0};
std::atomic<int> signalsSeen{0};

}  // namespace

int CountInterruption(int signal) {
    const int seen = ++signalsSeen;
    int none = 0;
    firstSignal.compare_exchange_strong(none, signal);
    return seen;
}

int InterruptionSignal() { return firstSignal.load(); }

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
