// The step editor of the main window, driven through its controls.
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

using Form1EditorTest = Form1Test;

TEST_F(Form1EditorTest, ItalianTextsReachTheScreenIntact) {
    Carica();
    EXPECT_EQ(TestoDi(F().Handle()), "Programmazione porta parallela 3.1.0.0  \xDF");
    EXPECT_EQ(Testo("Label2"), "St.N\xB0    Stato rel\xE8       Abil.   Intervallo");
    EXPECT_EQ(Testo("Frame3"), "Descrizione step N\xB0" "1");
    EXPECT_EQ(Testo("Frame4"), "Descrizione del bit N\xB0" "0");
    EXPECT_EQ(Testo("Frame9"), "Dur. tot (mSec)");
    const struct {
        const char* nome;
        const char* caption;
        const char* tooltip;
    } controlli[] = {
        {"Command1(0)", "Inserisci", "Inserisce un nuovo step nella posizione corrente"},
        {"Command1(1)", "Elimina", "Elimina lo step corrente"},
        {"Command1(2)", "Copia", "Copia in memoria lo step corrente"},
        {"Command1(3)", "Incolla", "Inserisce lo step memorizzato nella posizione corrente"},
        {"Command1(4)", "Descrizione", "Visualizza la descrizione dello step attualmente editato"},
        {"Command1(5)", "Elenco", "Visualizza/Aggiorna l'elenco di tutti gli steps inseriti"},
        {"Command1(6)", "Test", "Programma le uscite con i valori attualmente impostati"},
        {"Command1(7)", "Aggiungi", "Aggiunge un nuovo step in coda"},
        {"Check2", "Step abil.", "Abilita/disabilita lo step editato"},
        {"Check3", "Loop continuo", "Se selezionato, esegue il programma continuamente, altrimenti una sola volta"},
        {"Check4", "Visualizza output", "Visualizza durante l'esecuzione lo stato delle uscite"},
        {"Command2(0)", "", "Decrementa lo step"},
        {"Command2(1)", "", "Incrementa lo step"},
        {"Command3", "", "Esegue tutta la sequenza di programmazione"},
        {"Text3", "0", "Durata dello step editato in millesimi di secondo"},
        {"Label7", "0",
         "Durata totale dell'intero ciclo in millesimi di secondo (solo gli steps abilitati)"},
        {"Label4", "1", "Step attualmente editato"},
        {"Label9", "1", "Totale degli steps inseriti nel programma"},
    };
    for (const auto& c : controlli) {
        EXPECT_EQ(Testo(c.nome), c.caption) << c.nome;
        EXPECT_EQ(Tooltip(c.nome), c.tooltip) << c.nome;
    }
    const struct {
        const char* nome;
        const char* testo;
    } voci[] = {{"mnuNuovo", "&Nuovo"},         {"MnuApri", "&Apri"},   {"MnuRegistra", "&Salva"},
                {"mnuSalvaConNome", "Salva con &Nome"}, {"mnuEsegui", "&Esegui"}, {"mnuGraph", "&Grafico del programma"}, {"MnuOpz", "&Opzioni"},
                {"MnuFine", "&Uscita"},          {"mnuLPT1", "LPT&1"},     {"mnuLPT2", "LPT&2"},
                {"mnuLPTPers", "&Indirizzo personalizzato"}, {"mnuHelp", "&?"}};
    for (const auto& v : voci) EXPECT_EQ(TestoMenu(v.nome), v.testo) << v.nome;
    EXPECT_TRUE(MenuSpuntato("mnuLPT1"));
}

TEST_F(Form1EditorTest, DeleteAskAndKeepAtLeastOneStep) {
    Carica();
    S().Steps(1).Bit = 7;
    risposte_ = {IDYES};
    Clic("Command1(1)");
    ASSERT_EQ(domande_.size(), 1u);
    EXPECT_EQ(domande_[0].Testo, "Elimino lo step alla posizione 1 ?");
    EXPECT_EQ(domande_[0].Stile, 36u);
    EXPECT_EQ(domande_[0].Titolo, "Attenzione !");
    EXPECT_EQ(beep_, 1);
    EXPECT_EQ(S().TotaleSteps, 1);
    EXPECT_EQ(S().Steps(1).Bit, 7);
    EXPECT_EQ(Testo("Label9"), "1");
}

TEST_F(Form1EditorTest, DeleteTheLastOfFiveThenNavigateAndAppendBringsItBack) {
    Carica();
    for (int i = 0; i < 4; ++i) Clic("Command1(7)");
    ASSERT_EQ(S().TotaleSteps, 5);
    ASSERT_EQ(S().StepCorrente, 5);
    S().Steps(5) = {false, 0xA5, 750, "quinto"};
    risposte_ = {IDYES};
    Clic("Command1(1)");
    EXPECT_EQ(Testo("Label9"), "4");
    EXPECT_EQ(Testo("Label4"), "5");
    EXPECT_EQ(Testo("Text1"), "quinto");  // the editor still shows record 5

    beep_ = 0;
    Clic("Command2(1)");
    EXPECT_EQ(beep_, 1);
    EXPECT_EQ(S().StepCorrente, 5);
    Clic("Command2(0)");
    EXPECT_EQ(Testo("Label4"), "4");

    Clic("Command1(7)");
    EXPECT_EQ(S().TotaleSteps, 5);
    EXPECT_EQ(S().StepCorrente, 5);
    EXPECT_EQ(S().Steps(5), (quelmar::StepRec{true, 0xA5, 750, "quinto"}));
    EXPECT_EQ(Testo("Text3"), "750");
    EXPECT_TRUE(Spuntato("Check2"));
    EXPECT_TRUE(Spuntato("Check1(0)"));
    EXPECT_FALSE(Spuntato("Check1(1)"));
}

TEST_F(Form1EditorTest, InsertAtTwoOfThreeAndPasteAskFirst) {
    Carica();
    Clic("Command1(7)");
    Clic("Command1(7)");
    for (int i = 1; i <= 3; ++i) S().Steps(i) = {true, static_cast<uint8_t>(i), i * 100, "s" + std::to_string(i)};
    Clic("Command2(0)");
    ASSERT_EQ(S().StepCorrente, 2);

    risposte_ = {IDNO};
    Clic("Command1(0)");
    EXPECT_EQ(domande_.back().Testo, "Inserisco un nuovo step alla posizione 2 ?");
    EXPECT_EQ(S().TotaleSteps, 3);

    risposte_ = {IDYES};
    Clic("Command1(0)");
    EXPECT_EQ(S().TotaleSteps, 4);
    EXPECT_EQ(S().Steps(2), (quelmar::StepRec{true, 0, 0, ""}));
    EXPECT_EQ(S().Steps(3).Descrizione, "s2");
    EXPECT_EQ(S().Steps(4).Descrizione, "s3");
    EXPECT_EQ(Testo("Label9"), "4");

    // Paste before any copy does nothing, not even a question.
    const size_t chieste = domande_.size();
    Clic("Command1(3)");
    EXPECT_EQ(domande_.size(), chieste);

    Clic("Command2(1)");
    Clic("Command1(2)");  // copy step 3 ("s2")
    Clic("Command2(0)");
    risposte_ = {IDYES};
    Clic("Command1(3)");
    EXPECT_EQ(domande_.back().Testo, "Copio lo step memorizzato sulla posizione 2 ?");
    EXPECT_EQ(S().Steps(2), (quelmar::StepRec{true, 2, 200, "s2"}));
    EXPECT_EQ(Testo("Text1"), "s2");
}

TEST_F(Form1EditorTest, DurationBoxTakesDigitsOnlyAndTheTotalFollowsIt) {
    Carica();
    SetWindowTextA(C("Text3"), "");
    const struct {
        char key;
        int32_t durata;
    } tasti[] = {{'1', 1}, {'2', 12}, {'a', 12}, {'-', 12}, {'.', 12}, {'0', 120}};
    for (const auto& t : tasti) {
        Digita("Text3", t.key);
        EXPECT_EQ(S().Steps(1).Durata, t.durata) << t.key;
    }
    EXPECT_EQ(Testo("Text3"), "120");
    EXPECT_EQ(Testo("Label7"), "120");

    // Disabling the step takes it out of the total at once.
    ClicCasella("Check2");
    EXPECT_FALSE(S().Steps(1).Abilitato);
    EXPECT_EQ(Testo("Label7"), "0");
    Digita("Text3", 8);  // backspace
    EXPECT_EQ(S().Steps(1).Durata, 12);
    EXPECT_EQ(Testo("Label7"), "0");

    // A number beyond 32 bits is not taken: the step keeps its duration.
    SetWindowTextA(C("Text3"), "2147483647");
    EXPECT_EQ(S().Steps(1).Durata, 2147483647);
    SetWindowTextA(C("Text3"), "9999999999");
    EXPECT_EQ(S().Steps(1).Durata, 2147483647);
    EXPECT_EQ(Testo("Text3"), "2147483647");
}

TEST_F(Form1EditorTest, BitBoxesSetTheByteAndSelectTheirDescription) {
    Carica();
    S().Testata.DescrBit[3] = "Motore";
    ClicCasella("Check1(3)");
    EXPECT_EQ(S().Steps(1).Bit, 8);
    EXPECT_EQ(Testo("Frame4"), "Descrizione del bit N\xB0" "3");
    EXPECT_EQ(Testo("Text2"), "Motore");

    SetWindowTextA(C("Text2"), "Pompa \xE8 ok");
    EXPECT_EQ(S().Testata.DescrBit[3], "Pompa \xE8 ok");
    EXPECT_EQ(Tooltip("Check1(3)"), "Pompa \xE8 ok");
    EXPECT_EQ(Tooltip("Label1(3)"), "Pompa \xE8 ok");

    SendMessageA(F().Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(C("Label1(6)")), STN_CLICKED),
                 reinterpret_cast<LPARAM>(C("Label1(6)")));
    EXPECT_EQ(Testo("Frame4"), "Descrizione del bit N\xB0" "6");
    EXPECT_EQ(Testo("Text2"), "");
    EXPECT_EQ(S().Steps(1).Bit, 8);
}

TEST_F(Form1EditorTest, ListModeShowsEveryStepToTheByte) {
    Carica();
    Clic("Command1(7)");
    S().Steps(1) = {false, 0, 0, "primo"};
    S().Steps(2) = {true, 255, 1500, "secondo"};
    Clic("Command1(5)");
    EXPECT_EQ(Testo("Text1"),
              "0001   -  00000000  -  No     -  0 mSec.\r\n"
              "0002   -  11111111  -  Si     -  1500 mSec.\r\n");
    EXPECT_EQ(Testo("Frame3"), "Elenco degli steps inseriti");
    EXPECT_TRUE(IsWindowVisible(C("Label2")));
    EXPECT_TRUE(GetWindowLongA(C("Text1"), GWL_STYLE) & ES_READONLY);
    // The list follows every change; the descriptions are untouched.
    Clic("Command1(1)");
    EXPECT_EQ(S().Steps(2).Descrizione, "secondo");

    Clic("Command1(4)");
    EXPECT_EQ(Testo("Text1"), S().Steps(S().StepCorrente).Descrizione);
    EXPECT_FALSE(IsWindowVisible(C("Label2")));
    EXPECT_FALSE(GetWindowLongA(C("Text1"), GWL_STYLE) & ES_READONLY);
    // Typed over the whole text: a multi-line box reports no change for WM_SETTEXT.
    SendMessageA(C("Text1"), EM_SETSEL, 0, -1);
    SendMessageA(C("Text1"), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("nuova \xE8"));
    EXPECT_EQ(S().Steps(S().StepCorrente).Descrizione, "nuova \xE8");
}

TEST_F(Form1EditorTest, HoldingNextRepeatsAndTheReleaseEndsOnTheStepShown) {
    Carica();
    for (int i = 0; i < 19; ++i) Clic("Command1(7)");
    S().StepCorrente = 1;
    Clic("Command1(4)");
    HWND next = C("Command2(1)");
    // Held until the repeats show step 6, then let go as a user would: the
    // release is queued when "6" reaches the label, so it comes before the
    // next repeat even while the repeats run nested in the editor's own
    // message pumping (a busy machine makes every repeat due at once).
    struct Release {
        HWND button;
        bool posted = false, done = false;
        static LRESULT CALLBACK Label(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
            auto* r = reinterpret_cast<Release*>(data);
            if (m == WM_SETTEXT && !r->posted && (IsWindowUnicode(h) ? std::wstring(reinterpret_cast<const wchar_t*>(l)) == L"6"
                                      : std::string(reinterpret_cast<const char*>(l)) == "6")) {
                r->posted = true;
                PostMessageA(r->button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            }
            return DefSubclassProc(h, m, w, l);
        }
        static LRESULT CALLBACK Button(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
            const LRESULT result = DefSubclassProc(h, m, w, l);
            if (m == WM_LBUTTONUP) reinterpret_cast<Release*>(data)->done = true;
            return result;
        }
    } release{next};
    SetWindowSubclass(C("Label4"), Release::Label, 1, reinterpret_cast<DWORD_PTR>(&release));
    SetWindowSubclass(next, Release::Button, 1, reinterpret_cast<DWORD_PTR>(&release));
    SendMessageA(next, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    const bool released = wine_test::PumpUntil([&] { return release.done; }, 60000);
    RemoveWindowSubclass(C("Label4"), Release::Label, 1);
    RemoveWindowSubclass(next, Release::Button, 1);
    ASSERT_TRUE(released);
    EXPECT_EQ(S().StepCorrente, 6);
    EXPECT_EQ(Testo("Label4"), "6");

    // At the end of the program no step back is made and the click only beeps.
    S().StepCorrente = 19;
    Clic("Command1(4)");
    beep_ = 0;
    SendMessageA(next, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(wine_test::PumpUntil([&] { return beep_ >= 1; }, 60000));
    SendMessageA(next, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(S().StepCorrente, 20);
    EXPECT_GE(beep_, 2);
}

TEST_F(Form1EditorTest, TestCommandWritesTheCurrentByte) {
    Carica();
    PortaPersonalizzata(0x378);
    S().Steps(1).Bit = 0x5A;
    Clic("Command1(6)");
    const auto t = Traccia();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].address, 0x378);
    EXPECT_EQ(t[0].value, 0x5A);
    EXPECT_TRUE(domande_.empty());
}

}  // namespace
}  // namespace form1_test
