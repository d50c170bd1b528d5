// quelmar-play as a whole: options, program file, port, real-time set-up, the
// run, its status line, summary and exit code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "player/monotonic_clock.h"
#include "player/step_player.h"

namespace quelmar::player {

constexpr int kExitComplete = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitPortUnusable = 2;

// The simulated port: takes every byte and keeps the last one.
class SimulatedPort : public RunPort {
public:
    bool Write(uint8_t value, std::string&) override {
        last_ = value;
        return true;
    }
    uint8_t Last() const { return last_; }

private:
    uint8_t last_ = 0;
};

// Appends each write that reaches `port` to the trace file as one line,
// timed in microseconds from when the trace was opened.
class TracingPort : public RunPort {
public:
    TracingPort(RunPort& port, RunWaiter& clock, uint16_t address) : port_(port), clock_(clock), address_(address) {}
    ~TracingPort() override;
    TracingPort(const TracingPort&) = delete;
    TracingPort& operator=(const TracingPort&) = delete;

    // False with `error` when the file cannot be opened for appending.
    bool Open(const std::string& path, std::string& error);
    bool Write(uint8_t value, std::string& error) override;

private:
    RunPort& port_;
    RunWaiter& clock_;
    uint16_t address_;
    int fd_ = -1;
    int64_t start_ = 0;
    std::string path_;
};

// The status line on a terminal: drawn in a wait's spare time, at most ten
// times a second, from what the writes left behind.
class StatusLine : public RunObserver, public SpareTimeTask {
public:
    StatusLine(std::FILE* out, int steps, int64_t totalMicro, int64_t startMicro)
        : out_(out), steps_(steps), totalMicro_(totalMicro), start_(startMicro) {}
    void OnStepWritten(int64_t pass, int step, uint8_t value, int64_t latenessMicro) override;
    void OnSpareTime(int64_t nowMicro) override;
    // Clears the line before the summary.
    void Clear();
    // The text of the line.
    std::string Text(int64_t nowMicro) const;

private:
    std::FILE* out_;
    int steps_;
    int64_t totalMicro_;  // 0: endless
    int64_t start_;
    int64_t pass_ = 0;
    int step_ = 0;
    uint8_t value_ = 0;
    int64_t worst_ = 0;
    int64_t lastDraw_ = INT64_MIN / 2;
    bool drawn_ = false;
};

// The summary printed at the end of a run.
std::string SummaryText(const PlaySummary& summary, int stopSignal);

// The whole program; `arguments` without the program's name.
int RunQuelmarPlay(const std::vector<std::string>& arguments);

}  // namespace quelmar::player
