// End to end: the real serial backend over a pseudo-terminal, reached as
// ports/com2, to the simulated Hayes modem; a whole run of a list file and
// the settings view, answers arriving in the answers memo. Real time, bounded.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "link/PosixSerialLine.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"
#include "support/ModemFakes.h"
#include "support/TempDir.h"

namespace hk {
namespace {

TEST(ModemEndToEnd, RunOfAListFileAndTheSettingsViewOverAPty) {
    test::TempDir dir;
    sim::HayesModem modem;
    sim::ServedPty served(modem, dir.Dir() + "ports/com2");
    ASSERT_TRUE(served.Started()) << served.Error();

    PosixSerialLine line(dir.Dir());
    RealClock clock;
    test::ScriptedView view;
    SerialLink link(line, clock, view);
    MainState state;
    state.WorkMode = kModemWork;
    state.ModemMode = true;
    test::FakeWindow window;
    window.portDialog = [&] {  // OK with "Com2" and 9600 baud
        link.Settings.LinkKind = kLinkModem;
        return state.PortReady = OpenPort(link, "Com2", 5, AddressMode::On);
    };
    ModemConsole console(state, link, window);

    window.fileName = dir.File("init.n2");
    test::TempDir::WriteAll(window.fileName, {'A', 'T', '&',  'F',  '\r', '\n',              //
                                              'A', 'T', 'E',  '1',  'V',  '1',  '\r', '\n',  //
                                              ';', ' ', 0xEC, 0xEE, 0xE4, '\r', '\n',        //
                                              'A', 'T', 'S',  '0',  '=',  '3',  '\r', '\n',  //
                                              'A', 'T', '&',  'W',  '\r', '\n'});
    console.LoadList();
    ASSERT_EQ(window.list.lines.size(), 5u);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    auto& shown = window.answers.lines;
    const auto idleUntilOks = [&](long oks) {
        while (console.SendingList() || std::count(shown.begin(), shown.end(), "OK") < oks) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            console.ModemIdle();
        }
        return true;
    };
    // The answers memo from line `first` on without empty lines: where a pause of more
    // than 20 ms (a reset, a store) splits an answer depends on timing.
    const auto text = [&](std::size_t first) {
        std::vector<std::string> out;
        for (std::size_t i = first; i < shown.size(); ++i)
            if (!shown[i].empty()) out.push_back(shown[i]);
        return out;
    };

    console.StartRun();
    ASSERT_TRUE(state.PortReady);
    ASSERT_TRUE(idleUntilOks(1)) << shown.size() << " lines shown";
    // Each echo ends at the answer's first line feed and the rest is purged;
    // the last answer is shown whole.
    EXPECT_EQ(text(0), (std::vector<std::string>{"AT&F", "ATE1V1", "ATS0=3", "AT&W", "OK"}));

    const std::size_t before = shown.size();
    console.ViewCurrentSettings();
    ASSERT_TRUE(idleUntilOks(2));
    const auto report = text(before);
    ASSERT_EQ(report.size(), 6u);
    EXPECT_EQ(report[0], "AT I4");
    EXPECT_EQ(report[1], "E1 Q0 V1 X4 M1 L2 &C1 &D2 &K3");
    EXPECT_EQ(report[2].substr(0, 8), "S00=003 ");
    EXPECT_TRUE(view.boxes.empty());

    served.Stop();
    EXPECT_EQ(modem.CommandLines(),
              (std::vector<std::string>{"AT&F", "ATE1V1", "ATS0=3", "AT&W", "AT I4"}));
    EXPECT_EQ(modem.StoredRegister(0), 3);
}

}  // namespace
}  // namespace hk
