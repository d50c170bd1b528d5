// The Linux player's run.
#include "player/step_player.h"

namespace quelmar::player {

namespace {

// Gathers every write's lateness for the summary and passes the write on.
class LatenessRecorder : public RunObserver {
public:
    LatenessRecorder(LatenessStats& stats, RunObserver* next) : stats_(stats), next_(next) {}
    void OnStepWritten(int64_t pass, int step, uint8_t value, int64_t latenessMicro) override {
        stats_.Add(latenessMicro);
        if (next_) next_->OnStepWritten(pass, step, value, latenessMicro);
    }

private:
    LatenessStats& stats_;
    RunObserver* next_;
};

}  // namespace

int64_t PassesFor(const TestataRec& testata, std::optional<int64_t> override) {
    if (override) return *override;
    return testata.Loop ? 0 : 1;
}

int64_t StepPlayer::PassDurationMs(const ProgramImage& program) {
    ImageRunProgram steps(program);
    return RunEngine::PassDurationMs(steps);
}

PlaySummary StepPlayer::Play(const ProgramImage& program, const PlaySettings& settings) {
    PlaySummary summary;
    ImageRunProgram steps(program);
    LatenessRecorder recorder(summary.lateness, observer_);
    RunSettings run;
    run.passes = settings.passes;
    // The clock sleeps to each deadline itself. A write far behind its
    // deadline (the process was stopped, or starved by a busy machine)
    // starts a new count instead of the missed steps being written in a burst.
    run.pacing = RunPacing::Deadline;
    run.catchUpMicro = kResyncMicro;
    const RunSummary ran = RunEngine(steps, port_, clock_, &recorder).Play(run);
    summary.end = ran.end;
    summary.writes = ran.writes;
    summary.passesCompleted = ran.passesCompleted;
    summary.resyncs = ran.recounts;
    summary.error = ran.error;
    if (summary.end == RunEnd::Stopped && settings.stopByte) {
        std::string error;
        if (port_.Write(*settings.stopByte, error))
            summary.stopByteWritten = true;
        else
            summary.error = error;
    }
    return summary;
}

}  // namespace quelmar::player
