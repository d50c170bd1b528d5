// Step editor operations.
#include "step_editor.h"

#include <limits>

namespace quelmar::StepEditor {

std::string ReportSteps(const SequencerState& s) {
    std::string text;
    text.reserve(static_cast<size_t>(s.TotaleSteps) * 48);
    std::array<uint8_t, 8> bits{};
    for (int i = 1; i <= s.TotaleSteps && i <= kMaxSteps; ++i) {
        const StepRec& step = s.Steps(i);
        text += Module1::ZeriIniziali(4, static_cast<int16_t>(i));
        text += "   -  ";
        Module1::ByteInBit(step.Bit, bits);
        for (uint8_t b : bits) text += b ? '1' : '0';
        // "No" padded as "Si" is, so that the columns after it line up.
        text += step.Abilitato ? "  -  Si   " : "  -  No   ";
        text += "  -  ";
        text += std::to_string(step.Durata);
        text += " mSec.\r\n";
    }
    return text;
}

int64_t TempoTotale(const SequencerState& s) {
    int64_t total = 0;
    for (int i = 1; i <= s.TotaleSteps && i <= kMaxSteps; ++i)
        if (s.Steps(i).Abilitato) total += s.Steps(i).Durata;
    return total;
}

bool QualcheStepAbilitato(const SequencerState& s) {
    for (int i = 1; i <= s.TotaleSteps && i <= kMaxSteps; ++i)
        if (s.Steps(i).Abilitato) return true;
    return false;
}

bool PuoInserire(const SequencerState& s) { return s.TotaleSteps < kMaxSteps; }

void Inserisci(SequencerState& s) {
    if (!PuoInserire(s)) return;
    s.TotaleSteps += 1;
    for (int k = s.TotaleSteps; k >= s.StepCorrente + 1; --k) s.Steps(k) = s.Steps(k - 1);
    StepRec& nuovo = s.Steps(s.StepCorrente);
    nuovo.Bit = 0;
    nuovo.Abilitato = true;
    nuovo.Durata = 0;
    nuovo.Descrizione.clear();
}

void Elimina(SequencerState& s) {
    for (int k = s.StepCorrente; k <= s.TotaleSteps - 1; ++k) s.Steps(k) = s.Steps(k + 1);
    s.TotaleSteps -= 1;
    if (s.TotaleSteps < 1) s.TotaleSteps = 1;
}

void Copia(SequencerState& s) { s.Appunti = s.Steps(s.StepCorrente); }

void Incolla(SequencerState& s) { s.Steps(s.StepCorrente) = s.Appunti; }

bool Aggiungi(SequencerState& s) {
    if (s.TotaleSteps >= kMaxSteps) return false;
    s.TotaleSteps += 1;
    s.StepCorrente = s.TotaleSteps;
    s.Steps(s.StepCorrente).Abilitato = true;
    return true;
}

bool CambiaStep(SequencerState& s, int indice) {
    if (indice == 0 && s.StepCorrente >= 2) {
        s.StepCorrente -= 1;
        return true;
    }
    if (indice == 1 && s.StepCorrente < s.TotaleSteps) {
        s.StepCorrente += 1;
        return true;
    }
    return false;
}

void Azzera(SequencerState& s) {
    s.Testata = TestataRec{};
    s.Steps.Clear();
    s.TotaleSteps = 1;
    s.StepCorrente = 1;
}

std::optional<int32_t> DurataDaTesto(const std::string& testo) {
    int64_t value = 0;
    for (char c : testo) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

}  // namespace quelmar::StepEditor
