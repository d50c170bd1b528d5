// Form1's run engine: plays the step program on the port, paced by mmtimer1.
//
// The engine waits inside a nested message loop, so that the button's start
// returns only when the run has ended and the window stays usable. The wait
// sleeps until a message arrives (the timer's tick is one) instead of polling.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>

#include "host/dialog_keys.h"
#include "sequencer/form1.h"
#include "sequencer/form1_ids.h"
#include "sequencer/form1_texts.h"
#include "sequencer/step_editor.h"
#include "services/options_values.h"
#include "services/settings_store.h"

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

// In a precise hold, no message is begun closer than this to its end: one
// message (a repaint) may take some hundreds of microseconds under load.
constexpr int64_t kMessageReserve = 500;

void CALLBACK NessunaAzione(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

// Held for the length of a run. mmtimer1 is stopped and started again at every
// step, and some multimedia-timer services end their thread whenever no timer
// is registered and start a new one at the next registration: a thread start
// per step costs more processor time than the rest of the step. A timer that
// does nothing keeps that thread in place meanwhile.
class SostegnoTimer {
public:
    SostegnoTimer() : id_(timeSetEvent(1000, 1000, NessunaAzione, 0, TIME_PERIODIC)) {}
    ~SostegnoTimer() {
        if (id_) timeKillEvent(id_);
    }
    SostegnoTimer(const SostegnoTimer&) = delete;
    SostegnoTimer& operator=(const SostegnoTimer&) = delete;

private:
    UINT id_;
};

}  // namespace

void Form1::Command3_Click() {
    stato_.InEsecuzione = !stato_.InEsecuzione;
    Timer1Acceso(false);
    if (stato_.InEsecuzione) {
        // A run that could write nothing, or only to the system board, does
        // not start: the user is told why instead.
        stato_.InEsecuzione = false;
        if (!StepEditor::QualcheStepAbilitato(stato_)) {
            Ask(Testi::kNessunoStepAbilitato, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
            return;
        }
        if (!PortWritable()) return;
        stato_.InEsecuzione = true;
        MostraFacciaEsecuzione(true);
        EnableWindow(Frame9, FALSE);
        SetWindowTextA(hwnd_, DidascaliaEsecuzione().c_str());
        DisabilitaButton();
        // The stop button keeps the keyboard: Space, Enter and Escape stop the run.
        SetFocus(Command3);
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
    playingStep_ = 0;
    // The boxes show the current step's own bits again, not the last byte played.
    DispValori();
}

void Form1::RinfrescoDifferito(bool on) {
    rinfrescoDifferito_ += on ? 1 : -1;
    if (!hwnd_) return;
    if (on && rinfrescoDifferito_ == 1) SetTimer(hwnd_, ids::kTimerLabel8, ids::kPeriodoLabel8, nullptr);
    if (!on && rinfrescoDifferito_ == 0) {
        KillTimer(hwnd_, ids::kTimerLabel8);
        label8DaRidisegnare_ = false;
        InvalidateRect(Label8, nullptr, TRUE);
    }
}

void Form1::EseguiSequenza() {
    const SostegnoTimer sostegno;
    cadenza_.Riparti();
    precisa_ = PrecisoDaTesto(Impostazioni::Leggi(Impostazioni::kOptionPreciso));
    preciso_.Riparti();
    if (precisa_) {
        // The window redrawn for the run (buttons and menus disabled, the
        // caption) is painted now, before the first write, instead of in the
        // first holds, where it would make their writes late.
        if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        DoEvents();
        ProbeFineSleep();
    }
    class Differito {
    public:
        explicit Differito(Form1& f) : f_(f) { f_.RinfrescoDifferito(true); }
        ~Differito() { f_.RinfrescoDifferito(false); }
        Differito(const Differito&) = delete;
        Differito& operator=(const Differito&) = delete;

    private:
        Form1& f_;
    } differito(*this);
    EnableWindow(Label8, TRUE);
    const std::string memo = Testo(Label8);
    if (stato_.Testata.Loop) {
        for (;;) {
            if (!Passata(memo)) return;
            // A precise pass took its messages after each write; between
            // passes they would delay the first write of the next one.
            if (!precisa_ || writesInPass_ == 0) DoEvents();
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
    writesInPass_ = 0;
    for (int i = 1; i <= n && i <= kMaxSteps; ++i) {
        if (chiusura_) return false;
        // Copied: handlers that run during the wait may edit the step.
        const bool abilitato = stato_.Steps(i).Abilitato;
        const uint8_t bit = stato_.Steps(i).Bit;
        const int32_t durata = stato_.Steps(i).Durata;
        if (abilitato) {
            Hwinterface1_Scrivi(IndirizzoPorta_, bit);
            ++writesInPass_;
            playingStep_ = i;
            // The wait counts from the write, so the timer is armed before the
            // display follows the step (a few microseconds later).
            const int64_t tenuta = durata == 0 ? 0 : durata < 1 ? 1 : durata;  // the timer takes below 1 ms as 1 ms
            Attesa attesa;
            if (precisa_) {
                attesa = ArmaPreciso(preciso_.Scadenza(AdessoMicro(), tenuta));
            } else {
                const int64_t ritardo = cadenza_.Inizio(AdessoMicro(), tenuta);
                if (tenuta != 0) attesa = Arma(tenuta, ritardo);
            }
            if (stato_.Testata.VisualizzaOutput) DispValori(i);
            ImpostaTesto(Label8, Testi::kStepN + std::to_string(i));
            if (DopoScritturaPorta) DopoScritturaPorta();
            if (precisa_) {
                // The write came first; the window's messages are taken now,
                // in the time before the spin, never between the spin and the
                // next write. A run of steps too short to arm still takes them.
                TakeMessagesBefore(attesa.scadenza - kMessageReserve);
                if (!AttendiPreciso(attesa)) preciso_.Interrotta();
            } else if (tenuta != 0 && !Attendi(attesa)) {
                cadenza_.Interrotta();
            }
            if (AfterHoldEnds) AfterHoldEnds();
        }
        if (!precisa_) DoEvents();
        if (chiusura_) return false;
        if (!stato_.InEsecuzione) {
            mmtimer1_Enabled(false);
            ImpostaTesto(Label8, memo);
            FineEsecuzione();
            // Re-enabling the window restarted mmtimer1; nothing waits for it now.
            mmtimer1_Enabled(false);
            mmtimer1_ScartaTick();
            return false;
        }
    }
    return true;
}

// Arms mmtimer1 for (the first part of) a wait of `durata` ms from now, less
// `ritardo` microseconds by which the step started late.
Form1::Attesa Form1::Arma(int64_t durata, int64_t ritardo) {
    Attesa a;
    const int64_t parte = std::min(durata, kParteMassima);
    a.resto = durata - parte;
    const int64_t intervallo = IntervalloArmato(parte, ritardo);
    TickArrivato = false;
    const int64_t adesso = AdessoMicro();
    tickValidoDa_ = adesso + intervallo * 500;
    a.scadenza = adesso + intervallo * 1000;
    if (mmtimer1) {
        mmtimer1_Enabled(false);
        mmtimer1_Interval(static_cast<int32_t>(intervallo));
        a.armato = mmtimer1_Enabled(true);
    }
    return a;
}

// Waits until the tick of the armed timer has arrived. Without a running
// timer the wait is counted here, so that it still ends. False when the wait
// was cut short.
bool Form1::Attendi(Attesa a) {
    for (;;) {
        while (!TickArrivato && !chiusura_) {
            // A run started in this wait (after a stop request) switches the
            // timer off when it ends: no tick can come any more.
            if (a.armato && !mmtimer1_Attivo()) return false;
            DWORD ms = INFINITE;
            if (!a.armato) {
                const int64_t manca = a.scadenza - AdessoMicro();
                if (manca <= 0) break;
                ms = static_cast<DWORD>((manca + 999) / 1000);
            }
            MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            DoEvents(&TickArrivato);
        }
        if (chiusura_) return false;
        StopTicking(a);
        if (a.resto <= 0) return true;
        a = Arma(a.resto);
    }
}

// Arms mmtimer1 to tick the margin before `scadenza`, when that leaves the
// timer anything to do; otherwise the wait is spun (or already over).
Form1::Attesa Form1::ArmaPreciso(int64_t scadenza) {
    Attesa a;
    a.scadenza = scadenza;
    const int64_t adesso = AdessoMicro();
    const PassoPreciso::Prossima m = preciso_.Dopo(adesso, scadenza);
    if (m.mossa != PassoPreciso::Mossa::Arma) return a;
    TickArrivato = false;
    tickValidoDa_ = adesso + m.ms * 500;
    a.tickDue = adesso + m.ms * 1000;
    if (mmtimer1) {
        mmtimer1_Enabled(false);
        mmtimer1_Interval(static_cast<int32_t>(m.ms));
        a.armato = mmtimer1_Enabled(true);
    }
    return a;
}

// Waits for the tick taking messages as the plain wait does, then sleeps and
// spins to the deadline. Those take no messages: they last about the margin,
// and a message handled in them would make the next write late. False when
// the wait was cut short.
bool Form1::AttendiPreciso(Attesa a) {
    for (;;) {
        if (a.armato) {
            while (!TickArrivato && !chiusura_) {
                // A run started in this wait switches the timer off when it ends.
                if (!mmtimer1_Attivo()) return false;
                MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
                DoEvents(&TickArrivato);
            }
            if (TickArrivato) preciso_.RecordTickLateness(AdessoMicro() - a.tickDue);
            StopTicking(a);
        } else {
            // No timer to tick: sleep on the messages until the margin is all that is left.
            const int64_t manca = a.scadenza - preciso_.Margine() - AdessoMicro();
            if (manca >= 1000) {
                MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(manca / 1000), QS_ALLINPUT,
                                            MWMO_INPUTAVAILABLE);
                DoEvents();
            }
        }
        if (chiusura_) return false;
        const PassoPreciso::Prossima m = preciso_.Dopo(AdessoMicro(), a.scadenza);
        if (m.mossa == PassoPreciso::Mossa::Fatto) return true;
        if (m.mossa == PassoPreciso::Mossa::Gira) {
            SleepThenSpin(a.scadenza);
            return true;
        }
        a = ArmaPreciso(a.scadenza);
    }
}

void Form1::SleepThenSpin(int64_t scadenza) {
    const int64_t start = AdessoMicro();
    const int64_t sleep = preciso_.SleepBeforeSpin(scadenza - start);
    if (sleep > 0 && fineSleep_.Sleep(sleep)) preciso_.RecordSleepOvershoot(AdessoMicro() - start - sleep);
    while (AdessoMicro() < scadenza) {
    }
}

void Form1::ProbeFineSleep() {
    constexpr int kProbes = 3;
    constexpr int64_t kProbeMicro = 200;
    for (int i = 0; i < kProbes; ++i) {
        const int64_t start = AdessoMicro();
        if (!fineSleep_.Sleep(kProbeMicro)) return;
        preciso_.RecordSleepOvershoot(AdessoMicro() - start - kProbeMicro);
        // A sleep as coarse as that is not worth probing again: the holds spin.
        if (preciso_.SpinGuard() >= PassoPreciso::kSpinGuardUnknown) return;
    }
}

// The wait has its tick: mmtimer1 ticks no more until the next arming. A
// periodic timer of a short interval would otherwise go on queueing ticks
// while the step boundary takes the window's messages, and on a slow or busy
// machine, where handling a tick takes longer than the interval, the queue
// would never empty and the run would never go on.
void Form1::StopTicking(const Attesa& a) {
    if (a.armato && TickArrivato) mmtimer1_Enabled(false);
}

void Form1::TakeMessagesBefore(int64_t until) {
    MSG msg;
    for (bool first = true; !chiusura_ && (first || AdessoMicro() < until); first = false) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        if (!TakeMessage(msg)) return;
    }
}

void Form1::DoEvents(const bool* basta) {
    MSG msg;
    while (!chiusura_ && !(basta && *basta) && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!TakeMessage(msg)) break;
}

bool Form1::TakeMessage(MSG& msg) {
    if (msg.message == WM_QUIT) {
        // The program is ending: leave the quit for the outer loop and unwind.
        PostQuitMessage(static_cast<int>(msg.wParam));
        chiusura_ = true;
        return false;
    }
    host::TranslateAndDispatch(msg);
    return true;
}

}  // namespace quelmar
