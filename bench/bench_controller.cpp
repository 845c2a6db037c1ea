// Measures the controller side on the real serial backend: the whole job
// behind "Подбор" through PosixSerialLine over a pseudo-terminal (ports/com1
// in a temporary folder) against the simulated controller served by
// PtyBridge in a thread, on the real clock, against its mandated time.
//
// The mandated time of a job is the same job on the in-process line and the
// virtual clock: every fixed pause and wait the program makes, the wire time
// of every byte at the line speed (the in-process line drains its writes at
// the speed in force, the controller spaces its answers one character time
// apart) and the controller's own reaction times, with no overhead at all.
// The ratio measured / mandated is the program's own cost; target <= 1.03.
//
//  - a full read of both buffers, with and without the exchange log;
//  - a full write of both buffers of the basic kit at 9600 baud (number 5,
//    traditional framing, the controller running: STOP, copy-in, two blocks,
//    copy-out), plain and with its backup before and read-back after, each
//    with and without the exchange log; and what the backup and the verify
//    add, against the mandated time of their reads;
//  - the search against a silent line, on the traditional framing and on
//    FT1.2: every number of the range at each of the seven speeds. The whole
//    search (128 numbers, 896 attempts, about 27 and 15 minutes) runs with
//    --full-search; by default the first 3 numbers (21 attempts), or
//    --search-numbers N. With --virtual-full-search only the whole searches
//    on the virtual clock, as the time they take there (the time the program
//    prescribes itself, the guard after failed exchanges included);
//  - with --full-scan, the network inventory of numbers 1..127 at 9600 baud
//    on a line of three controllers (about 4 minutes).

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "app/JobControllerView.h"
#include "bench/BenchSupport.h"
#include "device/ControllerContext.h"
#include "device/ControllerJob.h"
#include "device/LinkSearch.h"
#include "device/NetworkScan.h"
#include "device/PresetControllerView.h"
#include "gui/JobLink.h"
#include "link/Port.h"
#include "link/PosixSerialLine.h"
#include "log/ExchangeLog.h"
#include "log/LoggedLink.h"
#include "sim/KvardController.h"
#include "sim/MultiDropLine.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"

namespace {

using namespace hk;
namespace fs = std::filesystem;

constexpr int kNumber = 5;
constexpr int kSpeedItem9600 = 6;

// A line that never answers.
class SilentLine final : public sim::SimPeer {
public:
    void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
};

using Folder = bench::ScratchFolder;

sim::KvardOptions ControllerOptions(bool overPty) {
    sim::KvardOptions o;
    o.kit = sim::KvardKit::Basic;
    o.netNumber = kNumber;
    o.baudRate = 9600;
    o.evenParityReadsAsNone = overPty;
    return o;
}

void Prepare(sim::KvardController& kvard) {
    kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATE0V1", "ATS0=2", "AT&W"}));
    kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F", "ATS0=1"}));
}

// The job reads the controller's buffers or writes them.
enum class Direction { Read, Write };

// How a job runs: with the exchange log kept (and written to files), and a
// write with its backup before and its read-back after.
struct Variant {
    bool log = false;
    bool safe = false;
    // Through the job thread, as the window runs it (the dialog's part on
    // this thread, which serves the job's view calls).
    bool threaded = false;
};

// The job behind "Подбор" on `link`'s line, reading or writing, on the
// program's own assembly of the link: the command line's (LoggedLink) or the
// window's (JobLink), the log switched off where it is not kept. Returns its
// duration in ms on `clock`, or -1 when it did not succeed.
double RunJob(SerialLink& link, Clock& clock, const Folder& folder, Direction direction,
              Variant variant) {
    const bool read = direction == Direction::Read;
    MainState state;
    state.KitIndex = 0;
    state.ReadFromDevice = read;
    state.CfgFileName = folder.Dir() + kSettingsFileName;
    state.DataDir = folder.Dir();
    device::PresetControllerView view;
    view.choice.backup = view.choice.verify = variant.safe;
    view.choice.searchAllNumbers = false;
    view.choice.number = std::to_string(kNumber);
    view.choice.speedItem = kSpeedItem9600;
    view.upper.lines = {"ATZ", "ATS0=3", "AT&W"};
    view.lower.lines = {"AT&F", "ATE0"};
    const auto keepLog = [&](ExchangeLog& log) {
        log.SetEnabled(variant.log);
        if (variant.log) log.WriteFilesTo(folder.Dir() + kLogFolder);
    };
    std::int64_t start = 0, end = 0;
    bool ok = false, open = false;
    SerialLine& line = link.PortHandle;
    if (variant.threaded) {
        JobLink wiring(line, clock, view);
        keepLog(wiring.Log());
        wiring.Link().Settings = link.Settings;
        JobControllerView jobView(wiring.Jobs(), view);
        device::ControllerJob job(state, wiring.Link(), jobView);
        JobThread& jobs = wiring.Jobs();
        jobs.Post([&] { job.Opened(); });
        jobs.WaitIdle();
        start = clock.NowMs();
        jobs.Post([&] { job.Search(); }, [&] { end = clock.NowMs(); });
        jobs.WaitIdle();
        ok = read ? job.Outcome().read : job.Outcome().written;
        wiring.EndJobs();
        open = wiring.Link().PortOpen;
    } else {
        LoggedLink logged(line, clock, link.View);
        keepLog(logged.Log());
        logged.Link().Settings = link.Settings;
        device::ControllerJob job(state, logged.Link(), view);
        job.Opened();
        start = clock.NowMs();
        job.Search();
        end = clock.NowMs();
        ok = read ? job.Outcome().read : job.Outcome().written;
        open = logged.Link().PortOpen;
    }
    if (open) line.Close();
    link.PortOpen = false;
    return ok ? static_cast<double>(end - start) : -1;
}

// The search over `numbers` numbers at all seven speeds on `link`, on the
// traditional framing (protocol 0) or FT1.2 (1).
double RunSilentSearch(SerialLink& link, Clock& clock, int numbers, int protocol) {
    MainState state;
    device::PresetControllerView view;
    device::ControllerSession session;
    device::ControllerContext context(state, link, session, view);
    link.Settings = {};
    link.Settings.Protocol = static_cast<std::int8_t>(protocol);
    if (!OpenPort(link, "Com1", 0, AddressMode::On)) return -1;
    device::SearchRange range;
    range.lastNumber = numbers - 1;
    const std::int64_t start = clock.NowMs();
    const bool hit = device::SearchLink(context, range);
    const std::int64_t end = clock.NowMs();
    link.PortHandle.Close();
    link.PortOpen = false;
    return hit ? -1 : static_cast<double>(end - start);
}

// The network inventory of numbers 1..127 at 9600 baud on `link`.
double RunScan(SerialLink& link, Clock& clock) {
    device::PresetControllerView view;
    device::ControllerSession session;
    device::DeviceContext context{link, session, view};
    link.Settings = {};
    if (!OpenPort(link, "Com1", 0, AddressMode::On)) return -1;
    device::ScanRange range;
    range.firstSpeed = range.lastSpeed = 5;  // 9600 baud
    device::NetworkScan scan(context, range, false, {});
    const std::int64_t start = clock.NowMs();
    const auto found = scan.Run();
    const std::int64_t end = clock.NowMs();
    link.PortHandle.Close();
    link.PortOpen = false;
    return found.size() == 2 ? static_cast<double>(end - start) : -1;
}

// The line of the scan: two controllers at 9600 baud, one at 19200.
void ScanLine(sim::MultiDropLine& pair, bool overPty) {
    for (const auto& [number, baud] : {std::pair{5, 9600}, {12, 9600}, {20, 19200}}) {
        sim::KvardOptions o = ControllerOptions(overPty);
        o.netNumber = static_cast<std::uint8_t>(number);
        o.baudRate = baud;
        pair.Add(o);
    }
}

// The same measure on the virtual clock and over a pseudo-terminal.
using Measure = std::function<double(SerialLink&, Clock&, const Folder&)>;

double Virtual(sim::SimPeer* peer, const Measure& measure) {
    Folder folder("hk-bench");
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    line.Attach(peer);
    device::PresetControllerView boxes;
    SerialLink link(line, clock, boxes);
    return measure(link, clock, folder);
}

double OverPty(sim::SimPeer& peer, const Measure& measure) {
    Folder folder("hk-bench");
    sim::ServedPty served(peer, folder.Dir() + "ports/com1");
    if (!served.Started()) {
        std::fprintf(stderr, "bench_controller: %s\n", served.Error().c_str());
        std::exit(1);
    }
    PosixSerialLine line(folder.Dir());
    RealClock clock;
    device::PresetControllerView boxes;
    SerialLink link(line, clock, boxes);
    return measure(link, clock, folder);
}

void Report(const char* what, double mandated, double measured) {
    if (mandated <= 0 || measured <= 0) {
        std::printf("%-58s FAILED (mandated %.0f ms, measured %.0f ms)\n", what, mandated,
                    measured);
        return;
    }
    std::printf("%-58s mandated %9.0f ms  measured %9.0f ms  ratio %.3f\n", what, mandated,
                measured, measured / mandated);
}

}  // namespace

int main(int argc, char* argv[]) {
    // The job thread's view calls come back to this thread's event loop.
    QCoreApplication application(argc, argv);
    int numbers = 3;
    bool fullScan = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--full-scan") == 0) {
            fullScan = true;
        } else if (std::strcmp(argv[i], "--virtual-full-search") == 0) {
            SilentLine silent;
            for (int protocol : {0, 1}) {
                const double ms =
                    Virtual(&silent, [protocol](SerialLink& link, Clock& clock, const Folder&) {
                        return RunSilentSearch(link, clock, 128, protocol);
                    });
                std::printf(
                    "search on a silent line, 896 attempts, %s, on the virtual clock: "
                    "%.0f ms\n",
                    protocol == 0 ? "traditional" : "FT1.2", ms);
            }
            return 0;
        } else if (std::strcmp(argv[i], "--full-search") == 0) {
            numbers = 128;
        } else if (std::strcmp(argv[i], "--search-numbers") == 0 && i + 1 < argc) {
            numbers = std::clamp(std::atoi(argv[++i]), 1, 128);
        } else {
            std::fprintf(stderr,
                         "usage: %s [--full-search | --search-numbers N] [--full-scan]\n"
                         "       %s --virtual-full-search\n",
                         argv[0], argv[0]);
            return 2;
        }
    }

    // One job in one variant: mandated (virtual) and measured (pty) times.
    const auto measureJob = [](Direction direction, Variant variant) {
        const Measure job = [direction, variant](SerialLink& link, Clock& clock,
                                                 const Folder& folder) {
            return RunJob(link, clock, folder, direction, variant);
        };
        sim::KvardController inProcess(ControllerOptions(false));
        sim::KvardController overPty(ControllerOptions(true));
        Prepare(inProcess);
        Prepare(overPty);
        return std::pair{Virtual(&inProcess, job), OverPty(overPty, job)};
    };
    const auto [readMandated, readMeasured] = measureJob(Direction::Read, {});
    Report("full read, basic kit, 2 buffers, 9600 baud", readMandated, readMeasured);
    const auto [loggedReadMandated, loggedReadMeasured] =
        measureJob(Direction::Read, {.log = true});
    Report("  the same with the exchange log", loggedReadMandated, loggedReadMeasured);
    const auto [threadReadMandated, threadReadMeasured] =
        measureJob(Direction::Read, {.threaded = true});
    Report("  the same through the job thread", threadReadMandated, threadReadMeasured);

    double writes[2][2][2] = {};  // [log][safe] = {mandated, measured}
    for (bool safe : {false, true}) {
        for (bool log : {false, true}) {
            const auto [mandated, measured] =
                measureJob(Direction::Write, {.log = log, .safe = safe});
            writes[log][safe][0] = mandated;
            writes[log][safe][1] = measured;
            const std::string what = std::string("full write, basic kit, 9600 baud, ") +
                                     (safe ? "backup+verify" : "plain") +
                                     (log ? ", exchange log" : "");
            Report(what.c_str(), mandated, measured);
        }
    }
    for (bool safe : {false, true}) {
        const auto [mandated, measured] =
            measureJob(Direction::Write, {.safe = safe, .threaded = true});
        const std::string what = std::string("  ") + (safe ? "backup+verify" : "plain") +
                                 " write through the job thread";
        Report(what.c_str(), mandated, measured);
    }
    for (bool log : {false, true}) {
        const double mandated = writes[log][1][0] - writes[log][0][0];
        const double measured = writes[log][1][1] - writes[log][0][1];
        const std::string what =
            std::string("  added by backup and verify") + (log ? ", exchange log" : "");
        Report(what.c_str(), mandated, measured);
    }

    for (int protocol : {0, 1}) {
        const Measure search = [numbers, protocol](SerialLink& link, Clock& clock, const Folder&) {
            return RunSilentSearch(link, clock, numbers, protocol);
        };
        SilentLine silent;
        const double mandated = Virtual(&silent, search);
        const double measured = OverPty(silent, search);
        const std::string what = "search on a silent line, " + std::to_string(numbers * 7) +
                                 " attempts, " + (protocol == 0 ? "traditional" : "FT1.2");
        Report(what.c_str(), mandated, measured);
    }

    if (fullScan) {
        const Measure scan = [](SerialLink& link, Clock& clock, const Folder&) {
            return RunScan(link, clock);
        };
        sim::MultiDropLine inProcess, overPty;
        ScanLine(inProcess, false);
        ScanLine(overPty, true);
        Report("network scan, numbers 1..127 at 9600 baud, 2 found", Virtual(&inProcess, scan),
               OverPty(overPty, scan));
    }
    return 0;
}
