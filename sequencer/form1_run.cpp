// Form1's runs: the run engine played on Hwinterface1, paced by mmtimer1.
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
#include "sequencer/run_engine.h"
#include "sequencer/step_editor.h"
#include "services/options_values.h"
#include "services/settings_store.h"

namespace quelmar {
namespace {

int64_t MicroNow() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return t.QuadPart / f.QuadPart * 1000000 + t.QuadPart % f.QuadPart * 1000000 / f.QuadPart;
}

// The longest single wait for a message: a deadline further away is waited
// for in parts of this (the wait's milliseconds are 32 bits).
constexpr int64_t kLongestMessageWaitMs = 3600000;

void CALLBACK DoNothing(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

// Held for the length of a run. mmtimer1 is stopped and started again at every
// step, and some multimedia-timer services end their thread whenever no timer
// is registered and start a new one at the next registration: a thread start
// per step costs more processor time than the rest of the step. A timer that
// does nothing keeps that thread in place meanwhile.
class TimerThreadKeeper {
public:
    TimerThreadKeeper() : id_(timeSetEvent(1000, 1000, DoNothing, 0, TIME_PERIODIC)) {}
    ~TimerThreadKeeper() {
        if (id_) timeKillEvent(id_);
    }
    TimerThreadKeeper(const TimerThreadKeeper&) = delete;
    TimerThreadKeeper& operator=(const TimerThreadKeeper&) = delete;

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
    if (MicroNow() >= tickValidFrom_) TickArrivato = true;
}

// Every control and every menu entry (the bar's and their menus') enabled or greyed.
void Form1::EnableWholeWindow(bool on) {
    for (const Controllo& c : controlli_) EnableWindow(c.Hwnd, on ? TRUE : FALSE);
    const UINT state = MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED);
    HMENU bar = GetMenu(hwnd_);
    for (int i = 0, n = GetMenuItemCount(bar); i < n; ++i) {
        EnableMenuItem(bar, static_cast<UINT>(i), state);
        if (HMENU menu = GetSubMenu(bar, i))
            for (int j = 0, m = GetMenuItemCount(menu); j < m; ++j) EnableMenuItem(menu, static_cast<UINT>(j), state);
    }
}

void Form1::DisabilitaButton() {
    if (!hwnd_) return;
    EnableWholeWindow(false);
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
    EnableWholeWindow(true);
    // Enabling restarts the timer: what it queued before belongs to the old arming.
    mmtimer1_Enabled(false);
    mmtimer1_ScartaTick();
    mmtimer1_Enabled(true);
    Timer1Acceso(true);
    HMENU bar = GetMenu(hwnd_);
    if (stato_.PortaLPT1 == 0) EnableMenuItem(bar, ids::kMnuLPT1, MF_BYCOMMAND | MF_GRAYED);
    if (stato_.PortaLPT2 == 0) EnableMenuItem(bar, ids::kMnuLPT2, MF_BYCOMMAND | MF_GRAYED);
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

// The window as the run engine sees it: the program in stato_, the port
// through Hwinterface1, mmtimer1's ticks and the window's own messages, and
// the step shown as it is played.
class Form1::RunSession final : public RunProgram, public RunPort, public RunWaiter, public RunObserver {
public:
    explicit RunSession(Form1& form) : f_(form) {}

    int StepCount() override { return static_cast<int16_t>(f_.stato_.TotaleSteps); }
    StepRec Step(int number) override { return f_.stato_.Steps(number); }

    bool Write(uint8_t value, std::string&) override {
        f_.Hwinterface1_Scrivi(f_.IndirizzoPorta_, value);
        return true;
    }

    int64_t NowMicro() override { return MicroNow(); }
    bool StopRequested() override { return !f_.stato_.InEsecuzione; }
    bool MustEnd() override { return f_.chiusura_; }

    bool WaitUntil(int64_t deadline) override {
        while (!f_.chiusura_) {
            const int64_t left = deadline - MicroNow();
            if (left <= 0) return true;
            const int64_t ms = std::min((left + 999) / 1000, kLongestMessageWaitMs);
            MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(ms), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            f_.DoEvents();
        }
        return false;
    }

    // A tick in the first half of the wait cannot belong to it (see mmtimer1_Timer).
    bool ArmTick(int64_t ms) override {
        f_.TickArrivato = false;
        f_.tickValidFrom_ = MicroNow() + ms * 500;
        if (!f_.mmtimer1) return false;
        f_.mmtimer1_Enabled(false);
        f_.mmtimer1_Interval(static_cast<int32_t>(ms));
        return f_.mmtimer1_Enabled(true);
    }

    bool WaitForTick() override {
        while (!f_.TickArrivato && !f_.chiusura_) {
            // A run started in this wait (after a stop request) switches the
            // timer off when it ends: no tick can come any more.
            if (!f_.mmtimer1_Attivo()) return false;
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            f_.DoEvents(&f_.TickArrivato);
        }
        if (f_.chiusura_) return false;
        // The wait has its tick: mmtimer1 ticks no more until the next
        // arming. A periodic timer of a short interval would otherwise go on
        // queueing ticks while the step boundary takes the window's messages,
        // and on a slow or busy machine, where handling a tick takes longer
        // than the interval, the queue would never empty and the run would
        // never go on.
        f_.mmtimer1_Enabled(false);
        return true;
    }

    bool SleepFine(int64_t micro) override { return f_.fineSleep_.Sleep(micro); }
    void ServePending() override { f_.DoEvents(); }
    void ServeBefore(int64_t until) override { f_.TakeMessagesBefore(until); }

    void WaitForStop() override {
        while (f_.stato_.InEsecuzione && !f_.chiusura_) {
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            f_.DoEvents();
        }
    }

    void OnStepWritten(int64_t, int step, uint8_t, int64_t) override {
        f_.playingStep_ = step;
        if (f_.stato_.Testata.VisualizzaOutput) f_.DispValori(step);
        ImpostaTesto(f_.Label8, Testi::kStepN + std::to_string(step));
        if (f_.DopoScritturaPorta) f_.DopoScritturaPorta();
    }
    void OnHoldEnded() override {
        if (f_.AfterHoldEnds) f_.AfterHoldEnds();
    }

private:
    Form1& f_;
};

void Form1::EseguiSequenza() {
    const TimerThreadKeeper keeper;
    preciseRun_ = PrecisoDaTesto(Impostazioni::Leggi(Impostazioni::kOptionPreciso));
    if (preciseRun_) {
        // The window redrawn for the run (buttons and menus disabled, the
        // caption) is painted now, before the first write, instead of in the
        // first holds, where it would make their writes late.
        if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        DoEvents();
    }
    class DeferredRefresh {
    public:
        explicit DeferredRefresh(Form1& f) : f_(f) { f_.RinfrescoDifferito(true); }
        ~DeferredRefresh() { f_.RinfrescoDifferito(false); }
        DeferredRefresh(const DeferredRefresh&) = delete;
        DeferredRefresh& operator=(const DeferredRefresh&) = delete;

    private:
        Form1& f_;
    } deferred(*this);
    EnableWindow(Label8, TRUE);
    const std::string memo = Testo(Label8);

    RunSession session(*this);
    RunSettings settings;
    settings.passes = stato_.Testata.Loop ? 0 : 1;
    settings.pacing = preciseRun_ ? RunPacing::Precise : RunPacing::Timer;
    settings.catchUpMicro = PrecisePacing::kCatchUpMicro;
    settings.fixedMarginMicro = fixedPreciseMargin_;
    switch (RunEngine(session, session, session, &session).Play(settings).end) {
    case RunEnd::Unwound: return;  // the window is going away
    case RunEnd::Stopped:
        mmtimer1_Enabled(false);
        ImpostaTesto(Label8, memo);
        FineEsecuzione();
        // Re-enabling the window restarted mmtimer1; nothing waits for it now.
        mmtimer1_Enabled(false);
        mmtimer1_ScartaTick();
        return;
    case RunEnd::Completed:
    case RunEnd::PortFailed:
        FineEsecuzione();
        ImpostaTesto(Label8, memo);
        mmtimer1_Enabled(false);
        return;
    }
}

void Form1::TakeMessagesBefore(int64_t until) {
    MSG msg;
    for (bool first = true; !chiusura_ && (first || MicroNow() < until); first = false) {
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
