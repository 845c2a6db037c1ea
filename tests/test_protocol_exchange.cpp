// The exchanges on SimLine with the virtual clock: bytes on the line, each
// result code from the situation that causes it and the time it takes, the
// address probe, and a seeded run of damaged answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "protocol/Exchange.h"
#include "protocol/Frames.h"
#include "sim/KvardController.h"
#include "sim/SimLine.h"
#include "support/ScriptPeer.h"
#include "support/ScriptedView.h"

namespace hk::protocol {
namespace {

using test::Hex;
using test::HexText;
using Kind = sim::SimEvent::Kind;
using Steps = std::deque<test::ScriptPeer::Step>;

struct World {
    explicit World(std::int8_t linkKind = kLinkRs232, std::int8_t protocol = 0, int crc = 0) {
        line.Attach(&peer);
        link.Settings = {0, linkKind, 5, std::int8_t(protocol), 0, protocol, std::int8_t(crc), 0};
        OpenPort(link, "Com1", 5, AddressMode::On);
        line.ClearLog();
    }
    int Exchange(std::vector<std::uint8_t> request, int answerLen, Steps steps = {}) {
        peer.steps = std::move(steps);
        request.resize(16);
        const auto t0 = clock.NowMs();
        const int r = ExchangeFrame(link, request, answer, answerLen);
        ms = clock.NowMs() - t0;
        return r;
    }
    std::vector<std::string> Writes() const {
        std::vector<std::string> out;
        for (const auto& e : line.Events())
            if (e.kind == Kind::Write) out.push_back(HexText(e.bytes));
        return out;
    }
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    test::ScriptPeer peer;
    test::ScriptedView view;
    SerialLink link{line, clock, view};
    std::vector<std::uint8_t> answer = std::vector<std::uint8_t>(140, 0xEE);
    std::int64_t ms = 0;
};

const std::vector<std::uint8_t> kStatus = Hex("03 01 40 00");
const Steps kReady = {{1, {Ready}}};

TEST(Traditional, WorkedExampleThenMessagesAndTheLinesTurnedToSend) {
    World w(kLinkLoop);
    EXPECT_EQ(w.Exchange(kStatus, 2, {{1, {Ready}}, {5, Hex("06 12 34 BA")}}), kResultOk);
    EXPECT_EQ(w.Writes(), (std::vector<std::string>{"05", "03 01 40 00 BF"}));
    EXPECT_EQ(HexText({w.answer.begin(), w.answer.begin() + 4}), "12 34 BA EE");
    EXPECT_EQ(w.line.Timeouts().ReadTotalTimeoutConstant, 4000u);
    EXPECT_EQ(w.view.processed, 1);
    EXPECT_EQ(w.line.Events().back().kind, Kind::Rts);  // after the last read: the lines turned
}

TEST(Traditional, EchoIsSkippedEvenWhenItHoldsNak) {
    World w(kLinkLoopEcho);
    w.peer.echo = true;  // the Enq comes back during the ready wait, too
    EXPECT_EQ(w.Exchange(Hex("03 01 15 00"), 1, {{1, {Ready}}, {5, Hex("06 77 89")}}), kResultOk);
    EXPECT_EQ(w.answer[0], 0x77);
}

TEST(Traditional, EveryResultCodeWithItsTiming) {
    const std::vector<std::uint8_t> noise(300, 0x55);
    const struct {
        const char* name;
        Steps steps;
        int answerLen, want;
        std::int64_t minMs, maxMs;
    } rows[] = {
        {"silent after Enq", {}, 2, kResultNoStart, 1000, 1010},
        {"noise instead of Ready", {{1, noise, 5, 10}}, 2, kResultWaitTimedOut, 1728, 1745},
        {"frame rejected", {{1, {Ready}}, {5, {Nak}}}, 2, kResultRejected, 0, 50},
        {"no verdict", kReady, 2, kResultWaitTimedOut, 2000, 2020},
        {"noise, no verdict",
         {{1, {Ready}}, {5, noise, 5, 10}},
         0,
         kResultWaitTimedOut,
         1730,
         1760},
        {"block one byte short",
         {{1, {Ready}}, {5, Hex("06 12 34")}},
         2,
         kResultAnswerIncomplete,
         4000,
         4030},
        {"block check byte wrong",
         {{1, {Ready}}, {5, Hex("06 12 34 BB")}},
         2,
         kResultAnswerCheckWrong,
         0,
         50},
        {"no answer data", {{1, {Ready}}, {5, {Ack}}}, 0, kResultOk, 0, 50},
    };
    for (const auto& r : rows) {
        World w;
        EXPECT_EQ(w.Exchange(kStatus, r.answerLen, r.steps), r.want) << r.name;
        EXPECT_GE(w.ms, r.minMs) << r.name;
        EXPECT_LE(w.ms, r.maxMs) << r.name;
    }
}

TEST(Exchange, RefusedBeforeAnythingIsWritten) {
    auto request = [](std::size_t n) {
        std::vector<std::uint8_t> r(n + 2, 0x11);
        r[0] = static_cast<std::uint8_t>(n);
        return r;
    };
    const struct {
        const char* name;
        std::int8_t protocol, crcMode;
        std::vector<std::uint8_t> request;
        std::size_t answerRoom;
        int answerLen;
    } rows[] = {
        {"no room for the check byte", 0, 0, Hex("03 01 40 00"), 3, 2},
        {"answer without room for its check byte", 0, 0, Hex("03 01 40 00 00"), 2, 2},
        {"N = 254 in a frame", 1, 0, request(254), 2, 0},
        {"N = 252 with the CRC in the data", 1, 1, request(252), 2, 0},
    };
    for (auto r : rows) {
        World w(kLinkRs232, r.protocol, r.crcMode);
        std::vector<std::uint8_t> answer(r.answerRoom, 0xEE);
        EXPECT_EQ(ExchangeFrame(w.link, r.request, answer, r.answerLen), kResultNotSent) << r.name;
        EXPECT_TRUE(w.line.Events().empty()) << r.name;
        EXPECT_EQ(answer, std::vector<std::uint8_t>(r.answerRoom, 0xEE)) << r.name;
    }
    World w;
    w.line.Close();  // a port that is not open fails at the first write
    EXPECT_EQ(w.Exchange(kStatus, 2), kResultNotSent);
}

TEST(Ft12, ThreeWritesCheckedAnswerAndNothingAtTheEnd) {
    const char* trailers[] = {"82 16", "C5 16", "28 1B"};
    const char* answers[] = {"10 00 01 11 22 33 44 AB 16", "10 00 01 11 22 33 44 47 F2 E4 16",
                             "10 00 01 11 22 33 44 47 F2"};
    for (int mode : {0, 1, 2}) {
        World w(kLinkLoopEcho, 1, mode);
        w.peer.echo = true;
        EXPECT_EQ(w.Exchange(kStatus, 2, {{mode == 1 ? 11u : 9u, Hex(answers[mode])}}), kResultOk);
        const auto writes = w.Writes();
        ASSERT_EQ(writes.size(), 3u);
        EXPECT_EQ(writes[0], "10");
        EXPECT_EQ(writes[2], trailers[mode]);
        EXPECT_EQ(HexText({w.answer.begin(), w.answer.begin() + 3}), "11 22 EE");
        EXPECT_EQ(w.view.processed, 0);
        EXPECT_EQ(w.line.Events().back().kind, Kind::Read);
    }
}

TEST(Ft12, SingleBytesAndAWrongAddress) {
    const struct {
        const char* reply;
        int answerLen, want;
        std::size_t unread;
    } rows[] = {{"A2", 0, kResultOk, 0},
                {"A2", 2, kResultSingleA2, 0},
                {"E5", 0, kResultSingleE5, 0},
                {"55", 0, kResultNoStart, 0},
                {"10 00 02 11 22 33 44 AC 16", 2, kResultAddressWrong, 2}};
    for (const auto& r : rows) {
        World w(kLinkRs232, 1);
        EXPECT_EQ(w.Exchange(kStatus, r.answerLen, {{9, Hex(r.reply)}}), r.want) << r.reply;
        EXPECT_EQ(w.line.Pending(), r.unread) << "the trailer stays unread";
    }
}

TEST(Ft12, AnswersOfAnotherLengthOrWithoutAddressAreRefused) {
    // A whole buffer's answer (128 data bytes, L = 130) to a status read, and
    // frames too short to carry an address, confirming a request without data.
    std::string buffer = "68 82 82 68 00 01";
    for (int i = 0; i < 128; ++i) buffer += " FF";
    buffer += " 81 16";
    const struct {
        std::string reply;
        int answerLen, want;
    } rows[] = {{buffer, 2, kResultAnswerLengthWrong},
                {"68 00 00 68 00 16", 0, kResultFrameTooShort},
                {"68 01 01 68 00 00 16", 0, kResultFrameTooShort}};
    for (const auto& r : rows) {
        World w(kLinkRs232, 1);
        EXPECT_EQ(w.Exchange(kStatus, r.answerLen, {{9, Hex(r.reply)}}), r.want) << r.reply;
        EXPECT_EQ(HexText({w.answer.begin(), w.answer.begin() + 3}),
                  r.answerLen == 2 ? "FF FF EE" : "EE EE EE");
    }
}

TEST(Ft12, BodyTimeLimitDependsOnTheSpeed) {
    const struct {
        std::int8_t speed;
        int spacingMs;
        bool ok;
        std::uint32_t readMs;
    } rows[] = {
        {0, 700, true, 5000},  {1, 700, true, 5000},  // 300 and 600 baud: 4.32 s
        {0, 900, false, 5000}, {2, 700, false, 2000}, {5, 250, true, 2000},  // else 1.728 s
    };
    for (const auto& r : rows) {
        World w(kLinkRs232, 1);
        w.link.Settings.SpeedIndex = r.speed;
        const int got =
            w.Exchange(kStatus, 2, {{9, Hex("10 00 01 11 22 33 44 AB 16"), 5, r.spacingMs}});
        EXPECT_EQ(got == kResultOk, r.ok) << int(r.speed) << " " << r.spacingMs << ": " << got;
        EXPECT_EQ(w.line.Timeouts().ReadTotalTimeoutConstant, r.readMs);
    }
}

TEST(SlowLine, ALongAnswerGetsItsWireTimeAndOneSecondWhereTheLimitIsShorter) {
    // Traditional: the answer block is one read (129 bytes take 4730 ms at 300 baud).
    const struct {
        std::int8_t speed;
        int answerLen;
        std::uint32_t readMs;
    } reads[] = {{0, 128, 5730}, {1, 128, 4000}, {0, 2, 4000}};
    for (const auto& r : reads) {
        World w;
        w.link.Settings.SpeedIndex = r.speed;
        EXPECT_EQ(w.Exchange(kStatus, r.answerLen, {{1, {Ready}}, {5, {Ack}}}),
                  kResultAnswerIncomplete);
        EXPECT_EQ(w.line.Timeouts().ReadTotalTimeoutConstant, r.readMs);
        EXPECT_GE(w.ms, r.readMs);
        EXPECT_LT(w.ms, r.readMs + 50);
    }

    // FT1.2: a 130-byte body takes 4767 ms at 300 baud, limit 5767 ms.
    std::vector<std::uint8_t> frame = {0x68, 130, 130, 0x68, 0x00, 0x01};
    frame.resize(frame.size() + 128, 0x11);
    std::uint8_t sum = 0;
    for (std::size_t i = 4; i < frame.size(); ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
    frame.push_back(sum);
    frame.push_back(0x16);
    for (const auto& [spacingMs, ok] : {std::pair{37, true}, std::pair{46, false}}) {
        World w(kLinkRs232, 1);
        w.link.Settings.SpeedIndex = 0;
        const int got = w.Exchange(Hex("03 02 BF 00"), 128, {{9, frame, 5, spacingMs}});
        EXPECT_EQ(got == kResultOk, ok) << spacingMs << ": " << got;
    }
}

TEST(Probe, AddressParityThenDataParityPerChannel) {
    const std::pair<Parity, Parity> parities[] = {{Parity::Mark, Parity::Space},
                                                  {Parity::Even, Parity::Odd}};
    for (std::int8_t channel : {0, 1}) {
        World w;
        w.link.Settings.NetAddress = 5;
        w.link.Settings.Channel = channel;
        w.peer.steps = {{1, {5}}};
        EXPECT_TRUE(ProbeNetAddress(w.link, 5));
        ASSERT_EQ(w.peer.received.size(), 1u);
        EXPECT_EQ(w.peer.received[0].value, 5);
        EXPECT_EQ(w.peer.received[0].params.Parity, parities[channel].first);
        EXPECT_EQ(w.line.Params().Parity, parities[channel].second);
    }
}

TEST(Probe, TrueOnlyWhenTheNumberComesBackWithinTheLimit) {
    const struct {
        const char* name;
        std::int8_t linkKind;
        Steps steps;
        bool want;
    } rows[] = {
        {"at once", kLinkRs232, {{1, {5}}}, true},
        {"after 1.6 s", kLinkRs232, {{1, {5}, 1600}}, true},
        {"after 1.9 s", kLinkRs232, {{1, {5}, 1900}}, false},
        {"another number", kLinkRs232, {{1, {6}}}, false},
        {"only the loop's echo", kLinkLoopEcho, {}, false},
        {"echo and answer", kLinkLoopEcho, {{1, {5}, 30}}, true},
    };
    for (const auto& r : rows) {
        World w(r.linkKind);
        w.link.Settings.NetAddress = 5;
        w.peer.echo = r.linkKind == kLinkLoopEcho;
        w.peer.steps = r.steps;
        const auto t0 = w.clock.NowMs();
        EXPECT_EQ(ProbeNetAddress(w.link, 5), r.want) << r.name;
        const auto ms = w.clock.NowMs() - t0;
        EXPECT_TRUE(r.want ? ms < 1700 : ms >= 50 + 1728 && ms < 50 + 1728 + 120) << r.name << ms;
    }
}

// The simulated controller's answers, damaged on their way: cut, bits
// flipped, a byte added, or replaced by noise; some pass sound.
struct DamagingLine : sim::SimPeer, sim::PeerOutput {
    DamagingLine(sim::KvardOptions o, std::mt19937& r) : kvard(o), rng(r) {}
    void OnByte(std::uint8_t b, const LineParams& p, sim::PeerOutput& o) override {
        out = &o;
        kvard.OnByte(b, p, *this);
    }
    std::int64_t NowMs() override { return out->NowMs(); }
    void Send(const std::vector<std::uint8_t>& sound, int delayMs, int spacingMs) override {
        auto bytes = sound;
        auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        switch (pick(7)) {
            case 0:
                bytes.resize(pick(bytes.size() + 1));
                break;
            case 5:
                bytes.resize(std::min(bytes.size(), pick(5)));  // cut in the header
                break;
            case 1:
                for (std::size_t i = 0, n = 1 + pick(3); i < n && !bytes.empty(); ++i)
                    bytes[pick(bytes.size())] ^= std::uint8_t(1u << pick(8));
                break;
            case 2:
                bytes.insert(bytes.begin() + long(pick(bytes.size() + 1)), std::uint8_t(rng()));
                break;
            case 3:
                bytes.resize(pick(300));
                for (auto& b : bytes) b = std::uint8_t(rng());
                break;
        }
        out->Send(bytes, delayMs, spacingMs);
    }
    sim::KvardController kvard;
    std::mt19937& rng;
    sim::PeerOutput* out = nullptr;
};

TEST(Robustness, DamagedAnswersGiveTableCodesAndStayInTheBuffer) {
    const std::set<int> codes[] = {{0, 1, 3, 4, 5, 6},
                                   {0, 1, 2, 5, 11, 30, 31, 33, 34, 35, 36, 37, 38}};
    const struct {
        const char* request;
        int answerLen;
    } requests[] = {{"01 09", 0}, {"03 01 40 00", 2}, {"03 01 41 1E", 1}, {"04 02 BF 00 80", 128}};
    std::set<int> seen[2];
    std::mt19937 rng(20240605);
    for (int i = 0; i < 15000; ++i) {
        const int protocol = i % 2;
        sim::KvardOptions o;
        o.framing = protocol ? sim::KvardFraming::Ft12 : sim::KvardFraming::Traditional;
        o.crcMode = int(rng() % 3);
        o.netNumber = std::uint8_t(protocol);
        o.loopEcho = rng() % 2;
        DamagingLine far(o, rng);
        World w(o.loopEcho ? kLinkLoopEcho : kLinkRs232, std::int8_t(protocol), o.crcMode);
        w.line.Attach(&far);
        const auto& q = requests[rng() % 4];
        // Every other run gets exactly the room the exchange may use, on the
        // heap, so that the sanitizer sees a byte past it; the others get a
        // longer buffer whose tail must stay untouched.
        const auto room = static_cast<std::size_t>(q.answerLen + (protocol == 0 ? 1 : 0));
        std::vector<std::uint8_t> answer(room + (i % 4 < 2 ? 0 : 8), 0xEE);
        std::vector<std::uint8_t> request = Hex(q.request);
        request.resize(request.size() + 1);
        const int r = ExchangeFrame(w.link, request, answer, q.answerLen);
        ASSERT_TRUE(codes[protocol].count(r)) << "run " << i << " result " << r;
        seen[protocol].insert(r);
        ASSERT_TRUE(std::all_of(answer.begin() + long(room), answer.end(),
                                [](std::uint8_t b) { return b == 0xEE; }))
            << "run " << i;
    }
    EXPECT_EQ(seen[0], codes[0]);  // the damage reaches every check
    EXPECT_EQ(seen[1], codes[1]);
}

}  // namespace
}  // namespace hk::protocol
