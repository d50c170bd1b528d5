// Form1's step editor: the refresh of the editing view and the handlers of
// its controls.
#include <windows.h>

#include "sequencer/form1.h"
#include "sequencer/form1_ids.h"
#include "sequencer/form1_texts.h"
#include "sequencer/step_editor.h"

namespace quelmar {

void Form1::AggiornaVista() {
    if (!hwnd_) return;
    if (ModoElenco != 0) {
        ImpostaTesto(Frame3, Testi::kFrame3Elenco);
        ReportSteps();
        SendMessageA(Text1, EM_SETREADONLY, TRUE, 0);
        ShowWindow(Label2, SW_SHOW);
        PlaceText1(380, 1815);
    } else {
        ImpostaTesto(Text1, stato_.Steps(stato_.StepCorrente).Descrizione);
        ImpostaTesto(Frame3, Testi::kFrame3Descrizione);
        SendMessageA(Text1, EM_SETREADONLY, FALSE, 0);
        ShowWindow(Label2, SW_HIDE);
        PlaceText1(255, 1935);
    }
    Seleziona(Check2, stato_.Steps(stato_.StepCorrente).Abilitato);
    Seleziona(Check3, stato_.Testata.Loop);
    Seleziona(Check4, stato_.Testata.VisualizzaOutput);
    ImpostaTesto(Label9, std::to_string(stato_.TotaleSteps));
    DispValori();
    ImpostaTesto(Label4, std::to_string(stato_.StepCorrente));
    ImpostaTesto(Label9, std::to_string(stato_.TotaleSteps));
    ImpostaTesto(Text3, std::to_string(stato_.Steps(stato_.StepCorrente).Durata));
    for (int i = 0; i < 8; ++i) {
        SetTooltip(Check1[i], stato_.Testata.DescrBit[i]);
        SetTooltip(Label1[i], stato_.Testata.DescrBit[i]);
    }
    MostraDescrBit();
    ImpostaTesto(Label8, NomeFile);
    ShowPortInUse();
    // The total follows every edit, an enabled flag changed by a command too.
    TempoTotale();
    // Every command, file procedure and move of the step ends here.
    if (graph_) graph_->ProgramChanged();
    DoEvents();
}

void Form1::ProgramEdited() {
    if (ModoElenco != 0) ReportSteps();
    if (graph_) graph_->ProgramChanged();
}

void Form1::SelectStep(int step) {
    if (stato_.InEsecuzione || step < 1 || step > stato_.TotaleSteps || step == stato_.StepCorrente) return;
    stato_.StepCorrente = step;
    ImpostaTesto(Label4, std::to_string(stato_.StepCorrente));
    AggiornaVista();
    ImpostaTesto(Text3, std::to_string(stato_.Steps(stato_.StepCorrente).Durata));
}

void Form1::DispValori(int stp) {
    Aggiornamento = true;
    const int k = (stp == 0) ? stato_.StepCorrente : stp;
    Module1::ByteInBit(stato_.Steps(k).Bit, BitStep);
    for (int i = 0; i < 8; ++i) Seleziona(Check1[i], BitStep[i] != 0);
    Aggiornamento = false;
    if (ModoDescrizione) ImpostaTesto(Frame3, Testi::kFrame3DescrizioneN + std::to_string(stato_.StepCorrente));
}

void Form1::TempoTotale() { ImpostaTesto(Label7, std::to_string(StepEditor::TempoTotale(stato_))); }

void Form1::ReportSteps() {
    // A list already showing keeps its place as it is rebuilt after an edit.
    const bool lista = (GetWindowLongA(Text1, GWL_STYLE) & ES_READONLY) != 0;
    const LRESULT prima = lista ? SendMessageA(Text1, EM_GETFIRSTVISIBLELINE, 0, 0) : 0;
    SetWindowTextA(Text1, "");
    SetWindowTextA(Text1, StepEditor::ReportSteps(stato_).c_str());
    if (prima > 0) SendMessageA(Text1, EM_LINESCROLL, 0, prima);
}

void Form1::LeggiCheckBit() {
    for (int i = 0; i < 8; ++i) BitStep[i] = Selezionato(Check1[i]) ? 1 : 0;
}

void Form1::MostraDescrBit() {
    ImpostaTesto(Text2, stato_.Testata.DescrBit[BitSelezionato]);
    ImpostaTesto(Frame4, Testi::kFrame4Prefisso + std::to_string(BitSelezionato));
}

void Form1::CambiaStep(int index) {
    DirezioneStep = static_cast<int16_t>(index);
    if (StepEditor::CambiaStep(stato_, index)) {
        ImpostaTesto(Label4, std::to_string(stato_.StepCorrente));
        AggiornaVista();
        ImpostaTesto(Text3, std::to_string(stato_.Steps(stato_.StepCorrente).Durata));
    } else {
        Beep();
    }
}

void Form1::Check1_Click(int index) {
    if (Aggiornamento) return;
    BitSelezionato = static_cast<int16_t>(index);
    ImpostaTesto(Text2, stato_.Testata.DescrBit[index]);
    // Only the clicked bit changes, taken from the step's own byte: the other
    // boxes may still show what a run displayed, and must not be stored.
    Module1::ByteInBit(stato_.Steps(stato_.StepCorrente).Bit, BitStep);
    BitStep[index] = Selezionato(Check1[index]) ? 1 : 0;
    stato_.Steps(stato_.StepCorrente).Bit = Module1::BitInByte(BitStep);
    DispValori();
    MostraDescrBit();
    ProgramEdited();
}

void Form1::Label1_Click(int index) {
    BitSelezionato = static_cast<int16_t>(index);
    MostraDescrBit();
}

void Form1::Command1_Click(int index) {
    switch (index) {
        case 0:  // Insert
            Beep();
            if (StepEditor::PuoInserire(stato_) && Domanda(Testi::kDomandaInserisci) == IDYES)
                StepEditor::Inserisci(stato_);
            break;
        case 1:  // Delete
            Beep();
            if (Domanda(Testi::kDomandaElimina) == IDYES) StepEditor::Elimina(stato_);
            break;
        case 2:  // Copy
            StepEditor::Copia(stato_);
            AppuntiPieni = true;
            break;
        case 3:  // Paste
            if (AppuntiPieni) {
                Beep();
                if (Domanda(Testi::kDomandaIncolla) == IDYES) StepEditor::Incolla(stato_);
            }
            break;
        case 4:  // Description mode
            ModoDescrizione = true;
            ModoElenco = 0;
            break;
        case 5:  // List mode
            ModoDescrizione = false;
            ModoElenco = 1;
            break;
        case 6:  // Test
            if (PortWritable()) Hwinterface1_Scrivi(IndirizzoPorta_, stato_.Steps(stato_.StepCorrente).Bit);
            break;
        case 7:  // Append
            StepEditor::Aggiungi(stato_);
            break;
        default:
            break;
    }
    AggiornaVista();
    ImpostaTesto(Label4, std::to_string(stato_.StepCorrente));
    ImpostaTesto(Label9, std::to_string(stato_.TotaleSteps));
}

void Form1::Command2_Click(int index) { CambiaStep(index); }

void Form1::Command2_MouseDown(int index) {
    DirezioneStep = static_cast<int16_t>(index);
    Timer1Acceso(true);
}

void Form1::Command2_MouseUp(int index) {
    Timer1Acceso(false);
    if (!RipetizioneAvvenuta) return;
    RipetizioneAvvenuta = false;
    // The click that follows moves once more: step back so that the user ends
    // on the step shown when the button was let go.
    if (stato_.StepCorrente >= 2 && stato_.StepCorrente < stato_.TotaleSteps) CambiaStep(index == 0 ? 1 : 0);
}

void Form1::Timer1_Timer() {
    RipetizioneAvvenuta = true;
    CambiaStep(DirezioneStep);
}

void Form1::Text1_Change() {
    if (ModoElenco == 0) stato_.Steps(stato_.StepCorrente).Descrizione = Testo(Text1);
}

void Form1::Text2_Change() {
    const std::string testo = Testo(Text2);
    stato_.Testata.DescrBit[BitSelezionato] = testo;
    SetTooltip(Check1[BitSelezionato], testo);
    SetTooltip(Label1[BitSelezionato], testo);
    // The timeline's lanes carry the bit descriptions.
    if (graph_) graph_->ProgramChanged();
}

void Form1::Text3_Change() {
    const std::optional<int32_t> durata = StepEditor::DurataDaTesto(Testo(Text3));
    if (!durata) {
        // Beyond 2147483647 ms: the step keeps its duration, the box shows it
        // again, and the user is told why.
        SetWindowTextA(Text3, std::to_string(stato_.Steps(stato_.StepCorrente).Durata).c_str());
        SendMessageA(Text3, EM_SETSEL, 0, -1);
        Ask(Testi::kDurataTroppoLunga, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
        return;
    }
    // The refresh shows each step's own duration here: only a new one is an edit.
    const bool cambiata = stato_.Steps(stato_.StepCorrente).Durata != *durata;
    stato_.Steps(stato_.StepCorrente).Durata = *durata;
    TempoTotale();
    if (cambiata) ProgramEdited();
}

bool Form1::Text3_KeyPress(WPARAM key) { return Module1::TastoNumerico(static_cast<int16_t>(key)); }

void Form1::Text3_Paste() {
    // Only the digits of the pasted text reach the box.
    if (!OpenClipboard(hwnd_)) return;
    std::string cifre;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* testo = static_cast<const char*>(GlobalLock(data))) {
            for (const char* p = testo; *p; ++p)
                if (*p >= '0' && *p <= '9') cifre += *p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (!cifre.empty()) SendMessageA(Text3, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(cifre.c_str()));
}

}  // namespace quelmar
