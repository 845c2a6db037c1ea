// The POSIX signals behind base/Interruption.h.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/Interruption.h"
#include "base/InterruptionRecord.h"

namespace hk {
namespace {

constexpr char kSecondText[] =
    ": дождитесь конца очистки: КВАРД отпускается. Третий сигнал прервёт программу сразу.\n";
// The program's name before it, made once when the handlers are installed:
// a handler may only write what is ready.
char secondMessage[256];
std::size_t secondLength = 0;

void OnSignal(int signal) {
    const int seen = CountInterruption(signal);
    if (seen == 2) {
        // write() may be called in a signal handler; the result is not needed.
        [[maybe_unused]] const auto written = ::write(STDERR_FILENO, secondMessage, secondLength);
    } else if (seen >= 3) {
        ::_exit(128 + InterruptionSignal());
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

}  // namespace hk
