// quelmar-play's run on a fake clock and a recording port: what reaches the
// port, in which order and when, how passes repeat and how a stop ends a run.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "player/lateness_stats.h"
#include "player/step_player.h"
#include "tests/native/test_programs.h"

namespace quelmar::player {
namespace {

// Time moves only when the run waits: each wait wakes `wakeLate` after its
// deadline, and the wait numbered `stallAtWait` `stall` later still.
struct FakeClock : RunWaiter {
    int64_t now = 5000, wakeLate = 0, stall = 0;
    int waits = 0, stallAtWait = 0;
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

using Writes = std::vector<std::pair<int64_t, int>>;  // time, byte

// Records each write; the write numbered `stopAt` brings the stop signal, the
// one numbered `failAt` fails.
struct RecordingPort : RunPort {
    explicit RecordingPort(FakeClock& c) : clock(c) {}
    FakeClock& clock;
    Writes writes;
    size_t stopAt = 0, failAt = 0;
    bool Write(uint8_t value, std::string& error) override {
        if (writes.size() + 1 == failAt) return error = "port gone", false;
        writes.emplace_back(clock.now, value);
        if (writes.size() == stopAt) clock.stop = true;
        return true;
    }
    std::vector<int> Bytes() const {
        std::vector<int> v;
        for (const auto& w : writes) v.push_back(w.second);
        return v;
    }
};

ProgramImage Program(const std::vector<StepRec>& steps) { return ProgramOf(steps); }

PlaySettings Passes(int64_t passes, std::optional<uint8_t> stopByte = {}) { return PlaySettings{passes, stopByte}; }

TEST(StepPlayer, WritesEnabledStepsInOrderEachHeldForItsDuration) {
    FakeClock clock;
    RecordingPort port(clock);
    const ProgramImage p = Program({{true, 1, 10, ""}, {false, 2, 10, ""}, {true, 3, 0, ""}, {true, 4, 0, ""}, {true, 5, 5, ""}});
    const PlaySummary s = StepPlayer(clock, port).Play(p, Passes(1));
    // The disabled step is neither written nor waited; the zero steps follow at once.
    EXPECT_EQ(port.writes, (Writes{{5000, 1}, {15000, 3}, {15000, 4}, {15000, 5}}));
    EXPECT_EQ(clock.now, 20000);  // the last step is held too
    EXPECT_EQ(s.end, RunEnd::Completed);
    EXPECT_EQ(s.writes, 4);
    EXPECT_EQ(StepPlayer::PassDurationMs(p), 15);
}

TEST(StepPlayer, LateWakeUpsDoNotAddUpOverManyPassesButSecondsLateStartAgain) {
    FakeClock clock;
    clock.wakeLate = 30;
    RecordingPort port(clock);
    const PlaySummary s = StepPlayer(clock, port).Play(Program({{true, 1, 3, ""}, {true, 2, 7, ""}}), Passes(500));
    ASSERT_EQ(port.writes.size(), 1000u);
    EXPECT_EQ(port.writes.back().first, 5000 + 499 * 10000 + 3000 + 30);  // on the grid from the first write
    EXPECT_EQ(s.lateness.P99(), 30);
    EXPECT_EQ(s.passesCompleted, 500);

    // Stopped for 3 s in the first hold: no burst of the missed steps.
    FakeClock stalled;
    stalled.stallAtWait = 1;
    stalled.stall = 3000000;
    RecordingPort port2(stalled);
    const PlaySummary s2 = StepPlayer(stalled, port2).Play(Program({{true, 1, 10, ""}, {true, 2, 10, ""}, {true, 3, 10, ""}}), Passes(1));
    EXPECT_EQ(port2.writes, (Writes{{5000, 1}, {3015000, 2}, {3025000, 3}}));
    EXPECT_EQ(s2.resyncs, 1);
}

TEST(StepPlayer, StopMidStepEndsAtOnceAndWritesTheStopByteAsAsked) {
    for (const std::optional<uint8_t> stopByte : {std::optional<uint8_t>{}, std::optional<uint8_t>{0}, std::optional<uint8_t>{0xA5}}) {
        FakeClock clock;
        RecordingPort port(clock);
        port.stopAt = 7;  // during the hold of pass 3, step 1 of an endless run
        const PlaySummary s = StepPlayer(clock, port).Play(Program({{true, 1, 1000, ""}, {true, 2, 0, ""}, {true, 3, 2000, ""}}), Passes(0, stopByte));
        EXPECT_EQ(s.end, RunEnd::Stopped);
        EXPECT_EQ(s.passesCompleted, 2);
        std::vector<int> want = {1, 2, 3, 1, 2, 3, 1};
        if (stopByte) want.push_back(*stopByte);
        EXPECT_EQ(port.Bytes(), want);
        EXPECT_EQ(s.stopByteWritten, stopByte.has_value());
        EXPECT_EQ(port.writes.back().first, 5000 + 2 * 3000000);  // no wait after the stop
    }
}

TEST(StepPlayer, ProgramsWithoutEnabledStepsWriteNothingAndFailedWritesEndTheRun) {
    for (const int64_t passes : {1, 0}) {
        FakeClock clock;
        RecordingPort port(clock);
        const PlaySummary s = StepPlayer(clock, port).Play(Program({{false, 1, 10, ""}}), Passes(passes, 9));
        // Once: done at once. Endless: nothing spins, the run waits for its stop.
        EXPECT_EQ(s.end, passes ? RunEnd::Completed : RunEnd::Stopped);
        EXPECT_EQ(port.Bytes(), passes ? std::vector<int>{} : std::vector<int>{9});
    }
    FakeClock clock;
    RecordingPort port(clock);
    port.failAt = 2;
    const PlaySummary s = StepPlayer(clock, port).Play(Program({{true, 1, 1, ""}, {true, 2, 1, ""}, {true, 3, 1, ""}}), Passes(1, 0));
    EXPECT_EQ(s.end, RunEnd::PortFailed);
    EXPECT_EQ(s.error, "port gone");
    EXPECT_EQ(port.Bytes(), std::vector<int>{1});  // no stop byte on a failed port
}

TEST(LatenessStats, NinetyNinthPercentileAndWorst) {
    LatenessStats fine, coarse;
    for (int i = 1; i <= 1000; ++i) fine.Add(i % 100 == 0 ? 900 : 10);  // 1 % at 900
    for (int i = 1; i <= 200; ++i) coarse.Add(i <= 196 ? 40 : i < 200 ? 2050 : 5000);
    EXPECT_EQ(fine.P99(), 10);
    EXPECT_EQ(fine.Max(), 900);
    EXPECT_EQ(coarse.P99(), 2099);  // above 1 ms, rounded up to the next 100 us
    EXPECT_EQ(coarse.Max(), 5000);
}

}  // namespace
}  // namespace quelmar::player
