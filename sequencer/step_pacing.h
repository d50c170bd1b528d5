// The grid a run's holds are counted on, and the arming of a timer that
// counts whole milliseconds and ticks a fraction of a millisecond after it is due.
//
// Each step is due when the hold of the step before ends: the deadlines are
// counted from the first write, so a late wake-up is made up by the holds
// after it and a long run does not drift. A write too late to catch up (the
// window was busy, the machine stalled, steps shorter than the timer can
// hold) starts a new count from itself instead of the following steps being
// cut short, or written in a burst, to catch up; so does a write that comes
// before it was due (a tick can come a little early).
#pragma once

#include <cstdint>

namespace quelmar {

// The longest single arming of a step timer, in ms: longer holds are waited
// out in parts, since the multimedia timer refuses delays above 65535 ms on
// some systems.
constexpr int64_t kLongestArmingMs = 60000;

// The milliseconds a step is held: 0 is no hold; a timer takes anything
// below 1 ms as 1 ms, so a negative duration (only a damaged or hand-made
// file has one) holds that too.
constexpr int64_t HeldMs(int32_t durationMs) { return durationMs == 0 ? 0 : durationMs < 1 ? 1 : durationMs; }

class StepGrid {
public:
    explicit StepGrid(int64_t catchUpMicro) : catchUp_(catchUpMicro) {}

    struct Start {
        int64_t latenessMicro;  // how late the write came (0 for the first, or an early one)
        int64_t carryMicro;     // the part of it this hold makes up: 0 when a new count began
        int64_t deadline;       // when the step's hold ends, on the same clock
        bool recounted;         // a write too late to catch up began a new count
    };
    // A step held `heldMs` was written at `nowMicro`.
    Start Begin(int64_t nowMicro, int64_t heldMs);

    // The hold was cut short: the next step starts a new count.
    void Interrupt() { counting_ = false; }

private:
    int64_t catchUp_;
    bool counting_ = false;
    int64_t due_ = 0;  // when the step just begun is due to end
};

// The timer's interval for a wait of `partMs` that started `latenessMicro` late.
int64_t ArmedInterval(int64_t partMs, int64_t latenessMicro);

}  // namespace quelmar
