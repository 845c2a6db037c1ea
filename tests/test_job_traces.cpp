// Every job runs once directly, as the command line runs it, and once through
// the job thread, as the windows run it, against the same simulated device
// on the virtual clock: the traffic on the line — every call with its time,
// every byte written with its parity and moment, every byte read — is the
// same. The job thread changes who shows the job, not what it does on the
// line: its checkpoints are the points where the job let messages run.
// Both runs take the programs' own assembly of line, exchange log and link:
// the command line's LoggedLink, the window program's JobLink; the log's
// entries are part of the traffic compared. The assembly's own tests follow:
// the log on the line's tap for as long as it is attached, and the job thread
// ended before the log comes off.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/JobControllerView.h"
#include "app/JobModemWindow.h"
#include "app/JobScanView.h"
#include "device/ControllerJob.h"
#include "device/LinkSearch.h"
#include "device/NetworkScan.h"
#include "gui/JobLink.h"
#include "link/Deadline.h"
#include "log/LoggedLink.h"
#include "modem/ModemConsole.h"
#include "sim/HayesModem.h"
#include "sim/KvardController.h"
#include "sim/MultiDropLine.h"
#include "sim/SimLine.h"
#include "support/ControllerFakes.h"
#include "support/ModemFakes.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"

namespace hk {
namespace {

using Trace = std::vector<std::string>;

std::string ParamsText(const LineParams& p) {
    return std::to_string(p.BaudRate) + "/" + std::to_string(p.ByteSize) + "/" +
           std::to_string(static_cast<int>(p.Parity)) + "/" +
           std::to_string(static_cast<int>(p.StopBits));
}

// The traffic: every call of the line but a read that brought nothing (a
// poll of the modem's answer receiver, which a window polls on as long as it
// listens), and every byte written, each with its moment.
Trace TrafficOf(const sim::SimLine& line) {
    Trace out;
    for (const sim::SimEvent& e : line.Events()) {
        if (e.kind == sim::SimEvent::Kind::Read && e.bytes.empty()) continue;
        std::string text = std::to_string(static_cast<int>(e.kind)) + " @" +
                           std::to_string(e.atMs) + " " + e.name + " " + ParamsText(e.params) +
                           " " + std::to_string(e.timeouts.ReadTotalTimeoutConstant) + " " +
                           (e.level ? "1" : "0") + " " + test::HexText(e.bytes);
        out.push_back(text);
    }
    for (const sim::WrittenByte& b : line.Written())
        out.push_back("byte " + std::to_string(b.value) + " " + ParamsText(b.params) + " @" +
                      std::to_string(b.atMs));
    return out;
}

// And what the exchange log made of it: every entry with its time on the
// job's clock (the time of day left out).
Trace TrafficOf(const sim::SimLine& line, ExchangeLog& log) {
    Trace out = TrafficOf(line);
    log.FlushAll();
    for (const LogEntry& e : log.Entries())
        out.push_back("log " + std::to_string(static_cast<int>(e.kind)) + " @" +
                      std::to_string(e.sinceJobMs) + " " + e.text);
    return out;
}

// The log saw the exchanges: decoded lines and bytes both.
bool Logged(const Trace& trace) {
    const auto has = [&](const std::string& start) {
        return std::any_of(trace.begin(), trace.end(),
                           [&](const std::string& t) { return t.rfind(start, 0) == 0; });
    };
    return has("log " + std::to_string(static_cast<int>(LogEntry::Kind::Note))) &&
           has("log " + std::to_string(static_cast<int>(LogEntry::Kind::Sent)));
}

// Lets the window thread serve the job thread until `done`.
void ServeUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1'000'000 && !done(); ++i) QCoreApplication::processEvents();
}

sim::KvardOptions Basic(std::uint8_t number) {
    sim::KvardOptions o;
    o.kit = sim::KvardKit::Basic;
    o.netNumber = number;
    o.baudRate = 9600;
    return o;
}

// --- The controller's jobs ------------------------------------------------------

// A controller dialog's job on the simulated controller, run directly or
// through the job thread with the dialog's view carried to this thread.
struct ControllerRun {
    ControllerRun(bool threaded, sim::KvardOptions options, bool read)
        : threaded(threaded), world(options, read) {
        world.kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
        world.kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
        world.view.onClose = nullptr;
        if (threaded) {
            wiring = std::make_unique<JobLink>(world.port, world.clock, world.view);
            jobView = std::make_unique<JobControllerView>(wiring->Jobs(), world.view);
            job = std::make_unique<device::ControllerJob>(world.state, wiring->Link(), *jobView);
        } else {
            direct = std::make_unique<LoggedLink>(world.port, world.clock, world.view);
            job = std::make_unique<device::ControllerJob>(world.state, direct->Link(), world.view);
        }
    }
    // The job thread ends first, before what its jobs use.
    ~ControllerRun() {
        if (wiring) wiring->EndJobs();
    }
    device::ControllerJob& Job() { return *job; }
    ExchangeLog& Log() { return threaded ? wiring->Log() : direct->Log(); }
    void Do(const std::function<void(device::ControllerJob&)>& step) {
        if (!threaded) return step(*job);
        wiring->Jobs().Post([this, step] { step(*job); });
        wiring->Jobs().WaitIdle();
        QCoreApplication::processEvents();
    }

    bool threaded;
    test::ControllerWorld world;
    std::unique_ptr<LoggedLink> direct;
    std::unique_ptr<JobLink> wiring;
    std::unique_ptr<JobControllerView> jobView;
    std::unique_ptr<device::ControllerJob> job;
};

using ControllerScript = std::function<void(ControllerRun&)>;

struct ControllerCase {
    const char* name;
    sim::KvardOptions options;
    bool read;
    ControllerScript script;
};

Trace RunController(bool threaded, const ControllerCase& c) {
    ControllerRun run(threaded, c.options, c.read);
    run.Do([](device::ControllerJob& j) { j.Opened(); });
    c.script(run);
    return TrafficOf(run.world.line, run.Log());
}

TEST(JobTraces, ControllerJobsPutTheSameTrafficOnTheLineThroughTheJobThread) {
    test::EnsureQApplication();
    sim::KvardOptions loop = Basic(0);
    loop.loopEcho = true;
    const ControllerCase cases[] = {
        {"search for the number, then the buffer read", Basic(3), true,
         [](ControllerRun& r) {
             r.world.view.choice.searchAllNumbers = true;
             r.world.view.choice.speedItem = 6;
             r.Do([](device::ControllerJob& j) { j.Search(); });
         }},
        {"the echo test of a current loop, then the read", loop, true,
         [](ControllerRun& r) {
             r.world.view.choice.currentLoop = true;
             r.Do([](device::ControllerJob& j) { j.Search(); });
         }},
        {"the write, with the backup, the read-back and a restart", Basic(5), false,
         [](ControllerRun& r) {
             r.world.view.choice.backup = r.world.view.choice.verify = true;
             r.world.view.upper.lines = {"ATZ", "ATS0=3"};
             r.world.view.lower.lines = {"AT&F"};
             r.world.view.script.answers = {true};  // restart
             r.Do([](device::ControllerJob& j) { j.Search(); });
             r.Do([](device::ControllerJob& j) { j.Tick(); });
         }},
        {"the clear of the first buffer", Basic(5), false,
         [](ControllerRun& r) {
             r.world.state.ClearBuffer1 = true;
             r.world.view.lower.lines = {"AT&F"};
             r.Do([](device::ControllerJob& j) { j.Search(); });
         }},
        {"\"Выход\" pressed in the middle of the write", Basic(5), false,
         [](ControllerRun& r) {
             r.world.view.upper.lines = {"ATZ"};
             // Pressed when the write lets messages run for the fourth time.
             r.world.view.script.onProcess = [&r](int n) {
                 if (n == 4) {
                     if (r.threaded)
                         r.wiring->Jobs().Post([&r] { r.Job().Exit(); });
                     else
                         r.Job().Exit();
                 }
             };
             r.Do([](device::ControllerJob& j) { j.Search(); });
         }},
    };
    for (const ControllerCase& c : cases) {
        const Trace direct = RunController(false, c);
        const Trace threaded = RunController(true, c);
        EXPECT_GT(direct.size(), 20u) << c.name;
        EXPECT_TRUE(Logged(direct)) << c.name;
        EXPECT_EQ(direct, threaded) << c.name;
    }
}

// --- The network scan -----------------------------------------------------------

class ScanWindow final : public device::DeviceView {
public:
    void ProcessMessages() override {}
    bool Confirm(const std::string&) override { return false; }
    void ShowInformation(const std::string&) override {}
    void ShowError(const std::string&) override {}
    void SetStatusText(const std::string&) override {}
    void SetNumberLabel(const std::string&) override {}
    void SetSpeedLabel(const std::string&) override {}
    void ShowGauge(bool) override {}
    void SetGauge(int) override {}
};

Trace RunScan(bool threaded) {
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    sim::MultiDropLine pair;
    pair.Add(Basic(2));
    sim::KvardOptions fast = Basic(4);
    fast.baudRate = 19200;
    pair.Add(fast);
    line.Attach(&pair);
    ScanWindow window;
    std::unique_ptr<LoggedLink> direct;
    std::unique_ptr<JobLink> wiring;
    std::unique_ptr<JobScanView> jobView;
    if (threaded) {
        wiring = std::make_unique<JobLink>(line, clock, window);
        jobView = std::make_unique<JobScanView>(wiring->Jobs(), window, [](const ScanProgress&) {});
    } else {
        direct = std::make_unique<LoggedLink>(line, clock, window);
    }
    SerialLink& link = threaded ? wiring->Link() : direct->Link();
    device::ControllerSession session;
    device::DeviceContext c{link, session,
                            threaded ? static_cast<device::DeviceView&>(*jobView)
                                     : static_cast<device::DeviceView&>(window)};
    device::ScanRange range;
    range.firstNumber = 1;
    range.lastNumber = 5;
    range.firstSpeed = 5;
    std::vector<device::FoundController> found;
    const auto scan = [&] {
        if (!device::OpenForSearch(link, device::LinkChoice{})) return;
        device::NetworkScan s(c, range, false, nullptr);
        if (jobView) jobView->Follow(&s);
        found = s.Run();
        if (jobView) jobView->Follow(nullptr);
    };
    if (threaded) {
        wiring->Jobs().Post(scan);
        wiring->Jobs().WaitIdle();
    } else {
        scan();
    }
    EXPECT_EQ(found.size(), 2u);
    return TrafficOf(line, threaded ? wiring->Log() : direct->Log());
}

TEST(JobTraces, TheNetworkScanPutsTheSameTrafficOnTheLineThroughTheJobThread) {
    test::EnsureQApplication();
    const Trace direct = RunScan(false);
    EXPECT_GT(direct.size(), 50u);
    EXPECT_TRUE(Logged(direct));
    EXPECT_EQ(direct, RunScan(true));
}

// --- The modem's jobs -------------------------------------------------------------

// The modem console on the simulated modem, its window's calls made
// directly, or through the job thread with the answer receiver as the job
// thread's idle work.
struct ModemRun {
    explicit ModemRun(bool threaded) : threaded(threaded) {
        world.line.Attach(&modem);
        if (threaded) {
            wiring = std::make_unique<JobLink>(world.line, world.clock, world.view);
            wiring->Link().PortOpen = world.link.PortOpen;
            jobWindow = std::make_unique<JobModemWindow>(wiring->Jobs(), world.window);
            console = std::make_unique<ModemConsole>(world.state, wiring->Link(), *jobWindow);
            jobWindow->SetReceiver([this] { console->ModemIdle(); });
        } else {
            direct = std::make_unique<LoggedLink>(world.line, world.clock, world.view);
            direct->Link().PortOpen = world.link.PortOpen;
            console = std::make_unique<ModemConsole>(world.state, direct->Link(), world.window);
        }
    }
    // The job thread ends first (a poll of the receiver may still be
    // finishing), before what its jobs use.
    ~ModemRun() {
        if (wiring) wiring->EndJobs();
    }
    // Runs `start`, then lets the receiver listen until `done` (read on this
    // thread), then takes the receiver away.
    void Do(const std::function<void(ModemConsole&)>& start, const std::function<bool()>& done) {
        if (!threaded) {
            start(*console);
            // As the window's idle timer polls, for at most a minute.
            const Deadline limit(world.clock, std::chrono::milliseconds(60'000));
            while (!done()) {
                ASSERT_FALSE(limit.Expired());
                console->ModemIdle();
            }
            console->RemoveIdleHandler();
            return;
        }
        JobThread& jobs = wiring->Jobs();
        jobs.Post([this, start] { start(*console); });
        ServeUntil(done);
        ASSERT_TRUE(done());
        jobs.Post([this] { console->RemoveIdleHandler(); });
        jobs.WaitIdle();
    }
    ExchangeLog& Log() { return threaded ? wiring->Log() : direct->Log(); }
    bool Answered(const std::string& line) const {
        const auto& a = world.window.answers.lines;
        return std::find(a.begin(), a.end(), line) != a.end();
    }

    bool threaded;
    test::ModemWorld world;
    sim::HayesModem modem;
    std::unique_ptr<LoggedLink> direct;
    std::unique_ptr<JobLink> wiring;
    std::unique_ptr<JobModemWindow> jobWindow;
    std::unique_ptr<ModemConsole> console;
};

using ModemScript = std::function<void(ModemRun&)>;

Trace RunModem(bool threaded, const ModemScript& script) {
    ModemRun run(threaded);
    script(run);
    return TrafficOf(run.world.line, run.Log());
}

// Each case is one job whose end the window sees: on the job thread the
// receiver listens on until the window takes it away, and a poll that hears
// nothing moves the virtual clock, so nothing may be asked of the line after.
TEST(JobTraces, ModemJobsPutTheSameTrafficOnTheLineThroughTheJobThread) {
    test::EnsureQApplication();
    const struct {
        const char* name;
        ModemScript script;
    } cases[] = {
        {"a run of a list, a refused line among them",
         [](ModemRun& r) {
             r.world.window.list.lines = {"ATZ", "; a comment", "ATX9", "ATS0=2", "AT&W"};
             r.Do([](ModemConsole& c) { c.StartRun(); },
                  [&r] { return !r.world.window.runEnds.empty(); });
         }},
        {"a single command",
         [](ModemRun& r) {
             r.Do([](ModemConsole& c) { c.SendCommand("ATS7=45"); },
                  [&r] { return r.Answered("OK"); });
         }},
        {"the current settings, then the receiver showing what the modem says by itself",
         [](ModemRun& r) {
             // Rings 2 s after the settings view began, while the receiver listens.
             r.world.line.Inject(test::Bytes("\r\nRING\r\n"), 2000, 2);
             r.Do([](ModemConsole& c) { c.ViewCurrentSettings(); },
                  [&r] { return r.Answered("OK") && r.Answered("RING"); });
         }},
    };
    for (const auto& c : cases) {
        const Trace direct = RunModem(false, c.script);
        EXPECT_GT(direct.size(), 10u) << c.name;
        EXPECT_TRUE(Logged(direct)) << c.name;
        EXPECT_EQ(direct, RunModem(true, c.script)) << c.name;
    }
}

// --- The assembly itself ----------------------------------------------------------

// How many entries of `kind` the log holds.
std::size_t Count(ExchangeLog& log, LogEntry::Kind kind) {
    log.FlushAll();
    const auto entries = log.Entries();
    return static_cast<std::size_t>(std::count_if(
        entries.begin(), entries.end(), [kind](const LogEntry& e) { return e.kind == kind; }));
}

TEST(LineAssembly, TheLogSeesTheLineUntilItIsTakenOffAndAnotherLogCanFollow) {
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    test::ScriptedView view;
    ASSERT_TRUE(line.Open("Com1"));
    const std::uint8_t byte = 0x55;
    LoggedLink logged(line, clock, view);
    EXPECT_EQ(logged.Link().Log, &logged.Log());
    line.Write(&byte, 1);
    EXPECT_EQ(Count(logged.Log(), LogEntry::Kind::Sent), 1u);

    logged.Detach();
    clock.Advance(1000);  // a byte later would start a line of its own
    line.Write(&byte, 1);
    EXPECT_EQ(Count(logged.Log(), LogEntry::Kind::Sent), 1u);
    EXPECT_EQ(logged.Link().Log, nullptr);

    // A second log on the same line, for as long as its attachment lives.
    ExchangeLog other(clock);
    {
        const LogAttachment attached(logged.Link(), other);
        clock.Advance(1000);
        line.Write(&byte, 1);
    }
    clock.Advance(1000);
    line.Write(&byte, 1);
    EXPECT_EQ(Count(other, LogEntry::Kind::Sent), 1u);
    EXPECT_EQ(Count(logged.Log(), LogEntry::Kind::Sent), 1u);
}

TEST(LineAssembly, EndingTheJobsRunsWhatWasPostedThenTakesTheLogOff) {
    test::EnsureQApplication();
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    test::ScriptedView view;
    ASSERT_TRUE(line.Open("Com1"));
    const std::uint8_t byte = 0x55;
    JobLink wiring(line, clock, view);
    EXPECT_EQ(wiring.Link().Log, &wiring.Log());
    // Posted, not yet run: EndJobs() runs it before the thread ends.
    JobThread& jobs = wiring.Jobs();
    bool onJobThread = false;
    jobs.Post([&] {
        onJobThread = jobs.OnJobThread();
        wiring.Link().PortHandle.Write(&byte, 1);
    });
    wiring.EndJobs();
    EXPECT_TRUE(onJobThread);
    EXPECT_EQ(Count(wiring.Log(), LogEntry::Kind::Sent), 1u);
    clock.Advance(1000);
    line.Write(&byte, 1);
    EXPECT_EQ(Count(wiring.Log(), LogEntry::Kind::Sent), 1u);
    EXPECT_EQ(wiring.Link().Log, nullptr);
}

}  // namespace
}  // namespace hk
