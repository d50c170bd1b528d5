// Trace-to-program matching and hold statistics.
#include "timing_tool/timing_match.h"

#include <algorithm>
#include <cstdio>

namespace quelmar::timing {
namespace {

std::string Byte(uint8_t b) {
    char s[8];
    std::snprintf(s, sizeof s, "0x%02X", b);
    return s;
}

std::string Descrivi(const PassoAttivo& p) {
    return "step " + std::to_string(p.Numero) + " (byte " + Byte(p.Bit) + ", " + std::to_string(p.DurataMs) + " ms)";
}

// Nearest-rank percentile of sorted values.
int64_t Percentile(const std::vector<int64_t>& ordinati, int p) {
    if (ordinati.empty()) return 0;
    size_t i = (ordinati.size() * static_cast<size_t>(p) + 99) / 100;
    if (i > 0) --i;
    return ordinati[std::min(i, ordinati.size() - 1)];
}

int64_t Assoluto(int64_t v) { return v < 0 ? -v : v; }

}  // namespace

std::vector<PassoAttivo> PassiAttivi(const ProgramImage& programma) {
    std::vector<PassoAttivo> attivi;
    const int n = std::clamp<int>(programma.Testata.NumSteps, 0, kMaxSteps);
    for (int i = 1; i <= n; ++i) {
        const StepRec& s = programma.Steps(i);
        if (s.Abilitato) attivi.push_back({i, s.Bit, s.Durata});
    }
    return attivi;
}

uint16_t PortaDelProgramma(const std::vector<ScritturaPorta>& scritture, std::optional<uint16_t> porta) {
    if (porta) return *porta;
    std::vector<size_t> conteggio(0x10000);
    for (const ScritturaPorta& s : scritture) ++conteggio[s.Indirizzo];
    uint16_t scelta = 0;
    size_t massimo = 0;
    for (const ScritturaPorta& s : scritture) {
        const size_t n = conteggio[s.Indirizzo];
        if (n > massimo) {
            massimo = n;
            scelta = s.Indirizzo;
        }
    }
    return scelta;
}

Confronto ConfrontaTraccia(const ProgramImage& programma, const std::vector<ScritturaPorta>& scritture,
                           std::optional<uint16_t> porta, const MatchOptions& options) {
    Confronto c;
    c.Loop = options.Loop.value_or(programma.Testata.Loop != 0);
    c.LoopOverridden = options.Loop.has_value();
    c.Attivi = PassiAttivi(programma);
    c.Porta = PortaDelProgramma(scritture, porta);
    const auto& attivi = c.Attivi;
    const int n = static_cast<int>(attivi.size());
    auto fallisci = [&c](const ScritturaPorta& s, const std::string& perche) {
        c.Adatta = false;
        c.Divergenza = "line " + std::to_string(s.Riga) + ": " + perche;
        return c;
    };

    const ScritturaPorta* prima = nullptr;  // the previous write of a run
    int prossimo = 0;                        // index of the next enabled step in the current run
    for (const ScritturaPorta& s : scritture) {
        if (s.Indirizzo != c.Porta) {
            ++c.AltreScritture;
            continue;
        }
        ++c.ScrittureAllaPorta;
        if (n == 0) return fallisci(s, "the program has no enabled step, but the trace writes " + Byte(s.Valore));

        std::string nuova;  // why this write starts a new run; empty: it continues the run
        std::string stray;  // why the write belongs to no run
        bool finita = false;  // the run without loop has written its last step
        bool backToBack = false;
        int atteso = prossimo;
        if (!prima) {
            nuova = "first write";
        } else if (s.Micro < prima->Micro) {
            nuova = "the time starts again (another process traced)";
        } else {
            if (atteso == n) atteso = 0;
            const PassoSuonato& ultimo = c.Suonati.back();
            const int64_t dovuto = ultimo.Micro + int64_t{attivi[static_cast<size_t>(ultimo.Attivo)].DurataMs} * 1000;
            if (prossimo == n && !c.Loop) {
                finita = true;
                nuova = "after the end of the run before";
                backToBack = s.Micro - dovuto <= kPausaNuovaCorsa;
            } else if (s.Valore == attivi[0].Bit && atteso != 0 && s.Valore != attivi[static_cast<size_t>(atteso)].Bit) {
                nuova = "the run before was stopped";
            } else if (s.Valore == attivi[0].Bit && s.Micro - dovuto > kPausaNuovaCorsa) {
                nuova = "a pause of " + std::to_string((s.Micro - dovuto) / 1000) + " ms after the run before";
            }
        }

        if (!nuova.empty()) {
            if (s.Valore != attivi[0].Bit) {
                stray = finita ? "the run before ended with its last step; a new run starts with " +
                                     Descrivi(attivi[0]) + ", but the trace writes " + Byte(s.Valore)
                               : "a run starts with " + Descrivi(attivi[0]) + ", but the trace writes " + Byte(s.Valore);
            }
        } else if (s.Valore != attivi[static_cast<size_t>(atteso)].Bit) {
            const Corsa& r = c.Corse.back();
            stray = "run " + std::to_string(c.Corse.size()) + ", pass " +
                    std::to_string(r.Giri + (prossimo == n ? 1 : 0)) + ": expected " +
                    Descrivi(attivi[static_cast<size_t>(atteso)]);
            if (atteso != 0) stray += " or a new run from " + Descrivi(attivi[0]);
            stray += ", but the trace writes " + Byte(s.Valore);
        }
        if (!stray.empty()) {
            if (options.Strict) return fallisci(s, stray);
            // The matching goes on as if the write had not been there.
            c.Strays.push_back({s.Riga, s.Valore, s.Micro, stray});
            continue;
        }

        if (!nuova.empty()) {
            if (!c.Corse.empty()) c.Corse.back().Fine = c.Suonati.size();
            if (backToBack) ++c.BackToBackRuns;
            Corsa r;
            r.Primo = c.Suonati.size();
            r.Inizio = nuova;
            c.Corse.push_back(r);
            atteso = 0;
        } else {
            Corsa& r = c.Corse.back();
            if (prossimo == n) ++r.Giri;
            PassoSuonato& ultimo = c.Suonati.back();
            ultimo.Misurato = true;
            ultimo.TenutaMicro = s.Micro - ultimo.Micro;
            ultimo.ErroreMicro =
                ultimo.TenutaMicro - int64_t{attivi[static_cast<size_t>(ultimo.Attivo)].DurataMs} * 1000;
        }
        PassoSuonato p;
        p.Riga = s.Riga;
        p.Corsa = static_cast<int>(c.Corse.size());
        p.Giro = c.Corse.back().Giri;
        p.Attivo = atteso;
        p.Micro = s.Micro;
        c.Suonati.push_back(p);
        prossimo = atteso + 1;
        c.Corse.back().Completa = !c.Loop && prossimo == n;
        prima = &s;
    }
    if (c.Suonati.empty()) {
        c.Adatta = false;
        char porta_testo[16];
        std::snprintf(porta_testo, sizeof porta_testo, "0x%04X", c.Porta);
        if (c.Strays.empty()) {
            c.Divergenza = std::string("the trace has no write to the port ") + porta_testo;
        } else {
            const StrayWrite& w = c.Strays.front();
            c.Divergenza = "no run of the program among the " + std::to_string(c.Strays.size()) +
                           (c.Strays.size() == 1 ? " write" : " writes") + " to the port " + porta_testo +
                           "; line " + std::to_string(w.Line) + ": " + w.Reason;
        }
        return c;
    }
    c.Corse.back().Fine = c.Suonati.size();
    c.Adatta = true;
    return c;
}

Statistiche StatisticheCorsa(const Confronto& c, const Corsa& corsa) {
    Statistiche st;
    std::vector<int64_t> errori;
    std::vector<size_t> misurati;
    for (size_t i = corsa.Primo; i < corsa.Fine; ++i) {
        const PassoSuonato& p = c.Suonati[i];
        if (!p.Misurato) continue;
        errori.push_back(Assoluto(p.ErroreMicro));
        misurati.push_back(i);
        st.Suonato += p.TenutaMicro;
        st.Programmato += int64_t{c.Attivi[static_cast<size_t>(p.Attivo)].DurataMs} * 1000;
    }
    st.Misurati = errori.size();
    std::sort(errori.begin(), errori.end());
    st.Mediana = Percentile(errori, 50);
    st.P99 = Percentile(errori, 99);
    st.Massimo = errori.empty() ? 0 : errori.back();
    const size_t k = std::min<size_t>(10, misurati.size());
    // Worst first; among equal errors the earlier step first.
    std::partial_sort(misurati.begin(), misurati.begin() + static_cast<std::ptrdiff_t>(k), misurati.end(),
                      [&c](size_t a, size_t b) {
                          const int64_t ea = Assoluto(c.Suonati[a].ErroreMicro);
                          const int64_t eb = Assoluto(c.Suonati[b].ErroreMicro);
                          return ea != eb ? ea > eb : a < b;
                      });
    st.Peggiori.assign(misurati.begin(), misurati.begin() + static_cast<std::ptrdiff_t>(k));
    return st;
}

}  // namespace quelmar::timing
