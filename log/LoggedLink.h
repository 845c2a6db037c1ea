#pragma once
// The serial link with its exchange log: the assembly of line, traffic tap,
// log and link. The window program has it through gui/JobLink.h; the command
// line and the benchmarks use it directly; the write soak and tests whose
// link is made elsewhere attach their log with LogAttachment.
//
// The log sits on the line's traffic tap, where it sees every byte written
// and read, and is the link's notes, where the exchanges add their decoded
// lines. Leaving, the log comes off the tap before it goes: a byte the line
// moves later never reaches a log that is gone. The tap is a plain pointer
// the line reads on every byte, so the log is put on and taken off while no
// other thread uses the line.

#include <utility>

#include "link/Clock.h"
#include "link/Port.h"
#include "link/SerialLine.h"
#include "link/ViewHooks.h"
#include "log/ExchangeLog.h"

namespace hk {

// Puts `log` on `link` (its line's traffic tap and its notes) for as long as
// it lives, or until Detach().
class LogAttachment {
public:
    LogAttachment(SerialLink& link, ExchangeLog& log);
    ~LogAttachment() { Detach(); }
    LogAttachment(const LogAttachment&) = delete;
    LogAttachment& operator=(const LogAttachment&) = delete;

    // Takes the log off the line and the link; again, nothing happens.
    void Detach();

private:
    SerialLink* link_;
};

// A link on `line` whose exchange log is attached from the start. Where the
// log's files go is the owner's choice (Log().WriteFilesTo, WriteFileTo).
class LoggedLink {
public:
    // `line`, `clock` and `view` outlive it; `wall` gives the time of day the
    // log shows.
    LoggedLink(SerialLine& line, Clock& clock, ViewHooks& view,
               ExchangeLog::WallClock wall = SystemWallMs)
        : log_(clock, std::move(wall)), link_(line, clock, view), attached_(link_, log_) {}
    LoggedLink(const LoggedLink&) = delete;
    LoggedLink& operator=(const LoggedLink&) = delete;

    SerialLink& Link() { return link_; }
    ExchangeLog& Log() { return log_; }
    // Takes the log off the line before the line's last user has ended
    // (the destructor does it otherwise).
    void Detach() { attached_.Detach(); }

private:
    // In this order: the attachment ends first, the log last.
    ExchangeLog log_;
    SerialLink link_;
    LogAttachment attached_;
};

}  // namespace hk
