// The answer receiver and the run driver on SimLine with the virtual clock,
// and the modem console's buttons and key filter around them.

#include <gtest/gtest.h>

#include "modem_fakes.h"

namespace hk {
namespace {

using test::Bytes;
using test::ModemWorld;
using Kind = sim::SimEvent::Kind;
using BoxKind = test::ScriptedView::Box::Kind;

// A far end that answers every line ending with CR: `answer` after
// `delayMs`, one byte per millisecond, with an optional echo of each byte.
class AnswerPeer : public sim::SimPeer {
public:
    explicit AnswerPeer(std::string a, bool e = false) : answer(std::move(a)), echo(e) {}
    void OnByte(std::uint8_t b, const LineParams&, sim::PeerOutput& out) override {
        if (echo) out.Send({b}, 1);
        if (b == 0x0D) out.Send(Bytes(answer), delayMs, 1);
    }
    std::string answer;
    bool echo;
    int delayMs = 10;
};

// Times of the reads that brought a line feed.
std::vector<std::int64_t> LineFeedTimes(const sim::SimLine& line) {
    std::vector<std::int64_t> out;
    for (const auto& e : line.Events())
        if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{0x0A})
            out.push_back(e.atMs);
    return out;
}

// Every line written after the first goes out exactly 500 ms after the line
// feed (or digit) read just before it.
void ExpectEachLine500MsAfterTheAnswer(const sim::SimLine& line, std::uint8_t trigger) {
    std::int64_t lastTrigger = -1;
    int writes = 0;
    for (const auto& e : line.Events()) {
        if (e.kind == Kind::Read && e.bytes == std::vector<std::uint8_t>{trigger})
            lastTrigger = e.atMs;
        if (e.kind == Kind::Write && writes++ > 0) {
            ASSERT_GE(lastTrigger, 0);
            EXPECT_EQ(e.atMs, lastTrigger + 500) << "write " << writes;
            lastTrigger = -1;  // one answer moves the run on once
        }
    }
}

TEST(ModemIdle, CrAndLfShowAsMarkersOnlyWhenCheckBox2IsTicked) {
    for (const bool ticked : {false, true}) {
        ModemWorld w;
        w.window.checkBox2 = ticked;
        w.console.SendCommand("ATZ");
        w.line.Inject({0x0D, 0x0A, 0x4F, 0x4B, 0x0D, 0x0A}, 5, 1);
        w.IdleFor(100);
        if (ticked)
            EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"<CR><LF>", "OK<CR><LF>"}));
        else
            EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"", "OK"}));
    }
}

TEST(ModemIdle, LongAnswerWithoutLineFeedSplitsAt200AndShowsTheRestAfter20MsOfSilence) {
    ModemWorld w;
    w.console.SendCommand("AT&V");
    const std::int64_t t0 = w.clock.NowMs();
    std::string answer;
    for (int i = 0; i < 450; ++i) answer += static_cast<char>('a' + i % 26);
    w.line.Inject(Bytes(answer), 0, 1);
    w.IdleFor(600);
    ASSERT_EQ(w.window.memo2.lines.size(), 3u);
    EXPECT_EQ(w.window.memo2.lines[0], answer.substr(0, 200));
    EXPECT_EQ(w.window.memo2.lines[1], answer.substr(200, 200));
    EXPECT_EQ(w.window.memo2.lines[2], answer.substr(400));
    EXPECT_EQ(w.window.memo2.addedAtMs[2], t0 + 449 + 20);
}

TEST(ModemIdle, DigitAnswersShowOneCharacterPerLine) {
    ModemWorld w;
    w.console.SendCommand("ATV0");
    ASSERT_TRUE(w.console.DigitAnswers);
    w.line.Inject(Bytes("ATV0\r0\r"), 2, 1);
    w.IdleFor(100);
    EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"A", "T", "V", "0", "0"}));
    EXPECT_EQ(w.console.NextLine, 0);
    EXPECT_EQ(w.Writes().size(), 1u);  // no run: a 0 sends nothing
}

TEST(ModemIdle, ReadsOneByteAndLetsMessagesRunOncePerCallOnlyWhileInstalled) {
    ModemWorld w;
    w.line.Inject(Bytes("OK\r\n"));
    w.console.ModemIdle();  // not installed yet
    EXPECT_EQ(w.view.processed, 0);
    EXPECT_EQ(w.line.Pending(), 4u);

    w.console.SendCommand("AT");
    ASSERT_TRUE(w.console.IdleInstalled());
    EXPECT_EQ(w.window.idleChanges, std::vector<bool>{true});
    w.line.Inject(Bytes("OK\r\n"));
    const int before = w.view.processed;
    for (int i = 0; i < 3; ++i) w.console.ModemIdle();
    EXPECT_EQ(w.view.processed, before + 3);
    EXPECT_EQ(w.line.Pending(), 1u);
    EXPECT_EQ(w.console.AnswerLine, "OK");

    // A mode button: the receiver stops, its state stays.
    w.console.RemoveIdleHandler();
    EXPECT_EQ(w.window.idleChanges, (std::vector<bool>{true, false}));
    const auto t = w.clock.NowMs();
    w.console.ModemIdle();
    EXPECT_EQ(w.line.Pending(), 1u);
    EXPECT_EQ(w.clock.NowMs(), t);
    EXPECT_EQ(w.console.AnswerLine, "OK");
    EXPECT_EQ(w.view.processed, before + 3);
}

TEST(Run, SendsTheAtLinesEach500MsAfterTheLineFeedThatAnswersThePreviousOne) {
    ModemWorld w;
    AnswerPeer modem("\r\nOK\r\n");
    w.line.Attach(&modem);
    w.window.memo1.lines = {"ATZ", "; \xEA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9", "ATE0",
                            "AT&W"};
    w.console.Button2Click();
    EXPECT_EQ(w.console.NextLine, 1);
    ASSERT_TRUE(w.IdleUntil([&] { return w.console.NextLine == 0; }));
    w.IdleFor(100);

    EXPECT_EQ(w.Writes(), (std::vector<std::string>{"ATZ\r", "ATE0\r", "AT&W\r"}));
    ExpectEachLine500MsAfterTheAnswer(w.line, 0x0A);
    EXPECT_EQ(LineFeedTimes(w.line).size(), 4u);  // the rest of each answer was purged...
    // ...except after the last line, whose whole answer is shown.
    EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"", "", "", "OK"}));
    EXPECT_TRUE(w.console.IdleInstalled());  // it goes on listening
    EXPECT_TRUE(w.view.boxes.empty());
}

TEST(Run, FirstLineGoesOutWhateverItHoldsAndASingleLineEndsTheRun) {
    {
        ModemWorld w;
        AnswerPeer modem("\r\nOK\r\n");
        w.line.Attach(&modem);
        const std::string comment = "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0 <CR>";
        w.window.memo1.lines = {comment, " ATE0", "ATZ"};
        w.console.Button2Click();
        ASSERT_TRUE(w.IdleUntil([&] { return w.console.NextLine == 0; }));
        EXPECT_EQ(w.Writes(),
                  (std::vector<std::string>{"\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0 \r", "ATZ\r"}));
    }
    {
        ModemWorld w;
        AnswerPeer modem("\r\nOK\r\n");
        w.line.Attach(&modem);
        w.window.memo1.lines = {"ATZ"};
        w.console.Button2Click();
        ASSERT_TRUE(w.IdleUntil([&] { return w.console.NextLine == 0; }));
        const auto lf = LineFeedTimes(w.line);
        ASSERT_EQ(lf.size(), 1u);
        EXPECT_EQ(w.clock.NowMs(), lf[0] + 500);  // over 500 ms after the first line feed
        w.IdleFor(1000);
        EXPECT_EQ(w.Writes(), std::vector<std::string>{"ATZ\r"});
        EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"", "OK"}));
    }
}

TEST(Run, DigitAnswersMoveTheRunOnAtTheFirstZeroEvenInAnEcho) {
    ModemWorld w;
    AnswerPeer modem("0\r", /*echo=*/true);
    w.line.Attach(&modem);
    w.window.memo1.lines = {"ATV0", "ATZ"};
    w.console.Button2Click();
    ASSERT_TRUE(w.IdleUntil([&] { return w.console.NextLine == 0; }));
    w.IdleFor(100);
    EXPECT_EQ(w.Writes(), (std::vector<std::string>{"ATV0\r", "ATZ\r"}));
    ExpectEachLine500MsAfterTheAnswer(w.line, '0');
    // The echoed ATV0 moved the run on at its 0; the rest was purged.
    EXPECT_EQ(w.window.memo2.lines,
              (std::vector<std::string>{"A", "T", "V", "0", "A", "T", "Z", "0"}));
}

TEST(Run, StartRestoresTheSavedDigitFlagNotTheOneTheLastCommandLeft) {
    ModemWorld w;
    w.window.memo1.lines = {"ATZ"};
    w.console.OpenCommandField();  // saves false
    w.window.edit1 = "ATV0";
    std::uint8_t enter = 13;
    w.console.Edit1KeyPress(enter);
    ASSERT_TRUE(w.console.DigitAnswers);
    w.console.Button2Click();
    EXPECT_FALSE(w.console.DigitAnswers);

    w.console.ViewCurrentSettings();  // run in digit mode: saves... false again
    w.console.DigitAnswers = true;
    w.state.SavedDigitAnswers = true;
    w.console.Button2Click();
    EXPECT_TRUE(w.console.DigitAnswers);
}

TEST(Run, ACommandCutsARunShortAndRunStartResetsItsState) {
    ModemWorld w;
    AnswerPeer modem("\r\nOK\r\n");
    w.line.Attach(&modem);
    w.window.memo1.lines = {"ATZ", "ATE0", "AT&W"};
    w.console.Button2Click();
    w.console.AnswerLine = "stale";
    // The operator presses "Просмотр текущих настроек..." between two bytes.
    w.view.onProcess = [&](int n) {
        if (n == 2) w.console.Button3Click();
    };
    w.IdleFor(3000);
    EXPECT_EQ(w.console.NextLine, 0);
    EXPECT_EQ(w.Writes(), (std::vector<std::string>{"ATZ\r", "AT I4\r"}));
    const auto bytes = w.line.WrittenBytes();
    ASSERT_EQ(bytes.size(), 10u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 4, bytes.end()),
              (std::vector<std::uint8_t>{0x41, 0x54, 0x20, 0x49, 0x34, 0x0D}));
    // The half line of the run was dropped; the rest of the ATZ answer, still
    // on its way at the purge, shows before the command's own answer.
    EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"", "OK", "", "OK"}));
}

TEST(Run, ALineTooLongForTheSendBufferStopsTheRunWithAMessage) {
    ModemWorld w;
    AnswerPeer modem("\r\nOK\r\n");
    w.line.Attach(&modem);
    w.window.memo1.lines = {"ATZ", "AT" + std::string(400, 'E'), "AT&W"};
    w.console.Button2Click();
    ASSERT_TRUE(w.IdleUntil([&] { return w.console.NextLine == 0; }));
    w.IdleFor(1000);
    EXPECT_EQ(w.Writes(), std::vector<std::string>{"ATZ\r"});
    EXPECT_EQ(w.view.Texts(BoxKind::Error), std::vector<std::string>{ListLineTooLongText(2)});
    EXPECT_NE(ListLineTooLongText(2).find("Строка 2 списка"), std::string::npos);

    w.view.boxes.clear();
    w.window.memo1.lines = {std::string(301, 'A'), "ATZ"};
    w.console.Button2Click();
    w.IdleFor(1000);
    EXPECT_EQ(w.console.NextLine, 0);
    EXPECT_EQ(w.Writes().size(), 1u);
    EXPECT_EQ(w.view.Texts(BoxKind::Error), std::vector<std::string>{ListLineTooLongText(1)});
}

TEST(Console, WithoutAPortTheDialogComesFirstAndACancelSendsNothing) {
    ModemWorld w;
    w.state.PortReady = false;
    w.window.memo1.lines = {"ATZ"};
    w.window.editVisible = true;
    w.console.Button2Click();
    w.console.Button3Click();
    std::uint8_t enter = 13;
    w.console.Edit1KeyPress(enter);
    EXPECT_EQ(w.window.portDialogs, 3);
    EXPECT_FALSE(w.window.editVisible);
    EXPECT_TRUE(w.Writes().empty());
    EXPECT_FALSE(w.console.IdleInstalled());
    EXPECT_TRUE(w.view.boxes.empty());

    w.window.portDialog = [&] { return w.state.PortReady = true; };
    w.console.Edit1KeyPress(enter);  // empty field: a lone carriage return
    EXPECT_EQ(w.Writes(), std::vector<std::string>{"\r"});
    EXPECT_EQ(enter, 13);  // the key still reaches the control
    EXPECT_TRUE(w.console.IdleInstalled());
}

TEST(Console, EmptyListOnlyFocusesMemo1) {
    ModemWorld w;
    w.state.PortReady = false;
    w.window.editVisible = true;
    w.console.Button2Click();
    EXPECT_EQ(w.window.memo1.focused, 1);
    EXPECT_EQ(w.window.portDialogs, 0);
    EXPECT_TRUE(w.window.editVisible);
    EXPECT_FALSE(w.console.IdleInstalled());
}

TEST(Console, SettingsViewAndCommandFieldSaveAndClearTheDigitFlag) {
    ModemWorld w;
    w.console.DigitAnswers = true;
    w.console.Button5Click();
    EXPECT_TRUE(w.window.editVisible);
    EXPECT_EQ(w.window.editFocused, 1);
    EXPECT_TRUE(w.state.SavedDigitAnswers);
    EXPECT_FALSE(w.console.DigitAnswers);
    EXPECT_TRUE(w.Writes().empty());  // nothing sent yet
    EXPECT_FALSE(w.console.IdleInstalled());

    w.console.DigitAnswers = true;
    w.state.SavedDigitAnswers = false;
    w.window.memo2.lines = {"earlier answer"};
    w.console.Button3Click();
    EXPECT_FALSE(w.window.editVisible);
    EXPECT_TRUE(w.state.SavedDigitAnswers);
    EXPECT_FALSE(w.console.DigitAnswers);
    EXPECT_EQ(w.Writes(), std::vector<std::string>{"AT I4\r"});
    EXPECT_EQ(w.window.memo2.lines, std::vector<std::string>{"earlier answer"});

    w.console.ClearDigitAnswers();
    EXPECT_FALSE(w.state.SavedDigitAnswers);
}

TEST(Console, KeyFilterDropsCyrillicLettersAndEnterSendsOnlyBelowControllerMode) {
    ModemWorld w;
    w.window.edit1 = "ATI4";
    for (const int mode : {2, 3}) {
        w.state.WorkMode = mode;
        for (int code = 0; code < 256; ++code) {
            if (code == 13) continue;
            std::uint8_t key = static_cast<std::uint8_t>(code);
            w.console.Edit1KeyPress(key);
            EXPECT_EQ(key, code >= 192 ? 0 : code) << code;
        }
    }
    EXPECT_TRUE(w.Writes().empty());
    std::uint8_t enter = 13;
    w.state.WorkMode = 3;
    w.console.Edit1KeyPress(enter);
    EXPECT_TRUE(w.Writes().empty());
    w.state.WorkMode = 2;
    w.console.Edit1KeyPress(enter);
    EXPECT_EQ(w.Writes(), std::vector<std::string>{"ATI4\r"});
    EXPECT_EQ(enter, 13);
}

}  // namespace
}  // namespace hk
