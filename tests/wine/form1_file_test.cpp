// The main window's file commands: Save, Save As, Open (through the real
// open dialog too), New with its questions, and what a file that cannot be
// read or written leaves behind.
#include <fstream>
#include <iterator>

#include "sequencer/program_file.h"
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

std::vector<uint8_t> Byte(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Scrivi(const std::string& path, const std::vector<uint8_t>& dati) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(dati.data()), static_cast<std::streamsize>(dati.size()));
}

// A program of `n` steps with recognisable content and a header description
// that no window shows.
quelmar::ProgramImage Esempio(int16_t n, uint8_t seme) {
    quelmar::ProgramImage p;
    p.Testata.Descrizione = "Intestazione nascosta \xE8";
    for (int i = 0; i < 8; ++i) p.Testata.DescrBit[i] = "bit " + std::to_string(i + seme);
    p.Testata.IndicePorta = 2;
    p.Testata.NumSteps = n;
    p.Testata.Loop = false;
    p.Testata.VisualizzaOutput = true;
    for (int i = 1; i <= n + 1; ++i)
        p.Steps(i) = {i % 2 == 1, static_cast<uint8_t>(seme + i), i * 10, "passo " + std::to_string(i)};
    return p;
}

std::string SalvaEsempio(const std::string& nome, int16_t n, uint8_t seme) {
    const std::string path = wine_test::TempPath(nome);
    const quelmar::FileResult r = quelmar::SalvaProgrammaSuFile(path, Esempio(n, seme));
    EXPECT_TRUE(r.Ok()) << r.Error;
    return path;
}

// Answers the platform's file dialog of this thread titled `titolo`: types
// `nome` into its file-name box and presses OK, or presses Cancel when `nome`
// is empty. Runs from inside the dialog's own message loop.
struct RispostaDialogo {
    std::string titolo;
    std::string nome;
    bool visto = false;
};
RispostaDialogo* g_risposta = nullptr;

BOOL CALLBACK TrovaDialogo(HWND h, LPARAM p) {
    char titolo[128] = {};
    GetWindowTextA(h, titolo, sizeof titolo);
    if (wine_test::ClassName(h) == "#32770" && IsWindowVisible(h) && g_risposta->titolo == titolo) {
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK RispondiDialogo(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_risposta) return;
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TrovaDialogo, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) return;
    KillTimer(nullptr, id);
    g_risposta->visto = true;
    if (g_risposta->nome.empty()) {
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
        return;
    }
    // The explorer-style dialog names its file box cmb13, the older one edt1.
    HWND box = GetDlgItem(dlg, 0x47C);
    if (!box) box = GetDlgItem(dlg, 0x480);
    SetWindowTextA(box, g_risposta->nome.c_str());
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
}

class Form1FileTest : public Form1Test {
protected:
    // Cd answers `nome` (empty: the user cancels) and records what it was asked.
    void CdRisponde(const std::string& nome) {
        F().Cd.Sostituto = [this, nome](const quelmar::CommonDialog& cd, bool salva) {
            richieste_.push_back({cd.DialogTitle, cd.Filter, salva, cd.CancelError});
            return nome;
        };
    }

    struct Richiesta {
        std::string titolo, filtro;
        bool salva, cancelError;
    };
    std::vector<Richiesta> richieste_;
};

TEST_F(Form1FileTest, SaveOfANewProgramAsksForANameAndWritesWhatTheWriterWrites) {
    Carica();
    const std::string path = Temp("nuovo.prl");
    // A few edits through the window.
    Clic("Command1(7)");
    ClicCasella("Check1(2)");
    SetWindowTextA(C("Text3"), "250");
    ClicCasella("Check3");
    CdRisponde(path);
    Menu("MnuRegistra");
    ASSERT_EQ(richieste_.size(), 1u);
    EXPECT_TRUE(richieste_[0].salva);
    EXPECT_EQ(richieste_[0].titolo, "Salva con nome...");
    EXPECT_EQ(richieste_[0].filtro, "Files di programmazione porta parallela (*.prl)|*.prl");
    EXPECT_TRUE(richieste_[0].cancelError);
    EXPECT_EQ(F().NomeFileCorrente(), path);
    EXPECT_EQ(Testo("Label8"), path);

    quelmar::ProgramImage atteso{S().Testata, S().Steps};
    atteso.Testata.NumSteps = 2;
    const std::string riferimento = Temp("riferimento");
    ASSERT_TRUE(quelmar::SalvaProgrammaSuFile(riferimento, atteso).Ok());
    const std::vector<uint8_t> scritto = Byte(path);
    EXPECT_EQ(scritto.size(), quelmar::kEmptyProgramFileSize);
    EXPECT_EQ(scritto, Byte(riferimento));

    // Now the file exists: Save writes it again without asking.
    SetWindowTextA(C("Text3"), "9");
    Menu("MnuRegistra");
    EXPECT_EQ(richieste_.size(), 1u);
    quelmar::ProgramImage riletto;
    ASSERT_TRUE(quelmar::LeggiProgrammaDaFile(path, riletto).Ok());
    EXPECT_EQ(riletto.Steps(2).Durata, 9);

    // The file has gone: Save asks for a name again.
    DeleteFileA(path.c_str());
    CdRisponde("");
    Menu("MnuRegistra");
    EXPECT_EQ(richieste_.size(), 2u);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "a cancel writes nothing";
    EXPECT_EQ(F().NomeFileCorrente(), path);
}

TEST_F(Form1FileTest, ProgramAfterNewIsSavedWithTheEmptyHeader) {
    Carica();
    // An untouched program is cleared without a question.
    Menu("mnuNuovo");
    EXPECT_TRUE(domande_.empty());
    const std::string path = Temp("vuoto.prl");
    CdRisponde(path);
    Menu("mnuSalvaConNome");
    const std::vector<uint8_t> b = Byte(path);
    ASSERT_EQ(b.size(), 18458u);
    const std::vector<uint8_t> testa(b.begin(), b.begin() + 26);
    EXPECT_EQ(testa, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // nine empty strings
                                           0, 0,                                                  // port index after New
                                           1, 0,                                                  // one step
                                           0, 0, 0, 0}));                                         // both flags false
    // Step 1 after New is enabled, as at start-up.
    EXPECT_EQ(b[26], 0xFF);
    EXPECT_EQ(b[27], 0xFF);
}

TEST_F(Form1FileTest, OpenReadsTheChosenFileAndKeepsThePortAddress) {
    Carica();
    PortaPersonalizzata(0x2BC);
    const std::string path = SalvaEsempio("tre.prl", 3, 0x40);
    Clic("Command1(7)");
    Clic("Command1(7)");  // StepCorrente 3: a read brings it back to 1
    CdRisponde(path);
    Menu("MnuApri");
    ASSERT_EQ(richieste_.size(), 1u);
    EXPECT_FALSE(richieste_[0].salva);
    EXPECT_EQ(richieste_[0].titolo, "Carica un file...");
    EXPECT_EQ(F().NomeFileCorrente(), path);
    EXPECT_EQ(Testo("Label8"), path);
    EXPECT_EQ(S().TotaleSteps, 3);
    EXPECT_EQ(S().StepCorrente, 1);
    EXPECT_EQ(S().Testata.IndicePorta, 2);
    EXPECT_EQ(F().IndirizzoPorta(), 0x2BC) << "a read leaves the port address alone";
    EXPECT_EQ(Testo("Label9"), "3");
    EXPECT_EQ(Testo("Text1"), "passo 1");
    EXPECT_EQ(Testo("Text3"), "10");
    EXPECT_TRUE(Spuntato("Check4"));
    EXPECT_EQ(Tooltip("Check1(0)"), "bit 64");

    // Written back, the file is unchanged byte for byte (the header's hidden
    // description and the record above the program included).
    const std::string copia = Temp("copia.prl");
    CdRisponde(copia);
    Menu("mnuSalvaConNome");
    EXPECT_EQ(Byte(copia), Byte(path));
    DeleteFileA(path.c_str());
}

TEST_F(Form1FileTest, OpenAndCancelThroughThePlatformDialog) {
    Carica();
    const std::string path = SalvaEsempio("dialogo.prl", 4, 0x10);
    RispostaDialogo risposta{"Carica un file...", path};
    g_risposta = &risposta;
    SetTimer(nullptr, 0, 50, RispondiDialogo);
    Menu("MnuApri");
    EXPECT_TRUE(risposta.visto);
    EXPECT_EQ(F().NomeFileCorrente(), path);
    EXPECT_EQ(Testo("Label8"), path);
    EXPECT_EQ(S().TotaleSteps, 4);
    EXPECT_EQ(S().Steps(2).Bit, 0x12);

    // Cancelled: program, name and label stay.
    const quelmar::StepTable prima = S().Steps;
    risposta = {"Carica un file...", ""};
    SetTimer(nullptr, 0, 50, RispondiDialogo);
    Menu("MnuApri");
    EXPECT_TRUE(risposta.visto);
    EXPECT_EQ(F().NomeFileCorrente(), path);
    EXPECT_EQ(Testo("Label8"), path);
    EXPECT_TRUE(S().Steps == prima);
    EXPECT_TRUE(domande_.empty());

    // The save dialog cancelled writes nothing.
    risposta = {"Salva con nome...", ""};
    SetTimer(nullptr, 0, 50, RispondiDialogo);
    Menu("mnuSalvaConNome");
    EXPECT_TRUE(risposta.visto);
    EXPECT_EQ(F().NomeFileCorrente(), path);
    g_risposta = nullptr;
    DeleteFileA(path.c_str());
}

TEST_F(Form1FileTest, AFileThatCannotBeReadLeavesTheProgramAndItsName) {
    const std::string buono = SalvaEsempio("buono.prl", 2, 0x20);
    const std::vector<uint8_t> intero = Byte(buono);
    auto conNumSteps = [&](int16_t n) {
        std::vector<uint8_t> b = intero;
        // The step count follows the nine strings of the header.
        size_t pos = 0;
        for (int i = 0; i < 9; ++i) pos += 2 + (b[pos] | b[pos + 1] << 8);
        b[pos + 2] = static_cast<uint8_t>(n & 0xFF);
        b[pos + 3] = static_cast<uint8_t>((n >> 8) & 0xFF);
        return b;
    };
    const struct {
        const char* nome;
        std::vector<uint8_t> dati;
        bool esiste;
    } casi[] = {
        {"vuoto.prl", {}, true},
        {"troncato.prl", std::vector<uint8_t>(intero.begin(), intero.begin() + 100), true},
        {"quasi.prl", std::vector<uint8_t>(intero.begin(), intero.end() - 1), true},
        {"zero-steps.prl", conNumSteps(0), true},
        {"troppi-steps.prl", conNumSteps(2049), true},
        {"negativo.prl", conNumSteps(-5), true},
        {"sparito.prl", {}, false},
    };
    Carica();
    CdRisponde(buono);
    Menu("MnuApri");
    ASSERT_EQ(F().NomeFileCorrente(), buono);
    const quelmar::StepTable steps = S().Steps;
    const quelmar::TestataRec testata = S().Testata;
    for (const auto& c : casi) {
        const std::string path = Temp(c.nome);
        if (c.esiste) Scrivi(path, c.dati);
        domande_.clear();
        CdRisponde(path);
        Menu("MnuApri");
        EXPECT_EQ(F().NomeFileCorrente(), buono) << c.nome;
        EXPECT_EQ(Testo("Label8"), buono) << c.nome;
        EXPECT_TRUE(S().Steps == steps) << c.nome;
        EXPECT_TRUE(S().Testata == testata) << c.nome;
        EXPECT_EQ(S().TotaleSteps, 2) << c.nome;
        ASSERT_EQ(domande_.size(), 1u) << c.nome;
        EXPECT_NE(domande_[0].Testo.find(path), std::string::npos) << domande_[0].Testo;
        EXPECT_EQ(domande_[0].Titolo, "Attenzione !");
        EXPECT_EQ(domande_[0].Stile, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        if (c.esiste) {
            EXPECT_EQ(Byte(path), c.dati) << "a failed read changes the file";
        }
    }
    // The next Save still goes to the file that was loaded, with its program.
    Menu("MnuRegistra");
    EXPECT_EQ(Byte(buono), intero);
    DeleteFileA(buono.c_str());
}

TEST_F(Form1FileTest, AFailedWriteSaysSoAndLeavesTheOldFile) {
    Carica();
    const std::string vecchio = SalvaEsempio("bloccato.prl", 5, 0x30);
    const std::vector<uint8_t> prima = Byte(vecchio);
    // Held open without sharing, the file cannot be replaced.
    HANDLE blocco = CreateFileA(vecchio.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(blocco, INVALID_HANDLE_VALUE);
    const std::string cartellaAssente = wine_test::TempPath("manca") + "\\dentro.prl";
    for (const std::string& destinazione : {vecchio, cartellaAssente}) {
        domande_.clear();
        CdRisponde(destinazione);
        Menu("mnuSalvaConNome");
        ASSERT_EQ(domande_.size(), 1u) << destinazione;
        EXPECT_NE(domande_[0].Testo.find(destinazione), std::string::npos) << domande_[0].Testo;
        EXPECT_EQ(F().NomeFileCorrente(), "") << "the name of a file not written";
        EXPECT_EQ(Testo("Label8"), "");
    }
    CloseHandle(blocco);
    EXPECT_EQ(Byte(vecchio), prima);
    DeleteFileA(vecchio.c_str());
}

TEST_F(Form1FileTest, NewAsksAsClosingDoesOnlyWhenTheProgramWasChanged) {
    Carica();
    const std::string path = SalvaEsempio("nuovo-da-file.prl", 3, 0x50);
    CdRisponde(path);
    Menu("MnuApri");
    const std::vector<uint8_t> letto = Byte(path);

    // Changed, then Cancel: everything stays.
    S().Steps(1).Durata = 77;
    risposte_ = {IDCANCEL};
    Menu("mnuNuovo");
    ASSERT_EQ(domande_.size(), 1u);
    EXPECT_EQ(domande_[0].Testo, "Il programma \xE8 stato modificato. Salvare le modifiche?");
    EXPECT_EQ(domande_[0].Stile, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(domande_[0].Titolo, "Attenzione !");
    EXPECT_EQ(S().TotaleSteps, 3);
    EXPECT_EQ(F().NomeFileCorrente(), path);

    // Yes: written, then cleared without a second question.
    PortaPersonalizzata(0x3BC);
    domande_.clear();
    risposte_ = {IDYES};
    Menu("mnuNuovo");
    ASSERT_EQ(domande_.size(), 1u);
    quelmar::ProgramImage salvato;
    ASSERT_TRUE(quelmar::LeggiProgrammaDaFile(path, salvato).Ok());
    EXPECT_EQ(salvato.Steps(1).Durata, 77);
    EXPECT_NE(Byte(path), letto);
    EXPECT_EQ(F().NomeFileCorrente(), "");
    EXPECT_EQ(Testo("Label8"), "");
    EXPECT_EQ(S().TotaleSteps, 1);
    EXPECT_EQ(S().StepCorrente, 1);
    EXPECT_EQ(S().Steps(1), (quelmar::StepRec{true, 0, 0, ""}));
    EXPECT_EQ(S().Steps(2), quelmar::StepRec{});
    EXPECT_EQ(S().Testata, quelmar::TestataRec{});
    EXPECT_TRUE(Spuntato("Check2"));
    EXPECT_EQ(F().IndirizzoPorta(), 0x3BC) << "New leaves the port alone";
    EXPECT_TRUE(MenuSpuntato("mnuLPTPers"));

    // Several steps and no name: Yes goes to Save As, and a cancel there keeps the program.
    Clic("Command1(7)");
    domande_.clear();
    CdRisponde("");
    risposte_ = {IDYES};
    Menu("mnuNuovo");
    ASSERT_EQ(domande_.size(), 1u);
    EXPECT_EQ(richieste_.back().titolo, "Salva con nome...");
    EXPECT_EQ(S().TotaleSteps, 2);

    // No: cleared without saving.
    risposte_ = {IDNO};
    Menu("mnuNuovo");
    EXPECT_EQ(S().TotaleSteps, 1);
    DeleteFileA(path.c_str());
}

TEST_F(Form1FileTest, StartUpFileOfTheSettingsIsLoadedAndAutostartRunsIt) {
    const std::string path = SalvaEsempio("avvio.prl", 3, 0x60);
    Impostazioni::Scrivi("FileStart", "Nome", path);
    Carica();
    EXPECT_EQ(F().NomeFileCorrente(), path);
    EXPECT_EQ(Testo("Label8"), path);
    EXPECT_EQ(S().TotaleSteps, 3);
    EXPECT_TRUE(Traccia().empty()) << "no run without autostart";
    form_.reset();

    // With the autostart entry the program plays at once after the window shows.
    modRegistry::ScriviValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun, modRegistry::kNomeAutostart,
                              "C:\\Quelmar.EXE");
    Impostazioni::Scrivi("PortaParallela", "Indice", "3");
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "888");
    Carica();
    modRegistry::CancellaValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun,
                                modRegistry::kNomeAutostart);
    Impostazioni::Scrivi("PortaParallela", "Indice", "1");
    Impostazioni::Scrivi("PortaParallela", "Indirizzo", "1");
    std::vector<int> valori;
    for (const auto& t : Traccia()) {
        valori.push_back(t.value);
        EXPECT_EQ(t.address, 0x378);
    }
    // Steps 1 and 3 are the enabled ones of the example.
    EXPECT_EQ(valori, (std::vector<int>{0x61, 0x63}));
    EXPECT_FALSE(S().InEsecuzione);
    EXPECT_EQ(Testo("Label8"), path);
    EXPECT_FALSE(IsIconic(F().Handle())) << "minimised only while a run is still in progress";

    // A start-up file that cannot be read: a message, and a new program.
    form_.reset();
    Impostazioni::Scrivi("FileStart", "Nome", path + ".manca");
    Carica();
    EXPECT_EQ(F().NomeFileCorrente(), "");
    EXPECT_EQ(S().TotaleSteps, 1);
    ASSERT_EQ(domande_.size(), 1u);
    EXPECT_NE(domande_[0].Testo.find(path + ".manca"), std::string::npos);
    Impostazioni::Scrivi("FileStart", "Nome", "");
    DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace form1_test
