// End to end: the real serial backend over a pseudo-terminal, reached as
// ports/com2, to the simulated Hayes modem; a whole run of a list file and
// the settings view, answers arriving in Memo2. Real time, bounded.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "link/PosixSerialLine.h"
#include "modem_fakes.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"
#include "support/TempDir.h"

namespace hk {
namespace {

TEST(ModemEndToEnd, RunOfAListFileAndTheSettingsViewOverAPty) {
    test::TempDir dir;
    sim::HayesModem modem;
    sim::PtyBridge bridge(modem);
    std::string error;
    ASSERT_TRUE(bridge.Start(error)) << error;
    ASSERT_TRUE(bridge.LinkAs(dir.Dir() + "ports/com2", error)) << error;
    std::atomic<bool> stop{false};
    std::thread server([&] { sim::ServeBridges({&bridge}, stop); });
    struct Join {
        std::atomic<bool>& stop;
        std::thread& t;
        ~Join() {
            stop = true;
            if (t.joinable()) t.join();
        }
    } join{stop, server};

    PosixSerialLine line(dir.Dir());
    RealClock clock;
    test::ScriptedView view;
    SerialLink link(line, clock, view);
    MainState state;
    state.WorkMode = 2;
    state.ModemMode = true;
    test::FakeWindow window;
    // The port dialog's OK with "Com2" and 9600 baud.
    window.portDialog = [&] {
        link.Settings.NetAddress = 0;
        link.Settings.LinkKind = kLinkModem;
        return state.PortReady = OpenPort(link, "Com2", 5, true);
    };
    ModemConsole console(state, link, window);

    const std::string list = dir.File("init.n2");
    test::TempDir::WriteAll(list, {'A', 'T', '&',  'F',  '\r', '\n',                    //
                                   'A', 'T', 'E',  '1',  'V',  '1',  '\r', '\n',        //
                                   ';', ' ', 0xEC, 0xEE, 0xE4, 0xE5, 0xEC, '\r', '\n',  //
                                   'A', 'T', 'S',  '0',  '=',  '3',  '\r', '\n',        //
                                   'A', 'T', '&',  'W',  '\r', '\n'});
    window.openAnswers = {list};
    console.Button1Click();
    ASSERT_EQ(window.memo1.lines.size(), 5u);
    EXPECT_EQ(window.ringText, "3");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    const auto idleUntil = [&](const std::function<bool()>& done) {
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            console.ModemIdle();
        }
        return true;
    };
    const auto count = [&](const std::string& text) {
        return std::count(window.memo2.lines.begin(), window.memo2.lines.end(), text);
    };
    // Lines from `first` on without the empty ones: where a pause of more
    // than 20 ms splits an answer (a reset, a store) depends on timing.
    const auto shown = [&](std::size_t first) {
        std::vector<std::string> out;
        for (std::size_t i = first; i < window.memo2.lines.size(); ++i)
            if (!window.memo2.lines[i].empty()) out.push_back(window.memo2.lines[i]);
        return out;
    };

    console.Button2Click();
    ASSERT_TRUE(state.PortReady);
    ASSERT_TRUE(idleUntil([&] { return console.NextLine == 0 && count("OK") == 1; }))
        << "Memo2 has " << window.memo2.lines.size() << " lines";
    // Each echo ends at the answer's first line feed, the rest is dropped;
    // only the last answer is shown whole.
    EXPECT_EQ(shown(0), (std::vector<std::string>{"AT&F", "ATE1V1", "ATS0=3", "AT&W", "OK"}));

    const std::size_t before = window.memo2.lines.size();
    console.Button3Click();
    ASSERT_TRUE(idleUntil([&] { return count("OK") == 2; }));
    const auto report = shown(before);
    ASSERT_EQ(report.size(), 6u);
    EXPECT_EQ(report[0], "AT I4");
    EXPECT_EQ(report[1], "E1 Q0 V1 X4 M1 L2 &C1 &D2 &K3");
    EXPECT_EQ(report[2].substr(0, 8), "S00=003 ");
    EXPECT_EQ(report[5], "OK");
    EXPECT_TRUE(view.boxes.empty());

    stop = true;
    server.join();
    EXPECT_EQ(modem.CommandLines(),
              (std::vector<std::string>{"AT&F", "ATE1V1", "ATS0=3", "AT&W", "AT I4"}));
    EXPECT_EQ(modem.StoredRegister(0), 3);
}

}  // namespace
}  // namespace hk
