// The link search behind "Подбор" against the simulated controller on the
// virtual clock: number and speed found at every speed, the address probe's
// parity, the speed and number ranges, FT1.2 without probes, "Выход" during
// the search, a search without a hit, the number field with its views and key
// filter, and the echo test of a current loop.

#include <gtest/gtest.h>

#include "device/LinkSearch.h"
#include "support/ControllerFakes.h"

namespace hk::device {
namespace {

using test::ControllerWorld;
using Texts = std::vector<std::string>;

sim::KvardOptions Controller(int number, int baud = 9600, int channel = 0,
                             sim::KvardFraming framing = sim::KvardFraming::Traditional) {
    sim::KvardOptions o;
    o.netNumber = static_cast<std::uint8_t>(number);
    o.baudRate = baud;
    o.channel = channel;
    o.framing = framing;
    return o;
}

// The line parameters of every byte written after the port was opened.
std::vector<LineParams> WrittenParams(const ControllerWorld& w) {
    std::vector<LineParams> out;
    for (const auto& b : w.line.Written()) out.push_back(b.params);
    return out;
}

TEST(Search, FindsNumberAndSpeedAtEverySpeed) {
    const char* labels[] = {"    300 бод", "    600 бод", "  1200 бод", "  2400 бод",
                            "  4800 бод",  "  9600 бод",  "19200 бод"};
    for (int speed = 0; speed <= 6; ++speed) {
        ControllerWorld w(Controller(3, BaudRates[std::size_t(speed)]));
        w.view.choice.searchAllNumbers = true;
        w.view.choice.speedItem = 0;  // "Подбор"
        w.job.Search();
        EXPECT_EQ(w.view.closed, 1) << speed;
        EXPECT_EQ(w.link.Settings.NetAddress, 3);
        EXPECT_EQ(w.link.Settings.SpeedIndex, speed);
        EXPECT_EQ(w.view.numberLabel, "Сетевой номер  3");
        EXPECT_EQ(w.view.speedLabel, std::string("Скорость обмена ") + labels[speed]);
        EXPECT_EQ(w.SettingsFile()[2], speed);
        // Numbers 1 and 2 probed at every speed, then 3 up to its own; 0 never.
        const auto params = WrittenParams(w);
        EXPECT_EQ(std::count_if(params.begin(), params.end(),
                                [](const LineParams& p) { return p.Parity == Parity::Mark; }),
                  2 * 7 + speed + 1);
    }
}

TEST(Search, TheProbeSendsTheNumberInAddressParityThenDataParity) {
    const std::pair<Parity, Parity> parities[] = {{Parity::Mark, Parity::Space},
                                                  {Parity::Even, Parity::Odd}};
    for (int channel : {0, 1}) {
        ControllerWorld w(Controller(3, 9600, channel));
        w.job.Search();
        ASSERT_EQ(w.view.closed, 1);
        const auto& written = w.line.Written();
        EXPECT_EQ(written[0].value, 3);
        EXPECT_EQ(written[0].params.Parity, parities[channel].first);
        EXPECT_EQ(written[1].value, 0x05);  // Enq of the identification
        for (std::size_t i = 1; i < written.size(); ++i)
            EXPECT_EQ(written[i].params.Parity, parities[channel].second) << i;
    }
}

TEST(Search, NumberZeroAndFt12AreNeverProbed) {
    ControllerWorld zero(Controller(0, 19200));
    zero.view.choice.searchAllNumbers = true;
    zero.view.choice.speedItem = 0;
    zero.job.Search();
    EXPECT_EQ(zero.view.closed, 1);
    EXPECT_EQ(zero.link.Settings.SpeedIndex, 6);
    EXPECT_EQ(zero.Sent("05"), 7 + 2 + 2);  // one Enq per speed, then kit check and reads
    for (const auto& p : WrittenParams(zero)) EXPECT_EQ(p.Parity, Parity::None);

    ControllerWorld ft12(Controller(2, 9600, 0, sim::KvardFraming::Ft12));
    ft12.view.choice.searchAllNumbers = true;
    ft12.view.choice.speedItem = 6;  // "  9600 бод"
    ft12.job.Search();
    EXPECT_EQ(ft12.view.closed, 1);
    EXPECT_EQ(ft12.link.Settings.NetAddress, 2);
    EXPECT_EQ(ft12.Sent("10"), 3 + 3 + 2);  // a short frame to each number, kit check, reads
    for (const auto& p : WrittenParams(ft12)) EXPECT_EQ(p.Parity, Parity::None);
}

TEST(Search, OneSpeedWithoutAHitTriesEveryNumberThereAndEndsTheExchange) {
    ControllerWorld w(Controller(5, 9600));
    w.view.choice.searchAllNumbers = true;
    w.view.choice.speedItem = 7;  // "19200 бод"
    w.job.Search();
    for (const auto& p : WrittenParams(w)) EXPECT_EQ(p.BaudRate, 19200);
    EXPECT_EQ(w.view.numberLabel, "Сетевой номер  127");
    EXPECT_EQ(w.view.speedLabel, "Скорость обмена  не установлена");
    EXPECT_EQ(w.job.Session().NetNumber, kNoNetNumber);
    // Number 127's probe, then the end of exchange (which no controller takes up).
    const auto& written = w.line.Written();
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written[written.size() - 2].value, 127);
    EXPECT_EQ(written[written.size() - 2].params.Parity, Parity::Mark);
    EXPECT_EQ(written.back().value, 0x05);
    EXPECT_TRUE(w.kvard.Requests().empty());
    EXPECT_EQ(w.view.closed, 0);
}

TEST(Search, ExitEndsTheSearchBeforeTheNextAttempt) {
    for (int pass : {1, 20}) {  // before the first attempt, and eight numbers on
        ControllerWorld w(Controller(100, 9600));
        w.view.choice.searchAllNumbers = true;
        std::size_t probedAtExit = 0;
        w.view.script.onProcess = [&](int n) {
            if (n != pass) return;
            w.job.Exit();
            probedAtExit = w.kvard.AddressBytes().size();
        };
        w.job.Search();
        EXPECT_EQ(w.kvard.CountRequests(kReadParameter), 0);
        EXPECT_EQ(w.job.Session().NetNumber, kNoNetNumber);
        EXPECT_EQ(w.view.speedLabel, "Скорость обмена  не установлена");
        EXPECT_EQ(w.view.closed, 1);
        EXPECT_EQ(w.SettingsFile()[0], 0);  // stored on leaving
        // No attempt after the stop; only end-of-exchange requests went out.
        EXPECT_EQ(w.kvard.AddressBytes().size(), probedAtExit);
        EXPECT_EQ(probedAtExit, pass == 1 ? 0u : 8u);
        EXPECT_TRUE(w.kvard.Requests().empty());
    }
}

TEST(NumberField, ValuesViewsAndTheLimit) {
    const struct {
        const char* text;
        bool hex;
        int number;  // -1: refused
    } rows[] = {{"7F", true, 127},      {"80", true, -1},  {"127", false, 127},
                {"128", false, -1},     {"1A", false, 20}, {"", false, kNoNetNumber},
                {"100000005", true, -1}};  // no wrap-round into range
    for (const auto& r : rows) {
        ControllerWorld w(Controller(5));
        w.view.choice.number = r.text;
        w.view.choice.hexView = r.hex;
        w.job.Session().NetNumber = 9;
        EXPECT_EQ(w.job.CheckNetNumber(), r.number >= 0) << r.text;
        EXPECT_EQ(w.job.Session().NetNumber, r.number >= 0 ? r.number : 9) << r.text;
        EXPECT_EQ(w.view.status,
                  r.number >= 0 ? Texts{} : Texts{"Сетевой номер больше допустимого"});
    }
    EXPECT_EQ(ParseNumber("1A", 10), 20);
    EXPECT_EQ(ParseNumber("x1-2", 16), 0x12);
    EXPECT_EQ(ParseNumber("1FFFF1234", 16), 0xFFFF1234 - 0x1'0000'0000LL);

    ControllerWorld refused(Controller(5));
    refused.view.choice.number = "80";
    refused.view.choice.hexView = true;
    refused.job.Search();
    EXPECT_EQ(refused.Opens(), 1);
    EXPECT_TRUE(refused.line.Written().empty());
}

TEST(NumberField, AFoundNumberIsShownAtTheNextOpeningInTheChosenView) {
    ControllerWorld w(Controller(10));
    w.view.choice.searchAllNumbers = true;
    w.view.choice.speedItem = 6;
    w.job.Search();
    ASSERT_EQ(w.job.Session().NetNumber, 10);
    for (bool hex : {true, false}) {
        w.view.choice.number.clear();
        w.view.choice.hexView = hex;
        w.job.Opened();
        EXPECT_EQ(w.view.choice.number, hex ? "0A" : "10");
    }
    w.view.choice.searchAllNumbers = false;
    w.view.choice.number.clear();
    w.job.SearchBoxClicked();
    EXPECT_EQ(w.view.fields, (device::FieldsShown{.manualEntry = true, .results = false}));
    EXPECT_EQ(w.view.choice.number, "10");
}

TEST(NumberField, KeyFilter) {
    const struct {
        unsigned char key;
        bool password, hex, passes;
        const char* shown;
    } rows[] = {{'7', false, false, true, ""}, {8, false, false, true, ""},
                {13, false, false, true, ""},  {'A', false, false, false, "A"},
                {'a', false, true, true, ""},  {'F', true, false, true, ""},
                {'G', true, true, false, "G"}, {0xC6, true, true, false, "Ж"}};
    for (const auto& r : rows) {
        ControllerWorld w(Controller(5));
        w.view.choice.hexView = r.hex;
        EXPECT_EQ(device::ControllerJob::KeyPress(w.view, r.key, r.password), r.passes)
            << int(r.key);
        Texts want = {""};
        if (!r.passes) want.push_back(std::string("Недопустимый символ  ") + r.shown);
        EXPECT_EQ(w.view.status, want);
    }
}

TEST(EchoTest, ACurrentLoopThatReturnsTheByteIsAnEchoLoop) {
    for (bool echo : {true, false}) {
        auto options = Controller(5);
        options.loopEcho = echo;
        ControllerWorld w(options);
        w.view.choice.currentLoop = true;  // "ИРПС"
        w.job.Search();
        EXPECT_EQ(w.view.closed, 1);
        EXPECT_EQ(w.link.Settings.LinkKind, echo ? kLinkLoopEcho : kLinkLoop);
        EXPECT_EQ(w.SettingsFile()[1], echo ? 2 : 1);
        EXPECT_EQ(w.Sent("FF"), echo ? 1 : 2);
        if (echo) continue;
        // Without an echo: a 100 ms read, a 100 ms pause, then the second try
        // (one byte at 300 baud takes 36.7 ms).
        const auto& written = w.line.Written();
        ASSERT_EQ(written[1].value, 0xFF);
        EXPECT_EQ(written[1].atMs - written[0].atMs, 36 + 100 + 100);
    }
}

}  // namespace
}  // namespace hk::device
