#pragma once
// Tells the operator how a run of the list into the modem goes, around the
// run driver and without changing it: the line under way in the window's
// status text, a word when the modem stays silent, the end of the run when
// a line goes unanswered for its time limit, the lines that failed marked
// in the list memo, and a summary at the end, which the
// exchange log records too (with each line's result code).
//
// ModemConsole reports the run's steps here; this keeps the RunReport and
// passes its texts on. Times come from link.Clock.

#include <cstdint>
#include <optional>
#include <string>

#include "link/Deadline.h"
#include "link/Port.h"
#include "modem/ModemWindow.h"
#include "modem/RunReport.h"

namespace hk {

// A line still unanswered this long after it went out makes the status text
// say that the modem does not answer; the run keeps waiting.
inline constexpr int kSilentModemNoticeMs = 5000;
// A line unanswered this long after it went out ends the run, whatever the
// modem sends meanwhile that is no answer (noise, RING): the line counts as
// failed, and nothing more of the list goes out.
inline constexpr int kLineAnswerLimitMs = 10000;

class RunMonitor {
public:
    RunMonitor(SerialLink& link, ModemWindow& window) : link_(link), window_(window) {}

    // A run starts: the previous marks and status text go.
    void Begin(int plannedLines);
    // A line has gone out, from list line `listIndex`.
    void Sent(int listIndex, const std::string& text);
    // A byte received while a run is under way.
    void Byte(std::uint8_t byte);
    // The byte just received may be the echo of the line sent, not the
    // answer the run waits for (ResultCodeReader::LastByteMayBeEcho).
    bool ByteMayBeEcho() const;
    // The line just answered took the modem on line (ATD answered CONNECT).
    bool WentOnLine() const;
    // The run moves on after the current line's answer.
    void MovedOn();
    // The current line has its result code, and the run has not moved on.
    bool CodeWaitsForTheNextLine() const { return report_.CodeWaitsForTheNextLine(); }
    // The line just answered was the last.
    void NoMoreLines();
    // The line just answered took the modem on line while lines were left:
    // the run ends, with its summary.
    void EndOnLine();
    // After each poll of the receiver: `paused` when the modem has sent
    // nothing for the pause that ends an answer. Gives the silence notice
    // when its time has come, ends a run whose line has gone unanswered for
    // the time limit, and ends a run once the modem pauses after its last
    // answer (or has gone on sending for the pause a run gives an answer).
    void Polled(bool paused);
    // How long a line may go unanswered (kLineAnswerLimitMs unless set).
    void SetAnswerLimitMs(std::int64_t ms);
    // The run ends here, complete or cut short (nothing when none is under
    // way), `cause` (UTF-8) saying what cut it short when not the operator;
    // the window is told that it ended.
    void End(std::string cause = {});

    const RunReport& Report() const { return report_; }
    bool UnderWay() const { return report_.UnderWay(); }

private:
    // How a run ends: by itself (the modem has answered the last line and
    // fallen silent), or cut short.
    enum class RunEnd { ByItself, CutShort };
    void Finish(RunEnd end, std::string cause = {});
    void AnnounceDecidedLines();
    void AnswerMayHaveCome();
    void ShowStatus(const std::string& text);
    void Note(const std::string& text);

    SerialLink& link_;
    ModemWindow& window_;
    RunReport report_;
    bool silenceShown_ = false;
    std::int64_t answerLimitMs_ = kLineAnswerLimitMs;
    // From the moment the last line's answer was taken as come: the pause
    // the rest of that answer gets.
    std::optional<Deadline> lastAnswerPause_;
};

}  // namespace hk
