// quelmar-timing: reading the port trace, matching it to the program, and the
// figures of the report, on synthetic traces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "timing_tool/timing_match.h"
#include "timing_tool/timing_report.h"

namespace quelmar::timing {
namespace {

struct StepSpec {
    bool enabled;
    uint8_t bit;
    int32_t ms;
};

ProgramImage Program(const std::vector<StepSpec>& steps, bool loop = false) {
    ProgramImage p;
    p.Testata.NumSteps = static_cast<int16_t>(steps.size());
    p.Testata.Loop = loop;
    for (size_t i = 0; i < steps.size(); ++i)
        p.Steps(static_cast<int>(i + 1)) = {steps[i].enabled, steps[i].bit, steps[i].ms, ""};
    return p;
}

// Lines "T 0x0378 V": each write `after` microseconds after the one before.
struct TraceWrite {
    int64_t after;
    int value;
    uint16_t address = 0x378;
};

std::string Trace(const std::vector<TraceWrite>& writes, int64_t start = 5000) {
    std::string t;
    int64_t now = start;
    for (const TraceWrite& s : writes) {
        now += s.after;
        char line[64];
        std::snprintf(line, sizeof line, "%lld 0x%04X %d\n", static_cast<long long>(now), s.address, s.value);
        t += line;
    }
    return t;
}

// One pass of the enabled steps, every hold `delay` microseconds late.
std::vector<TraceWrite> OnePass(const std::vector<StepSpec>& steps, int64_t delay, int64_t firstAfter = 0) {
    std::vector<TraceWrite> s;
    int64_t after = firstAfter;
    for (const StepSpec& p : steps) {
        if (!p.enabled) continue;
        s.push_back({after, p.bit});
        after = p.ms * 1000 + delay;
    }
    return s;
}

TraceMatch Match(const ProgramImage& p, const std::string& text, const MatchOptions& options = {}) {
    std::vector<PortWrite> writes;
    const std::string error = ParseTrace(text.data(), text.size(), "t.txt", writes);
    EXPECT_EQ(error, "");
    return MatchTrace(p, writes, std::nullopt, options);
}

void Append(std::vector<TraceWrite>& a, const std::vector<TraceWrite>& b) { a.insert(a.end(), b.begin(), b.end()); }

// Steps 10, 0 (back to back), disabled, 20 and 30 ms.
const std::vector<StepSpec> kFour = {{true, 0x01, 10}, {true, 0x02, 0}, {false, 0x7F, 99}, {true, 0x04, 20}, {true, 0x08, 30}};

TEST(TimingMatch, ExactAndUniformlyLateHoldsGiveTheirErrorAndDrift) {
    for (int64_t delay : {0, 400}) {
        const TraceMatch c = Match(Program(kFour), Trace(OnePass(kFour, delay)));
        ASSERT_TRUE(c.Fits) << c.Divergence;
        ASSERT_EQ(c.Runs.size(), 1u);
        EXPECT_TRUE(c.Runs[0].Complete);
        ASSERT_EQ(c.Played.size(), 4u);
        // The disabled step 3 is neither written nor timed; step 5, the last, has no following write.
        const std::vector<int> numbers = {1, 2, 4, 5};
        for (size_t i = 0; i < 4; ++i) EXPECT_EQ(c.EnabledSteps[c.Played[i].Step].Number, numbers[i]);
        EXPECT_FALSE(c.Played[3].Measured);
        EXPECT_EQ(c.Played[1].HoldMicro, delay);  // the zero-duration step
        const RunStatistics st = ComputeRunStatistics(c, c.Runs[0]);
        EXPECT_EQ(st.Measured, 3u);
        EXPECT_EQ(st.Median, delay);
        EXPECT_EQ(st.P99, delay);
        EXPECT_EQ(st.Max, delay);
        EXPECT_EQ(st.Planned, 30000);
        EXPECT_EQ(st.Drift(), 3 * delay);
    }
}

TEST(TimingMatch, MedianP99MaxAndTheTenWorstStepsOfAHundredHolds) {
    std::vector<StepSpec> steps;
    for (int i = 0; i < 101; ++i) steps.push_back({true, static_cast<uint8_t>(i), 5});
    // Step i+1's hold is off by (i % 2 ? -1 : +1) * (i+1) us: errors 1..100 us, half early.
    std::vector<TraceWrite> s;
    for (int i = 0; i < 101; ++i) s.push_back({i == 0 ? 0 : 5000 + (i % 2 ? i : -i), i});
    const TraceMatch c = Match(Program(steps), Trace(s));
    ASSERT_TRUE(c.Fits) << c.Divergence;
    const RunStatistics st = ComputeRunStatistics(c, c.Runs[0]);
    EXPECT_EQ(st.Measured, 100u);
    EXPECT_EQ(st.Median, 50);
    EXPECT_EQ(st.P99, 99);
    EXPECT_EQ(st.Max, 100);
    EXPECT_EQ(st.Drift(), -50);  // fifty holds early, fifty late, each pair 1 us apart
    ASSERT_EQ(st.Worst.size(), 10u);
    for (size_t k = 0; k < 10; ++k) EXPECT_EQ(c.Played[st.Worst[k]].Line, 100 - k) << k;
    EXPECT_EQ(c.Played[st.Worst[0]].ErrorMicro, -100);
}

TEST(TimingMatch, StrictlyALostOrAnExtraWriteIsReportedWhereTheTraceParts) {
    struct Case {
        const char* name;
        std::vector<TraceWrite> writes;
        const char* divergence;
    };
    std::vector<TraceWrite> exact = OnePass(kFour, 0);
    std::vector<TraceWrite> lost = exact;
    lost.erase(lost.begin() + 2);  // step 4's byte never reached the port
    std::vector<TraceWrite> extra = exact;
    extra.insert(extra.begin() + 2, {300, 0x55});
    std::vector<TraceWrite> wrongFirst = {{0, 0x02}};
    const Case cases[] = {
        {"lost", lost, "line 3: run 1, pass 1: expected step 4 (byte 0x04, 20 ms) or a new run from step 1 (byte 0x01, 10 ms), but the trace writes 0x08"},
        {"extra", extra, "line 3: run 1, pass 1: expected step 4 (byte 0x04, 20 ms) or a new run from step 1 (byte 0x01, 10 ms), but the trace writes 0x55"},
        {"first", wrongFirst, "line 1: a run starts with step 1 (byte 0x01, 10 ms), but the trace writes 0x02"},
    };
    const MatchOptions strict{true, std::nullopt};
    for (const Case& k : cases) {
        const TraceMatch c = Match(Program(kFour), Trace(k.writes), strict);
        EXPECT_FALSE(c.Fits) << k.name;
        EXPECT_EQ(c.Divergence, k.divergence) << k.name;
    }
    // A run without loop that has played its last step is over: step 2's byte cannot follow.
    std::vector<TraceWrite> beyond = exact;
    beyond.push_back({30000, 0x02});
    const TraceMatch c = Match(Program(kFour), Trace(beyond), strict);
    EXPECT_FALSE(c.Fits);
    EXPECT_EQ(c.Divergence.rfind("line 5: the run before ended with its last step", 0), 0u) << c.Divergence;
}

TEST(TimingMatch, StrayWritesAreListedAndTheRunsAroundThemStillFit) {
    struct Case {
        const char* name;
        std::vector<TraceWrite> writes;
        std::vector<uint32_t> strayLines;
        size_t runs;        // 0: the trace does not fit
        size_t measured;    // holds measured in run 1
    };
    std::vector<TraceWrite> after = OnePass(kFour, 0);
    after.push_back({30000, 0x00});                        // the Test button after a run
    std::vector<TraceWrite> inside = OnePass(kFour, 0);
    inside.insert(inside.begin() + 2, {300, 0x55});        // another program, mid-run
    std::vector<TraceWrite> before = {{0, 0xFF}, {2000, 0x00}};  // bit boxes before the run
    Append(before, OnePass(kFour, 0, 500));
    std::vector<TraceWrite> between = OnePass(kFour, 0);
    Append(between, {{30000, 0x10}});
    Append(between, OnePass(kFour, 0, 2000000));
    const Case cases[] = {
        {"after", after, {5}, 1, 3},
        {"inside", inside, {3}, 1, 3},
        {"before", before, {1, 2}, 1, 3},
        {"between", between, {5}, 2, 3},
        {"only strays", {{0, 0x40}, {10, 0x41}}, {1, 2}, 0, 0},
    };
    for (const Case& k : cases) {
        const TraceMatch c = Match(Program(kFour), Trace(k.writes));
        std::vector<uint32_t> lines;
        for (const StrayWrite& w : c.Strays) lines.push_back(w.Line);
        EXPECT_EQ(lines, k.strayLines) << k.name;
        EXPECT_EQ(c.Fits, k.runs > 0) << k.name;
        ASSERT_EQ(c.Runs.size(), k.runs) << k.name;
        if (k.runs) {
            EXPECT_EQ(ComputeRunStatistics(c, c.Runs[0]).Measured, k.measured) << k.name;
        }
    }
    const TraceMatch none = Match(Program(kFour), Trace({{0, 0x40}}));
    EXPECT_EQ(none.Divergence,
              "no run of the program among the 1 write to the port 0x0378; line 1: a run starts with step 1 (byte 0x01, "
              "10 ms), but the trace writes 0x40");
}

TEST(TimingMatch, RunsPlayedBackToBackWithTheLoopFlagOffAreCountedAndLoopReadsThemAsOne) {
    std::vector<TraceWrite> s;
    for (int pass = 0; pass < 3; ++pass) Append(s, OnePass(kFour, 0, pass == 0 ? 0 : 30000));
    const TraceMatch once = Match(Program(kFour), Trace(s));
    EXPECT_EQ(once.Runs.size(), 3u);
    EXPECT_EQ(once.BackToBackRuns, 2u);
    const TraceMatch loop = Match(Program(kFour), Trace(s), {false, true});
    ASSERT_EQ(loop.Runs.size(), 1u);
    EXPECT_EQ(loop.Runs[0].Passes, 3);
    EXPECT_TRUE(loop.LoopOverridden);
    EXPECT_EQ(Match(Program(kFour, true), Trace(s), {false, false}).Runs.size(), 3u);
}

TEST(TimingMatch, LoopPassesAndStoppedAndSuccessiveRunsAreTold) {
    // Loop, every hold 100 us late: three passes and a stop after step 2 of
    // the fourth; a run started at once and stopped at the end of its pass; a
    // run started after a pause; one from another process (its clock restarts).
    std::vector<TraceWrite> s;
    for (int pass = 0; pass < 3; ++pass) Append(s, OnePass(kFour, 100, pass == 0 ? 0 : 30100));
    Append(s, {{30100, 0x01}, {10100, 0x02}});
    Append(s, OnePass(kFour, 0, 40000));
    Append(s, OnePass(kFour, 0, 30000 + 5000000));
    const std::string text = Trace(s) + Trace({{0, 0x01}, {10000, 0x02}}, 100);
    const TraceMatch c = Match(Program(kFour, true), text);
    ASSERT_TRUE(c.Fits) << c.Divergence;
    ASSERT_EQ(c.Runs.size(), 4u);
    EXPECT_EQ(c.Runs[0].Passes, 4);
    EXPECT_EQ(c.Runs[0].End - c.Runs[0].First, 14u);
    EXPECT_FALSE(c.Runs[0].Complete);
    EXPECT_EQ(c.Played[13].Pass, 4);
    EXPECT_EQ(c.Runs[1].StartReason, "the run before was stopped");
    EXPECT_EQ(c.Runs[1].Passes, 1);
    EXPECT_EQ(c.Runs[2].StartReason, "a pause of 5000 ms after the run before");
    EXPECT_EQ(c.Runs[3].StartReason, "the time starts again (another process traced)");
    const RunStatistics st = ComputeRunStatistics(c, c.Runs[0]);
    EXPECT_EQ(st.Measured, 13u);
    EXPECT_EQ(st.Max, 100);
    EXPECT_EQ(st.Planned, 3 * 60000 + 10000);  // step 2 of pass 4 ended the run: not measured
    EXPECT_EQ(st.Drift(), 1300);
}

TEST(TimingMatch, RunsWithoutLoopStoppedOrPlayedAgainAndWritesElsewhere) {
    std::vector<TraceWrite> s = {{0, 0x01}, {10000, 0x02}};  // stopped after step 2
    Append(s, OnePass(kFour, 0, 900));                       // played whole
    Append(s, OnePass(kFour, 0, 40000));                     // and again at once
    s.insert(s.begin() + 3, {0, 0x33, 0x278});               // another address, ignored
    const TraceMatch c = Match(Program(kFour), Trace(s));
    ASSERT_TRUE(c.Fits) << c.Divergence;
    EXPECT_EQ(c.Port, 0x378);
    EXPECT_EQ(c.OtherWrites, 1u);
    EXPECT_EQ(c.WritesToPort, 10u);
    ASSERT_EQ(c.Runs.size(), 3u);
    EXPECT_FALSE(c.Runs[0].Complete);
    EXPECT_EQ(c.Runs[0].StartReason, "first write");
    EXPECT_EQ(c.Runs[1].StartReason, "the run before was stopped");
    EXPECT_EQ(c.Runs[2].StartReason, "after the end of the run before");
    EXPECT_TRUE(c.Runs[1].Complete && c.Runs[2].Complete);
    // The hold before a new run is the run's last and is not measured.
    EXPECT_FALSE(c.Played[1].Measured);
    EXPECT_EQ(ComputeRunStatistics(c, c.Runs[1]).Drift(), 0);
}

TEST(TimingMatch, FirstStepsByteAgainIsTheNextStepUnlessAPauseComesFirst) {
    const std::vector<StepSpec> equal = {{true, 0x01, 10}, {true, 0x01, 20}, {true, 0x02, 5}};
    // Quickly: step 2. Over a second after step 1 was due to end: a new run.
    const TraceMatch soon = Match(Program(equal), Trace({{0, 1}, {10500, 1}, {20000, 2}}));
    ASSERT_TRUE(soon.Fits) << soon.Divergence;
    EXPECT_EQ(soon.Runs.size(), 1u);
    const TraceMatch late = Match(Program(equal), Trace({{0, 1}, {1010001, 1}, {20000, 1}, {20000, 2}}));
    ASSERT_TRUE(late.Fits) << late.Divergence;
    ASSERT_EQ(late.Runs.size(), 2u);
    EXPECT_EQ(late.Runs[1].First, 1u);
}

TEST(TimingMatch, APortWithNoWriteOrAProgramWithNoEnabledStepDoesNotFit) {
    const std::string text = Trace({{0, 1}});
    std::vector<PortWrite> writes;
    ASSERT_EQ(ParseTrace(text.data(), text.size(), "t.txt", writes), "");
    const TraceMatch elsewhere = MatchTrace(Program(kFour), writes, uint16_t{0x278});
    EXPECT_FALSE(elsewhere.Fits);
    EXPECT_EQ(elsewhere.Divergence, "the trace has no write to the port 0x0278");
    const TraceMatch empty = MatchTrace(Program({{false, 1, 10}}), writes, std::nullopt);
    EXPECT_FALSE(empty.Fits);
    EXPECT_EQ(empty.Divergence, "line 1: the program has no enabled step, but the trace writes 0x01");
}

TEST(PortTraceFile, MalformedLinesAreRefusedNamingFileAndLine) {
    struct Case {
        std::string text;
        std::string error;  // start of the message
    };
    const Case cases[] = {
        {"", "t.txt: the trace is empty"},
        {"5 0x0378 1\n6 0x0378 2", "t.txt:2: the line is cut short (no end of line): \"6 0x0378 2\""},
        {"5 0x0378 1\n\n", "t.txt:2: not a trace line \"T 0xAAAA V\" (the time (microseconds) is missing)"},
        {"-5 0x0378 1\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (the time (microseconds) is missing)"},
        {"5 378 1\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (the address must be written 0xAAAA)"},
        {"5 0x12345 1\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (the address must have 1 to 4"},
        {"5 0x0378 256\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (the value must be 0 to 255)"},
        {"5 0x0378 1000\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (the value must be 0 to 255)"},
        {"5 0x0378\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (a blank must follow the address)"},
        {"5 0x0378 7 x\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (unexpected text after the value)"},
        {"5  0x0378 7\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (the address must be written"},
        {"99999999999999999999 0x0378 7\n", "t.txt:1: not a trace line \"T 0xAAAA V\" (the time is too large)"},
        {std::string("5 0x0378 7\n5 0x03\0" "78 7\n", 23), "t.txt:2: not a trace line \"T 0xAAAA V\" (a blank must follow the address): \"5 0x03\\x0078 7\""},
    };
    for (const Case& k : cases) {
        std::vector<PortWrite> s;
        const std::string e = ParseTrace(k.text.data(), k.text.size(), "t.txt", s);
        EXPECT_EQ(e.substr(0, k.error.size()), k.error) << e;
        EXPECT_TRUE(s.empty());
    }
    // Windows line ends, lower-case hex and short addresses are the same writes.
    const std::string good = "0 0x0378 0\r\n18446744 0x3bc 255\n";
    std::vector<PortWrite> s;
    ASSERT_EQ(ParseTrace(good.data(), good.size(), "t.txt", s), "");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].Micro, 18446744);
    EXPECT_EQ(s[1].Address, 0x3BC);
    EXPECT_EQ(s[1].Value, 255);
    EXPECT_EQ(s[1].Line, 2u);
}

TEST(TimingReport, MillisecondsAndSignalNames) {
    EXPECT_EQ(Milliseconds(0), "0.000");
    EXPECT_EQ(Milliseconds(1234567, true), "+1234.567");
    EXPECT_EQ(Milliseconds(-5, true), "-0.005");
    EXPECT_EQ(Milliseconds(INT64_MIN), "-9223372036854775.808");
    const std::pair<const char*, const char*> names[] = {
        {"Rel\xE8 1", "Rele_1"}, {"", "D3"}, {" - ", "D3"}, {"3 volt", "D3_3_volt"},
        {"pompa/valvola (N.C.)", "pompa_valvola_N_C"}, {"\xC0 \xDF", "A"}, {"$end", "end"},
    };
    for (const auto& [description, expected] : names) EXPECT_EQ(SignalName(description, 3), expected) << description;
    TestataRec t;
    t.DescrBit = {"data", "Lamp", "Lamp", "", "x", "x", "D6", ""};
    const std::vector<std::string> expected = {"data_D0", "Lamp", "Lamp_D2", "D3", "x", "x_D5", "D6", "D7"};
    EXPECT_EQ(SignalNames(t), expected);
}

}  // namespace
}  // namespace quelmar::timing
