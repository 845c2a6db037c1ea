#pragma once
// Tells the operator how a run of the list into the modem goes, around the
// run driver and without changing it: the line under way in the window's
// status text, a word when the modem stays silent, the lines the modem
// refused marked in the list memo, and a summary at the end, which the
// exchange log records too (with each line's result code).
//
// ModemConsole reports the run's steps here; this keeps the RunReport and
// passes its texts on. Times come from link.Clock.

#include <cstdint>
#include <string>

#include "link/Port.h"
#include "modem/ModemWindow.h"
#include "modem/RunReport.h"

namespace hk {

// A line still unanswered this long after it went out makes the status text
// say that the modem does not answer; the run keeps waiting all the same.
inline constexpr int kSilentModemNoticeMs = 5000;

class RunMonitor {
public:
    RunMonitor(SerialLink& link, ModemWindow& window) : link_(link), window_(window) {}

    // A run starts: the previous marks and status text go.
    void Begin(int plannedLines);
    // A line has gone out, from list line `listIndex`.
    void Sent(int listIndex, const std::string& text);
    // A byte received while a run is under way.
    void Byte(std::uint8_t byte);
    // The run moves on after the current line's answer.
    void MovedOn();
    // The line just answered was the last.
    void NoMoreLines();
    // After each poll of the receiver: `silent` when the poll brought no
    // byte. Gives the silence notice when its time has come, and ends a run
    // once the modem falls silent after its last answer.
    void Polled(bool silent);
    // The run ends here, complete or cut short (nothing when none is under
    // way); the window is told that it ended.
    void End();

    const RunReport& Report() const { return report_; }
    bool UnderWay() const { return report_.UnderWay(); }

private:
    // `byItself`: the modem has answered the last line and fallen silent.
    void Finish(bool byItself);
    void AnnounceDecidedLines();
    void AnswerMayHaveCome();
    void ShowStatus(const std::string& text);
    void Note(const std::string& text);

    SerialLink& link_;
    ModemWindow& window_;
    RunReport report_;
    bool silenceShown_ = false;
};

}  // namespace hk
