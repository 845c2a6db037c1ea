#pragma once
// The process's one record of the signals that came, kept for both
// platforms' handlers (base/PosixInterruption.cpp, WindowsInterruption.cpp):
// lock-free, so that a handler may call it.

namespace hk {

// Records a signal (the first one's number is kept) and returns how many
// have come, this one included.
int CountInterruption(int signal);

}  // namespace hk
