#include "sequencer/step_pacing.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quelmar {
namespace {

TEST(StepGrid, LateWritesAreMadeUpUntilTooLateAndEarlyOrCutShortOnesBeginANewCount) {
    // Steps of 10 ms on a grid that catches up to 2 ms: each write's time,
    // and what the grid makes of it.
    const struct {
        const char* what;
        int64_t at;
        int64_t lateness, carry, deadline;
        bool recounted;
    } writes[] = {
        {"the first write begins the count", 1000000, 0, 0, 1010000, false},
        {"late within the catch-up", 1011500, 1500, 1500, 1020000, false},
        {"the catch-up's limit", 1022000, 2000, 2000, 1030000, false},
        {"too late: a new count", 1080000, 50000, 0, 1090000, true},
        {"early (a tick can be): a new count", 1089800, 0, 0, 1099800, false},
    };
    StepGrid grid(2000);
    for (const auto& w : writes) {
        const StepGrid::Start s = grid.Begin(w.at, 10);
        EXPECT_EQ(s.latenessMicro, w.lateness) << w.what;
        EXPECT_EQ(s.carryMicro, w.carry) << w.what;
        EXPECT_EQ(s.deadline, w.deadline) << w.what;
        EXPECT_EQ(s.recounted, w.recounted) << w.what;
    }
    // A step of 0 ms keeps the count; a cut-short hold ends it.
    EXPECT_EQ(grid.Begin(1099800 + 300, 0).deadline, 1099800);
    EXPECT_EQ(grid.Begin(1099800 + 400, 10).carryMicro, 400);
    grid.Interrupt();
    EXPECT_EQ(grid.Begin(1109800 + 1500, 10).deadline, 1109800 + 1500 + 10000);
}

TEST(StepPacing, HeldTimesAndArmedIntervals) {
    EXPECT_EQ(HeldMs(0), 0);
    EXPECT_EQ(HeldMs(-3), 1) << "below 1 ms the timer holds 1 ms";
    EXPECT_EQ(HeldMs(2147483647), 2147483647);
    EXPECT_EQ(ArmedInterval(10, 999), 10);
    EXPECT_EQ(ArmedInterval(10, 1000), 9) << "at most one millisecond off a step";
    EXPECT_EQ(ArmedInterval(10, 1900), 9);
    EXPECT_EQ(ArmedInterval(1, 1500), 1) << "never a zero interval";
}

}  // namespace
}  // namespace quelmar
