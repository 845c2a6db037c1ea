// An adapter pulled out in the middle of a job, on the real serial backend
// over a pseudo-terminal whose far side is closed (the line hangs up), and
// plugged back in (a new far side at the same ports/ name): the modem run and
// the controller write end with a clear message instead of waiting on a dead
// line, and the same jobs work again afterwards. Real time, a few seconds.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "device/Commands.h"
#include "link/PosixSerialLine.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"
#include "support/ControllerFakes.h"
#include "support/ModemFakes.h"

namespace hk {
namespace {

// A far end on ports/<name> that can be pulled out and plugged back in.
class Socket {
public:
    Socket(sim::SimPeer& peer, std::string link) : peer_(peer), link_(std::move(link)) {}
    bool Plug() {
        served_ = std::make_unique<sim::ServedPty>(peer_, link_);
        return served_->Started();
    }
    void Pull() { served_.reset(); }  // closes the far side: the port hangs up

private:
    sim::SimPeer& peer_;
    std::string link_;
    std::unique_ptr<sim::ServedPty> served_;
};

TEST(PortGone, AModemRunEndsWithAMessageAndRunsAgainAfterReplugging) {
    test::TempDir dir;
    sim::HayesModem modem;
    Socket socket(modem, dir.Dir() + "ports/com2");
    ASSERT_TRUE(socket.Plug());

    PosixSerialLine line(dir.Dir());
    RealClock clock;
    test::ScriptedView view;
    SerialLink link(line, clock, view);
    MainState state;
    state.WorkMode = kModemWork;
    state.ModemMode = true;
    test::FakeWindow window;
    window.portDialog = [&] {
        link.Settings.LinkKind = kLinkModem;
        return state.PortReady = OpenPort(link, "Com2", 5, AddressMode::On);
    };
    window.list.lines = {"ATZ", "ATE1", "ATS0=3", "AT&W"};
    ModemConsole console(state, link, window);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto idleUntil = [&](const std::function<bool()>& done) {
        while (!done() && std::chrono::steady_clock::now() < deadline) console.ModemIdle();
        return done();
    };

    console.StartRun();
    ASSERT_TRUE(
        idleUntil([&] { return console.Run().Lines().size() >= 2; }));  // the first answer came
    socket.Pull();
    ASSERT_TRUE(idleUntil([&] { return !console.IdleInstalled(); }));
    EXPECT_EQ(view.Texts(test::ScriptedView::Box::Kind::Error),
              std::vector<std::string>{PortGoneText("Com2")});
    EXPECT_FALSE(console.SendingList());
    EXPECT_FALSE(state.PortReady);
    EXPECT_TRUE(
        console.Run().SummaryText().starts_with("Порт Com2 больше не отвечает: запись прервана "))
        << console.Run().SummaryText();

    ASSERT_TRUE(socket.Plug());
    window.answers.lines.clear();
    console.StartRun();  // asks for the port again: it reopens
    EXPECT_EQ(window.portDialogs, 2);
    const auto& shown = window.answers.lines;
    // The last answer of a run is shown whole: its OK ends the run's output.
    EXPECT_TRUE(idleUntil([&] {
        return !console.SendingList() && std::count(shown.begin(), shown.end(), "OK") >= 1;
    }));
    EXPECT_EQ(view.boxes.size(), 1u);
}

TEST(PortGone, AControllerWriteEndsWithAMessageAndWritesAgainAfterReplugging) {
    sim::KvardOptions o;
    o.netNumber = 5;
    o.evenParityReadsAsNone = true;
    test::TempDir dir;
    sim::KvardController kvard(o);
    Socket socket(kvard, dir.Dir() + "ports/com1");
    ASSERT_TRUE(socket.Plug());

    PosixSerialLine line(dir.Dir());
    RealClock clock;
    test::FakeControllerView view;
    SerialLink link(line, clock, view);
    MainState state;
    state.KitIndex = 0;
    state.CfgFileName = dir.File(kSettingsFileName);
    view.choice.searchAllNumbers = false;
    view.choice.number = "5";
    view.choice.speedItem = 6;  // "  9600 бод"
    view.upper.lines = {"ATZ", "ATS0=3"};
    view.lower.lines = {"AT&F"};
    device::ControllerJob job(state, link, view);
    job.Opened();
    // Pulled out once the first block is written.
    view.script.onProcess = [&](int) {
        if (!view.gauge.empty() && link.PortHandle.IsOpen() && !line.HungUp()) socket.Pull();
    };
    job.Search();
    EXPECT_FALSE(job.Outcome().written);
    EXPECT_EQ(view.script.Texts(test::ScriptedView::Box::Kind::Error),
              std::vector<std::string>{PortGoneText("Com1")});
    EXPECT_FALSE(state.PortReady);
    EXPECT_TRUE(view.script.Texts(test::ScriptedView::Box::Kind::Confirm).empty());  // no restart

    view.script.onProcess = nullptr;
    view.script.answers = {false};  // no restart
    ASSERT_TRUE(socket.Plug());
    job.Search();
    EXPECT_TRUE(job.Outcome().written);
    socket.Pull();
    const auto stored = kvard.Buffer(0);
    EXPECT_EQ(std::string(stored.begin(), stored.begin() + 11), "ATZ\rATS0=3\r");
    // The first copy-in, then the second and its copy-out: the cancel of the
    // first write never reached the controller.
    EXPECT_EQ(kvard.CountRequests(device::kReprogramming), 3);
}

}  // namespace
}  // namespace hk
