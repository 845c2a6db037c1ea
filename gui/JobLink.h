#pragma once
// The link as the windows' jobs use it: the line with its exchange log
// (log/LoggedLink.h), the job thread, the one thread that talks to the line,
// and the link's view hooks that are the job thread's (gui/JobViewHooks.h):
// its boxes open on the window thread, its "let messages run" is the job's
// checkpoint. The window program, the job traces' test and the benchmarks
// assemble the chain line -> tap -> log -> job thread -> views here; the job
// side's views (a dialog's, the modem window's, the scan's) take Jobs().
//
// Ending: the job thread ends first (after the tasks still posted), then the
// log comes off the line, then the log goes; nothing the job thread runs can
// reach the line after the tap has changed.

#include <memory>

#include "gui/JobThread.h"
#include "gui/JobViewHooks.h"
#include "log/LoggedLink.h"

namespace hk {

class JobLink {
public:
    // `window` is the window thread's view hooks; a job's exception shows as
    // its error box. `line`, `clock` and `window` outlive it.
    JobLink(SerialLine& line, Clock& clock, ViewHooks& window);
    ~JobLink() { EndJobs(); }
    JobLink(const JobLink&) = delete;
    JobLink& operator=(const JobLink&) = delete;

    // Valid until EndJobs().
    JobThread& Jobs() { return *jobs_; }
    SerialLink& Link() { return logged_.Link(); }
    ExchangeLog& Log() { return logged_.Log(); }

    // Ends the job thread, then takes the log off the line. The owner calls
    // it before what the jobs use ends; again, nothing happens.
    void EndJobs();

private:
    std::unique_ptr<JobThread> jobs_;
    JobViewHooks hooks_;
    LoggedLink logged_;
};

}  // namespace hk
