// quelmar-timing: reading the port trace, matching it to the program, and the
// figures of the report, on synthetic traces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "timing_tool/timing_match.h"
#include "timing_tool/timing_report.h"

namespace quelmar::timing {
namespace {

struct Passo {
    bool abilitato;
    uint8_t bit;
    int32_t ms;
};

ProgramImage Programma(const std::vector<Passo>& passi, bool loop = false) {
    ProgramImage p;
    p.Testata.NumSteps = static_cast<int16_t>(passi.size());
    p.Testata.Loop = loop;
    for (size_t i = 0; i < passi.size(); ++i)
        p.Steps(static_cast<int>(i + 1)) = {passi[i].abilitato, passi[i].bit, passi[i].ms, ""};
    return p;
}

// Lines "T 0x0378 V": each write `dopo` microseconds after the one before.
struct Scritta {
    int64_t dopo;
    int valore;
    uint16_t indirizzo = 0x378;
};

std::string Traccia(const std::vector<Scritta>& scritte, int64_t inizio = 5000) {
    std::string t;
    int64_t adesso = inizio;
    for (const Scritta& s : scritte) {
        adesso += s.dopo;
        char riga[64];
        std::snprintf(riga, sizeof riga, "%lld 0x%04X %d\n", static_cast<long long>(adesso), s.indirizzo, s.valore);
        t += riga;
    }
    return t;
}

// One pass of the enabled steps, every hold `ritardo` microseconds late.
std::vector<Scritta> Giro(const std::vector<Passo>& passi, int64_t ritardo, int64_t primoDopo = 0) {
    std::vector<Scritta> s;
    int64_t dopo = primoDopo;
    for (const Passo& p : passi) {
        if (!p.abilitato) continue;
        s.push_back({dopo, p.bit});
        dopo = p.ms * 1000 + ritardo;
    }
    return s;
}

Confronto Confronta(const ProgramImage& p, const std::string& testo, const MatchOptions& options = {}) {
    std::vector<ScritturaPorta> scritture;
    const std::string errore = LeggiTesto(testo.data(), testo.size(), "t.txt", scritture);
    EXPECT_EQ(errore, "");
    return ConfrontaTraccia(p, scritture, std::nullopt, options);
}

void Accoda(std::vector<Scritta>& a, const std::vector<Scritta>& b) { a.insert(a.end(), b.begin(), b.end()); }

// Steps 10, 0 (back to back), disabled, 20 and 30 ms.
const std::vector<Passo> kQuattro = {{true, 0x01, 10}, {true, 0x02, 0}, {false, 0x7F, 99}, {true, 0x04, 20}, {true, 0x08, 30}};

TEST(TimingMatch, ExactAndUniformlyLateHoldsGiveTheirErrorAndDrift) {
    for (int64_t ritardo : {0, 400}) {
        const Confronto c = Confronta(Programma(kQuattro), Traccia(Giro(kQuattro, ritardo)));
        ASSERT_TRUE(c.Adatta) << c.Divergenza;
        ASSERT_EQ(c.Corse.size(), 1u);
        EXPECT_TRUE(c.Corse[0].Completa);
        ASSERT_EQ(c.Suonati.size(), 4u);
        // The disabled step 3 is neither written nor timed; step 5, the last, has no following write.
        const std::vector<int> numeri = {1, 2, 4, 5};
        for (size_t i = 0; i < 4; ++i) EXPECT_EQ(c.Attivi[c.Suonati[i].Attivo].Numero, numeri[i]);
        EXPECT_FALSE(c.Suonati[3].Misurato);
        EXPECT_EQ(c.Suonati[1].TenutaMicro, ritardo);  // the zero-duration step
        const Statistiche st = StatisticheCorsa(c, c.Corse[0]);
        EXPECT_EQ(st.Misurati, 3u);
        EXPECT_EQ(st.Mediana, ritardo);
        EXPECT_EQ(st.P99, ritardo);
        EXPECT_EQ(st.Massimo, ritardo);
        EXPECT_EQ(st.Programmato, 30000);
        EXPECT_EQ(st.Deriva(), 3 * ritardo);
    }
}

TEST(TimingMatch, MedianP99MaxAndTheTenWorstStepsOfAHundredHolds) {
    std::vector<Passo> passi;
    for (int i = 0; i < 101; ++i) passi.push_back({true, static_cast<uint8_t>(i), 5});
    // Step i+1's hold is off by (i % 2 ? -1 : +1) * (i+1) us: errors 1..100 us, half early.
    std::vector<Scritta> s;
    for (int i = 0; i < 101; ++i) s.push_back({i == 0 ? 0 : 5000 + (i % 2 ? i : -i), i});
    const Confronto c = Confronta(Programma(passi), Traccia(s));
    ASSERT_TRUE(c.Adatta) << c.Divergenza;
    const Statistiche st = StatisticheCorsa(c, c.Corse[0]);
    EXPECT_EQ(st.Misurati, 100u);
    EXPECT_EQ(st.Mediana, 50);
    EXPECT_EQ(st.P99, 99);
    EXPECT_EQ(st.Massimo, 100);
    EXPECT_EQ(st.Deriva(), -50);  // fifty holds early, fifty late, each pair 1 us apart
    ASSERT_EQ(st.Peggiori.size(), 10u);
    for (size_t k = 0; k < 10; ++k) EXPECT_EQ(c.Suonati[st.Peggiori[k]].Riga, 100 - k) << k;
    EXPECT_EQ(c.Suonati[st.Peggiori[0]].ErroreMicro, -100);
}

TEST(TimingMatch, StrictlyALostOrAnExtraWriteIsReportedWhereTheTraceParts) {
    struct Caso {
        const char* nome;
        std::vector<Scritta> scritte;
        const char* divergenza;
    };
    std::vector<Scritta> esatto = Giro(kQuattro, 0);
    std::vector<Scritta> persa = esatto;
    persa.erase(persa.begin() + 2);  // step 4's byte never reached the port
    std::vector<Scritta> extra = esatto;
    extra.insert(extra.begin() + 2, {300, 0x55});
    std::vector<Scritta> primaSbagliata = {{0, 0x02}};
    const Caso casi[] = {
        {"lost", persa, "line 3: run 1, pass 1: expected step 4 (byte 0x04, 20 ms) or a new run from step 1 (byte 0x01, 10 ms), but the trace writes 0x08"},
        {"extra", extra, "line 3: run 1, pass 1: expected step 4 (byte 0x04, 20 ms) or a new run from step 1 (byte 0x01, 10 ms), but the trace writes 0x55"},
        {"first", primaSbagliata, "line 1: a run starts with step 1 (byte 0x01, 10 ms), but the trace writes 0x02"},
    };
    const MatchOptions strict{true, std::nullopt};
    for (const Caso& k : casi) {
        const Confronto c = Confronta(Programma(kQuattro), Traccia(k.scritte), strict);
        EXPECT_FALSE(c.Adatta) << k.nome;
        EXPECT_EQ(c.Divergenza, k.divergenza) << k.nome;
    }
    // A run without loop that has played its last step is over: step 2's byte cannot follow.
    std::vector<Scritta> oltre = esatto;
    oltre.push_back({30000, 0x02});
    const Confronto c = Confronta(Programma(kQuattro), Traccia(oltre), strict);
    EXPECT_FALSE(c.Adatta);
    EXPECT_EQ(c.Divergenza.rfind("line 5: the run before ended with its last step", 0), 0u) << c.Divergenza;
}

TEST(TimingMatch, StrayWritesAreListedAndTheRunsAroundThemStillFit) {
    struct Case {
        const char* name;
        std::vector<Scritta> writes;
        std::vector<uint32_t> strayLines;
        size_t runs;        // 0: the trace does not fit
        size_t measured;    // holds measured in run 1
    };
    std::vector<Scritta> after = Giro(kQuattro, 0);
    after.push_back({30000, 0x00});                        // the Test button after a run
    std::vector<Scritta> inside = Giro(kQuattro, 0);
    inside.insert(inside.begin() + 2, {300, 0x55});        // another program, mid-run
    std::vector<Scritta> before = {{0, 0xFF}, {2000, 0x00}};  // bit boxes before the run
    Accoda(before, Giro(kQuattro, 0, 500));
    std::vector<Scritta> between = Giro(kQuattro, 0);
    Accoda(between, {{30000, 0x10}});
    Accoda(between, Giro(kQuattro, 0, 2000000));
    const Case cases[] = {
        {"after", after, {5}, 1, 3},
        {"inside", inside, {3}, 1, 3},
        {"before", before, {1, 2}, 1, 3},
        {"between", between, {5}, 2, 3},
        {"only strays", {{0, 0x40}, {10, 0x41}}, {1, 2}, 0, 0},
    };
    for (const Case& k : cases) {
        const Confronto c = Confronta(Programma(kQuattro), Traccia(k.writes));
        std::vector<uint32_t> lines;
        for (const StrayWrite& w : c.Strays) lines.push_back(w.Line);
        EXPECT_EQ(lines, k.strayLines) << k.name;
        EXPECT_EQ(c.Adatta, k.runs > 0) << k.name;
        ASSERT_EQ(c.Corse.size(), k.runs) << k.name;
        if (k.runs) {
            EXPECT_EQ(StatisticheCorsa(c, c.Corse[0]).Misurati, k.measured) << k.name;
        }
    }
    const Confronto none = Confronta(Programma(kQuattro), Traccia({{0, 0x40}}));
    EXPECT_EQ(none.Divergenza,
              "no run of the program among the 1 write to the port 0x0378; line 1: a run starts with step 1 (byte 0x01, "
              "10 ms), but the trace writes 0x40");
}

TEST(TimingMatch, RunsPlayedBackToBackWithTheLoopFlagOffAreCountedAndLoopReadsThemAsOne) {
    std::vector<Scritta> s;
    for (int pass = 0; pass < 3; ++pass) Accoda(s, Giro(kQuattro, 0, pass == 0 ? 0 : 30000));
    const Confronto once = Confronta(Programma(kQuattro), Traccia(s));
    EXPECT_EQ(once.Corse.size(), 3u);
    EXPECT_EQ(once.BackToBackRuns, 2u);
    const Confronto loop = Confronta(Programma(kQuattro), Traccia(s), {false, true});
    ASSERT_EQ(loop.Corse.size(), 1u);
    EXPECT_EQ(loop.Corse[0].Giri, 3);
    EXPECT_TRUE(loop.LoopOverridden);
    EXPECT_EQ(Confronta(Programma(kQuattro, true), Traccia(s), {false, false}).Corse.size(), 3u);
}

TEST(TimingMatch, LoopPassesAndStoppedAndSuccessiveRunsAreTold) {
    // Loop, every hold 100 us late: three passes and a stop after step 2 of
    // the fourth; a run started at once and stopped at the end of its pass; a
    // run started after a pause; one from another process (its clock restarts).
    std::vector<Scritta> s;
    for (int giro = 0; giro < 3; ++giro) Accoda(s, Giro(kQuattro, 100, giro == 0 ? 0 : 30100));
    Accoda(s, {{30100, 0x01}, {10100, 0x02}});
    Accoda(s, Giro(kQuattro, 0, 40000));
    Accoda(s, Giro(kQuattro, 0, 30000 + 5000000));
    const std::string testo = Traccia(s) + Traccia({{0, 0x01}, {10000, 0x02}}, 100);
    const Confronto c = Confronta(Programma(kQuattro, true), testo);
    ASSERT_TRUE(c.Adatta) << c.Divergenza;
    ASSERT_EQ(c.Corse.size(), 4u);
    EXPECT_EQ(c.Corse[0].Giri, 4);
    EXPECT_EQ(c.Corse[0].Fine - c.Corse[0].Primo, 14u);
    EXPECT_FALSE(c.Corse[0].Completa);
    EXPECT_EQ(c.Suonati[13].Giro, 4);
    EXPECT_EQ(c.Corse[1].Inizio, "the run before was stopped");
    EXPECT_EQ(c.Corse[1].Giri, 1);
    EXPECT_EQ(c.Corse[2].Inizio, "a pause of 5000 ms after the run before");
    EXPECT_EQ(c.Corse[3].Inizio, "the time starts again (another process traced)");
    const Statistiche st = StatisticheCorsa(c, c.Corse[0]);
    EXPECT_EQ(st.Misurati, 13u);
    EXPECT_EQ(st.Massimo, 100);
    EXPECT_EQ(st.Programmato, 3 * 60000 + 10000);  // step 2 of pass 4 ended the run: not measured
    EXPECT_EQ(st.Deriva(), 1300);
}

TEST(TimingMatch, RunsWithoutLoopStoppedOrPlayedAgainAndWritesElsewhere) {
    std::vector<Scritta> s = {{0, 0x01}, {10000, 0x02}};  // stopped after step 2
    Accoda(s, Giro(kQuattro, 0, 900));                       // played whole
    Accoda(s, Giro(kQuattro, 0, 40000));                     // and again at once
    s.insert(s.begin() + 3, {0, 0x33, 0x278});               // another address, ignored
    const Confronto c = Confronta(Programma(kQuattro), Traccia(s));
    ASSERT_TRUE(c.Adatta) << c.Divergenza;
    EXPECT_EQ(c.Porta, 0x378);
    EXPECT_EQ(c.AltreScritture, 1u);
    EXPECT_EQ(c.ScrittureAllaPorta, 10u);
    ASSERT_EQ(c.Corse.size(), 3u);
    EXPECT_FALSE(c.Corse[0].Completa);
    EXPECT_EQ(c.Corse[0].Inizio, "first write");
    EXPECT_EQ(c.Corse[1].Inizio, "the run before was stopped");
    EXPECT_EQ(c.Corse[2].Inizio, "after the end of the run before");
    EXPECT_TRUE(c.Corse[1].Completa && c.Corse[2].Completa);
    // The hold before a new run is the run's last and is not measured.
    EXPECT_FALSE(c.Suonati[1].Misurato);
    EXPECT_EQ(StatisticheCorsa(c, c.Corse[1]).Deriva(), 0);
}

TEST(TimingMatch, FirstStepsByteAgainIsTheNextStepUnlessAPauseComesFirst) {
    const std::vector<Passo> uguali = {{true, 0x01, 10}, {true, 0x01, 20}, {true, 0x02, 5}};
    // Quickly: step 2. Over a second after step 1 was due to end: a new run.
    const Confronto presto = Confronta(Programma(uguali), Traccia({{0, 1}, {10500, 1}, {20000, 2}}));
    ASSERT_TRUE(presto.Adatta) << presto.Divergenza;
    EXPECT_EQ(presto.Corse.size(), 1u);
    const Confronto tardi = Confronta(Programma(uguali), Traccia({{0, 1}, {1010001, 1}, {20000, 1}, {20000, 2}}));
    ASSERT_TRUE(tardi.Adatta) << tardi.Divergenza;
    ASSERT_EQ(tardi.Corse.size(), 2u);
    EXPECT_EQ(tardi.Corse[1].Primo, 1u);
}

TEST(TimingMatch, APortWithNoWriteOrAProgramWithNoEnabledStepDoesNotFit) {
    const std::string testo = Traccia({{0, 1}});
    std::vector<ScritturaPorta> scritture;
    ASSERT_EQ(LeggiTesto(testo.data(), testo.size(), "t.txt", scritture), "");
    const Confronto altrove = ConfrontaTraccia(Programma(kQuattro), scritture, uint16_t{0x278});
    EXPECT_FALSE(altrove.Adatta);
    EXPECT_EQ(altrove.Divergenza, "the trace has no write to the port 0x0278");
    const Confronto vuoto = ConfrontaTraccia(Programma({{false, 1, 10}}), scritture, std::nullopt);
    EXPECT_FALSE(vuoto.Adatta);
    EXPECT_EQ(vuoto.Divergenza, "line 1: the program has no enabled step, but the trace writes 0x01");
}

TEST(PortTraceFile, MalformedLinesAreRefusedNamingFileAndLine) {
    struct Caso {
        std::string testo;
        std::string errore;  // start of the message
    };
    const Caso casi[] = {
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
    for (const Caso& k : casi) {
        std::vector<ScritturaPorta> s;
        const std::string e = LeggiTesto(k.testo.data(), k.testo.size(), "t.txt", s);
        EXPECT_EQ(e.substr(0, k.errore.size()), k.errore) << e;
        EXPECT_TRUE(s.empty());
    }
    // Windows line ends, lower-case hex and short addresses are the same writes.
    const std::string buono = "0 0x0378 0\r\n18446744 0x3bc 255\n";
    std::vector<ScritturaPorta> s;
    ASSERT_EQ(LeggiTesto(buono.data(), buono.size(), "t.txt", s), "");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].Micro, 18446744);
    EXPECT_EQ(s[1].Indirizzo, 0x3BC);
    EXPECT_EQ(s[1].Valore, 255);
    EXPECT_EQ(s[1].Riga, 2u);
}

TEST(TimingReport, MillisecondsAndSignalNames) {
    EXPECT_EQ(Millisecondi(0), "0.000");
    EXPECT_EQ(Millisecondi(1234567, true), "+1234.567");
    EXPECT_EQ(Millisecondi(-5, true), "-0.005");
    EXPECT_EQ(Millisecondi(INT64_MIN), "-9223372036854775.808");
    const std::pair<const char*, const char*> nomi[] = {
        {"Rel\xE8 1", "Rele_1"}, {"", "D3"}, {" - ", "D3"}, {"3 volt", "D3_3_volt"},
        {"pompa/valvola (N.C.)", "pompa_valvola_N_C"}, {"\xC0 \xDF", "A"}, {"$end", "end"},
    };
    for (const auto& [descrizione, atteso] : nomi) EXPECT_EQ(NomeSegnale(descrizione, 3), atteso) << descrizione;
    TestataRec t;
    t.DescrBit = {"data", "Lamp", "Lamp", "", "x", "x", "D6", ""};
    const std::vector<std::string> attesi = {"data_D0", "Lamp", "Lamp_D2", "D3", "x", "x_D5", "D6", "D7"};
    EXPECT_EQ(NomiSegnali(t), attesi);
}

}  // namespace
}  // namespace quelmar::timing
