// Form1's hosted controls: mmtimer1, the Rintok timer that paces a run, and
// Hwinterface1, the port-access component. Both are bound late, by dispatch id.
#include <windows.h>

#include "sequencer/form1.h"
#include "timer_control/rintok_ids.h"

namespace quelmar {
namespace {

// HWINTERFACELib.Hwinterface
constexpr CLSID kClsidHwinterface = {0xe6b59980, 0x497a, 0x4656, {0xa0, 0x4b, 0x9b, 0x5d, 0x08, 0xef, 0x5d, 0xcf}};
constexpr DISPID kDispScrivi = 2;

// The timer's face is not part of the window: it lies at the left top corner, hidden.
constexpr host::TwipsRect kPostoTimer = {0, 0, 2325, 450};

}  // namespace

void Form1::CreaControlliOspitati() {
    eventi_.Add("mmtimer1_Timer", [this](host::EventArgs&) { mmtimer1_Timer(); });

    // Stored as designed: periodic, interval 0, the finest resolution, not enabled.
    host::ControlSpec timer;
    timer.name = "mmtimer1";
    timer.source = host::ControlSource::FromDll(rintok::kDllName, rintok::kClsidRintokCtl);
    timer.parent = hwnd_;
    timer.position = kPostoTimer;
    timer.stored = host::StoredProperties{{L"Interval", com::Variant(0L)},
                                          {L"Periodic", com::Variant(true)},
                                          {L"Resolution", com::Variant(0L)}};
    timer.handlers = &eventi_;
    // Without the timer a run still plays: the engine then counts each wait itself.
    if (SUCCEEDED(host::HostedControl::Create(timer, mmtimer1))) {
        ShowWindow(mmtimer1->Window(), SW_HIDE);
        controlli_.push_back({"mmtimer1", mmtimer1->Window()});
    }

    // The copy beside the program, so that no registration is needed.
    host::ControlSpec porta;
    porta.name = "Hwinterface1";
    porta.source = host::ControlSource::FromDll(L"hwinterface.ocx", kClsidHwinterface);
    if (FAILED(host::HostedControl::Create(porta, Hwinterface1))) {
        porta.source = host::ControlSource::FromProgId(L"HWINTERFACELib.Hwinterface");
        host::HostedControl::Create(porta, Hwinterface1);
    }

    CreaControlliMenu();
}

void Form1::RilasciaControlliOspitati() {
    RilasciaControlliMenu();
    if (mmtimer1) mmtimer1_Enabled(false);
    mmtimer1.reset();
    Hwinterface1.reset();
}

void Form1::mmtimer1_Interval(int32_t ms) {
    if (mmtimer1) host::PutById(mmtimer1->Dispatch(), rintok::kDispInterval, host::Arg::Val(static_cast<long>(ms)));
}

bool Form1::mmtimer1_Enabled(bool on) {
    if (!mmtimer1) return false;
    // The control's Enabled takes its argument by reference.
    VARIANT_BOOL valore = on ? VARIANT_TRUE : VARIANT_FALSE;
    host::PutById(mmtimer1->Dispatch(), rintok::kDispEnabled, host::Arg::RefBool(valore));
    return mmtimer1_Attivo();
}

bool Form1::mmtimer1_Attivo() {
    com::Variant letto;
    bool abilitato = false;
    if (mmtimer1 && SUCCEEDED(host::GetById(mmtimer1->Dispatch(), rintok::kDispEnabled, letto)))
        letto.ToBool(abilitato);
    return abilitato;
}

void Form1::mmtimer1_ScartaTick() {
    const HWND w = mmtimer1 ? mmtimer1->Window() : nullptr;
    if (!w) return;
    MSG msg;
    while (PeekMessageA(&msg, w, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD)) {
    }
}

void Form1::Hwinterface1_Scrivi(int16_t indirizzo, int16_t valore) {
    // Callers ignore the outcome: a port that does not answer shows nothing.
    if (Hwinterface1)
        host::CallById(Hwinterface1->Dispatch(), kDispScrivi, {host::Arg::Val(indirizzo), host::Arg::Val(valore)});
}

}  // namespace quelmar
