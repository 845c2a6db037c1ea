// The console's control events behind cli/Interruption.h, on Windows: they
// arrive on a thread of their own, which the handler answers at once.
#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "cli/Interruption.h"

namespace hk::cli {
namespace {

std::atomic<int> firstSignal{0};
std::atomic<int> signalsSeen{0};

int SignalOf(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            return kSignalInterrupt;
        case CTRL_CLOSE_EVENT:
            return kSignalHangUp;
        default:  // log-off, shut-down
            return kSignalTerminate;
    }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int seen = ++signalsSeen;
    int none = 0;
    firstSignal.compare_exchange_strong(none, SignalOf(event));
    if (seen == 2) {
        const char text[] =
            "\r\nhayeskvd-cli: wait for the clean-up / дождитесь конца очистки; "
            "a third Ctrl+C ends the program at once.\r\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, sizeof text - 1, &written, nullptr);
    } else if (seen >= 3) {
        std::_Exit(128 + firstSignal.load());
    }
    // Closing the console and the end of the session leave the process a
    // few seconds: the job's clean-up runs meanwhile on the main thread.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void InstallInterruption() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

int InterruptionSignal() { return firstSignal.load(); }

}  // namespace hk::cli
