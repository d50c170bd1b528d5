// What quelmar-timing makes of a matched trace: the printed report, the CSV
// table of played steps and the waveform (Value Change Dump). Portable.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "timing_tool/timing_match.h"

namespace quelmar::timing {

// Windows-1252 text (program files carry it) as UTF-8.
std::string Utf8FromCp1252(const std::string& text);

// Milliseconds with three decimals from microseconds, "+" shown when asked.
std::string Milliseconds(int64_t micro, bool showPlus = false);

// The report printed for a trace that fits its program, stray writes and a
// loop the file's flag does not show included.
std::string ReportText(const ProgramImage& program, const TraceMatch& m, const std::string& programName,
                       const std::string& traceName, size_t lines);

// One line per played step: run, pass, step, trace line, time, byte, planned,
// actual and error (the last two empty when the hold is not measured); stray
// writes in between, in trace order, with their line, time and byte only.
bool WriteCsv(std::FILE* f, const ProgramImage& program, const TraceMatch& m);

// A legal VCD identifier for a bit: its description with accents dropped and
// every other character that is not a letter, digit or "_" made "_"; "D<bit>"
// when nothing is left.
std::string SignalName(const std::string& description, int bit);

// The eight bit signals' names, unique and distinct from the vector "data".
std::vector<std::string> SignalNames(const TestataRec& header);

// The writes to `port` as a Value Change Dump, timescale 1 us: the data lines
// as the 8-bit vector "data" and as eight 1-bit signals. The dump starts at
// the first write. The parts of a trace that several processes appended are
// laid end to end, each starting kPartGap after the part before. The dump
// ends `tail` microseconds after the last write, so that a viewer shows the
// last value held.
constexpr int64_t kPartGap = 1000;
bool WriteVcd(std::FILE* f, const std::vector<PortWrite>& writes, uint16_t port, const std::vector<std::string>& names,
              int64_t tail = 0);

// Writes `path` through a temporary file beside it, replaced into place only
// when it is complete: the file appears whole or not at all.
bool WriteWholeFile(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error);

// The whole command: quelmar-timing PROGRAM.prl TRACE [--vcd FILE] [--csv FILE]
// [--port HEX] [--loop | --once] [--strict].
// Returns the exit code: 0 when the report was made (stray writes beside the
// runs included), 1 for bad arguments or input or an output that could not be
// written, 2 when no run fits the program (with --strict: when any write does
// not fit).
int RunQuelmarTiming(const std::vector<std::string>& arguments, std::string& out, std::string& errors);

}  // namespace quelmar::timing
