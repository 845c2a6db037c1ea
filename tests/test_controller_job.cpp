// The controller dialog's behaviour around a run, against the simulated
// controller on the virtual clock: one run at a time, "Выход" and the title
// bar during a write, a port failing mid-write, the one-second tick, and what
// opening and leaving the dialog read and store.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "base/FileError.h"
#include "device/BufferTransfer.h"
#include "device/LinkSearch.h"
#include "support/ControllerFakes.h"

namespace hk::device {
namespace {

using test::ControllerWorld;
using test::HexText;
using Texts = std::vector<std::string>;

sim::KvardOptions Controller(sim::KvardFraming framing = sim::KvardFraming::Traditional) {
    sim::KvardOptions o;
    o.netNumber = 5;
    o.framing = framing;
    return o;
}

// A write world whose `action` runs once, between the first and second block.
struct WriteWorld : ControllerWorld {
    explicit WriteWorld(std::function<void(WriteWorld&)> action)
        : ControllerWorld(Controller(), false) {
        view.upper.lines = {"ATZ"};
        view.lower.lines = {"ATS0=2"};
        view.script.onProcess = [this, action, done = false](int) mutable {
            if (done || view.gauge.empty()) return;
            done = true;
            action(*this);
        };
        view.onClose = [this] {
            closedDuringRun = job.Running();
            job.Closed();
        };
    }
    // The requests from the copy-in on, as hexadecimal text.
    Texts ReprogrammingAndAfter() const {
        Texts out;
        bool started = false;
        for (const auto& r : kvard.Requests()) {
            started = started || (r.bytes[0] == kReprogramming);
            if (started && r.bytes[0] != kReadParameter) out.push_back(HexText(r.bytes));
        }
        return out;
    }
    bool closedDuringRun = false;
};

TEST(OneRun, ASecondSearchDuringARunIsIgnored) {
    ControllerWorld w(Controller());
    int nested = 0;
    w.view.script.onProcess = [&](int) {
        EXPECT_TRUE(w.job.Running());
        if (nested++ == 0) w.job.Search();
    };
    w.job.Search();
    EXPECT_FALSE(w.job.Running());
    EXPECT_EQ(w.Opens(), 1);
    EXPECT_EQ(w.kvard.CountRequests(kReadMemory), 2);
    EXPECT_EQ(w.view.closed, 1);
}

TEST(OneRun, ASearchPressedDuringAFailedRunFollowsItAndIsNotLost) {
    ControllerWorld w(Controller());
    w.view.choice.number = "6";   // nobody answers
    w.view.choice.speedItem = 6;  // 9600 baud alone: one attempt a run
    int nested = 0;
    w.view.script.onProcess = [&](int) {
        if (nested++ == 0) {
            w.job.Search();
            EXPECT_EQ(w.Sent("06"), 0);  // not inside the run under way
        }
    };
    w.job.Search();
    EXPECT_FALSE(w.job.Running());
    EXPECT_EQ(w.Sent("06"), 2);  // the address probe of each run
    EXPECT_EQ(w.view.running, (std::vector<bool>{true, false, true, false}));
    // Each run ends with the result in place of its progress.
    EXPECT_EQ(w.view.speedLabel, "Скорость обмена  не установлена");
    EXPECT_EQ(w.view.status.back(), "Подбор: КВАРД не ответил ни на одной из 1 попытки");
    EXPECT_EQ(w.view.closed, 0);
}

TEST(OneRun, ASearchPressedDuringASuccessfulWriteStartsNoSecondWrite) {
    WriteWorld w([](WriteWorld& world) { world.job.Search(); });
    w.job.Search();
    EXPECT_EQ(w.kvard.CountRequests(kReprogramming), 2);  // one copy-in, one copy-out
    EXPECT_EQ(w.view.running, (std::vector<bool>{true, false}));
    EXPECT_EQ(w.TickUntilClosed(), 1);
}

TEST(SearchTexts, TheFailedSearchCountsItsAttemptsInRussian) {
    EXPECT_EQ(SearchFailedText(1), "Подбор: КВАРД не ответил ни на одной из 1 попытки");
    EXPECT_EQ(SearchFailedText(7), "Подбор: КВАРД не ответил ни на одной из 7 попыток");
    EXPECT_EQ(SearchFailedText(11), "Подбор: КВАРД не ответил ни на одной из 11 попыток");
    EXPECT_EQ(SearchFailedText(21), "Подбор: КВАРД не ответил ни на одной из 21 попытки");
    EXPECT_EQ(SearchFailedText(896), "Подбор: КВАРД не ответил ни на одной из 896 попыток");
    EXPECT_EQ(AttemptCount(SearchRangeFor(kNoNetNumber, 0)), 896);
    EXPECT_EQ(AttemptCount(SearchRangeFor(5, 0)), 7);
    EXPECT_EQ(AttemptCount(SearchRangeFor(5, 3)), 1);
}

TEST(ExitDuringAWrite, CancelsThenEndsTheExchangeStoresAndClosesAfterTheRun) {
    WriteWorld w([](WriteWorld& world) {
        world.job.Exit();
        EXPECT_TRUE(world.job.Session().StopRequest);
        EXPECT_EQ(world.view.closed, 0);
    });
    w.job.Search();
    // The second block goes out, its wait stops at once: cancel, then the
    // deferred end of exchange.
    EXPECT_EQ(
        w.ReprogrammingAndAfter(),
        (Texts{"0D A1", "05 40 07 BF FB", "05 40 04 00 10", "05 40 07 DF 00",
               "06 DF 00 41 54 5A 0D 00 00 00 00 00", "05 40 07 BE FB", "05 41 04 00 10",
               "05 40 07 DF 80", "06 DF 80 41 54 53 30 3D 32 0D 00 00 00 00 00", "0D A0", "0B"}));
    EXPECT_EQ(w.kvard.Buffer(0), std::vector<std::uint8_t>(128, 0xFF));
    EXPECT_EQ(w.view.closed, 1);
    EXPECT_FALSE(w.closedDuringRun);
    EXPECT_EQ(w.SettingsFile(), (std::vector<unsigned char>{0, 0, 5, 5, 0, 0, 0, 0}));
}

TEST(CloseDuringAWrite, TheWriteFinishesThenTheDialogClosesWithoutStoring) {
    WriteWorld w([](WriteWorld& world) { EXPECT_FALSE(world.job.MayClose()); });
    w.job.Search();
    EXPECT_EQ(w.kvard.CountRequests(kReprogramming), 2);  // copy-in, copy-out
    EXPECT_EQ(w.kvard.Buffer(0)[0], 'A');
    EXPECT_EQ(w.view.speedLabel, "Скорость обмена  OK");
    EXPECT_EQ(w.view.closed, 1);
    EXPECT_FALSE(w.closedDuringRun);
    EXPECT_TRUE(w.job.MayClose());
    EXPECT_EQ(w.SettingsFile(), std::vector<unsigned char>(8, 0));
}

// Asked together during a run, "Выход" counts whatever its place among
// them (the end of exchange, the settings stored, one closing), a title-bar
// close counts before a second "Подбор", and neither lets that "Подбор" run.
TEST(AskedDuringAWrite, ExitOutweighsACloseWhichOutweighsASearch) {
    using Ask = std::function<void(ControllerJob&)>;
    const Ask exit = [](ControllerJob& j) { j.Exit(); };
    const Ask close = [](ControllerJob& j) { EXPECT_FALSE(j.MayClose()); };
    const Ask search = [](ControllerJob& j) { j.Search(); };
    const std::vector<unsigned char> stored{0, 0, 5, 5, 0, 0, 0, 0};
    const std::vector<unsigned char> untouched(8, 0);
    const struct {
        std::vector<Ask> asks;
        bool exited;
    } rows[] = {{{close, exit}, true},  {{exit, close}, true},    {{search, exit}, true},
                {{exit, search}, true}, {{search, close}, false}, {{close, search}, false}};
    for (const auto& r : rows) {
        WriteWorld w([&r](WriteWorld& world) {
            for (const Ask& ask : r.asks) ask(world.job);
        });
        w.job.Search();
        EXPECT_EQ(w.view.closed, 1);
        EXPECT_FALSE(w.closedDuringRun);
        EXPECT_EQ(w.Opens(), 1);  // no second run
        EXPECT_EQ(w.Received(kExchangeEnd).size(), r.exited ? 1u : 0u);
        EXPECT_EQ(w.SettingsFile(), r.exited ? stored : untouched);
    }
}

TEST(PortFailure, AWriteThatFailsMidWayStillCancels) {
    // The control parameter read and the second buffer's unlock do not leave.
    WriteWorld w([](WriteWorld& world) { world.port.failWrites = 2; });
    w.job.Search();
    Texts reprogramming;
    for (const auto& q : w.Received(kReprogramming)) reprogramming.push_back(HexText(q));
    EXPECT_EQ(reprogramming, (Texts{"0D A1", "0D A0"}));
    EXPECT_EQ(w.view.status.back(),
              "Буфер для канала МПИ не записан: нет передачи данных. Команда отмены "
              "репрограммации OK");
    EXPECT_EQ(w.TickUntilClosed(), 0);
}

TEST(Tick, ClosingEndsTheKeyWait) {
    ControllerWorld w(Controller(), false);
    w.kvard.SetKeyMissing(-1);
    w.view.script.answers = {true};
    w.job.Search();
    ASSERT_EQ(w.job.Session().StatusState, kStatusRecheck);
    EXPECT_TRUE(w.job.MayClose());
    w.job.Closed();
    const std::size_t requests = w.kvard.Requests().size();
    w.clock.Sleep(1000);
    w.job.Tick();
    EXPECT_EQ(w.kvard.Requests().size(), requests);
    EXPECT_EQ(w.view.script.boxes.size(), 1u);
}

TEST(Leaving, ExitStoresThePortAndKitAndEndsTheTraditionalExchange) {
    const struct {
        sim::KvardFraming framing;
        bool searched;
        int endFrames;
    } rows[] = {{sim::KvardFraming::Traditional, false, 0},
                {sim::KvardFraming::Traditional, true, 1},
                {sim::KvardFraming::Ft12, true, 0}};
    for (const auto& r : rows) {
        ControllerWorld w(Controller(r.framing), false);
        w.view.choice.port = 3;
        w.view.choice.portName = "Com4";
        w.state.KitIndex = 2;  // the kit check fails: the port stays open
        if (r.searched) w.job.Search();
        const std::size_t enqs = w.Sent("05");
        w.job.Exit();
        EXPECT_EQ(w.Sent("05") - enqs, std::size_t(r.endFrames));
        EXPECT_EQ(w.view.closed, 1);
        EXPECT_EQ(w.SettingsFile()[0], 3);
        EXPECT_EQ(w.SettingsFile()[7], 2);
    }

    ControllerWorld missing(Controller());
    std::filesystem::remove(missing.state.CfgFileName);
    EXPECT_THROW(missing.job.Exit(), FileError);
    EXPECT_EQ(missing.view.closed, 0);
}

TEST(Opening, RereadsTheSettingsAndStartsIdle) {
    ControllerWorld w(Controller(), false);
    w.kvard.SetKeyMissing(-1);
    w.view.script.answers = {false};
    w.job.Search();
    ASSERT_TRUE(w.job.Session().StopRequest);
    test::TempDir::WriteAll(w.state.CfgFileName, {1, 2, 5, 3, 1, 1, 2, 2});
    w.job.Opened();
    EXPECT_EQ(w.link.Settings.PortIndex, 1);
    EXPECT_EQ(w.link.Settings.CrcMode, 2);
    EXPECT_FALSE(w.job.Session().StopRequest);
    EXPECT_EQ(w.job.Session().StatusState, kStatusIdle);
}

TEST(Opening, AnEarlierWritesSuccessClosesNothing) {
    ControllerWorld w(Controller(), false);
    w.view.upper.lines = {"ATZ"};
    w.job.Search();
    ASSERT_TRUE(w.job.Outcome().written);
    w.job.Closed();
    w.job.Opened();  // the dialog opened again before any tick closed it
    EXPECT_FALSE(w.job.Outcome().written);
    w.job.Tick();
    EXPECT_EQ(w.view.closed, 0);
}

// A run that neither read nor wrote carries what the operator was told of
// it: the port's error box, the search's status text, the kit's box, the
// write's cause and cancel rather than the restart question asked after
// them. A run that read carries nothing, whatever an earlier one was told.
TEST(Outcome, AFailedRunCarriesWhatTheOperatorWasToldOfIt) {
    {
        // Straight on the simulated line, which tells why it refused.
        ControllerWorld w(Controller());
        w.line.RefuseOpen("Com1", ENOENT);
        SerialLink link(w.line, w.clock, w.view);
        ControllerJob job(w.state, link, w.view);
        job.Opened();
        job.Search();
        EXPECT_FALSE(job.Outcome().portOpened);
        ASSERT_EQ(w.view.script.boxes.size(), 1u);
        EXPECT_EQ(job.Outcome().message, w.view.script.boxes[0].text);
        EXPECT_EQ(job.Outcome().message.rfind(kOpenPortErrorText, 0), 0u);
    }
    {
        ControllerWorld w(Controller());
        w.state.KitIndex = 2;
        w.job.Search();
        EXPECT_EQ(w.job.Outcome().code, kKitMismatch);
        ASSERT_EQ(w.view.script.boxes.size(), 1u);
        EXPECT_EQ(w.job.Outcome().message, w.view.script.boxes[0].text);
    }
    {
        ControllerWorld w(Controller(), false);
        w.view.upper.lines = {"ATZ"};
        w.kvard.InjectFor({0x0D, 0xA3}, sim::KvardFault::Nak);
        w.view.script.answers = {true};  // "Перезапустить КВАРД?"
        w.job.Search();
        EXPECT_FALSE(w.job.Outcome().written);
        ASSERT_TRUE(w.job.Outcome().write.restarted);
        EXPECT_EQ(w.job.Outcome().message, w.view.status.back());
        EXPECT_NE(w.job.Outcome().message.find(kCancelText), std::string::npos);
    }
    ControllerWorld w(Controller());
    w.view.choice.number = "6";  // nobody answers
    w.view.choice.speedItem = 6;
    w.job.Search();
    EXPECT_EQ(w.job.Outcome().message, SearchFailedText(1));
    w.view.choice.number = "5";
    w.job.Search();
    EXPECT_TRUE(w.job.Outcome().read);
    EXPECT_EQ(w.job.Outcome().message, "");
}

}  // namespace
}  // namespace hk::device
