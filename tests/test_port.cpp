// The port routines on SimLine with the virtual clock: the exact order of
// calls, the line parameters per link kind and address mode, the time-outs.

#include <gtest/gtest.h>

#include <cstring>

#include "link/Port.h"
#include "sim/SimLine.h"
#include "support/ScriptedView.h"

namespace hk {
namespace {

using sim::SimEvent;
using Kind = SimEvent::Kind;

struct PortWorld {
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    test::ScriptedView view;
    SerialLink link{line, clock, view};
};

// Control-line events of the log as "D1", "R0", ... with their times.
std::vector<std::pair<std::string, std::int64_t>> LineControl(const sim::SimLine& line) {
    std::vector<std::pair<std::string, std::int64_t>> out;
    for (const auto& e : line.Events())
        if (e.kind == Kind::Dtr || e.kind == Kind::Rts)
            out.push_back(
                {std::string(e.kind == Kind::Dtr ? "D" : "R") + (e.level ? "1" : "0"), e.atMs});
    return out;
}

std::vector<Kind> Kinds(const sim::SimLine& line) {
    std::vector<Kind> out;
    for (const auto& e : line.Events()) out.push_back(e.kind);
    return out;
}

TEST(OpenPort, CallOrderAndIdleLinesPerLinkKind) {
    struct Case {
        std::int8_t kind;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {kLinkRs232, {"D0", "R0"}},
        {kLinkLoop, {"D1", "R0"}},
        {kLinkLoopEcho, {"D1", "R0"}},
        {kLinkModem, {"D1", "R1", "D0", "R1", "D1", "R1"}},
    };
    for (const auto& c : cases) {
        PortWorld w;
        w.link.Settings.LinkKind = c.kind;
        ASSERT_TRUE(OpenPort(w.link, "Com2", 5, AddressMode::On));
        EXPECT_TRUE(w.link.PortOpen);
        const auto kinds = Kinds(w.line);
        ASSERT_GE(kinds.size(), 3u);
        EXPECT_EQ(kinds[0], Kind::Open);
        EXPECT_EQ(kinds[1], Kind::SetParams);
        EXPECT_EQ(kinds[2], Kind::SetTimeouts);
        EXPECT_EQ(w.line.Events()[0].name, "Com2");
        EXPECT_EQ(w.line.Timeouts().ReadTotalTimeoutConstant, 2000u);
        std::vector<std::string> got;
        for (const auto& [name, at] : LineControl(w.line)) got.push_back(name);
        EXPECT_EQ(got, c.lines) << "link kind " << int(c.kind);
        EXPECT_EQ(kinds.size(), 3 + c.lines.size());
        EXPECT_TRUE(w.view.boxes.empty());
    }
}

TEST(OpenPort, ModemLinkDropsDtrForHalfASecondBetweenTwoRaisedPeriods) {
    PortWorld w;
    w.link.Settings.LinkKind = kLinkModem;
    const auto start = w.clock.NowMs();
    ASSERT_TRUE(OpenPort(w.link, "Com1", 4, AddressMode::On));
    const auto lines = LineControl(w.line);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].second, start);
    EXPECT_EQ(lines[1].second, start);
    EXPECT_EQ(lines[2].second, start + 500);  // DTR dropped
    EXPECT_EQ(lines[3].second, start + 500);
    EXPECT_EQ(lines[4].second, start + 1000);  // DTR raised again
    EXPECT_EQ(lines[5].second, start + 1000);
    EXPECT_EQ(w.clock.NowMs() - start, 1000);
    EXPECT_TRUE(w.line.Dtr());
    EXPECT_TRUE(w.line.Rts());
}

TEST(OpenPort, ReopeningClosesFirstAlsoTheSamePortAndPulsesDtrAgain) {
    PortWorld w;
    w.link.Settings.LinkKind = kLinkModem;
    ASSERT_TRUE(OpenPort(w.link, "Com1", 4, AddressMode::On));
    w.line.ClearLog();
    ASSERT_TRUE(OpenPort(w.link, "Com1", 4, AddressMode::On));
    const auto kinds = Kinds(w.line);
    ASSERT_GE(kinds.size(), 2u);
    EXPECT_EQ(kinds[0], Kind::Close);
    EXPECT_EQ(kinds[1], Kind::Open);
    EXPECT_EQ(LineControl(w.line).size(), 6u);
}

TEST(OpenPort, FailedOpenShowsErrorAndLeavesPortClosedEvenIfAnotherWasOpen) {
    PortWorld w;
    ASSERT_TRUE(OpenPort(w.link, "Com1", 0, AddressMode::On));
    w.line.RefuseOpen("Com7", 2);
    EXPECT_FALSE(OpenPort(w.link, "Com7", 0, AddressMode::On));
    EXPECT_FALSE(w.link.PortOpen);
    EXPECT_FALSE(w.line.IsOpen());
    ASSERT_EQ(w.view.boxes.size(), 1u);
    EXPECT_EQ(w.view.boxes[0].kind, test::ScriptedView::Box::Kind::Error);
    // The text, then the system's reason on a line of its own.
    EXPECT_EQ(w.view.boxes[0].text,
              std::string("Ошибка открытия последовательного порта Com7\r") + std::strerror(2));
    // Nothing was set on the port that did not open.
    EXPECT_EQ(Kinds(w.line).back(), Kind::Open);
    // Every later exchange fails at its first write.
    const std::uint8_t enq = 0x05;
    EXPECT_LT(w.line.Write(&enq, 1), 0);
}

TEST(OpenPort, FailureWithoutSystemErrorCodeShowsNothing) {
    PortWorld w;
    w.line.RefuseOpen("Com3", 0);
    EXPECT_FALSE(OpenPort(w.link, "Com3", 0, AddressMode::On));
    EXPECT_FALSE(w.link.PortOpen);
    EXPECT_TRUE(w.view.boxes.empty());
}

TEST(SetPortSpeed, ParityAndStopBitsTable) {
    struct Case {
        std::int8_t net, protocol, channel, kind;
        bool address;
        int speed;
        LineParams want;
    };
    const Case cases[] = {
        {5, 0, 0, 0, true, 5, {9600, 8, Parity::Mark, StopBits::One}},
        {5, 0, 0, 0, false, 5, {9600, 8, Parity::Space, StopBits::One}},
        {5, 0, 1, 0, true, 5, {9600, 8, Parity::Even, StopBits::One}},
        {5, 0, 1, 0, false, 5, {9600, 8, Parity::Odd, StopBits::One}},
        {5, 0, 0, 1, true, 0, {300, 8, Parity::Mark, StopBits::One}},
        // No address-byte mode: no parity, two stop bits except on a modem.
        {0, 0, 0, 0, true, 0, {300, 8, Parity::None, StopBits::Two}},
        {0, 0, 0, 0, false, 9, {115200, 8, Parity::None, StopBits::Two}},
        {5, 1, 0, 0, true, 6, {19200, 8, Parity::None, StopBits::Two}},
        {5, 1, 1, 2, false, 2, {1200, 8, Parity::None, StopBits::Two}},
        {0, 0, 0, 3, true, 4, {4800, 8, Parity::None, StopBits::One}},
        {0, 1, 0, 3, true, 7, {38400, 8, Parity::None, StopBits::One}},
    };
    for (const auto& c : cases) {
        PortWorld w;
        w.link.Settings.LinkKind = c.kind;
        ASSERT_TRUE(OpenPort(w.link, "Com1", 0, AddressMode::On));
        w.link.Settings.NetAddress = c.net;
        w.link.Settings.Protocol = c.protocol;
        w.link.Settings.Channel = c.channel;
        SetPortSpeed(w.link, c.address ? AddressMode::On : AddressMode::Off, c.speed);
        EXPECT_EQ(w.line.Params(), c.want)
            << "net " << int(c.net) << " protocol " << int(c.protocol) << " channel "
            << int(c.channel) << " kind " << int(c.kind) << " address " << c.address;
    }
}

TEST(SetPortSpeed, EveryIndexSelectsItsBaudRate) {
    PortWorld w;
    ASSERT_TRUE(OpenPort(w.link, "Com1", 0, AddressMode::On));
    const std::int32_t want[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 10; ++i) {
        SetPortSpeed(w.link, AddressMode::Off, i);
        EXPECT_EQ(w.line.Params().BaudRate, want[i]);
        EXPECT_EQ(w.line.Params().ByteSize, 8);
    }
}

TEST(SetPortTimeouts, SecondsWinWhenPositiveElseMilliseconds) {
    PortWorld w;
    ASSERT_TRUE(OpenPort(w.link, "Com1", 0, AddressMode::On));
    const struct {
        int s, ms;
        std::uint32_t want;
    } cases[] = {{0, 20, 20}, {4, 0, 4000}, {-1, 300, 300}, {1, 999, 1000}, {2, 0, 2000}};
    for (const auto& c : cases) {
        SetPortTimeouts(w.link, c.s, c.ms);
        const CommTimeouts& t = w.line.Timeouts();
        EXPECT_EQ(t.ReadTotalTimeoutConstant, c.want);
        EXPECT_EQ(t.ReadIntervalTimeout, 0u);
        EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 500u);
        EXPECT_EQ(t.WriteTotalTimeoutConstant, 0u);
    }
    // The probe changes only the read constant.
    CommTimeouts before = w.line.Timeouts();
    SetReadTimeoutConstant(w.link, 100);
    before.ReadTotalTimeoutConstant = 100;
    EXPECT_EQ(w.line.Timeouts(), before);
}

TEST(SimLineTiming, ReadReturnsEarlyAtTheTotalTimeoutAndWhenComplete) {
    PortWorld w;
    ASSERT_TRUE(OpenPort(w.link, "Com1", 0, AddressMode::On));
    SetPortTimeouts(w.link, 1, 0);
    std::uint8_t buf[4];
    auto t0 = w.clock.NowMs();
    EXPECT_EQ(w.line.Read(buf, 1), 0);
    EXPECT_EQ(w.clock.NowMs() - t0, 1000);
    w.line.Inject({1, 2, 3}, 30, 10);
    t0 = w.clock.NowMs();
    EXPECT_EQ(w.line.Read(buf, 2), 2);
    EXPECT_EQ(w.clock.NowMs() - t0, 40);  // the second byte's arrival
    EXPECT_EQ(w.line.Read(buf, 4), 1);
    EXPECT_EQ(w.clock.NowMs() - t0, 1040);
}

TEST(LineControl, TransmitAndReceiveStatesPerLinkKind) {
    struct Case {
        std::int8_t kind;
        std::vector<std::string> send, receive;
    };
    const Case cases[] = {
        {kLinkRs232, {}, {}},
        {kLinkLoop, {"D1", "R0"}, {"D1", "R0"}},
        {kLinkLoopEcho, {"D1", "R0"}, {}},
        {kLinkModem, {}, {}},
    };
    for (const auto& c : cases) {
        PortWorld w;
        w.link.Settings.LinkKind = c.kind;
        ASSERT_TRUE(OpenPort(w.link, "Com1", 0, AddressMode::On));
        w.line.ClearLog();
        const auto t0 = w.clock.NowMs();
        LineToSend(w.link);
        EXPECT_EQ(w.clock.NowMs() - t0, 2) << "kind " << int(c.kind);
        std::vector<std::string> got;
        for (const auto& [name, at] : LineControl(w.line)) got.push_back(name);
        EXPECT_EQ(got, c.send);
        w.line.ClearLog();
        LineToReceive(w.link);
        got.clear();
        for (const auto& [name, at] : LineControl(w.line)) got.push_back(name);
        EXPECT_EQ(got, c.receive);
        EXPECT_EQ(w.clock.NowMs() - t0, 2);
    }
}

}  // namespace
}  // namespace hk
