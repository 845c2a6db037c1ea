#include "modem/ModemConsole.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/Windows1251.h"
#include "lists/EncodeLine.h"
#include "lists/ListFiles.h"
#include "modem/ModemCheckJob.h"
#include "modem/RingCount.h"

namespace hk {
namespace {

constexpr std::uint8_t kEnterKey = 13;
// Windows-1251 codes of the Cyrillic letters А..я, which the memos and the
// command field do not take (Ё and ё, 168 and 184, pass).
constexpr std::uint8_t kFirstCyrillicLetter = 192;
constexpr std::uint8_t kDigitZero = 0x30;

// What the pause before the next line reads at a time.
constexpr std::size_t kRestOfAnswerChunk = 256;

bool BeginsWithAt(const std::string& line) { return UpperAscii(line.substr(0, 2)) == "AT"; }

// The lines a run of `list` sends.
int LinesToSend(const MemoLines& list) {
    int count = 0;
    for (int i = 0; i < list.Count(); ++i)
        if (RunSendsLine(list, i)) ++count;
    return count;
}

// The first line from `from` on that a run sends after its first line (the
// run's start sends that one): one beginning with "AT"; -1 when none is left.
int NextLineToSend(const MemoLines& list, int from) {
    for (int k = from; k < list.Count(); ++k)
        if (BeginsWithAt(list.Line(k))) return k;
    return -1;
}

}  // namespace

std::int64_t CharacterMicros(const LineParams& params) {
    if (params.BaudRate <= 0) return 0;
    const int bits = 1 + params.ByteSize + (params.Parity == Parity::None ? 0 : 1) +
                     (params.StopBits == StopBits::Two ? 2 : 1);
    return std::int64_t{bits} * 1'000'000 / params.BaudRate;
}

int AnswerPauseMs(const LineParams& params) {
    const std::int64_t twoCharacters = (2 * CharacterMicros(params) + 999) / 1000;
    return static_cast<int>(std::max<std::int64_t>(kModemReadTimeoutMs, twoCharacters));
}

bool RunSendsLine(const MemoLines& list, int index) {
    return index == 0 || BeginsWithAt(list.Line(index));
}

std::string ListLineTooLongText(int lineNumber) {
    return "Строка " + std::to_string(lineNumber) +
           " списка не передана в модем: она длиннее 300 символов и не помещается в буфер "
           "передачи (301 байт). Запись в модем остановлена.";
}

void TrackDigitAnswers(std::string_view line, bool& digitAnswers) {
    const std::string upper = UpperAscii(line);
    if (upper.find("&V") != std::string::npos) return;
    if (upper.find("V0") != std::string::npos) digitAnswers = true;
    if (upper.find("V1") != std::string::npos) digitAnswers = false;
}

// --- The receiver's slot ----------------------------------------------------

void ModemConsole::InstallIdleHandler() {
    idleInstalled_ = true;
    window_.IdleHandlerChanged(true);
}

void ModemConsole::RemoveIdleHandler() {
    checkStop_ = true;
    idleInstalled_ = false;
    window_.IdleHandlerChanged(false);
    // Nothing more of a run under way reaches the operator: it ends here.
    monitor_.End();
}

void ModemConsole::ClearDigitAnswers() {
    DigitAnswers = false;
    state_.SavedDigitAnswers = false;
}

bool ModemConsole::EnsurePortReady() {
    if (state_.PortReady) return true;
    return window_.ShowPortDialog();
}

// --- The exchange -------------------------------------------------------------

bool ModemConsole::SendModemLine(const std::string& line) {
    std::array<std::uint8_t, kSendBufferSize> buf{};
    const int n = EncodeLine(line, buf, 0, state_.TraceBytes ? &window_.AnswersMemo() : nullptr);
    if (n == kLineDoesNotFit) {
        // The receiver may be installed already: keep its reads short.
        SetPortTimeouts(link_, 0, kModemReadTimeoutMs);
        return false;
    }
    SerialLine& port = link_.PortHandle;
    if (link_.Log) link_.Log->Note("Модему: " + Utf8FromWindows1251(line));
    // Only the answer still unread goes; bytes on their way out stay.
    port.PurgeRx();
    TrackDigitAnswers(line, DigitAnswers);
    SetPortTimeouts(link_, 0, kModemReadTimeoutMs);
    // A failed or short write shows in the answers, or in their absence.
    port.Write(buf.data(), static_cast<std::size_t>(n));
    return true;
}

void ModemConsole::ModemIdle() {
    // A modal box opened from here runs its own event loop; the receiver
    // must not be entered again from it.
    if (!idleInstalled_ || inIdle_) return;
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(inIdle_);

    MemoLines& memo2 = window_.AnswersMemo();
    const auto flush = [&] {
        memo2.AddLine(AnswerLine);
        if (link_.Log) link_.Log->Note("Модем: " + Utf8FromWindows1251(AnswerLine));
        AnswerLine.clear();
    };
    std::uint8_t byte = 0;
    const bool received = link_.PortHandle.Read(&byte, 1) == 1;
    const std::int64_t now = link_.Clock.NowMs();
    if (received) {
        lastByteAtMs_ = now;
        monitor_.Byte(byte);
    }
    // A read that brings nothing is no pause yet at a slow speed, where the
    // modem's characters come further apart than the read time-out.
    const bool paused =
        !received && now - lastByteAtMs_ >= AnswerPauseMs(link_.PortHandle.HeldParams());
    if (!received) {
        // The modem has paused (or a read failed): what came so far is shown.
        if (!AnswerLine.empty() && (paused || link_.PortHandle.HungUp())) flush();
        if (link_.PortHandle.HungUp()) PortGone();
    } else if (byte == kLf) {
        if (window_.ShowSpecialCharacters()) AnswerLine += kLfMarker;
        flush();
        if (NextLine > 0) SendNextLine();
    } else {
        if (AnswerLine.size() >= kAnswerLineLimit) flush();
        if (byte == kCr) {
            if (window_.ShowSpecialCharacters()) AnswerLine += kCrMarker;
        } else {
            AnswerLine += static_cast<char>(byte);
            if (DigitAnswers) {
                // Digit result codes carry no line feed: each character is
                // a line, and the code 0 (OK) moves a run on.
                flush();
                if (byte == kDigitZero && NextLine > 0) SendNextLine();
            }
        }
    }
    monitor_.Polled(paused);
    if (NextLine > 0 && !monitor_.UnderWay()) {
        // The line went unanswered for the time limit: the run has ended.
        NextLine = 0;
    } else if (NextLine > 0 && monitor_.CodeWaitsForTheNextLine()) {
        // A result code without a line feed (a digit code, V0), or one the
        // digit 0 rule does not take: the line is answered all the same.
        SendNextLine();
    }
    link_.View.ProcessMessages();
}

// The modem's port has gone (an adapter pulled out): the receiver stops, a
// run ends, and the next command asks for the port again, which reopens it.
void ModemConsole::PortGone() {
    RemoveIdleHandler();
    NextLine = 0;
    state_.PortReady = false;
    link_.View.ShowError(PortGoneText(link_.PortHandle.Name()));
}

void ModemConsole::SendNextLine() {
    monitor_.MovedOn();
    // The window is blocked throughout the pause, so the list cannot change
    // while it lasts.
    MemoLines& memo1 = window_.ListMemo();
    const int k = NextLineToSend(memo1, NextLine);
    const std::string line = k >= 0 ? memo1.Line(k) : std::string();
    // The pause lets the rest of the answer arrive. When the next line goes
    // out after it, SendModemLine would purge that rest unseen: it is read
    // for the line's verdict instead. Otherwise it stays for the receiver,
    // which shows it.
    if (k >= 0 && EncodedLength(line) <= kSendBufferSize)
        ReadRestOfAnswer();
    else
        link_.Clock.Sleep(kNextLinePauseMs);
    if (k < 0) {
        NextLine = 0;
        monitor_.NoMoreLines();
        return;
    }
    const bool sent = SendModemLine(line);
    NextLine = k + 1;
    AnswerLine.clear();
    if (!sent) {
        // The lines after it must not go in without it (an AT&W would
        // store an incomplete set).
        NextLine = 0;
        monitor_.End();
        link_.View.ShowError(ListLineTooLongText(k + 1));
        return;
    }
    monitor_.Sent(k, line);
}

// The pause before the next line of a run, spent reading: its reads end
// exactly when the pause does, whatever arrives. A failed read sleeps the
// rest of it.
void ModemConsole::ReadRestOfAnswer() {
    const std::int64_t end = link_.Clock.NowMs() + kNextLinePauseMs;
    std::array<std::uint8_t, kRestOfAnswerChunk> rest{};
    for (std::int64_t left = kNextLinePauseMs; left > 0; left = end - link_.Clock.NowMs()) {
        SetPortTimeouts(link_, 0, static_cast<int>(left));
        const long n = link_.PortHandle.Read(rest.data(), rest.size());
        if (n < 0) {
            link_.Clock.Sleep(static_cast<int>(left));
            return;
        }
        if (n > 0) lastByteAtMs_ = link_.Clock.NowMs();
        for (long i = 0; i < n; ++i) monitor_.Byte(rest[static_cast<std::size_t>(i)]);
    }
}

void ModemConsole::EndRun() {
    NextLine = 0;
    monitor_.End();
}

void ModemConsole::SendCommand(const std::string& cmd) {
    if (!EnsurePortReady()) return;
    checkStop_ = true;
    monitor_.End();
    if (link_.Log) link_.Log->BeginJob("Команда модему, " + link_.PortHandle.Name());
    AnswerLine.clear();
    NextLine = 0;
    link_.View.ProcessMessages();
    InstallIdleHandler();
    if (!SendModemLine(cmd)) link_.View.ShowError(kCommandTooLongText);
}

CheckResult ModemConsole::CheckModem() {
    if (checking_ || !EnsurePortReady()) return {};
    EndRun();
    // What the receiver had of an answer line is shown before the check's lines.
    if (!AnswerLine.empty()) window_.AnswersMemo().AddLine(AnswerLine);
    AnswerLine.clear();
    // The receiver pauses while the check reads the answers; the stop its
    // removal asks for is cleared before the check starts.
    const bool listening = idleInstalled_;
    if (listening) RemoveIdleHandler();
    checking_ = true;
    checkStop_ = false;
    ModemCheckJob job(link_, window_, [this] { return checkStop_; });
    CheckResult result = job.Run();
    checking_ = false;
    if (result.outcome == CheckOutcome::PortLost) {
        PortGone();
        return result;
    }
    // A command or a run started meanwhile has installed the receiver; a
    // mode button has removed it for good.
    if (listening && !checkStop_) InstallIdleHandler();
    return result;
}

// --- The modem console --------------------------------------------------------

void ModemConsole::StartRun() {
    MemoLines& memo1 = window_.ListMemo();
    if (memo1.Count() == 0) {
        memo1.SetFocus();
        return;
    }
    window_.ShowCommandField(false);
    if (!EnsurePortReady()) return;
    checkStop_ = true;
    // A run under way ends, and the list starts over.
    monitor_.End();
    if (link_.Log) link_.Log->BeginJob("Запись в модем, " + link_.PortHandle.Name());
    AnswerLine.clear();
    link_.View.ProcessMessages();
    NextLine = 1;
    DigitAnswers = state_.SavedDigitAnswers;
    InstallIdleHandler();
    // Line 0 goes out whatever it holds; the list may have been emptied
    // while messages ran.
    const std::string first = memo1.Count() > 0 ? memo1.Line(0) : std::string();
    monitor_.Begin(LinesToSend(memo1));
    if (!SendModemLine(first)) {
        NextLine = 0;
        monitor_.End();
        link_.View.ShowError(ListLineTooLongText(1));
        return;
    }
    monitor_.Sent(0, first);
}

void ModemConsole::ViewCurrentSettings() {
    window_.ShowCommandField(false);
    state_.SavedDigitAnswers = DigitAnswers;
    DigitAnswers = false;
    SendCommand(kCurrentSettingsCommand);
}

void ModemConsole::OpenCommandField() {
    window_.ShowCommandField(true);
    window_.FocusCommandField();
    state_.SavedDigitAnswers = DigitAnswers;
    DigitAnswers = false;
}

bool ModemKeyThrownAway(std::uint8_t key) { return key >= kFirstCyrillicLetter; }

void ModemConsole::KeyPress(std::uint8_t& key) {
    if (ModemKeyThrownAway(key)) {
        key = 0;
        return;
    }
    if (key == kEnterKey && state_.WorkMode < 3) SendCommand(window_.CommandText());
}

// --- List files and the ring count -------------------------------------------

void ModemConsole::LoadFirstList() {
    window_.ListMemo().Clear();
    window_.AnswersMemo().Clear();
    window_.ShowCommandField(false);
    std::string_view filter = kModemListFilter;
    if (state_.WorkMode == 3) {
        filter = kControllerListFilter;
        state_.ClearBuffer1 = false;
    }
    LoadList(true, filter);
}

void ModemConsole::WriteToModemOrClearFirst() {
    if (state_.WorkMode != 3) {
        StartRun();
        return;
    }
    state_.ClearBuffer1 = true;
    window_.ListMemo().Clear();
}

void ModemConsole::ViewSettingsOrLoadSecond() {
    if (state_.WorkMode != 3) {
        ViewCurrentSettings();
        return;
    }
    state_.ClearBuffer2 = false;
    LoadList(false, kControllerListFilter);
}

void ModemConsole::SaveFirstList() {
    if (state_.WorkMode == 3)
        SaveList(window_.ListMemo(), kControllerListFilter, kControllerListExt);
    else
        SaveList(window_.ListMemo(), kModemListFilter, kModemListExt);
}

void ModemConsole::OpenCommandFieldOrClearSecond() {
    if (state_.WorkMode != 3) {
        OpenCommandField();
        return;
    }
    state_.ClearBuffer2 = true;
    window_.AnswersMemo().Clear();
}

void ModemConsole::SaveSecondList() {
    SaveList(window_.AnswersMemo(), kControllerListFilter, kControllerListExt);
}

void ModemConsole::LoadList(bool intoListMemo, std::string_view filter) {
    const auto path = window_.OpenListDialog(filter);
    if (!path) return;
    const auto contents = ReadListFile(*path);
    if (!contents) return;
    // A refused file adds nothing: it was read whole before the first line.
    if (contents->refusal) {
        link_.View.ShowError(ListFileRefusalText(*path, *contents->refusal));
        return;
    }
    MemoLines& memo = intoListMemo ? window_.ListMemo() : window_.AnswersMemo();
    for (const std::string& line : contents->lines) {
        if (state_.ModemMode) TakeRingCount(line);
        memo.AddLine(line);
    }
}

void ModemConsole::SaveList(MemoLines& memo, std::string_view filter, std::string_view defaultExt) {
    if (memo.Count() == 0) {
        memo.SetFocus();
        return;
    }
    window_.ShowCommandField(false);
    const auto path = window_.SaveListDialog(filter, defaultExt);
    if (!path) return;
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(memo.Count()));
    for (int i = 0; i < memo.Count(); ++i) lines.push_back(memo.Line(i));
    WriteListFile(*path, lines);
}

void ModemConsole::TakeRingCount(const std::string& line) {
    if (const auto count = ReadRingCount(line)) window_.SetRingCount(*count);
}

void ModemConsole::RingCountFieldLeft() { RingCountFieldLeft(window_.RingCountText()); }

void ModemConsole::RingCountFieldLeft(const std::string& fieldText) {
    // The field shows the number the lines get: text that is no number (an
    // emptied field, a lone "-") counts as 0, and the field says 0 too
    // rather than going back to its previous value.
    const int value = RingCountFieldValue(fieldText);
    window_.SetRingCount(value);
    MemoLines& memo1 = window_.ListMemo();
    for (int i = 0; i < memo1.Count(); ++i)
        if (const auto rewritten = WriteRingCount(memo1.Line(i), value))
            memo1.SetLine(i, *rewritten);
}

}  // namespace hk
