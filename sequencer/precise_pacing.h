// Pacing of a run whose holds are finished on the performance counter.
//
// Each step's hold ends at a deadline counted from the start of the run (the
// deadline of the step before plus the step's duration), so the holds add up
// to the programmed total however late each tick arrives. The multimedia
// timer is armed for the time left less a margin; its tick hands over to a
// spin on the counter that ends at the deadline. The spin never begins before
// that tick, except for a hold too short to arm the timer for at all, which is
// spun whole; a tick that comes after the deadline ends the hold at once.
//
// The margin learns from the ticks of the run: it is the latest recent tick
// (a peak that fades a little with every tick after it) plus a guard, kept
// between a floor and a ceiling, so the spin is no longer than the timer's
// own lateness on this machine needs. A margin given at construction stays fixed.
#pragma once

#include <cstdint>

namespace quelmar {

class PassoPreciso {
public:
    // Microseconds left to spin after the tick. Above the timer's usual
    // lateness on an emulated, loaded machine (measured by the run bench).
    static constexpr int64_t kMargine = 1500;
    // A step written further than this past its due start (the window was
    // busy, or a stop request re-armed the timer) starts a new count instead
    // of the steps after it being cut short to catch up.
    static constexpr int64_t kRecuperoMassimo = 2000;
    // The longest single arming of the timer, in ms.
    static constexpr int64_t kParteMassima = 60000;

    // The learned margin: it starts at kMargine and follows the ticks seen.
    static constexpr int64_t kMarginFloor = 300;
    static constexpr int64_t kMarginGuard = 200;
    static constexpr int64_t kMarginCeiling = 5000;
    // How much of a late tick's peak is forgotten at each tick after it.
    static constexpr int64_t kPeakFade = 20;

    PassoPreciso() : margine_(kMargine), adaptive_(true) {}
    explicit PassoPreciso(int64_t margine) : margine_(margine < 0 ? 0 : margine), adaptive_(false) {}

    int64_t Margine() const { return margine_; }

    // A new run: the next step starts a new count, and the margin starts afresh.
    void Riparti() {
        scadenza_ = kNessuna;
        if (adaptive_) {
            margine_ = kMargine;
            peak_ = kNessuna;
        }
    }
    // A tick came `lateMicro` after the time it was armed for (negative:
    // early). Sets the margin for the holds after it.
    void RecordTickLateness(int64_t lateMicro);
    // The step's wait was cut short: the next step starts a new count.
    void Interrotta() { scadenza_ = kNessuna; }

    // A step of `durataMs` whose byte was written at `adessoMicro`: returns
    // the deadline (microseconds on the same clock) at which its hold ends.
    int64_t Scadenza(int64_t adessoMicro, int64_t durataMs);

    // What the wait does next at `adessoMicro` for a hold ending at `scadenza`.
    // Called when the hold begins and after each tick, never in between.
    enum class Mossa {
        Fatto,  // the deadline has passed: the hold is over
        Arma,   // arm the timer for `ms` and wait for its tick
        Gira,   // spin on the counter to the deadline
    };
    struct Prossima {
        Mossa mossa;
        int64_t ms;  // the timer's interval for Arma; 0 otherwise
    };
    Prossima Dopo(int64_t adessoMicro, int64_t scadenza) const;

private:
    static constexpr int64_t kNessuna = INT64_MIN;
    int64_t margine_;
    bool adaptive_;
    int64_t peak_ = kNessuna;      // the latest recent tick, fading
    int64_t scadenza_ = kNessuna;  // the deadline of the step just started
};

}  // namespace quelmar
