// The Linux player's run.
#include "player/step_player.h"

#include <algorithm>
#include <climits>


namespace quelmar::player {

namespace {

int StepsOf(const ProgramImage& program) {
    return std::clamp<int>(program.Testata.NumSteps, 0, kMaxSteps);
}

}  // namespace

int64_t PassesFor(const TestataRec& testata, std::optional<int64_t> override) {
    if (override) return *override;
    return testata.Loop ? 0 : 1;
}

int64_t StepPlayer::PassDurationMs(const ProgramImage& program) {
    int64_t total = 0;
    for (int i = 1; i <= StepsOf(program); ++i) {
        const StepRec& s = program.Steps(i);
        if (s.Abilitato && s.Durata > 0) total += s.Durata;
    }
    return total;
}

RunSummary StepPlayer::Play(const ProgramImage& program, const RunSettings& settings) {
    RunSummary summary;
    const int steps = StepsOf(program);
    bool anyEnabled = false;
    for (int i = 1; i <= steps; ++i) anyEnabled = anyEnabled || program.Steps(i).Abilitato;

    // Each step is due when the one before ends, on a grid counted from the
    // first write: a late wake-up is made up by the following holds, so the
    // run does not drift however many steps and passes it plays.
    bool stopped = false;
    bool hasDue = false;
    int64_t due = 0;

    auto playPass = [&](int64_t pass) -> bool {
        for (int i = 1; i <= steps; ++i) {
            const StepRec& s = program.Steps(i);
            if (!s.Abilitato) continue;
            if (clock_.StopRequested()) {
                stopped = true;
                return false;
            }
            const int64_t now = clock_.NowMicro();
            const int64_t late = hasDue && now > due ? now - due : 0;
            if (!port_.Write(s.Bit, summary.error)) {
                summary.end = RunEnd::PortFailed;
                return false;
            }
            ++summary.writes;
            summary.lateness.Add(late);
            if (observer_) observer_->OnWrite(pass, i, s.Bit, late);
            if (!hasDue || late > kResyncMicro) {
                // The first write starts the grid; one far behind it (the
                // process was stopped, or starved by a busy machine) starts a new
                // one instead of the missed steps being written in a burst.
                if (hasDue) ++summary.resyncs;
                due = now;
                hasDue = true;
            }
            due += s.Durata > 0 ? int64_t{s.Durata} * 1000 : 0;
            if (s.Durata > 0 && !clock_.WaitUntil(due)) {
                stopped = true;
                return false;
            }
        }
        return true;
    };

    if (!anyEnabled) {
        // Nothing to write: a single run ends at once, an endless one waits
        // for its stop instead of spinning through empty passes.
        if (settings.passes != 0) {
            summary.passesCompleted = settings.passes;
            return summary;
        }
        clock_.WaitUntil(INT64_MAX);
        stopped = true;
    } else {
        for (int64_t pass = 1; settings.passes == 0 || pass <= settings.passes; ++pass) {
            if (!playPass(pass)) break;
            ++summary.passesCompleted;
        }
    }

    if (summary.end == RunEnd::PortFailed) return summary;
    if (stopped) {
        summary.end = RunEnd::Stopped;
        if (settings.stopByte) {
            std::string error;
            if (port_.Write(*settings.stopByte, error))
                summary.stopByteWritten = true;
            else
                summary.error = error;
        }
    }
    return summary;
}

}  // namespace quelmar::player
