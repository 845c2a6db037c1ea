// The POSIX signals behind base/Interruption.h.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "base/Interruption.h"

namespace hk {
namespace {

// The process's one record of the signals that came: set only by the
// handler, read by the job at its checkpoints.
std::atomic<int> firstSignal{0};
std::atomic<int> signalsSeen{0};

constexpr char kSecondText[] =
    ": дождитесь конца очистки: КВАРД отпускается. Третий сигнал прервёт программу сразу.\n";
// The program's name before it, made once when the handlers are installed:
// a handler may only write what is ready.
char secondMessage[256];
std::size_t secondLength = 0;

void OnSignal(int signal) {
    const int seen = ++signalsSeen;
    int none = 0;
    firstSignal.compare_exchange_strong(none, signal);
    if (seen == 2) {
        // write() may be called in a signal handler; the result is not needed.
        [[maybe_unused]] const auto written = ::write(STDERR_FILENO, secondMessage, secondLength);
    } else if (seen >= 3) {
        ::_exit(128 + firstSignal.load());
    }
}

}  // namespace

void InstallInterruption(const char* program) {
    const std::string text = "\n" + std::string(program) + kSecondText;
    secondLength = std::min(text.size(), sizeof secondMessage);
    std::memcpy(secondMessage, text.data(), secondLength);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes of the port resume after the handler: the job takes
    // the request at its next checkpoint, not in the middle of a frame.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int InterruptionSignal() { return firstSignal.load(); }

}  // namespace hk
