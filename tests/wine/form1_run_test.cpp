// The run engine of the main window, observed where a user would: the bytes
// that reached the port (the trace) and the window's look during and after a run.
#include <algorithm>
#include <cstddef>

#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

int64_t AdessoMs() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000 / f.QuadPart;
}

struct Passo {
    bool abilitato;
    uint8_t bit;
    int32_t durata;
};

// What the window looked like at one port write of a run.
struct Istantanea {
    std::string caption;
    std::string label8;
    uint8_t caselle = 0;  // the eight bit boxes as a byte
    bool command3Abilitato = false;
    bool text3Abilitato = false;
    bool frame9Abilitato = false;
    bool picture1Esecuzione = false;
    int vociMenuAbilitate = 0;
};

class Form1RunTest : public Form1Test {
protected:
    void Programma(const std::vector<Passo>& passi) {
        S().TotaleSteps = static_cast<int32_t>(passi.size());
        for (size_t i = 0; i < passi.size(); ++i) {
            quelmar::StepRec& s = S().Steps(static_cast<int>(i) + 1);
            s.Abilitato = passi[i].abilitato;
            s.Bit = passi[i].bit;
            s.Durata = passi[i].durata;
        }
        S().StepCorrente = 1;
        Clic("Command1(4)");  // refresh the view from the model
    }

    // Records the window at each port write.
    void Osserva() {
        F().DopoScritturaPorta = [this] { istantanee_.push_back(Fotografa()); };
    }

    Istantanea Fotografa() {
        Istantanea i;
        i.caption = TestoDi(F().Handle());
        i.label8 = Testo("Label8");
        for (int b = 0; b < 8; ++b)
            if (Spuntato("Check1(" + std::to_string(b) + ")")) i.caselle |= static_cast<uint8_t>(1 << b);
        i.command3Abilitato = IsWindowEnabled(C("Command3")) != FALSE;
        i.text3Abilitato = IsWindowEnabled(C("Text3")) != FALSE;
        i.frame9Abilitato = IsWindowEnabled(C("Frame9")) != FALSE;
        i.picture1Esecuzione = IsWindowVisible(C("Picture1(1)")) && !IsWindowVisible(C("Picture1(0)"));
        for (const char* voce : kVoci) i.vociMenuAbilitate += MenuAbilitato(voce) ? 1 : 0;
        return i;
    }

    // The component keeps its trace open, so a case starts a new section
    // instead of deleting the file.
    void NuovaSezione() { inizioSezione_ = Traccia().size(); }
    std::vector<wine_test::TraceLine> Sezione() {
        auto t = Traccia();
        t.erase(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(std::min(inizioSezione_, t.size())));
        return t;
    }
    std::vector<int> Valori() {
        std::vector<int> v;
        for (const auto& t : Sezione()) v.push_back(t.value);
        return v;
    }

    // A stop request at the first write, then a run of 0 ms steps started in
    // the old run's wait: the new run is over at once, and the old one must
    // still leave its wait and end at the step boundary.
    void NestedRunAfterAStopLetsTheOldRunEnd() {
        Carica();
        PortaPersonalizzata(0x378);
        Programma({{true, 1, 400}, {true, 2, 0}});
        bool chiusa = false;
        AllaScrittura(1, [&] {
            Clic("Command3");  // stop request
            S().Steps(1).Durata = 0;
            Clic("Command3");  // a nested run of 0 ms steps, over at once
            // Should the old run never leave its wait, the window goes.
            GuardiaBlocco(20000, [&] {
                chiusa = true;
                SendMessageA(F().Handle(), WM_CLOSE, 0, 0);
            });
        });
        Clic("Command3");
        AnnullaAzioni();
        EXPECT_FALSE(chiusa) << "the old run waited for a tick that could not come";
        EXPECT_EQ(Valori(), (std::vector<int>{1, 1, 2}));
    }

    // Posts the timer's expiry character to mmtimer1's window, as a late tick would arrive.
    void TickEstraneo() { PostMessageA(C("mmtimer1"), WM_CHAR, 10, 0); }

    static constexpr const char* kVoci[] = {"mnuNuovo", "MnuApri", "MnuRegistra", "mnuSalvaConNome",
                                             "mnuEsegui", "mnuGraph", "MnuOpz",  "MnuFine",     "mnuLPT1",
                                             "mnuLPT2",  "mnuLPTPers", "mnuHelp"};
    std::vector<Istantanea> istantanee_;
    size_t inizioSezione_ = 0;
};

TEST_F(Form1RunTest, RunsArePacedByTheHostedTimerControl) {
    Carica();
    HWND timer = C("mmtimer1");
    EXPECT_EQ(wine_test::ClassName(timer), "RintokCtlWindow");
    EXPECT_EQ(GetParent(timer), F().Handle());
    EXPECT_FALSE(IsWindowVisible(timer)) << "the timer's face is not part of the window";
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 40}, {true, 2, 0}});
    Clic("Command3");
    const auto t = Traccia();
    ASSERT_EQ(t.size(), 2u);
    // The step's own 40 ms wait, with room for the pacing's catch-up.
    EXPECT_GE(t[1].micros - t[0].micros, 35000);
}

TEST_F(Form1RunTest, OnlyEnabledStepsReachThePortInOrder) {
    const struct {
        const char* nome;
        std::vector<Passo> passi;
        std::vector<int> scritti;
        bool oltreLaFine = false;  // an enabled record just above the program
    } casi[] = {
        {"one enabled step of 0 ms", {{true, 0x81, 0}}, {0x81}},
        {"disabled steps are skipped whole",
         {{true, 1, 30}, {false, 2, 500}, {true, 3, 0}, {false, 4, 0}, {true, 5, 20}},
         {1, 3, 5}},
        {"every step disabled writes nothing", {{false, 7, 60000}, {false, 8, 60000}}, {}},
        {"records above the program's length are not played", {{true, 9, 0}}, {9}, true},
    };
    Carica();
    PortaPersonalizzata(0x3BC);
    for (const auto& c : casi) {
        NuovaSezione();
        Programma(c.passi);
        if (c.oltreLaFine) S().Steps(2) = {true, 0x42, 0, ""};
        const int64_t inizio = AdessoMs();
        Clic("Command3");  // returns when the run has ended
        EXPECT_EQ(Valori(), c.scritti) << c.nome;
        for (const auto& t : Sezione()) EXPECT_EQ(t.address, 0x3BC) << c.nome;
        EXPECT_FALSE(S().InEsecuzione) << c.nome;
        // A disabled step is not timed either: two minutes of disabled
        // steps end far sooner than half of one.
        if (c.scritti.empty()) {
            EXPECT_LT(AdessoMs() - inizio, 30000) << c.nome;
        }
    }
}

TEST_F(Form1RunTest, WithoutParallelPortsTheStoredCustomAddressIsSelectedAndUsed) {
    // Under Wine the machine has neither LPT1 nor LPT2.
    Impostazioni::Scrivi("PortaParallela", "Indice", "1");
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "700");
    Carica();
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "1");
    EXPECT_FALSE(MenuAbilitato("mnuLPT1"));
    EXPECT_FALSE(MenuAbilitato("mnuLPT2"));
    EXPECT_TRUE(MenuAbilitato("mnuLPTPers"));
    EXPECT_TRUE(MenuSpuntato("mnuLPT1")) << "the check mark stands on LPT1 at start-up";
    EXPECT_EQ(S().Testata.IndicePorta, 3);
    EXPECT_EQ(F().IndirizzoPorta(), 700);
    Programma({{true, 0x3C, 0}});
    Clic("Command3");
    const auto t = Traccia();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].address, 700);
    EXPECT_EQ(t[0].value, 0x3C);
}

TEST_F(Form1RunTest, ZeroDurationStepsFollowBackToBackAndEachWaitFollowsItsWrite) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 2000}, {true, 2, 0}, {true, 3, 200}});
    const int64_t inizio = AdessoMs();
    Menu("mnuEsegui");  // the menu entry starts a run as the button does
    const int64_t durata = AdessoMs() - inizio;
    const auto t = Traccia();
    ASSERT_EQ(t.size(), 3u);
    // Bounds on the program's own waits, with wide margins: step 1 is held
    // its 2 s, and step 2 of 0 ms is not held the timer's last interval.
    EXPECT_GE(t[1].micros - t[0].micros, 1900000);
    EXPECT_LT(t[2].micros - t[1].micros, 1000000);
    // The button returns only after the last step's 200 ms.
    EXPECT_GE(durata, 2180);
}

TEST_F(Form1RunTest, WindowIsDisabledWhileRunningAndRestoredAfter) {
    Carica();
    PortaPersonalizzata(0x378);
    // LPT1 present, LPT2 absent: only LPT2's entry stays disabled after the run.
    S().PortaLPT1 = 0x378;
    S().PortaLPT2 = 0;
    Programma({{true, 0x0F, 10}, {false, 0, 0}, {true, 0xF0, 10}});
    SetWindowTextA(C("Label8"), "prova.prl");
    Osserva();
    Clic("Command3");
    ASSERT_EQ(istantanee_.size(), 2u);
    const char* numeri[] = {"Step N\xB0" "1", "Step N\xB0" "3"};
    for (size_t i = 0; i < 2; ++i) {
        const Istantanea& s = istantanee_[i];
        EXPECT_EQ(s.caption, "Programmazione porta parallela 3.1.0.0  \xDF - In esecuzione");
        EXPECT_EQ(s.label8, numeri[i]);
        EXPECT_TRUE(s.command3Abilitato);
        EXPECT_FALSE(s.text3Abilitato);
        EXPECT_FALSE(s.frame9Abilitato);
        EXPECT_TRUE(s.picture1Esecuzione);
        EXPECT_EQ(s.vociMenuAbilitate, 0) << "no menu can be used during a run";
        // Without "Visualizza output" the boxes keep showing the edited step.
        EXPECT_EQ(s.caselle, 0x0F);
    }
    const Istantanea dopo = Fotografa();
    EXPECT_EQ(dopo.caption, "Programmazione porta parallela 3.1.0.0  \xDF");
    EXPECT_EQ(dopo.label8, "prova.prl");
    EXPECT_TRUE(dopo.text3Abilitato);
    EXPECT_TRUE(dopo.frame9Abilitato);
    EXPECT_FALSE(dopo.picture1Esecuzione);
    EXPECT_TRUE(IsWindowVisible(C("Picture1(0)")));
    EXPECT_EQ(dopo.vociMenuAbilitate, static_cast<int>(std::size(kVoci)) - 1);
    EXPECT_FALSE(MenuAbilitato("mnuLPT2"));
    EXPECT_TRUE(MenuAbilitato("mnuLPT1"));
}

TEST_F(Form1RunTest, VisualizzaOutputShowsEachStepPlayed) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 0x01, 0}, {true, 0x80, 0}, {true, 0x55, 0}});
    ClicCasella("Check4");
    ASSERT_TRUE(S().Testata.VisualizzaOutput);
    Osserva();
    Clic("Command3");
    ASSERT_EQ(istantanee_.size(), 3u);
    EXPECT_EQ(istantanee_[0].caselle, 0x01);
    EXPECT_EQ(istantanee_[1].caselle, 0x80);
    EXPECT_EQ(istantanee_[2].caselle, 0x55);
    // The edited step is untouched by the run.
    EXPECT_EQ(S().Steps(1).Bit, 0x01);
    EXPECT_EQ(S().Steps(2).Bit, 0x80);
}

TEST_F(Form1RunTest, StopDuringALongStepTurnsIdleAtOnceAndWritesNothingMore) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 0}, {true, 2, 800}, {true, 3, 0}, {true, 4, 0}});
    SetWindowTextA(C("Label8"), "lungo.prl");
    int64_t scrittura2 = 0;
    bool richiesta = false;
    Istantanea allaRichiesta;
    size_t scrittiAllaRichiesta = 0;
    // The stop request comes in the wait of step 2.
    AllaScrittura(2, [&] {
        richiesta = true;
        Clic("Command3");  // the stop request returns at once
        allaRichiesta = Fotografa();
        scrittiAllaRichiesta = Traccia().size();
    });
    auto scrivi = F().DopoScritturaPorta;
    F().DopoScritturaPorta = [&] {
        scrittura2 = AdessoMs();
        scrivi();
    };
    Clic("Command3");
    const int64_t fine = AdessoMs();
    ASSERT_TRUE(richiesta);
    EXPECT_EQ(allaRichiesta.caption, "Programmazione porta parallela 3.1.0.0  \xDF");
    EXPECT_TRUE(allaRichiesta.text3Abilitato);
    EXPECT_GT(allaRichiesta.vociMenuAbilitate, 0);
    EXPECT_EQ(scrittiAllaRichiesta, 2u);
    EXPECT_EQ(Valori(), (std::vector<int>{1, 2}));
    // The step in progress is waited out in full (its 800 ms from its write).
    EXPECT_GE(fine - scrittura2, 700);
    EXPECT_EQ(Testo("Label8"), "lungo.prl");
    EXPECT_FALSE(S().InEsecuzione);
}

TEST_F(Form1RunTest, LoopPlaysAgainUntilStoppedAndStopsAtAStepBoundary) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 15}, {false, 9, 0}, {true, 2, 15}});
    ClicCasella("Check3");
    ASSERT_TRUE(S().Testata.Loop);
    size_t scrittiAllaRichiesta = 0;
    // Stopped in the third pass, during its first step.
    AllaScrittura(5, [&] {
        Clic("Command3");
        scrittiAllaRichiesta = Traccia().size();
    });
    Clic("Command3");
    const std::vector<int> v = Valori();
    EXPECT_EQ(scrittiAllaRichiesta, 5u);
    EXPECT_EQ(v.size(), 5u) << "a write after the stop request";
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(v[i], i % 2 == 0 ? 1 : 2) << i;

    // Every step disabled: the run does not start, and the user is told why.
    NuovaSezione();
    Programma({{false, 1, 15}, {false, 2, 15}});
    domande_.clear();
    Clic("Command3");
    EXPECT_TRUE(Sezione().empty());
    EXPECT_FALSE(S().InEsecuzione);
    EXPECT_EQ(domande_.size(), 1u);
}

TEST_F(Form1RunTest, RunStartedAfterAStopRequestRunsInsideTheOldOne) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 300}, {true, 2, 0}});
    bool interna = false;
    AllaScrittura(1, [&] {
        Clic("Command3");  // stop request: the window is idle again
        Clic("Command3");  // a new run, nested in the old one's wait
        interna = true;
    });
    Clic("Command3");
    EXPECT_TRUE(interna);
    // The old run leaves at its step boundary without playing step 2.
    EXPECT_EQ(Valori(), (std::vector<int>{1, 1, 2}));
    EXPECT_FALSE(S().InEsecuzione);
    EXPECT_EQ(TestoDi(F().Handle()), "Programmazione porta parallela 3.1.0.0  \xDF");
}

TEST_F(Form1RunTest, ARunOfZeroDurationStepsNestedAfterAStopLetsTheOldRunEnd) { NestedRunAfterAStopLetsTheOldRunEnd(); }

TEST_F(Form1RunTest, TicksOfAnEarlierArmingDoNotEndAStepEarly) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 1000}, {true, 2, 1000}, {true, 3, 0}});
    int scrittura = 0;
    F().DopoScritturaPorta = [&] {
        ++scrittura;
        // Step 1: a stale tick already waiting in the queue when the wait begins.
        if (scrittura == 1) TickEstraneo();
        // Step 2: a tick of the old arming that arrives once the wait has begun.
        if (scrittura == 2) Poi([this] { TickEstraneo(); });
    };
    Clic("Command3");
    const auto t = Traccia();
    ASSERT_EQ(t.size(), 3u);
    // Each step is held for (nearly) its own second, not ended by the stray tick.
    EXPECT_GE(t[1].micros - t[0].micros, 900000);
    EXPECT_GE(t[2].micros - t[1].micros, 900000);
}

}  // namespace
}  // namespace form1_test

namespace form1_test {
namespace {

// Runs with "Option"/"Preciso" on: the same bytes, the same order, the same
// stop at a step boundary; only how each hold is finished differs.
class Form1PreciseRunTest : public Form1RunTest {
protected:
    void SetUp() override {
        Form1RunTest::SetUp();
        Impostazioni::Scrivi("Option", "Preciso", "0");
    }
    // Plays the program once with "Preciso" stored as `valore`; the bytes
    // written and whether the run was a precise one.
    std::pair<std::vector<int>, bool> Suona(const char* valore) {
        Impostazioni::Scrivi("Option", "Preciso", valore);
        NuovaSezione();
        bool precisa = false;
        F().DopoScritturaPorta = [&] { precisa = F().EsecuzionePrecisa(); };
        Clic("Command3");
        EXPECT_FALSE(S().InEsecuzione) << valore;
        return {Valori(), precisa};
    }
};

TEST_F(Form1PreciseRunTest, OnAndOffWriteTheSameBytesInTheSameOrder) {
    Carica();
    PortaPersonalizzata(0x378);
    // Steps shorter than the margin, around it, long enough to arm the
    // timer, of 0 ms, below 0 (held as 1 ms) and disabled.
    Programma({{true, 0x01, 1},
               {true, 0x02, 2},
               {false, 0x99, 40},
               {true, 0x03, 0},
               {true, 0x04, 25},
               {true, 0x05, -5},
               {true, 0x06, 3},
               {false, 0x98, 0},
               {true, 0x07, 60},
               {true, 0x08, 0}});
    const std::vector<int> attesi = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto spenta = Suona("0");
    const auto accesa = Suona("1");
    EXPECT_FALSE(spenta.second);
    EXPECT_TRUE(accesa.second);
    EXPECT_EQ(spenta.first, attesi);
    EXPECT_EQ(accesa.first, attesi);
    // Stored values other than "0" and "1" count as off.
    for (const char* cattivo : {"2", "-1", " 1", "si", ""}) {
        const auto r = Suona(cattivo);
        EXPECT_FALSE(r.second) << '"' << cattivo << '"';
        EXPECT_EQ(r.first, attesi) << '"' << cattivo << '"';
    }
}

TEST_F(Form1PreciseRunTest, StopRequestEndsAPreciseRunAtTheStepBoundary) {
    Impostazioni::Scrivi("Option", "Preciso", "1");
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 0}, {true, 2, 300}, {true, 3, 1}, {true, 4, 0}});
    SetWindowTextA(C("Label8"), "preciso.prl");
    size_t scrittiAllaRichiesta = 0;
    std::string didascalia;
    AllaScrittura(2, [&] {
        Clic("Command3");  // the stop request returns at once
        scrittiAllaRichiesta = Traccia().size();
        didascalia = TestoDi(F().Handle());
    });
    Clic("Command3");
    EXPECT_TRUE(F().EsecuzionePrecisa());
    EXPECT_EQ(scrittiAllaRichiesta, 2u);
    EXPECT_EQ(didascalia, "Programmazione porta parallela 3.1.0.0  \xDF") << "idle at once";
    EXPECT_EQ(Valori(), (std::vector<int>{1, 2})) << "no write after the stop request";
    EXPECT_EQ(Testo("Label8"), "preciso.prl");
    EXPECT_FALSE(S().InEsecuzione);

    // In a loop of steps all shorter than the margin (spun, no timer), the
    // request is still taken at the boundary of the step it came in.
    NuovaSezione();
    ClicCasella("Check3");
    ASSERT_TRUE(S().Testata.Loop);
    Programma({{true, 5, 1}, {true, 6, 0}, {true, 7, 1}});
    AllaScrittura(7, [&] { Clic("Command3"); });
    Clic("Command3");
    EXPECT_EQ(Valori(), (std::vector<int>{5, 6, 7, 5, 6, 7, 5}));
    EXPECT_FALSE(S().InEsecuzione);
}

// The order of a precise run's events, as a hook on the thread's message
// retrieval sees them: 'W' a port write, 'H' the end of a hold, 'M' a
// message taken from the queue that was posted at the end of a hold.
std::string* registroOrdine = nullptr;
LRESULT CALLBACK RegistraMessaggi(int code, WPARAM rimosso, LPARAM lp) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if (code >= 0 && rimosso == PM_REMOVE && registroOrdine && m->message == WM_APP + 77) *registroOrdine += 'M';
    return CallNextHookEx(nullptr, code, rimosso, lp);
}

TEST_F(Form1PreciseRunTest, NoMessageIsTakenBetweenAHoldsEndAndTheNextWriteAndARealClickStops) {
    Impostazioni::Scrivi("Option", "Preciso", "1");
    Carica();
    PortaPersonalizzata(0x378);
    // Steps spun whole, armed, of 0 ms and disabled; then a long run of 1 ms steps.
    std::vector<Passo> passi = {{true, 1, 1}, {true, 2, 6}, {true, 3, 0}, {false, 9, 5}, {true, 4, 3}};
    for (int i = 0; i < 300; ++i) passi.push_back({true, static_cast<uint8_t>(0x10 + i % 8), 1});
    Programma(passi);
    std::string ordine;
    registroOrdine = &ordine;
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, RegistraMessaggi, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    int scritte = 0;
    F().DopoScritturaPorta = [&] {
        ordine += 'W';
        // A real click on the stop button, through the input queue, amid the 1 ms steps.
        if (++scritte == 20) {
            PostMessageA(C("Command3"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            PostMessageA(C("Command3"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        }
    };
    F().AfterHoldEnds = [&] {
        ordine += 'H';
        PostMessageA(F().Handle(), WM_APP + 77, 0, 0);  // waiting when the next write is due
    };
    Clic("Command3");
    UnhookWindowsHookEx(hook);
    registroOrdine = nullptr;
    F().AfterHoldEnds = nullptr;

    EXPECT_FALSE(S().InEsecuzione);
    EXPECT_LE(Valori().size(), 22u) << "the click ended the run of 1 ms steps within a few steps";
    EXPECT_GE(Valori().size(), 20u);
    // Every hold but the last is followed by the next write, never by a message.
    const size_t ultima = ordine.rfind('H');
    for (size_t i = ordine.find('H'); i != std::string::npos && i < ultima; i = ordine.find('H', i + 1))
        EXPECT_EQ(ordine[i + 1], 'W') << "at " << i << " of " << ordine;
    EXPECT_NE(ordine.find('M'), std::string::npos) << "the posted messages were taken after the writes";
}

TEST_F(Form1PreciseRunTest, ARunStartedInsideAPreciseWaitLetsItEnd) {
    Impostazioni::Scrivi("Option", "Preciso", "1");
    NestedRunAfterAStopLetsTheOldRunEnd();
}

}  // namespace
}  // namespace form1_test
