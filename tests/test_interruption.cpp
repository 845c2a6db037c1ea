// The signals that stop a job (base/Interruption.h), raised in this very
// process: the first one is kept and a second changes nothing (a third would
// end the process, which a test cannot watch from inside). On Windows the
// console's Ctrl+C counts as SIGINT.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "base/Interruption.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace hk {
namespace {

// Waits a little for a handler that runs on a thread of its own (Windows).
int SignalSoon() {
    for (int i = 0; i < 200 && InterruptionSignal() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return InterruptionSignal();
}

TEST(Interruption, TheFirstSignalIsKeptAndASecondChangesNothing) {
    EXPECT_EQ(InterruptionSignal(), 0);
    InstallInterruption("test_interruption");
#ifdef _WIN32
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) GTEST_SKIP() << "no console to signal";
    EXPECT_EQ(SignalSoon(), kSignalInterrupt);
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(InterruptionSignal(), kSignalInterrupt);
#else
    std::raise(SIGTERM);
    EXPECT_EQ(SignalSoon(), kSignalTerminate);
    std::raise(SIGHUP);  // answered on standard error, nothing else
    EXPECT_EQ(InterruptionSignal(), kSignalTerminate);
    EXPECT_STREQ(InterruptionName(InterruptionSignal()), "SIGTERM");
#endif
}

}  // namespace
}  // namespace hk
