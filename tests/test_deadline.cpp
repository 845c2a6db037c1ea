#include "link/Deadline.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace hk {
namespace {

TEST(Deadline, MillisecondLimitExpiresAtItsLastMillisecondAndRestartsFromNow) {
    VirtualClock clock{5000};
    Deadline limit(clock, 100ms);
    clock.Advance(99);
    EXPECT_FALSE(limit.Expired());
    EXPECT_EQ(limit.RemainingMs(), 1);
    clock.Advance(1);
    EXPECT_TRUE(limit.Expired());
    EXPECT_EQ(limit.RemainingMs(), 0);
    EXPECT_EQ(limit.ElapsedMs(), 100);
    limit.Restart();
    EXPECT_FALSE(limit.Expired());
    EXPECT_EQ(limit.RemainingMs(), 100);
}

TEST(Deadline, DayUnitLimitIsComparedInUnits) {
    VirtualClock clock;
    Deadline limit(clock, DayUnits{17});  // 14.688 s
    clock.Advance(14687);
    EXPECT_FALSE(limit.Expired());
    EXPECT_EQ(limit.RemainingMs(), 1);
    clock.Advance(1);
    EXPECT_TRUE(limit.Expired());

    // A fractional limit: the remaining time never reads 0 before it passes.
    Deadline half(clock, DayUnits{0.5});  // 432 ms
    clock.Advance(431);
    EXPECT_FALSE(half.Expired());
    EXPECT_GT(half.RemainingMs(), 0);
    clock.Advance(1);
    EXPECT_TRUE(half.Expired());
}

TEST(Stopwatch, MeasuresFromItsStartInMillisecondsAndUnits) {
    VirtualClock clock{100};
    Stopwatch watch(clock);
    clock.Advance(1728);
    EXPECT_EQ(watch.ElapsedMs(), 1728);
    EXPECT_DOUBLE_EQ(watch.Elapsed().count(), 2.0);
    watch.Restart();
    EXPECT_EQ(watch.StartMs(), 1828);
    EXPECT_EQ(watch.ElapsedMs(), 0);
}

}  // namespace
}  // namespace hk
