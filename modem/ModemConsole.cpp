#include "modem/ModemConsole.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

#include "base/Windows1251.h"
#include "link/Deadline.h"
#include "lists/EncodeLine.h"
#include "lists/ListFiles.h"
#include "modem/ModemCheckJob.h"
#include "modem/RingCount.h"

namespace hk {
namespace {

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
    return std::int64_t{bits} * kMsPerSecond * kMicrosPerMs / params.BaudRate;
}

int AnswerPauseMs(const LineParams& params) {
    // Rounded up to the millisecond.
    const std::int64_t twoCharacters =
        (2 * CharacterMicros(params) + kMicrosPerMs - 1) / kMicrosPerMs;
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

std::string ListLineTooLongBeforeRunText(int lineNumber, const std::string& listName) {
    const std::string what =
        " длиннее 300 символов и не помещается в буфер передачи модема (301 байт). В модем "
        "ничего не передано: сократите строку";
    if (listName.empty()) return "Строка " + std::to_string(lineNumber) + " списка" + what + ".";
    return "«" + listName + "»: строка " + std::to_string(lineNumber) + what;
}

int FirstLineTooLong(const MemoLines& list) {
    for (int i = 0; i < list.Count(); ++i)
        if (RunSendsLine(list, i) && EncodedLength(list.Line(i)) > kSendBufferSize) return i;
    return -1;
}

void TrackDigitAnswers(std::string_view line, bool& digitAnswers) {
    const std::string upper = UpperAscii(line);
    if (upper.find("&V") != std::string::npos) return;
    if (upper.find("V0") != std::string::npos) digitAnswers = true;
    if (upper.find("V1") != std::string::npos) digitAnswers = false;
}

// --- The receiver's slot ----------------------------------------------------

bool ModemConsole::IdleInstalled() const {
    return receiver_ == Receiver::Installed || receiver_ == Receiver::Polling;
}

void ModemConsole::StepReceiver(ReceiverStep step) {
    const bool polling =
        receiver_ == Receiver::Polling || receiver_ == Receiver::RemovedWhilePolling;
    switch (step) {
        case ReceiverStep::Install:
            receiver_ = polling ? Receiver::Polling : Receiver::Installed;
            break;
        case ReceiverStep::Remove:
            receiver_ = polling ? Receiver::RemovedWhilePolling : Receiver::Removed;
            break;
        case ReceiverStep::PollStarts:
            receiver_ = Receiver::Polling;
            break;
        case ReceiverStep::PollEnds:
            receiver_ = receiver_ == Receiver::RemovedWhilePolling ? Receiver::Removed
                                                                   : Receiver::Installed;
            break;
    }
}

void ModemConsole::InstallIdleHandler() {
    StepReceiver(ReceiverStep::Install);
    window_.IdleHandlerChanged(true);
}

void ModemConsole::RemoveIdleHandler() {
    StopCheck();
    StepReceiver(ReceiverStep::Remove);
    window_.IdleHandlerChanged(false);
    // Nothing more of a run or a settings view under way reaches the
    // operator: it ends here.
    monitor_.End();
    view_.CutShort();
}

void ModemConsole::StopCheck() {
    if (check_ == Check::UnderWay) SetCheck(Check::StopAsked);
}

void ModemConsole::ClearDigitAnswers() {
    digitAnswers_ = false;
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
    TrackDigitAnswers(line, digitAnswers_);
    SetPortTimeouts(link_, 0, kModemReadTimeoutMs);
    // A failed or short write shows in the answers, or in their absence.
    port.Write(buf.data(), static_cast<std::size_t>(n));
    return true;
}

void ModemConsole::FlushAnswerLine() {
    window_.AnswersMemo().AddLine(answerLine_);
    if (link_.Log) link_.Log->Note("Модем: " + Utf8FromWindows1251(answerLine_));
    answerLine_.clear();
}

void ModemConsole::ModemIdle() {
    // A modal box opened from here runs its own event loop; the receiver
    // must not be entered again from it.
    if (receiver_ != Receiver::Installed) return;
    StepReceiver(ReceiverStep::PollStarts);
    struct PollEnd {
        ModemConsole& console;
        ~PollEnd() { console.StepReceiver(ReceiverStep::PollEnds); }
    } pollEnd{*this};

    std::uint8_t byte = 0;
    const bool received = link_.PortHandle.Read(&byte, 1) == 1;
    const std::int64_t now = link_.Clock.NowMs();
    if (received) {
        lastByteAtMs_ = now;
        monitor_.Byte(byte);
        view_.Byte(byte, now);
    }
    // A read that brings nothing is no pause yet at a slow speed, where the
    // modem's characters come further apart than the read time-out.
    const bool paused =
        !received && now - lastByteAtMs_ >= AnswerPauseMs(link_.PortHandle.HeldParams());
    if (!received) {
        // The modem has paused (or a read failed): what came so far is shown.
        if (!answerLine_.empty() && (paused || link_.PortHandle.HungUp())) FlushAnswerLine();
        if (link_.PortHandle.HungUp()) PortGone();
    } else {
        TakeAnswerByte(byte);
    }
    monitor_.Polled(paused);
    FollowSettingsView(paused);
    if (nextLine_ > 0 && !monitor_.UnderWay()) {
        // The line went unanswered for the time limit: the run has ended.
        nextLine_ = 0;
    } else if (nextLine_ > 0 && monitor_.CodeWaitsForTheNextLine()) {
        // A result code without a line feed (a digit code, V0), or one the
        // digit 0 rule does not take: the line is answered all the same.
        SendNextLine();
    }
    link_.View.ProcessMessages();
}

void ModemConsole::FollowSettingsView(bool paused) {
    if (!view_.Polled(paused, link_.Clock.NowMs())) return;
    const std::string text = view_.Text();
    window_.ShowRunStatus(text);
    if (link_.Log) link_.Log->Note(text);
}

void ModemConsole::TakeAnswerByte(std::uint8_t byte) {
    // What the modem echoes of the line just sent is not its answer, though
    // it may carry a line feed or a digit 0.
    const bool echo = monitor_.ByteMayBeEcho();
    if (byte == kLf) {
        if (window_.ShowSpecialCharacters()) answerLine_ += kLfMarker;
        FlushAnswerLine();
        if (nextLine_ > 0 && !echo) SendNextLine();
        return;
    }
    if (answerLine_.size() >= kAnswerLineLimit) FlushAnswerLine();
    if (byte == kCr) {
        if (window_.ShowSpecialCharacters()) answerLine_ += kCrMarker;
        return;
    }
    answerLine_ += static_cast<char>(byte);
    if (digitAnswers_) {
        // Digit result codes carry no line feed: each character is a line,
        // and the code 0 (OK) moves a run on.
        FlushAnswerLine();
        if (byte == kDigitZero && nextLine_ > 0 && !echo) SendNextLine();
    }
}

// The modem's port has gone (an adapter pulled out): the receiver stops, a
// run ends, and the next command asks for the port again, which reopens it.
void ModemConsole::PortGone() {
    monitor_.End("Порт " + link_.PortHandle.Name() + " больше не отвечает");
    RemoveIdleHandler();
    nextLine_ = 0;
    state_.PortReady = false;
    link_.View.ShowError(PortGoneText(link_.PortHandle.Name()));
}

void ModemConsole::SendNextLine() {
    monitor_.MovedOn();
    // The window is blocked throughout the pause, so the list cannot change
    // while it lasts.
    MemoLines& memo1 = window_.ListMemo();
    const int k = NextLineToSend(memo1, nextLine_);
    if (k < 0) {
        // The rest of the answer stays for the receiver, which shows it.
        link_.Clock.Sleep(kNextLinePauseMs);
        nextLine_ = 0;
        monitor_.NoMoreLines();
        return;
    }
    const std::string line = memo1.Line(k);
    // The pause lets the rest of the answer arrive. SendModemLine would
    // purge it unseen: it is read for the line's verdict instead.
    const std::string rest = ReadRestOfAnswer();
    if (EncodedLength(line) > kSendBufferSize) {
        // Changed into a line too long while the run went on.
        EndRunAfterPause(rest);
        RefuseListLine(k + 1);
        return;
    }
    if (monitor_.WentOnLine()) {
        // Dialled and connected: the modem takes no command now, and what
        // follows would go to the far end.
        EndRunAfterPause(rest);
        monitor_.EndOnLine();
        return;
    }
    SendModemLine(line);
    nextLine_ = k + 1;
    answerLine_.clear();
    monitor_.Sent(k, line);
}

void ModemConsole::EndRunAfterPause(const std::string& rest) {
    nextLine_ = 0;
    // The receiver's reads take the 20 ms read time-out again.
    SetPortTimeouts(link_, 0, kModemReadTimeoutMs);
    for (char c : rest) TakeAnswerByte(static_cast<std::uint8_t>(c));
}

void ModemConsole::RefuseListLine(int lineNumber) {
    // The lines after it must not go in without it (an AT&W would store an
    // incomplete set).
    nextLine_ = 0;
    monitor_.End("Строка " + std::to_string(lineNumber) + " списка длиннее 300 символов");
    link_.View.ShowError(ListLineTooLongText(lineNumber));
}

// The pause before the next line of a run, spent reading: its reads end
// exactly when the pause does, whatever arrives. A failed read sleeps the
// rest of it.
std::string ModemConsole::ReadRestOfAnswer() {
    const Deadline pause(link_.Clock, std::chrono::milliseconds(kNextLinePauseMs));
    std::array<std::uint8_t, kRestOfAnswerChunk> chunk{};
    std::string rest;
    for (std::int64_t left = pause.RemainingMs(); left > 0; left = pause.RemainingMs()) {
        SetPortTimeouts(link_, 0, static_cast<int>(left));
        const long n = link_.PortHandle.Read(chunk.data(), chunk.size());
        if (n < 0) {
            link_.Clock.Sleep(static_cast<int>(left));
            break;
        }
        if (n > 0) lastByteAtMs_ = link_.Clock.NowMs();
        for (long i = 0; i < n; ++i) {
            const std::uint8_t byte = chunk[static_cast<std::size_t>(i)];
            monitor_.Byte(byte);
            rest += static_cast<char>(byte);
        }
    }
    return rest;
}

void ModemConsole::EndRun() {
    nextLine_ = 0;
    monitor_.End();
}

bool ModemConsole::SendCommand(const std::string& cmd) {
    if (!EnsurePortReady()) return false;
    StopCheck();
    monitor_.End();
    view_.CutShort();
    if (link_.Log) link_.Log->BeginJob("Команда модему, " + link_.PortHandle.Name());
    answerLine_.clear();
    nextLine_ = 0;
    link_.View.ProcessMessages();
    InstallIdleHandler();
    if (SendModemLine(cmd)) return true;
    link_.View.ShowError(kCommandTooLongText);
    return false;
}

CheckResult ModemConsole::CheckModem() {
    if (check_ != Check::None || !EnsurePortReady()) return {};
    EndRun();
    view_.CutShort();
    // What the receiver had of an answer line is shown before the check's lines.
    if (!answerLine_.empty()) window_.AnswersMemo().AddLine(answerLine_);
    answerLine_.clear();
    // The receiver pauses while the check reads the answers.
    const bool listening = IdleInstalled();
    if (listening) RemoveIdleHandler();
    SetCheck(Check::UnderWay);
    window_.CheckBegins();
    ModemCheckJob job(link_, window_, [this] { return check_ == Check::StopAsked; });
    CheckResult result = job.Run();
    const bool stopped = check_ == Check::StopAsked;
    SetCheck(Check::None);
    window_.CheckEnded(result);
    if (result.outcome == CheckOutcome::PortLost) {
        PortGone();
        return result;
    }
    // A command or a run started meanwhile has installed the receiver; a
    // mode button has removed it for good.
    if (listening && !stopped) InstallIdleHandler();
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
    // The lines before a line too long must not go in without it (an AT&W
    // would store an incomplete set): nothing goes out.
    if (const int tooLong = FirstLineTooLong(memo1); tooLong >= 0) {
        link_.View.ShowError(ListLineTooLongBeforeRunText(tooLong + 1));
        return;
    }
    if (!EnsurePortReady()) return;
    StopCheck();
    // A run under way ends, and the list starts over.
    monitor_.End();
    view_.CutShort();
    window_.RunBegins();
    if (link_.Log) link_.Log->BeginJob("Запись в модем, " + link_.PortHandle.Name());
    answerLine_.clear();
    link_.View.ProcessMessages();
    nextLine_ = 1;
    digitAnswers_ = state_.SavedDigitAnswers;
    InstallIdleHandler();
    // Line 0 goes out whatever it holds; the list may have been emptied
    // while messages ran.
    const std::string first = memo1.Count() > 0 ? memo1.Line(0) : std::string();
    monitor_.Begin(LinesToSend(memo1));
    if (!SendModemLine(first)) {
        RefuseListLine(1);
        return;
    }
    monitor_.Sent(0, first);
}

void ModemConsole::ViewCurrentSettings() {
    window_.ShowCommandField(false);
    state_.SavedDigitAnswers = digitAnswers_;
    digitAnswers_ = false;
    if (!SendCommand(kCurrentSettingsCommand)) return;
    const std::string command = kCurrentSettingsCommand;
    view_.Begin(command + static_cast<char>(kCr), link_.Clock.NowMs(), viewQuietMs_,
                CharacterMicros(link_.PortHandle.HeldParams()));
    window_.ShowRunStatus("Просмотр текущих настроек модема: " + command);
}

void ModemConsole::OpenCommandField() {
    window_.ShowCommandField(true);
    window_.FocusCommandField();
    state_.SavedDigitAnswers = digitAnswers_;
    digitAnswers_ = false;
}

bool ModemKeyThrownAway(std::uint8_t key) { return key >= kFirstCyrillicLetter; }

void ModemConsole::KeyPress(std::uint8_t& key) {
    if (ModemKeyThrownAway(key)) {
        key = 0;
        return;
    }
    if (key == kEnterKey && state_.WorkMode != kControllerWork) SendCommand(window_.CommandText());
}

// --- The list file and the ring count ------------------------------------------

void ModemConsole::LoadList() {
    window_.ListMemo().Clear();
    window_.AnswersMemo().Clear();
    window_.ShowCommandField(false);
    const auto path = window_.OpenListDialog(kModemListFilter);
    if (!path) return;
    const auto contents = ReadListFile(*path);
    if (!contents) return;
    // A refused file adds nothing: it was read whole before the first line.
    if (contents->refusal) {
        link_.View.ShowError(ListFileRefusalText(*path, *contents->refusal));
        return;
    }
    listFile_ = *path;
    MemoLines& memo = window_.ListMemo();
    for (const std::string& line : contents->lines) {
        if (state_.ModemMode) TakeRingCount(line);
        memo.AddLine(line);
    }
}

void ModemConsole::SaveList() {
    MemoLines& memo = window_.ListMemo();
    if (memo.Count() == 0) {
        memo.SetFocus();
        return;
    }
    window_.ShowCommandField(false);
    const auto path = window_.SaveListDialog(kModemListFilter, kModemListExt);
    if (!path) return;
    WriteListFile(*path, memo);
    listFile_ = *path;
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
