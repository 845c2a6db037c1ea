// The console's control events behind base/Interruption.h, on Windows: they
// arrive on a thread of their own, which the handler answers at once.
#include <windows.h>

#include <cstdlib>
#include <iterator>

#include "base/Interruption.h"
#include "base/InterruptionRecord.h"

namespace hk {
namespace {

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
    const int seen = CountInterruption(SignalOf(event));
    if (seen == 2) {
        // On a console in its own characters, redirected as UTF-8.
        static const wchar_t wide[] =
            L"\r\nДождитесь конца очистки: КВАРД отпускается. Третий Ctrl+C прервёт программу "
            L"сразу.\r\n";
        static const char utf8[] =
            "\r\nДождитесь конца очистки: КВАРД отпускается. Третий Ctrl+C прервёт программу "
            "сразу.\r\n";
        const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
        DWORD written = 0;
        if (!WriteConsoleW(error, wide, static_cast<DWORD>(std::size(wide) - 1), &written, nullptr))
            WriteFile(error, utf8, sizeof utf8 - 1, &written, nullptr);
    } else if (seen >= 3) {
        std::_Exit(128 + InterruptionSignal());
    }
    // Closing the console and the end of the session leave the process a
    // few seconds: the job's clean-up runs meanwhile on the main thread.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void InstallInterruption(const char*) { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace hk
