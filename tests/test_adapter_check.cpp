// The adapter check's three depths against the simulated adapter on the
// virtual clock: a good adapter passes each, and every faulty behaviour is
// named by the depth that can see it; a check without wiring, with a busy
// port, a port pulled out or a stop keeps nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "adapter/AdapterCheck.h"
#include "link/Clock.h"
#include "sim/SimAdapter.h"

namespace hk {
namespace {

using adapter::AdapterReport;
using adapter::CheckOutcome;
using adapter::CheckRow;
using sim::AdapterFaults;
using sim::SimAdapterLine;

enum class Wiring { None, Loopback, NullModem };

// Two simulated adapters, "Com3" under check and "Com4" as the second one,
// wired as the test says.
struct Bench {
    // The demo's clock is the system's steady clock, which counts from the
    // computer's start: a check on a computer up for hours or weeks runs at
    // such times.
    explicit Bench(std::int64_t startMs = 1000) : clock(startMs) {}
    VirtualClock clock;
    AdapterFaults faults;      // of Com3
    AdapterFaults peerFaults;  // of Com4
    Wiring wiring = Wiring::Loopback;
    int refuseOpen = 0;      // Com3's open fails with this error
    int refusePeerOpen = 0;  // Com4's
    SimAdapterLine* port = nullptr;
    int hangUpAtProgress = -1;  // Com3 is pulled out at this progress message
    int stopAtProgress = -1;    // the operator stops at this one
    int progressCount = 0;

    AdapterReport Run(CheckDepth depth) {
        adapter::CheckRequest request;
        request.port = "Com3";
        request.depth = depth;
        if (depth == CheckDepth::Peer) request.peerPort = "Com4";
        adapter::CheckContext context{
            [this](const std::string& name) -> std::unique_ptr<SerialLine> {
                const bool first = name == "Com3";
                auto line =
                    std::make_unique<SimAdapterLine>(clock, first ? faults : peerFaults);
                if (first) {
                    port = line.get();
                    line->OnDestroyed([this] { port = nullptr; });
                    if (refuseOpen) line->RefuseOpen(refuseOpen);
                    if (wiring == Wiring::Loopback) line->PlugLoopback();
                } else {
                    if (refusePeerOpen) line->RefuseOpen(refusePeerOpen);
                    if (wiring == Wiring::NullModem && port) SimAdapterLine::JoinNullModem(*port, *line);
                }
                return line;
            },
            clock, "2026-12-08"};
        context.stop = [this] { return stopAtProgress >= 0 && progressCount >= stopAtProgress; };
        context.progress = [this](const std::string&) {
            if (++progressCount == hangUpAtProgress && port) port->HangUp();
        };
        AdapterIdentity id;
        id.simulated = true;
        id.serial = "T-1";
        return adapter::CheckAdapter(request, id, context);
    }
};

std::vector<const CheckRow*> Rows(const AdapterReport& r, const std::string& word) {
    std::vector<const CheckRow*> rows;
    for (const auto& d : r.depths)
        for (const CheckRow& row : d.rows)
            if (row.word == word) rows.push_back(&row);
    return rows;
}

// The row of `setting` of the deepest depth that has one.
const CheckRow* Row(const AdapterReport& r, const std::string& setting) {
    for (auto d = r.depths.rbegin(); d != r.depths.rend(); ++d)
        for (const CheckRow& row : d->rows)
            if (row.setting == setting && !row.aboutPeer) return &row;
    return nullptr;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// --- a good adapter --------------------------------------------------------

TEST(AdapterCheck, GoodAdapterPassesEachDepth) {
    constexpr std::int64_t kHour = 3'600'000;
    for (const std::int64_t start : {std::int64_t{1000}, 5 * kHour, 40 * 24 * kHour})
    for (const CheckDepth depth : {CheckDepth::ReadBack, CheckDepth::Loopback, CheckDepth::Peer}) {
        SCOPED_TRACE("the clock at " + std::to_string(start) + " ms");
        Bench b(start);
        b.wiring = depth == CheckDepth::Peer ? Wiring::NullModem : Wiring::Loopback;
        const AdapterReport r = b.Run(depth);
        SCOPED_TRACE(r.Text());
        EXPECT_EQ(r.outcome, CheckOutcome::Passed);
        ASSERT_TRUE(r.kept);
        EXPECT_TRUE(r.kept->passed);
        EXPECT_EQ(r.kept->date, "2026-12-08");
        EXPECT_EQ(r.kept->depth, depth);
        EXPECT_EQ(r.kept->markSpace,
                  depth == CheckDepth::ReadBack ? MarkSpaceFinding::Accepted : MarkSpaceFinding::Sent);
        EXPECT_TRUE(Rows(r, "refused").empty());
        EXPECT_FALSE(r.kept->drainEarly);
        if (depth == CheckDepth::Peer) {
            EXPECT_EQ(r.kept->switchLateChars, 0);
        }
    }
}

// The loopback's timing on the virtual clock: 480 bytes at 9600 baud are
// 500 ms as 10-bit frames and 550 ms as 11-bit ones; the address byte of a
// good adapter is back when its write returns, the whole 50 ms pause ahead
// of the switch.
TEST(AdapterCheck, LoopbackTimesBlocksByTheirFrames) {
    Bench b;
    const AdapterReport r = b.Run(CheckDepth::Loopback);
    SCOPED_TRACE(r.Text());
    ASSERT_NE(Row(r, "8N1 (без чётности)"), nullptr);
    EXPECT_EQ(Row(r, "8N1 (без чётности)")->text, "блок 480 байт за 500 мс");
    ASSERT_NE(Row(r, "8M1"), nullptr);
    EXPECT_TRUE(Has(Row(r, "8M1")->text, "передаёт: блок 480 байт за 550 мс")) << Row(r, "8M1")->text;
    ASSERT_NE(Row(r, "адресный байт, 300 бод"), nullptr);
    EXPECT_EQ(Row(r, "адресный байт, 300 бод")->text, "запас до переключения 50 мс = 1,4 символа");
    EXPECT_EQ(r.kept->marginMs, 50);
}

// --- each fault, named by the depth that sees it ----------------------------

TEST(AdapterCheck, ReadBackNamesADriverThatClearsMarkSpace) {
    Bench b;
    b.faults.clearMarkSpace = true;
    const AdapterReport r = b.Run(CheckDepth::ReadBack);
    SCOPED_TRACE(r.Text());
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
    ASSERT_NE(Row(r, "8M1"), nullptr);
    EXPECT_EQ(Row(r, "8M1")->word, "refused");
    EXPECT_EQ(Row(r, "8S1")->word, "refused");
    EXPECT_TRUE(Row(r, "8E1")->ok);
    ASSERT_TRUE(r.kept);
    EXPECT_EQ(r.kept->markSpace, MarkSpaceFinding::Refused);
    EXPECT_TRUE(Has(r.summary, "не годится")) << r.summary;
}

TEST(AdapterCheck, LoopbackNamesAnAdapterThatDropsTheParityBit) {
    Bench b;
    b.faults.dropParity = true;
    // The read-back cannot see it: the driver holds every setting.
    EXPECT_EQ(b.Run(CheckDepth::ReadBack).outcome, CheckOutcome::Passed);
    const AdapterReport r = b.Run(CheckDepth::Loopback);
    SCOPED_TRACE(r.Text());
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
    for (const char* setting : {"8M1", "8S1", "8E1", "8O1"}) {
        ASSERT_NE(Row(r, setting), nullptr) << setting;
        EXPECT_EQ(Row(r, setting)->word, "not-sent") << setting;
        EXPECT_TRUE(Has(Row(r, setting)->text, "блок 480 байт за 500 мс")) << Row(r, setting)->text;
    }
    EXPECT_EQ(r.kept->markSpace, MarkSpaceFinding::NotSent);
}

TEST(AdapterCheck, PeerNamesAnAdapterThatDropsTheParityBit) {
    Bench b;
    b.wiring = Wiring::NullModem;
    b.faults.dropParity = true;
    const AdapterReport r = b.Run(CheckDepth::Peer);
    SCOPED_TRACE(r.Text());
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
    ASSERT_TRUE(r.kept);
    EXPECT_EQ(r.kept->markSpace, MarkSpaceFinding::NotSent);
}

TEST(AdapterCheck, LoopbackNamesADrainThatReturnsEarly) {
    Bench b;
    b.faults.earlyDrain = true;
    const AdapterReport r = b.Run(CheckDepth::Loopback);
    SCOPED_TRACE(r.Text());
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
    EXPECT_EQ(Row(r, "ожидание отправки")->word, "early");
    EXPECT_TRUE(r.kept->drainEarly);
    // At 300 baud the receiver has the address byte in the middle of its
    // stop bit, 10.5 bits = 35 ms after the write returned: 15 ms before the
    // switch.
    ASSERT_NE(Row(r, "адресный байт, 300 бод"), nullptr);
    EXPECT_EQ(Row(r, "адресный байт, 300 бод")->text, "запас до переключения 15 мс = 0,4 символа");
    EXPECT_EQ(r.kept->marginMs, 15);
    ASSERT_TRUE(r.kept->marginChars);
    EXPECT_NEAR(*r.kept->marginChars, 15 / 36.67, 0.01);
}

TEST(AdapterCheck, LoopbackNamesAnAddressByteThatComesBackAfterTheSwitch) {
    Bench b;
    b.faults.earlyDrain = true;
    b.faults.sendDelayMs = 30;  // 30 + 37 ms: past the 50 ms pause at 300 baud
    const AdapterReport r = b.Run(CheckDepth::Loopback);
    SCOPED_TRACE(r.Text());
    ASSERT_NE(Row(r, "адресный байт, 300 бод"), nullptr);
    EXPECT_EQ(Row(r, "адресный байт, 300 бод")->word, "late-byte");
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
}

// The loopback cannot tell which parity bit went out: the frame's length
// is the same. The second adapter names it.
TEST(AdapterCheck, PeerNamesSpaceSentForMark) {
    Bench b;
    b.faults.spaceForMark = true;
    EXPECT_EQ(b.Run(CheckDepth::Loopback).outcome, CheckOutcome::Passed);
    b.wiring = Wiring::NullModem;
    const AdapterReport r = b.Run(CheckDepth::Peer);
    SCOPED_TRACE(r.Text());
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
    EXPECT_EQ(r.kept->markSpace, MarkSpaceFinding::AsSpace);
    EXPECT_FALSE(Rows(r, "as-space").empty());
}

TEST(AdapterCheck, PeerNamesOddSentForMark) {
    Bench b;
    b.faults.oddForMark = true;
    EXPECT_EQ(b.Run(CheckDepth::Loopback).outcome, CheckOutcome::Passed);
    b.wiring = Wiring::NullModem;
    const AdapterReport r = b.Run(CheckDepth::Peer);
    SCOPED_TRACE(r.Text());
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
    EXPECT_EQ(r.kept->markSpace, MarkSpaceFinding::AsOdd);
    EXPECT_TRUE(Has(r.Text(), "заменяет на ODD")) << r.Text();
}

TEST(AdapterCheck, PeerNamesALateSwitch) {
    Bench b;
    b.wiring = Wiring::NullModem;
    b.faults.lateSwitchMs = 18;
    const AdapterReport r = b.Run(CheckDepth::Peer);
    SCOPED_TRACE(r.Text());
    EXPECT_EQ(r.outcome, CheckOutcome::Faulty);
    ASSERT_TRUE(r.kept);
    ASSERT_TRUE(r.kept->switchLateMs);
    EXPECT_NEAR(*r.kept->switchLateMs, 18, 2);
    EXPECT_GT(*r.kept->switchLateChars, 0);
    EXPECT_FALSE(Rows(r, "late").empty());
    EXPECT_TRUE(Has(r.summary, "переключение")) << r.summary;
}

// --- no wiring, ports that fail, a stop: no verdict, nothing kept ----------

TEST(AdapterCheck, NoLoopbackPlugIsNotAFaultyAdapter) {
    Bench b;
    b.wiring = Wiring::None;
    const AdapterReport r = b.Run(CheckDepth::Loopback);
    EXPECT_EQ(r.outcome, CheckOutcome::NoWiring);
    EXPECT_TRUE(Has(r.message, "нет петли: перемычка TX–RX не установлена?")) << r.message;
    EXPECT_FALSE(r.kept);
    EXPECT_FALSE(Has(r.summary, "не годится"));
}

TEST(AdapterCheck, NoNullModemCableIsNotAFaultyAdapter) {
    Bench b;
    b.wiring = Wiring::None;
    const AdapterReport r = b.Run(CheckDepth::Peer);
    EXPECT_EQ(r.outcome, CheckOutcome::NoWiring);
    EXPECT_TRUE(Has(r.message, "нуль-модемный кабель")) << r.message;
    EXPECT_FALSE(r.kept);
}

TEST(AdapterCheck, BusyPortsEndTheCheckWithTheOpenFailure) {
    Bench busy;
    busy.refuseOpen = 16;  // EBUSY
    AdapterReport r = busy.Run(CheckDepth::Loopback);
    EXPECT_EQ(r.outcome, CheckOutcome::PortFailed);
    EXPECT_TRUE(Has(r.message, "Com3")) << r.message;
    EXPECT_TRUE(r.depths.empty());
    EXPECT_FALSE(r.kept);

    Bench peerBusy;
    peerBusy.wiring = Wiring::NullModem;
    peerBusy.refusePeerOpen = 16;
    r = peerBusy.Run(CheckDepth::Peer);
    EXPECT_EQ(r.outcome, CheckOutcome::PortFailed);
    EXPECT_TRUE(Has(r.message, "Com4")) << r.message;
    EXPECT_FALSE(r.kept);
}

TEST(AdapterCheck, AnAdapterPulledOutMidCheckEndsItAtOnce) {
    for (const CheckDepth depth : {CheckDepth::Loopback, CheckDepth::Peer}) {
        Bench b;
        b.wiring = depth == CheckDepth::Peer ? Wiring::NullModem : Wiring::Loopback;
        b.hangUpAtProgress = 4;
        const AdapterReport r = b.Run(depth);
        EXPECT_EQ(r.outcome, CheckOutcome::PortFailed) << r.Text();
        EXPECT_FALSE(r.kept);
        // It ended at the next step, not after the rest of the steps.
        EXPECT_LE(b.progressCount, 5);
    }
}

TEST(AdapterCheck, AStopEndsTheCheckAndKeepsNothing) {
    Bench b;
    b.stopAtProgress = 3;
    const AdapterReport r = b.Run(CheckDepth::Loopback);
    EXPECT_EQ(r.outcome, CheckOutcome::Stopped);
    EXPECT_FALSE(r.kept);
    EXPECT_EQ(b.progressCount, 3);
}

}  // namespace
}  // namespace hk
