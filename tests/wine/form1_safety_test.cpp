// The main window guarding the user's program and the machine: what a run
// leaves in the bit boxes, questions before a changed program is dropped, no
// write to the system board's addresses, the keyboard during a run, the
// command line's file, the menus' access keys and the editor's small mends.
#include "sequencer/form1_texts.h"
#include "sequencer/program_file.h"
#include "host/dialog_keys.h"
#include "services/port_setup.h"
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

struct Passo {
    bool abilitato;
    uint8_t bit;
    int32_t durata;
};

class Form1SafetyTest : public Form1Test {
protected:
    void Programma(const std::vector<Passo>& passi, int corrente = 1) {
        S().TotaleSteps = static_cast<int32_t>(passi.size());
        for (size_t i = 0; i < passi.size(); ++i)
            S().Steps(static_cast<int>(i) + 1) = {passi[i].abilitato, passi[i].bit, passi[i].durata, ""};
        S().StepCorrente = corrente;
        Clic("Command1(4)");  // refresh the view from the model
    }
    // The eight bit boxes as a byte.
    uint8_t Caselle() {
        uint8_t b = 0;
        for (int i = 0; i < 8; ++i)
            if (Spuntato("Check1(" + std::to_string(i) + ")")) b |= static_cast<uint8_t>(1 << i);
        return b;
    }
    std::vector<int> Valori() {
        std::vector<int> v;
        for (const auto& t : Traccia()) v.push_back(t.value);
        return v;
    }
    // No address stored, as on a fresh set-up.
    static void SenzaIndirizzo() {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\QUELMAR\\PortaParallela", 0,
                          KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
            RegDeleteValueA(k, "Indirizzo");
            RegCloseKey(k);
        }
    }
    // Takes messages as the program's loops do, until `fatto` (a guard against
    // a hang, never a trigger).
    static bool PompaFinche(const std::function<bool()>& fatto) {
        const DWORD inizio = GetTickCount();
        while (!fatto() && GetTickCount() - inizio < 60000) {
            MSG msg;
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                host::TranslateAndDispatch(msg);
            else
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return fatto();
    }
    // A key pressed and let go on the focused control, through the window's
    // message loop (the run's wait included).
    static void Tasto(WPARAM vk) {
        const HWND h = GetFocus();
        PostMessageA(h, WM_KEYDOWN, vk, 1);
        PostMessageA(h, WM_KEYUP, vk, 0xC0000001);
    }
};

TEST_F(Form1SafetyTest, AfterARunTheBoxesShowTheCurrentStepAndABitClickKeepsItsOtherBits) {
    for (const bool loop : {false, true}) {
        Carica();
        PortaPersonalizzata(0x378);
        // The editor stands on step 2 (0x01); the run ends on 0x24.
        Programma({{true, 0x80, 0}, {true, 0x01, 0}, {true, 0x24, 5}}, 2);
        ClicCasella("Check4");
        if (loop) ClicCasella("Check3");
        uint8_t mostrati = 0;
        F().DopoScritturaPorta = [&, scritture = 0]() mutable {
            mostrati = Caselle();
            if (loop && ++scritture == 3) Poi([&] { Clic("Command3"); });
        };
        Clic("Command3");
        EXPECT_EQ(mostrati, 0x24) << "the run displayed its bytes";
        EXPECT_EQ(Caselle(), 0x01) << "loop " << loop;
        ClicCasella("Check1(5)");
        EXPECT_EQ(S().Steps(2).Bit, 0x21) << "loop " << loop;
        EXPECT_EQ(Caselle(), 0x21);
        form_.reset();
    }
}

TEST_F(Form1SafetyTest, CommandsThatDropAChangedProgramAskFirst) {
    Carica();
    const std::string altro = wine_test::TempPath("altro.prl");
    quelmar::ProgramImage immagine;
    immagine.Testata.NumSteps = 4;
    ASSERT_TRUE(quelmar::SalvaProgrammaSuFile(altro, immagine).Ok());
    F().Cd.Sostituto = [&](const quelmar::CommonDialog&, bool) { return altro; };
    for (const char* comando : {"MnuApri", "mnuNuovo"}) {
        // Cancel keeps the changed program; No lets the command go on.
        Programma({{true, 9, 10}, {true, 8, 10}});
        domande_.clear();
        risposte_ = {IDCANCEL};
        Menu(comando);
        ASSERT_EQ(domande_.size(), 1u) << comando;
        EXPECT_EQ(domande_[0].Testo, quelmar::Testi::kSalvareModifiche);
        EXPECT_EQ(domande_[0].Stile, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
        EXPECT_EQ(S().TotaleSteps, 2) << comando;
        risposte_ = {IDNO};
        Menu(comando);
        EXPECT_EQ(S().TotaleSteps, std::string(comando) == "MnuApri" ? 4 : 1) << comando;
        // Unchanged since: nothing to ask.
        domande_.clear();
        Menu(comando);
        EXPECT_TRUE(domande_.empty()) << comando;
    }
    DeleteFileA(altro.c_str());
}

TEST_F(Form1SafetyTest, NoWriteGoesToTheSystemBoardsAddresses) {
    // A fresh set-up: no port found (as under Wine) and no address stored.
    SenzaIndirizzo();
    Carica();
    EXPECT_EQ(F().IndirizzoPorta(), 0);
    EXPECT_EQ(Testo("PortStatus"), "Porta: 0000");
    const struct {
        int16_t indirizzo;
        bool scritto;
    } casi[] = {{0, false}, {1, false}, {0xFF, false}, {0x100, true}, {-9216, true}};
    for (const auto& c : casi) {
        PortaPersonalizzata(c.indirizzo);
        EXPECT_EQ(Testo("PortStatus"), "Porta: " + quelmar::IndirizzoEsadecimale(c.indirizzo));
        for (const char* comando : {"Command3", "Command1(6)"}) {
            const size_t prima = Traccia().size();
            domande_.clear();
            Clic(comando);
            EXPECT_EQ(Traccia().size() - prima, c.scritto ? 1u : 0u) << comando << " " << c.indirizzo;
            if (c.scritto) continue;
            ASSERT_EQ(domande_.size(), 1u) << comando;
            const std::string& m = domande_[0].Testo;
            EXPECT_NE(m.find(quelmar::IndirizzoEsadecimale(c.indirizzo)), std::string::npos) << m;
            EXPECT_NE(m.find("Opzioni"), std::string::npos) << m;
            EXPECT_NE(m.find("Porta LPT > Indirizzo personalizzato"), std::string::npos) << m;
            EXPECT_FALSE(S().InEsecuzione);
        }
    }
}

TEST_F(Form1SafetyTest, NewProgramPlaysAndARunWithNothingEnabledSaysSo) {
    Carica();
    PortaPersonalizzata(0x378);
    Menu("mnuNuovo");
    EXPECT_TRUE(Spuntato("Check2"));
    ClicCasella("Check1(0)");
    SetWindowTextA(C("Text3"), "100");
    Clic("Command3");
    EXPECT_EQ(Valori(), (std::vector<int>{1}));
    ClicCasella("Check2");
    domande_.clear();
    Clic("Command3");
    EXPECT_EQ(Valori(), (std::vector<int>{1}));
    ASSERT_EQ(domande_.size(), 1u);
    EXPECT_EQ(domande_[0].Testo, quelmar::Testi::kNessunoStepAbilitato);
}

TEST_F(Form1SafetyTest, SpaceEnterAndEscapeStopARunFromTheStopButton) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 20}, {true, 2, 20}});
    ClicCasella("Check3");
    for (const WPARAM tasto : {VK_SPACE, VK_RETURN, VK_ESCAPE}) {
        const size_t prima = Traccia().size();
        HWND focus = nullptr;
        AllaScrittura(2, [&] {
            focus = GetFocus();
            Tasto(tasto);
        });
        Clic("Command3");  // returns when the run has stopped
        EXPECT_EQ(focus, C("Command3")) << tasto;
        EXPECT_EQ(Traccia().size() - prima, 2u) << tasto;
        EXPECT_FALSE(S().InEsecuzione);
    }
}

TEST_F(Form1SafetyTest, ClosingDuringARunStopsItBeforeTheQuestion) {
    Carica();
    PortaPersonalizzata(0x378);
    Programma({{true, 1, 20}, {true, 2, 20}});
    ClicCasella("Check3");
    bool inEsecuzioneAllaDomanda = true;
    std::string didascaliaAllaDomanda;
    F().MsgBox = [&](const std::string& testo, UINT, const std::string&) {
        domande_.push_back({testo, 0, ""});
        inEsecuzioneAllaDomanda = S().InEsecuzione;
        didascaliaAllaDomanda = TestoDi(F().Handle());
        return IDCANCEL;
    };
    AllaScrittura(3, [&] { PostMessageA(F().Handle(), WM_CLOSE, 0, 0); });
    Clic("Command3");
    ASSERT_EQ(domande_.size(), 1u);
    EXPECT_FALSE(inEsecuzioneAllaDomanda);
    EXPECT_EQ(didascaliaAllaDomanda, quelmar::DidascaliaInattiva());
    EXPECT_EQ(Traccia().size(), 3u) << "nothing played after the question";
    EXPECT_TRUE(IsWindow(F().Handle())) << "Cancel keeps the window";
}

TEST_F(Form1SafetyTest, FileNamedOnTheCommandLineStaysLoaded) {
    char cartella[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cartella);
    const std::string riga = std::string(cartella) + "\\riga.prl";
    quelmar::ProgramImage immagine;
    immagine.Testata.NumSteps = 1;
    immagine.Steps(1) = {true, 0x5A, 0, ""};
    ASSERT_TRUE(quelmar::SalvaProgrammaSuFile(riga, immagine).Ok());
    const std::string avvio = wine_test::TempPath("avvio-opzioni.prl");
    immagine.Testata.NumSteps = 2;
    ASSERT_TRUE(quelmar::SalvaProgrammaSuFile(avvio, immagine).Ok());
    Impostazioni::Scrivi("FileStart", "Nome", avvio);
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "888");
    Carica("f=riga");
    EXPECT_EQ(Valori(), (std::vector<int>{0x5A}));
    EXPECT_EQ(F().NomeFileCorrente(), "riga.prl");
    EXPECT_EQ(Testo("Label8"), "riga.prl");
    EXPECT_EQ(S().TotaleSteps, 1);
    EXPECT_TRUE(domande_.empty());
    DeleteFileA(riga.c_str());
    DeleteFileA(avvio.c_str());
}

TEST_F(Form1SafetyTest, EveryMenuHasAccessKeysAndASharedOneMovesTheSelection) {
    Carica();
    const HWND w = F().Handle();
    const HMENU barra = GetMenu(w), file = GetSubMenu(barra, 0), porta = GetSubMenu(barra, 1);
    const auto tasto = [&](HMENU menu, char c) {
        return static_cast<long>(SendMessageA(w, WM_MENUCHAR, MAKEWPARAM(c, MF_POPUP), reinterpret_cast<LPARAM>(menu)));
    };
    const auto evidenzia = [](HMENU menu, int posizione) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            MENUITEMINFOA mii = {};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_STATE;
            GetMenuItemInfoA(menu, i, TRUE, &mii);
            mii.fState = (mii.fState & ~MFS_HILITE) | (i == posizione ? MFS_HILITE : 0);
            SetMenuItemInfoA(menu, i, TRUE, &mii);
        }
    };
    constexpr long kEsegui = 0x20000, kSeleziona = 0x30000;
    const struct {
        const char* titolo;
        HMENU menu;
        char tasto;
        int evidenziata;
        long risposta;
    } casi[] = {
        {"File", barra, 'f', -1, kEsegui | 0},      {"Porta LPT", barra, 'P', -1, kEsegui | 1},
        {"?", barra, '?', -1, kEsegui | 2},         {"Apri", file, 'a', -1, kEsegui | 1},
        {"Salva", file, 's', -1, kEsegui | 2},      {"Esegui", file, 'e', -1, kEsegui | 5},
        {"Grafico del programma", file, 'g', -1, kEsegui | 6},
        {"Opzioni", file, 'o', -1, kEsegui | 8},    {"Uscita", file, 'u', -1, kEsegui | 10},
        {"N: Nuovo first", file, 'n', -1, kSeleziona | 0},
        {"N again: Salva con Nome", file, 'n', 0, kSeleziona | 3},
        {"N again: back to Nuovo", file, 'n', 3, kSeleziona | 0},
        {"LPT1", porta, '1', -1, kEsegui | 0},      {"LPT2", porta, '2', -1, kEsegui | 1},
        {"Indirizzo personalizzato", porta, 'i', -1, kEsegui | 2},
    };
    if (!F().MenuImmagini()) GTEST_SKIP() << "menus drawn by the system";
    for (const auto& c : casi) {
        evidenzia(c.menu, c.evidenziata);
        EXPECT_EQ(tasto(c.menu, c.tasto), c.risposta) << c.titolo;
    }
    evidenzia(file, -1);
}

TEST_F(Form1SafetyTest, SmallMends) {
    Carica();
    PortaPersonalizzata(0x378);
    const std::string testo = wine_test::TempPath("testo.prl");
    const std::string manca = wine_test::TempPath("manca") + "\\dentro.prl";
    const struct {
        const char* nome;
        std::function<void()> fai;
        std::function<void()> verifica;
    } casi[] = {
        {"Dur. tot follows the enabled flag",
         [&] {
             Programma({{true, 0, 100}, {true, 0, 200}});
             ClicCasella("Check2");
         },
         [&] { EXPECT_EQ(Testo("Label7"), "200"); }},
        {"a click into Intervallo takes its whole number",
         [&] {
             SetFocus(C("Text2"));
             SendMessageA(C("Text3"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
             SendMessageA(C("Text3"), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
             for (char c : std::string("250")) Digita("Text3", c);
         },
         [&] { EXPECT_EQ(S().Steps(1).Durata, 250); }},
        {"too long a duration is refused with a message",
         [&] { SetWindowTextA(C("Text3"), "99999999999"); },
         [&] {
             EXPECT_EQ(domande_.back().Testo, quelmar::Testi::kDurataTroppoLunga);
             EXPECT_EQ(Testo("Text3"), "250");
         }},
        {"the described bit follows the focus", [&] { SetFocus(C("Check1(5)")); },
         [&] { EXPECT_EQ(Testo("Frame4"), "Descrizione del bit N\xB0" "5"); }},
        {"a text file is not a program file",
         [&] {
             HANDLE h = CreateFileA(testo.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
             DWORD n = 0;
             WriteFile(h, "Ciao a tutti\r\n", 14, &n, nullptr);
             CloseHandle(h);
             F().Cd.Sostituto = [&](const quelmar::CommonDialog&, bool) { return testo; };
             Menu("MnuApri");
         },
         [&] {
             EXPECT_NE(domande_.back().Testo.find("non \xE8 un file di programma"), std::string::npos)
                 << domande_.back().Testo;
         }},
        {"a save error speaks one language",
         [&] {
             F().Cd.Sostituto = [&](const quelmar::CommonDialog&, bool) { return manca; };
             Menu("mnuSalvaConNome");
         },
         [&] {
             EXPECT_EQ(domande_.back().Testo,
                       "File \"" + manca + "\": impossibile salvare (file o cartella inesistente).");
         }},
    };
    for (const auto& c : casi) {
        c.fai();
        SCOPED_TRACE(c.nome);
        c.verifica();
    }
    DeleteFileA(testo.c_str());

    // Escape closes the options and the help window.
    Menu("MnuOpz");
    ASSERT_NE(F().FinestraOpzioni(), nullptr);
    Tasto(VK_ESCAPE);
    EXPECT_TRUE(PompaFinche([&] { return F().FinestraOpzioni() == nullptr; }));
    Menu("mnuHelp");
    ASSERT_NE(F().FinestraAiuto(), nullptr);
    Tasto(VK_ESCAPE);
    EXPECT_TRUE(PompaFinche([&] { return F().FinestraAiuto() == nullptr; }));
}

}  // namespace
}  // namespace form1_test
