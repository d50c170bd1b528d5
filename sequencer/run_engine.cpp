#include "sequencer/run_engine.h"

#include <algorithm>

namespace quelmar {
namespace {

// In a precise hold, no event is begun closer than this to its end: one
// (a repaint) may take some hundreds of microseconds on a busy machine.
constexpr int64_t kEventReserveMicro = 500;

// The probe sleeps before a precise run, so that its first holds already
// know how late this system's fine sleep wakes.
constexpr int kProbeSleeps = 3;
constexpr int64_t kProbeSleepMicro = 200;

int StepsOf(RunProgram& program) { return std::clamp(program.StepCount(), 0, kMaxSteps); }

}  // namespace

int64_t RunEngine::PassDurationMs(RunProgram& program) {
    int64_t total = 0;
    for (int i = 1, n = StepsOf(program); i <= n; ++i) {
        const StepRec s = program.Step(i);
        if (s.Abilitato) total += HeldMs(s.Durata);
    }
    return total;
}

RunSummary RunEngine::Play(const RunSettings& settings) {
    settings_ = settings;
    summary_ = RunSummary{};
    grid_ = StepGrid(settings.catchUpMicro);
    precise_ = settings.fixedMarginMicro < 0 ? PrecisePacing() : PrecisePacing(settings.fixedMarginMicro);
    if (settings.pacing == RunPacing::Precise) ProbeFineSleep();

    for (int64_t pass = 1; settings.passes == 0 || pass <= settings.passes; ++pass) {
        int64_t wrote = 0;
        if (!PlayPass(pass, wrote)) return summary_;
        ++summary_.passesCompleted;
        if (wrote == 0) {
            // Nothing is enabled: a counted run is over at once, an endless
            // one waits for its stop instead of spinning through empty passes.
            if (settings.passes != 0) {
                summary_.passesCompleted = settings.passes;
                return summary_;
            }
            waiter_.WaitForStop();
            summary_.end = waiter_.MustEnd() ? RunEnd::Unwound : RunEnd::Stopped;
            return summary_;
        }
        // A precise pass took the user's events after each write; between
        // passes they would only delay the next pass's first write.
        if (settings.pacing != RunPacing::Precise) waiter_.ServePending();
        if (waiter_.MustEnd()) {
            summary_.end = RunEnd::Unwound;
            return summary_;
        }
    }
    return summary_;
}

bool RunEngine::PlayPass(int64_t pass, int64_t& wrote) {
    for (int i = 1, n = StepsOf(program_); i <= n; ++i) {
        if (waiter_.MustEnd()) {
            summary_.end = RunEnd::Unwound;
            return false;
        }
        // A copy: handlers that run during the hold may edit the step.
        const StepRec step = program_.Step(i);
        if (step.Abilitato) {
            if (waiter_.StopRequested()) {
                summary_.end = RunEnd::Stopped;
                return false;
            }
            if (!port_.Write(step.Bit, summary_.error)) {
                summary_.end = RunEnd::PortFailed;
                return false;
            }
            ++summary_.writes;
            ++wrote;
            // The hold counts from the write, so its timer is armed before
            // the observer shows the step.
            const int64_t held = HeldMs(step.Durata);
            const StepGrid::Start start = grid_.Begin(waiter_.NowMicro(), held);
            if (start.recounted) ++summary_.recounts;
            const Hold hold = BeginHold(held, start);
            if (observer_) observer_->OnStepWritten(pass, i, step.Bit, start.latenessMicro);
            // The write came first; the user's events are taken now, in the
            // time before the spin, never between the spin and the next write.
            if (settings_.pacing == RunPacing::Precise) waiter_.ServeBefore(hold.deadline - kEventReserveMicro);
            if (!FinishHold(hold)) grid_.Interrupt();
            if (observer_) observer_->OnHoldEnded();
        }
        if (settings_.pacing != RunPacing::Precise) waiter_.ServePending();
        if (!Boundary()) return false;
    }
    return true;
}

bool RunEngine::Boundary() {
    if (waiter_.MustEnd()) {
        summary_.end = RunEnd::Unwound;
        return false;
    }
    if (waiter_.StopRequested()) {
        summary_.end = RunEnd::Stopped;
        return false;
    }
    return true;
}

RunEngine::Hold RunEngine::BeginHold(int64_t heldMs, const StepGrid::Start& start) {
    Hold hold;
    if (heldMs != 0) {
        const int64_t part = std::min(heldMs, kLongestArmingMs);
        if (settings_.pacing == RunPacing::Timer) hold = ArmTimerPart(part, start.carryMicro, heldMs - part);
        if (settings_.pacing == RunPacing::Precise) hold = ArmPrecise(start.deadline);
        hold.holds = true;
    }
    hold.deadline = start.deadline;
    return hold;
}

bool RunEngine::FinishHold(Hold hold) {
    if (!hold.holds) return true;
    switch (settings_.pacing) {
    case RunPacing::Timer: return FinishTimerHold(hold);
    case RunPacing::Precise: return FinishPreciseHold(hold);
    case RunPacing::Deadline: return waiter_.WaitUntil(hold.deadline);
    }
    return true;
}

RunEngine::Hold RunEngine::ArmTimerPart(int64_t partMs, int64_t carryMicro, int64_t restMs) {
    Hold hold;
    hold.restMs = restMs;
    hold.timerWanted = true;
    const int64_t interval = ArmedInterval(partMs, carryMicro);
    hold.partEnd = waiter_.NowMicro() + interval * 1000;
    hold.armed = waiter_.ArmTick(interval);
    return hold;
}

// Each part ends with its tick; without a timer it is counted on the clock,
// so that it still ends.
bool RunEngine::FinishTimerHold(Hold hold) {
    for (;;) {
        const bool waited = hold.armed ? waiter_.WaitForTick() : waiter_.WaitUntil(hold.partEnd);
        if (!waited || waiter_.MustEnd()) return false;
        if (hold.restMs <= 0) return true;
        const int64_t part = std::min(hold.restMs, kLongestArmingMs);
        hold = ArmTimerPart(part, 0, hold.restMs - part);
    }
}

// Arms the timer to tick the margin before `deadline`, when that leaves it
// anything to do; otherwise the hold is slept and spun (or already over).
RunEngine::Hold RunEngine::ArmPrecise(int64_t deadline) {
    Hold hold;
    hold.deadline = deadline;
    const int64_t now = waiter_.NowMicro();
    const PrecisePacing::NextMove next = precise_.Next(now, deadline);
    if (next.move != PrecisePacing::Move::Arm) return hold;
    hold.timerWanted = true;
    hold.tickDue = now + next.ms * 1000;
    hold.armed = waiter_.ArmTick(next.ms);
    return hold;
}

// Waits for the tick serving the user as the timer pacing does, then sleeps
// and spins to the deadline. Those serve nothing: they last about the margin,
// and an event handled in them would make the next write late.
bool RunEngine::FinishPreciseHold(Hold hold) {
    for (;;) {
        if (hold.armed) {
            if (!waiter_.WaitForTick()) return false;
            precise_.RecordTickLateness(waiter_.NowMicro() - hold.tickDue);
        } else if (hold.timerWanted) {
            // No timer to tick: the clock is waited on until the margin is all that is left.
            if (!waiter_.WaitUntil(hold.deadline - precise_.Margin())) return false;
        }
        if (waiter_.MustEnd()) return false;
        const PrecisePacing::NextMove next = precise_.Next(waiter_.NowMicro(), hold.deadline);
        if (next.move == PrecisePacing::Move::Done) return true;
        if (next.move == PrecisePacing::Move::Spin) {
            SleepThenSpin(hold.deadline);
            return true;
        }
        hold = ArmPrecise(hold.deadline);
    }
}

void RunEngine::SleepThenSpin(int64_t deadline) {
    const int64_t start = waiter_.NowMicro();
    const int64_t sleep = precise_.SleepBeforeSpin(deadline - start);
    if (sleep > 0 && waiter_.SleepFine(sleep)) precise_.RecordSleepOvershoot(waiter_.NowMicro() - start - sleep);
    waiter_.SpinUntil(deadline);
}

void RunEngine::ProbeFineSleep() {
    for (int i = 0; i < kProbeSleeps; ++i) {
        const int64_t start = waiter_.NowMicro();
        if (!waiter_.SleepFine(kProbeSleepMicro)) return;
        precise_.RecordSleepOvershoot(waiter_.NowMicro() - start - kProbeSleepMicro);
        // A sleep as coarse as that is not worth probing again: the holds spin.
        if (precise_.SpinGuard() >= PrecisePacing::kSpinGuardUnknown) return;
    }
}

}  // namespace quelmar
