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

}  // namespace hk::test
