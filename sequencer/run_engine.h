// The run engine: plays a step program on a port, each enabled step's byte
// written and held for its duration, once, a number of times or until stopped.
//
// Quelmar's main window and the Linux player run the same engine. What
// differs between them is behind three seams: the port the bytes go to, the
// waiter (the clock, the step timer, and the user's events taken while a hold
// lasts) and an observer told of each step. The engine decides everything
// else: which steps play, when a stop is honoured (at a step boundary), and
// how each hold is paced:
// - Timer: each hold is a tick of the step timer, armed in whole milliseconds
//   and shortened by a millisecond when the step started that late;
// - Precise: the timer ticks a margin before the deadline, the waiter's fine
//   sleep and a short spin on the clock end the hold exactly;
// - Deadline: the waiter sleeps to each deadline on its own clock.
#pragma once

#include <cstdint>
#include <string>

#include "sequencer/precise_pacing.h"
#include "sequencer/step_pacing.h"
#include "sequencer/program_file.h"

namespace quelmar {

// The program as the run reads it, step by step: a window's handlers may
// edit a step while another is held, and the next pass plays the edit.
class RunProgram {
public:
    virtual ~RunProgram() = default;
    virtual int StepCount() = 0;
    virtual StepRec Step(int number) = 0;  // 1-based
};

// A program image that stays as it is for the run.
class ImageRunProgram : public RunProgram {
public:
    explicit ImageRunProgram(const ProgramImage& image) : image_(image) {}
    int StepCount() override { return image_.Testata.NumSteps; }
    StepRec Step(int number) override { return image_.Steps(number); }

private:
    const ProgramImage& image_;
};

// Where the bytes go. A failed write ends the run.
class RunPort {
public:
    virtual ~RunPort() = default;
    // False with `error` set when the byte could not be written.
    virtual bool Write(uint8_t value, std::string& error) = 0;
};

// The clock, the step timer and the waits of a run. Every wait that serves
// the user returns false when it was cut short; the engine then asks
// MustEnd and StopRequested what to do.
class RunWaiter {
public:
    virtual ~RunWaiter() = default;
    virtual int64_t NowMicro() = 0;
    // Waits, serving the user, until the clock reaches `deadlineMicro`.
    virtual bool WaitUntil(int64_t deadlineMicro) = 0;
    // True once a stop was asked for: the run ends at the next step boundary.
    virtual bool StopRequested() = 0;
    // True when the run must unwind at once, whatever it is doing.
    virtual bool MustEnd() { return false; }

    // The step timer: armed to tick `ms` from now; false when there is none
    // to arm (the hold is then waited by the clock).
    virtual bool ArmTick(int64_t /*ms*/) { return false; }
    // Waits, serving the user, for the armed timer's tick.
    virtual bool WaitForTick() { return false; }
    // A sleep finer than a millisecond, never shorter than asked; false,
    // having slept nothing, where the system has none.
    virtual bool SleepFine(int64_t /*micro*/) { return false; }
    // Busy-waits to `deadlineMicro` (the end of a precise hold).
    virtual void SpinUntil(int64_t deadlineMicro) {
        while (NowMicro() < deadlineMicro) {
        }
    }
    // The user's pending events, all of them.
    virtual void ServePending() {}
    // The same, none begun at or past `untilMicro`, but at least one.
    virtual void ServeBefore(int64_t /*untilMicro*/) {}
    // Nothing to play until stopped: waits for the stop, serving the user.
    virtual void WaitForStop() { WaitUntil(INT64_MAX); }
};

// Told of each step of the run, from the timing path: keep it short.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // Step `step` (1-based) of pass `pass` (from 1) was written and its hold
    // begun; `latenessMicro` says how far past its due time it was written.
    virtual void OnStepWritten(int64_t /*pass*/, int /*step*/, uint8_t /*value*/, int64_t /*latenessMicro*/) {}
    // The step's hold is over: the next write follows.
    virtual void OnHoldEnded() {}
};

enum class RunPacing { Timer, Precise, Deadline };

struct RunSettings {
    int64_t passes = 1;  // 0: again and again until stopped
    RunPacing pacing = RunPacing::Deadline;
    // How late a write may come and still be made up by the holds after it.
    int64_t catchUpMicro = PrecisePacing::kCatchUpMicro;
    // Precise pacing: a fixed margin, spun whole; below 0 the learned one.
    int64_t fixedMarginMicro = -1;
};

enum class RunEnd {
    Completed,   // every pass played
    Stopped,     // a stop request ended it
    PortFailed,  // a write failed; `error` says why
    Unwound,     // MustEnd: the run was left wherever it was
};

struct RunSummary {
    RunEnd end = RunEnd::Completed;
    int64_t writes = 0;
    int64_t passesCompleted = 0;
    int64_t recounts = 0;  // writes too late to catch up, which began a new count
    std::string error;
};

class RunEngine {
public:
    RunEngine(RunProgram& program, RunPort& port, RunWaiter& waiter, RunObserver* observer = nullptr)
        : program_(program), port_(port), waiter_(waiter), observer_(observer) {}

    RunSummary Play(const RunSettings& settings);

    // The total of the enabled steps' holds in one pass, in milliseconds.
    static int64_t PassDurationMs(RunProgram& program);

private:
    // One step's hold once its byte is out: the part the timer is armed for.
    struct Hold {
        bool holds = false;       // false for a step of 0 ms
        int64_t deadline = 0;     // when the hold ends by the clock
        int64_t restMs = 0;       // Timer: what is left after the armed part
        int64_t partEnd = 0;      // Timer: when the armed part ends by the clock
        int64_t tickDue = 0;      // Precise: when the armed tick should come
        bool timerWanted = false;
        bool armed = false;
    };

    // False when the run ends in this pass; `wrote` counts its writes.
    bool PlayPass(int64_t pass, int64_t& wrote);
    // The step boundary: false (with the end set) when the run ends here.
    bool Boundary();
    Hold BeginHold(int64_t heldMs, const StepGrid::Start& start);
    bool FinishHold(Hold hold);
    Hold ArmTimerPart(int64_t partMs, int64_t carryMicro, int64_t restMs);
    bool FinishTimerHold(Hold hold);
    Hold ArmPrecise(int64_t deadline);
    bool FinishPreciseHold(Hold hold);
    void SleepThenSpin(int64_t deadline);
    void ProbeFineSleep();

    RunProgram& program_;
    RunPort& port_;
    RunWaiter& waiter_;
    RunObserver* observer_;
    RunSettings settings_;
    RunSummary summary_;
    StepGrid grid_{PrecisePacing::kCatchUpMicro};
    PrecisePacing precise_;
};

}  // namespace quelmar
