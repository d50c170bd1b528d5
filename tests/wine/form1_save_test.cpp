// Keeping the user's work: Save As through the platform's dialog (the ".prl"
// added to a bare name, the question before replacing a file), the record of
// unsaved changes, the question when the window closes with some, and the
// run timer left idle after a stopped run.
#include <windows.h>
#include <commdlg.h>

#include <fstream>
#include <iterator>

#include "sequencer/program_file.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/form1_fixture.h"

namespace form1_test {
namespace {

using wine_test::DialogDriver;

constexpr char kDomandaUscita[] = "Il programma \xE8 stato modificato. Salvare le modifiche?";

std::vector<uint8_t> Byte(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Esiste(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Writes a program file of `n` steps that the window would not write by
// itself; the file's bytes.
std::vector<uint8_t> WriteOtherProgram(const std::string& path, int16_t n) {
    quelmar::ProgramImage p;
    p.Testata.Descrizione = "altro programma";
    p.Testata.NumSteps = n;
    for (int i = 1; i <= n; ++i) p.Steps(i) = {true, static_cast<uint8_t>(0x70 + i), i * 5, "vecchio"};
    EXPECT_TRUE(quelmar::SalvaProgrammaSuFile(path, p).Ok()) << path;
    return Byte(path);
}

// The program in `path` as Open reads it; a failure when it cannot be read.
quelmar::ProgramImage ReadBack(const std::string& path) {
    quelmar::ProgramImage image;
    EXPECT_TRUE(quelmar::LeggiProgrammaDaFile(path, image).Ok()) << path;
    return image;
}

class Form1SaveTest : public Form1Test {
protected:
    // Cd answers `nome` (empty: the user cancels) instead of the platform dialog.
    void CdRisponde(const std::string& nome) {
        F().Cd.Sostituto = [this, nome](const quelmar::CommonDialog& cd, bool) {
            estensioni_.push_back(cd.DefaultExt);
            flags_.push_back(cd.Flags);
            return nome;
        };
    }

    bool Aperta() { return F().Handle() != nullptr && IsWindow(F().Handle()); }

    // Loads the window, opens `path` through the dialog and changes the program (a step added).
    void OpenAndChange(const std::string& path) {
        ASSERT_NO_FATAL_FAILURE(Carica());
        CdRisponde(path);
        Menu("MnuApri");
        Clic("Command1(7)");
    }

    std::vector<std::string> estensioni_;
    std::vector<DWORD> flags_;
};

TEST_F(Form1SaveTest, SaveAsAddsTheExtensionOnlyToABareName) {
    Carica();
    Clic("Command1(7)");
    const std::string nudo = Temp("salva-prova");
    const std::string completo = Temp("salva-prova.prl");
    const std::string proprio = Temp("salva-prova.dat");
    Temp("salva-prova.dat.prl");
    const struct {
        std::string digitato, salvato;
    } casi[] = {{nudo, completo}, {proprio, proprio}};
    for (const auto& c : casi) {
        DialogDriver driver;
        driver.Then([&](HWND d) { DialogDriver::TypeAndOk(d, c.digitato); });
        Menu("mnuSalvaConNome");
        EXPECT_EQ(driver.Seen(), std::vector<std::string>{"Salva con nome..."}) << c.digitato;
        EXPECT_EQ(Byte(c.salvato).size(), quelmar::kEmptyProgramFileSize) << c.salvato;
        EXPECT_EQ(F().NomeFileCorrente(), c.salvato);
        EXPECT_EQ(Testo("Label8"), c.salvato);
        EXPECT_FALSE(F().Modificato());
    }
    EXPECT_FALSE(Esiste(nudo)) << "the bare name is not written";
    EXPECT_FALSE(Esiste(proprio + ".prl")) << "a name with its own extension keeps it";

    // The file saved under the completed name is the one Open reads back.
    const quelmar::ProgramImage letto = ReadBack(completo);
    EXPECT_EQ(letto.Testata.NumSteps, 2);
    EXPECT_TRUE(domande_.empty());
}

TEST_F(Form1SaveTest, ReplacingAFileIsAskedByTheDialogAndNoKeepsTheOldFile) {
    Carica();
    const std::string vecchio = Temp("salva-vecchio.prl");
    const std::vector<uint8_t> prima = WriteOtherProgram(vecchio, 4);
    Clic("Command1(7)");

    // No: back in the dialog, which is then cancelled; nothing is written.
    DialogDriver driver;
    bool dialogoRimasto = false;
    driver.Then([&](HWND d) { DialogDriver::TypeAndOk(d, vecchio); });
    driver.Then([&](HWND domanda) {
        const HWND dialogo = GetWindow(domanda, GW_OWNER);
        driver.WhenGone(domanda, [&, dialogo] {
            dialogoRimasto = IsWindow(dialogo) && IsWindowVisible(dialogo);
            DialogDriver::Press(dialogo, IDCANCEL);
        });
        DialogDriver::Press(domanda, IDNO);
    });
    Menu("mnuSalvaConNome");
    EXPECT_EQ(driver.Seen().size(), 2u) << "the dialog and its overwrite question";
    EXPECT_TRUE(dialogoRimasto) << "No goes back to the dialog";
    EXPECT_EQ(Byte(vecchio), prima);
    EXPECT_EQ(F().NomeFileCorrente(), "");
    EXPECT_TRUE(F().Modificato());

    // Yes: the file now holds the window's program.
    driver.Then([&](HWND d) { DialogDriver::TypeAndOk(d, vecchio); });
    driver.Then([](HWND domanda) { DialogDriver::Press(domanda, IDYES); });
    Menu("mnuSalvaConNome");
    EXPECT_EQ(driver.Seen().size(), 4u);
    const quelmar::ProgramImage letto = ReadBack(vecchio);
    EXPECT_EQ(letto.Testata.NumSteps, 2);
    EXPECT_EQ(letto.Testata.Descrizione, "");
    EXPECT_EQ(F().NomeFileCorrente(), vecchio);
    EXPECT_FALSE(F().Modificato());
    EXPECT_EQ(driver.Unexpected(), 0);
    EXPECT_TRUE(domande_.empty());
}

TEST_F(Form1SaveTest, NamesTheDialogReturnsIncompleteAreCompletedAndReplacingThemIsAsked) {
    Carica();
    const std::string esistente = Temp("salva-punto.prl");
    const std::vector<uint8_t> prima = WriteOtherProgram(esistente, 3);
    Clic("Command1(7)");

    // Save As asks the dialog for both; Open for neither.
    CdRisponde("");
    Menu("mnuSalvaConNome");
    Menu("MnuApri");
    ASSERT_EQ(estensioni_.size(), 2u);
    EXPECT_EQ(estensioni_[0], "prl");
    EXPECT_EQ(flags_[0] & OFN_OVERWRITEPROMPT, static_cast<DWORD>(OFN_OVERWRITEPROMPT));
    EXPECT_EQ(estensioni_[1], "");
    EXPECT_EQ(flags_[1], 0u);

    // "name." comes back as typed: completed, and the file it then names is
    // replaced only after a Yes.
    const std::string conPunto = esistente.substr(0, esistente.size() - 3);
    for (int risposta : {IDNO, IDYES}) {
        domande_.clear();
        risposte_ = {risposta};
        CdRisponde(conPunto);
        Menu("mnuSalvaConNome");
        ASSERT_EQ(domande_.size(), 1u);
        EXPECT_EQ(domande_[0].Testo, "Il file " + esistente + " esiste gi\xE0. Sostituirlo?");
        EXPECT_EQ(domande_[0].Titolo, "Salva con nome...");
        EXPECT_EQ(domande_[0].Stile, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
        if (risposta == IDNO) {
            EXPECT_EQ(Byte(esistente), prima);
            EXPECT_EQ(F().NomeFileCorrente(), "");
        } else {
            EXPECT_NE(Byte(esistente), prima);
            EXPECT_EQ(F().NomeFileCorrente(), esistente);
        }
    }

    // Trailing blanks go as the file system drops them; nothing to ask for a new file.
    const std::string nuovo = Temp("salva-spazi.prl");
    domande_.clear();
    CdRisponde(nuovo.substr(0, nuovo.size() - 4) + "  ");
    Menu("mnuSalvaConNome");
    EXPECT_TRUE(domande_.empty());
    EXPECT_EQ(F().NomeFileCorrente(), nuovo);
    EXPECT_TRUE(Esiste(nuovo));
}

TEST_F(Form1SaveTest, EveryEditOfTheProgramMarksItModifiedAndSaveOpenNewClearIt) {
    Carica();
    EXPECT_FALSE(F().Modificato()) << "a fresh window";
    // Looking around changes nothing.
    Clic("Command1(5)");
    Clic("Command1(4)");
    Clic("Label1(3)");
    Clic("Command2(1)");
    Clic("Command2(0)");
    EXPECT_FALSE(F().Modificato());

    const std::string path = Temp("salva-modifiche.prl");
    CdRisponde(path);
    Menu("mnuSalvaConNome");
    ASSERT_EQ(F().NomeFileCorrente(), path);
    const struct {
        const char* modifica;
        std::function<void()> fai;
    } modifiche[] = {
        {"step added", [&] { Clic("Command1(7)"); }},
        {"step inserted", [&] { risposte_ = {IDYES}; Clic("Command1(0)"); }},
        {"step deleted", [&] { risposte_ = {IDYES}; Clic("Command1(1)"); }},
        {"output bit", [&] { ClicCasella("Check1(5)"); }},
        {"duration", [&] { SetWindowTextA(C("Text3"), "125"); }},
        {"duration typed", [&] { Digita("Text3", '7'); }},
        {"step enabled", [&] { ClicCasella("Check2"); }},
        {"step description", [&] { Digita("Text1", 'v'); }},
        {"bit description", [&] { SetWindowTextA(C("Text2"), "pompa"); }},
        {"loop", [&] { ClicCasella("Check3"); }},
        {"show output", [&] { ClicCasella("Check4"); }},
        {"port", [&] { Menu(S().Testata.IndicePorta == 3 ? "mnuLPT1" : "mnuLPTPers"); }},
    };
    for (const auto& m : modifiche) {
        m.fai();
        EXPECT_TRUE(F().Modificato()) << m.modifica;
        Menu("MnuRegistra");
        EXPECT_FALSE(F().Modificato()) << m.modifica << ", saved";
    }

    // A run plays the program without changing it.
    for (int i = 1; i <= S().TotaleSteps; ++i) S().Steps(i).Durata = 0;
    S().Testata.Loop = false;
    Menu("MnuRegistra");
    Menu("mnuEsegui");
    EXPECT_FALSE(F().Modificato());

    // Open and New drop the edits and with them the mark.
    Clic("Command1(7)");
    CdRisponde(path);
    Menu("MnuApri");
    EXPECT_FALSE(F().Modificato()) << "opened";
    Clic("Command1(7)");
    risposte_ = {IDNO};
    Menu("mnuNuovo");
    EXPECT_EQ(S().TotaleSteps, 1);
    EXPECT_FALSE(F().Modificato()) << "cleared by New";
    // New answered Cancel keeps the program and its mark.
    Clic("Command1(7)");
    risposte_ = {IDCANCEL};
    Menu("mnuNuovo");
    EXPECT_TRUE(F().Modificato()) << "New refused";
}

// How the window is asked to close.
enum class Via { Uscita, CloseBox, FineSessione };

class Form1ExitTest : public Form1SaveTest {
protected:
    // Asks the window to close; true when it said it may go (the end of the
    // session then follows).
    bool Chiedi(Via via) {
        bool consente = false;
        switch (via) {
            case Via::Uscita: Menu("MnuFine"); consente = !Aperta(); break;
            case Via::CloseBox: SendMessageA(F().Handle(), WM_CLOSE, 0, 0); consente = !Aperta(); break;
            case Via::FineSessione:
                consente = SendMessageA(F().Handle(), WM_QUERYENDSESSION, 0, 0) != 0;
                if (consente) SendMessageA(F().Handle(), WM_ENDSESSION, TRUE, 0);
                break;
        }
        // The window that went asked this thread's loop to end: the next
        // window of the test must not take that for its own.
        MSG msg;
        if (!Aperta())
            while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
            }
        return consente;
    }
};

TEST_F(Form1ExitTest, NothingChangedClosesWithoutAQuestion) {
    for (Via via : {Via::Uscita, Via::CloseBox, Via::FineSessione}) {
        Carica();
        PortaPersonalizzata(0x378);  // the custom address, selected as at start without ports
        Clic("Command1(5)");
        Menu("mnuEsegui");
        EXPECT_TRUE(Chiedi(via)) << static_cast<int>(via);
        EXPECT_FALSE(Aperta());
        EXPECT_TRUE(domande_.empty());
        form_.reset();
    }
}

TEST_F(Form1ExitTest, TheQuestionsThreeAnswersByEveryWayOfClosing) {
    const std::string path = Temp("salva-uscita.prl");
    for (Via via : {Via::Uscita, Via::CloseBox, Via::FineSessione}) {
        SCOPED_TRACE(static_cast<int>(via));
        const std::vector<uint8_t> prima = WriteOtherProgram(path, 2);
        OpenAndChange(path);

        // Annulla: the window and its program stay, and nothing is written.
        domande_.clear();
        risposte_ = {IDCANCEL};
        EXPECT_FALSE(Chiedi(via));
        ASSERT_TRUE(Aperta());
        ASSERT_EQ(domande_.size(), 1u);
        EXPECT_EQ(domande_[0].Testo, kDomandaUscita);
        EXPECT_EQ(domande_[0].Titolo, "Attenzione !");
        EXPECT_EQ(domande_[0].Stile, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
        EXPECT_EQ(S().TotaleSteps, 3);
        EXPECT_EQ(Byte(path), prima);

        // No: closed, the file as it was.
        risposte_ = {IDNO};
        EXPECT_TRUE(Chiedi(via));
        EXPECT_FALSE(Aperta());
        EXPECT_EQ(Byte(path), prima);
        EXPECT_EQ(domande_.size(), 2u);
        form_.reset();

        // Sì: saved to its file, then closed.
        OpenAndChange(path);
        domande_.clear();
        risposte_ = {IDYES};
        EXPECT_TRUE(Chiedi(via));
        EXPECT_FALSE(Aperta());
        EXPECT_EQ(domande_.size(), 1u);
        const quelmar::ProgramImage letto = ReadBack(path);
        EXPECT_EQ(letto.Testata.NumSteps, 3);
        form_.reset();
    }
}

TEST_F(Form1ExitTest, ASaveThatIsCancelledOrFailsKeepsTheWindowAndTheProgram) {
    const std::string path = Temp("salva-bloccato.prl");
    for (Via via : {Via::Uscita, Via::CloseBox, Via::FineSessione}) {
        SCOPED_TRACE(static_cast<int>(via));
        Carica();
        Clic("Command1(7)");
        for (char c : std::string("da non perdere")) Digita("Text1", c);

        // No name yet: Sì opens Save As, which is cancelled.
        domande_.clear();
        estensioni_.clear();
        risposte_ = {IDYES};
        CdRisponde("");
        EXPECT_FALSE(Chiedi(via));
        ASSERT_TRUE(Aperta());
        EXPECT_EQ(estensioni_.size(), 1u) << "Save As was shown";
        estensioni_.clear();
        EXPECT_TRUE(F().Modificato());
        EXPECT_EQ(S().Steps(2).Descrizione, "da non perdere");

        // A file that cannot be replaced: the failure is told, the window stays.
        const std::vector<uint8_t> prima = WriteOtherProgram(path, 5);
        HANDLE blocco = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(blocco, INVALID_HANDLE_VALUE);
        domande_.clear();
        risposte_ = {IDYES, IDOK};
        CdRisponde(path);
        EXPECT_FALSE(Chiedi(via));
        CloseHandle(blocco);
        ASSERT_TRUE(Aperta());
        ASSERT_EQ(domande_.size(), 2u);
        EXPECT_EQ(domande_[0].Testo, kDomandaUscita);
        EXPECT_NE(domande_[1].Testo.find(path), std::string::npos) << domande_[1].Testo;
        EXPECT_EQ(Byte(path), prima);
        EXPECT_TRUE(F().Modificato());
        EXPECT_EQ(S().TotaleSteps, 2);
        EXPECT_EQ(S().Steps(2).Descrizione, "da non perdere");

        // The same answer once the file is free: saved and gone.
        domande_.clear();
        risposte_ = {IDYES};
        EXPECT_TRUE(Chiedi(via));
        EXPECT_FALSE(Aperta());
        EXPECT_EQ(domande_.size(), 1u);
        const quelmar::ProgramImage letto = ReadBack(path);
        EXPECT_EQ(letto.Steps(2).Descrizione, "da non perdere");
        form_.reset();
    }
}

TEST_F(Form1ExitTest, ClosingDuringARunStopsItThenAsksAndAnnullaKeepsTheWindow) {
    LoadOnCustomPort({{true, 1, 5, ""}, {true, 2, 5, ""}, {true, 3, 5, ""}});
    bool chiesto = false;
    AllaScrittura(2, [&] {
        risposte_ = {IDCANCEL};
        chiesto = !Chiedi(Via::CloseBox);
    });
    Clic("Command3");
    EXPECT_TRUE(chiesto);
    EXPECT_EQ(domande_.size(), 1u);
    EXPECT_EQ(Traccia().size(), 2u) << "the run stopped before the question";
    EXPECT_FALSE(S().InEsecuzione);
    EXPECT_TRUE(Aperta());
}

TEST_F(Form1SaveTest, TheRunTimerIsNotLeftArmedOnceARunIsOver) {
    LoadOnCustomPort({{true, 1, 10, ""}, {true, 2, 10, ""}});
    Clic("Command1(4)");
    EXPECT_FALSE(F().TimerArmato()) << "before any run";

    // A run to its end, a looping run stopped at a step, a stop during a wait.
    const struct {
        const char* come;
        bool loop;
        int stopAllaScrittura;
    } casi[] = {{"ended", false, 0}, {"loop stopped", true, 5}, {"stopped in step 1", false, 1}};
    for (const auto& c : casi) {
        S().Testata.Loop = c.loop;
        bool fermato = false;
        if (c.stopAllaScrittura) {
            AllaScrittura(c.stopAllaScrittura, [&] {
                Clic("Command3");
                fermato = true;
            });
        } else {
            F().DopoScritturaPorta = nullptr;
        }
        Clic("Command3");
        EXPECT_EQ(fermato, c.stopAllaScrittura != 0) << c.come;
        EXPECT_FALSE(S().InEsecuzione) << c.come;
        EXPECT_FALSE(F().TimerArmato()) << c.come;
        // Idle messages do not arm it again.
        Poi([] {});
        wine_test::PumpUntil([] { return form1_test::CodaAzioni().empty(); }, 10000);
        EXPECT_FALSE(F().TimerArmato()) << c.come;
    }
    // The next run still plays, paced by the timer it arms again.
    F().DopoScritturaPorta = nullptr;
    S().Testata.Loop = false;
    const size_t prima = Traccia().size();
    Clic("Command3");
    EXPECT_EQ(Traccia().size(), prima + 2);
}

}  // namespace
}  // namespace form1_test
