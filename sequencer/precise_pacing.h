// Pacing of a run whose holds are finished on the performance counter.
//
// Each step's hold ends at a deadline on the run's grid (step_pacing.h), so
// the holds add up to the programmed total however late each tick arrives. The multimedia
// timer is armed for the time left less a margin; its tick hands over to the
// end of the hold: a sleep finer than the timer's milliseconds where the
// system has one, then a spin on the counter that ends at the deadline.
// Neither begins before that tick, except for a hold too short to arm the
// timer for at all; a tick that comes after the deadline ends the hold at once.
//
// The margin learns from the ticks of the run: it is the latest recent tick
// (a peak that fades a little with every tick after it) plus a guard, kept
// between a floor and a ceiling. Since the margin is mostly slept, the floor
// is generous: a late tick, not the margin, is what costs a late write.
//
// Only the last part of the hold is spun. The spin guard is the second-latest
// of the sleep's recent overshoots plus a little, learned from a few probe
// sleeps before the run and from every sleep in it: one sleep woken very late
// (the machine was busy) does not make the steps after it spin for long.
// Where the sleep is coarse, the guard grows past what is left and the whole
// rest is spun, as without a sleep.
//
// A margin given at construction stays fixed and is spun whole, for measuring
// against the learned pacing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quelmar {

class PrecisePacing {
public:
    // Microseconds left after the tick at the start of a run, before any
    // tick was seen.
    static constexpr int64_t kStartMargin = 2500;
    // A step written further than this past its due start (the window was
    // busy, or a stop request re-armed the timer) starts a new count instead
    // of the steps after it being cut short to catch up.
    static constexpr int64_t kCatchUpMicro = 2000;

    // The learned margin: it starts at kStartMargin and follows the ticks seen.
    static constexpr int64_t kMarginFloor = 2000;
    static constexpr int64_t kMarginGuard = 200;
    static constexpr int64_t kMarginCeiling = 5000;
    // How much of a late tick's peak is forgotten at each tick after it.
    static constexpr int64_t kPeakFade = 20;

    // The spin guard after a fine sleep, learned from its recent overshoots.
    static constexpr std::size_t kRecentSleeps = 32;
    static constexpr int64_t kSpinGuardFloor = 100;
    static constexpr int64_t kSpinGuardExtra = 60;
    // Before any sleep was seen: spin the whole rest.
    static constexpr int64_t kSpinGuardUnknown = kMarginCeiling;
    // A sleep shorter than this is not worth its system call.
    static constexpr int64_t kShortestSleep = 100;

    PrecisePacing() : margin_(kStartMargin), adaptive_(true) {}
    explicit PrecisePacing(int64_t margin) : margin_(margin < 0 ? 0 : margin), adaptive_(false) {}

    int64_t Margin() const { return margin_; }

    // A new run: the margin and the spin guard start afresh.
    void Restart() {
        if (adaptive_) {
            margin_ = kStartMargin;
            peak_ = kNone;
            spinGuard_ = kSpinGuardUnknown;
            sleepsSeen_ = 0;
        }
    }
    // A tick came `lateMicro` after the time it was armed for (negative:
    // early). Sets the margin for the holds after it.
    void RecordTickLateness(int64_t lateMicro);
    // A fine sleep of the rest of a hold ended `overMicro` after it was due.
    // Sets the spin guard for the sleeps after it.
    void RecordSleepOvershoot(int64_t overMicro);
    // How long to sleep of the `restMicro` left to a deadline before
    // spinning the rest: 0 to spin it all.
    int64_t SleepBeforeSpin(int64_t restMicro) const;
    int64_t SpinGuard() const { return spinGuard_; }

    // What the wait does next at `nowMicro` for a hold ending at `deadline`.
    // Asked when the hold begins and after each tick, never in between.
    enum class Move {
        Done,  // the deadline has passed: the hold is over
        Arm,   // arm the timer for `ms` and wait for its tick
        Spin,  // (sleep and) spin on the counter to the deadline
    };
    struct NextMove {
        Move move;
        int64_t ms;  // the timer's interval for Arm; 0 otherwise
    };
    NextMove Next(int64_t nowMicro, int64_t deadline) const;

private:
    static constexpr int64_t kNone = INT64_MIN;
    int64_t margin_;
    bool adaptive_;
    int64_t peak_ = kNone;  // the latest recent tick, fading
    int64_t spinGuard_ = kSpinGuardUnknown;
    std::array<int64_t, kRecentSleeps> overshoots_{};  // a ring of the latest sleeps'
    std::size_t sleepsSeen_ = 0;
};

}  // namespace quelmar
