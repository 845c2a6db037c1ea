// The simulated КВАРД controller: its bytes on the line against literal
// frames, its speed, selection and echo, the kits' buffers and the
// reprogramming rules through the workstation's exchange, its faults, and the
// same controller on a pseudo-terminal; the report of what the devices hold.

#include <gtest/gtest.h>

#include "link/PosixSerialLine.h"
#include "protocol/Exchange.h"
#include "sim/DeviceReport.h"
#include "sim/KvardController.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"
#include "support/ScriptPeer.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk::sim {
namespace {

using test::Hex;
using test::HexText;
constexpr int kOk = protocol::kResultOk;

struct World {
    explicit World(KvardOptions o = {}) : kvard(o) {
        line.Attach(&kvard);
        const bool ft12 = o.framing == KvardFraming::Ft12;
        link.Settings = {0,
                         0,
                         5,
                         std::int8_t(o.netNumber),
                         std::int8_t(o.channel),
                         std::int8_t(ft12),
                         std::int8_t(o.crcMode),
                         0};
        OpenPort(link, "Com1", 5, AddressMode::On);
        if (o.netNumber && !ft12) selected = protocol::ProbeNetAddress(link, 5);
    }
    // Raw bytes with the given parity and speed, and what comes back in 300 ms.
    std::string Talk(const std::string& hex, Parity parity = Parity::None, int baud = 9600) {
        line.SetParams({baud, 8, parity, StopBits::One});
        line.SetTimeouts({0, 0, 300, 0, 0});
        line.Write(Hex(hex));
        std::vector<std::uint8_t> got(300);
        got.resize(std::size_t(std::max(0L, line.Read(got.data(), got.size()))));
        return HexText(got);
    }
    int Send(const std::string& hex, int answerLen = 0) {
        auto request = Hex(hex);
        request.resize(request.size() + 2);
        answer.assign(140, 0xEE);
        return protocol::ExchangeFrame(link, request, answer, answerLen);
    }
    std::string Answer(std::size_t n) const {
        return HexText({answer.begin(), answer.begin() + long(n)});
    }

    VirtualClock clock{1000};
    SimLine line{clock};
    KvardController kvard;
    test::ScriptedView view;
    SerialLink link{line, clock, view};
    std::vector<std::uint8_t> answer;
    bool selected = false;
};

// Options: a kit, a network number, and -1 for the traditional framing or
// the FT1.2 CRC mode.
KvardOptions Opts(KvardKit kit, std::uint8_t number, int mode) {
    KvardOptions o;
    o.kit = kit;
    o.netNumber = number;
    o.framing = mode < 0 ? KvardFraming::Traditional : KvardFraming::Ft12;
    o.crcMode = std::max(mode, 0);
    return o;
}

TEST(KvardLine, BytesOfBothFramings) {
    World t;
    const std::pair<const char*, const char*> traditional[] = {
        {"05", "04"}, {"03 01 40 00 BF", "06 00 00 00"},  // running, key in place
        {"05", "04"}, {"03 01 40 00 BE", "15"},           // check byte wrong
        {"05", "04"}, {"03 01 77 00 88", "15"},           // no such parameter
    };
    for (const auto& [sent, back] : traditional) EXPECT_EQ(t.Talk(sent), back) << sent;
    EXPECT_EQ(t.Talk("05", Parity::None, 4800), "");  // not its speed

    World f(Opts(KvardKit::Basic, 1, 0));
    const std::pair<const char*, const char*> ft12[] = {
        {"10 40 01 01 40 00 00 82 16", "10 00 01 00 00 00 00 01 16"},
        {"10 40 01 09 00 00 00 4A 16", "A2"},  // STOP
        {"10 40 01 01 77 00 00 B9 16", "E5"},  // no such parameter
        {"10 40 02 01 40 00 00 83 16", ""},    // another controller's number
        {"10 40 01 01 40 00 00 82 17", ""},    // damaged
    };
    for (const auto& [sent, back] : ft12) EXPECT_EQ(f.Talk(sent), back) << sent;
}

TEST(KvardLine, SelectionByAddressParityAndTheLoopEcho) {
    World none;  // without a number it leaves address bytes to the others
    EXPECT_EQ(none.Talk("05", Parity::Mark), "");
    KvardOptions o;
    o.netNumber = 5;
    World w(o);
    EXPECT_TRUE(w.selected);
    EXPECT_EQ(w.Talk("05", Parity::Space), "04");
    EXPECT_EQ(w.Talk("06", Parity::Mark), "");  // another number: deselected
    EXPECT_EQ(w.Talk("05", Parity::Space), "");
    EXPECT_EQ(w.Talk("05", Parity::Mark), "05");
    EXPECT_EQ(w.Talk("05", Parity::None), "");  // not a byte of the multi-drop line
    SetPortSpeed(w.link, AddressMode::Off, 5);
    EXPECT_EQ(w.Send("01 0B"), kOk);  // end of exchange deselects
    EXPECT_FALSE(w.kvard.Selected());

    o.channel = 1;
    World m(o);
    EXPECT_EQ(m.Talk("05", Parity::Odd), "04");
    EXPECT_EQ(m.Talk("05", Parity::None), "");
    o.evenParityReadsAsNone = true;  // as over a pseudo-terminal
    EXPECT_EQ(World(o).Talk("05", Parity::None), "05");

    KvardOptions loop;
    loop.loopEcho = true;
    World e(loop);
    EXPECT_EQ(e.Talk("05"), "05 04");
    EXPECT_EQ(e.Talk("FF", Parity::None, 1200), "FF");  // the loop returns any byte
}

TEST(KvardKits, BuffersWhereTheKitKeepsThem) {
    const std::pair<KvardKit, std::vector<const char*>> kits[] = {
        {KvardKit::Basic, {"04 02 BF 00 80", "04 02 BF 80 80"}},
        {KvardKit::Minimal, {"04 02 AF 00 80"}},
        {KvardKit::Expandable, {"03 01 40 4B"}},
        {KvardKit::Kvard47, {"03 01 40 48", "03 01 40 4B"}},
    };
    for (const auto& [kit, reads] : kits) {
        World w(Opts(kit, 0, -1));
        ASSERT_EQ(w.kvard.BufferCount(), reads.size());
        for (std::size_t b = 0; b < reads.size(); ++b) {
            w.kvard.SetBuffer(b, KvardController::ModemLines({"ATZ", "ATE" + std::to_string(b)}));
            ASSERT_EQ(w.Send(reads[b], 128), kOk) << reads[b];
            EXPECT_EQ(w.Answer(10), "41 54 5A 0D 41 54 45 3" + std::to_string(b) + " 0D 00");
        }
    }
}

TEST(KvardReprogramming, StatusWordUnlockPasswordCommitAndCancel) {
    KvardOptions o;
    o.password = 0x1234;
    World w(o);
    w.kvard.SetBuffer(0, KvardController::ModemLines({"ATZ"}));
    const char* write = "06 06 DF 00 41 42 43";
    // Each step: a request and "ok" or "refused", "status" and S1, or "wait" ms.
    const std::pair<std::string, std::string> script[] = {
        {"status", "00"},
        {"02 0D A1", "refused"},  // no copy-in while running
        {"01 09", "ok"},
        {"wait", "300"},
        {"status", "08"},
        {write, "refused"},  // not reprogramming
        {"02 0D A1", "ok"},
        {"wait", "400"},
        {"status", "09"},
        {"05 05 40 07 DF 00", "ok"},
        {write, "refused"},  // no password given
        {"05 05 40 07 ED CB", "ok"},
        {"05 05 40 08 12 35", "refused"},  // wrong password
        {"05 05 40 07 ED CB", "ok"},
        {"05 05 40 08 12 34", "ok"},
        {write, "refused"},  // the unlock was used up
        {"05 05 40 07 DF 01", "ok"},
        {write, "refused"},  // unlock for another address
        {"05 05 40 07 DF 7F", "ok"},
        {"05 06 DF 7F 01 02", "refused"},  // past the buffer
        {"05 05 40 07 DF 00", "ok"},
        {write, "ok"},
        {"status", "09"},
        {"wait", "60"},
        {"status", "0D"},  // block written
        {"05 05 40 07 BF FB", "ok"},
        {"05 05 40 04 00 10", "ok"},  // control parameter
        {"02 0D A3", "ok"},
        {"wait", "400"},
        {"status", "0F"},  // copied out
    };
    for (const auto& [request, want] : script) {
        if (request == "wait") {
            w.clock.Sleep(std::stoi(want));
        } else if (request == "status") {
            ASSERT_EQ(w.Send("03 01 40 00", 2), kOk);
            EXPECT_EQ(test::HexText({w.answer[1]}), want);
        } else {
            EXPECT_EQ(w.Send(request) == kOk ? "ok" : "refused", want) << request;
        }
    }
    EXPECT_EQ(HexText(w.kvard.Buffer(0)).substr(0, 14), "41 42 43 0D 00");
    EXPECT_EQ(w.kvard.ControlParameter(0)[1], 0x10);
    EXPECT_EQ(w.Send("02 0D A1"), kOk);
    EXPECT_EQ(w.Send("05 05 40 07 DF 00"), kOk);
    EXPECT_EQ(w.Send("06 06 DF 00 58 59 5A"), kOk);
    EXPECT_EQ(w.Send("02 0D A0"), kOk);  // cancel discards
    EXPECT_EQ(w.kvard.Buffer(0)[0], 'A');

    World m(Opts(KvardKit::Minimal, 1, 0));  // the minimal kit counts its data over FT1.2
    m.kvard.SetRunState(0x08);
    EXPECT_EQ(m.Send("02 0D A1"), kOk);
    EXPECT_EQ(m.Send("05 05 40 07 2F 00"), kOk);
    EXPECT_EQ(m.Send("08 06 2F 00 04 41 54 5A 0D"), kOk);
}

TEST(KvardReport, TellsWhatWasCommittedAndNothingElse) {
    World w(Opts(KvardKit::Basic, 5, -1));
    w.kvard.SetBuffer(0, KvardController::ModemLines({"AT"}));
    const std::string erased = std::string(2 * (KvardController::kBufferSize - 4), 'f');
    const std::string before =
        "controller 5 kit 0 baud 9600 restarts 0\n"
        "buffer 5 0 41540d00" +
        erased +
        "\n"
        "buffer 5 1 " +
        std::string(2 * KvardController::kBufferSize, 'f') + "\n";
    EXPECT_EQ(DescribeController(w.kvard), before);
    // Written into the reprogramming buffer, then cancelled: nothing committed.
    EXPECT_EQ(w.Send("01 09"), kOk);
    w.clock.Sleep(300);
    EXPECT_EQ(w.Send("02 0D A1"), kOk);
    EXPECT_EQ(w.Send("05 05 40 07 DF 00"), kOk);
    EXPECT_EQ(w.Send("06 06 DF 00 58 0D 00"), kOk);
    EXPECT_EQ(DescribeController(w.kvard), before);
    EXPECT_EQ(w.Send("02 0D A0"), kOk);
    EXPECT_EQ(DescribeController(w.kvard), before);
    // Written again and copied out: the stored bytes change; a restart counts.
    w.clock.Sleep(400);
    EXPECT_EQ(w.Send("02 0D A1"), kOk);
    EXPECT_EQ(w.Send("05 05 40 07 DF 00"), kOk);
    EXPECT_EQ(w.Send("06 06 DF 00 58 0D 00"), kOk);
    EXPECT_EQ(w.Send("02 0D A3"), kOk);
    EXPECT_EQ(w.Send("01 08"), kOk);
    const std::string after = DescribeController(w.kvard);
    EXPECT_NE(after.find("restarts 1\nbuffer 5 0 580d0000" + erased), std::string::npos) << after;
}

TEST(KvardFaults, EachFaultGivesItsResultCodeOnce) {
    const struct {
        KvardFault fault;
        int mode;  // -1 traditional, else the FT1.2 CRC mode
        int want;
    } rows[] = {
        {KvardFault::NoiseForReady, -1, protocol::kResultWaitTimedOut},
        {KvardFault::ShortAnswer, -1, protocol::kResultAnswerIncomplete},
        {KvardFault::BadCheckByte, -1, protocol::kResultAnswerCheckWrong},
        {KvardFault::ShortAnswer, 2, protocol::kResultAnswerIncomplete},
        {KvardFault::BadCheckByte, 1, protocol::kResultCheckSumWrong},
        {KvardFault::BadCrc, 1, protocol::kResultCrcWrong},
        {KvardFault::BadEndByte, 0, protocol::kResultEndWrong},
        {KvardFault::BadAddress, 0, protocol::kResultAddressWrong},
        {KvardFault::BadControl, 2, protocol::kResultControlWrong},
    };
    for (const auto& r : rows) {
        World w(Opts(KvardKit::Basic, r.mode < 0 ? 0 : 1, r.mode));
        w.kvard.Inject(r.fault);
        EXPECT_EQ(w.Send("03 01 40 00", 2), r.want) << int(r.fault) << " mode " << r.mode;
        w.clock.Sleep(3000);  // the noise has passed
        EXPECT_EQ(w.Send("03 01 40 00", 2), kOk) << int(r.fault) << " mode " << r.mode;
    }
}

TEST(KvardPty, ProbeAndExchangeOverAPseudoTerminal) {
    KvardController kvard(Opts(KvardKit::Basic, 5, -1));
    test::TempDir dir;
    ServedPty served(kvard, dir.Dir() + "ports/com1");
    ASSERT_TRUE(served.Started()) << served.Error();

    PosixSerialLine line(dir.Dir());
    RealClock clock;
    test::ScriptedView view;
    SerialLink link(line, clock, view);
    link.Settings.NetAddress = 5;
    ASSERT_TRUE(OpenPort(link, "Com1", 5, AddressMode::On));
    EXPECT_TRUE(protocol::ProbeNetAddress(link, 5));
    std::vector<std::uint8_t> request = Hex("03 01 41 1E 00"), answer(4), end = Hex("01 0B 00");
    EXPECT_EQ(protocol::ExchangeFrame(link, request, answer, 2), kOk);
    EXPECT_EQ(HexText({answer.begin(), answer.begin() + 2}), "05 21");
    EXPECT_EQ(protocol::ExchangeFrame(link, end, answer, 0), kOk);
    served.Stop();
    EXPECT_FALSE(kvard.Selected());
}

}  // namespace
}  // namespace hk::sim
