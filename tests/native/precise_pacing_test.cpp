#include "sequencer/precise_pacing.h"
#include "sequencer/step_pacing.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quelmar {
namespace {

using Move = PrecisePacing::Move;

TEST(PrecisePacing, WhatTheWaitDoesNextForTheTimeLeft) {
    const struct {
        int64_t rest;  // microseconds to the deadline
        Move move;
        int64_t ms;
    } cases[] = {
        {-3000, Move::Done, 0},  // a tick after the deadline: no spin
        {0, Move::Done, 0},
        {1, Move::Spin, 0},
        {1500, Move::Spin, 0},
        // Less than a whole millisecond past the margin: the timer cannot help.
        {2499, Move::Spin, 0},
        {2500, Move::Arm, 1},
        {20000, Move::Arm, 18},  // rounded down: at least the margin is left
        {20999, Move::Arm, 19},
        {300000000, Move::Arm, kLongestArmingMs},
    };
    const PrecisePacing p(1500);
    for (const auto& c : cases) {
        const auto m = p.Next(1000000, 1000000 + c.rest);
        EXPECT_EQ(m.move, c.move) << c.rest;
        EXPECT_EQ(m.ms, c.ms) << c.rest;
    }
    // No margin: the timer alone, down to its last millisecond.
    EXPECT_EQ(PrecisePacing(0).Next(0, 7000).ms, 7);
    EXPECT_EQ(PrecisePacing(-5).Margin(), 0);
}

TEST(PrecisePacing, TheMarginFollowsTheLatestRecentTick) {
    // Each tick's lateness, and the margin it leaves for the holds after it.
    const struct {
        int64_t late;
        int64_t margin;
    } ticks[] = {
        {2400, 2600},   // the guard on top of the tick
        {2350, 2580},   // an earlier tick is forgotten slowly: 2400 - 20 is still above
        {-200, 2560},   // an early tick counts as on time, and the peak fades
        {0, 2540},
        {3200, 3400},   // a late tick raises the margin at once
        {9000, PrecisePacing::kMarginCeiling},
    };
    PrecisePacing p;
    EXPECT_EQ(p.Margin(), PrecisePacing::kStartMargin) << "before any tick";
    for (const auto& t : ticks) {
        p.RecordTickLateness(t.late);
        EXPECT_EQ(p.Margin(), t.margin) << t.late;
    }
    p.Restart();
    EXPECT_EQ(p.Margin(), PrecisePacing::kStartMargin) << "a new run starts afresh";
    for (int i = 0; i < 100; ++i) p.RecordTickLateness(-50);
    EXPECT_EQ(p.Margin(), PrecisePacing::kMarginFloor) << "punctual ticks: never below the floor";

    PrecisePacing fixed(1500);
    fixed.RecordTickLateness(9000);
    EXPECT_EQ(fixed.Margin(), 1500) << "a margin given stays";
}

TEST(PrecisePacing, TheRestIsSleptButForTheSecondLatestRecentOvershoot) {
    PrecisePacing p;
    EXPECT_EQ(p.SleepBeforeSpin(3000), 0) << "no sleep seen yet: spin it all";
    // Each overshoot, the guard it leaves, and the sleep then taken of 3 ms left.
    const struct {
        int64_t over;
        int64_t guard;
        int64_t sleep;
    } sleeps[] = {
        {90, 150, 2850},     // the first one is all there is to go by
        {40, 100, 2900},     // then the second-latest: the floor
        {130, 150, 2850},
        {2000, 190, 2810},   // one very late wake does not make the next holds spin
        {-10, 190, 2810},    // early counts as on time
        {3000, 2060, 940},   // a second one does
        {9000, 3060, 0},     // less than the shortest sleep left: spin
    };
    for (const auto& s : sleeps) {
        p.RecordSleepOvershoot(s.over);
        EXPECT_EQ(p.SpinGuard(), s.guard) << s.over;
        EXPECT_EQ(p.SleepBeforeSpin(3000), s.sleep) << s.over;
    }
    // Old overshoots leave the window of recent sleeps.
    for (size_t i = 0; i < PrecisePacing::kRecentSleeps; ++i) p.RecordSleepOvershoot(50);
    EXPECT_EQ(p.SpinGuard(), 110);
    p.Restart();
    EXPECT_EQ(p.SpinGuard(), PrecisePacing::kSpinGuardUnknown) << "a new run learns afresh";

    PrecisePacing fixed(1500);
    fixed.RecordSleepOvershoot(50);
    EXPECT_EQ(fixed.SleepBeforeSpin(3000), 0) << "a fixed margin is spun whole";
}

}  // namespace
}  // namespace quelmar
