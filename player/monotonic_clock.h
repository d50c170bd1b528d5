// The real clock of a run: CLOCK_MONOTONIC, waits that sleep to an absolute
// time shortly before the deadline and spin the rest, and SIGINT/SIGTERM as
// the stop request that ends a wait at once.
#pragma once

#include <csignal>
#include <cstdint>

#include "player/step_player.h"

namespace quelmar::player {

// Done while a wait has time to spare (the status line): called only in the
// coarse part of a wait, never in the spin before a deadline.
class SpareTimeTask {
public:
    virtual ~SpareTimeTask() = default;
    virtual void OnSpareTime(int64_t nowMicro) = 0;
};

// How long before a deadline the sleep ends and the spin begins: sized from
// how late the sleeps of this machine wake, measured at start and kept up to
// date with every wake-up.
class SpinMargin {
public:
    static constexpr int64_t kLeast = 20;     // microseconds
    static constexpr int64_t kMost = 2000;
    explicit SpinMargin(int64_t start = 200) : margin_(Bound(start)) {}
    int64_t Micro() const { return margin_; }
    // A sleep woke `overshootMicro` after the time it was set for.
    void Woke(int64_t overshootMicro);

private:
    static int64_t Bound(int64_t m) { return m < kLeast ? kLeast : m > kMost ? kMost : m; }
    int64_t margin_;
};

class MonotonicClock : public RunWaiter {
public:
    // Installs the SIGINT/SIGTERM handlers (without SA_RESTART) and measures
    // the sleeps' wake-up lateness to size the spin.
    MonotonicClock();
    ~MonotonicClock() override;
    MonotonicClock(const MonotonicClock&) = delete;
    MonotonicClock& operator=(const MonotonicClock&) = delete;

    int64_t NowMicro() override;
    bool WaitUntil(int64_t deadlineMicro) override;
    bool StopRequested() override;

    // The signal that asked for the stop, 0 when none.
    static int StopSignal();
    void SetSpareTimeTask(SpareTimeTask* task) { spare_ = task; }
    int64_t SpinMicro() const { return margin_.Micro(); }

private:
    SpinMargin margin_;
    SpareTimeTask* spare_ = nullptr;
    struct sigaction oldInt_ {}, oldTerm_ {};
};

// Timer slack of 1 ns and, unless `wanted` is false, SCHED_FIFO and locked
// memory. Returns "" or one line saying what could not be had.
std::string TakeRealTime(bool wanted);

}  // namespace quelmar::player
