#pragma once
// Time limits and elapsed times on a Clock, said once: a wait starts its
// Deadline when it starts, asks Expired() at each step and RemainingMs() for
// the time it may still block; what only measures time takes a Stopwatch.
// A limit in DayUnits is compared in units, as the controller's waits
// compare (DayUnits{17} has passed at 14.688 s, not a millisecond earlier).

#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>

#include "link/Clock.h"

namespace hk {

// The time since it was started or last restarted.
class Stopwatch {
public:
    explicit Stopwatch(Clock& clock) : clock_(&clock), startMs_(clock.NowMs()) {}
    std::int64_t ElapsedMs() const { return clock_->NowMs() - startMs_; }
    DayUnits Elapsed() const { return DayUnitsSince(*clock_, startMs_); }
    void Restart() { startMs_ = clock_->NowMs(); }
    std::int64_t StartMs() const { return startMs_; }

private:
    Clock* clock_;
    std::int64_t startMs_;
};

// A limit running from its start: `limit` milliseconds, or DayUnits.
class Deadline {
public:
    Deadline(Clock& clock, std::chrono::milliseconds limit)
        : watch_(clock), limitMs_(limit.count()) {}
    Deadline(Clock& clock, DayUnits limit)
        : watch_(clock),
          limitMs_(static_cast<std::int64_t>(std::ceil(limit.count() * Clock::kMsPerDayUnit))),
          units_(limit) {}

    bool Expired() const { return units_ ? watch_.Elapsed() >= *units_ : ElapsedMs() >= limitMs_; }
    // What is left of the limit; 0 once it has passed.
    std::int64_t RemainingMs() const {
        if (Expired()) return 0;
        const std::int64_t left = limitMs_ - ElapsedMs();
        return left > 0 ? left : 1;
    }
    std::int64_t ElapsedMs() const { return watch_.ElapsedMs(); }
    // The same limit again, from now.
    void Restart() { watch_.Restart(); }

private:
    Stopwatch watch_;
    std::int64_t limitMs_;
    std::optional<DayUnits> units_;
};

}  // namespace hk
