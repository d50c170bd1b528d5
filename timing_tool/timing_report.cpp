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
constexpr uint16_t kCp1252Alti[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Formato(const char* formato, ...) __attribute__((format(printf, 1, 2)));
std::string Formato(const char* formato, ...) {
    char testo[512];
    va_list a;
    va_start(a, formato);
    std::vsnprintf(testo, sizeof testo, formato, a);
    va_end(a);
    return testo;
}

std::string Porta(uint16_t p) { return Formato("0x%04X", p); }

std::string Plurale(size_t n, const char* uno, const char* tanti) {
    return std::to_string(n) + " " + (n == 1 ? uno : tanti);
}

std::string CampoCsv(const std::string& testo) {
    std::string s = "\"";
    for (char ch : testo) {
        if (ch == '"') s += '"';
        s += ch;
    }
    return s + "\"";
}

const char kUso[] =
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
std::string StrayAndLoopNotes(const Confronto& c) {
    std::string r;
    if (!c.Strays.empty()) {
        r += Plurale(c.Strays.size(), "stray write", "stray writes") +
             " (writes to the port that belong to no run: a bit box, the Test button, a W= start, another program)";
        const size_t shown = std::min<size_t>(c.Strays.size(), 5);
        r += shown < c.Strays.size() ? ", the first " + std::to_string(shown) + ":\n" : ":\n";
        for (size_t i = 0; i < shown; ++i) {
            const StrayWrite& w = c.Strays[i];
            r += Formato("  line %u: 0x%02X (", w.Line, w.Value) + w.Reason + ")\n";
        }
    }
    if (!c.Loop && !c.LoopOverridden && c.BackToBackRuns > 0)
        r += Plurale(c.BackToBackRuns, "run starts", "runs start") +
             " as soon as the run before has ended, as a loop plays them; the program file's loop flag is off "
             "(was \"Loop continuo\" ticked without saving?). To read them as one run in loop: --loop\n";
    return r;
}

}  // namespace

std::string Utf8DaCp1252(const std::string& testo) {
    std::string s;
    s.reserve(testo.size());
    for (char ch : testo) {
        const auto b = static_cast<unsigned char>(ch);
        uint32_t u = b;
        if (b >= 0x80 && b < 0xA0) u = kCp1252Alti[b - 0x80] ? kCp1252Alti[b - 0x80] : 0xFFFD;
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

std::string Millisecondi(int64_t micro, bool segno) {
    const char* s = micro < 0 ? "-" : (segno ? "+" : "");
    const uint64_t a = micro < 0 ? static_cast<uint64_t>(-(micro + 1)) + 1 : static_cast<uint64_t>(micro);
    return Formato("%s%" PRIu64 ".%03" PRIu64, s, a / 1000, a % 1000);
}

std::string TestoRapporto(const ProgramImage& programma, const Confronto& c, const std::string& nomeProgramma,
                          const std::string& nomeTraccia, size_t righe) {
    std::string r;
    r += "Program " + nomeProgramma + ": " + Plurale(static_cast<size_t>(programma.Testata.NumSteps), "step", "steps") +
         ", " + std::to_string(c.Attivi.size()) + " enabled, loop " + (c.Loop ? "on" : "off") + "\n";
    r += "Trace " + nomeTraccia + ": " + Plurale(righe, "line", "lines") + ", " +
         Plurale(c.ScrittureAllaPorta, "write", "writes") + " to port " + Porta(c.Porta) + ", " +
         Plurale(c.AltreScritture, "write", "writes") + " to other addresses (ignored)\n";
    r += Plurale(c.Corse.size(), "run", "runs") + " found.\n";
    r += StrayAndLoopNotes(c);

    for (size_t k = 0; k < c.Corse.size(); ++k) {
        const Corsa& corsa = c.Corse[k];
        const PassoSuonato& primo = c.Suonati[corsa.Primo];
        const PassoSuonato& ultimo = c.Suonati[corsa.Fine - 1];
        r += "\nRun " + std::to_string(k + 1) + " (lines " + std::to_string(primo.Riga) + "-" +
             std::to_string(ultimo.Riga) + ", starts: " + corsa.Inizio + "): " +
             Plurale(static_cast<size_t>(corsa.Giri), "pass", "passes") + ", " +
             Plurale(corsa.Fine - corsa.Primo, "step", "steps") + " played, " +
             (corsa.Completa ? "complete"
                             : "stopped after step " + std::to_string(c.Attivi[static_cast<size_t>(ultimo.Attivo)].Numero)) +
             "\n";

        // Per enabled step: its holds over the run's passes.
        struct Somma {
            size_t n = 0;
            int64_t tenuta = 0, errore = 0, peggiore = 0;
        };
        std::vector<Somma> somme(c.Attivi.size());
        for (size_t i = corsa.Primo; i < corsa.Fine; ++i) {
            const PassoSuonato& p = c.Suonati[i];
            if (!p.Misurato) continue;
            Somma& s = somme[static_cast<size_t>(p.Attivo)];
            ++s.n;
            s.tenuta += p.TenutaMicro;
            s.errore += p.ErroreMicro;
            if ((p.ErroreMicro < 0 ? -p.ErroreMicro : p.ErroreMicro) > (s.peggiore < 0 ? -s.peggiore : s.peggiore) ||
                s.n == 1)
                s.peggiore = p.ErroreMicro;
        }
        r += corsa.Giri > 1 ? "   step  byte  planned ms  holds   actual ms (mean)  error ms (mean)  worst error ms  description\n"
                            : "   step  byte  planned ms  holds   actual ms         error ms         worst error ms  description\n";
        const size_t passi = corsa.Giri > 1 ? c.Attivi.size() : corsa.Fine - corsa.Primo;
        for (size_t j = 0; j < passi; ++j) {
            const PassoAttivo& a = c.Attivi[j];
            const Somma& s = somme[j];
            const std::string descrizione = Utf8DaCp1252(programma.Steps(a.Numero).Descrizione);
            if (s.n == 0) {
                r += Formato("  %5d  0x%02X %11s  %5d   %-17s %-16s %-15s ", a.Numero, a.Bit,
                             Millisecondi(int64_t{a.DurataMs} * 1000).c_str(), 0, "not measured", "-", "-");
            } else {
                const auto n = static_cast<int64_t>(s.n);
                r += Formato("  %5d  0x%02X %11s  %5d   %-17s %-16s %-15s ", a.Numero, a.Bit,
                             Millisecondi(int64_t{a.DurataMs} * 1000).c_str(), static_cast<int>(s.n), Millisecondi(s.tenuta / n).c_str(),
                             Millisecondi(s.errore / n, true).c_str(), Millisecondi(s.peggiore, true).c_str());
            }
            r += descrizione + "\n";
        }
        r += "  The hold of a run's last step is not measured: no write of the run follows it.\n";

        const Statistiche st = StatisticheCorsa(c, corsa);
        if (st.Misurati == 0) {
            r += "  No hold measured: the run wrote a single step.\n";
            continue;
        }
        r += "  Hold error |actual - planned| over " + Plurale(st.Misurati, "hold", "holds") + ": median " +
             Millisecondi(st.Mediana) + " ms, p99 " + Millisecondi(st.P99) + " ms, max " + Millisecondi(st.Massimo) +
             " ms\n";
        r += "  Total " + Millisecondi(st.Suonato) + " ms played against " + Millisecondi(st.Programmato) +
             " ms programmed: drift " + Millisecondi(st.Deriva(), true) + " ms";
        if (st.Programmato > 0)
            r += Formato(" (%+.2f %%)", 100.0 * static_cast<double>(st.Deriva()) / static_cast<double>(st.Programmato));
        r += "\n  Worst steps:\n     line   pass   step  planned ms   actual ms    error ms\n";
        for (size_t i : st.Peggiori) {
            const PassoSuonato& p = c.Suonati[i];
            const PassoAttivo& a = c.Attivi[static_cast<size_t>(p.Attivo)];
            r += Formato("  %7u  %5d  %5d %11s %11s %11s\n", p.Riga, p.Giro, a.Numero,
                         Millisecondi(int64_t{a.DurataMs} * 1000).c_str(), Millisecondi(p.TenutaMicro).c_str(),
                         Millisecondi(p.ErroreMicro, true).c_str());
        }
    }
    return r;
}

bool ScriviCsv(std::FILE* f, const ProgramImage& programma, const Confronto& c) {
    std::fputs("run,pass,step,line,time_us,byte,planned_ms,actual_ms,error_ms,description\n", f);
    // Played steps and stray writes in trace order; a stray write has no run, pass, step or hold.
    size_t k = 0;
    auto strays = [&](uint32_t beforeLine) {
        for (; k < c.Strays.size() && c.Strays[k].Line < beforeLine; ++k)
            std::fprintf(f, ",,,%u,%" PRId64 ",%u,,,,\"stray write\"\n", c.Strays[k].Line, c.Strays[k].Micro,
                         c.Strays[k].Value);
    };
    for (const PassoSuonato& p : c.Suonati) {
        strays(p.Riga);
        const PassoAttivo& a = c.Attivi[static_cast<size_t>(p.Attivo)];
        std::fprintf(f, "%d,%d,%d,%u,%" PRId64 ",%u,%s,%s,%s,%s\n", p.Corsa, p.Giro, a.Numero, p.Riga, p.Micro, a.Bit,
                     Millisecondi(int64_t{a.DurataMs} * 1000).c_str(),
                     p.Misurato ? Millisecondi(p.TenutaMicro).c_str() : "",
                     p.Misurato ? Millisecondi(p.ErroreMicro, true).c_str() : "",
                     CampoCsv(Utf8DaCp1252(programma.Steps(a.Numero).Descrizione)).c_str());
    }
    strays(UINT32_MAX);
    return !std::ferror(f);
}

std::string NomeSegnale(const std::string& descrizione, int bit) {
    static const char* const kAccenti[] = {
        "\xC0\xC1\xC2\xC3\xC4\xC5" "A", "\xC8\xC9\xCA\xCB" "E", "\xCC\xCD\xCE\xCF" "I", "\xD2\xD3\xD4\xD5\xD6" "O",
        "\xD9\xDA\xDB\xDC" "U", "\xC7" "C", "\xD1" "N", "\xE0\xE1\xE2\xE3\xE4\xE5" "a", "\xE8\xE9\xEA\xEB" "e",
        "\xEC\xED\xEE\xEF" "i", "\xF2\xF3\xF4\xF5\xF6" "o", "\xF9\xFA\xFB\xFC" "u", "\xE7" "c", "\xF1" "n"};
    std::string nome;
    for (char ch : descrizione) {
        char fuori = '_';
        if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) {
            fuori = ch;
        } else {
            for (const char* gruppo : kAccenti) {
                const size_t n = std::strlen(gruppo);
                if (std::memchr(gruppo, ch, n - 1)) fuori = gruppo[n - 1];
            }
        }
        if (fuori == '_' && (nome.empty() || nome.back() == '_')) continue;
        nome += fuori;
        if (nome.size() >= 48) break;
    }
    while (!nome.empty() && nome.back() == '_') nome.pop_back();
    if (nome.empty()) return "D" + std::to_string(bit);
    if (nome[0] >= '0' && nome[0] <= '9') nome = "D" + std::to_string(bit) + "_" + nome;
    return nome;
}

std::vector<std::string> NomiSegnali(const TestataRec& testata) {
    std::vector<std::string> nomi;
    for (int i = 0; i < 8; ++i) {
        std::string nome = NomeSegnale(testata.DescrBit[static_cast<size_t>(i)], i);
        bool doppio = nome == "data";
        for (const std::string& altro : nomi) doppio = doppio || altro == nome;
        if (doppio) nome += "_D" + std::to_string(i);
        nomi.push_back(nome);
    }
    return nomi;
}

bool ScriviVcd(std::FILE* f, const std::vector<ScritturaPorta>& scritture, uint16_t porta,
               const std::vector<std::string>& nomi, int64_t coda) {
    // Identifier codes: '!' the vector, 'a'..'h' the bits.
    std::fprintf(f, "$version quelmar-timing $end\n$comment data lines of port 0x%04X $end\n$timescale 1 us $end\n",
                 porta);
    std::fputs("$scope module parallel_port $end\n$var wire 8 ! data [7:0] $end\n", f);
    for (int i = 0; i < 8; ++i)
        std::fprintf(f, "$var wire 1 %c %s $end\n", 'a' + i, nomi[static_cast<size_t>(i)].c_str());
    std::fputs("$upscope $end\n$enddefinitions $end\n", f);

    auto valori = [f](int valore, int prima) {
        if (valore == prima) return;
        char b[9];
        for (int i = 0; i < 8; ++i) b[i] = (valore >> (7 - i)) & 1 ? '1' : '0';
        b[8] = 0;
        std::fprintf(f, "b%s !\n", b);
        for (int i = 0; i < 8; ++i)
            if (prima < 0 || ((valore ^ prima) >> i & 1)) std::fprintf(f, "%c%c\n", (valore >> i) & 1 ? '1' : '0', 'a' + i);
    };

    int attuale = -1;
    int64_t scarto = 0, ultimo = 0;
    bool iniziato = false;
    for (size_t i = 0; i < scritture.size(); ++i) {
        const ScritturaPorta& s = scritture[i];
        if (s.Indirizzo != porta) continue;
        if (iniziato && s.Micro + scarto < ultimo) scarto = ultimo + kStaccoParti - s.Micro;
        const int64_t t = s.Micro + scarto;
        // Writes in the same microsecond: the last one stays on the lines.
        int valore = s.Valore;
        size_t j = i + 1;
        for (; j < scritture.size(); ++j) {
            if (scritture[j].Indirizzo != porta) continue;
            if (scritture[j].Micro + scarto != t) break;
            valore = scritture[j].Valore;
            i = j;
        }
        ultimo = t;
        if (!iniziato) {
            std::fprintf(f, "#%" PRId64 "\n$dumpvars\n", t);
            valori(valore, -1);
            std::fputs("$end\n", f);
            iniziato = true;
        } else if (valore != attuale) {
            std::fprintf(f, "#%" PRId64 "\n", t);
            valori(valore, attuale);
        }
        attuale = valore;
    }
    if (iniziato && coda > 0) std::fprintf(f, "#%" PRId64 "\n", ultimo + coda);
    return !std::ferror(f);
}

bool ScriviFileIntero(const std::string& path, const std::function<bool(std::FILE*)>& scrivi, std::string& errore) {
    const std::string temporaneo = NomeTemporaneo(path);
    std::FILE* f = std::fopen(temporaneo.c_str(), "wb");
    if (!f) {
        errore = path + ": cannot write (" + std::strerror(errno) + ")";
        return false;
    }
    std::vector<char> buffer(1 << 16);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    bool ok = scrivi(f);
    ok = std::fflush(f) == 0 && ok && !std::ferror(f) && ScriviSuDisco(f);
    ok = std::fclose(f) == 0 && ok;
    std::string motivo = "write error";
    if (ok && SostituisciFile(temporaneo, path, motivo)) return true;
    std::remove(temporaneo.c_str());
    errore = path + ": not written (" + motivo + ")";
    return false;
}

int EseguiQuelmarTiming(const std::vector<std::string>& argomenti, std::string& uscita, std::string& errori) {
    std::vector<std::string> posizionali;
    std::string vcd, csv;
    std::optional<uint16_t> porta;
    MatchOptions options;
    for (size_t i = 0; i < argomenti.size(); ++i) {
        const std::string& a = argomenti[i];
        if (a == "-h" || a == "--help") {
            uscita = kUso;
            return 0;
        }
        if (a == "--strict") {
            options.Strict = true;
            continue;
        }
        if (a == "--loop" || a == "--once") {
            if (options.Loop && *options.Loop != (a == "--loop")) {
                errori = "quelmar-timing: --loop and --once exclude each other\n" + std::string(kUso);
                return 1;
            }
            options.Loop = a == "--loop";
            continue;
        }
        if (a == "--vcd" || a == "--csv" || a == "--port") {
            if (i + 1 == argomenti.size() || argomenti[i + 1].empty()) {
                errori = "quelmar-timing: " + a + " needs a value\n" + kUso;
                return 1;
            }
            const std::string& v = argomenti[++i];
            if (a == "--vcd") vcd = v;
            if (a == "--csv") csv = v;
            if (a == "--port") {
                std::string cifre = v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X') ? v.substr(2) : v;
                unsigned valore = 0;
                bool ok = !cifre.empty() && cifre.size() <= 4;
                for (char ch : cifre) {
                    const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
                    ok = ok && hex;
                    if (hex) valore = valore * 16 + static_cast<unsigned>(ch <= '9' ? ch - '0' : (ch | 0x20) - 'a' + 10);
                }
                if (!ok) {
                    errori = "quelmar-timing: --port needs 1 to 4 hexadecimal digits, not \"" + v + "\"\n";
                    return 1;
                }
                porta = static_cast<uint16_t>(valore);
            }
        } else if (a.size() > 1 && a[0] == '-') {
            errori = "quelmar-timing: unknown option " + a + "\n" + kUso;
            return 1;
        } else {
            posizionali.push_back(a);
        }
    }
    if (posizionali.size() != 2) {
        errori = kUso;
        return 1;
    }
    const std::string& nomeProgramma = posizionali[0];
    const std::string& nomeTraccia = posizionali[1];
    for (const std::string* uscitaFile : {&vcd, &csv}) {
        const std::string& u = *uscitaFile;
        if (!u.empty() && (u == nomeProgramma || u == nomeTraccia || (&u == &csv && u == vcd))) {
            errori = "quelmar-timing: " + u + " is named twice: an output may not replace an input or the other output\n";
            return 1;
        }
    }

    ProgramImage programma;
    const FileResult letto = LeggiProgrammaDaFile(nomeProgramma, programma);
    if (!letto.Ok()) {
        errori = "quelmar-timing: not a program file: " + Utf8DaCp1252(letto.Error) + "\n";
        return 1;
    }
    std::vector<ScritturaPorta> scritture;
    const std::string motivo = LeggiTracciaDaFile(nomeTraccia, scritture);
    if (!motivo.empty()) {
        errori = "quelmar-timing: " + motivo + "\n";
        return 1;
    }
    const Confronto c = ConfrontaTraccia(programma, scritture, porta, options);

    std::string errore;
    if (!vcd.empty() && c.ScrittureAllaPorta > 0) {
        const std::vector<std::string> nomi = NomiSegnali(programma.Testata);
        // The last step's planned hold, when the trace is known to be of this program and ends with a step.
        const bool endsWithStep = c.Adatta && (c.Strays.empty() || c.Strays.back().Line < c.Suonati.back().Riga);
        const int64_t coda =
            endsWithStep ? int64_t{c.Attivi[static_cast<size_t>(c.Suonati.back().Attivo)].DurataMs} * 1000 : 0;
        if (!ScriviFileIntero(vcd, [&](std::FILE* f) { return ScriviVcd(f, scritture, c.Porta, nomi, coda); },
                              errore)) {
            errori = "quelmar-timing: " + errore + "\n";
            return 1;
        }
    }
    if (!c.Adatta) {
        errori = "quelmar-timing: the trace " + nomeTraccia + " does not fit the program " + nomeProgramma + ": " +
                 c.Divergenza + "\n";
        if (!csv.empty()) errori += "quelmar-timing: " + csv + " not written\n";
        if (!vcd.empty() && c.ScrittureAllaPorta > 0)
            errori += "quelmar-timing: " + vcd + " written: it shows the trace as it is\n";
        return 2;
    }
    if (!csv.empty() && !ScriviFileIntero(csv, [&](std::FILE* f) { return ScriviCsv(f, programma, c); }, errore)) {
        errori = "quelmar-timing: " + errore + "\n";
        return 1;
    }
    uscita = TestoRapporto(programma, c, nomeProgramma, nomeTraccia, scritture.size());
    return 0;
}

}  // namespace quelmar::timing
