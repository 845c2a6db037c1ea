#pragma once
// The time of day as the program shows and stores it: in the exchange log's
// lines, the log files' names and the backups' names. Wall time, in
// milliseconds since the epoch; the exchanges' own waits run on the clock
// seam (link/Clock.h), never on this.

#include <cstdint>
#include <string>

namespace hk {

// Milliseconds since the epoch on the system's clock.
std::int64_t SystemWallMs();

// "HH:MM:SS.mmm" of the local time, and "YYYY-MM-DD" of the local date.
std::string LocalTimeText(std::int64_t wallMs);
std::string LocalDateText(std::int64_t wallMs);

}  // namespace hk
