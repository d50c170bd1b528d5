// Report, CSV and waveform writers, and the command-line flow of quelmar-timing.
#include "timing_tool/timing_report.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>

#include "sequencer/platform_files.h"

namespace quelmar::timing {
namespace {

// Unicode of Windows-1252 0x80..0x9F (0: unassigned).
constexpr uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[512];
    va_list a;
    va_start(a, format);
    std::vsnprintf(text, sizeof text, format, a);
    va_end(a);
    return text;
}

std::string PortText(uint16_t p) { return Format("0x%04X", p); }

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string CsvField(const std::string& text) {
    std::string s = "\"";
    for (char ch : text) {
        if (ch == '"') s += '"';
        s += ch;
    }
    return s + "\"";
}

const char kUsage[] =
    "usage: quelmar-timing PROGRAM.prl TRACE [--vcd FILE] [--csv FILE] [--port HEX]\n"
    "                      [--loop | --once] [--strict]\n"
    "  Matches a port trace (QUELMAR_PORT_TRACE) to the program that was played and\n"
    "  prints each step's planned and actual hold and the run's timing figures.\n"
    "  Writes to the port that belong to no run are listed as stray writes.\n"
    "  --vcd FILE   writes the data lines as a waveform (Value Change Dump, 1 us)\n"
    "  --csv FILE   writes the table of played steps and stray writes\n"
    "  --port HEX   the port address (default: the address written most often)\n"
    "  --loop       reads the trace as played in loop, whatever the file's flag\n"
    "  --once       reads the trace as played without loop, whatever the file's flag\n"
    "  --strict     a stray write means the trace does not fit (exit code 2)\n"
    "  Exit code: 0 report made, 1 bad arguments or input, 2 no run fits.\n";

// The lines of the report about stray writes and a loop the file's flag does not show.
std::string StrayAndLoopNotes(const TraceMatch& m) {
    std::string r;
    if (!m.Strays.empty()) {
        r += Plural(m.Strays.size(), "stray write", "stray writes") +
             " (writes to the port that belong to no run: a bit box, the Test button, a W= start, another program)";
        const size_t shown = std::min<size_t>(m.Strays.size(), 5);
        r += shown < m.Strays.size() ? ", the first " + std::to_string(shown) + ":\n" : ":\n";
        for (size_t i = 0; i < shown; ++i) {
            const StrayWrite& w = m.Strays[i];
            r += Format("  line %u: 0x%02X (", w.Line, w.Value) + w.Reason + ")\n";
        }
    }
    if (!m.Loop && !m.LoopOverridden && m.BackToBackRuns > 0)
        r += Plural(m.BackToBackRuns, "run starts", "runs start") +
             " as soon as the run before has ended, as a loop plays them; the program file's loop flag is off "
             "(was \"Loop continuo\" ticked without saving?). To read them as one run in loop: --loop\n";
    return r;
}

}  // namespace

std::string Utf8FromCp1252(const std::string& text) {
    std::string s;
    s.reserve(text.size());
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        uint32_t u = b;
        if (b >= 0x80 && b < 0xA0) u = kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : 0xFFFD;
        if (u < 0x80) {
            s += static_cast<char>(u);
        } else if (u < 0x800) {
            s += static_cast<char>(0xC0 | (u >> 6));
            s += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (u >> 12));
            s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return s;
}


std::string Milliseconds(int64_t micro, bool showPlus) {
    const char* s = micro < 0 ? "-" : (showPlus ? "+" : "");
    const uint64_t a = micro < 0 ? static_cast<uint64_t>(-(micro + 1)) + 1 : static_cast<uint64_t>(micro);
    return Format("%s%" PRIu64 ".%03" PRIu64, s, a / 1000, a % 1000);
}

namespace {

std::string PlannedMs(const EnabledStep& a) { return Milliseconds(int64_t{a.DurationMs} * 1000); }

std::string ReportHeading(const ProgramImage& program, const TraceMatch& m, const std::string& programName,
                          const std::string& traceName, size_t lines) {
    std::string r;
    r += "Program " + programName + ": " + Plural(static_cast<size_t>(program.Testata.NumSteps), "step", "steps") +
         ", " + std::to_string(m.EnabledSteps.size()) + " enabled, loop " + (m.Loop ? "on" : "off") + "\n";
    r += "Trace " + traceName + ": " + Plural(lines, "line", "lines") + ", " +
         Plural(m.WritesToPort, "write", "writes") + " to port " + PortText(m.Port) + ", " +
         Plural(m.OtherWrites, "write", "writes") + " to other addresses (ignored)\n";
    r += Plural(m.Runs.size(), "run", "runs") + " found.\n";
    return r + StrayAndLoopNotes(m);
}

std::string RunHeading(const TraceMatch& m, size_t k) {
    const PlayedRun& run = m.Runs[k];
    const PlayedStep& first = m.Played[run.First];
    const PlayedStep& last = m.Played[run.End - 1];
    return "\nRun " + std::to_string(k + 1) + " (lines " + std::to_string(first.Line) + "-" +
           std::to_string(last.Line) + ", starts: " + run.StartReason + "): " +
           Plural(static_cast<size_t>(run.Passes), "pass", "passes") + ", " +
           Plural(run.End - run.First, "step", "steps") + " played, " +
           (run.Complete ? "complete"
                         : "stopped after step " + std::to_string(m.EnabledSteps[static_cast<size_t>(last.Step)].Number)) +
           "\n";
}

// One enabled step's holds over a run's passes.
struct HoldSums {
    size_t n = 0;
    int64_t hold = 0, error = 0, worst = 0;
};

std::vector<HoldSums> SumHoldsPerStep(const TraceMatch& m, const PlayedRun& run) {
    std::vector<HoldSums> sums(m.EnabledSteps.size());
    for (size_t i = run.First; i < run.End; ++i) {
        const PlayedStep& p = m.Played[i];
        if (!p.Measured) continue;
        HoldSums& s = sums[static_cast<size_t>(p.Step)];
        ++s.n;
        s.hold += p.HoldMicro;
        s.error += p.ErrorMicro;
        if ((p.ErrorMicro < 0 ? -p.ErrorMicro : p.ErrorMicro) > (s.worst < 0 ? -s.worst : s.worst) || s.n == 1)
            s.worst = p.ErrorMicro;
    }
    return sums;
}

// The table of a run's steps: each enabled step once for a run of several
// passes (means over them), otherwise each step played.
std::string StepTable(const ProgramImage& program, const TraceMatch& m, const PlayedRun& run) {
    std::string r = run.Passes > 1
        ? "   step  byte  planned ms  holds   actual ms (mean)  error ms (mean)  worst error ms  description\n"
        : "   step  byte  planned ms  holds   actual ms         error ms         worst error ms  description\n";
    const std::vector<HoldSums> sums = SumHoldsPerStep(m, run);
    const size_t rows = run.Passes > 1 ? m.EnabledSteps.size() : run.End - run.First;
    for (size_t j = 0; j < rows; ++j) {
        const EnabledStep& a = m.EnabledSteps[j];
        const HoldSums& s = sums[j];
        const auto n = static_cast<int64_t>(s.n);
        const std::string actual = n ? Milliseconds(s.hold / n) : "not measured";
        const std::string error = n ? Milliseconds(s.error / n, true) : "-";
        const std::string worst = n ? Milliseconds(s.worst, true) : "-";
        r += Format("  %5d  0x%02X %11s  %5d   %-17s %-16s %-15s ", a.Number, a.Bit, PlannedMs(a).c_str(),
                    static_cast<int>(s.n), actual.c_str(), error.c_str(), worst.c_str());
        r += Utf8FromCp1252(program.Steps(a.Number).Descrizione) + "\n";
    }
    return r + "  The hold of a run's last step is not measured: no write of the run follows it.\n";
}

// A run's hold error, drift and worst steps.
std::string RunFigures(const TraceMatch& m, const PlayedRun& run) {
    const RunStatistics st = ComputeRunStatistics(m, run);
    if (st.Measured == 0) return "  No hold measured: the run wrote a single step.\n";
    std::string r = "  Hold error |actual - planned| over " + Plural(st.Measured, "hold", "holds") + ": median " +
                    Milliseconds(st.Median) + " ms, p99 " + Milliseconds(st.P99) + " ms, max " +
                    Milliseconds(st.Max) + " ms\n";
    r += "  Total " + Milliseconds(st.Played) + " ms played against " + Milliseconds(st.Planned) +
         " ms programmed: drift " + Milliseconds(st.Drift(), true) + " ms";
    if (st.Planned > 0)
        r += Format(" (%+.2f %%)", 100.0 * static_cast<double>(st.Drift()) / static_cast<double>(st.Planned));
    r += "\n  Worst steps:\n     line   pass   step  planned ms   actual ms    error ms\n";
    for (size_t i : st.Worst) {
        const PlayedStep& p = m.Played[i];
        const EnabledStep& a = m.EnabledSteps[static_cast<size_t>(p.Step)];
        r += Format("  %7u  %5d  %5d %11s %11s %11s\n", p.Line, p.Pass, a.Number, PlannedMs(a).c_str(),
                    Milliseconds(p.HoldMicro).c_str(), Milliseconds(p.ErrorMicro, true).c_str());
    }
    return r;
}

}  // namespace

std::string ReportText(const ProgramImage& program, const TraceMatch& m, const std::string& programName,
                       const std::string& traceName, size_t lines) {
    std::string r = ReportHeading(program, m, programName, traceName, lines);
    for (size_t k = 0; k < m.Runs.size(); ++k)
        r += RunHeading(m, k) + StepTable(program, m, m.Runs[k]) + RunFigures(m, m.Runs[k]);
    return r;
}

bool WriteCsv(std::FILE* f, const ProgramImage& program, const TraceMatch& m) {
    std::fputs("run,pass,step,line,time_us,byte,planned_ms,actual_ms,error_ms,description\n", f);
    // Played steps and stray writes in trace order; a stray write has no run, pass, step or hold.
    size_t k = 0;
    auto strays = [&](uint32_t beforeLine) {
        for (; k < m.Strays.size() && m.Strays[k].Line < beforeLine; ++k)
            std::fprintf(f, ",,,%u,%" PRId64 ",%u,,,,\"stray write\"\n", m.Strays[k].Line, m.Strays[k].Micro,
                         m.Strays[k].Value);
    };
    for (const PlayedStep& p : m.Played) {
        strays(p.Line);
        const EnabledStep& a = m.EnabledSteps[static_cast<size_t>(p.Step)];
        std::fprintf(f, "%d,%d,%d,%u,%" PRId64 ",%u,%s,%s,%s,%s\n", p.Run, p.Pass, a.Number, p.Line, p.Micro, a.Bit,
                     PlannedMs(a).c_str(), p.Measured ? Milliseconds(p.HoldMicro).c_str() : "",
                     p.Measured ? Milliseconds(p.ErrorMicro, true).c_str() : "",
                     CsvField(Utf8FromCp1252(program.Steps(a.Number).Descrizione)).c_str());
    }
    strays(UINT32_MAX);
    return !std::ferror(f);
}

std::string SignalName(const std::string& description, int bit) {
    static const char* const kAccented[] = {
        "\xC0\xC1\xC2\xC3\xC4\xC5" "A", "\xC8\xC9\xCA\xCB" "E", "\xCC\xCD\xCE\xCF" "I", "\xD2\xD3\xD4\xD5\xD6" "O",
        "\xD9\xDA\xDB\xDC" "U", "\xC7" "C", "\xD1" "N", "\xE0\xE1\xE2\xE3\xE4\xE5" "a", "\xE8\xE9\xEA\xEB" "e",
        "\xEC\xED\xEE\xEF" "i", "\xF2\xF3\xF4\xF5\xF6" "o", "\xF9\xFA\xFB\xFC" "u", "\xE7" "c", "\xF1" "n"};
    std::string name;
    for (char ch : description) {
        char out = '_';
        if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) {
            out = ch;
        } else {
            // Each group: the accented letters, then the plain letter they become.
            for (const char* group : kAccented) {
                const size_t n = std::strlen(group);
                if (std::memchr(group, ch, n - 1)) out = group[n - 1];
            }
        }
        if (out == '_' && (name.empty() || name.back() == '_')) continue;
        name += out;
        if (name.size() >= 48) break;
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    if (name.empty()) return "D" + std::to_string(bit);
    if (name[0] >= '0' && name[0] <= '9') name = "D" + std::to_string(bit) + "_" + name;
    return name;
}

std::vector<std::string> SignalNames(const TestataRec& header) {
    std::vector<std::string> names;
    for (int i = 0; i < 8; ++i) {
        std::string name = SignalName(header.DescrBit[static_cast<size_t>(i)], i);
        bool taken = name == "data";
        for (const std::string& other : names) taken = taken || other == name;
        if (taken) name += "_D" + std::to_string(i);
        names.push_back(name);
    }
    return names;
}

namespace {

// Identifier codes: '!' the vector, 'a'..'h' the bits.
void WriteVcdHeader(std::FILE* f, uint16_t port, const std::vector<std::string>& names) {
    std::fprintf(f, "$version quelmar-timing $end\n$comment data lines of port 0x%04X $end\n$timescale 1 us $end\n",
                 port);
    std::fputs("$scope module parallel_port $end\n$var wire 8 ! data [7:0] $end\n", f);
    for (int i = 0; i < 8; ++i)
        std::fprintf(f, "$var wire 1 %c %s $end\n", 'a' + i, names[static_cast<size_t>(i)].c_str());
    std::fputs("$upscope $end\n$enddefinitions $end\n", f);
}

// The vector's new value and each bit that changed (every bit when `before` is -1).
void WriteValueChange(std::FILE* f, int value, int before) {
    if (value == before) return;
    char b[9];
    for (int i = 0; i < 8; ++i) b[i] = (value >> (7 - i)) & 1 ? '1' : '0';
    b[8] = 0;
    std::fprintf(f, "b%s !\n", b);
    for (int i = 0; i < 8; ++i)
        if (before < 0 || ((value ^ before) >> i & 1)) std::fprintf(f, "%c%c\n", (value >> i) & 1 ? '1' : '0', 'a' + i);
}

}  // namespace

bool WriteVcd(std::FILE* f, const std::vector<PortWrite>& writes, uint16_t port, const std::vector<std::string>& names,
              int64_t tail) {
    WriteVcdHeader(f, port, names);
    int current = -1;
    int64_t offset = 0, last = 0;
    bool started = false;
    for (size_t i = 0; i < writes.size(); ++i) {
        const PortWrite& w = writes[i];
        if (w.Address != port) continue;
        if (started && w.Micro + offset < last) offset = last + kPartGap - w.Micro;
        const int64_t t = w.Micro + offset;
        // Writes in the same microsecond: the last one stays on the lines.
        int value = w.Value;
        for (size_t j = i + 1; j < writes.size(); ++j) {
            if (writes[j].Address != port) continue;
            if (writes[j].Micro + offset != t) break;
            value = writes[j].Value;
            i = j;
        }
        last = t;
        if (!started) {
            std::fprintf(f, "#%" PRId64 "\n$dumpvars\n", t);
            WriteValueChange(f, value, -1);
            std::fputs("$end\n", f);
            started = true;
        } else if (value != current) {
            std::fprintf(f, "#%" PRId64 "\n", t);
            WriteValueChange(f, value, current);
        }
        current = value;
    }
    if (started && tail > 0) std::fprintf(f, "#%" PRId64 "\n", last + tail);
    return !std::ferror(f);
}

bool WriteWholeFile(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error) {
    const std::string temporary = NomeTemporaneo(path);
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        error = path + ": cannot write (" + std::strerror(errno) + ")";
        return false;
    }
    std::vector<char> buffer(1 << 16);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    bool ok = write(f);
    ok = std::fflush(f) == 0 && ok && !std::ferror(f) && ScriviSuDisco(f);
    ok = std::fclose(f) == 0 && ok;
    std::string reason = "write error";
    if (ok && SostituisciFile(temporary, path, reason)) return true;
    std::remove(temporary.c_str());
    error = path + ": not written (" + reason + ")";
    return false;
}

namespace {

// What the command line asks for.
struct CommandLine {
    bool help = false;
    std::string programName, traceName, vcd, csv;
    std::optional<uint16_t> port;
    MatchOptions options;
};

// "--port HEX": 1 to 4 hexadecimal digits, "0x" allowed before them.
bool ParsePortAddress(const std::string& v, uint16_t& port) {
    const std::string digits = v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X') ? v.substr(2) : v;
    unsigned value = 0;
    bool ok = !digits.empty() && digits.size() <= 4;
    for (char ch : digits) {
        const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
        ok = ok && hex;
        if (hex) value = value * 16 + static_cast<unsigned>(ch <= '9' ? ch - '0' : (ch | 0x20) - 'a' + 10);
    }
    port = static_cast<uint16_t>(value);
    return ok;
}

// An option that takes a value: arguments[i] is the option, the value follows it.
bool ParseValueOption(const std::vector<std::string>& arguments, size_t& i, CommandLine& cmd, std::string& errors) {
    const std::string& a = arguments[i];
    if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
        errors = "quelmar-timing: " + a + " needs a value\n" + kUsage;
        return false;
    }
    const std::string& v = arguments[++i];
    if (a == "--vcd") cmd.vcd = v;
    if (a == "--csv") cmd.csv = v;
    if (a == "--port") {
        uint16_t port = 0;
        if (!ParsePortAddress(v, port)) {
            errors = "quelmar-timing: --port needs 1 to 4 hexadecimal digits, not \"" + v + "\"\n";
            return false;
        }
        cmd.port = port;
    }
    return true;
}

// The two file names, and outputs that would replace an input or each other.
bool CheckFileNames(const std::vector<std::string>& positional, CommandLine& cmd, std::string& errors) {
    if (positional.size() != 2) {
        errors = kUsage;
        return false;
    }
    cmd.programName = positional[0];
    cmd.traceName = positional[1];
    for (const std::string* output : {&cmd.vcd, &cmd.csv}) {
        const std::string& u = *output;
        if (!u.empty() && (u == cmd.programName || u == cmd.traceName || (&u == &cmd.csv && u == cmd.vcd))) {
            errors = "quelmar-timing: " + u + " is named twice: an output may not replace an input or the other output\n";
            return false;
        }
    }
    return true;
}

// Reads the arguments in order: the first fault, or "-h", ends the reading.
bool ParseArguments(const std::vector<std::string>& arguments, CommandLine& cmd, std::string& errors) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "-h" || a == "--help") {
            cmd.help = true;
            return true;
        }
        if (a == "--strict") {
            cmd.options.Strict = true;
        } else if (a == "--loop" || a == "--once") {
            if (cmd.options.Loop && *cmd.options.Loop != (a == "--loop")) {
                errors = "quelmar-timing: --loop and --once exclude each other\n" + std::string(kUsage);
                return false;
            }
            cmd.options.Loop = a == "--loop";
        } else if (a == "--vcd" || a == "--csv" || a == "--port") {
            if (!ParseValueOption(arguments, i, cmd, errors)) return false;
        } else if (a.size() > 1 && a[0] == '-') {
            errors = "quelmar-timing: unknown option " + a + "\n" + kUsage;
            return false;
        } else {
            positional.push_back(a);
        }
    }
    return CheckFileNames(positional, cmd, errors);
}

bool LoadInputs(const CommandLine& cmd, ProgramImage& program, std::vector<PortWrite>& writes, std::string& errors) {
    const FileResult read = LeggiProgrammaDaFile(cmd.programName, program);
    if (!read.Ok()) {
        errors = "quelmar-timing: not a program file: " + Utf8FromCp1252(read.Error) + "\n";
        return false;
    }
    const std::string reason = ReadTraceFile(cmd.traceName, writes);
    if (!reason.empty()) {
        errors = "quelmar-timing: " + reason + "\n";
        return false;
    }
    return true;
}

// The waveform, when asked for and the port was written; true when there is none to write.
bool WriteWaveform(const CommandLine& cmd, const ProgramImage& program, const std::vector<PortWrite>& writes,
                   const TraceMatch& m, std::string& error) {
    if (cmd.vcd.empty() || m.WritesToPort == 0) return true;
    const std::vector<std::string> names = SignalNames(program.Testata);
    // The last step's planned hold, when the trace is known to be of this program and ends with a step.
    const bool endsWithStep = m.Fits && (m.Strays.empty() || m.Strays.back().Line < m.Played.back().Line);
    const int64_t tail =
        endsWithStep ? int64_t{m.EnabledSteps[static_cast<size_t>(m.Played.back().Step)].DurationMs} * 1000 : 0;
    return WriteWholeFile(cmd.vcd, [&](std::FILE* f) { return WriteVcd(f, writes, m.Port, names, tail); }, error);
}

std::string DoesNotFitMessage(const CommandLine& cmd, const TraceMatch& m) {
    std::string r = "quelmar-timing: the trace " + cmd.traceName + " does not fit the program " + cmd.programName +
                    ": " + m.Divergence + "\n";
    if (!cmd.csv.empty()) r += "quelmar-timing: " + cmd.csv + " not written\n";
    if (!cmd.vcd.empty() && m.WritesToPort > 0)
        r += "quelmar-timing: " + cmd.vcd + " written: it shows the trace as it is\n";
    return r;
}

}  // namespace

int RunQuelmarTiming(const std::vector<std::string>& arguments, std::string& out, std::string& errors) {
    CommandLine cmd;
    if (!ParseArguments(arguments, cmd, errors)) return 1;
    if (cmd.help) {
        out = kUsage;
        return 0;
    }
    ProgramImage program;
    std::vector<PortWrite> writes;
    if (!LoadInputs(cmd, program, writes, errors)) return 1;
    const TraceMatch m = MatchTrace(program, writes, cmd.port, cmd.options);
    std::string error;
    if (!WriteWaveform(cmd, program, writes, m, error)) {
        errors = "quelmar-timing: " + error + "\n";
        return 1;
    }
    if (!m.Fits) {
        errors = DoesNotFitMessage(cmd, m);
        return 2;
    }
    if (!cmd.csv.empty() && !WriteWholeFile(cmd.csv, [&](std::FILE* f) { return WriteCsv(f, program, m); }, error)) {
        errors = "quelmar-timing: " + error + "\n";
        return 1;
    }
    out = ReportText(program, m, cmd.programName, cmd.traceName, writes.size());
    return 0;
}

}  // namespace quelmar::timing
