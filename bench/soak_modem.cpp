// The modem side under faults, many times over: N runs (default 500) of
// "modem-write --verify" as the command line drives it (the modem console,
// the run to its end or its time limit, then the check when the modem
// answered the run to its end) against the simulated Hayes modem, either in
// process on the virtual clock (--virtual) or over a pseudo-terminal on the
// real clock (default). Each run writes a few random lines (S-registers, a
// line the modem refuses now and then, AT&W) into a fresh modem whose
// profile (echo, word or digit answers) is drawn too, and draws one fault:
//   V0                  the modem's stored profile answers in digits
//   V1                  it answers in words
//   эхо вкл / эхо выкл  it echoes, or does not
//   шум                 the line carries a random byte every 50 ms
//   RING                the modem rings every 0.5 s
//   молчание            the modem falls silent from a random line on
//   поздний ответ       one answer comes 1 to 14 s late (the limit is 10 s)
//   хранит своё         the modem answers OK to S7 and keeps it at 50
//   обрыв линии         the line hangs up at a random line; back 1 s later
//   NO CARRIER, BUSY    a random line is answered with that code instead of
//                       its own, or a dial (ATDT) put among the lines ends so
//   CONNECT             the same with CONNECT 9600: a line that does not
//                       dial fails with it; a dial succeeds, the modem is on
//                       line and the run ends there
//   только RING         the line only rings: the modem takes no command and
//                       sends RING every 0.5 s
//
// After each run it checks, from the simulated modem's own record (every
// command line it took, and whether it carried it out) and its registers:
//  - every line's verdict is true: a success (OK, or CONNECT to a dial) only
//    for a line the modem carried out, the modem on line after a CONNECT;
//    ERROR, or another code (NO CARRIER, BUSY, CONNECT), only for one it did
//    not carry out; a line without a result code only where the fault can
//    hide the answer (noise, silence, a late answer, a cut line, a line that
//    only rings);
//  - every setting the check called the same or different is so in the
//    modem (registers, active and stored; echo and digit answers), and a
//    setting goes unchecked only where the fault can hide an answer;
//  - a run that counts as success (every line OK, every setting the same)
//    left the modem holding the list;
//  - no run took longer than its bound: per line the time limit, the pause
//    and the line's own time; for the check its settling and each
//    question's limit.
// It prints the runs and successes per fault and each verdict, and exits 1
// on a violation.
//
//   soak_modem [--runs N] [--virtual] [--seed S]

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/SoakParts.h"
#include "cli/CliModemWindow.h"
#include "link/Port.h"
#include "link/PosixSerialLine.h"
#include "modem/ModemCheckJob.h"
#include "modem/ModemConsole.h"
#include "sim/ForwardingLine.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"

namespace {

using namespace hk;

enum class Fault {
    V0,
    V1,
    EchoOn,
    EchoOff,
    Noise,
    Ring,
    Silence,
    Late,
    Keeps,
    HangUp,
    NoCarrier,
    Busy,
    Connect,
    OnlyRings,
    Count
};
constexpr int kFaults = static_cast<int>(Fault::Count);
constexpr const char* kFaultNames[kFaults] = {
    "V0",         "V1",       "эхо вкл",       "эхо выкл",    "шум",
    "RING",       "молчание", "поздний ответ", "хранит своё", "обрыв линии",
    "NO CARRIER", "BUSY",     "CONNECT",       "только RING"};

constexpr int kSpeedIndex = 5;  // 9600 baud
constexpr int kLineBackMs = 1000;
constexpr int kKeptRegister = 7;
constexpr int kKeptValue = 50;

// Faults that may keep an answer from the program: a line without a result
// code, or a setting unchecked, is no false verdict there.
bool CanHideAnswers(Fault f) {
    return f == Fault::Noise || f == Fault::Silence || f == Fault::Late || f == Fault::HangUp ||
           f == Fault::OnlyRings;
}

// The code a fault answers a line with, in words (the modem gives it in
// digits under V0); empty for the other faults.
std::string FaultCode(Fault f) {
    switch (f) {
        case Fault::NoCarrier:
            return "NO CARRIER";
        case Fault::Busy:
            return "BUSY";
        case Fault::Connect:
            return "CONNECT 9600";
        default:
            return {};
    }
}

// The same code in digits.
std::string FaultDigits(Fault f) {
    switch (f) {
        case Fault::NoCarrier:
            return "3";
        case Fault::Busy:
            return "7";
        case Fault::Connect:
            return "1";
        default:
            return {};
    }
}

// The simulated modem with the run's fault. Over a pty it runs on the
// bridge's thread: everything the soak reads or sets goes through the mutex.
class FaultyModem final : public sim::SimPeer {
public:
    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (deaf_) return;  // it only rings
        Output late(*this, out, 0);
        if (byte == 0x0D) {
            ++linesHeard_;
            if (silentFrom_ && linesHeard_ >= *silentFrom_) modem->SetSilent(true);
            if (cutAt_ && linesHeard_ >= *cutAt_) cutWanted = true;
            if (lateLine_ && linesHeard_ == *lateLine_) late.extraMs = lateMs_;
        }
        modem->OnByte(byte, params, late);
    }
    void Tick(std::int64_t untilMs, sim::PeerOutput& out) override {
        std::lock_guard<std::mutex> lock(mutex);
        Output plain(*this, out, 0);
        modem->Tick(untilMs, plain);
    }

    // Under the lock: a fresh modem for the run.
    void StartRun(std::unique_ptr<sim::HayesModem> fresh, std::optional<int> silentFrom,
                  std::optional<int> cutAt, std::optional<int> lateLine, int lateMs, bool deaf) {
        modem = std::move(fresh);
        deaf_ = deaf;
        silentFrom_ = silentFrom;
        cutAt_ = cutAt;
        lateLine_ = lateLine;
        lateMs_ = lateMs;
        linesHeard_ = 0;
        cutWanted = false;
    }
    // Under the lock: nothing more of its own accord.
    void Quieten() {
        modem->Noise(0);
        modem->Ring(0);
    }
    // When the last byte it has scheduled is due (on the line's clock).
    std::int64_t LastDueMs() const { return lastDueMs_; }

    std::mutex mutex;
    std::unique_ptr<sim::HayesModem> modem = std::make_unique<sim::HayesModem>();
    bool cutWanted = false;

private:
    struct Output final : sim::PeerOutput {
        Output(FaultyModem& f, sim::PeerOutput& o, int extra) : far(f), out(o), extraMs(extra) {}
        std::int64_t NowMs() override { return out.NowMs(); }
        void Send(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs) override {
            const int delay = delayMs + extraMs;
            far.lastDueMs_ =
                std::max(far.lastDueMs_,
                         out.NowMs() + delay +
                             std::int64_t{spacingMs} * static_cast<std::int64_t>(bytes.size()));
            out.Send(bytes, delay, spacingMs);
        }
        FaultyModem& far;
        sim::PeerOutput& out;
        int extraMs;
    };

    std::optional<int> silentFrom_, cutAt_, lateLine_;
    int lateMs_ = 0;
    bool deaf_ = false;
    int linesHeard_ = 0;
    std::int64_t lastDueMs_ = 0;
};

struct Counts {
    int runs = 0, succeeded = 0, checked = 0;
    std::int64_t longestMs = 0;
};

// The modem's value of a setting the check reports, when the soak can read it.
std::optional<int> ModemValue(const sim::HayesModem& m, const CheckRow& row) {
    const bool active = row.profile == kActiveSettings;
    if (row.setting.size() > 1 && row.setting[0] == 'S') {
        const int n = std::atoi(row.setting.c_str() + 1);
        return active ? m.Register(n) : m.StoredRegister(n);
    }
    if (!active) return std::nullopt;
    if (row.setting == "E") return m.Echo() ? 1 : 0;
    if (row.setting == "V") return m.Verbose() ? 1 : 0;
    if (row.setting == "Q") return m.Quiet() ? 1 : 0;
    return std::nullopt;
}

class Soak {
public:
    Soak(int runs, bool virtualClock, unsigned seed)
        : runs_(runs), virtual_(virtualClock), seed_(seed), random_(seed) {
        folder_ = std::make_unique<bench::ScratchFolder>("hk-soak-modem");
        if (virtual_)
            clock_ = std::make_unique<VirtualClock>(1000);
        else
            clock_ = std::make_unique<RealClock>();
        SerialLine* inner = nullptr;
        if (virtual_) {
            simLine_ = std::make_unique<sim::SimLine>(static_cast<VirtualClock&>(*clock_));
            simLine_->Attach(&far_);
            inner = simLine_.get();
        } else {
            linkPath_ = folder_->Dir() + "ports/com2";
            served_ = std::make_unique<sim::ServedPty>(far_, linkPath_);
            posixLine_ = std::make_unique<PosixSerialLine>(folder_->Dir());
            inner = posixLine_.get();
        }
        line_ = std::make_unique<bench::CuttableLine>(
            *inner,
            [this] {
                std::lock_guard<std::mutex> lock(far_.mutex);
                return std::exchange(far_.cutWanted, false);
            },
            [this] { Cut(); });
        link_ = std::make_unique<SerialLink>(*line_, *clock_, view_);
    }
    ~Soak() {
        if (link_->PortOpen) line_->Close();
        served_.reset();
    }

    bool Ready(std::string& error) const {
        if (served_ && !served_->Started()) {
            error = served_->Error();
            return false;
        }
        return true;
    }

    int Run() {
        const std::int64_t start = clock_->NowMs();
        for (int run = 1; run <= runs_; ++run) {
            OneRun(run);
            if (!virtual_ && run % 50 == 0)
                std::fprintf(stderr, "soak_modem: %d of %d runs\n", run, runs_);
        }
        return Report(clock_->NowMs() - start);
    }

private:
    int Draw(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::vector<std::string> RandomList() {
        std::vector<std::string> lines;
        const int n = 2 + Draw(3);
        for (int i = 0; i < n; ++i) {
            switch (Draw(6)) {
                case 0:
                    lines.push_back("ATS7=" + std::to_string(30 + Draw(60)));
                    break;
                case 1:
                    lines.push_back("ATS0=" + std::to_string(Draw(5)) +
                                    "S10=" + std::to_string(10 + Draw(30)));
                    break;
                case 2:
                    lines.push_back("ATX9");  // refused
                    break;
                default:
                    lines.push_back("ATS" + std::to_string(6 + Draw(3)) + "=" +
                                    std::to_string(1 + Draw(9)));
                    break;
            }
        }
        if (Draw(2) == 0) lines.push_back("AT&W");
        return lines;
    }

    void Cut() {
        if (simLine_)
            simLine_->HangUp();
        else
            served_->Stop();
    }
    void LineBack() {
        if (virtual_) {
            clock_->Sleep(kLineBackMs);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kLineBackMs));
        served_.reset();
        served_ = std::make_unique<sim::ServedPty>(far_, linkPath_);
        if (!served_->Started()) {
            std::fprintf(stderr, "soak_modem: %s\n", served_->Error().c_str());
            std::exit(2);
        }
    }

    // Until every byte the modem scheduled has been sent, then drop them: a
    // late answer never reaches the next run.
    void Drain() {
        std::int64_t due = 0;
        {
            std::lock_guard<std::mutex> lock(far_.mutex);
            far_.Quieten();
            due = far_.LastDueMs();
        }
        const std::int64_t now = virtual_ ? clock_->NowMs() : RealClock().NowMs();
        if (due > now) {
            if (virtual_)
                clock_->Sleep(static_cast<int>(due - now + 50));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(due - now + 50));
        }
        if (link_->PortOpen && !line_->HungUp()) {
            SetPortTimeouts(*link_, 0, kModemReadTimeoutMs);
            std::uint8_t sink[256];
            while (line_->Read(sink, sizeof sink) > 0) {
            }
        }
    }

    // A fault of the codes (NO CARRIER, BUSY, CONNECT) goes to a dial put
    // among the lines (true), or to one of the lines.
    bool DrawDial(Fault fault, std::vector<std::string>& list) {
        if (FaultCode(fault).empty() || Draw(2) == 0) return false;
        const int at = Draw(static_cast<int>(list.size()) + 1);
        list.insert(list.begin() + at, "ATDT" + std::to_string(1000000 + Draw(9000000)));
        return true;
    }

    // A fresh simulated modem for the run, its profile and `fault` drawn.
    void StartModem(Fault fault, int run, int lines, bool dials) {
        auto modem = std::make_unique<sim::HayesModem>();
        bool digits = Draw(2) == 0, echo = Draw(2) == 0;
        if (fault == Fault::V0) digits = true;
        if (fault == Fault::V1) digits = false;
        if (fault == Fault::EchoOn) echo = true;
        if (fault == Fault::EchoOff) echo = false;
        modem->Store(digits ? "V0" : "V1");
        modem->Store(echo ? "E1" : "E0");
        if (fault == Fault::Noise) modem->Noise(50, static_cast<unsigned>(run) * 7919u);
        if (fault == Fault::Ring || fault == Fault::OnlyRings) modem->Ring(500);
        if (!FaultCode(fault).empty()) {
            if (dials)
                modem->SetDialResult(FaultCode(fault));
            else
                modem->AnswerInstead(1 + Draw(lines), FaultCode(fault));
        }
        if (fault == Fault::Keeps)
            modem->KeepFixed("S" + std::to_string(kKeptRegister), kKeptValue);
        std::optional<int> silentFrom, cutAt, lateLine;
        int lateMs = 0;
        if (fault == Fault::Silence) silentFrom = 1 + Draw(lines);
        if (fault == Fault::HangUp) cutAt = 1 + Draw(lines);
        if (fault == Fault::Late) {
            lateLine = 1 + Draw(lines);
            lateMs = 1000 + Draw(13000);
        }
        std::lock_guard<std::mutex> lock(far_.mutex);
        far_.StartRun(std::move(modem), silentFrom, cutAt, lateLine, lateMs,
                      fault == Fault::OnlyRings);
    }

    // What one run of the console gave.
    struct Outcome {
        RunReport report;
        std::optional<CheckResult> check;
        std::int64_t tookMs = 0;
        bool portReady = false;
    };

    // As hayeskvd-cli modem-write --verify drives the console.
    Outcome DriveConsole(const std::vector<std::string>& list, Counts& counts) {
        MainState state;
        state.WorkMode = kModemWork;
        state.ModemMode = true;
        state.PortReady = link_->PortOpen && !line_->HungUp();
        cli::CliModemWindow window(*link_, state, "Com2", kSpeedIndex, nullptr);
        window.list.lines = list;
        ModemConsole console(state, *link_, window);
        console.SetAnswerLimitMs(kLineAnswerLimitMs);
        Outcome outcome;
        const std::int64_t start = clock_->NowMs();
        console.StartRun();
        while (console.Run().UnderWay() && window.receiving) console.ModemIdle();
        const RunReport& report = console.Run();
        // On line after a dial, the modem takes no question.
        if (report.Completed() && !report.EndedByTimeLimit() && !report.OnLine()) {
            outcome.check = console.CheckModem();
            ++counts.checked;
        }
        outcome.tookMs = clock_->NowMs() - start;
        console.RemoveIdleHandler();
        outcome.report = console.Run();
        outcome.portReady = state.PortReady;
        return outcome;
    }

    // The bound: per line the time limit, the pause and its bytes; the
    // check's settling and each question's limit with a long answer's wire
    // time; a cut line's reopening.
    void CheckBound(int run, Fault fault, int lines, std::int64_t tookMs, Counts& counts) {
        const std::int64_t questions = 6;
        const std::int64_t bound = lines * (kLineAnswerLimitMs + kNextLinePauseMs + 100) +
                                   kSettleLimitMs + kNextLinePauseMs +
                                   questions * (kCheckAnswerQuietMs + 5000) + 2500;
        counts.longestMs = std::max(counts.longestMs, tookMs);
        bounded_.Check(tookMs <= bound, run,
                       std::string(kFaultNames[static_cast<int>(fault)]) + ": " +
                           std::to_string(tookMs) + " ms, bound " + std::to_string(bound));
    }

    // Each line's verdict against what the modem did with it; false when
    // some line was no success.
    bool CheckLines(int run, Fault fault, const RunReport& report) {
        std::vector<std::string> taken;
        std::vector<bool> accepted;
        bool onLine = false;
        {
            std::lock_guard<std::mutex> lock(far_.mutex);
            taken = far_.modem->CommandLines();
            accepted = far_.modem->Accepted();
            onLine = far_.modem->OnLine();
        }
        lineVerdicts_.Check(report.OnLine() == onLine, run,
                            kFaultNames[static_cast<int>(fault)] +
                                std::string(": the run and the modem disagree on line"));
        const std::string name = kFaultNames[static_cast<int>(fault)];
        bool allOk = report.Completed();
        for (const SentLine& l : report.Lines()) {
            const std::size_t i = static_cast<std::size_t>(l.number - 1);
            const bool heard = i < taken.size() && taken[i] == l.text;
            const std::string where = name + ": line " + std::to_string(l.number) + " (" + l.text +
                                      ") " + (l.answer.Found() ? l.answer.Code() : "-");
            if (!l.closed || !l.answer.Found()) {
                // Never a success; only where an answer can be hidden, or
                // the line the run ended on.
                allOk = false;
                lineVerdicts_.Check(CanHideAnswers(fault), run, where);
                continue;
            }
            if (l.Succeeded()) {
                // OK, or CONNECT to a dial: carried out, and on line after it.
                lineVerdicts_.Check(heard && accepted[i], run,
                                    where + ": success, not carried out");
                if (l.WentOnLine())
                    lineVerdicts_.Check(onLine && &l == report.Current(), run,
                                        where +
                                            ": on line, but the modem is not or the run "
                                            "went on");
                if (l.Failed()) lineVerdicts_.Check(false, run, where + ": success and failure");
                continue;
            }
            allOk = false;
            lineVerdicts_.Check(l.Failed(), run, where + ": neither success nor failure");
            if (l.Verdict() == LineVerdict::Error) {
                lineVerdicts_.Check(heard && !accepted[i], run, where + ": ERROR, carried out");
                continue;
            }
            // Another code: the fault's own, on a line the modem did not
            // carry out, or noise that reads as one.
            const std::string code = l.answer.Code();
            const bool faultsCode = !FaultCode(fault).empty() &&
                                    (code == FaultCode(fault) || code == FaultDigits(fault));
            lineVerdicts_.Check(fault == Fault::Noise || (faultsCode && heard && !accepted[i]), run,
                                where + ": another code");
        }
        return allOk;
    }

    // Each setting the check judged, against the modem's own value; false
    // when the check was no success.
    bool CheckSettings(int run, Fault fault, const std::optional<CheckResult>& check, bool onLine) {
        if (onLine) return true;  // nothing to ask a modem on line
        if (!check) return false;
        const std::string name = kFaultNames[static_cast<int>(fault)];
        bool allOk = true;
        std::lock_guard<std::mutex> lock(far_.mutex);
        const sim::HayesModem& m = *far_.modem;
        for (const CheckRow& row : check->rows) {
            const std::string where = name + ": " + RowText(row);
            const auto real = ModemValue(m, row);
            if (row.verdict == CheckVerdict::Unchecked) {
                allOk = false;
                settingVerdicts_.Check(CanHideAnswers(fault) || fault == Fault::Ring || !real, run,
                                       where);
                continue;
            }
            if (row.verdict == CheckVerdict::Differs) allOk = false;
            if (!real) continue;
            const bool same = *real == row.listValue;
            settingVerdicts_.Check(
                same == (row.verdict == CheckVerdict::Same) && row.modemValue == *real, run,
                where + " (modem holds " + std::to_string(*real) + ")");
        }
        return allOk && (check->outcome == CheckOutcome::Done ||
                         check->outcome == CheckOutcome::NothingToCheck);
    }

    // A success left the modem holding every register the list set.
    void CheckSuccess(int run, Fault fault, const std::vector<std::string>& list) {
        std::lock_guard<std::mutex> lock(far_.mutex);
        const sim::HayesModem& m = *far_.modem;
        std::map<int, int> wanted;  // the last value each register was given
        for (const std::string& text : list) {
            for (std::size_t at = text.find('S'); at != std::string::npos;
                 at = text.find('S', at + 1)) {
                const std::size_t eq = text.find('=', at);
                if (eq != std::string::npos)
                    wanted[std::atoi(text.c_str() + at + 1)] = std::atoi(text.c_str() + eq + 1);
            }
        }
        bool holds = true;
        for (const auto& [reg, value] : wanted) holds = holds && m.Register(reg) == value;
        success_.Check(holds, run,
                       std::string(kFaultNames[static_cast<int>(fault)]) +
                           ": reported success, the modem holds otherwise");
    }

    void OneRun(int run) {
        const auto fault = static_cast<Fault>(Draw(kFaults));
        Counts& counts = counts_[static_cast<int>(fault)];
        ++counts.runs;
        std::vector<std::string> list = RandomList();
        const bool dials = DrawDial(fault, list);
        const int lines = static_cast<int>(list.size());
        StartModem(fault, run, lines, dials);

        const Outcome outcome = DriveConsole(list, counts);
        CheckBound(run, fault, lines, outcome.tookMs, counts);
        const bool linesOk = CheckLines(run, fault, outcome.report);
        const bool settingsOk = CheckSettings(run, fault, outcome.check, outcome.report.OnLine());
        if (linesOk && settingsOk) {
            ++counts.succeeded;
            CheckSuccess(run, fault, list);
        }

        Drain();
        if (fault == Fault::HangUp) {
            {
                std::lock_guard<std::mutex> lock(far_.mutex);
                far_.cutWanted = false;
            }
            if (line_->HungUp() || (simLine_ && !outcome.portReady)) LineBack();
        }
        if (simLine_) simLine_->ClearLog();
    }

    int Report(std::int64_t totalMs) {
        std::printf("soak_modem: %d runs, %s, seed %u, %.0f s on its clock\n", runs_,
                    virtual_ ? "in process on the virtual clock" : "over a pseudo-terminal", seed_,
                    static_cast<double>(totalMs) / 1000.0);
        std::printf("%-16s %6s %9s %8s %12s\n", "fault", "runs", "success", "checked",
                    "longest, s");
        for (int f = 0; f < kFaults; ++f) {
            const Counts& c = counts_[f];
            std::printf("%-*s %6d %9d %8d %12.1f\n", 16 + Utf8Extra(kFaultNames[f]), kFaultNames[f],
                        c.runs, c.succeeded, c.checked, static_cast<double>(c.longestMs) / 1000.0);
        }
        int violations = 0;
        std::printf("checks:\n");
        for (const bench::Verdict* v : {&lineVerdicts_, &settingVerdicts_, &success_, &bounded_}) {
            violations += v->violations;
            std::printf("  %-58s %s (%d checked, %d violations)%s%s\n", v->what,
                        v->violations == 0 ? "ok" : "VIOLATED", v->checked, v->violations,
                        v->first.empty() ? "" : "; first: ", v->first.c_str());
        }
        std::printf("verdict: %s\n", violations == 0 ? "no violation" : "VIOLATIONS FOUND");
        return violations == 0 ? 0 : 1;
    }

    static int Utf8Extra(const char* text) {
        int extra = 0;
        for (const char* p = text; *p; ++p)
            if ((static_cast<unsigned char>(*p) & 0xC0) == 0x80) ++extra;
        return extra;
    }

    int runs_;
    bool virtual_;
    unsigned seed_;
    std::mt19937 random_;
    std::unique_ptr<bench::ScratchFolder> folder_;
    std::unique_ptr<Clock> clock_;
    FaultyModem far_;
    std::unique_ptr<sim::SimLine> simLine_;
    std::string linkPath_;
    std::unique_ptr<sim::ServedPty> served_;
    std::unique_ptr<PosixSerialLine> posixLine_;
    std::unique_ptr<bench::CuttableLine> line_;
    // A lost port's box is one of the outcomes the soak causes on purpose.
    struct QuietView final : bench::NoWindows {
        void ShowError(const std::string&) override {}
    } view_;
    std::unique_ptr<SerialLink> link_;
    std::array<Counts, kFaults> counts_{};
    bench::Verdict lineVerdicts_{"every line's verdict is what the modem did with it"};
    bench::Verdict settingVerdicts_{"every setting checked is as the modem holds it"};
    bench::Verdict success_{"a success left the modem holding the list"};
    bench::Verdict bounded_{"no run longer than its bound"};
};

}  // namespace

int main(int argc, char* argv[]) {
    bench::SoakOptions options{.count = 500, .virtualClock = false, .seed = 26};
    if (!bench::ReadSoakOptions(argc, argv, "--runs", options)) return 2;
    Soak soak(options.count, options.virtualClock, options.seed);
    std::string error;
    if (!soak.Ready(error)) {
        std::fprintf(stderr, "soak_modem: %s\n", error.c_str());
        return 2;
    }
    return soak.Run();
}
