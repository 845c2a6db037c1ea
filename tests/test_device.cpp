// The controller's commands and status waits against the simulated
// controller on the virtual clock: STOP at most once, the key question and
// its restarted limit, the unit's status box, "Выход" during a wait, and the
// kit check with its retry and mismatch box.

#include <gtest/gtest.h>

#include "device/Commands.h"
#include "protocol/Results.h"
#include "sim/KvardController.h"
#include "sim/SimLine.h"
#include "support/ScriptedView.h"

namespace hk::device {
namespace {

using Box = test::ScriptedView::Box;
using Fault = sim::KvardFault;
using Texts = std::vector<std::string>;

class FakeDeviceView : public DeviceView {
public:
    void ProcessMessages() override { script.ProcessMessages(); }
    bool Confirm(const std::string& text) override { return script.Confirm(text); }
    void ShowInformation(const std::string& text) override { script.ShowInformation(text); }
    void ShowError(const std::string& text) override { script.ShowError(text); }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    void SetNumberLabel(const std::string&) override {}
    void SetSpeedLabel(const std::string&) override {}
    void ShowGauge(bool) override {}
    void SetGauge(int) override {}

    test::ScriptedView script;
    Texts status;
};

struct World {
    explicit World(sim::KvardKit kit = sim::KvardKit::Basic, int crcMode = -1)
        : kvard([&] {
              sim::KvardOptions o;
              o.kit = kit;
              o.framing = crcMode < 0 ? sim::KvardFraming::Traditional : sim::KvardFraming::Ft12;
              o.crcMode = std::max(crcMode, 0);
              return o;
          }()) {
        line.Attach(&kvard);
        link.Settings.Protocol = crcMode < 0 ? 0 : 1;
        link.Settings.CrcMode = static_cast<std::int8_t>(std::max(crcMode, 0));
        OpenPort(link, "Com1", 5, AddressMode::On);
    }
    std::size_t StatusPolls() const { return std::size_t(kvard.CountRequests(0x01)); }
    int WaitFor(std::uint8_t mask, std::uint8_t expected) {
        t0 = clock.NowMs();
        return WaitForStatus(c, mask, expected, kMatchWaitLimit, &conditionMet);
    }
    int WaitStopped() {
        t0 = clock.NowMs();
        return WaitUntilStopped(c, kStopWaitLimit, &conditionMet);
    }
    // Makes the request after the `n`-th window message pass get the fault.
    void FaultAfterPass(int n, Fault fault) {
        view.script.onProcess = [this, n, fault](int k) {
            if (k == n) kvard.Inject(fault);
        };
    }

    VirtualClock clock{1000};
    sim::SimLine line{clock};
    sim::KvardController kvard;
    FakeDeviceView view;
    SerialLink link{line, clock, view};
    ControllerSession session;
    DeviceContext c{link, session, view};
    std::int64_t t0 = 0;
    bool conditionMet = false;
};

TEST(WaitStatus, StopIsSentOnlyToARunningControllerAndOnlyOnce) {
    World stopped;
    stopped.kvard.SetRunState(kRunStopped);
    EXPECT_EQ(stopped.WaitStopped(), 0);
    EXPECT_TRUE(stopped.conditionMet);
    EXPECT_EQ(stopped.kvard.CountRequests(kStop), 0);
    EXPECT_EQ(stopped.StatusPolls(), 1u);

    for (int crcMode : {-1, 2}) {
        World w(sim::KvardKit::Basic, crcMode);
        EXPECT_EQ(w.WaitStopped(), 0);
        EXPECT_EQ(w.kvard.CountRequests(kStop), 1);
        EXPECT_EQ(w.session.AnswerBuf[1] & kRunStateMask, kRunStopped);
        // The controller takes 300 ms to stop; the polls are 100 ms apart.
        EXPECT_GE(w.StatusPolls(), 3u);
        EXPECT_LE(w.StatusPolls(), 4u);
    }
}

TEST(WaitStatus, ATimeOutAloneIsNoFailure) {
    World w;
    w.kvard.ignoreStop = true;
    EXPECT_EQ(w.WaitStopped(), 0);
    EXPECT_FALSE(w.conditionMet);  // told apart from a wait whose condition held
    EXPECT_EQ(w.kvard.CountRequests(kStop), 1);
    EXPECT_GE(w.clock.NowMs() - w.t0, 14688);
    EXPECT_LT(w.clock.NowMs() - w.t0, 14688 + 150);

    const std::size_t before = w.StatusPolls();
    EXPECT_EQ(w.WaitFor(kBlockWritten, kBlockWritten), 0);
    EXPECT_FALSE(w.conditionMet);
    EXPECT_GE(w.clock.NowMs() - w.t0, 2592);
    EXPECT_LT(w.clock.NowMs() - w.t0, 2592 + 50);
    EXPECT_GT(w.StatusPolls() - before, 100u);  // back to back, no pause
}

TEST(WaitStatus, YesToTheKeyQuestionRestartsTheLimitAndNoFails) {
    World w;
    w.kvard.ignoreStop = true;
    w.kvard.SetKeyMissing(1);
    w.view.script.answers = {true};
    std::int64_t answeredAt = 0;
    w.view.script.onConfirm = [&](const std::string&, bool) {
        w.clock.Sleep(10000);  // the operator fetches the key
        answeredAt = w.clock.NowMs();
    };
    EXPECT_EQ(w.WaitStopped(), 0);
    EXPECT_EQ(w.view.script.Texts(Box::Kind::Confirm), Texts{"Установите электронный ключ "});
    EXPECT_GE(w.clock.NowMs() - answeredAt, 14688);
    EXPECT_LT(w.clock.NowMs() - answeredAt, 14688 + 150);
    EXPECT_EQ(w.kvard.CountRequests(kStop), 1);  // the same answer went on to STOP

    World no;
    no.kvard.SetKeyMissing(-1);
    EXPECT_EQ(no.WaitStopped(), kStepFailed);
    EXPECT_EQ(no.kvard.CountRequests(kStop), 0);
    EXPECT_TRUE(no.view.status.empty());
}

TEST(WaitStatus, OtherRunStatesShowTheUnitsStatus) {
    for (std::uint8_t state : {0x10, 0x18}) {
        World w;
        w.kvard.SetRunState(state);
        EXPECT_EQ(w.WaitStopped(), kStepFailed);
        EXPECT_EQ(w.view.script.Texts(Box::Kind::Error), Texts{"Статус блока 00" + Hex2(state)});
        EXPECT_EQ(w.kvard.CountRequests(kStop), 0);
    }
}

TEST(WaitStatus, FailedRequestsShowTheirTexts) {
    World w;
    w.kvard.Inject(Fault::Silence);
    EXPECT_EQ(w.WaitFor(3, 1), protocol::kResultNoStart);
    EXPECT_EQ(w.view.status.back(), "Чтение статуса работы КВАРД нет подтв. начала обмена");

    World s;
    s.FaultAfterPass(2, Fault::Nak);  // the status read is answered, STOP refused
    EXPECT_EQ(s.WaitStopped(), protocol::kResultRejected);
    EXPECT_EQ(s.view.status, Texts{"Команда STOP несовп КС передачи"});

    World f(sim::KvardKit::Basic, 2);  // a code without a table text: its number
    f.kvard.Inject(Fault::BadCrc);
    EXPECT_EQ(f.WaitFor(3, 1), protocol::kResultCrcWrong);
    EXPECT_EQ(f.view.status.back(),
              "Чтение статуса работы КВАРД код ошибки 11 (неверная CRC ответа)");
}

TEST(WaitStatus, ExitDuringTheWaitEndsItAtTheNextPass) {
    World w;
    w.kvard.ignoreStop = true;
    w.view.script.onProcess = [&](int n) {
        if (n == 6) w.session.StopRequest = true;  // "Выход" in the third pass
    };
    EXPECT_EQ(w.WaitStopped(), kStepFailed);
    EXPECT_FALSE(w.conditionMet);
    EXPECT_EQ(w.StatusPolls(), 2u);
    EXPECT_LT(w.clock.NowMs() - w.t0, 500);
}

TEST(CheckKit, EveryKitAgainstEveryChoice) {
    const std::string prefix =
        "Несоответствие выбранного и подключенного комплекта КВАРД.\r"
        "Для продолжения работы выберите в меню ";
    for (int connected = 0; connected < 4; ++connected) {
        for (std::uint8_t chosen = 0; chosen < 4; ++chosen) {
            World w(static_cast<sim::KvardKit>(connected));
            const bool same = connected == chosen;
            EXPECT_EQ(CheckKit(w.c, chosen), same ? 0 : kKitMismatch);
            EXPECT_EQ(w.view.script.Texts(Box::Kind::Information),
                      same ? Texts{}
                           : Texts{prefix + KitNames[std::size_t(connected)] + " комплект КВАРД."});
        }
    }
    EXPECT_STREQ(KitNames[3], "КВАРД-47");
    const std::uint8_t a[] = {0x05, 0x21}, other[] = {0x02, 0xFE}, one[] = {0x01, 0xFE};
    EXPECT_EQ(KitFromIdentification(a, other), 3);  // not i, 255 - i
    EXPECT_EQ(KitFromIdentification(one, one), 0);  // equal words win
}

TEST(CheckKit, SecondTryAndItsTexts) {
    World a;
    a.kvard.Inject(Fault::Silence);  // identification A, first try
    EXPECT_EQ(CheckKit(a.c, 0), 0);
    EXPECT_EQ(a.view.status, (Texts{"Чтение версии программы нет подтв. начала обмена",
                                    "Повтор нет подтв. начала обмена"}));

    World b;
    b.FaultAfterPass(2, Fault::Nak);  // identification B, first try: no text of its own
    EXPECT_EQ(CheckKit(b.c, 0), 0);
    EXPECT_EQ(b.view.status, Texts{"Повтор несовп КС передачи"});

    World f;
    f.kvard.Inject(Fault::Silence, -1);
    EXPECT_EQ(CheckKit(f.c, 0), protocol::kResultNoStart);
    EXPECT_EQ(f.view.status.size(), 3u);
    EXPECT_TRUE(f.view.script.boxes.empty());
}

}  // namespace
}  // namespace hk::device
