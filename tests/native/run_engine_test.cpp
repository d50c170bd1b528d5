// The run engine on a simulated clock and step timer: what reaches the port,
// in which order and when, in each pacing.
#include "sequencer/run_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "tests/native/test_programs.h"

namespace quelmar {
namespace {

// Time moves only when the run writes, waits, sleeps or spins. The timer
// ticks `tickLate(n)` after the interval it was armed for; a write takes
// `writeCost`. The log has a letter for each thing the engine asked for:
// W write, T tick, L fine sleep, P spin, S events before a spin,
// E pending events.
struct Simulation : RunWaiter, RunPort {
    int64_t now = 1000000;
    int64_t writeCost = 20;
    std::function<int64_t(int)> tickLate = [](int) { return 400; };
    int64_t sleepLate = 50;
    bool timer = true, fineSleep = true;
    size_t stopAtWrite = 0, endAtWrite = 0;
    bool stop = false, end = false;

    struct Written {
        int64_t at;
        int value;
        std::vector<int64_t> arms;  // the timer's intervals in its hold
        int64_t spun = 0;
    };
    std::vector<Written> writes;
    std::string log;
    int ticks = 0;
    int64_t tickAt = 0;

    bool Write(uint8_t value, std::string&) override {
        writes.push_back({now, value, {}, 0});
        log += 'W';
        now += writeCost;
        stop = stop || writes.size() == stopAtWrite;
        end = end || writes.size() == endAtWrite;
        return true;
    }
    int64_t NowMicro() override { return now; }
    bool WaitUntil(int64_t deadline) override {
        if (deadline == INT64_MAX) return stop = true, false;  // nothing but the stop to wait for
        now = std::max(now, deadline);
        return true;
    }
    bool StopRequested() override { return stop; }
    bool MustEnd() override { return end; }
    bool ArmTick(int64_t ms) override {
        if (!timer) return false;
        writes.back().arms.push_back(ms);
        tickAt = now + ms * 1000;
        return true;
    }
    bool WaitForTick() override {
        now = tickAt + tickLate(ticks++);
        log += 'T';
        return true;
    }
    bool SleepFine(int64_t micro) override {
        if (!fineSleep) return false;
        now += micro + sleepLate;
        log += 'L';
        return true;
    }
    void SpinUntil(int64_t deadline) override {
        if (deadline > now) writes.back().spun += deadline - now;
        now = std::max(now, deadline);
        log += 'P';
    }
    void ServePending() override { log += 'E'; }
    void ServeBefore(int64_t) override { log += 'S'; }

    // Write to next write, for every write but the last.
    std::vector<int64_t> Holds() const {
        std::vector<int64_t> h;
        for (size_t i = 0; i + 1 < writes.size(); ++i) h.push_back(writes[i + 1].at - writes[i].at);
        return h;
    }
    std::vector<int> Bytes() const {
        std::vector<int> b;
        for (const Written& w : writes) b.push_back(w.value);
        return b;
    }

    RunSummary Play(const ProgramImage& p, RunPacing pacing, int64_t passes = 1, int64_t fixedMargin = -1) {
        ImageRunProgram program(p);
        RunSettings s;
        s.passes = passes;
        s.pacing = pacing;
        s.fixedMarginMicro = fixedMargin;
        return RunEngine(program, *this, *this).Play(s);
    }
};

ProgramImage Program(const std::vector<StepRec>& steps) { return ProgramOf(steps); }

ProgramImage Durations(const std::vector<int32_t>& ms) {
    std::vector<StepRec> steps;
    for (size_t i = 0; i < ms.size(); ++i) steps.push_back({true, static_cast<uint8_t>(i), ms[i], ""});
    return Program(steps);
}

const RunPacing kPacings[] = {RunPacing::Timer, RunPacing::Precise, RunPacing::Deadline};

TEST(RunEngine, EveryPacingPlaysTheEnabledStepsOfEachPassAndEndsAsAsked) {
    const ProgramImage p =
        Program({{true, 1, 10, ""}, {false, 2, 10, ""}, {true, 3, 0, ""}, {true, 4, 0, ""}, {true, 5, -3, ""}});
    for (const RunPacing pacing : kPacings) {
        Simulation sim;
        const RunSummary s = sim.Play(p, pacing, 2);
        EXPECT_EQ(s.end, RunEnd::Completed);
        EXPECT_EQ(s.passesCompleted, 2);
        EXPECT_EQ(sim.Bytes(), (std::vector<int>{1, 3, 4, 5, 1, 3, 4, 5}));
        // The steps of 0 ms follow at once; a negative duration holds 1 ms,
        // so a pass lasts 11 ms from its first write (counted from its end).
        EXPECT_EQ(sim.writes[2].at - sim.writes[1].at, sim.writeCost);
        EXPECT_NEAR(sim.writes[4].at - sim.writes[0].at, 11000 + sim.writeCost, pacing == RunPacing::Timer ? 1000 : 0);

        // The n-th write brings a stop: the hold it began is played out and
        // nothing is written after it. Closing the window leaves at once.
        Simulation stopped;
        stopped.stopAtWrite = 5;
        EXPECT_EQ(stopped.Play(p, pacing, 0).end, RunEnd::Stopped);
        EXPECT_EQ(stopped.writes.size(), 5u);
        EXPECT_GE(stopped.now - stopped.writes.back().at, 9000);
        Simulation closed;
        closed.endAtWrite = 2;
        EXPECT_EQ(closed.Play(p, pacing, 0).end, RunEnd::Unwound);
        EXPECT_EQ(closed.writes.size(), 2u);
    }
    // Nothing enabled: a counted run is over at once, an endless one waits for its stop.
    Simulation once, endless;
    const ProgramImage none = Program({{false, 1, 10, ""}});
    const RunSummary s1 = once.Play(none, RunPacing::Timer, 1000000000);
    EXPECT_EQ(s1.end, RunEnd::Completed);
    EXPECT_EQ(s1.passesCompleted, 1000000000);
    EXPECT_EQ(endless.Play(none, RunPacing::Timer, 0).end, RunEnd::Stopped);
    EXPECT_TRUE(once.writes.empty() && endless.writes.empty());
    ImageRunProgram p1(p);
    EXPECT_EQ(RunEngine::PassDurationMs(p1), 11);
}

TEST(RunEngine, TimerPacingMakesUpEachTicksLatenessWithoutDriftOrAStepCutByMoreThanOneMs) {
    std::vector<int32_t> ms;
    uint32_t seed = 7;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 1103515245u + 12345u;
        ms.push_back(static_cast<int32_t>(2 + (seed >> 16) % 19));
    }
    const int64_t programmed = std::accumulate(ms.begin(), ms.end(), int64_t{0}) * 1000;
    for (const int64_t late : {0, 150, 400, 900}) {
        Simulation sim;
        sim.tickLate = [late](int) { return late; };
        sim.Play(Durations(ms), RunPacing::Timer);
        const std::vector<int64_t> holds = sim.Holds();
        // Without the carry the run would end 2000 late ticks behind.
        const int64_t total = sim.now - sim.writes.front().at;
        EXPECT_GE(total - programmed, 0) << late;
        EXPECT_LE(total - programmed, 2000 + late + sim.writeCost) << late;
        for (size_t i = 0; i < holds.size(); ++i) {
            ASSERT_EQ(sim.writes[i].arms.size(), 1u);
            EXPECT_GE(sim.writes[i].arms[0], ms[i] - 1) << late << " step " << i;
            EXPECT_LT(std::abs(holds[i] - ms[i] * 1000), 1000) << late << " step " << i;
        }
    }
    // Steps too short to carry anything still get a whole millisecond; long
    // ones are armed in parts.
    Simulation sim;
    sim.tickLate = [](int) { return 0; };
    sim.Play(Durations({1, 1, 1, 150000}), RunPacing::Timer);
    EXPECT_EQ(sim.writes[1].arms, std::vector<int64_t>{1});
    EXPECT_EQ(sim.writes[3].arms, (std::vector<int64_t>{kLongestArmingMs, kLongestArmingMs, 30000}));
    EXPECT_EQ(sim.log.find('S'), std::string::npos) << "the timer pacing takes its events between steps";
}

TEST(RunEngine, PrecisePacingEndsEveryHoldOnItsDeadlineWithTicksLateWithinTheMargin) {
    std::vector<int32_t> ms;
    for (int i = 0; i < 300; ++i) ms.push_back(1 + (i * 7) % 20);
    for (const int64_t late : {0, 300, 1400, -700}) {
        Simulation sim;
        sim.tickLate = [late](int) { return late; };
        sim.Play(Durations(ms), RunPacing::Precise, 1, 1500);
        // Each byte goes out when the hold before it ends: every hold but the
        // first (from the write, not before it) is exact.
        const std::vector<int64_t> holds = sim.Holds();
        EXPECT_EQ(holds[0], ms[0] * 1000 + sim.writeCost) << late;
        for (size_t i = 1; i < holds.size(); ++i) ASSERT_EQ(holds[i], ms[i] * 1000) << late << " step " << i;
    }
    // 1 and 2 ms lie within the margin and one timer millisecond: no timer at
    // all. 150 s: two whole parts, then what is left less the margin.
    Simulation sim;
    sim.Play(Durations({1, 2, 3, 0, 20, 150000}), RunPacing::Precise, 1, 1500);
    EXPECT_TRUE(sim.writes[0].arms.empty());
    EXPECT_EQ(sim.writes[0].spun, 1000) << "the hold counts from the end of the write";
    EXPECT_TRUE(sim.writes[1].arms.empty());
    EXPECT_EQ(sim.writes[2].arms, std::vector<int64_t>{1});
    EXPECT_EQ(sim.writes[4].arms, std::vector<int64_t>{18});
    EXPECT_EQ(sim.writes[5].arms.size(), 3u);
    EXPECT_EQ(sim.writes[5].at - sim.writes[3].at, 20000) << "a step of 0 ms takes no time of the grid";

    // A tick past the deadline ends the hold at once; the deadlines after it stay put.
    Simulation lateTick;
    lateTick.tickLate = [](int n) { return n == 1 ? 2500 : 300; };
    lateTick.Play(Durations({10, 10, 10, 10, 0}), RunPacing::Precise, 1, 1500);
    EXPECT_EQ(lateTick.writes[1].spun, 0);
    EXPECT_GT(lateTick.writes[2].at - lateTick.writes[0].at, 20000 + lateTick.writeCost);
    EXPECT_EQ(lateTick.writes[3].at - lateTick.writes[0].at, 30000 + lateTick.writeCost);
}

TEST(RunEngine, PreciseHoldsSleepAllButTheLearnedGuardAndTakeEventsOnlyBeforeTheSpin) {
    Simulation sim;
    sim.sleepLate = 40;
    const RunSummary s = sim.Play(Durations({10, 1, 0, 5, 20}), RunPacing::Precise, 3);
    EXPECT_EQ(s.end, RunEnd::Completed);
    EXPECT_EQ(sim.log.substr(0, 3), "LLL") << "three probe sleeps before the first write";
    // Every write is followed by its events before anything else is waited,
    // and nothing but the write follows a spin.
    for (size_t i = sim.log.find('W'); i != std::string::npos; i = sim.log.find('W', i + 1))
        EXPECT_EQ(sim.log.substr(i, 2), "WS") << sim.log;
    for (size_t i = sim.log.find('P'); i != std::string::npos && i + 1 < sim.log.size(); i = sim.log.find('P', i + 1))
        EXPECT_EQ(sim.log[i + 1], 'W') << sim.log;
    EXPECT_EQ(sim.log.find('E'), std::string::npos);
    // The guard is learned from the sleeps' lateness: the spins stay short.
    for (size_t i = 0; i + 1 < sim.writes.size(); ++i) EXPECT_LE(sim.writes[i].spun, 100) << i;

    // Without a fine sleep or a timer the hold is still kept, on the clock.
    Simulation bare;
    bare.fineSleep = false;
    bare.timer = false;
    bare.Play(Durations({10, 10, 0}), RunPacing::Precise);
    EXPECT_EQ(bare.Holds()[1], 10000);
}

}  // namespace
}  // namespace quelmar
