// The simulated Hayes modem on SimLine: echo, result codes and their
// framing, S-registers and profiles, the settings report, timing.

#include <gtest/gtest.h>

#include "sim/DeviceReport.h"
#include "sim/HayesModem.h"
#include "sim/SimLine.h"

namespace hk {
namespace {

struct ModemOnLine {
    ModemOnLine() {
        line.Attach(&modem);
        line.Open("Com2");
        line.SetParams(LineParams{9600, 8, Parity::None, StopBits::One});
        line.SetTimeouts(CommTimeouts{0, 0, 1000, 0, 0});
    }
    // Sends `text`; everything the modem sends back within a second.
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
    EXPECT_EQ(m.Say("ATJ\r"), "ATJ\r\r\nERROR\r\n");
    EXPECT_EQ(m.Say("ATE0\r"), "ATE0\r\r\nOK\r\n");  // echoed before it takes effect
    EXPECT_EQ(m.Say("ATV0\r"), "0\r");
    EXPECT_EQ(m.Say("at s7 = 60 v1\r"), "\r\nOK\r\n");  // lower case and blanks
    EXPECT_EQ(m.modem.Register(7), 60);
    EXPECT_EQ(m.Say("ATQ1X9\r"), "");  // quiet: not even the ERROR
    m.Say("ATQ0E1\r");
    EXPECT_EQ(m.Say("comment\r"), "comment\r");  // no "AT": echoed, not answered
    EXPECT_EQ(m.Say("AT&F<CR><LF>\r\n"), "AT&F<CR><LF>\r\n\r\nERROR\r\n");
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
    EXPECT_EQ(m.Say("ATZ\r"), "\r\nOK\r\n");  // the stored profile is back
    EXPECT_EQ(m.modem.Register(0), 2);
    m.Say("AT&F\r");
    EXPECT_EQ(m.modem.Register(0), 0);
    EXPECT_TRUE(m.modem.Echo());
    EXPECT_NE(m.Say("AT&V\r").find("STORED PROFILE 0:\r\nE0 Q0 V1"), std::string::npos);
    m.Say("ATS0=3&Q\r");  // what comes before an error stays done
    EXPECT_EQ(m.modem.Register(0), 3);
}

TEST(HayesModem, AKeptSettingAnswersOkAndStaysWhereverItWouldGo) {
    ModemOnLine m;
    ASSERT_TRUE(m.modem.KeepFixed("S7", 50));
    ASSERT_TRUE(m.modem.KeepFixed("e"));  // at the value it has: echo on
    ASSERT_TRUE(m.modem.KeepFixed("&K=4"));
    EXPECT_EQ(m.Say("ATS0=2S7=60E0&K3\r"), "ATS0=2S7=60E0&K3\r\r\nOK\r\n");
    EXPECT_EQ(m.modem.Register(0), 2);
    EXPECT_EQ(m.Say("ATS7?\r"), "ATS7?\r\r\n050\r\n\r\nOK\r\n");
    EXPECT_EQ(m.Say("ATS7=300\r"), "ATS7=300\r\r\nERROR\r\n") << "refused as before";
    m.Say("AT&W\r");
    EXPECT_EQ(m.modem.StoredRegister(7), 50);
    m.Say("AT&F\r");
    EXPECT_EQ(m.modem.Register(7), 50);
    m.Say("ATZ\r");
    EXPECT_EQ(m.modem.Register(7), 50);
    EXPECT_NE(m.Say("AT&V\r").find("E1 Q0 V1 X4 M1 L2 &C1 &D2 &K4"), std::string::npos);
    // Names the modem does not know, and values it would refuse.
    for (const char* bad : {"B", "S38", "S7=256", "E=2", "X=", "&K=12345"})
        EXPECT_FALSE(m.modem.KeepFixed(bad)) << bad;
}

TEST(HayesModem, AnswersAfterAShortDelayOneByteAfterTheOtherAtTheLineSpeed) {
    ModemOnLine m;
    m.line.SetTimeouts(CommTimeouts{0, 0, 100, 0, 0});
    m.line.Write(reinterpret_cast<const std::uint8_t*>("ATE0\r"), 5);
    std::vector<std::int64_t> at;
    std::uint8_t b = 0;
    while (m.line.Read(&b, 1) == 1) at.push_back(m.clock.NowMs());
    // The write drains for 5 ms at 9600 baud, by then the echo is all there;
    // the answer starts 8 ms after the CR, 1 ms per byte.
    EXPECT_EQ(at, (std::vector<std::int64_t>{5, 5, 5, 5, 5, 12, 13, 14, 15, 16, 17}));
}

// A dial or an answer ends with the telephone line's result after its
// delay; CONNECT puts the modem on line, where bytes are data until DTR
// drops. A command line may be answered with another code than its own.
TEST(HayesModem, DialsAnswersAndGivesTheCodesAnInitialisationLineMayMeet) {
    ModemOnLine m;
    m.line.SetTimeouts(CommTimeouts{0, 0, 2000, 0, 0});
    EXPECT_EQ(m.Say("ATDT5551234\r"), "ATDT5551234\r\r\nNO CARRIER\r\n");
    EXPECT_FALSE(m.modem.Accepted().back());
    m.modem.SetDialResult("BUSY");
    m.Say("ATV0\r");
    EXPECT_EQ(m.Say("ATA\r"), "ATA\r7\r");
    m.modem.SetDialResult("CONNECT 9600");
    m.Say("ATV1\r");
    const std::int64_t before = m.clock.NowMs();
    EXPECT_EQ(m.Say("ATE0DT1\r"), "ATE0DT1\r\r\nCONNECT 9600\r\n");
    EXPECT_GE(m.clock.NowMs() - before, sim::HayesModem::Timing{}.callDelayMs);
    EXPECT_TRUE(m.modem.OnLine());
    EXPECT_TRUE(m.modem.Accepted().back());
    EXPECT_EQ(m.Say("ATS7=45\r"), "") << "data for the far end";
    EXPECT_EQ(m.modem.CommandLines().size(), 5u);
    m.line.SetDtr(true);
    m.line.SetDtr(false);
    EXPECT_FALSE(m.modem.OnLine());
    EXPECT_EQ(m.Say("AT\r"), "\r\nOK\r\n");

    m.modem.AnswerInstead(2, "NO CARRIER");
    EXPECT_EQ(m.Say("ATS7=45\r"), "\r\nOK\r\n");
    EXPECT_EQ(m.Say("ATS7=46\r"), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(m.modem.Register(7), 45) << "not carried out";
    EXPECT_FALSE(m.modem.Accepted().back());
    EXPECT_EQ(m.Say("ATS7=47\r"), "\r\nOK\r\n");
}

// The state report kvard-sim writes: the modem's active registers and the
// profile stored by &W.
TEST(HayesModem, ReportTellsTheActiveAndStoredRegisters) {
    ModemOnLine m;
    m.Say("ATS0=3&W\r");
    const std::string report = sim::DescribeModem(m.modem);
    EXPECT_EQ(report.rfind("modem commands 1 echo 1 verbose 1\nmodem active 3,0,43,13,", 0), 0u)
        << report;
    EXPECT_NE(report.find("\nmodem stored 3,0,43,13,"), std::string::npos) << report;
}

}  // namespace
}  // namespace hk
