// The Linux player's run: plays a step program on a port, each enabled step's
// byte written and held until its deadline, passes repeated as asked. The
// clock, the port and whoever watches the run are seams, so the same stepping
// runs on the real monotonic clock and ppdev, or on a fake clock in tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "player/lateness_stats.h"
#include "sequencer/program_file.h"

namespace quelmar::player {

// Time as the run sees it, and the wait for a deadline.
class RunClock {
public:
    virtual ~RunClock() = default;
    virtual int64_t NowMicro() = 0;
    // Waits until `deadlineMicro`; false when a stop was requested first
    // (the wait then ends at once, mid-step).
    virtual bool WaitUntil(int64_t deadlineMicro) = 0;
    // True once a stop has been requested; checked before every write.
    virtual bool StopRequested() = 0;
};

// Where the bytes go. A failed write ends the run.
class RunPort {
public:
    virtual ~RunPort() = default;
    // False with `error` set when the byte could not be written.
    virtual bool Write(uint8_t value, std::string& error) = 0;
};

// Told of every write, from the timing path: keep it short.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // `step` is the step's number (1-based), `pass` counts from 1.
    virtual void OnWrite(int64_t pass, int step, uint8_t value, int64_t latenessMicro) = 0;
};

struct RunSettings {
    int64_t passes = 1;                   // 0: again and again until stopped
    std::optional<uint8_t> stopByte;      // written when a run is stopped; none: keep the last byte
};

enum class RunEnd {
    Completed,   // every pass played
    Stopped,     // a stop request ended it
    PortFailed,  // a write failed; `error` says why
};

struct RunSummary {
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

    StepPlayer(RunClock& clock, RunPort& port, RunObserver* observer = nullptr)
        : clock_(clock), port_(port), observer_(observer) {}

    // Plays steps 1..NumSteps of `program`. Deadlines are counted from the
    // first write, so the holds add up to the programmed total.
    RunSummary Play(const ProgramImage& program, const RunSettings& settings);

    // The total of the enabled steps' durations in one pass, in milliseconds.
    static int64_t PassDurationMs(const ProgramImage& program);

private:
    RunClock& clock_;
    RunPort& port_;
    RunObserver* observer_;
};

}  // namespace quelmar::player
