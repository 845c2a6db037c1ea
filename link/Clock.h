#pragma once
// The clock seam: every wait, pause and time limit of the program reads time
// through a Clock, so that tests can run the 14.688 s status wait or a
// 896-attempt link search on a virtual time line and assert its timing exactly.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ratio>

namespace hk {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on this clock's own monotonic time line.
    virtual std::int64_t NowMs() = 0;
    // Blocks for `ms` milliseconds (the program's fixed pauses).
    virtual void Sleep(int ms) = 0;

    // The current moment as a date-time in days; the controller waits compare
    // moments in hundred-thousandths of a day (864 ms per unit).
    double Now() { return static_cast<double>(NowMs()) / kMsPerDay; }

    static constexpr std::int64_t kMsPerDay = 86'400'000;
    static constexpr std::int64_t kMsPerDayUnit = 864;  // 1/100000 day
};

// The controller's time limits count hundred-thousandths of a day: one unit
// is 864 ms. Limits are written as DayUnits so that a reader sees seconds:
// DayUnits{2} is 1.728 s, DayUnits{17} is 14.688 s.
using DayUnits = std::chrono::duration<double, std::ratio<Clock::kMsPerDayUnit, 1000>>;

// Whole and fractional hundred-thousandths of a day elapsed since `startMs`.
inline DayUnits DayUnitsSince(Clock& clock, std::int64_t startMs) {
    return DayUnits(static_cast<double>(clock.NowMs() - startMs) / Clock::kMsPerDayUnit);
}

// The wall clock of the running program (a monotonic clock, so that a change
// of the system time cannot stretch or cut a wait).
class RealClock final : public Clock {
public:
    std::int64_t NowMs() override;
    void Sleep(int ms) override;
};

// A clock that moves only when someone sleeps on it or advances it: the time
// line of tests and of in-process simulated devices. A job on the job thread
// moves it while a test on the window thread reads it.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::int64_t startMs = 0) : now_(startMs) {}
    std::int64_t NowMs() override { return now_; }
    void Sleep(int ms) override {
        if (ms > 0) now_ += ms;
    }
    void Advance(std::int64_t ms) {
        if (ms > 0) now_ += ms;
    }
    void AdvanceTo(std::int64_t ms) {
        std::int64_t now = now_;
        while (ms > now && !now_.compare_exchange_weak(now, ms)) {
        }
    }

private:
    std::atomic<std::int64_t> now_;
};

}  // namespace hk
