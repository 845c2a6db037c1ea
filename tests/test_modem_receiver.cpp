// The answer receiver and the run driver on SimLine with the virtual clock,
// and the modem console's buttons and key filter around them.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "sim/HayesModem.h"
#include "support/ModemFakes.h"

namespace hk {
namespace {

using test::Bytes;
using test::ModemWorld;
using Kind = sim::SimEvent::Kind;
using Lines = std::vector<std::string>;

// A far end that answers every carriage return with `answer` after 10 ms,
// one byte per millisecond, optionally echoing each byte.
class AnswerPeer : public sim::SimPeer {
public:
    explicit AnswerPeer(std::string a, bool e = false) : answer(std::move(a)), echo(e) {}
    void OnByte(std::uint8_t b, const LineParams&, sim::PeerOutput& out) override {
        if (echo) out.Send({b}, 1);
        if (b == 0x0D) out.Send(Bytes(answer), 10, 1);
    }
    std::string answer;
    bool echo;
};

// Every line after the first goes out exactly 500 ms after the read that
// brought the `trigger` byte (line feed, or 0 with digit answers).
void ExpectEachLine500MsAfterTheAnswer(const sim::SimLine& line, std::uint8_t trigger) {
    std::int64_t lastTrigger = -1;
    int writes = 0;
    for (const auto& e : line.Events()) {
        if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{trigger})
            lastTrigger = e.atMs;
        if (e.kind == Kind::Write && writes++ > 0) {
            EXPECT_EQ(e.atMs, lastTrigger + 500) << "write " << writes;
            lastTrigger = -1000;  // one answer moves the run on once
        }
    }
}

TEST(ModemIdle, CrAndLfShowAsMarkersOnlyWhenCheckBox2IsTicked) {
    for (const bool ticked : {false, true}) {
        ModemWorld w;
        w.window.specialCharacters = ticked;
        w.console.SendCommand("ATZ");
        w.line.Inject({0x0D, 0x0A, 0x4F, 0x4B, 0x0D, 0x0A}, 5, 1);
        w.IdleFor(100);
        EXPECT_EQ(w.window.answers.lines,
                  (ticked ? Lines{"<CR><LF>", "OK<CR><LF>"} : Lines{"", "OK"}));
    }
}

TEST(ModemIdle, SplitsAt200AndShowsTheRestAfter20MsOfSilence) {
    ModemWorld w;
    w.console.SendCommand("AT&V");
    const std::int64_t t0 = w.clock.NowMs();
    std::string answer;
    for (int i = 0; i < 450; ++i) answer += static_cast<char>('a' + i % 26);
    w.line.Inject(Bytes(answer), 0, 1);
    w.IdleFor(600);
    EXPECT_EQ(w.window.answers.lines,
              (Lines{answer.substr(0, 200), answer.substr(200, 200), answer.substr(400)}));
    EXPECT_EQ(w.window.answers.addedAtMs.back(), t0 + 449 + 20);
}

// At 300 and 600 baud the modem's characters come 33 and 17 ms apart, about
// as far as the receiver's 20 ms read time-out or further: an answer line
// is shown whole all the same, once the modem has paused for two
// characters' time, and a run's verdicts read the same at every speed.
TEST(ModemIdle, AtEverySpeedAnAnswerLineIsShownWholeAndReadAlike) {
    for (const std::int32_t baud : {300, 600, 1200, 9600}) {
        SCOPED_TRACE(baud);
        ModemWorld w;
        sim::HayesModem modem;
        w.line.Attach(&modem);
        w.line.SetParams(LineParams{baud, 8, Parity::None, StopBits::One});
        w.console.SendCommand("ATS7?");
        w.IdleFor(3000);
        EXPECT_EQ(w.window.answers.lines, (Lines{"ATS7?", "050", "", "OK"}));
        // The last line shows when its line feed comes.
        std::int64_t lineFeedAt = 0;
        for (const auto& e : w.line.Events())
            if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{0x0A})
                lineFeedAt = e.atMs;
        EXPECT_EQ(w.window.answers.addedAtMs.back(), lineFeedAt);

        // A run on a modem that answers in digits: information text ended
        // by CR LF is never taken for a code.
        ASSERT_TRUE(modem.Store("V0"));
        w.window.list.lines = {"ATS7?", "ATS0=3"};
        w.console.StartRun();
        ASSERT_TRUE(w.IdleUntil([&] { return !w.console.Run().UnderWay(); }, 20'000));
        std::vector<std::string> codes;
        for (const SentLine& l : w.console.Run().Lines()) codes.push_back(l.answer.Code());
        EXPECT_EQ(codes, (Lines{"0", "0"}));
        EXPECT_EQ(w.window.Status(), "Записано 2 строки, ошибок 0");
    }
}

// An answer without a line feed shows once the modem has paused for two
// characters' time: 67 ms at 300 baud, as 20 ms at 9600.
TEST(ModemIdle, TheFlushWaitsForTwoCharactersAtTheLinesSpeed) {
    ModemWorld w;
    w.line.SetParams(LineParams{300, 8, Parity::None, StopBits::One});
    w.console.SendCommand("ATI3");
    const std::int64_t t0 = w.clock.NowMs();
    w.line.Inject(Bytes("MODEM"), 0, 33);
    w.IdleFor(600);
    EXPECT_EQ(w.window.answers.lines, Lines{"MODEM"});
    EXPECT_GE(w.window.answers.addedAtMs.back(), t0 + 4 * 33 + 67);
    EXPECT_LT(w.window.answers.addedAtMs.back(), t0 + 4 * 33 + 67 + 20);

    // Start, eight data bits and one stop bit: 10 bits; with parity 11.
    EXPECT_EQ(AnswerPauseMs(LineParams{300, 8, Parity::None, StopBits::One}), 67);
    EXPECT_EQ(AnswerPauseMs(LineParams{300, 8, Parity::Even, StopBits::One}), 74);
    EXPECT_EQ(AnswerPauseMs(LineParams{600, 8, Parity::None, StopBits::One}), 34);
    EXPECT_EQ(AnswerPauseMs(LineParams{1200, 8, Parity::None, StopBits::One}), 20);
    EXPECT_EQ(AnswerPauseMs(LineParams{9600, 8, Parity::None, StopBits::One}), 20);
}

TEST(ModemIdle, PollsOnceWithMessagesPerCallOnlyWhileInstalled) {
    ModemWorld w;
    w.line.Inject(Bytes("OK\r\n"));
    w.console.ModemIdle();  // not installed yet
    EXPECT_EQ(w.line.Pending(), 4u);
    w.console.SendCommand("AT");
    w.line.Inject(Bytes("OK\r\n"));
    const int before = w.view.processed;
    for (int i = 0; i < 3; ++i) w.console.ModemIdle();
    EXPECT_EQ(w.view.processed, before + 3);
    EXPECT_EQ(w.console.PendingAnswer(), "OK");
    // A mode button: the receiver stops and its state stays.
    w.console.RemoveIdleHandler();
    w.console.ModemIdle();
    EXPECT_EQ(w.line.Pending(), 1u);
    EXPECT_EQ(w.console.PendingAnswer(), "OK");
    EXPECT_EQ(w.window.idleChanges, (std::vector<bool>{true, false}));
}

TEST(ModemIdle, APollIsNotEnteredFromItsOwnMessagesWhichMayRemoveOrInstallTheReceiver) {
    ModemWorld w;
    w.console.SendCommand("AT");
    w.line.Inject(Bytes("OK\r\n"));
    w.view.onProcess = [&](int) { w.console.ModemIdle(); };  // the poll's own messages
    w.console.ModemIdle();
    EXPECT_EQ(w.line.Pending(), 3u);  // one byte, read by the outer poll alone

    // A mode button among the messages: the receiver is removed once the poll ends.
    w.view.onProcess = [&](int) { w.console.RemoveIdleHandler(); };
    w.console.ModemIdle();
    EXPECT_FALSE(w.console.IdleInstalled());
    w.view.onProcess = nullptr;
    w.console.ModemIdle();
    EXPECT_EQ(w.line.Pending(), 2u);

    // A command among them: the receiver listens on after the poll, and the
    // command's purge has dropped what was left.
    w.console.SendCommand("AT");
    w.line.Inject(Bytes("OK\r\n"));
    bool once = true;
    w.view.onProcess = [&](int) {
        if (std::exchange(once, false)) w.console.SendCommand("ATE0");
    };
    w.console.ModemIdle();
    EXPECT_TRUE(w.console.IdleInstalled());
    EXPECT_EQ(w.window.idleChanges, (std::vector<bool>{true, false, true, true}));
}

TEST(Run, SendsTheAtLinesEach500MsAfterTheLineFeedThatAnswersThePreviousOne) {
    ModemWorld w;
    AnswerPeer modem("\r\nOK\r\n");
    w.line.Attach(&modem);
    w.window.list.lines = {"ATZ", "; \xEA\xEE\xEC\xEC\xE5\xED\xF2", "ATE0", "AT&W"};
    w.console.StartRun();
    ASSERT_TRUE(w.RunEnds());
    w.IdleFor(100);
    EXPECT_EQ(w.Writes(), (Lines{"ATZ\r", "ATE0\r", "AT&W\r"}));
    ExpectEachLine500MsAfterTheAnswer(w.line, 0x0A);
    // The rest of each answer was purged, except after the last line.
    EXPECT_EQ(w.window.answers.lines, (Lines{"", "", "", "OK"}));
    EXPECT_TRUE(w.console.IdleInstalled());
}

TEST(Run, FirstLineGoesOutWhateverItHoldsAndASingleLineEndsTheRun) {
    ModemWorld w;
    AnswerPeer modem("\r\nOK\r\n");
    w.line.Attach(&modem);
    w.window.list.lines = {"\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0", " ATE0", "ATZ"};
    w.console.StartRun();
    ASSERT_TRUE(w.RunEnds());
    EXPECT_EQ(w.Writes(), (Lines{"\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0\r", "ATZ\r"}));

    w.line.ClearLog();
    w.window.list.lines = {"ATZ"};
    w.console.StartRun();
    ASSERT_TRUE(w.RunEnds());
    w.IdleFor(1000);
    EXPECT_EQ(w.Writes(), Lines{"ATZ\r"});
}

// With digit answers each character is a line of its own, and the first
// digit 0 after the echo of the line moves the run on: the 0 of "ATV0" that
// the modem echoes is no answer.
TEST(Run, DigitAnswersMoveTheRunOnAtTheFirstZeroAfterTheEcho) {
    ModemWorld w;
    AnswerPeer modem("0\r", /*echo=*/true);
    w.line.Attach(&modem);
    w.window.list.lines = {"ATV0", "ATZ"};
    w.console.StartRun();
    ASSERT_TRUE(w.RunEnds());
    EXPECT_EQ(w.Writes(), (Lines{"ATV0\r", "ATZ\r"}));
    ExpectEachLine500MsAfterTheAnswer(w.line, '0');
    EXPECT_EQ(w.window.answers.lines, (Lines{"A", "T", "V", "0", "0", "A", "T", "Z", "0"}));
    ASSERT_TRUE(w.IdleUntil([&] { return !w.console.Run().UnderWay(); }));
    for (const SentLine& l : w.console.Run().Lines()) EXPECT_EQ(l.answer.Code(), "0") << l.text;
}

TEST(Run, ACommandBetweenTwoBytesCutsTheRunShort) {
    ModemWorld w;
    AnswerPeer modem("\r\nOK\r\n");
    w.line.Attach(&modem);
    w.window.list.lines = {"ATZ", "ATE0", "AT&W"};
    w.console.StartRun();
    w.line.Inject(Bytes("half"));  // the start of an answer line
    w.view.onProcess = [&](int n) {
        if (n == 2) w.console.ViewCurrentSettings();  // "Просмотр текущих настроек..."
    };
    w.IdleFor(3000);
    EXPECT_EQ(w.Writes(), (Lines{"ATZ\r", std::string("\x41\x54\x20\x49\x34\x0D")}));
    // The run's half line is dropped; the rest of the ATZ answer, still on
    // its way at the purge, shows before the command's own answer.
    EXPECT_EQ(w.window.answers.lines, (Lines{"", "OK", "", "OK"}));
}

// A list with a line too long for the send buffer sends nothing: the lines
// before it must not go in without it. A line made too long while the run
// goes on stops it there, the answer to the line before read to its end.
TEST(Run, ALineTooLongForTheSendBufferSendsNothingOrStopsTheRunWithAMessage) {
    ModemWorld w;
    AnswerPeer modem("\r\nOK\r\n");
    w.line.Attach(&modem);
    const std::string tooLong = "AT" + std::string(400, 'E');
    w.window.list.lines = {"ATZ", "; a comment may be as long as it likes " + tooLong, tooLong,
                           "AT&W"};
    w.state.PortReady = false;
    w.console.StartRun();
    EXPECT_TRUE(w.Writes().empty());
    EXPECT_EQ(w.window.portDialogs, 0) << "the list is refused before the port is asked for";
    EXPECT_FALSE(w.console.IdleInstalled());
    EXPECT_EQ(w.view.Texts(test::ScriptedView::Box::Kind::Error),
              Lines{ListLineTooLongBeforeRunText(3)});
    EXPECT_EQ(ListLineTooLongBeforeRunText(3),
              "Строка 3 списка длиннее 300 символов и не помещается в буфер передачи модема (301 "
              "байт). В модем ничего не передано: сократите строку.");

    w.view.boxes.clear();
    w.state.PortReady = true;
    w.window.list.lines = {"ATZ", "ATE0", "AT&W"};
    w.console.StartRun();
    w.window.list.lines[1] = tooLong;  // edited while the run goes on
    ASSERT_TRUE(w.RunEnds());
    w.IdleFor(1000);
    EXPECT_EQ(w.Writes(), Lines{"ATZ\r"});
    EXPECT_EQ(w.view.Texts(test::ScriptedView::Box::Kind::Error), Lines{ListLineTooLongText(2)});
    EXPECT_TRUE(ListLineTooLongText(2).starts_with("Строка 2 списка"));
    EXPECT_EQ(w.console.Run().Lines()[0].answer.Code(), "OK");
    EXPECT_EQ(w.window.answers.lines, (Lines{"", "OK"})) << "the rest of the answer is shown";
    EXPECT_EQ(w.window.Status(),
              "Строка 2 списка длиннее 300 символов: запись прервана после строки 1 из 3. "
              "Записана 1 строка, ошибок 0");
}

// The settings view says in the status text whether the modem ended its
// answer with OK: another code, silence, or a line that keeps sending
// without a code (RING) fail it, each in its own words, within its time.
TEST(SettingsView, TheStatusTextSaysWhetherTheAnswerEndedWithOk) {
    struct OnlyRings : sim::SimPeer {
        OnlyRings() { modem.Ring(500); }
        void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
        void Tick(std::int64_t until, sim::PeerOutput& out) override { modem.Tick(until, out); }
        sim::HayesModem modem;
    };
    const struct {
        const char* name;
        std::function<std::unique_ptr<sim::SimPeer>()> peer;
        std::string status;
        std::int64_t withinMs;
    } rows[] = {
        {"words", [] { return std::make_unique<sim::HayesModem>(); },
         "Текущие настройки модема прочитаны (AT I4: OK)", 200},
        {"digits",
         [] {
             auto m = std::make_unique<sim::HayesModem>();
             m->Store("V0");
             return m;
         },
         "Текущие настройки модема прочитаны (AT I4: 0)", 200},
        {"ERROR", [] { return std::make_unique<AnswerPeer>("\r\nERROR\r\n"); },
         "Модем ответил на AT I4: ERROR — настройки не прочитаны", 100},
        {"NO CARRIER", [] { return std::make_unique<AnswerPeer>("3\r", true); },
         "Модем ответил на AT I4: 3 — настройки не прочитаны", 100},
        {"silence", [] { return std::unique_ptr<sim::SimPeer>(); },
         "Модем не ответил на AT I4 за 3 с: настройки не прочитаны", 3000},
        {"only RING", [] { return std::make_unique<OnlyRings>(); },
         "Модем не закончил ответ на AT I4 кодом результата: настройки не прочитаны", 3100},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ModemWorld w;
        const auto peer = r.peer();
        w.line.Attach(peer.get());
        w.console.ViewCurrentSettings();
        const std::int64_t sent = w.clock.NowMs();
        EXPECT_EQ(w.window.Status(), "Просмотр текущих настроек модема: AT I4");
        ASSERT_TRUE(w.IdleUntil([&] { return !w.console.SettingsView().Waiting(); }, 10'000));
        EXPECT_EQ(w.window.Status(), r.status);
        EXPECT_LE(w.clock.NowMs() - sent, r.withinMs);
        EXPECT_GE(w.clock.NowMs() - sent, r.withinMs == 3000 ? 3000 : 0);
    }
}

// A command, a run or a mode button ends a settings view under way: it
// says nothing more.
TEST(SettingsView, ACommandOrAModeButtonEndsItWithoutAWord) {
    for (const bool command : {true, false}) {
        ModemWorld w;  // nothing at the far end
        w.console.ViewCurrentSettings();
        w.IdleFor(1000);
        if (command)
            w.console.SendCommand("ATZ");
        else
            w.console.RemoveIdleHandler();
        EXPECT_EQ(w.console.SettingsView().Result(), ViewAnswer::Outcome::CutShort);
        const std::size_t shown = w.window.statusTexts.size();
        w.clock.Advance(5000);
        w.console.ModemIdle();
        EXPECT_EQ(w.window.statusTexts.size(), shown);
    }
}

TEST(Console, WithoutAPortTheDialogComesFirstAndACancelSendsNothing) {
    ModemWorld w;
    w.state.PortReady = false;
    w.console.StartRun();  // empty list: only the focus
    EXPECT_EQ(w.window.list.focused, 1);
    w.window.list.lines = {"ATZ"};
    w.window.commandFieldVisible = true;
    w.console.StartRun();
    w.console.ViewCurrentSettings();
    std::uint8_t enter = 13;
    w.console.KeyPress(enter);
    EXPECT_EQ(w.window.portDialogs, 3);
    EXPECT_FALSE(w.window.commandFieldVisible);
    EXPECT_TRUE(w.Writes().empty());
    EXPECT_FALSE(w.console.IdleInstalled());
    EXPECT_TRUE(w.view.boxes.empty());

    w.window.portDialog = [&] { return w.state.PortReady = true; };
    w.console.KeyPress(enter);  // empty field: a lone carriage return
    EXPECT_EQ(w.Writes(), Lines{"\r"});
    EXPECT_EQ(enter, 13);  // the key still reaches the control
    EXPECT_TRUE(w.console.IdleInstalled());

    w.window.command = std::string(301, 'A');
    w.console.KeyPress(enter);
    EXPECT_EQ(w.Writes().size(), 1u);
    EXPECT_EQ(w.view.Texts(test::ScriptedView::Box::Kind::Error), Lines{kCommandTooLongText});
}

TEST(Console, SettingsViewAndCommandFieldSaveAndClearTheDigitFlag) {
    ModemWorld w;
    ASSERT_TRUE(w.console.SendModemLine("ATV0"));  // digit answers from here on
    w.line.ClearLog();
    w.console.OpenCommandField();
    EXPECT_TRUE(w.window.commandFieldVisible && w.window.commandFieldFocused == 1);
    EXPECT_TRUE(w.state.SavedDigitAnswers);
    EXPECT_FALSE(w.console.DigitAnswers());
    EXPECT_TRUE(w.Writes().empty());  // nothing sent yet

    ASSERT_TRUE(w.console.SendModemLine("ATV0"));
    w.line.ClearLog();
    w.state.SavedDigitAnswers = false;
    w.console.ViewCurrentSettings();
    EXPECT_TRUE(w.state.SavedDigitAnswers);
    EXPECT_FALSE(w.console.DigitAnswers() || w.window.commandFieldVisible);
    EXPECT_EQ(w.Writes(), Lines{"AT I4\r"});

    // A run takes the saved flag back, not the one the last command left.
    w.window.list.lines = {"ATZ"};
    std::uint8_t enter = 13;
    w.window.command = "ATV0";
    w.console.KeyPress(enter);
    w.console.StartRun();
    EXPECT_TRUE(w.console.DigitAnswers());  // saved by the settings view above
    w.window.command = "ATV1";
    w.console.KeyPress(enter);
    w.console.OpenCommandField();  // saves false
    w.window.command = "ATV0";
    w.console.KeyPress(enter);
    ASSERT_TRUE(w.console.DigitAnswers());
    w.console.StartRun();
    EXPECT_FALSE(w.console.DigitAnswers());
}

TEST(Console, KeyFilterDropsCyrillicLettersAndEnterSendsOnlyBelowControllerMode) {
    ModemWorld w;
    w.window.command = "ATI4";
    for (const WorkModes mode : {kModemWork, kControllerWork}) {
        w.state.WorkMode = mode;
        for (int code = 0; code < 256; ++code) {
            std::uint8_t key = static_cast<std::uint8_t>(code);
            w.console.KeyPress(key);
            EXPECT_EQ(key, code >= 192 ? 0 : code) << code;
        }
    }
    EXPECT_EQ(w.Writes(), Lines{"ATI4\r"});  // the Enter of modem mode only
}

}  // namespace
}  // namespace hk
