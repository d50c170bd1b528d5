// Form1's run engine: plays the step program on the port, paced by mmtimer1.
//
// The engine waits inside a nested message loop, so that the button's start
// returns only when the run has ended and the window stays usable. The wait
// sleeps until a message arrives (the timer's tick is one) instead of polling.
#include <windows.h>

#include <algorithm>

#include "sequencer/form1.h"
#include "sequencer/form1_ids.h"
#include "sequencer/form1_texts.h"

namespace quelmar {
namespace {

// The longest single arming of the timer: longer steps are waited out in
// parts, since the multimedia timer refuses delays above 65535 ms on some systems.
constexpr int64_t kParteMassima = 60000;

int64_t AdessoMicro() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return t.QuadPart / f.QuadPart * 1000000 + t.QuadPart % f.QuadPart * 1000000 / f.QuadPart;
}

}  // namespace

void Form1::Command3_Click() {
    stato_.InEsecuzione = !stato_.InEsecuzione;
    Timer1Acceso(false);
    if (stato_.InEsecuzione) {
        MostraFacciaEsecuzione(true);
        EnableWindow(Frame9, FALSE);
        SetWindowTextA(hwnd_, DidascaliaEsecuzione().c_str());
        DisabilitaButton();
        EseguiSequenza();
    } else {
        FineEsecuzione();
    }
    if (hwnd_) Timer1Acceso(false);
}

void Form1::mnuEsegui_Click() {
    stato_.InEsecuzione = false;
    Command3_Click();
}

// A tick in the first half of a wait cannot belong to it: the timer's thread
// posted it for the arming before, just as that one was replaced.
void Form1::mmtimer1_Timer() {
    if (AdessoMicro() >= tickValidoDa_) TickArrivato = true;
}

void Form1::DisabilitaButton() {
    if (!hwnd_) return;
    for (const Controllo& c : controlli_) EnableWindow(c.Hwnd, FALSE);
    HMENU barra = GetMenu(hwnd_);
    for (int i = 0, n = GetMenuItemCount(barra); i < n; ++i) {
        EnableMenuItem(barra, static_cast<UINT>(i), MF_BYPOSITION | MF_GRAYED);
        if (HMENU sotto = GetSubMenu(barra, i))
            for (int j = 0, m = GetMenuItemCount(sotto); j < m; ++j)
                EnableMenuItem(sotto, static_cast<UINT>(j), MF_BYPOSITION | MF_GRAYED);
    }
    DrawMenuBar(hwnd_);
    Timer1Acceso(false);
    mmtimer1_Enabled(false);
    EnableWindow(Command3, TRUE);
    EnableWindow(Picture1[0], TRUE);
    EnableWindow(Picture1[1], TRUE);
    EnableWindow(Frame8, TRUE);
}

void Form1::AbilitaButton() {
    if (!hwnd_) return;
    for (const Controllo& c : controlli_) EnableWindow(c.Hwnd, TRUE);
    HMENU barra = GetMenu(hwnd_);
    for (int i = 0, n = GetMenuItemCount(barra); i < n; ++i) {
        EnableMenuItem(barra, static_cast<UINT>(i), MF_BYPOSITION | MF_ENABLED);
        if (HMENU sotto = GetSubMenu(barra, i))
            for (int j = 0, m = GetMenuItemCount(sotto); j < m; ++j)
                EnableMenuItem(sotto, static_cast<UINT>(j), MF_BYPOSITION | MF_ENABLED);
    }
    // Enabling restarts the timer: what it queued before belongs to the old arming.
    mmtimer1_Enabled(false);
    mmtimer1_ScartaTick();
    mmtimer1_Enabled(true);
    Timer1Acceso(true);
    if (stato_.PortaLPT1 == 0) EnableMenuItem(barra, ids::kMnuLPT1, MF_BYCOMMAND | MF_GRAYED);
    if (stato_.PortaLPT2 == 0) EnableMenuItem(barra, ids::kMnuLPT2, MF_BYCOMMAND | MF_GRAYED);
    DrawMenuBar(hwnd_);
}

void Form1::FineEsecuzione() {
    if (!hwnd_) return;
    MostraFacciaEsecuzione(false);
    AbilitaButton();
    SetWindowTextA(hwnd_, DidascaliaInattiva().c_str());
    stato_.InEsecuzione = false;
}

void Form1::EseguiSequenza() {
    EnableWindow(Label8, TRUE);
    const std::string memo = Testo(Label8);
    if (stato_.Testata.Loop) {
        for (;;) {
            if (!Passata(memo)) return;
            DoEvents();
            if (chiusura_) return;
        }
    }
    if (!Passata(memo)) return;
    FineEsecuzione();
    ImpostaTesto(Label8, memo);
    mmtimer1_Enabled(false);
}

// One pass over the program. False when the run ends here (stop requested,
// or the window is going away).
bool Form1::Passata(const std::string& memo) {
    const int16_t n = static_cast<int16_t>(stato_.TotaleSteps);
    for (int i = 1; i <= n && i <= kMaxSteps; ++i) {
        if (chiusura_) return false;
        // Copied: handlers that run during the wait may edit the step.
        const bool abilitato = stato_.Steps(i).Abilitato;
        const uint8_t bit = stato_.Steps(i).Bit;
        const int32_t durata = stato_.Steps(i).Durata;
        if (abilitato) {
            if (stato_.Testata.VisualizzaOutput) DispValori(i);
            ImpostaTesto(Label8, Testi::kStepN + std::to_string(i));
            Hwinterface1_Scrivi(IndirizzoPorta_, bit);
            if (DopoScritturaPorta) DopoScritturaPorta();
            // The timer takes an interval below 1 ms as 1 ms.
            if (durata != 0) Attendi(durata < 1 ? 1 : durata);
        }
        DoEvents();
        if (chiusura_) return false;
        if (!stato_.InEsecuzione) {
            mmtimer1_Enabled(false);
            ImpostaTesto(Label8, memo);
            FineEsecuzione();
            return false;
        }
    }
    return true;
}

// Holds the step's byte for `durata` ms, counted from now: the timer is
// re-armed and only a tick of this arming ends the wait.
void Form1::Attendi(int32_t durata) {
    int64_t resto = durata;
    while (resto > 0 && !chiusura_) {
        const int64_t parte = std::min(resto, kParteMassima);
        TickArrivato = false;
        bool armato = false;
        if (mmtimer1) {
            // Ticks already queued belong to the arming that is over.
            mmtimer1_Enabled(false);
            mmtimer1_ScartaTick();
            tickValidoDa_ = AdessoMicro() + parte * 500;
            mmtimer1_Interval(static_cast<int32_t>(parte));
            armato = mmtimer1_Enabled(true);
        }
        // Without a running timer the wait is counted here, so it still ends.
        const int64_t scadenza = AdessoMicro() + parte * 1000;
        for (;;) {
            DoEvents();
            if (TickArrivato || chiusura_) break;
            DWORD attesa = INFINITE;
            if (!armato) {
                const int64_t manca = scadenza - AdessoMicro();
                if (manca <= 0) break;
                attesa = static_cast<DWORD>((manca + 999) / 1000);
            }
            MsgWaitForMultipleObjectsEx(0, nullptr, attesa, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
        resto -= parte;
    }
}

void Form1::DoEvents() {
    MSG msg;
    while (!chiusura_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The program is ending: leave the quit for the outer loop and unwind.
            PostQuitMessage(static_cast<int>(msg.wParam));
            chiusura_ = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace quelmar
