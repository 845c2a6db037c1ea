// How a run of the list tells the operator how it goes, on the simulated
// modem over SimLine and the virtual clock: the line under way, the lines
// the modem refused (word and digit codes), a modem that stays silent, a run
// the operator ends, the summary and the exchange log. Around all of it the
// run itself is the same: the lines sent, the 500 ms pause and the answers
// memo as it has always filled.

#include <gtest/gtest.h>

#include "log/ExchangeLog.h"
#include "sim/HayesModem.h"
#include "support/ModemFakes.h"

namespace hk {
namespace {

using test::ModemWorld;
using Lines = std::vector<std::string>;
using Kind = sim::SimEvent::Kind;

// The simulated modem, late by `lateMs` with what it sends in answer to
// its `lateLine`-th command line (counted from 1).
class LateModem : public sim::SimPeer {
public:
    LateModem(int lateLine, int lateMs) : lateLine_(lateLine), lateMs_(lateMs) {}
    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
        if (byte == 0x0D) ++lines_;
        Late late(out, byte == 0x0D && lines_ == lateLine_ ? lateMs_ : 0);
        modem.OnByte(byte, params, late);
    }
    sim::HayesModem modem;

private:
    struct Late : sim::PeerOutput {
        Late(sim::PeerOutput& o, int ms) : out(o), extraMs(ms) {}
        std::int64_t NowMs() override { return out.NowMs(); }
        void Send(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs) override {
            out.Send(bytes, delayMs + extraMs, spacingMs);
        }
        sim::PeerOutput& out;
        int extraMs;
    };
    int lateLine_, lateMs_;
    int lines_ = 0;
};

struct RunWorld : ModemWorld {
    RunWorld() {
        line.Attach(&modem);
        link.Log = &log;
    }
    // Starts the run and polls until it is over and the modem is silent.
    void RunToTheEnd() {
        console.StartRun();
        ASSERT_TRUE(IdleUntil([&] { return !console.Run().UnderWay(); }));
        IdleFor(200);
    }
    std::vector<std::string> Notes() const {
        std::vector<std::string> out;
        for (const LogEntry& e : log.Entries())
            if (e.kind == LogEntry::Kind::Note) out.push_back(e.text);
        return out;
    }
    // Every line after the first went out 500 ms after the read that
    // brought the `trigger` byte.
    void ExpectEachLine500MsAfter(std::uint8_t trigger) {
        std::int64_t lastTrigger = -1;
        int writes = 0;
        for (const auto& e : line.Events()) {
            if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{trigger})
                lastTrigger = e.atMs;
            if (e.kind == Kind::Write && writes++ > 0) {
                EXPECT_EQ(e.atMs, lastTrigger + 500);
            }
        }
    }

    sim::HayesModem modem;
    ExchangeLog log{clock};
};

TEST(RunReports, ARefusedLineIsMarkedAndNamedInTheSummary) {
    RunWorld w;
    w.window.list.lines = {"ATZ", "; \xEA\xEE\xEC\xEC\xE5\xED\xF2", "ATX9", "ATS0=2"};
    w.RunToTheEnd();

    EXPECT_EQ(w.Writes(), (Lines{"ATZ\r", "ATX9\r", "ATS0=2\r"}));
    w.ExpectEachLine500MsAfter(0x0A);
    // Each echo up to the first line feed (the reset's pause shows the echo
    // of ATZ before it); the last answer whole.
    EXPECT_EQ(w.window.answers.lines, (Lines{"ATZ", "", "ATX9", "ATS0=2", "OK"}));
    EXPECT_EQ(w.modem.Register(0), 2);

    EXPECT_EQ(w.window.marks, std::vector<int>{2});
    EXPECT_EQ(w.window.statusTexts,
              (Lines{"", "Строка 1 из 3: ATZ", "Строка 2 из 3: ATX9", "Строка 3 из 3: ATS0=2",
                     "Записано 3 строки, ошибок 1: строка 2 ATX9"}));
    const auto notes = w.Notes();
    const Lines tail(notes.end() - 6, notes.end());
    EXPECT_EQ(tail, (Lines{"Строка 2 (ATX9): ERROR", "Модему: ATS0=2", "Модем: ATS0=2",
                           "Строка 3 (ATS0=2): OK", "Модем: OK",
                           "Записано 3 строки, ошибок 1: строка 2 ATX9"}));
    EXPECT_TRUE(w.console.Run().Completed());
    EXPECT_TRUE(w.console.IdleInstalled());  // the receiver goes on listening
}

// The run moves on at the modem's own digit 0, never at one in the echo of
// the line; a refusal (4) moves it on once the modem has paused after it.
TEST(RunReports, DigitCodesGiveTheVerdictsToo) {
    RunWorld w;
    w.window.list.lines = {"ATV0", "ATS0=300", "ATS0=2", "ATV1"};
    w.RunToTheEnd();

    EXPECT_EQ(w.Writes(), (Lines{"ATV0\r", "ATS0=300\r", "ATS0=2\r", "ATV1\r"}));
    // Each line 500 ms after the read that brought the code of the line
    // before it (the 0, or the pause after the 4).
    std::vector<std::int64_t> zeros, writes;
    std::int64_t refusalAt = 0;
    for (const auto& e : w.line.Events()) {
        if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{'0'})
            zeros.push_back(e.atMs);
        if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{'4'}) refusalAt = e.atMs;
        if (e.kind == Kind::Write) writes.push_back(e.atMs);
    }
    ASSERT_EQ(writes.size(), 4u);
    // ATV0's echo and its code; ATS0=300's three in the echo; ATS0=2's one
    // in the echo and its code.
    ASSERT_EQ(zeros.size(), 2u + 3u + 2u);
    EXPECT_EQ(writes[1], zeros[1] + 500);
    EXPECT_GE(writes[2], refusalAt + 20 + 500);
    EXPECT_LE(writes[2], refusalAt + 40 + 500);
    EXPECT_EQ(writes[3], zeros[6] + 500);
    EXPECT_EQ(w.window.answers.lines,
              (Lines{"A", "T", "V", "0", "0", "A", "T", "S", "0", "=",    "3", "0",
                     "0", "4", "A", "T", "S", "0", "=", "2", "0", "ATV1", "OK"}));
    std::vector<std::string> codes;
    for (const SentLine& l : w.console.Run().Lines()) codes.push_back(l.answer.Code());
    EXPECT_EQ(codes, (Lines{"0", "4", "0", "OK"}));
    EXPECT_EQ(w.window.marks, std::vector<int>{1});
    EXPECT_EQ(w.window.Status(), "Записано 4 строки, ошибок 1: строка 2 ATS0=300");
}

// Under V0 a refusal carries no digit 0 and no line feed: its code 4 moves
// the run on all the same, once the modem has paused after it.
TEST(RunReports, ADigitRefusalMovesTheRunOnAndIsMarked) {
    RunWorld w;
    w.window.list.lines = {"ATE0V0", "ATX9", "ATZ"};
    w.RunToTheEnd();
    EXPECT_EQ(w.Writes(), (Lines{"ATE0V0\r", "ATX9\r", "ATZ\r"}));
    EXPECT_EQ(w.window.marks, std::vector<int>{1});
    EXPECT_EQ(w.window.Status(), "Записано 3 строки, ошибок 1: строка 2 ATX9");
    EXPECT_TRUE(w.console.Run().Completed());
    // ATZ went out 500 ms after the receiver took the pause after "4 CR".
    std::int64_t codeEnd = 0, atzAt = 0;
    for (const auto& e : w.line.Events()) {
        if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{0x0D} && !atzAt)
            codeEnd = e.atMs;
        if (e.kind == Kind::Write && e.bytes == test::Bytes("ATZ\r")) atzAt = e.atMs;
    }
    EXPECT_GE(atzAt, codeEnd + 20 + 500);
    EXPECT_LE(atzAt, codeEnd + 40 + 500);
}

// A modem whose stored profile answers in digits (V0), while the program
// takes it to answer in words: each code moves the run on.
TEST(RunReports, AModemStoredWithDigitAnswersIsAnsweredLineByLine) {
    for (const bool echo : {true, false}) {
        SCOPED_TRACE(echo ? "echo" : "no echo");
        RunWorld w;
        ASSERT_TRUE(w.modem.Store("V0"));
        if (!echo) {
            ASSERT_TRUE(w.modem.Store("E0"));
        }
        w.window.list.lines = {"ATS0=3", "ATS7=45", "ATX9", "AT&W"};
        w.RunToTheEnd();
        EXPECT_EQ(w.Writes(), (Lines{"ATS0=3\r", "ATS7=45\r", "ATX9\r", "AT&W\r"}));
        std::vector<std::string> codes;
        for (const SentLine& l : w.console.Run().Lines()) codes.push_back(l.answer.Code());
        EXPECT_EQ(codes, (Lines{"0", "0", "4", "0"}));
        EXPECT_EQ(w.window.marks, std::vector<int>{2});
        EXPECT_EQ(w.window.Status(), "Записано 4 строки, ошибок 1: строка 3 ATX9");
        EXPECT_EQ(w.modem.StoredRegister(7), 45);
    }
}

// The echo of a list line that reads like a code ("OK", "0") is no answer:
// the modem drops a line without AT and answers nothing, so the line fails
// when its time is up, and nothing more goes out.
TEST(RunReports, TheEchoOfALineIsNeverItsResult) {
    for (const std::string first : {"OK", "0"}) {
        SCOPED_TRACE(first);
        RunWorld w;
        if (first == "0") {
            ASSERT_TRUE(w.modem.Store("V0"));
        }
        w.window.list.lines = {first, "ATS0=3"};
        w.console.StartRun();
        ASSERT_TRUE(w.IdleUntil([&] { return !w.console.Run().UnderWay(); }, 20'000));
        const SentLine& line = w.console.Run().Lines().at(0);
        EXPECT_FALSE(line.answer.Found()) << line.answer.Code();
        EXPECT_EQ(line.sentAtMs + kLineAnswerLimitMs, w.clock.NowMs());
        EXPECT_EQ(w.Writes(), Lines{first + "\r"});
        EXPECT_FALSE(w.console.SendingList());
        EXPECT_TRUE(w.console.Run().EndedByTimeLimit());
        EXPECT_EQ(w.window.marks, std::vector<int>{0});
        EXPECT_EQ(w.window.Status(), "Модем не ответил на строку 1 из 2 (" + first +
                                         ") за 10 с: запись прервана. Записано 0 строк, "
                                         "ошибок 1: строка 1 " +
                                         first + " (нет кода результата)");
        EXPECT_EQ(w.window.runEnds, std::vector<bool>{false});
        EXPECT_TRUE(w.console.IdleInstalled()) << "the receiver goes on listening";
    }
}

// An answer that is no result code ("BOOKING", noise with a line feed)
// moves the run on as any line feed does, and the line counts as failed.
TEST(RunReports, ALineAnsweredWithoutAResultCodeFails) {
    struct Booking : sim::SimPeer {
        void OnByte(std::uint8_t byte, const LineParams&, sim::PeerOutput& out) override {
            if (byte == 0x0D) out.Send(test::Bytes("\r\nBOOKING\r\n"), 10, 1);
        }
    } booking;
    RunWorld w;
    w.line.Attach(&booking);
    w.window.list.lines = {"ATS0=3", "ATS7=45", "AT&W"};
    w.RunToTheEnd();
    EXPECT_EQ(w.Writes().size(), 3u);
    EXPECT_EQ(w.window.marks, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(w.window.Status(),
              "Записано 3 строки, ошибок 3: строка 1 ATS0=3 (нет кода результата)");
    EXPECT_EQ(w.console.Run().FailedLines(), 3);
    EXPECT_EQ(w.console.Run().RefusedLines(), 0);
}

// Whatever arrives, a line waits for its answer for the time limit at most:
// noise without a line feed, a modem that rings instead of answering.
TEST(RunReports, NoiseOrRingingInsteadOfAnAnswerEndsTheRunAtTheTimeLimit) {
    for (const bool ring : {false, true}) {
        SCOPED_TRACE(ring ? "RING every 0.5 s" : "a byte every 50 ms");
        RunWorld w;
        if (ring)
            w.modem.Ring(500);
        else
            w.modem.Noise(50, 7);
        // A modem that takes no command; the line still carries the rest.
        struct Deaf : sim::SimPeer {
            explicit Deaf(sim::HayesModem& m) : modem(m) {}
            void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
            void Tick(std::int64_t until, sim::PeerOutput& out) override {
                modem.Tick(until, out);
            }
            sim::HayesModem& modem;
        } deaf(w.modem);
        w.line.Attach(&deaf);
        w.window.list.lines = {"ATZ", "AT&W"};
        w.console.StartRun();
        // A line feed among the bytes moves the run on, as any does; no
        // line is ever taken as answered well.
        ASSERT_TRUE(w.IdleUntil([&] { return !w.console.Run().UnderWay(); }, 21'000));
        const RunReport& run = w.console.Run();
        EXPECT_EQ(run.FailedLines(), static_cast<int>(run.Lines().size()));
        if (run.EndedByTimeLimit()) {
            const std::int64_t waited = w.clock.NowMs() - run.Lines().back().sentAtMs;
            EXPECT_GE(waited, kLineAnswerLimitMs);
            EXPECT_LE(waited, kLineAnswerLimitMs + kModemReadTimeoutMs);
        } else {
            EXPECT_TRUE(ring) << "random bytes every 50 ms held no line feed for 10 s";
        }
        EXPECT_FALSE(w.console.SendingList());
        EXPECT_FALSE(w.window.answers.lines.empty()) << "what came is shown";
    }
}

// A modem that keeps sending after its last answer (noise) still ends the
// run: the pause every answer gets, then the summary.
TEST(RunReports, TheLastAnswerEndsAfterThePauseEvenWhenBytesKeepComing) {
    RunWorld w;
    w.window.list.lines = {"ATS0=3"};
    w.console.StartRun();
    ASSERT_TRUE(w.IdleUntil([&] {
        return w.console.Run().CurrentPhase() == RunReport::Phase::LastAnswer;
    }));
    w.modem.Noise(5, 3);  // faster than the receiver's pause
    const std::int64_t from = w.clock.NowMs();
    ASSERT_TRUE(w.IdleUntil([&] { return !w.console.Run().UnderWay(); }, 5'000));
    EXPECT_LE(w.clock.NowMs() - from, kNextLinePauseMs + 20);
    EXPECT_TRUE(w.console.Run().Completed());
    EXPECT_EQ(w.window.Status(), "Записана 1 строка, ошибок 0");
}

TEST(RunReports, ASilentModemIsNamedAfterFiveSecondsAndTheRunWaitsForIt) {
    RunWorld w;
    LateModem late(2, 7000);
    w.line.Attach(&late);
    w.window.list.lines = {"ATE0", "ATS0=2", "AT&W"};
    w.console.StartRun();
    ASSERT_TRUE(w.IdleUntil([&] { return w.console.Run().Lines().size() == 2; }));
    const std::int64_t sentAt = w.console.Run().Lines()[1].sentAtMs;
    const std::int64_t writeEnd = w.line.Written().back().atMs + 1;  // 9600 baud: 1 ms a byte
    EXPECT_EQ(sentAt, writeEnd);

    ASSERT_TRUE(w.IdleUntil([&] { return w.window.Status().starts_with("Модем"); }));
    EXPECT_EQ(w.window.Status(), "Модем не отвечает на строку 2 (ATS0=2)");
    EXPECT_EQ(w.window.statusAtMs.back(), sentAt + 5000);
    EXPECT_EQ(w.Writes().size(), 2u);

    // The answer comes after 7 s: the notice goes at its line feed, and the
    // run goes on as before.
    ASSERT_TRUE(w.IdleUntil([&] { return !w.console.Run().UnderWay(); }));
    w.IdleFor(200);
    EXPECT_EQ(w.Writes(), (Lines{"ATE0\r", "ATS0=2\r", "AT&W\r"}));
    w.ExpectEachLine500MsAfter(0x0A);
    EXPECT_EQ(w.window.answers.lines, (Lines{"ATE0", "", "", "OK"}));
    EXPECT_EQ(w.window.statusTexts,
              (Lines{"", "Строка 1 из 3: ATE0", "Строка 2 из 3: ATS0=2",
                     "Модем не отвечает на строку 2 (ATS0=2)", "Строка 2 из 3: ATS0=2",
                     "Строка 3 из 3: AT&W", "Записано 3 строки, ошибок 0"}));
    std::int64_t lineFeedAt = 0;
    for (const auto& e : w.line.Events())
        if (e.kind == Kind::Read && e.atMs > sentAt && e.bytes == std::vector<std::uint8_t>{0x0A}) {
            lineFeedAt = e.atMs;
            break;
        }
    EXPECT_GE(lineFeedAt, sentAt + 7000);
    EXPECT_EQ(w.window.statusAtMs[4], lineFeedAt);
    const auto notes = w.Notes();
    EXPECT_NE(std::find(notes.begin(), notes.end(), "Модем не отвечает на строку 2 (ATS0=2)"),
              notes.end());
}

TEST(RunReports, TheOperatorEndsARunThatWaitsForASilentModem) {
    for (const std::string way : {"command", "mode button", "run again"}) {
        SCOPED_TRACE(way);
        ModemWorld w;  // nothing at the far end
        w.window.list.lines = {"ATZ", "ATE0"};
        w.console.StartRun();
        w.IdleFor(6000);
        ASSERT_EQ(w.window.Status(), "Модем не отвечает на строку 1 (ATZ)");
        if (way == "command") {
            w.console.SendCommand("ATZ");
        } else if (way == "mode button") {
            w.console.RemoveIdleHandler();
        } else {
            w.console.StartRun();
        }
        const std::string summary =
            "Запись прервана на строке 1 из 2 (ATZ). Записано 0 строк, ошибок 0";
        if (way == "run again") {
            EXPECT_EQ(w.window.statusTexts.end()[-3], summary);
            EXPECT_EQ(w.window.Status(), "Строка 1 из 2: ATZ");
            EXPECT_EQ(w.window.markClears, 2);
            continue;
        }
        EXPECT_EQ(w.window.Status(), summary);
        EXPECT_TRUE(w.console.Run().EndedUnanswered());
        w.clock.Advance(6000);
        w.console.ModemIdle();
        EXPECT_EQ(w.window.Status(), summary) << "no notice once the run has ended";
        EXPECT_EQ(w.window.answers.lines, Lines{});
    }
}

TEST(RunReports, ANewRunClearsTheMarksAndALineEditedBeforeItsVerdictIsNotMarked) {
    RunWorld w;
    w.window.list.lines = {"ATX9", "ATX8"};
    w.RunToTheEnd();
    EXPECT_EQ(w.window.marks, (std::vector<int>{0, 1}));
    EXPECT_EQ(w.window.Status(), "Записано 2 строки, ошибок 2: строка 1 ATX9");

    // The last line's code arrives after the run has moved on; meanwhile
    // the operator changes that line.
    w.console.StartRun();
    w.view.onProcess = [&](int) {
        if (w.console.Run().Lines().size() == 2) w.window.list.lines[1] = "ATX4";
    };
    ASSERT_TRUE(w.IdleUntil([&] { return !w.console.Run().UnderWay(); }));
    EXPECT_EQ(w.window.markClears, 2);
    EXPECT_EQ(w.window.marks, std::vector<int>{0});
    EXPECT_EQ(w.console.Run().RefusedLines(), 2);
}

// What a front end without windows does: polls until the run is over, ends
// a run whose modem stays silent after its own time-out, and reads the
// verdicts.
TEST(RunReports, AFrontEndWithoutWindowsReadsTheVerdictsAndEndsASilentRun) {
    RunWorld w;
    w.window.list.lines = {"ATZ", "ATX9", "AT&W"};
    w.console.StartRun();
    while (w.console.Run().UnderWay()) w.console.ModemIdle();
    const RunReport& run = w.console.Run();
    EXPECT_TRUE(run.Completed());
    EXPECT_EQ(run.RefusedLines(), 1);
    EXPECT_EQ(run.Lines()[1].Verdict(), LineVerdict::Error);
    EXPECT_EQ(run.SummaryText(), "Записано 3 строки, ошибок 1: строка 2 ATX9");

    w.line.Attach(nullptr);
    w.console.StartRun();
    while (w.console.Run().UnansweredForMs(w.clock.NowMs()) < 2000) w.console.ModemIdle();
    w.console.EndRun();
    EXPECT_FALSE(w.console.SendingList());
    EXPECT_FALSE(run.Completed());
    EXPECT_TRUE(run.EndedUnanswered());
    EXPECT_EQ(run.SummaryText(),
              "Запись прервана на строке 1 из 3 (ATZ). Записано 0 строк, ошибок 0");
}

// A list with a line too long begins no run: no line goes out, no line is
// marked, nothing is summed up (the box names the line).
TEST(RunReports, AListWithALineTooLongBeginsNoRun) {
    RunWorld w;
    w.window.list.lines = {"ATZ", "AT" + std::string(400, 'E'), "AT&W"};
    w.console.StartRun();
    EXPECT_TRUE(w.Writes().empty());
    EXPECT_EQ(w.console.Run().CurrentPhase(), RunReport::Phase::Idle);
    EXPECT_TRUE(w.window.statusTexts.empty());
    EXPECT_TRUE(w.window.runEnds.empty());
    EXPECT_EQ(w.view.Texts(test::ScriptedView::Box::Kind::Error).size(), 1u);
}

// Whatever code the modem gives instead of OK (NO CARRIER, BUSY, CONNECT to
// a line that does not dial), the line fails, is marked and named with its
// code; the run goes on.
TEST(RunReports, ALineAnsweredWithAnotherCodeThanOkFails) {
    for (const char* code : {"NO CARRIER", "BUSY", "CONNECT 9600"}) {
        for (const bool digits : {false, true}) {
            SCOPED_TRACE(std::string(code) + (digits ? " in digits" : ""));
            RunWorld w;
            if (digits) {
                ASSERT_TRUE(w.modem.Store("V0"));
            }
            w.modem.AnswerInstead(2, code);
            w.window.list.lines = {"ATS0=3", "ATS7=45", "AT&W"};
            w.RunToTheEnd();
            EXPECT_EQ(w.Writes().size(), 3u);
            EXPECT_EQ(w.window.marks, std::vector<int>{1});
            const std::string shown = w.console.Run().Lines()[1].answer.Code();
            EXPECT_EQ(w.window.Status(),
                      "Записано 3 строки, ошибок 1: строка 2 ATS7=45 (" + shown + ")");
            EXPECT_EQ(w.modem.StoredRegister(7), 50) << "never carried out";
            EXPECT_EQ(w.window.runEnds, std::vector<bool>{true});
        }
    }
}

// A line that dials and gets CONNECT succeeds, and the run ends there: the
// modem is on line, and the lines after it would go to the far end. The
// window is told the run did not end in command state (no check follows).
TEST(RunReports, ADialAnsweredCONNECTEndsTheRunOnLine) {
    for (const bool digits : {false, true}) {
        SCOPED_TRACE(digits ? "digits" : "words");
        RunWorld w;
        if (digits) {
            ASSERT_TRUE(w.modem.Store("V0"));
        }
        w.modem.SetDialResult("CONNECT 9600");
        w.window.list.lines = {"ATS0=0", "ATDT5551234", "ATS7=45"};
        w.RunToTheEnd();
        EXPECT_EQ(w.Writes(), (Lines{"ATS0=0\r", "ATDT5551234\r"}));
        EXPECT_TRUE(w.modem.OnLine());
        const RunReport& run = w.console.Run();
        EXPECT_TRUE(run.OnLine());
        EXPECT_FALSE(run.Completed());
        EXPECT_EQ(run.FailedLines(), 0);
        EXPECT_TRUE(w.window.marks.empty());
        const std::string code = digits ? "1" : "CONNECT 9600";
        EXPECT_EQ(w.window.Status(),
                  "Модем на линии после строки 2 из 3 (ATDT5551234): " + code +
                      ", остальные строки списка не переданы. Записано 2 строки, ошибок 0");
        EXPECT_EQ(w.window.runEnds, std::vector<bool>{false});
        const auto& shown = w.window.answers.lines;
        EXPECT_NE(std::find(shown.begin(), shown.end(), code), shown.end())
            << "the CONNECT is shown";
    }
    // As the last line: the run is complete, on line.
    RunWorld w;
    w.modem.SetDialResult("CONNECT 9600");
    w.window.list.lines = {"ATS0=0", "ATDT5551234"};
    w.RunToTheEnd();
    EXPECT_TRUE(w.console.Run().Completed());
    EXPECT_TRUE(w.console.Run().OnLine());
    EXPECT_EQ(w.window.Status(), "Записано 2 строки, ошибок 0. Модем на линии: CONNECT 9600");
    EXPECT_EQ(w.window.runEnds, std::vector<bool>{false});
}

// A modem that echoes and answers in digits 0.7 s after each line: the 0 in
// the echo of ATS0=3 is no answer, and every line gets its own code.
TEST(RunReports, ALateDigitAnswerIsTheLinesOwnNotTheNextLines) {
    sim::HayesModem::Timing slow;
    slow.answerDelayMs = 700;
    RunWorld w;
    w.modem.SetTiming(slow);
    w.window.list.lines = {"ATV0", "ATS0=3", "ATS7=45", "AT&W"};
    w.RunToTheEnd();
    std::vector<std::string> codes;
    for (const SentLine& l : w.console.Run().Lines()) codes.push_back(l.answer.Code());
    EXPECT_EQ(codes, (Lines{"0", "0", "0", "0"}));
    EXPECT_EQ(w.window.Status(), "Записано 4 строки, ошибок 0");
    EXPECT_EQ(w.modem.StoredRegister(0), 3);
    // No line went out before the modem had answered the one before it.
    const auto& lines = w.console.Run().Lines();
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_GE(lines[i].sentAtMs - lines[i - 1].sentAtMs, 700 + 500) << i;
}

}  // namespace
}  // namespace hk
