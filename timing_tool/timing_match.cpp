// Trace-to-program matching and hold statistics.
#include "timing_tool/timing_match.h"

#include <algorithm>
#include <cstdio>

namespace quelmar::timing {
namespace {

std::string ByteText(uint8_t b) {
    char s[8];
    std::snprintf(s, sizeof s, "0x%02X", b);
    return s;
}

std::string DescribeStep(const EnabledStep& p) {
    return "step " + std::to_string(p.Number) + " (byte " + ByteText(p.Bit) + ", " + std::to_string(p.DurationMs) +
           " ms)";
}

// Nearest-rank percentile of sorted values.
int64_t Percentile(const std::vector<int64_t>& sorted, int p) {
    if (sorted.empty()) return 0;
    size_t i = (sorted.size() * static_cast<size_t>(p) + 99) / 100;
    if (i > 0) --i;
    return sorted[std::min(i, sorted.size() - 1)];
}

int64_t Absolute(int64_t v) { return v < 0 ? -v : v; }

// Where one write to the port stands against the run being matched.
struct WriteVerdict {
    std::string newRun;             // why the write starts a new run; empty: it continues the run
    int expected = 0;               // the enabled step a continuing write must play
    bool afterCompleteRun = false;  // a run without loop has written its last step
    bool backToBack = false;        // ... and this write comes as soon as its hold ended
};

// Walks the writes to the program's port once, run by run.
class TraceMatcher {
public:
    TraceMatcher(const ProgramImage& program, const std::vector<PortWrite>& writes, std::optional<uint16_t> port,
                 const MatchOptions& options)
        : options_(options) {
        m_.Loop = options.Loop.value_or(program.Testata.Loop != 0);
        m_.LoopOverridden = options.Loop.has_value();
        m_.EnabledSteps = FindEnabledSteps(program);
        m_.Port = ProgramPort(writes, port);
        count_ = static_cast<int>(m_.EnabledSteps.size());
    }

    TraceMatch Match(const std::vector<PortWrite>& writes) {
        for (const PortWrite& w : writes) {
            if (w.Address != m_.Port) {
                ++m_.OtherWrites;
                continue;
            }
            ++m_.WritesToPort;
            if (count_ == 0)
                return Fail(w, "the program has no enabled step, but the trace writes " + ByteText(w.Value));
            const WriteVerdict v = Judge(w);
            const std::string stray = StrayReason(w, v);
            if (!stray.empty()) {
                if (options_.Strict) return Fail(w, stray);
                // The matching goes on as if the write had not been there.
                m_.Strays.push_back({w.Line, w.Value, w.Micro, stray});
                continue;
            }
            if (!v.newRun.empty())
                StartRun(v);
            else
                ContinueRun(w);
            RecordPlayed(w, v.newRun.empty() ? v.expected : 0);
        }
        return Finish();
    }

private:
    const EnabledStep& Step(int i) const { return m_.EnabledSteps[static_cast<size_t>(i)]; }
    int64_t PlannedMicro(int i) const { return int64_t{Step(i).DurationMs} * 1000; }

    WriteVerdict Judge(const PortWrite& w) const {
        WriteVerdict v;
        v.expected = next_;
        if (!previous_) {
            v.newRun = "first write";
            return v;
        }
        if (w.Micro < previous_->Micro) {
            v.newRun = "the time starts again (another process traced)";
            return v;
        }
        if (v.expected == count_) v.expected = 0;
        const PlayedStep& last = m_.Played.back();
        const int64_t due = last.Micro + PlannedMicro(last.Step);
        const uint8_t first = Step(0).Bit;
        if (next_ == count_ && !m_.Loop) {
            v.afterCompleteRun = true;
            v.newRun = "after the end of the run before";
            v.backToBack = w.Micro - due <= kNewRunPause;
        } else if (w.Value == first && v.expected != 0 && w.Value != Step(v.expected).Bit) {
            v.newRun = "the run before was stopped";
        } else if (w.Value == first && w.Micro - due > kNewRunPause) {
            v.newRun = "a pause of " + std::to_string((w.Micro - due) / 1000) + " ms after the run before";
        }
        return v;
    }

    // Why the write belongs to no run; empty when it plays a step.
    std::string StrayReason(const PortWrite& w, const WriteVerdict& v) const {
        const std::string written = ", but the trace writes " + ByteText(w.Value);
        if (!v.newRun.empty()) {
            if (w.Value == Step(0).Bit) return "";
            return (v.afterCompleteRun ? "the run before ended with its last step; a new run starts with "
                                       : "a run starts with ") +
                   DescribeStep(Step(0)) + written;
        }
        if (w.Value == Step(v.expected).Bit) return "";
        std::string reason = "run " + std::to_string(m_.Runs.size()) + ", pass " +
                             std::to_string(m_.Runs.back().Passes + (next_ == count_ ? 1 : 0)) + ": expected " +
                             DescribeStep(Step(v.expected));
        if (v.expected != 0) reason += " or a new run from " + DescribeStep(Step(0));
        return reason + written;
    }

    void StartRun(const WriteVerdict& v) {
        if (!m_.Runs.empty()) m_.Runs.back().End = m_.Played.size();
        if (v.backToBack) ++m_.BackToBackRuns;
        PlayedRun r;
        r.First = m_.Played.size();
        r.StartReason = v.newRun;
        m_.Runs.push_back(r);
    }

    // The write ends the hold of the run's step before it.
    void ContinueRun(const PortWrite& w) {
        if (next_ == count_) ++m_.Runs.back().Passes;
        PlayedStep& last = m_.Played.back();
        last.Measured = true;
        last.HoldMicro = w.Micro - last.Micro;
        last.ErrorMicro = last.HoldMicro - PlannedMicro(last.Step);
    }

    void RecordPlayed(const PortWrite& w, int step) {
        PlayedStep p;
        p.Line = w.Line;
        p.Run = static_cast<int>(m_.Runs.size());
        p.Pass = m_.Runs.back().Passes;
        p.Step = step;
        p.Micro = w.Micro;
        m_.Played.push_back(p);
        next_ = step + 1;
        m_.Runs.back().Complete = !m_.Loop && next_ == count_;
        previous_ = &w;
    }

    TraceMatch Fail(const PortWrite& w, const std::string& why) {
        m_.Fits = false;
        m_.Divergence = "line " + std::to_string(w.Line) + ": " + why;
        return m_;
    }

    TraceMatch Finish() {
        if (m_.Played.empty()) {
            m_.Fits = false;
            m_.Divergence = NoRunDivergence();
            return m_;
        }
        m_.Runs.back().End = m_.Played.size();
        m_.Fits = true;
        return m_;
    }

    std::string NoRunDivergence() const {
        char port[16];
        std::snprintf(port, sizeof port, "0x%04X", m_.Port);
        if (m_.Strays.empty()) return std::string("the trace has no write to the port ") + port;
        const StrayWrite& w = m_.Strays.front();
        return "no run of the program among the " + std::to_string(m_.Strays.size()) +
               (m_.Strays.size() == 1 ? " write" : " writes") + " to the port " + port + "; line " +
               std::to_string(w.Line) + ": " + w.Reason;
    }

    TraceMatch m_;
    MatchOptions options_;
    int count_ = 0;                       // enabled steps
    const PortWrite* previous_ = nullptr;  // the previous write of a run
    int next_ = 0;                        // index of the next enabled step in the current run
};

}  // namespace

std::vector<EnabledStep> FindEnabledSteps(const ProgramImage& program) {
    std::vector<EnabledStep> enabled;
    const int n = std::clamp<int>(program.Testata.NumSteps, 0, kMaxSteps);
    for (int i = 1; i <= n; ++i) {
        const StepRec& s = program.Steps(i);
        if (s.Abilitato) enabled.push_back({i, s.Bit, s.Durata});
    }
    return enabled;
}

uint16_t ProgramPort(const std::vector<PortWrite>& writes, std::optional<uint16_t> port) {
    if (port) return *port;
    std::vector<size_t> counts(0x10000);
    for (const PortWrite& w : writes) ++counts[w.Address];
    uint16_t chosen = 0;
    size_t most = 0;
    for (const PortWrite& w : writes) {
        const size_t n = counts[w.Address];
        if (n > most) {
            most = n;
            chosen = w.Address;
        }
    }
    return chosen;
}

TraceMatch MatchTrace(const ProgramImage& program, const std::vector<PortWrite>& writes,
                      std::optional<uint16_t> port, const MatchOptions& options) {
    return TraceMatcher(program, writes, port, options).Match(writes);
}

RunStatistics ComputeRunStatistics(const TraceMatch& m, const PlayedRun& run) {
    RunStatistics st;
    std::vector<int64_t> errors;
    std::vector<size_t> measured;
    for (size_t i = run.First; i < run.End; ++i) {
        const PlayedStep& p = m.Played[i];
        if (!p.Measured) continue;
        errors.push_back(Absolute(p.ErrorMicro));
        measured.push_back(i);
        st.Played += p.HoldMicro;
        st.Planned += int64_t{m.EnabledSteps[static_cast<size_t>(p.Step)].DurationMs} * 1000;
    }
    st.Measured = errors.size();
    std::sort(errors.begin(), errors.end());
    st.Median = Percentile(errors, 50);
    st.P99 = Percentile(errors, 99);
    st.Max = errors.empty() ? 0 : errors.back();
    const size_t k = std::min<size_t>(10, measured.size());
    // Worst first; among equal errors the earlier step first.
    std::partial_sort(measured.begin(), measured.begin() + static_cast<std::ptrdiff_t>(k), measured.end(),
                      [&m](size_t a, size_t b) {
                          const int64_t ea = Absolute(m.Played[a].ErrorMicro);
                          const int64_t eb = Absolute(m.Played[b].ErrorMicro);
                          return ea != eb ? ea > eb : a < b;
                      });
    st.Worst.assign(measured.begin(), measured.begin() + static_cast<std::ptrdiff_t>(k));
    return st;
}

}  // namespace quelmar::timing
