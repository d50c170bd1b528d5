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
std::string Utf8DaCp1252(const std::string& testo);

// Milliseconds with three decimals from microseconds, "+" shown when asked.
std::string Millisecondi(int64_t micro, bool segno = false);

// The report printed for a trace that fits its program, stray writes and a
// loop the file's flag does not show included.
std::string TestoRapporto(const ProgramImage& programma, const Confronto& c, const std::string& nomeProgramma,
                          const std::string& nomeTraccia, size_t righe);

// One line per played step: run, pass, step, trace line, time, byte, planned,
// actual and error (the last two empty when the hold is not measured); stray
// writes in between, in trace order, with their line, time and byte only.
bool ScriviCsv(std::FILE* f, const ProgramImage& programma, const Confronto& c);

// A legal VCD identifier for a bit: its description with accents dropped and
// every other character that is not a letter, digit or "_" made "_"; "D<bit>"
// when nothing is left.
std::string NomeSegnale(const std::string& descrizione, int bit);

// The eight bit signals' names, unique and distinct from the vector "data".
std::vector<std::string> NomiSegnali(const TestataRec& testata);

// The writes to `porta` as a Value Change Dump, timescale 1 us: the data lines
// as the 8-bit vector "data" and as eight 1-bit signals. The dump starts at
// the first write. The parts of a trace that several processes appended are
// laid end to end, each starting kStaccoParti after the part before. The
// dump ends `coda` microseconds after the last write, so that a viewer shows
// the last value held.
constexpr int64_t kStaccoParti = 1000;
bool ScriviVcd(std::FILE* f, const std::vector<ScritturaPorta>& scritture, uint16_t porta,
               const std::vector<std::string>& nomi, int64_t coda = 0);

// Writes `path` through a temporary file beside it, replaced into place only
// when it is complete: the file appears whole or not at all.
bool ScriviFileIntero(const std::string& path, const std::function<bool(std::FILE*)>& scrivi, std::string& errore);

// The whole command: quelmar-timing PROGRAM.prl TRACE [--vcd FILE] [--csv FILE]
// [--port HEX] [--loop | --once] [--strict].
// Returns the exit code: 0 when the report was made (stray writes beside the
// runs included), 1 for bad arguments or input or an output that could not be
// written, 2 when no run fits the program (with --strict: when any write does
// not fit).
int EseguiQuelmarTiming(const std::vector<std::string>& argomenti, std::string& uscita, std::string& errori);

}  // namespace quelmar::timing
