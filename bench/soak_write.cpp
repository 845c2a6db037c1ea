// The write under faults, many times over: N cycles (default 1000) of the
// job behind "Подбор" in write mode, with the backup before and the read-back
// after, against the simulated controller, either in process on the virtual
// clock (--virtual) or over a pseudo-terminal on the real clock (default).
// Each cycle writes new random lines (or clears a buffer) into both buffers
// of the basic kit and draws one fault, armed when the controller has heard
// a random number of the cycle's requests:
//   NAK                 the next request is refused
//   шум вместо 04       traditional framing: noise instead of the ready byte
//   опоздавший ответ    the next answer comes later than its time-out
//   молчание            the controller answers nothing from then on
//   обрыв линии         the line hangs up; it is back a second after the job
//   отказ копирования   the copy into the reprogramming buffer is refused
//   КВАРД не остановился STOP is taken but the controller keeps running
//   блок не подтверждён bit 04 never shows after a block
//   SIGINT              the job is stopped as a signal stops the command line's
//                       (at its next checkpoint, as "Выход"), before or after
//                       its STOP; the restart is asked for (--restart)
//   без сбоя            nothing
// The first twenty cycles run each fault once on each framing, in a random
// order; the rest draw one at random. Half the cycles run on the traditional
// framing (number 5), half on FT1.2 with the CRC in the data (number 7); the
// noise fault only on the former.
//
// After each cycle it checks, from the simulated controller's own record:
//  - after an accepted copy-in exactly one copy-out or cancel (none only
//    when the line was cut, or a silent traditional controller took no more
//    frames, after the copy-in; a copy-out the controller did not take may
//    be followed by the one cancel);
//  - the committed buffers are the old ones or the new ones, never a mix;
//  - a cycle reported as success committed exactly the new buffers, with
//    the buffer flags as asked, and its write record says it was read back
//    and found equal;
//  - the backup files are whole: each holds what the buffers held before;
//  - the exchange log file is whole: every line the log published is in it;
//  - what the write record says the controller was left in is so: buffers
//    committed are the new ones, a cancel the status confirmed left the old
//    ones and no reprogramming open, a write that sent neither STOP nor the
//    copy-in changed nothing;
//  - a restart only after a write that sent STOP or the copy-in.
// After the last cycle the process may hold no more open descriptors than
// after cycle 20, when every fault has run once on each framing, and its
// resident memory must be within 5 % (or 512 KiB, whichever is more) of
// what it was then: the allocator's warm-up after cycle 20 alone comes near
// 5 % of so small a process. It prints the counts per
// fault and the verdicts, and exits 1 on any violation.
//
//   soak_write [--cycles N] [--virtual] [--seed S]

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/SoakParts.h"
#include "device/BufferTransfer.h"
#include "device/ControllerJob.h"
#include "device/KitBuffers.h"
#include "device/LinkSearch.h"
#include "device/PresetControllerView.h"
#include "link/Port.h"
#include "link/PortSettings.h"
#include "link/PosixSerialLine.h"
#include "lists/MemoryLines.h"
#include "log/ExchangeLog.h"
#include "log/LogFormat.h"
#include "log/LoggedLink.h"
#include "sim/ForwardingLine.h"
#include "sim/KvardController.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"

namespace {

using namespace hk;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

enum class Fault {
    Nak,
    Noise,
    Late,
    Silent,
    HangUp,
    CopyInRefused,
    NeverStops,
    NoBlockAck,
    Interrupt,
    None,
    Count
};
constexpr int kFaults = static_cast<int>(Fault::Count);
constexpr const char* kFaultNames[kFaults] = {
    "NAK",         "шум вместо 04",     "опоздавший ответ",     "молчание",
    "обрыв линии", "отказ копирования", "КВАРД не остановился", "блок не подтверждён",
    "SIGINT",      "без сбоя"};

constexpr int kSpeedIndex = 5;  // 9600 baud
constexpr int kLineBackMs = 1000;
constexpr std::uint8_t kRestart = 0x08;
constexpr std::uint8_t kStop = 0x09;
constexpr std::uint8_t kReprogramming = 0x0D;
constexpr std::uint8_t kCopyIn = 0xA1;
constexpr std::uint8_t kCopyOut = 0xA3;
constexpr std::uint8_t kCancel = 0xA0;
constexpr std::uint8_t kWithLines = 0x10;
constexpr double kDrift = 0.05;
constexpr double kDriftFloorKiB = 512;
// AddressSanitizer keeps freed memory in quarantine, ThreadSanitizer keeps
// its own record of every access: resident memory then grows by design and
// says nothing about leaks.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryMeasured = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kMemoryMeasured = false;
#else
constexpr bool kMemoryMeasured = true;
#endif
#else
constexpr bool kMemoryMeasured = true;
#endif
// The cycle after which descriptors and memory are sampled: every fault has
// run once on each framing by then (the longest cycles, a controller that
// never stops or never confirms a block, set the memory's high-water marks).
constexpr int kSampleCycle = 2 * kFaults;

// ---- the far end ----------------------------------------------------------------

// The simulated controller with the cycle's fault, armed once it has heard
// `armAt` requests. Over a pty it runs on the bridge's thread: everything
// the soak reads or sets goes through the mutex.
class FaultyController final : public sim::SimPeer {
public:
    explicit FaultyController(sim::KvardOptions options) : kvard(options) {}

    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
        std::lock_guard<std::mutex> lock(mutex);
        kvard.OnByte(byte, params, out);
        if (pending_ && kvard.Requests().size() >= armAt_) {
            pending_ = false;
            Arm();
        }
    }

    // Under the lock.
    void StartCycle(Fault fault, std::size_t armAt, int lateMs) {
        kvard.ForgetRequests();
        kvard.ClearFaults();
        kvard.SetRunState(0x00);  // running its program, as between jobs
        kvard.SetLateAnswerMs(lateMs);
        kvard.refuseCopyIn = fault == Fault::CopyInRefused;
        kvard.ignoreStop = fault == Fault::NeverStops;
        kvard.neverSetBlockBit = fault == Fault::NoBlockAck;
        fault_ = fault;
        armAt_ = armAt;
        pending_ = fault == Fault::Nak || fault == Fault::Noise || fault == Fault::Late ||
                   fault == Fault::Silent || fault == Fault::HangUp || fault == Fault::Interrupt;
        armedAt_.reset();
    }
    void EndCycle() {
        kvard.ClearFaults();
        kvard.refuseCopyIn = kvard.ignoreStop = kvard.neverSetBlockBit = false;
        pending_ = false;
        stopWanted = false;
    }
    // The index of the first request the fault could touch, once armed.
    std::optional<std::size_t> ArmedAt() const { return armedAt_; }

    std::mutex mutex;
    sim::KvardController kvard;
    // Set here when the line should be cut; the workstation's side cuts it.
    std::atomic<bool> cutWanted{false};
    // Set here when the job should be stopped (a signal); the job takes it
    // at its next checkpoint.
    std::atomic<bool> stopWanted{false};

private:
    void Arm() {
        armedAt_ = kvard.Requests().size();
        switch (fault_) {
            case Fault::Nak:
                kvard.Inject(sim::KvardFault::Nak);
                break;
            case Fault::Noise:
                kvard.Inject(sim::KvardFault::NoiseForReady);
                break;
            case Fault::Late:
                kvard.Inject(sim::KvardFault::LateAnswer);
                break;
            case Fault::Silent:
                kvard.Inject(sim::KvardFault::Silence, -1);
                break;
            case Fault::HangUp:
                cutWanted = true;
                break;
            case Fault::Interrupt:
                stopWanted = true;
                break;
            default:
                break;
        }
    }

    Fault fault_ = Fault::None;
    std::size_t armAt_ = 0;
    bool pending_ = false;
    std::optional<std::size_t> armedAt_;
};

// ---- one controller on one port ---------------------------------------------------

struct Rig {
    std::string portName;
    int protocol = 0;
    int crcMode = 0;
    int number = 0;
    std::unique_ptr<FaultyController> far;
    // In process:
    std::unique_ptr<sim::SimLine> simLine;
    // Over a pseudo-terminal:
    std::string linkPath;
    std::unique_ptr<sim::ServedPty> served;
    std::unique_ptr<PosixSerialLine> posixLine;
    std::unique_ptr<bench::CuttableLine> line;
    std::unique_ptr<device::PresetControllerView> view;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<LogAttachment> logged;  // the soak's one log on this line
};

// ---- what is checked ---------------------------------------------------------------

struct Image {
    std::array<Bytes, 2> buffers;
    std::array<std::array<std::uint8_t, 2>, 2> flags{};
    bool SameBuffers(const Image& o) const { return buffers == o.buffers; }
    bool operator==(const Image&) const = default;
};

Image Committed(sim::KvardController& kvard) {
    Image i;
    for (int b = 0; b < 2; ++b) {
        i.buffers[static_cast<std::size_t>(b)] = kvard.Buffer(static_cast<std::size_t>(b));
        i.flags[static_cast<std::size_t>(b)] = kvard.ControlParameter(b);
    }
    return i;
}

// What the write of `lines` (or clear mode) leaves: the data bytes over the
// old buffer, the flag's bit 4 set for lines and clear in clear mode.
Image Expected(const Image& old, const std::array<std::vector<std::string>, 2>& lines,
               const std::array<bool, 2>& clear) {
    Image i = old;
    for (std::size_t b = 0; b < 2; ++b) {
        Bytes data;
        if (clear[b]) {
            data.assign(device::kClearModeBytes, 0x00);
        } else if (lines[b].empty()) {
            data.assign(device::kEmptyMemoBytes, 0x00);
        } else {
            for (const std::string& line : lines[b]) {
                data.insert(data.end(), line.begin(), line.end());
                data.push_back(0x0D);
            }
            data.insert(data.end(), device::kTerminatingZeros, 0x00);
        }
        std::copy(data.begin(), data.end(), i.buffers[b].begin());
        auto& flag = i.flags[b][1];
        flag = static_cast<std::uint8_t>(clear[b] ? flag & ~kWithLines : flag | kWithLines);
    }
    return i;
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int OpenDescriptors() {
    int n = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator("/proc/self/fd", ec); !ec && it != fs::end(it);
         it.increment(ec))
        ++n;
    return n;
}

// Resident memory once the allocator has given back what is free: what the
// process holds, not the high-water mark of its busiest cycle so far.
long ResidentKiB() {
    ::malloc_trim(0);
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// A verdict over the cycles.
struct CycleVerdict : bench::Verdict {
    explicit CycleVerdict(const char* text) : Verdict(text, "cycle") {}
};

struct Counts {
    int cycles = 0, succeeded = 0, committedNew = 0, committedOld = 0;
};

// ---- the soak ---------------------------------------------------------------------

class Soak {
public:
    Soak(int cycles, bool virtualClock, unsigned seed)
        : cycles_(cycles), virtual_(virtualClock), seed_(seed), random_(seed) {
        // Each fault once on each framing (the noise twice on the traditional).
        for (int f = 0; f < kFaults; ++f)
            for (int rig = 0; rig < 2; ++rig)
                firstCycles_[static_cast<std::size_t>(2 * f + rig)] = {
                    static_cast<Fault>(f), static_cast<Fault>(f) == Fault::Noise ? 0 : rig};
        std::shuffle(firstCycles_.begin(), firstCycles_.end(), random_);
        folder_ = bench::MakeScratchFolder("hk-soak");
        if (virtual_)
            clock_ = std::make_unique<VirtualClock>(1000);
        else
            clock_ = std::make_unique<RealClock>();
        log_ = std::make_unique<ExchangeLog>(*clock_);
        logPath_ = (folder_ / "soak.log").string();
        log_->WriteFileTo(logPath_);
        std::ofstream(folder_ / kSettingsFileName, std::ios::binary) << std::string(8, '\0');
        rigs_[0] = MakeRig("Com1", 0, 0, 5);
        rigs_[1] = MakeRig("Com2", 1, 1, 7);
    }
    ~Soak() {
        for (auto& r : rigs_) {
            if (r->link->PortOpen) r->line->Close();
            r->logged.reset();
            r->served.reset();
        }
        log_.reset();
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    bool Ready(std::string& error) const {
        for (const auto& r : rigs_)
            if (r->served && !r->served->Started()) {
                error = r->served->Error();
                return false;
            }
        return true;
    }

    int Run() {
        startMs_ = clock_->NowMs();
        for (int cycle = 1; cycle <= cycles_; ++cycle) {
            Cycle(cycle);
            if (cycle == kSampleCycle || (cycle == cycles_ && cycles_ < kSampleCycle)) {
                fdsAtSample_ = OpenDescriptors();
                rssAtSample_ = ResidentKiB();
            }
            if (!virtual_ && cycle % 50 == 0)
                std::fprintf(stderr, "soak_write: %d of %d cycles\n", cycle, cycles_);
        }
        return Report();
    }

private:
    std::unique_ptr<Rig> MakeRig(const std::string& port, int protocol, int crc, int number) {
        auto r = std::make_unique<Rig>();
        r->portName = port;
        r->protocol = protocol;
        r->crcMode = crc;
        r->number = number;
        sim::KvardOptions o;
        o.kit = sim::KvardKit::Basic;
        o.framing = protocol == 0 ? sim::KvardFraming::Traditional : sim::KvardFraming::Ft12;
        o.crcMode = crc;
        o.netNumber = static_cast<std::uint8_t>(number);
        o.baudRate = BaudRates[kSpeedIndex];
        o.evenParityReadsAsNone = !virtual_;
        r->far = std::make_unique<FaultyController>(o);
        r->far->kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATE0"}));
        r->far->kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
        r->far->kvard.SetControlParameter(0, {0x00, kWithLines});
        r->far->kvard.SetControlParameter(1, {0x00, kWithLines});
        SerialLine* inner = nullptr;
        Rig* raw = r.get();
        if (virtual_) {
            r->simLine = std::make_unique<sim::SimLine>(static_cast<VirtualClock&>(*clock_));
            r->simLine->Attach(r->far.get());
            inner = r->simLine.get();
        } else {
            r->linkPath = (folder_ / "ports" / ("com" + port.substr(3))).string();
            r->served = std::make_unique<sim::ServedPty>(*r->far, r->linkPath);
            r->posixLine = std::make_unique<PosixSerialLine>(folder_.string() + "/");
            inner = r->posixLine.get();
        }
        r->line = std::make_unique<bench::CuttableLine>(
            *inner, [far = r->far.get()] { return far->cutWanted.exchange(false); },
            [this, raw] { Cut(*raw); });
        r->view = std::make_unique<device::PresetControllerView>();
        r->link = std::make_unique<SerialLink>(*r->line, *clock_, *r->view);
        r->logged = std::make_unique<LogAttachment>(*r->link, *log_);
        return r;
    }

    // The far end goes: an adapter pulled out.
    void Cut(Rig& r) {
        if (r.simLine)
            r.simLine->HangUp();
        else
            r.served->Stop();
    }
    // A second later it is back; the next job opens the port afresh.
    void LineBack(Rig& r) {
        if (virtual_) {
            clock_->Sleep(kLineBackMs);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kLineBackMs));
        r.served.reset();
        r.served = std::make_unique<sim::ServedPty>(*r.far, r.linkPath);
        if (!r.served->Started()) {
            std::fprintf(stderr, "soak_write: %s\n", r.served->Error().c_str());
            std::exit(2);
        }
    }

    int Draw(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::vector<std::string> RandomLines() {
        static constexpr char kChars[] = "ATSZEQV0123456789=&";
        std::vector<std::string> lines(static_cast<std::size_t>(Draw(5)));
        for (std::string& line : lines) {
            line = "AT";
            for (int i = Draw(10); i > 0; --i) line += kChars[Draw(sizeof kChars - 1)];
        }
        return lines;
    }

    void Cycle(int cycle) {
        const bool first = cycle <= kSampleCycle;
        const auto fault = first ? firstCycles_[static_cast<std::size_t>(cycle - 1)].first
                                 : static_cast<Fault>(Draw(kFaults));
        const int rig = first ? firstCycles_[static_cast<std::size_t>(cycle - 1)].second
                        : fault == Fault::Noise ? 0
                                                : Draw(2);
        Rig& r = *rigs_[static_cast<std::size_t>(rig)];
        Counts& counts = counts_[static_cast<int>(fault)];
        ++counts.cycles;

        std::array<std::vector<std::string>, 2> lines{RandomLines(), RandomLines()};
        const std::array<bool, 2> clear{Draw(6) == 0, Draw(6) == 0};
        const int lateMs = r.protocol == 0 ? 2050 + Draw(900) : 1050 + Draw(900);
        Image old;
        {
            std::lock_guard<std::mutex> lock(r.far->mutex);
            old = Committed(r.far->kvard);
            r.far->StartCycle(fault, static_cast<std::size_t>(1 + Draw(24)), lateMs);
        }
        const Image wanted = Expected(old, lines, clear);

        MainState state;
        state.KitIndex = 0;
        state.ReadFromDevice = false;
        state.CfgFileName = (folder_ / kSettingsFileName).string();
        state.DataDir = folder_.string() + "/";
        const fs::path backups = folder_ / "backups" / std::to_string(cycle);
        state.BackupDir = backups.string() + "/";
        state.ClearBuffer1 = clear[0];
        state.ClearBuffer2 = clear[1];
        device::PresetControllerView& view = *r.view;
        view = device::PresetControllerView{};
        view.choice.portName = r.portName;
        view.choice.port = r.portName == "Com1" ? 0 : 1;
        view.choice.protocol = static_cast<ProtocolKind>(r.protocol);
        view.choice.crcMode = r.crcMode;
        view.choice.searchAllNumbers = false;
        view.choice.number = std::to_string(r.number);
        view.choice.speedItem = kSpeedIndex + 1;
        view.upper.lines = lines[0];
        view.lower.lines = lines[1];
        view.choice.backup = view.choice.verify = true;
        view.restart = true;
        device::ControllerOutcome outcome;
        {
            device::ControllerJob job(state, *r.link, view);
            // A signal is taken as the command line takes it: at the job's
            // next checkpoint, where it stops the job as "Выход" does.
            view.checkpoint = [&job, far = r.far.get()] {
                if (far->stopWanted.exchange(false)) job.Exit();
            };
            job.Opened();
            job.Search();
            outcome = job.Outcome();
            view.checkpoint = nullptr;
        }
        const bool success = outcome.written;
        if (r.link->PortOpen) r.line->Close();
        r.link->PortOpen = false;
        std::vector<sim::KvardRequest> record;
        std::optional<std::size_t> armedAt;
        Image now;
        bool reprogramming = false;
        {
            std::lock_guard<std::mutex> lock(r.far->mutex);
            r.far->EndCycle();
            record = r.far->kvard.Requests();
            armedAt = r.far->ArmedAt();
            now = Committed(r.far->kvard);
            reprogramming = r.far->kvard.Reprogramming();
        }
        if (fault == Fault::HangUp) {
            r.far->cutWanted = false;
            LineBack(r);
        }

        if (success) ++counts.succeeded;
        if (now.SameBuffers(wanted) && !wanted.SameBuffers(old)) ++counts.committedNew;
        if (now.SameBuffers(old)) ++counts.committedOld;
        CheckPairs(cycle, fault, r, record, armedAt, ClosingsTried(outcome.write));
        mix_.Check(now.SameBuffers(old) || now.SameBuffers(wanted), cycle,
                   std::string(kFaultNames[static_cast<int>(fault)]) + ": buffers are a mix");
        if (success) {
            success_.Check(now == wanted && outcome.write.verified, cycle,
                           std::string(kFaultNames[static_cast<int>(fault)]) +
                               ": reported success, committed something else");
        }
        CheckToldState(cycle, fault, outcome.write, record, old, wanted, now, reprogramming);
        if (fault == Fault::Interrupt) CountInterrupt(outcome);
        // With the backup asked for, a write starts only once it is saved.
        CheckBackup(cycle, backups, old, outcome.write.started);
        CheckLog(cycle);
        if (r.simLine) r.simLine->ClearLog();
        log_->Clear();  // the window's memory of the log; the file keeps it all
        std::error_code ec;
        fs::remove_all(backups, ec);
    }

    // The copy-outs and cancels the program sent this cycle, as its write
    // record counts them (a write ends with one of them, or a copy-out and the
    // cancel that follows it when the copy-out was not committed).
    static int ClosingsTried(const device::WriteRecord& write) {
        return write.copyOutsSent + write.cancelsSent;
    }

    void CheckPairs(int cycle, Fault fault, const Rig& r,
                    const std::vector<sim::KvardRequest>& record,
                    std::optional<std::size_t> armedAt, int attempts) {
        std::optional<std::size_t> copyIn;
        std::vector<const sim::KvardRequest*> closed;  // copy-outs and cancels after it
        for (std::size_t i = 0; i < record.size(); ++i) {
            const Bytes& b = record[i].bytes;
            if (b.size() < 2 || b[0] != kReprogramming) continue;
            if (b[1] == kCopyIn && record[i].accepted) {
                ++acceptedCopyIns_;
                copyIn = i;
                closed.clear();
            } else if (copyIn && (b[1] == kCopyOut || b[1] == kCancel)) {
                closed.push_back(&record[i]);
            }
        }
        if (!copyIn) return;
        // A copy-out the controller did not take (refused, or heard and left
        // unanswered) is followed by the cancel once the status has shown the
        // reprogramming still open: that pair counts as one closing.
        int closings = static_cast<int>(closed.size());
        if (closings == 2 && closed[0]->bytes[1] == kCopyOut && !closed[0]->accepted &&
            closed[1]->bytes[1] == kCancel)
            closings = 1;
        // Past a cut line, or on the traditional framing past a controller
        // that answers the start byte with silence or noise instead of the
        // ready byte, the frame never goes out: the copy-in stays open on the
        // controller. Then the program's own log must show that it sent the
        // start of exactly one copy-out or cancel.
        const bool unreachable =
            armedAt && *armedAt > *copyIn &&
            (fault == Fault::HangUp ||
             (r.protocol == 0 && (fault == Fault::Silent || fault == Fault::Noise)));
        if (closings == 0 && unreachable) {
            ++leftOpen_;
            pairs_.Check(attempts == 1, cycle,
                         std::string(kFaultNames[static_cast<int>(fault)]) + ": " +
                             std::to_string(attempts) + " copy-outs/cancels tried");
            return;
        }
        pairs_.Check(closings == 1, cycle,
                     std::string(kFaultNames[static_cast<int>(fault)]) + ": " +
                         std::to_string(closings) + " copy-out/cancel after an accepted copy-in");
    }

    static bool Heard(const std::vector<sim::KvardRequest>& record, std::uint8_t code) {
        return std::any_of(record.begin(), record.end(), [code](const sim::KvardRequest& q) {
            return !q.bytes.empty() && q.bytes[0] == code;
        });
    }

    // What the write record says the controller was left in, against what
    // the controller holds; and a restart only where the write had touched
    // the controller.
    void CheckToldState(int cycle, Fault fault, const device::WriteRecord& write,
                        const std::vector<sim::KvardRequest>& record, const Image& old,
                        const Image& wanted, const Image& now, bool reprogramming) {
        const std::string name = kFaultNames[static_cast<int>(fault)];
        if (write.committed)
            told_.Check(now.SameBuffers(wanted), cycle,
                        name + ": said committed, holds other buffers");
        if (write.cancelled && write.cancelTaken)
            told_.Check(now.SameBuffers(old) && !reprogramming, cycle,
                        name + ": said cancelled, " +
                            (reprogramming ? "reprogramming open" : "holds other buffers"));
        if (!write.TouchedController())
            told_.Check(now == old && !Heard(record, kStop) && !Heard(record, kReprogramming),
                        cycle, name + ": said unchanged, was changed");
        if (Heard(record, kRestart))
            restarts_.Check(write.restarted && write.TouchedController(), cycle,
                            name +
                                ": restarted after a write that sent neither STOP nor the "
                                "copy-in");
    }

    // Where a signal found the write.
    void CountInterrupt(const device::ControllerOutcome& outcome) {
        const device::WriteRecord& write = outcome.write;
        if (!outcome.stopped)
            ++interrupts_.notTaken;
        else if (!write.started)
            ++interrupts_.beforeWrite;
        else if (!write.TouchedController())
            ++interrupts_.beforeStop;
        else if (!write.copyInSent)
            ++interrupts_.beforeCopyIn;
        else
            ++interrupts_.afterCopyIn;
    }

    void CheckBackup(int cycle, const fs::path& folder, const Image& old, bool saved) {
        std::error_code ec;
        int files = 0;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::end(it);
             it.increment(ec)) {
            ++files;
            const std::string name = it->path().filename().string();
            const std::size_t b = name.find("-mpi.") != std::string::npos ? 1 : 0;
            MemoryLines lines;
            device::DecodeBuffer(old.buffers[b], lines, device::LineEnds::Hidden);
            std::string want;
            for (const std::string& line : lines.lines) want += line + "\r\n";
            backups_.Check(FileText(it->path()) == want, cycle, name + " is not what was there");
        }
        if (saved) backups_.Check(files == 2, cycle, std::to_string(files) + " backup files");
    }

    // The log file grows by what the log published this cycle, every line
    // whole: read from where the last check stopped.
    void CheckLog(int cycle) {
        log_->FlushAll();
        if (LogFiles* files = log_->Files()) files->Drain();
        std::ifstream in(logPath_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(logRead_));
        std::ostringstream part;
        part << in.rdbuf();
        const std::string text = part.str();
        logRead_ += text.size();
        logLines_ += static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
        bool whole = logLines_ == log_->End() && (text.empty() || text.back() == '\n');
        if (whole && !text.empty() && !log_->Entries().empty()) {
            const std::string last = FormatLogEntry(log_->Entries().back()) + "\n";
            whole = text.size() >= last.size() &&
                    text.compare(text.size() - last.size(), last.size(), last) == 0;
        }
        logs_.Check(whole, cycle,
                    std::to_string(logLines_) + " lines in the file, " +
                        std::to_string(log_->End()) + " published");
    }

    int Report() {
        const int fds = OpenDescriptors();
        const long rss = ResidentKiB();
        std::printf("soak_write: %d cycles, %s, seed %u, %.0f s on its clock\n", cycles_,
                    virtual_ ? "in process on the virtual clock" : "over a pseudo-terminal", seed_,
                    static_cast<double>(clock_->NowMs() - startMs_) / 1000.0);
        std::printf("%-24s %7s %9s %14s %14s\n", "fault", "cycles", "success", "committed new",
                    "committed old");
        for (int f = 0; f < kFaults; ++f) {
            const Counts& c = counts_[f];
            std::printf("%-*s %7d %9d %14d %14d\n", 24 + Utf8Extra(kFaultNames[f]), kFaultNames[f],
                        c.cycles, c.succeeded, c.committedNew, c.committedOld);
        }
        int violations = 0;
        std::printf("checks:\n");
        for (const CycleVerdict* v :
             {&pairs_, &mix_, &success_, &told_, &restarts_, &backups_, &logs_}) {
            violations += v->violations;
            std::printf("  %-58s %s (%d checked, %d violations)%s%s\n", v->what,
                        v->violations == 0 ? "ok" : "VIOLATED", v->checked, v->violations,
                        v->first.empty() ? "" : "; first: ", v->first.c_str());
        }
        std::printf(
            "  accepted copy-ins: %d; left open because the copy-out or cancel could not "
            "reach the controller (cut line; silence or noise instead of 04): %d\n",
            acceptedCopyIns_, leftOpen_);
        std::printf(
            "  SIGINT taken before the write began: %d, after it began but before its STOP: "
            "%d, after STOP before the copy-in: %d, after the copy-in: %d; not taken (the job "
            "had ended): %d\n",
            interrupts_.beforeWrite, interrupts_.beforeStop, interrupts_.beforeCopyIn,
            interrupts_.afterCopyIn, interrupts_.notTaken);
        const auto within = [](double a, double b) {
            return b <= a + std::max(a * kDrift, kDriftFloorKiB);
        };
        const bool fdsOk = fds <= fdsAtSample_;
        const bool rssOk =
            !kMemoryMeasured || within(static_cast<double>(rssAtSample_), static_cast<double>(rss));
        std::printf("  open descriptors after cycle %d: %d, after cycle %d: %d  %s\n",
                    std::min(kSampleCycle, cycles_), fdsAtSample_, cycles_, fds,
                    fdsOk ? "ok" : "VIOLATED");
        std::printf(
            "  resident memory after cycle %d: %ld KiB, after cycle %d: %ld KiB (%+.1f %%)  "
            "%s\n",
            std::min(kSampleCycle, cycles_), rssAtSample_, cycles_, rss,
            rssAtSample_ > 0 ? 100.0 * static_cast<double>(rss - rssAtSample_) /
                                   static_cast<double>(rssAtSample_)
                             : 0.0,
            !kMemoryMeasured ? "not judged under a sanitizer"
            : rssOk          ? "ok"
                             : "VIOLATED");
        const bool pass = violations == 0 && fdsOk && rssOk;
        std::printf("verdict: %s\n", pass ? "no violation" : "VIOLATIONS FOUND");
        return pass ? 0 : 1;
    }

    // printf pads by bytes: Cyrillic letters take two.
    static int Utf8Extra(const char* text) {
        int extra = 0;
        for (const char* p = text; *p; ++p)
            if ((static_cast<unsigned char>(*p) & 0xC0) == 0x80) ++extra;
        return extra;
    }

private:
    int cycles_;
    bool virtual_;
    unsigned seed_;
    std::mt19937 random_;
    // The first cycles' faults and rigs.
    std::array<std::pair<Fault, int>, kSampleCycle> firstCycles_{};
    fs::path folder_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<ExchangeLog> log_;
    std::string logPath_;
    std::size_t logRead_ = 0;     // bytes of the log file checked so far
    std::uint64_t logLines_ = 0;  // and the lines in them
    std::array<std::unique_ptr<Rig>, 2> rigs_;
    std::array<Counts, kFaults> counts_{};
    CycleVerdict pairs_{"after an accepted copy-in exactly one copy-out or cancel"};
    CycleVerdict mix_{"committed buffers old or new, never a mix"};
    CycleVerdict success_{"a success committed the new buffers and flags, verified"};
    CycleVerdict told_{"what the write record says the controller holds is so"};
    CycleVerdict restarts_{"a restart only after a write that sent STOP or the copy-in"};
    CycleVerdict backups_{"backup files whole (what the buffers held before)"};
    CycleVerdict logs_{"exchange log file whole"};
    struct {
        int beforeWrite = 0, beforeStop = 0, beforeCopyIn = 0, afterCopyIn = 0, notTaken = 0;
    } interrupts_;
    int acceptedCopyIns_ = 0;
    int leftOpen_ = 0;
    std::int64_t startMs_ = 0;
    int fdsAtSample_ = 0;
    long rssAtSample_ = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
    bench::SoakOptions options{1000, false, 20};
    if (!bench::ReadSoakOptions(argc, argv, "--cycles", options)) return 2;
    Soak soak(options.count, options.virtualClock, options.seed);
    std::string error;
    if (!soak.Ready(error)) {
        std::fprintf(stderr, "soak_write: %s\n", error.c_str());
        return 2;
    }
    return soak.Run();
}
