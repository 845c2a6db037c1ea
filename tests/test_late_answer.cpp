// Answers that come after their request's time-out, on the virtual clock
// against the simulated controller: they are discarded before the next
// request and logged, never taken for its answer; the guard costs a good
// exchange nothing, a failed one at most its guard time, and nothing at all
// when the next request goes out at another speed or, on FT1.2, to another
// network number.

#include <gtest/gtest.h>

#include "device/Commands.h"
#include "log/ExchangeLog.h"
#include "log/LoggedLink.h"
#include "protocol/Exchange.h"
#include "sim/KvardController.h"
#include "sim/SimLine.h"
#include "support/ScriptPeer.h"
#include "support/ScriptedView.h"

namespace hk::device {
namespace {

using sim::KvardFault;
using test::Hex;
using test::HexText;

class NullView : public DeviceView {
public:
    void ProcessMessages() override {}
    bool Confirm(const std::string&) override { return true; }
    void ShowInformation(const std::string& text) override { boxes.push_back(text); }
    void ShowError(const std::string& text) override { boxes.push_back(text); }
    void SetStatusText(const std::string&) override {}
    void SetNumberLabel(const std::string&) override {}
    void SetSpeedLabel(const std::string&) override {}
    void ShowGauge(bool) override {}
    void SetGauge(int) override {}
    std::vector<std::string> boxes;
};

sim::KvardOptions Ft12Controller(sim::KvardKit kit = sim::KvardKit::Basic) {
    sim::KvardOptions o;
    o.kit = kit;
    o.framing = sim::KvardFraming::Ft12;
    o.netNumber = 1;
    return o;
}

struct World {
    explicit World(sim::KvardOptions options = Ft12Controller()) : kvard(options) {
        line.Attach(&kvard);
        const bool ft12 = options.framing == sim::KvardFraming::Ft12;
        link.Settings.Protocol = ft12 ? 1 : 0;
        link.Settings.CrcMode = static_cast<std::int8_t>(options.crcMode);
        link.Settings.NetAddress = static_cast<std::int8_t>(options.netNumber);
        link.Settings.SpeedIndex = 5;
        OpenPort(link, "Com1", 5, AddressMode::Off);
    }
    // A request (count byte first) and the time it took.
    int Send(const std::string& request, int answerLen) {
        std::vector<std::uint8_t> r = Hex(request);
        r.resize(16);
        answer.assign(140, 0xEE);
        const std::int64_t t0 = clock.NowMs();
        const int result = protocol::ExchangeFrame(link, r, answer, answerLen);
        ms = clock.NowMs() - t0;
        return result;
    }
    std::vector<std::string> Log() {
        log.FlushAll();
        std::uint64_t next = 0;
        return log.LinesFrom(next);
    }
    bool Logged(const std::string& part) {
        for (const std::string& line : Log())
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

    VirtualClock clock{1000};
    sim::SimLine line{clock};
    sim::KvardController kvard;
    NullView view;
    LoggedLink logged{line, clock, view, [] { return std::int64_t{0}; }};
    SerialLink& link = logged.Link();
    ExchangeLog& log = logged.Log();
    ControllerSession session;
    DeviceContext c{link, session, view};
    std::vector<std::uint8_t> answer;
    std::int64_t ms = 0;
};

TEST(LateAnswer, TheLateIdentificationIsNotTakenForTheStatusOfARunningController) {
    // The second identification word (03 FC of a kit-3 controller) comes
    // 1050 ms after its request; the stop wait that follows must see the
    // controller running (00 00) and send STOP, not take "03 FC" (stopped).
    World w(Ft12Controller(sim::KvardKit::Kvard47));
    w.kvard.InjectFor({0x01, 0x41, 0x1E}, KvardFault::LateAnswer);
    EXPECT_EQ(w.Send("03 01 41 1E", 2), protocol::kResultNoStart);
    EXPECT_GE(w.ms, 1000);
    bool met = false;
    EXPECT_EQ(WaitUntilStopped(w.c, kStopWaitLimit, &met), 0);
    EXPECT_TRUE(met);
    EXPECT_EQ(w.kvard.CountRequests(kStop), 1);
    EXPECT_TRUE(w.Logged("опоздавший ответ на прежний запрос: 9 байт отброшено"));
    EXPECT_TRUE(w.Logged("← 10 00 01 03 FC 00 00 00 16"));
}

TEST(LateAnswer, AKitCheckWithEveryAnswerLateNeverNamesAKitNorPasses) {
    for (int chosen : {0, 3}) {
        SCOPED_TRACE(chosen);
        World w(Ft12Controller(sim::KvardKit::Kvard47));
        w.kvard.Inject(KvardFault::LateAnswer, -1);
        const int result = CheckKit(w.c, static_cast<std::uint8_t>(chosen));
        EXPECT_NE(result, 0);
        EXPECT_NE(result, kKitMismatch);
        EXPECT_TRUE(w.view.boxes.empty());
    }
}

// A kit-3 controller whose identification answer (01 40 1E) comes 2.1 s
// after the request, past the guard: on the retry it is taken for the
// retry's answer, and the retry's own for the second word, so the pair
// reads the first word twice, which names the basic kit. The pair read
// again the other way round does not agree: no kit passes.
TEST(LateAnswer, AnIdentificationLaterThanTheGuardNeverPassesTheKitCheck) {
    for (int chosen : {0, 3}) {
        SCOPED_TRACE(chosen);
        sim::KvardOptions o = Ft12Controller(sim::KvardKit::Kvard47);
        o.turnaroundMs = 150;
        o.lateAnswerMs = 2100;
        World w(o);
        w.kvard.InjectFor({0x01, 0x40, 0x1E}, KvardFault::LateAnswer);
        EXPECT_EQ(CheckKit(w.c, static_cast<std::uint8_t>(chosen)), kNoConfirmation);
        EXPECT_TRUE(w.view.boxes.empty());
    }
    // A retry after an answer that was simply refused reads the pair, and
    // again the other way round, and names the kit.
    World w(Ft12Controller(sim::KvardKit::Kvard47));
    w.kvard.InjectFor({0x01, 0x40, 0x1E}, KvardFault::Nak);
    int kit = -1;
    EXPECT_EQ(IdentifyKit(w.c, kit), 0);
    EXPECT_EQ(kit, 3);
    EXPECT_EQ(w.kvard.CountRequests(kReadParameter), 5);  // A (refused), A, B, then B, A
}

// The address probe is guarded like a request: a late answer holding the
// byte of the number probed next is not taken for that number's return.
TEST(LateAnswer, TheAddressProbeIsNotAnsweredByALateAnswer) {
    sim::KvardOptions o;
    o.netNumber = 5;
    o.lateAnswerMs = 2100;
    World w(o);
    w.kvard.SetIdentification({0x06, 0x06}, {0x06, 0x06});
    ASSERT_TRUE(protocol::ProbeNetAddress(w.link, 5));
    w.kvard.InjectFor({0x01, 0x40, 0x1E}, KvardFault::LateAnswer);
    EXPECT_EQ(w.Send("03 01 40 1E", 2), protocol::kResultWaitTimedOut);
    w.link.Settings.NetAddress = 6;  // nobody answers to 6
    EXPECT_FALSE(protocol::ProbeNetAddress(w.link, 5));
    EXPECT_TRUE(w.Logged("опоздавший ответ на прежний запрос: 4 байт отброшено"));
}

TEST(LateAnswer, TheTraditionalFramingDiscardsALateAcceptanceToo) {
    sim::KvardOptions o;
    o.lateAnswerMs = 2100;  // past the verdict wait (two 1000 ms reads)
    World w(o);
    w.kvard.InjectFor({0x01, 0x40, 0x1E}, KvardFault::LateAnswer);
    EXPECT_EQ(w.Send("03 01 40 1E", 2), protocol::kResultWaitTimedOut);
    EXPECT_EQ(w.Send("03 01 40 00", 2), protocol::kResultOk);
    EXPECT_EQ(HexText({w.answer.begin(), w.answer.begin() + 2}), "00 00");  // the status
    EXPECT_TRUE(w.Logged("опоздавший ответ на прежний запрос: 4 байт отброшено"));
}

TEST(LateAnswer, TheGuardCostsAGoodExchangeNothingAndAFailedOneAtMostItsTime) {
    World w;
    ASSERT_EQ(w.Send("03 01 40 00", 2), 0);
    const std::int64_t good = w.ms;
    ASSERT_EQ(w.Send("03 01 40 00", 2), 0);
    EXPECT_EQ(w.ms, good);  // after a good exchange no guard

    // A silent controller: the guard listens for the rest of one second.
    w.kvard.Inject(KvardFault::Silence);
    EXPECT_EQ(w.Send("03 01 40 00", 2), protocol::kResultNoStart);
    EXPECT_EQ(w.Send("03 01 40 00", 2), 0);
    EXPECT_EQ(w.ms, 1000 + good);
    EXPECT_FALSE(w.Logged("опоздавший"));

    // What the caller spent after the failure counts towards the guard.
    w.kvard.Inject(KvardFault::Silence);
    EXPECT_EQ(w.Send("03 01 40 00", 2), protocol::kResultNoStart);
    w.clock.Sleep(700);
    EXPECT_EQ(w.Send("03 01 40 00", 2), 0);
    EXPECT_EQ(w.ms, 300 + good);
    w.kvard.Inject(KvardFault::Silence);
    EXPECT_EQ(w.Send("03 01 40 00", 2), protocol::kResultNoStart);
    w.clock.Sleep(1000);
    EXPECT_EQ(w.Send("03 01 40 00", 2), 0);
    EXPECT_EQ(w.ms, good);
}

TEST(LateAnswer, AnotherSpeedOrAnotherNetworkNumberNeedsNoGuard) {
    World w;
    w.kvard.Inject(KvardFault::Silence);
    ASSERT_EQ(w.Send("03 01 40 00", 2), protocol::kResultNoStart);
    w.link.Settings.NetAddress = 2;  // nobody there: fails at once after one read
    EXPECT_EQ(w.Send("03 01 40 00", 2), protocol::kResultNoStart);
    EXPECT_LT(w.ms, 1100);

    // A late answer at 9600 baud read after the line went to 19200 is
    // garbage, not an answer; the search's next attempt does not wait.
    World s;
    s.kvard.InjectFor({0x01, 0x40, 0x1E}, KvardFault::LateAnswer);
    ASSERT_EQ(s.Send("03 01 40 1E", 2), protocol::kResultNoStart);
    SetPortSpeed(s.link, AddressMode::On, 6);
    s.link.Settings.SpeedIndex = 6;
    EXPECT_NE(s.Send("03 01 40 1E", 2), protocol::kResultOk);
    EXPECT_LT(s.ms, 1100);
}

TEST(LateAnswer, ALateAnswerStillComingWhenTheGuardEndsIsDiscardedWhole) {
    // A 128-byte buffer read answered 1900 ms late at 1200 baud: its 136
    // bytes take 1.2 s, well past the guard's second.
    sim::KvardOptions o = Ft12Controller();
    o.baudRate = 1200;
    o.lateAnswerMs = 1900;
    World w(o);
    SetPortSpeed(w.link, AddressMode::Off, 2);
    w.link.Settings.SpeedIndex = 2;
    w.kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ"}));
    w.kvard.Inject(KvardFault::LateAnswer);
    EXPECT_EQ(w.Send("04 02 BF 00 80", 128), protocol::kResultNoStart);
    EXPECT_EQ(w.Send("03 01 40 00", 2), protocol::kResultOk);
    EXPECT_EQ(HexText({w.answer.begin(), w.answer.begin() + 2}), "00 00");
    EXPECT_TRUE(w.Logged("опоздавший ответ на прежний запрос: 136 байт отброшено"));
}

}  // namespace
}  // namespace hk::device
