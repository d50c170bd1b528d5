// Form1's file procedures and the menu commands of files, port and exit.
#include <windows.h>
#include <commdlg.h>

#include "sequencer/form1.h"
#include "sequencer/form1_ids.h"
#include "sequencer/form1_texts.h"
#include "sequencer/platform_files.h"
#include "sequencer/program_file.h"
#include "sequencer/step_editor.h"

namespace quelmar {

// Reads NomeFile. A file that cannot be read whole leaves the program as it
// was and says why; the caller then keeps the previous name.
bool Form1::LeggiFile() {
    ProgramImage programma;
    const FileResult letto = LeggiProgrammaDaFile(NomeFile, programma);
    if (!letto.Ok()) {
        Ask(letto.Error, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
        return false;
    }
    stato_.Testata = std::move(programma.Testata);
    stato_.Steps = std::move(programma.Steps);
    stato_.TotaleSteps = stato_.Testata.NumSteps;
    stato_.StepCorrente = 1;
    AggiornaVista();
    Registrato();
    return true;
}

// Writes the whole program to NomeFile; a failed write leaves the old file
// intact and says why.
bool Form1::SalvaFile() {
    stato_.Testata.NumSteps = static_cast<int16_t>(stato_.TotaleSteps);
    ProgramImage programma{stato_.Testata, stato_.Steps};
    const FileResult scritto = SalvaProgrammaSuFile(NomeFile, programma);
    if (!scritto.Ok()) {
        Ask(scritto.Error, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
        return false;
    }
    Salvato = true;
    Registrato();
    return true;
}

void Form1::Registrato() {
    registrato_ = {stato_.Testata, stato_.Steps};
    registrato_.Testata.NumSteps = static_cast<int16_t>(stato_.TotaleSteps);
}

bool Form1::Modificato() const {
    // The stored step count follows the editor only when the file is written.
    if (stato_.TotaleSteps != registrato_.Testata.NumSteps) return true;
    TestataRec testata = stato_.Testata;
    testata.NumSteps = registrato_.Testata.NumSteps;
    return !(testata == registrato_.Testata) || !(stato_.Steps == registrato_.Steps);
}

void Form1::CaricaFile() {
    if (!MayDiscardProgram()) return;
    Cd.CancelError = true;
    Cd.DialogTitle = Testi::kTitoloCarica;
    Cd.Filter = Testi::kFiltro;
    Cd.DefaultExt.clear();
    Cd.Flags = 0;
    Cd.ShowOpen(hwnd_);  // a cancel leaves an empty name
    if (Cd.FileName.empty()) return;
    const std::string precedente = NomeFile;
    NomeFile = Cd.FileName;
    if (!LeggiFile()) NomeFile = precedente;
    ImpostaTesto(Label8, NomeFile);
}

void Form1::CaricaFile2(const std::string& nome) {
    if (!MayDiscardProgram()) return;
    const std::string precedente = NomeFile;
    NomeFile = nome;
    if (!LeggiFile()) NomeFile = precedente;
    ImpostaTesto(Label8, NomeFile);
}

void Form1::SalvaConNome() {
    Cd.CancelError = true;
    Cd.DialogTitle = Testi::kTitoloSalva;
    Cd.Filter = Testi::kFiltro;
    // A typed name gets ".prl" and replacing a file is confirmed, both by the
    // dialog itself.
    Cd.DefaultExt = Testi::kEstensione + 1;
    Cd.Flags = OFN_OVERWRITEPROMPT;
    Cd.ShowSave(hwnd_);
    if (Cd.FileName.empty()) return;
    // Names the dialog leaves without extension ("prova.", trailing blanks)
    // are completed here; the dialog has not asked about the completed name.
    const std::string nome = NomeConEstensione(Cd.FileName, Testi::kEstensione);
    if (nome != Cd.FileName && FileEsiste(nome) &&
        Ask(Testi::kSostituirePrefisso + nome + Testi::kSostituireSuffisso, MB_YESNO | MB_ICONEXCLAMATION,
            Testi::kTitoloSalva) != IDYES)
        return;
    const std::string precedente = NomeFile;
    NomeFile = nome;
    if (!SalvaFile()) NomeFile = precedente;
    ImpostaTesto(Label8, NomeFile);
}

void Form1::MnuRegistra_Click() {
    if (!NomeFile.empty() && FileEsiste(NomeFile))
        SalvaFile();
    else
        SalvaConNome();
}

// New asks what closing asks, and only when there is something to lose; the
// new program is the one of a fresh start, its step 1 enabled.
void Form1::mnuNuovo_Click() {
    Salvato = false;
    if (!MayDiscardProgram()) return;
    NomeFile.clear();
    StepEditor::Azzera(stato_);
    stato_.Steps(1).Abilitato = true;
    AggiornaVista();
    Registrato();
}

bool Form1::MayDiscardProgram() {
    if (domandaChiusura_) return false;  // already being asked
    if (!Modificato()) return true;
    domandaChiusura_ = true;
    const int risposta = Ask(Testi::kSalvareModifiche, MB_YESNOCANCEL | MB_ICONQUESTION, Testi::kTitoloAvviso);
    if (risposta == IDYES) MnuRegistra_Click();
    domandaChiusura_ = false;
    // Saving that failed or was cancelled keeps the program.
    return risposta == IDNO || (risposta == IDYES && !Modificato());
}

bool Form1::MayClose() {
    // A run is stopped before anything is asked, even when nothing is.
    if (stato_.InEsecuzione) Command3_Click();
    return MayDiscardProgram();
}

void Form1::MnuFine_Click() {
    if (MayClose()) Close();
}

void Form1::MnuOpz_Click() {
    // One options window: a second request brings it to the front.
    if (!FinestraOpzioni()) {
        Form3_ = std::make_unique<Form3>(instance_, hwnd_, stato_.IndirizzoPersonalizzato);
        // With the custom address selected, the next run writes to the new one.
        Form3_->IndirizzoInserito = [this] {
            if (stato_.Testata.IndicePorta == 3) IndirizzoPorta_ = stato_.IndirizzoPersonalizzato;
            ShowPortInUse();
        };
    }
    Form3_->Show();
}

void Form1::mnuHelp_Click() {
    if (!FinestraAiuto()) Form2_ = std::make_unique<Form2>(instance_, hwnd_);
    Form2_->Show();
}

void Form1::mnuGraph_Click() {
    if (!GraphWindow()) {
        // Opening it draws its effect on the screen: not while a run plays.
        if (stato_.InEsecuzione) return;
        graph_ = std::make_unique<ProgramGraph>(
            instance_, hwnd_, stato_, [this](int step) { SelectStep(step); }, [this] { return playingStep_; });
    }
    graph_->Show();
}

void Form1::mnuLPT_Click(int16_t indice) {
    const UINT voci[] = {ids::kMnuLPT1, ids::kMnuLPT2, ids::kMnuLPTPers};
    for (int i = 0; i < 3; ++i)
        CheckMenuItem(GetMenu(hwnd_), voci[i], MF_BYCOMMAND | (i + 1 == indice ? MF_CHECKED : MF_UNCHECKED));
    stato_.Testata.IndicePorta = indice;
    IndirizzoPorta_ = indice == 1 ? stato_.PortaLPT1 : indice == 2 ? stato_.PortaLPT2 : stato_.IndirizzoPersonalizzato;
    AggiornaIconePorta(indice);
    ShowPortInUse();
}

}  // namespace quelmar
