#pragma once
// The modem side of the main window, without widgets: the AT exchange with
// its answer receiver and run driver, the modem console's buttons, the
// modem list's file buttons and the ring count. (The controller's buffer
// lists have device/ControllerLists.)
//
// The console runs on one thread, the job thread in the window program
// (app/JobModemWindow brings the window to it) and the calling thread in
// hayeskvd-cli. The port is link.PortHandle; link.View lets pending messages
// run (the job thread's tasks and the window's) and shows the message
// boxes; link.Clock gives the 500 ms pause between the lines of a run.
//
// The answer receiver (ModemIdle) is installed by SendCommand and by the
// start of a run, and removed only by RemoveIdleHandler (the mode buttons
// and the window's activation). While it is installed the window calls
// ModemIdle whenever nothing else waits (the job thread's idle work); each
// call reads at most one byte and blocks for at most the 20 ms read
// time-out.
//
// A run is watched by a RunMonitor, which shows its progress, marks the
// lines that failed and sums it up (Run() gives the account); the lines
// sent, their timing and the answers memo are the run driver's alone. A run
// moves on at the first line feed after a line went out (or the digit 0
// with digit answers) that is not part of the line's own echo, or as soon
// as the line's result code stands, in words or digits; a line unanswered
// for the time limit ends the run, and so does a line that dials or answers
// and takes the modem on line (CONNECT): what follows would reach the far
// end, not the modem. Every line a run would send is checked before the
// first goes out: a list with a line too long for the send buffer sends
// nothing.
//
// The settings view's answer ("AT I4") is followed to its result code
// (ViewAnswer): the status text says whether the modem ended it with OK.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/Port.h"
#include "modem/ModemCheck.h"
#include "modem/ModemWindow.h"
#include "modem/RunMonitor.h"
#include "modem/ViewAnswer.h"
#include "state/MainState.h"

namespace hk {

inline constexpr std::size_t kSendBufferSize = 301;
// The key code of Enter, which sends the command field's text.
inline constexpr std::uint8_t kEnterKey = 13;
inline constexpr int kModemReadTimeoutMs = 20;
inline constexpr std::int64_t kMicrosPerMs = 1000;
inline constexpr int kNextLinePauseMs = 500;
inline constexpr std::size_t kAnswerLineLimit = 200;
inline constexpr const char* kCurrentSettingsCommand = "AT I4";
inline constexpr const char* kCrMarker = "<CR>";
inline constexpr const char* kLfMarker = "<LF>";

// Message of a typed command whose bytes do not fit the send buffer.
inline constexpr const char* kCommandTooLongText =
    "Команда не передана в модем: она длиннее 300 символов и не помещается "
    "в буфер передачи (301 байт).";
// Message of a list line that does not fit, met during a run; `lineNumber`
// counts from 1.
std::string ListLineTooLongText(int lineNumber);
// Message of a list line that does not fit, found before the run: «Строка 2
// списка длиннее …», or with `listName` ««name»: строка 2 длиннее …».
std::string ListLineTooLongBeforeRunText(int lineNumber, const std::string& listName = {});
// The index of the first line a run of `list` would send that does not fit
// the send buffer; -1 when every one fits.
int FirstLineTooLong(const MemoLines& list);

// Digit result codes follow from the text of each line sent: "V0" sets the
// flag, then "V1" clears it, anywhere in the upper-cased line; a line holding
// "&V" leaves it as it is.
void TrackDigitAnswers(std::string_view line, bool& digitAnswers);

// The key filter of the two memos and the command field: the Cyrillic
// letters А..я (Windows-1251 192..255) are thrown away; Ё and ё pass.
bool ModemKeyThrownAway(std::uint8_t key);

// Microseconds one character takes on the line as it is set: start, data,
// parity and stop bits (10 bits at 8N1, 11 with parity).
std::int64_t CharacterMicros(const LineParams& params);

// The pause after which the modem is taken to have stopped sending: no byte
// for the time of two characters at the line's speed (start, data, parity
// and stop bits as the line holds them: 67 ms at 300 baud), and at least
// the receiver's 20 ms read time-out. The receiver shows the answer line it
// has so far, a digit code is taken as complete and the last answer of a run
// as ended only after it.
int AnswerPauseMs(const LineParams& params);

// Whether a run of `list` sends its line `index`: the first line, whatever
// it holds, and every later line beginning with "AT" (any letter case).
bool RunSendsLine(const MemoLines& list, int index);

class ModemConsole {
public:
    ModemConsole(MainState& state, SerialLink& link, ModemWindow& window)
        : state_(state), link_(link), window_(window) {}
    ModemConsole(const ModemConsole&) = delete;
    ModemConsole& operator=(const ModemConsole&) = delete;

    // --- The receiver's slot.
    bool IdleInstalled() const;
    // Mode buttons and window activation: the receiver stops, a run under
    // way ends and a check under way stops at its next checkpoint; the
    // answer line received so far stays.
    void RemoveIdleHandler();
    // Entering modem mode: the digit answers, and the flag kept for the next
    // run (MainState::SavedDigitAnswers), become false.
    void ClearDigitAnswers();
    // The modem answers with digit result codes, as the lines sent so far
    // tell (TrackDigitAnswers).
    bool DigitAnswers() const { return digitAnswers_; }
    // The answer characters received since the last line went to the
    // answers memo.
    const std::string& PendingAnswer() const { return answerLine_; }

    // --- The exchange.
    // Purges unread input, tracks the digit answers, encodes the line into
    // the 301-byte send buffer, sets the 20 ms read time-out and writes the
    // bytes once (the write's result is not looked at). A line whose bytes
    // do not fit is refused: false, nothing purged, traced or sent and the
    // digit answers unchanged; only the 20 ms read time-out is set, for the
    // receiver. No message here: the callers tell the operator.
    bool SendModemLine(const std::string& line);
    // One poll of the receiver; does nothing while it is not installed.
    void ModemIdle();
    // One stand-alone command; ends a run in progress. True when it went out.
    bool SendCommand(const std::string& cmd);

    // --- The run under way, or the last one: its lines, their verdicts and
    // the texts shown for it. A front end without windows starts a run with
    // StartRun and calls ModemIdle until Run().UnderWay() is false: the run
    // ends by itself after its last answer, or when a line has gone
    // unanswered for the time limit (Run().EndedByTimeLimit()).
    const RunReport& Run() const { return monitor_.Report(); }
    // The run driver still has lines of the list to send (or waits for the
    // answer to the one sent); false once the last line is answered or the
    // run has ended.
    bool SendingList() const { return nextLine_ > 0; }
    // Ends a run under way, as a command or a mode button does: nothing more
    // of the list is sent; the receiver goes on listening.
    void EndRun();

    // The settings view under way, or the last one: the modem's answer to
    // "AT I4" and whether it ended with OK.
    const ViewAnswer& SettingsView() const { return view_; }
    // How long the settings view waits for the modem without a byte
    // (kViewAnswerQuietMs unless set).
    void SetViewQuietMs(std::int64_t ms) { viewQuietMs_ = ms; }
    // How long a line of a run may go unanswered before the run ends
    // (kLineAnswerLimitMs unless set).
    void SetAnswerLimitMs(std::int64_t ms) { monitor_.SetAnswerLimitMs(ms); }

    // --- "Проверить модем": what the modem holds, against the list
    // (ModemCheckJob). Asks for the port first when none is ready (nothing
    // happens without one) and ends a run under way. The receiver pauses
    // while the check reads the answers and listens again afterwards; a
    // command, a run or a mode button while the check lets messages run stops
    // it. Returns what the check found (NotStarted: no port, or a check
    // already under way); the window has been shown it.
    CheckResult CheckModem();

    // --- The modem console's buttons.
    void StartRun();             // "Записать в модем"
    void ViewCurrentSettings();  // "Просмотр текущих настроек..."
    void OpenCommandField();     // "Ввод АТ - команды"
    // "Прочитать из файла": both memos emptied, the command field closed,
    // then the chosen list into the list memo; each line that sets the ring
    // count sets the field. A file that cannot be opened loads nothing and
    // says nothing; a file that is no list (ListFileRefusal) loads nothing
    // and is named in an error box.
    void LoadList();
    // "Сохранить в файле": the list memo (an empty memo only takes the
    // focus). Throws hk::FileError, its text for the error box, when the
    // file cannot be written.
    void SaveList();
    // Leaving the ring count field: the field takes the value its text stands
    // for (0 for text that is no number), then every line of the list memo
    // holding "S0=" takes that value.
    void RingCountFieldLeft();
    // The same with the field's text as it was when the field was left.
    void RingCountFieldLeft(const std::string& fieldText);
    // The key filter of the two memos and the command field: `key` is the
    // Windows-1251 code of the typed character and becomes 0 when the key is
    // thrown away. Enter sends the command field's text outside controller
    // mode and still reaches the control.
    void KeyPress(std::uint8_t& key);
    // The list file last loaded or saved ("Прочитать из файла", "Сохранить
    // в файле"); empty while none was.
    const std::string& ListFile() const { return listFile_; }

private:
    // The answer receiver: removed, installed, or inside a poll. A poll
    // lets messages run, which may remove the receiver (a mode button, a
    // lost port) or install it again (a command): the poll under way ends
    // all the same, and no poll starts inside another.
    enum class Receiver : std::uint8_t { Removed, Installed, Polling, RemovedWhilePolling };
    // "Проверить модем": none under way, one under way, or one asked to stop
    // at its next checkpoint (by a command, a run or a mode button).
    enum class Check : std::uint8_t { None, UnderWay, StopAsked };

    enum class ReceiverStep : std::uint8_t { Install, Remove, PollStarts, PollEnds };
    // The one place the receiver's state changes.
    void StepReceiver(ReceiverStep step);
    // The window is told of every install and removal, also when nothing
    // changes.
    void InstallIdleHandler();
    // The one place the check's state changes.
    void SetCheck(Check next) { check_ = next; }
    // A command, a run or a mode button stops a check under way.
    void StopCheck();

    // During a run: the 500 ms pause, then the next line beginning with "AT".
    void SendNextLine();
    // The run ends without its next line: the answer to the last read in
    // the pause is shown as the receiver would have shown it.
    void EndRunAfterPause(const std::string& rest);
    // The settings view's answer: the byte, and after each poll.
    void FollowSettingsView(bool paused);
    // The answer line so far goes to the answers memo and the exchange log.
    void FlushAnswerLine();
    // One byte the receiver read.
    void TakeAnswerByte(std::uint8_t byte);
    // A line of the list could not be sent (`lineNumber` counts from 1):
    // the run ends there, with a message.
    void RefuseListLine(int lineNumber);
    // The ring count `line` sets, if it sets one, into the ring count field.
    void TakeRingCount(const std::string& line);
    // Returns the bytes it read.
    std::string ReadRestOfAnswer();
    void PortGone();
    bool EnsurePortReady();

    MainState& state_;
    SerialLink& link_;
    ModemWindow& window_;
    RunMonitor monitor_{link_, window_};
    Receiver receiver_ = Receiver::Removed;
    Check check_ = Check::None;
    bool digitAnswers_ = false;
    std::string answerLine_;
    // Where the search for the next line of a run starts; 0: no run.
    int nextLine_ = 0;
    std::int64_t lastByteAtMs_ = 0;  // when the receiver last had a byte
    ViewAnswer view_;
    std::int64_t viewQuietMs_ = kViewAnswerQuietMs;
    std::string listFile_;
};

}  // namespace hk
