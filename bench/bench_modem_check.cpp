// Measures "Проверить модем" with the example list (examples/hayes_init.n2)
// written into the simulated Hayes modem first, as hayeskvd-cli drives it:
//  - on SimLine and the virtual clock (the time the tests see), at 9600,
//    1200 and 300 baud;
//  - over a pseudo-terminal with the real serial backend (ports/com2 in a
//    temporary folder) on the real clock, at 9600 baud, five checks.
// Prints the settings checked, the questions asked and the times.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench/BenchSupport.h"
#include "cli/CliModemWindow.h"
#include "link/Port.h"
#include "link/PosixSerialLine.h"
#include "lists/ListFiles.h"
#include "modem/ModemConsole.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"

namespace {

using namespace hk;

struct Checked {
    CheckResult result;
    double ms = 0;
};

// Writes `list` and checks the modem, on `line` and `clock`; the check's time.
Checked WriteAndCheck(SerialLine& line, Clock& clock, int speedIndex,
                      const std::vector<std::string>& list, int checks) {
    bench::NoWindows hooks;
    SerialLink link(line, clock, hooks);
    MainState state;
    state.WorkMode = kModemWork;
    state.ModemMode = true;
    cli::CliModemWindow window(link, state, "Com2", speedIndex, nullptr);
    window.list.lines = list;
    ModemConsole console(state, link, window);
    console.StartRun();
    const std::int64_t deadline = clock.NowMs() + 60'000;
    while (console.Run().UnderWay() && clock.NowMs() < deadline) console.ModemIdle();
    Checked best;
    for (int i = 0; i < checks; ++i) {
        const std::int64_t start = clock.NowMs();
        const CheckResult r = console.CheckModem();
        const double ms = static_cast<double>(clock.NowMs() - start);
        if (i == 0 || ms < best.ms) best = {r, ms};
    }
    console.RemoveIdleHandler();
    return best;
}

void Print(const char* where, const Checked& c) {
    std::printf("%s: %s; %d settings checked, %d unchecked; check %.0f ms\n", where,
                c.result.SummaryText().c_str(), c.result.Checked(), c.result.Unchecked(), c.ms);
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const auto contents = ReadListFile(HK_EXAMPLES_DIR "/hayes_init.n2");
    if (!contents || contents->refusal) {
        std::fprintf(stderr, "the example list does not load\n");
        return 1;
    }
    const std::vector<std::string>& list = contents->lines;
    std::printf("list: %zu lines (examples/hayes_init.n2)\n", list.size());

    for (const int speedIndex : {5, 2, 0}) {  // 9600, 1200, 300 baud
        VirtualClock clock(1000);
        sim::SimLine line(clock);
        sim::HayesModem modem;
        line.Attach(&modem);
        const Checked c = WriteAndCheck(line, clock, speedIndex, list, 1);
        // The list asks nothing itself: its lines set, store and show.
        std::size_t questions = 0;
        for (const std::string& l : modem.CommandLines())
            if (l.ends_with("?") || l == "AT&V") ++questions;
        char where[64];
        std::snprintf(where, sizeof where, "virtual clock, %d baud, %zu questions",
                      BaudRates[static_cast<std::size_t>(speedIndex)], questions);
        Print(where, c);
    }

    {
        const bench::ScratchFolder folder("hk-bench");
        const std::string dir = folder.Dir();
        sim::HayesModem modem;
        sim::ServedPty served(modem, dir + "ports/com2");
        if (!served.Started()) {
            std::fprintf(stderr, "%s\n", served.Error().c_str());
            return 1;
        }
        PosixSerialLine line(dir);
        RealClock clock;
        Print("pseudo-terminal, 9600 baud, best of 5", WriteAndCheck(line, clock, 5, list, 5));
        line.Close();
        served.Stop();
    }
    return 0;
}
