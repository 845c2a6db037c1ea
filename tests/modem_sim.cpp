// The simulated Hayes modem on SimLine: echo, result codes and their
// framing, S-registers and profiles, the settings report, timing.

#include <gtest/gtest.h>

#include "sim/HayesModem.h"
#include "sim/SimLine.h"

namespace hk {
namespace {

struct ModemOnLine {
    ModemOnLine() {
        line.Attach(&modem);
        line.Open("Com2");
        line.SetParams(LineParams{9600, 8, Parity::None, StopBits::One});
        CommTimeouts t{};
        t.ReadTotalTimeoutConstant = 1000;
        line.SetTimeouts(t);
    }
    // Sends `text` and returns everything the modem sends back within 1 s.
    std::string Say(const std::string& text) {
        line.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        std::uint8_t buf[2048];
        const long n = line.Read(buf, sizeof buf);
        return std::string(buf, buf + std::max(0L, n));
    }

    VirtualClock clock{0};
    sim::SimLine line{clock};
    sim::HayesModem modem;
};

TEST(HayesModem, EchoAndResultCodesAreFramedAsARealModemFramesThem) {
    ModemOnLine m;
    EXPECT_EQ(m.Say("ATZ\r"), "ATZ\r\r\nOK\r\n");
    EXPECT_EQ(m.Say("ATQ0\r"), "ATQ0\r\r\nOK\r\n");
    EXPECT_EQ(m.Say("ATJ\r"), "ATJ\r\r\nERROR\r\n");
    EXPECT_EQ(m.Say("ATE0\r"), "ATE0\r\r\nOK\r\n");  // echoed before it takes effect
    EXPECT_EQ(m.Say("ATV0\r"), "0\r");
    EXPECT_EQ(m.Say("ATS99=1\r"), "4\r");
    EXPECT_EQ(m.Say("at s7 = 60 v1\r"), "\r\nOK\r\n");  // lower case and blanks
    EXPECT_EQ(m.modem.Register(7), 60);
    EXPECT_EQ(m.Say("ATQ1\r"), "");
    EXPECT_EQ(m.Say("ATX9\r"), "");  // quiet: not even ERROR
    EXPECT_EQ(m.Say("ATQ0E1\r"), "\r\nOK\r\n");
    EXPECT_EQ(m.Say("comment\r"), "comment\r");                  // no "AT": echoed, not answered
    EXPECT_EQ(m.Say("+++ATH\r"), "+++ATH\r\r\nOK\r\n");          // the command starts at "AT"
    EXPECT_EQ(m.Say("ATXZ\b\bE1\r"), "ATXZ\b\bE1\r\r\nOK\r\n");  // backspace edits the line
    EXPECT_EQ(m.Say("AT&F<CR><LF>"), "AT&F<CR><LF>");            // no carriage return: nothing yet
    EXPECT_EQ(m.Say("\r\n"), "\r\n\r\nERROR\r\n");               // the echo goes before the answer
    EXPECT_EQ(m.Say("AT" + std::string(300, 'E') + "\r").substr(303), "\r\nERROR\r\n");
}

TEST(HayesModem, SettingsReportRegistersAndProfiles) {
    ModemOnLine m;
    m.Say("ATE0\r");
    EXPECT_EQ(m.Say("ATS0=2&W\r"), "\r\nOK\r\n");
    EXPECT_EQ(m.Say("ATS0?\r"), "\r\n002\r\n\r\nOK\r\n");
    EXPECT_EQ(m.Say("AT I4\r"),
              "\r\nE0 Q0 V1 X4 M1 L2 &C1 &D2 &K3\r\n"
              "S00=002 S01=000 S02=043 S03=013 S04=010 S05=008\r\n"
              "S06=002 S07=050 S08=002 S09=006 S10=014 S11=095\r\n"
              "S12=050\r\n"
              "\r\nOK\r\n");
    m.Say("ATS0=5V0\r");
    EXPECT_EQ(m.Say("ATI4\r").substr(0, 31), "E0 Q0 V0 X4 M1 L2 &C1 &D2 &K3\r\n");

    // Z brings back the stored profile, &F the factory one.
    EXPECT_EQ(m.Say("ATZ\r"), "\r\nOK\r\n");
    EXPECT_EQ(m.modem.Register(0), 2);
    EXPECT_TRUE(m.modem.Verbose());
    m.Say("AT&F\r");
    EXPECT_EQ(m.modem.Register(0), 0);
    EXPECT_TRUE(m.modem.Echo());
    EXPECT_EQ(m.modem.StoredRegister(0), 2);
    const std::string v = m.Say("AT&V\r");
    EXPECT_NE(v.find("ACTIVE PROFILE:\r\nE1"), std::string::npos);
    EXPECT_NE(v.find("STORED PROFILE 0:\r\nE0"), std::string::npos);
    EXPECT_NE(v.find("S00=002"), std::string::npos);

    // Commands before an error on the line stay done.
    m.Say("ATS0=3&Q\r");
    EXPECT_EQ(m.modem.Register(0), 3);
    EXPECT_EQ(m.modem.CommandLines().back(), "ATS0=3&Q");
}

TEST(HayesModem, AnswersAfterAShortDelayOneByteAfterTheOtherAtTheLineSpeed) {
    ModemOnLine m;
    m.line.SetTimeouts(CommTimeouts{0, 0, 100, 0, 0});
    const std::int64_t t0 = m.clock.NowMs();
    const std::string cmd = "ATE0\r";
    m.line.Write(reinterpret_cast<const std::uint8_t*>(cmd.data()), cmd.size());
    std::vector<std::pair<char, std::int64_t>> got;
    std::uint8_t b = 0;
    while (m.line.Read(&b, 1) == 1) got.push_back({static_cast<char>(b), m.clock.NowMs() - t0});
    ASSERT_EQ(got.size(), 11u);
    // Echo one millisecond per byte at 9600 baud, then the answer after 8 ms.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i].second, 1 + i);
    EXPECT_EQ(got[5].first, '\r');
    EXPECT_EQ(got[5].second, 8);
    EXPECT_EQ(got[10].second, 13);

    // A reset takes longer before its answer.
    const std::int64_t t1 = m.clock.NowMs();
    m.line.Write(reinterpret_cast<const std::uint8_t*>("ATZ\r"), 4);
    ASSERT_EQ(m.line.Read(&b, 1), 1);
    EXPECT_EQ(m.clock.NowMs() - t1, 60);
}

}  // namespace
}  // namespace hk
