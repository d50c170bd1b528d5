// The step editor's operations on the step program, as the main window's
// commands apply them, and the texts the editor shows (the list of all steps,
// the total duration). Portable: no platform headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "step_program.h"

namespace quelmar::StepEditor {

// One line per step 1..TotaleSteps, each ending in CR LF:
// "0003   -  10100000  -  Si     -  100 mSec."
std::string ReportSteps(const SequencerState& s);

// Sum of Durata over the enabled steps 1..TotaleSteps. Kept in 64 bits so that
// many long steps cannot wrap the total into a negative number.
int64_t TempoTotale(const SequencerState& s);

// True when at least one of the steps 1..TotaleSteps takes part in a run.
bool QualcheStepAbilitato(const SequencerState& s);

// Insert makes room only below 2048 steps.
bool PuoInserire(const SequencerState& s);
// Shifts StepCorrente..TotaleSteps up by one and puts an enabled, empty step
// of 0 ms at StepCorrente.
void Inserisci(SequencerState& s);

// Shifts the steps above StepCorrente down by one; TotaleSteps never falls
// below 1. The record at the old last position and StepCorrente are kept.
void Elimina(SequencerState& s);

// Appunti = the current step.
void Copia(SequencerState& s);
// The current step = Appunti.
void Incolla(SequencerState& s);

// Below 2048 steps: one more step, made current and enabled, keeping what its
// record held. Returns false (and changes nothing) at 2048.
bool Aggiungi(SequencerState& s);

// 0: previous, 1: next. Returns false when the step cannot move that way.
bool CambiaStep(SequencerState& s, int indice);

// The New command's clear: empty header, 2048 zero records, one step.
void Azzera(SequencerState& s);

// The duration box's text read as milliseconds: its leading digits, 0 when
// there are none. Empty when the number does not fit a signed 32-bit value.
std::optional<int32_t> DurataDaTesto(const std::string& testo);

}  // namespace quelmar::StepEditor
