// Matching a port trace to the step program that produced it, and the timing
// figures of each run. Portable.
//
// The run engine writes each enabled step's byte, in order, and holds it for
// the step's duration; nothing is written when a run starts or ends. A run is
// therefore the enabled steps from the first on (again and again in loop
// mode), ended after any step by the stop button. The trace marks no run, so
// a write starts a new run when:
//   - it is the first write to the port;
//   - its time is below the write before (the clock counts from the
//     component's creation: another process appended to the same trace);
//   - a run without loop has written its last step;
//   - it is not the next step's byte but the first step's (the run before was
//     stopped after its last write);
//   - it is the first step's byte and comes over kNewRunPause after the
//     previous step's hold was due to end (the only way to tell a new run
//     from the next step when both write the same byte).
// Any other write that is not the next step's byte belongs to no run: a bit
// box, the Test button, a "W=" start or another program wrote the port. Such
// a stray write is listed and the matching goes on as if it had not been
// there; in strict mode it ends the matching instead: the trace does not fit.
// A trace fits when it holds at least one run (strict: and no stray write).
//
// A step's hold is the time from its write to the next write of the same run.
// The last step of a run has no following write, so its hold is not measured.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sequencer/program_file.h"
#include "timing_tool/port_trace_file.h"

namespace quelmar::timing {

constexpr int64_t kNewRunPause = 1000000;  // microseconds

// An enabled step of the program.
struct EnabledStep {
    int Number = 0;  // 1-based step number, as the editor shows it
    uint8_t Bit = 0;
    int32_t DurationMs = 0;
};

// One write matched to a step.
struct PlayedStep {
    uint32_t Line = 0;      // line of the trace
    int Run = 0;            // 1-based run
    int Pass = 0;           // 1-based pass of the run
    int Step = 0;           // index into TraceMatch::EnabledSteps
    int64_t Micro = 0;      // time of the write
    bool Measured = false;  // a following write of the same run exists
    int64_t HoldMicro = 0;
    int64_t ErrorMicro = 0;  // actual - planned
};

struct PlayedRun {
    size_t First = 0, End = 0;  // range [First, End) of TraceMatch::Played
    int Passes = 1;
    bool Complete = false;      // a run without loop that wrote its last step
    std::string StartReason;    // why the run was taken to start there
};

// A write to the port that belongs to no run.
struct StrayWrite {
    uint32_t Line = 0;
    uint8_t Value = 0;
    int64_t Micro = 0;
    std::string Reason;  // what a run expected there
};

struct MatchOptions {
    bool Strict = false;           // the first stray write ends the matching: the trace does not fit
    std::optional<bool> Loop;      // overrides the program file's loop flag
};

struct TraceMatch {
    bool Fits = false;
    std::string Divergence;         // when it does not fit: the first place they part
    uint16_t Port = 0;
    size_t WritesToPort = 0;
    size_t OtherWrites = 0;         // writes to other addresses, ignored
    bool Loop = false;
    bool LoopOverridden = false;    // Loop was given, not read from the file
    // Runs without loop that start as soon as the run before wrote its last
    // step and its hold ended: what a loop plays.
    size_t BackToBackRuns = 0;
    std::vector<StrayWrite> Strays;
    std::vector<EnabledStep> EnabledSteps;
    std::vector<PlayedStep> Played;
    std::vector<PlayedRun> Runs;
};

// The enabled steps among the program's first NumSteps.
std::vector<EnabledStep> FindEnabledSteps(const ProgramImage& program);

// The address the program wrote to: `port` when given, otherwise the one
// with the most writes (the earliest of them on a tie).
uint16_t ProgramPort(const std::vector<PortWrite>& writes, std::optional<uint16_t> port);

TraceMatch MatchTrace(const ProgramImage& program, const std::vector<PortWrite>& writes,
                      std::optional<uint16_t> port, const MatchOptions& options = {});

// Figures of one run's measured holds (microseconds).
struct RunStatistics {
    size_t Measured = 0;
    int64_t Median = 0, P99 = 0, Max = 0;  // of |actual - planned|
    int64_t Played = 0, Planned = 0;       // sums over the measured holds
    int64_t Drift() const { return Played - Planned; }
    std::vector<size_t> Worst;             // up to ten indices into Played, worst first
};

RunStatistics ComputeRunStatistics(const TraceMatch& m, const PlayedRun& run);

}  // namespace quelmar::timing
