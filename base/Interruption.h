#pragma once
// What ends a job from outside, for both programs: Ctrl+C (SIGINT), a service
// manager or a time-out (SIGTERM), a closed terminal or SSH session
// (SIGHUP); on Windows the console's Ctrl+C and Ctrl+Break (as SIGINT), its
// closing (as SIGHUP) and the end of the session (as SIGTERM).
//
// The first of them asks the job to stop: the job takes the request at its
// next checkpoint and ends as "Выход" ends it, so that a write under way
// still ends with its copy-out or cancel and the end of exchange. A second
// one is answered on standard error and changes nothing, so that this
// clean-up on the controller is not cut short; a third ends the program at
// once. The exit status is then 128 + the signal's number: 130, 143, 129.
//
// A signal handler can reach nothing but process-wide state: the one flag
// of the process lives behind these functions.

namespace hk {

// Installs the handlers (once per process); `program` names the program in
// what the second signal answers on standard error.
void InstallInterruption(const char* program);
// 0 while none came; else the first one's signal number (2, 15 or 1).
int InterruptionSignal();
// "SIGINT", "SIGTERM", "SIGHUP".
const char* InterruptionName(int signal);

inline constexpr int kSignalInterrupt = 2;
inline constexpr int kSignalTerminate = 15;
inline constexpr int kSignalHangUp = 1;

}  // namespace hk
