// The check of what the modem holds against the list, through the modem
// console on SimLine with the simulated modem and the virtual clock: a
// modem that keeps S7 at 50, a normal modem with the example list, digit
// answers with and without echo, a modem that refuses AT&V, Q1 in the list,
// a silent modem, a check the operator cuts short and a port that goes.

#include <gtest/gtest.h>

#include <utility>

#include "base/Windows1251.h"
#include "lists/ListFiles.h"
#include "log/ExchangeLog.h"
#include "modem/ModemCheckJob.h"
#include "sim/HayesModem.h"
#include "support/Examples.h"
#include "support/ModemFakes.h"

namespace hk {
namespace {

using Lines = std::vector<std::string>;
using Kind = sim::SimEvent::Kind;

// The simulated modem, with "&V" on the way in turned into "&Q", which it
// does not know: a modem that answers ERROR to AT&V.
class NoListingModem : public sim::SimPeer {
public:
    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
        if (afterAmpersand_ && (byte == 'V' || byte == 'v')) byte = 'Q';
        afterAmpersand_ = byte == '&';
        modem.OnByte(byte, params, out);
    }
    sim::HayesModem modem;

private:
    bool afterAmpersand_ = false;
};

struct CheckWorld : test::ModemWorld {
    CheckWorld() {
        line.Attach(&modem);
        link.Log = &log;
    }
    // Runs the list to its end as the window's receiver does.
    void Run(const Lines& list) {
        window.list.lines = list;
        console.StartRun();
        ASSERT_TRUE(IdleUntil([&] { return !console.Run().UnderWay(); }));
        ASSERT_TRUE(console.Run().Completed());
    }
    // The questions of the check: the lines written from `fromWrite` on.
    Lines Questions(std::size_t fromWrite) const {
        const Lines all = Writes();
        return Lines(all.begin() + static_cast<std::ptrdiff_t>(fromWrite), all.end());
    }
    Lines Texts(const CheckResult& r) const {
        Lines out;
        for (const CheckRow& row : r.rows) out.push_back(RowText(row));
        return out;
    }
    // The answers memo's lines from `from` on, as UTF-8.
    Lines Shown(std::size_t from) const {
        Lines out;
        for (std::size_t i = from; i < window.answers.lines.size(); ++i)
            out.push_back(Utf8FromWindows1251(window.answers.lines[i]));
        return out;
    }
    bool Noted(const std::string& text) const {
        for (const LogEntry& e : log.Entries())
            if (e.kind == LogEntry::Kind::Note && e.text == text) return true;
        return false;
    }

    sim::HayesModem modem;
    ExchangeLog log{clock};
};

TEST(ModemCheck, AModemThatKeepsS7At50DiffersFromTheList) {
    CheckWorld w;
    ASSERT_TRUE(w.modem.KeepFixed("S7", 50));
    const Lines list = {"AT&F", "ATS0=2", "ATS7=60", "AT&W"};
    w.Run(list);
    EXPECT_EQ(w.window.runEnds, std::vector<bool>{true});
    const std::size_t writes = w.Writes().size();
    const std::size_t shown = w.window.answers.lines.size();

    const CheckResult r = w.console.CheckModem();
    EXPECT_EQ(r.outcome, CheckOutcome::Done);
    EXPECT_EQ(w.Texts(r), (Lines{"S0: в списке 2, в модеме 2 — совпадает",
                                 "S7: в списке 60, в модеме 50 — отличается",
                                 "S0 в профиле 0: в списке 2, в модеме 2 — совпадает",
                                 "S7 в профиле 0: в списке 60, в модеме 50 — отличается"}));
    EXPECT_EQ(r.SummaryText(), "Модем хранит 2 настройки не так, как в списке");
    // What differs is read twice.
    EXPECT_EQ(w.Questions(writes),
              (Lines{"ATS0?\r", "ATS7?\r", "ATS7?\r", "AT&V\r", "AT&V\r"}));
    // Shown: the table, the marked line, the status text; the list unchanged.
    Lines table = {"Проверка настроек модема по списку:"};
    for (const std::string& t : w.Texts(r)) table.push_back(t);
    table.push_back("Модем хранит 2 настройки не так, как в списке");
    EXPECT_EQ(w.Shown(shown), table);
    EXPECT_EQ(w.window.differing, std::vector<int>{2});
    EXPECT_EQ(w.window.Status(), "Модем хранит 2 настройки не так, как в списке");
    EXPECT_EQ(w.window.list.lines, list);
    EXPECT_TRUE(w.window.marks.empty()) << "no line was refused";
    EXPECT_TRUE(w.Noted("Модему: ATS7?"));
    EXPECT_TRUE(w.Noted("Модем: 050"));
    EXPECT_TRUE(w.Noted("S7: в списке 60, в модеме 50 — отличается"));
    // The receiver listens again, and the check left the modem as it was.
    EXPECT_TRUE(w.console.IdleInstalled());
    EXPECT_EQ(w.modem.Register(0), 2);
    EXPECT_EQ(w.modem.StoredRegister(7), 50);

    // With the list at the modem's value a second check finds all the same,
    // and the first check's mark goes.
    w.window.list.lines[2] = "ATS7=50";
    const CheckResult again = w.console.CheckModem();
    EXPECT_EQ(again.SummaryText(), "Все 4 проверенные настройки совпадают");
    EXPECT_TRUE(w.window.differing.empty());
}

TEST(ModemCheck, ANormalModemHoldsEverySettingOfTheExampleList) {
    CheckWorld w;
    const auto contents = ReadListFile(test::ExampleFile("hayes_init.n2"));
    ASSERT_TRUE(contents && !contents->refusal);
    w.Run(contents->lines);
    const std::size_t writes = w.Writes().size();
    const std::int64_t start = w.clock.NowMs();
    const CheckResult r = w.console.CheckModem();
    const std::int64_t tookMs = w.clock.NowMs() - start;
    EXPECT_EQ(r.outcome, CheckOutcome::Done);
    EXPECT_EQ(r.Checked(), 16) << "S0, S7, E, Q, V, X, &C, &D, active and stored";
    EXPECT_EQ(r.Unchecked(), 0);
    EXPECT_EQ(r.SummaryText(), "Все 16 проверенных настроек совпадают");
    EXPECT_TRUE(w.window.differing.empty());
    EXPECT_EQ(w.Questions(writes), (Lines{"ATS0?\r", "ATS7?\r", "AT&V\r"}));
    // Each question goes out as soon as the answer before it is over (its
    // code, then one read of 20 ms that brings nothing): no pause between
    // them, and the whole check in under a second with the line's settling.
    std::int64_t lastByteAt = -1;
    std::size_t write = 0;
    for (const auto& e : w.line.Events()) {
        if (e.kind == Kind::Read && !e.bytes.empty()) lastByteAt = e.atMs;
        if (e.kind == Kind::Write && write++ > writes) {
            EXPECT_EQ(e.atMs, lastByteAt + kModemReadTimeoutMs);
        }
    }
    EXPECT_LT(tookMs, 1000);
}

TEST(ModemCheck, WordAndDigitAnswersWithEchoOnAndOffAt9600And300Baud) {
    // At 300 baud the modem's bytes come 33 ms apart, further than the
    // receiver's 20 ms read time-out.
    struct Case {
        const char* answers;
        std::int32_t baud;
    } cases[] = {{"ATE1V0", 9600}, {"ATE0V0", 9600}, {"ATE1V0", 300},
                 {"ATE0V0", 300},  {"ATE1V1", 300},  {"ATE0V1", 300}};
    for (const Case& c : cases) {
        const std::string answers = c.answers + std::string(" at ") + std::to_string(c.baud);
        CheckWorld w;
        w.line.SetParams(LineParams{c.baud, 8, Parity::None, StopBits::One});
        ASSERT_TRUE(w.modem.KeepFixed("X", 3));
        w.Run({c.answers, "ATS0=3S7=45X4", "AT&W"});
        ASSERT_EQ(w.modem.Verbose(), std::string(c.answers).ends_with("1")) << answers;
        const CheckResult r = w.console.CheckModem();
        EXPECT_EQ(r.outcome, CheckOutcome::Done) << answers;
        EXPECT_EQ(r.Checked(), 10) << answers;
        EXPECT_EQ(r.SummaryText(), "Модем хранит 2 настройки не так, как в списке") << answers;
        ASSERT_EQ(r.rows.size(), 10u);
        EXPECT_EQ(RowText(r.rows[1]), "S7: в списке 45, в модеме 45 — совпадает") << answers;
        EXPECT_EQ(RowText(r.rows[4]), "X: в списке 4, в модеме 3 — отличается") << answers;
        EXPECT_EQ(w.window.differing, std::vector<int>{1}) << answers;
    }
}

TEST(ModemCheck, AModemThatRefusesTheListingHasItsRegistersCheckedAlone) {
    CheckWorld w;
    NoListingModem modem;
    w.line.Attach(&modem);
    w.Run({"ATS0=2S7=60E1", "AT&W"});
    const CheckResult r = w.console.CheckModem();
    EXPECT_EQ(r.outcome, CheckOutcome::Done);
    EXPECT_EQ(
        w.Texts(r),
        (Lines{"S0: в списке 2, в модеме 2 — совпадает", "S7: в списке 60, в модеме 60 — совпадает",
               "E: в списке 1, в модеме не прочитано — не проверено",
               "S0 в профиле 0: в списке 2, в модеме не прочитано — не проверено",
               "S7 в профиле 0: в списке 60, в модеме не прочитано — не проверено",
               "E в профиле 0: в списке 1, в модеме не прочитано — не проверено"}));
    EXPECT_EQ(r.listingNote, "AT&V: ERROR");
    EXPECT_EQ(r.SummaryText(), "Все 2 проверенные настройки совпадают");
    const Lines shown = w.Shown(w.window.answers.lines.size() - 2);
    EXPECT_EQ(shown, (Lines{"AT&V: ERROR", "Все 2 проверенные настройки совпадают"}));
}

TEST(ModemCheck, Q1InTheListMeansNothingCanBeReadBack) {
    CheckWorld w;
    w.window.list.lines = {"ATZ", "ATS0=2Q1"};
    const CheckResult r = w.console.CheckModem();
    EXPECT_EQ(r.outcome, CheckOutcome::QuietModem);
    EXPECT_EQ(r.Checked(), 0);
    EXPECT_EQ(r.Unchecked(), 2);
    EXPECT_TRUE(w.Writes().empty()) << "nothing is asked";
    EXPECT_EQ(w.window.Status(),
              "В списке задан Q1: модем не выдаёт ответов, прочитать настройки нельзя");

    w.window.list.lines = {"ATZ", "ATI4"};
    EXPECT_EQ(w.console.CheckModem().outcome, CheckOutcome::NothingToCheck);
    EXPECT_TRUE(w.Writes().empty());
}

TEST(ModemCheck, ASilentModemEndsTheCheckAfterItsQuietTime) {
    CheckWorld w;
    w.line.Attach(nullptr);
    w.window.list.lines = {"ATS0=2S7=60", "ATE1"};
    const std::int64_t start = w.clock.NowMs();
    const CheckResult r = w.console.CheckModem();
    EXPECT_EQ(r.outcome, CheckOutcome::ModemSilent);
    EXPECT_EQ(r.unanswered, "ATS0?");
    EXPECT_EQ(w.Writes(), Lines{"ATS0?\r"}) << "nothing more is asked";
    // The line settles for 500 ms, the question's bytes leave the port, then
    // 3 s pass without a byte.
    const std::int64_t took = w.clock.NowMs() - start;
    EXPECT_GE(took, kNextLinePauseMs + kCheckAnswerQuietMs);
    EXPECT_LT(took, kNextLinePauseMs + kCheckAnswerQuietMs + 40);
    EXPECT_EQ(r.Unchecked(), 3);
    EXPECT_EQ(w.window.Status(), "Модем не ответил на ATS0?: проверка прервана");
}

// A line that never falls quiet: random bytes every 50 ms and no modem, or
// a modem that rings every 0.5 s. The check asks all the same, ends in
// bounded time, and a stop request is taken while the line settles.
TEST(ModemCheck, ANoisyOrRingingLineNeitherHoldsTheCheckNorMisleadsIt) {
    {
        CheckWorld w;
        struct NoiseOnly : sim::SimPeer {
            void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
            void Tick(std::int64_t until, sim::PeerOutput& out) override {
                modem.Tick(until, out);
            }
            sim::HayesModem modem;
        } noise;
        noise.modem.Noise(50, 11);
        w.line.Attach(&noise);
        w.window.list.lines = {"ATS0=2S7=60"};
        const std::int64_t start = w.clock.NowMs();
        const CheckResult r = w.console.CheckModem();
        EXPECT_EQ(r.outcome, CheckOutcome::ModemSilent);
        EXPECT_EQ(r.unanswered, "ATS0?");
        EXPECT_EQ(w.Writes(), Lines{"ATS0?\r"});
        EXPECT_EQ(r.Checked(), 0);
        // At most the settling's limit, then the question's quiet time and
        // the wire time of the bytes that came meanwhile (about 60).
        const std::int64_t took = w.clock.NowMs() - start;
        EXPECT_GE(took, kSettleLimitMs + kCheckAnswerQuietMs);
        EXPECT_LT(took, kSettleLimitMs + kNextLinePauseMs + kCheckAnswerQuietMs + 200);

        // Stopped while the line settles.
        w.view.onProcess = [&](int) { w.console.RemoveIdleHandler(); };
        const std::size_t asked = w.Writes().size();
        EXPECT_EQ(w.console.CheckModem().outcome, CheckOutcome::Stopped);
        EXPECT_EQ(w.Writes().size(), asked) << "nothing asked";
    }
    {
        CheckWorld w;
        w.modem.Ring(500);
        w.Run({"ATS0=2S7=60", "AT&W"});
        const CheckResult r = w.console.CheckModem();
        EXPECT_EQ(r.outcome, CheckOutcome::Done);
        EXPECT_EQ(r.SummaryText(), "Все 4 проверенные настройки совпадают");
    }
}

// A line that only rings (RING in words, no command taken), or one whose
// answers are lines of text without a code that tell no value: the modem
// sent only what is no answer, which ends the check as silence does, at the
// first question.
TEST(ModemCheck, ALineThatOnlyRingsOrSendsTextWithoutACodeHasNotAnswered) {
    struct OnlyRings : sim::SimPeer {
        void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
        void Tick(std::int64_t until, sim::PeerOutput& out) override { modem.Tick(until, out); }
        sim::HayesModem modem;
    } ringing;
    ringing.modem.Ring(500);
    struct Chatter : sim::SimPeer {
        void OnByte(std::uint8_t byte, const LineParams&, sim::PeerOutput& out) override {
            if (byte == 0x0D) out.Send(test::Bytes("\r\nBOOKING 12\r\n"), 10, 1);
        }
    } chatter;
    for (sim::SimPeer* peer : std::vector<sim::SimPeer*>{&ringing, &chatter}) {
        CheckWorld w;
        w.line.Attach(peer);
        w.window.list.lines = {"ATS0=2S7=60", "AT&W"};
        const std::int64_t start = w.clock.NowMs();
        const CheckResult r = w.console.CheckModem();
        EXPECT_EQ(r.outcome, CheckOutcome::ModemSilent);
        EXPECT_EQ(r.unanswered, "ATS0?");
        EXPECT_EQ(w.Writes(), Lines{"ATS0?\r"}) << "nothing more is asked";
        EXPECT_EQ(r.Checked(), 0);
        EXPECT_EQ(w.window.Status(), "Модем не ответил на ATS0?: проверка прервана");
        EXPECT_LT(w.clock.NowMs() - start, kSettleLimitMs + kCheckAnswerQuietMs + 500);
    }
}

// A byte of noise that reads as a value ("4" on a line of its own before
// the modem's "067") is not taken for what the modem holds: the value is
// asked again, the two disagree, and the listing tells the value.
TEST(ModemCheck, NoiseThatPassesForAValueIsNotTakenForTheModems) {
    struct NoisyOnce : sim::SimPeer {
        void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
            line += static_cast<char>(byte);
            if (byte == 0x0D) {
                if (line == "ATS7?\r" && !done) {
                    done = true;
                    out.Send(test::Bytes("\r\n4\r\n"), 0, 1);
                }
                line.clear();
            }
            modem.OnByte(byte, params, out);
        }
        sim::HayesModem modem;
        std::string line;
        bool done = false;
    } noisy;
    CheckWorld w;
    noisy.modem.Store("E0");
    w.line.Attach(&noisy);
    w.window.list.lines = {"ATS7=67"};
    ASSERT_TRUE(noisy.modem.Store("S7=67"));
    const std::size_t writes = w.Writes().size();
    const CheckResult r = w.console.CheckModem();
    EXPECT_EQ(r.outcome, CheckOutcome::Done);
    EXPECT_EQ(w.Texts(r), Lines{"S7: в списке 67, в модеме 67 — совпадает"});
    EXPECT_EQ(w.Questions(writes), (Lines{"ATS7?\r", "ATS7?\r", "AT&V\r"}));
}

TEST(ModemCheck, ACommandOrAModeButtonMeanwhileStopsTheCheck) {
    {
        CheckWorld w;
        w.window.list.lines = {"ATS0=2S7=60"};
        w.window.command = "ATI3";
        w.view.onProcess = [&](int n) {
            std::uint8_t enter = 13;
            if (n == 3) w.console.KeyPress(enter);
        };
        const CheckResult r = w.console.CheckModem();
        EXPECT_EQ(r.outcome, CheckOutcome::Stopped);
        EXPECT_TRUE(r.rows.empty());
        EXPECT_EQ(w.Writes(), (Lines{"ATS0?\r", "ATI3\r"}));
        EXPECT_TRUE(w.console.IdleInstalled()) << "the command's receiver";
        EXPECT_EQ(w.window.Status(), "") << "the check shows nothing";
    }
    {
        CheckWorld w;
        w.Run({"ATS0=2"});
        bool pressed = false;
        w.view.onProcess = [&](int) {
            if (!std::exchange(pressed, true)) w.console.RemoveIdleHandler();
        };
        EXPECT_EQ(w.console.CheckModem().outcome, CheckOutcome::Stopped);
        EXPECT_FALSE(w.console.IdleInstalled()) << "the mode button removed the receiver";
    }
}

TEST(ModemCheck, TheCheckEndsARunUnderWayAndNeedsAPort) {
    CheckWorld w;
    w.window.list.lines = {"ATS0=2", "ATS7=60", "AT&W"};
    w.console.StartRun();
    ASSERT_TRUE(w.console.Run().UnderWay());
    const CheckResult r = w.console.CheckModem();
    EXPECT_FALSE(w.console.Run().UnderWay());
    EXPECT_EQ(w.window.runEnds, std::vector<bool>{false}) << "cut short";
    EXPECT_FALSE(w.console.SendingList());
    EXPECT_EQ(r.outcome, CheckOutcome::Done);
    // The list as it stands, though its S7=60 and &W were never sent; the
    // answer to the line cut short is shown, not taken for the check's.
    EXPECT_EQ(w.Texts(r), (Lines{"S0: в списке 2, в модеме 2 — совпадает",
                                 "S7: в списке 60, в модеме 50 — отличается",
                                 "S0 в профиле 0: в списке 2, в модеме 0 — отличается",
                                 "S7 в профиле 0: в списке 60, в модеме 50 — отличается"}));
    EXPECT_EQ(w.Shown(0).at(0), "ATS0=2");
    EXPECT_EQ(w.Shown(0).at(1), "OK");
    EXPECT_EQ(w.Shown(0).at(2), "Проверка настроек модема по списку:");

    w.state.PortReady = false;
    w.window.portDialog = [] { return false; };
    const std::size_t writes = w.Writes().size();
    EXPECT_EQ(w.console.CheckModem().outcome, CheckOutcome::NotStarted);
    EXPECT_EQ(w.window.portDialogs, 1);
    EXPECT_EQ(w.Writes().size(), writes);
}

TEST(ModemCheck, APortThatGoesEndsTheCheckAndIsAskedForAgain) {
    CheckWorld w;
    w.window.list.lines = {"ATS0=2S7=60"};
    w.view.onProcess = [&](int n) {
        if (n == 2) w.line.HangUp();
    };
    const CheckResult r = w.console.CheckModem();
    EXPECT_EQ(r.outcome, CheckOutcome::PortLost);
    EXPECT_FALSE(w.state.PortReady);
    EXPECT_FALSE(w.console.IdleInstalled());
    EXPECT_EQ(w.view.Texts(test::ScriptedView::Box::Kind::Error).size(), 1u);
}

}  // namespace
}  // namespace hk
