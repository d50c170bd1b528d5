// The Linux player's run: the run engine paced by the clock's own sleeps to
// each deadline, the lateness of every write gathered, and the stop byte
// written when a stop ends the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "player/lateness_stats.h"
#include "sequencer/program_file.h"
#include "sequencer/run_engine.h"

namespace quelmar::player {

// The run's seams are the engine's: the port, the clock that waits (here
// the monotonic clock and its sleeps) and the observer of each write.
using quelmar::RunEnd;
using quelmar::RunObserver;
using quelmar::RunPort;
using quelmar::RunWaiter;

struct PlaySettings {
    int64_t passes = 1;                   // 0: again and again until stopped
    std::optional<uint8_t> stopByte;      // written when a run is stopped; none: keep the last byte
};

struct PlaySummary {
    RunEnd end = RunEnd::Completed;
    int64_t writes = 0;           // step bytes written (the stop byte not counted)
    int64_t passesCompleted = 0;
    int64_t resyncs = 0;          // writes so late that the deadlines started again from them
    bool stopByteWritten = false;
    LatenessStats lateness;
    std::string error;
};

// The passes that the program's loop flag and the command line's choices ask for:
// `override` as given by --loop (0), --once (1) or --repeat N; none: the file's flag.
int64_t PassesFor(const TestataRec& testata, std::optional<int64_t> override);

class StepPlayer {
public:
    // A write later than this starts the deadlines again from itself.
    static constexpr int64_t kResyncMicro = 1000000;

    StepPlayer(RunWaiter& clock, RunPort& port, RunObserver* observer = nullptr)
        : clock_(clock), port_(port), observer_(observer) {}

    // Plays steps 1..NumSteps of `program`. Deadlines are counted from the
    // first write, so the holds add up to the programmed total.
    PlaySummary Play(const ProgramImage& program, const PlaySettings& settings);

    // The total of the enabled steps' durations in one pass, in milliseconds.
    static int64_t PassDurationMs(const ProgramImage& program);

private:
    RunWaiter& clock_;
    RunPort& port_;
    RunObserver* observer_;
};

}  // namespace quelmar::player
