#pragma once
// Waiting for the job thread in widget tests: what a click posted has run
// and what it showed has reached the window; or the job thread parked while
// a test looks at the line it shares with it.

#include <QCoreApplication>

#include "app/HayesApplication.h"
#include "gui/JobThread.h"

namespace hk::test {

inline void Settle(JobThread& jobs) {
    jobs.WaitIdle();
    QCoreApplication::processEvents();
}
inline void Settle(HayesApplication& app) { Settle(app.Jobs()); }

// Lets the event loop run (the modem's answer receiver polls the port on
// the job thread) until `clock` has moved by `ms`; then what the jobs
// showed until then reaches the window.
template <class Clock>
void RunFor(HayesApplication& app, Clock& clock, int ms) {
    const auto until = clock.NowMs() + ms;
    for (int i = 0; i < 100000 && clock.NowMs() < until; ++i) QCoreApplication::processEvents();
    const JobThread::Hold parked(app.Jobs());
    QCoreApplication::processEvents();
}

}  // namespace hk::test
