// quelmar-play's run on a fake clock and a recording port: what reaches the
// port, in which order and when, how passes repeat and how a stop ends a run.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

#include "player/lateness_stats.h"
#include "player/step_player.h"

namespace quelmar::player {
namespace {

// Time moves only when the run waits; each wait wakes `wakeLate` after its deadline.
class FakeClock : public RunClock {
public:
    int64_t now = 5000;
    int64_t wakeLate = 0;
    int stallAtWait = 0;  // this wait (1-based) wakes `stall` later still
    int64_t stall = 0;
    int waits = 0;
    bool stop = false;
    int64_t NowMicro() override { return now; }
    bool WaitUntil(int64_t deadline) override {
        if (deadline == INT64_MAX) stop = true;  // nothing to wait for but the stop
        if (stop) return false;
        now = deadline + wakeLate + (++waits == stallAtWait ? stall : 0);
        return true;
    }
    bool StopRequested() override { return stop; }
};

struct PortWrite {
    int64_t at;
    uint8_t value;
    bool operator==(const PortWrite& o) const { return at == o.at && value == o.value; }
};

class RecordingPort : public RunPort {
public:
    explicit RecordingPort(FakeClock& clock) : clock_(clock) {}
    std::vector<PortWrite> writes;
    std::function<bool(size_t)> afterWrite;  // given the count so far; false: this write fails
    bool Write(uint8_t value, std::string& error) override {
        if (afterWrite && !afterWrite(writes.size() + 1)) {
            error = "port gone";
            return false;
        }
        writes.push_back({clock_.now, value});
        return true;
    }

private:
    FakeClock& clock_;
};

struct Step {
    bool enabled;
    uint8_t bit;
    int32_t ms;
};

ProgramImage Program(const std::vector<Step>& steps, bool loop = false) {
    ProgramImage p;
    p.Testata.NumSteps = static_cast<int16_t>(steps.size());
    p.Testata.Loop = loop;
    for (size_t i = 0; i < steps.size(); ++i) {
        StepRec& s = p.Steps(static_cast<int>(i + 1));
        s.Abilitato = steps[i].enabled;
        s.Bit = steps[i].bit;
        s.Durata = steps[i].ms;
    }
    // A record above the program's length never plays.
    p.Steps(static_cast<int>(steps.size() + 1)) = StepRec{true, 0xEE, 7, ""};
    return p;
}

std::vector<uint8_t> Values(const std::vector<PortWrite>& writes) {
    std::vector<uint8_t> v;
    for (const PortWrite& w : writes) v.push_back(w.value);
    return v;
}

TEST(StepPlayer, WritesEnabledStepsInOrderEachHeldForItsDuration) {
    FakeClock clock;
    RecordingPort port(clock);
    StepPlayer player(clock, port);
    const ProgramImage p = Program({{true, 1, 10}, {false, 2, 10}, {true, 3, 0}, {true, 4, 0}, {true, 5, 5}});
    const RunSummary s = player.Play(p, RunSettings{});
    // The disabled step is neither written nor waited; the zero steps follow at once.
    const std::vector<PortWrite> want = {{5000, 1}, {15000, 3}, {15000, 4}, {15000, 5}};
    EXPECT_EQ(port.writes, want);
    EXPECT_EQ(clock.now, 20000);  // the last step is held too
    EXPECT_EQ(s.end, RunEnd::Completed);
    EXPECT_EQ(s.writes, 4);
    EXPECT_EQ(s.passesCompleted, 1);
    EXPECT_EQ(StepPlayer::PassDurationMs(p), 15);
}

TEST(StepPlayer, LateWakeUpsDoNotAddUpOverManyPasses) {
    FakeClock clock;
    clock.wakeLate = 30;
    RecordingPort port(clock);
    StepPlayer player(clock, port);
    RunSettings settings;
    settings.passes = 500;
    const RunSummary s = player.Play(Program({{true, 1, 3}, {true, 2, 7}}), settings);
    ASSERT_EQ(port.writes.size(), 1000u);
    // Every write after the first is due on the grid counted from the first.
    EXPECT_EQ(port.writes.back().at, 5000 + 999 * 5000 - 2000 + 30);
    EXPECT_EQ(s.lateness.Max(), 30);
    EXPECT_EQ(s.lateness.P99(), 30);
    EXPECT_EQ(s.passesCompleted, 500);
}

TEST(StepPlayer, AWriteSecondsLateStartsTheDeadlinesAgainInsteadOfABurst) {
    FakeClock clock;
    RecordingPort port(clock);
    clock.stallAtWait = 1;  // the process was stopped for 3 s during the first hold
    clock.stall = 3000000;
    StepPlayer player(clock, port);
    const RunSummary s = player.Play(Program({{true, 1, 10}, {true, 2, 10}, {true, 3, 10}, {true, 4, 10}}), {});
    const std::vector<PortWrite> want = {{5000, 1}, {3015000, 2}, {3025000, 3}, {3035000, 4}};
    EXPECT_EQ(port.writes, want);
    EXPECT_EQ(s.resyncs, 1);
    EXPECT_EQ(s.lateness.Max(), 3000000);
}

TEST(StepPlayer, PassesFollowTheLoopFlagUnlessTheCommandLineSays) {
    struct Case {
        bool loop;
        std::optional<int64_t> override;
        int64_t passes;
    } cases[] = {{false, {}, 1}, {true, {}, 0}, {true, 1, 1}, {false, 0, 0}, {true, 3, 3}};
    for (const Case& c : cases) {
        TestataRec t;
        t.Loop = c.loop;
        EXPECT_EQ(PassesFor(t, c.override), c.passes) << c.loop;
    }
}

TEST(StepPlayer, StopMidStepEndsAtOnceAndWritesTheStopByteAsAsked) {
    for (const std::optional<uint8_t> stopByte : {std::optional<uint8_t>{}, std::optional<uint8_t>{0},
                                                  std::optional<uint8_t>{0xA5}}) {
        FakeClock clock;
        RecordingPort port(clock);
        // The signal comes during the hold of the 7th write (pass 3, step 1).
        port.afterWrite = [&](size_t n) {
            if (n == 7) clock.stop = true;
            return true;
        };
        StepPlayer player(clock, port);
        RunSettings settings;
        settings.passes = 0;
        settings.stopByte = stopByte;
        const RunSummary s = player.Play(Program({{true, 1, 1000}, {true, 2, 0}, {true, 3, 2000}}, true), settings);
        EXPECT_EQ(s.end, RunEnd::Stopped);
        EXPECT_EQ(s.writes, 7);
        EXPECT_EQ(s.passesCompleted, 2);
        std::vector<uint8_t> want = {1, 2, 3, 1, 2, 3, 1};
        if (stopByte) want.push_back(*stopByte);
        EXPECT_EQ(Values(port.writes), want);
        EXPECT_EQ(s.stopByteWritten, stopByte.has_value());
        EXPECT_EQ(port.writes.back().at, 5000 + 2 * 3000000);  // no wait after the stop
    }
}

TEST(StepPlayer, ProgramsWithoutEnabledStepsWriteNothing) {
    for (const int64_t passes : {1, 0}) {
        FakeClock clock;
        RecordingPort port(clock);
        StepPlayer player(clock, port);
        RunSettings settings;
        settings.passes = passes;
        settings.stopByte = 9;
        const RunSummary s = player.Play(Program({{false, 1, 10}, {false, 2, 0}}), settings);
        // Once: done at once. Endless: nothing spins, the run waits for its stop.
        EXPECT_EQ(s.end, passes ? RunEnd::Completed : RunEnd::Stopped);
        EXPECT_EQ(Values(port.writes), passes ? std::vector<uint8_t>{} : std::vector<uint8_t>{9});
        EXPECT_EQ(clock.now, 5000);
    }
}

TEST(StepPlayer, AFailedWriteEndsTheRunWithoutTheStopByte) {
    FakeClock clock;
    RecordingPort port(clock);
    port.afterWrite = [](size_t n) { return n < 3; };
    StepPlayer player(clock, port);
    RunSettings settings;
    settings.stopByte = 0;
    const RunSummary s = player.Play(Program({{true, 1, 1}, {true, 2, 1}, {true, 3, 1}, {true, 4, 1}}), settings);
    EXPECT_EQ(s.end, RunEnd::PortFailed);
    EXPECT_EQ(s.error, "port gone");
    EXPECT_EQ(Values(port.writes), (std::vector<uint8_t>{1, 2}));
}

TEST(LatenessStats, NinetyNinthPercentileAndWorst) {
    LatenessStats fine, coarse;
    for (int i = 1; i <= 1000; ++i) fine.Add(i % 100 == 0 ? 900 : 10);  // 1 % at 900
    for (int i = 1; i <= 200; ++i) coarse.Add(i <= 196 ? 40 : i < 200 ? 2050 : 5000);
    EXPECT_EQ(fine.P99(), 10);
    EXPECT_EQ(fine.Max(), 900);
    EXPECT_EQ(coarse.P99(), 2099);  // above 1 ms, rounded up to the next 100 us
    EXPECT_EQ(coarse.Max(), 5000);
    EXPECT_EQ(LatenessStats{}.P99(), 0);
}

}  // namespace
}  // namespace quelmar::player
