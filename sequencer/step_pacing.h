// The pacing of a run's step holds on a timer that counts whole milliseconds
// and ticks a fraction of a millisecond after it is due.
//
// Each step starts a little after the one before was due to end. Once that
// lateness adds up to a whole millisecond a step is armed one millisecond
// shorter, and what is left carries on to the next step: every hold stays
// right within the timer's resolution and a long run does not drift. A step
// that starts more than `kRecuperoMassimo` after it was due (the window was
// busy, or steps shorter than the timer can hold) starts a new count instead
// of the following steps being cut short to catch up.
#pragma once

#include <cstdint>

namespace quelmar {

class Cadenza {
public:
    static constexpr int64_t kRecuperoMassimo = 2000;  // microseconds

    // A new run: the next step starts a new count.
    void Riparti() { fineDovuta_ = 0; }

    // A step of `durataMs` written at `adessoMicro`: returns how late it
    // started (microseconds, 0 at the start of a count) and counts its hold.
    int64_t Inizio(int64_t adessoMicro, int64_t durataMs);

    // The step's wait was cut short: the next step starts a new count.
    void Interrotta() { fineDovuta_ = 0; }

private:
    int64_t fineDovuta_ = 0;  // when the step just started is due to end; 0: no count
};

// The timer's interval for a wait of `parteMs` that started `ritardoMicro` late.
int64_t IntervalloArmato(int64_t parteMs, int64_t ritardoMicro);

}  // namespace quelmar
