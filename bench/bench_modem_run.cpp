// Measures the modem side on the real serial backend: a 20-line list run
// through PosixSerialLine over a pseudo-terminal (ports/com2 in a temporary
// folder) against the simulated Hayes modem served by PtyBridge in a thread,
// on the real clock. Prints
//  - the time per line above the 500 ms pause and the modem's own answer
//    time (from the line's carriage return reaching the modem to the line
//    feed that moves the run on), target <= 25 ms;
//  - the process's CPU use while the receiver listens to a silent line for
//    10 s, target <= 2 % of one core;
// once directly, as the command line runs it, and once through the job
// thread, as the window runs it.

#include <sys/resource.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/JobModemWindow.h"
#include "bench/BenchSupport.h"
#include "cli/CliModemWindow.h"
#include "gui/JobLink.h"
#include "link/Port.h"
#include "link/PosixSerialLine.h"
#include "log/LoggedLink.h"
#include "modem/ModemConsole.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"

namespace {

using namespace hk;

std::int64_t SteadyUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

double CpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The command line's window, told when the run has ended (on this thread,
// where the job thread posts what the window shows).
class RunEndWindow final : public ModemWindow {
public:
    explicit RunEndWindow(ModemWindow& inner) : inner_(inner) {}
    bool ended = false;

    MemoLines& ListMemo() override { return inner_.ListMemo(); }
    MemoLines& AnswersMemo() override { return inner_.AnswersMemo(); }
    bool ShowSpecialCharacters() override { return inner_.ShowSpecialCharacters(); }
    std::string CommandText() override { return inner_.CommandText(); }
    void ShowCommandField(bool visible) override { inner_.ShowCommandField(visible); }
    void FocusCommandField() override { inner_.FocusCommandField(); }
    std::string RingCountText() override { return inner_.RingCountText(); }
    void SetRingCount(int value) override { inner_.SetRingCount(value); }
    std::optional<std::string> OpenListDialog(std::string_view filter) override {
        return inner_.OpenListDialog(filter);
    }
    std::optional<std::string> SaveListDialog(std::string_view filter,
                                              std::string_view ext) override {
        return inner_.SaveListDialog(filter, ext);
    }
    bool ShowPortDialog() override { return inner_.ShowPortDialog(); }
    void IdleHandlerChanged(bool installed) override { inner_.IdleHandlerChanged(installed); }
    void RunEnded(bool) override { ended = true; }

private:
    ModemWindow& inner_;
};

// Around the simulated modem: notes when each carriage return arrives and
// when the first line feed sent after it is due on the line (bridge thread).
class TimedModem : public sim::SimPeer, private sim::PeerOutput {
public:
    struct Answer {
        std::int64_t crMs, lfMs;
    };
    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
        out_ = &out;
        if (byte == '\r' && !awaitingLf_) {
            awaitingLf_ = true;
            crMs_ = out.NowMs();
        }
        modem_.OnByte(byte, params, *this);
    }
    std::vector<Answer> Answers() {
        std::lock_guard<std::mutex> lock(mutex_);
        return answers_;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_.clear();
    }

private:
    std::int64_t NowMs() override { return out_->NowMs(); }
    void Send(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs) override {
        for (std::size_t i = 0; i < bytes.size() && awaitingLf_; ++i) {
            if (bytes[i] != '\n') continue;
            awaitingLf_ = false;
            std::lock_guard<std::mutex> lock(mutex_);
            answers_.push_back(
                {crMs_, out_->NowMs() + delayMs + static_cast<std::int64_t>(i) * spacingMs});
        }
        out_->Send(bytes, delayMs, spacingMs);
    }

    sim::HayesModem modem_;
    sim::PeerOutput* out_ = nullptr;
    bool awaitingLf_ = false;
    std::int64_t crMs_ = 0;
    std::mutex mutex_;
    std::vector<Answer> answers_;
};

// The moment of every write, noted in front of the exchange log that the
// link's assembly put on the line's tap, which still gets every byte. Put on
// and taken off while no job runs; it takes the line's tap away when it ends
// (the line then ends its run without a log).
class WriteTimes : public TrafficTap {
public:
    WriteTimes(SerialLink& link, ExchangeLog& log) : line_(link.PortHandle), log_(log) {
        line_.SetTap(this);
    }
    ~WriteTimes() override { line_.SetTap(nullptr); }
    void OnWritten(std::span<const std::uint8_t> bytes, const LineParams& params) override {
        us.push_back(SteadyUs());
        log_.OnWritten(bytes, params);
    }
    void OnRead(std::span<const std::uint8_t> bytes, const LineParams& params) override {
        log_.OnRead(bytes, params);
    }
    std::vector<std::int64_t> us;

private:
    SerialLine& line_;
    ExchangeLog& log_;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The time each line costs above the 500 ms pause and the modem's own answer.
void ReportRun(const std::vector<std::int64_t>& writeUs,
               const std::vector<TimedModem::Answer>& answers, std::size_t answerLines) {
    std::vector<double> above;
    for (std::size_t k = 0; k + 1 < writeUs.size() && k < answers.size(); ++k) {
        const double intervalMs = static_cast<double>(writeUs[k + 1] - writeUs[k]) / 1000.0;
        const double modemMs = static_cast<double>(answers[k].lfMs - answers[k].crMs);
        above.push_back(intervalMs - 500.0 - modemMs);
    }
    std::printf("  run: %zu lines written, %zu answers, %zu lines in the answers memo\n",
                writeUs.size(), answers.size(), answerLines);
    if (!answers.empty())
        std::printf("  modem's own answer time (CR in to LF out): %lld ms (first line)\n",
                    static_cast<long long>(answers[0].lfMs - answers[0].crMs));
    if (!above.empty()) {
        const double mean =
            std::accumulate(above.begin(), above.end(), 0.0) / static_cast<double>(above.size());
        std::printf(
            "  time per line above 500 ms + modem answer: mean %.2f ms, median %.2f ms, "
            "max %.2f ms over %zu lines (target <= 2 ms mean)\n",
            mean, Median(above), *std::max_element(above.begin(), above.end()), above.size());
    }
}

// The CPU the receiver uses listening to a silent line for 10 s; `turn` is
// one turn of whoever drives it.
void ReportListening(const std::function<void()>& turn) {
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    const auto t0 = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) turn();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    std::printf(
        "  listening, no traffic, %.1f s: process CPU %.3f %% of one core (target <= 2 %%)\n", wall,
        100.0 * cpu / wall);
}

// Directly, as the command line runs it; false when the port did not open.
bool RunDirectly(SerialLine& line, Clock& clock, MainState& state, TimedModem& modem) {
    std::printf("directly, as hayeskvd-cli runs it:\n");
    bench::NoWindows hooks;
    LoggedLink logged(line, clock, hooks);
    SerialLink& link = logged.Link();
    WriteTimes writes(link, logged.Log());
    cli::CliModemWindow window(link, state, "Com2", 5, nullptr);  // 9600 baud
    window.list.lines = bench::kModemList;
    ModemConsole console(state, link, window);
    console.StartRun();
    if (!state.PortReady) {
        std::fprintf(stderr, "port did not open\n");
        return false;
    }
    // Until the run has ended by itself: after the pause that follows the
    // last answer, which the receiver has shown whole by then.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (console.Run().UnderWay() && std::chrono::steady_clock::now() < deadline)
        console.ModemIdle();
    ReportRun(writes.us, modem.Answers(), window.answers.lines.size());
    ReportListening([&] { console.ModemIdle(); });
    console.RemoveIdleHandler();
    return true;
}

// Through the job thread, as the window runs it: the receiver is the job
// thread's idle work, each poll's checkpoint a call to this thread.
void RunThroughJobThread(SerialLine& line, Clock& clock, MainState& state, TimedModem& modem) {
    std::printf("through the job thread, as the window runs it:\n");
    modem.Clear();
    bench::NoWindows hooks;
    JobLink wiring(line, clock, hooks);
    JobThread& jobs = wiring.Jobs();
    SerialLink& link = wiring.Link();
    WriteTimes writes(link, wiring.Log());
    link.PortOpen = true;
    cli::CliModemWindow window(link, state, "Com2", 5, nullptr);
    window.list.lines = bench::kModemList;
    RunEndWindow ending(window);
    JobModemWindow jobWindow(jobs, ending);
    ModemConsole console(state, link, jobWindow);
    jobWindow.SetReceiver([&] { console.ModemIdle(); });
    jobs.Post([&] { console.StartRun(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ending.ended && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    {
        const JobThread::Hold parked(jobs);
        ReportRun(writes.us, modem.Answers(), window.answers.lines.size());
    }
    ReportListening([&] { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); });
    jobs.Post([&] { console.RemoveIdleHandler(); });
    jobs.WaitIdle();
    // The job thread ends before the console its last poll used, and
    // before the write times come off the line.
    wiring.EndJobs();
}

}  // namespace

int main(int argc, char* argv[]) {
    // The job thread's view calls come back to this thread's event loop.
    QCoreApplication application(argc, argv);
    const bench::ScratchFolder folder("hk-bench");
    const std::string dir = folder.Dir();

    TimedModem modem;
    sim::ServedPty served(modem, dir + "ports/com2");
    if (!served.Started()) {
        std::fprintf(stderr, "%s\n", served.Error().c_str());
        return 1;
    }

    PosixSerialLine line(dir);
    RealClock clock;
    MainState state;
    state.WorkMode = kModemWork;
    state.ModemMode = true;
    if (!RunDirectly(line, clock, state, modem)) return 1;
    RunThroughJobThread(line, clock, state, modem);

    served.Stop();
    line.Close();
    return 0;
}
