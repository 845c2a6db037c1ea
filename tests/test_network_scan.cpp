// The network inventory on the virtual clock against one simulated line
// with several controllers: every controller found with its kit and state,
// at its own speed only; an unanswered number costs exactly the address
// probe's wait; a stop in the middle; FT1.2 without probes; the table as CSV.

#include <gtest/gtest.h>

#include "device/NetworkScan.h"
#include "device/PresetControllerView.h"
#include "protocol/Exchange.h"
#include "sim/MultiDropLine.h"
#include "sim/SimLine.h"

namespace hk::device {
namespace {

sim::KvardOptions At(int number, sim::KvardKit kit, std::int32_t baud,
                     sim::KvardFraming framing = sim::KvardFraming::Traditional) {
    sim::KvardOptions o;
    o.netNumber = static_cast<std::uint8_t>(number);
    o.kit = kit;
    o.baudRate = baud;
    o.framing = framing;
    return o;
}

struct ScanWorld {
    explicit ScanWorld(int protocol = 0) {
        line.Attach(&pair);
        link.Settings.Protocol = static_cast<std::int8_t>(protocol);
        OpenPort(link, "Com1", 0, AddressMode::On);
    }
    std::vector<FoundController> Scan(ScanRange range, NetworkScan::Found onFound = {}) {
        scan = std::make_unique<NetworkScan>(c, range, false, std::move(onFound));
        return scan->Run();
    }
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    sim::MultiDropLine pair;
    PresetControllerView view;
    SerialLink link{line, clock, view};
    ControllerSession session;
    DeviceContext c{link, session, view};
    std::unique_ptr<NetworkScan> scan;
};

TEST(NetworkScan, EveryControllerOnTheLineWithItsKitSpeedAndState) {
    ScanWorld w;
    w.pair.Add(At(3, sim::KvardKit::Basic, 9600));
    auto& second = w.pair.Add(At(7, sim::KvardKit::Kvard47, 19200));
    second.SetRunState(0x08);
    second.SetKeyMissing(-1);
    w.pair.Add(At(12, sim::KvardKit::Minimal, 1200)).SetRunState(0x10);

    std::vector<int> seenAsFound;
    const auto found =
        w.Scan({1, 15, 0, 6}, [&](const FoundController& f) { seenAsFound.push_back(f.number); });
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(seenAsFound, (std::vector<int>{3, 7, 12}));
    const struct {
        int number, speed, kit;
        const char* state;
    } want[] = {{3, 5, 0, "работает, ключ установлен"},
                {7, 6, 3, "остановлен, ключ не установлен"},
                {12, 2, 1, "состояние 10, ключ установлен"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(found[i].number, want[i].number);
        EXPECT_EQ(found[i].speedIndex, want[i].speed);
        EXPECT_EQ(found[i].kit, want[i].kit);
        EXPECT_EQ(ControllerStateText(found[i]), want[i].state);
    }
    // Found at its speed, each is not looked for at the speeds above it,
    // and each was sent the end of exchange.
    EXPECT_EQ(w.scan->AttemptsMade(), 15 * 7 - (6 - 5) - (6 - 6) - (6 - 2));
    EXPECT_EQ(w.scan->AttemptsLeft(), 0);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(w.pair.At(i).CountRequests(0x0B), 1);
    EXPECT_FALSE(w.scan->Stopped());
}

TEST(NetworkScan, AnUnansweredNumberCostsExactlyTheProbesWait) {
    ScanWorld probe;
    probe.link.Settings.NetAddress = 20;
    const std::int64_t start = probe.clock.NowMs();
    EXPECT_FALSE(protocol::ProbeNetAddress(probe.link, 5));
    const std::int64_t probeMs = probe.clock.NowMs() - start;

    ScanWorld w;
    w.pair.Add(At(3, sim::KvardKit::Basic, 9600));
    const std::int64_t t0 = w.clock.NowMs();
    EXPECT_TRUE(w.Scan({20, 24, 5, 5}).empty());
    EXPECT_EQ(w.clock.NowMs() - t0, 5 * probeMs);
    EXPECT_EQ(w.scan->EstimatedMsLeft(), 0);
}

TEST(NetworkScan, StopsBeforeTheNextAttemptAndEstimatesWhatIsLeft) {
    ScanWorld w;
    w.pair.Add(At(2, sim::KvardKit::Basic, 9600));
    w.pair.Add(At(4, sim::KvardKit::Basic, 9600));
    const auto found =
        w.Scan({1, 10, 5, 5}, [&](const FoundController&) { w.session.StopRequest = true; });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].number, 2);
    EXPECT_TRUE(w.scan->Stopped());
    EXPECT_EQ(w.scan->AttemptsMade(), 2);
    EXPECT_EQ(w.scan->AttemptsLeft(), 8);
    // Eight more attempts at the mean of the two made.
    EXPECT_GT(w.scan->EstimatedMsLeft(), 0);
    EXPECT_EQ(w.pair.At(1).CountRequests(0x01), 0);  // number 4 never asked
}

TEST(NetworkScan, Ft12FramesCarryTheNumberSoNothingIsProbed) {
    ScanWorld w(1);
    const auto ft12 = sim::KvardFraming::Ft12;
    w.pair.Add(At(0, sim::KvardKit::Expandable, 4800, ft12));
    w.pair.Add(At(9, sim::KvardKit::Basic, 4800, ft12));
    const ScanRange range = DefaultScanRange(1);
    EXPECT_EQ(range.firstNumber, 0);
    EXPECT_EQ(DefaultScanRange(0).firstNumber, 1);
    const auto found = w.Scan({0, 10, 4, 4});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].number, 0);
    EXPECT_EQ(found[0].kit, 2);
    EXPECT_EQ(found[1].number, 9);
    for (const sim::WrittenByte& b : w.line.Written()) EXPECT_EQ(b.params.Parity, Parity::None);
}

TEST(NetworkScan, TheTableAsCsv) {
    FoundController a;
    a.number = 10;
    a.speedIndex = 5;
    a.kit = 3;
    a.statusRead = true;
    a.s1 = 0x08;
    FoundController b;
    b.number = 11;
    b.speedIndex = 0;
    b.kit = -1;
    b.statusResult = 1;
    EXPECT_EQ(ScanTableCsv({a, b}, true, kPlainCsv),
              "Номер,Скорость,Комплект,Состояние\r\n"
              "0A,9600,КВАРД-47,\"остановлен, ключ установлен\"\r\n"
              "0B,300,комплект не определён,состояние не прочитано: нет подтв. начала обмена\r\n");
}

}  // namespace
}  // namespace hk::device
