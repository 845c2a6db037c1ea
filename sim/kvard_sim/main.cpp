// kvard-sim: the simulated far ends of the demo, each on a pseudo-terminal
// linked into the program's ports/ folder:
//   ports/com1 — a multi-drop line of three КВАРД controllers (traditional
//                framing): a basic kit at number 5, 9600 baud, whose buffers
//                hold a few modem lines; a stopped КВАРД-47 at number 12;
//                a minimal kit at number 20, 19200 baud;
//   ports/com3 — a simulated USB adapter with a loopback plug whose chip
//                sends no parity bit (--adapter-faults sets its faults:
//                none, drop-parity, early-drain, … sim/SimAdapter.h);
//   ports/com4, ports/com5 — two simulated USB adapters joined by a
//                null-modem cable, the first switching parity 18 ms late.
//                These three are descriptions the program opens in itself
//                (ports/SimulatedAdapterFile.h), for the adapter check;
//   ports/com2 — a Hayes modem; with --modem-keeps it keeps a register or
//                flag fixed while answering OK to commands that set it
//                (S7=50: it keeps S7 at 50; S7: at the value it has);
//                with --modem-store it starts from a profile stored with
//                that setting (V0: it answers in digits); with --modem-ring
//                MS it sends RING every MS milliseconds; with --modem-noise
//                MS the line carries a random byte every MS milliseconds.
// A name the user has mapped to a real port (a link to anything but a
// pseudo-terminal) is left alone. Runs until interrupted; removes its links.
// With --state, what the devices hold (sim/DeviceReport.h) is kept in FILE,
// rewritten whole whenever it changes: the controllers' stored buffers and
// restarts, the modem's registers.
//
// Usage: kvard-sim [--ports DIR] [--state FILE] [--modem-keeps SETTING[=VALUE]]...
//                  [--modem-store SETTING[=VALUE]]... [--modem-ring MS] [--modem-noise MS]
//                  [--adapter-faults WORD[,WORD]...]
//        (default: ports/ beside this program)

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/WholeFile.h"
#include "sim/DeviceReport.h"
#include "sim/HayesModem.h"
#include "sim/KvardController.h"
#include "sim/MultiDropLine.h"
#include "ports/SimulatedAdapterFile.h"
#include "sim/PtyBridge.h"
#include "sim/SimAdapter.h"

namespace {

std::atomic<bool> stopRequested{false};

void OnSignal(int) { stopRequested = true; }

namespace fs = std::filesystem;

// True when `link` may be (re)made: missing, a link left by an earlier run
// to a pseudo-terminal, or a simulated adapter's description.
bool FreeForDemo(const fs::path& link) {
    std::error_code ec;
    const auto status = fs::symlink_status(link, ec);
    if (!fs::exists(status)) return true;
    if (hk::ReadSimulatedAdapterFile(link.string())) return true;
    if (!fs::is_symlink(status)) return false;
    const std::string target = fs::read_symlink(link, ec).string();
    return target.rfind("/dev/pts/", 0) == 0;
}

fs::path ProgramDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

// Where the links go and where the devices' state is kept.
struct Options {
    fs::path ports = ProgramDir() / "ports";
    std::string stateFile;
    // The loopback adapter's faults (ports/com3).
    std::vector<std::string> adapterFaults = {"drop-parity"};
};

// "drop-parity,early-drain" -> its words; "none" -> none.
std::vector<std::string> FaultWords(const std::string& list) {
    std::vector<std::string> words;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = list.find(',', from);
        const std::string word = list.substr(from, comma == std::string::npos ? comma : comma - from);
        if (!word.empty() && word != "none") words.push_back(word);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return words;
}

// --modem-keeps, --modem-store, --modem-ring and --modem-noise with their
// `value`, applied to `modem`; false (with the reason on standard error)
// when the value will not do.
bool ModemOption(const std::string& name, const char* value, hk::sim::HayesModem& modem) {
    if (name == "--modem-keeps") {
        if (modem.KeepFixed(value)) return true;
        std::fprintf(stderr,
                     "kvard-sim: --modem-keeps %s: the modem has no such setting or "
                     "would refuse that value (S0..S37 up to 255, E, Q, V, X, M, L, "
                     "&C, &D, &K)\n",
                     value);
        return false;
    }
    if (name == "--modem-store") {
        if (modem.Store(value)) return true;
        std::fprintf(stderr,
                     "kvard-sim: --modem-store %s: the modem has no such setting or "
                     "would refuse that value\n",
                     value);
        return false;
    }
    const int ms = std::atoi(value);
    if (ms <= 0) {
        std::fprintf(stderr, "kvard-sim: %s: milliseconds above 0\n", name.c_str());
        return false;
    }
    if (name == "--modem-ring")
        modem.Ring(ms);
    else
        modem.Noise(ms);
    return true;
}

// The command line into `options` and `modem`; false (with the reason or
// the usage on standard error) when it will not do.
bool ReadArguments(int argc, char* argv[], Options& options, hk::sim::HayesModem& modem) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const bool valued = i + 1 < argc;
        if (name == "--ports" && valued) {
            options.ports = argv[++i];
        } else if (name == "--state" && valued) {
            options.stateFile = argv[++i];
        } else if (name == "--adapter-faults" && valued) {
            options.adapterFaults = FaultWords(argv[++i]);
            hk::sim::AdapterFaults faults;
            std::string unknown;
            if (!hk::sim::ParseAdapterFaults(options.adapterFaults, faults, unknown)) {
                std::fprintf(stderr,
                             "kvard-sim: --adapter-faults: no such fault \"%s\" (none, "
                             "drop-parity, space-for-mark, odd-for-mark, clear-mark-space, "
                             "early-drain, late-switch:MS, send-delay:MS)\n",
                             unknown.c_str());
                return false;
            }
        } else if ((name == "--modem-keeps" || name == "--modem-store" || name == "--modem-ring" ||
                    name == "--modem-noise") &&
                   valued) {
            if (!ModemOption(name, argv[++i], modem)) return false;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--ports DIR] [--state FILE] [--modem-keeps "
                         "SETTING[=VALUE]]... [--modem-store SETTING[=VALUE]]... "
                         "[--modem-ring MS] [--modem-noise MS] [--adapter-faults WORDS]\n",
                         argv[0]);
            return false;
        }
    }
    return true;
}

// Three controllers on one multi-drop pair: the basic kit at number 5 that
// the README's read and write use, a stopped КВАРД-47 at number 12 and a
// minimal kit at number 20 that talks at 19200 baud.
void FillPair(hk::sim::MultiDropLine& pair) {
    const auto controllerAt = [](int number, hk::sim::KvardKit kit, std::int32_t baud) {
        hk::sim::KvardOptions options;
        options.kit = kit;
        options.netNumber = static_cast<std::uint8_t>(number);
        options.baudRate = baud;
        options.framing = hk::sim::KvardFraming::Traditional;
        options.evenParityReadsAsNone = true;  // a pseudo-terminal hides even parity
        return options;
    };
    hk::sim::KvardController& controller =
        pair.Add(controllerAt(5, hk::sim::KvardKit::Basic, 9600));
    controller.SetBuffer(0,
                         hk::sim::KvardController::ModemLines({"ATZ", "ATE0V1", "ATS0=2", "AT&W"}));
    controller.SetBuffer(1, hk::sim::KvardController::ModemLines({"AT&F", "ATS0=1"}));
    pair.Add(controllerAt(12, hk::sim::KvardKit::Kvard47, 9600)).SetRunState(0x08);
    pair.Add(controllerAt(20, hk::sim::KvardKit::Minimal, 19200));
}

struct Device {
    const char* name;
    const char* what;
    hk::sim::SimPeer* peer;
};

// The bridges serving the devices, each linked into the ports folder.
struct Served {
    std::vector<std::unique_ptr<hk::sim::PtyBridge>> bridges;
    std::vector<hk::sim::PtyBridge*> serving;
    std::vector<fs::path> links;
};

// Starts a bridge for each device whose name is free in `ports`; false
// (with the reason on standard error) when one does not start.
bool StartBridges(const std::vector<Device>& devices, const fs::path& ports, Served& served) {
    for (const Device& d : devices) {
        const fs::path link = ports / d.name;
        if (!FreeForDemo(link)) {
            std::printf("kvard-sim: %s is mapped to a real port; no simulated %s there\n",
                        link.c_str(), d.what);
            continue;
        }
        auto bridge = std::make_unique<hk::sim::PtyBridge>(*d.peer);
        std::string error;
        if (!bridge->Start(error) || !bridge->LinkAs(link.string(), error)) {
            std::fprintf(stderr, "kvard-sim: %s\n", error.c_str());
            return false;
        }
        std::printf("kvard-sim: %s on %s -> %s\n", d.what, link.c_str(),
                    bridge->SlavePath().c_str());
        served.links.push_back(link);
        served.serving.push_back(bridge.get());
        served.bridges.push_back(std::move(bridge));
    }
    return true;
}

// The simulated adapters' descriptions, each where its name is free; the
// files written go to `served` to be removed at the end.
bool DescribeAdapters(const Options& options, Served& served) {
    hk::SimulatedAdapterFile loop;
    loop.serial = "KVSIM-3";
    loop.plug = "loopback";
    loop.faults = options.adapterFaults;
    hk::SimulatedAdapterFile first;
    first.serial = "KVSIM-4";
    first.plug = "null-modem";
    first.cable = "demo";
    first.faults = {"late-switch:18"};
    hk::SimulatedAdapterFile second = first;
    second.serial = "KVSIM-5";
    second.faults.clear();
    const struct {
        const char* name;
        const hk::SimulatedAdapterFile& adapter;
        const char* what;
    } adapters[] = {{"com3", loop, "simulated USB adapter with a loopback plug"},
                    {"com4", first, "simulated USB adapter (null-modem cable to com5)"},
                    {"com5", second, "simulated USB adapter (null-modem cable to com4)"}};
    for (const auto& a : adapters) {
        const fs::path file = options.ports / a.name;
        if (!FreeForDemo(file)) {
            std::printf("kvard-sim: %s is mapped to a real port; no %s there\n", file.c_str(),
                        a.what);
            continue;
        }
        std::error_code ec;
        fs::remove(file, ec);
        std::string error;
        if (!hk::WriteWholeFile(file.string(), hk::SimulatedAdapterFileText(a.adapter), error)) {
            std::fprintf(stderr, "kvard-sim: %s: %s\n", file.c_str(), error.c_str());
            return false;
        }
        std::printf("kvard-sim: %s on %s\n", a.what, file.c_str());
        served.links.push_back(file);
    }
    return true;
}

// What the devices hold, written to `stateFile` at the start and after every
// round that changed it; nothing without a file.
std::function<void()> StateKeeper(const std::string& stateFile, hk::sim::MultiDropLine& pair,
                                  const hk::sim::HayesModem& modem) {
    if (stateFile.empty()) return {};
    auto written = std::make_shared<std::string>();
    auto keepState = [stateFile, &pair, &modem, written] {
        std::string state;
        for (std::size_t i = 0; i < pair.Count(); ++i)
            state += hk::sim::DescribeController(pair.At(i));
        state += hk::sim::DescribeModem(modem);
        if (state == *written) return;
        std::string error;
        if (!hk::WriteWholeFile(stateFile, state, error)) {
            std::fprintf(stderr, "kvard-sim: %s: cannot be written\n", stateFile.c_str());
            stopRequested = true;
        }
        *written = state;
    };
    keepState();
    return keepState;
}

}  // namespace

int main(int argc, char* argv[]) {
    hk::sim::HayesModem modem;
    Options options;
    if (!ReadArguments(argc, argv, options, modem)) return 2;

    hk::sim::MultiDropLine pair;
    FillPair(pair);
    const std::vector<Device> devices = {{"com1",
                                          "КВАРД line (basic kit at number 5, 9600 baud; "
                                          "КВАРД-47 at 12; minimal kit at 20, 19200 baud)",
                                          &pair},
                                         {"com2", "Hayes modem", &modem}};
    Served served;
    if (!StartBridges(devices, options.ports, served) || !DescribeAdapters(options, served))
        return 1;
    std::fflush(stdout);
    if (served.links.empty()) return 0;

    const std::function<void()> afterRound = StateKeeper(options.stateFile, pair, modem);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    hk::sim::ServeBridges(served.serving, stopRequested, afterRound);
    for (const fs::path& link : served.links) {
        std::error_code ec;
        fs::remove(link, ec);
    }
    return 0;
}
