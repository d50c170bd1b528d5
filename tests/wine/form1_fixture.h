// A Form1 loaded in-process for the window tests: question boxes answered
// from a queue and recorded, beeps counted, the port traced to a file, and
// the start-up settings that would load or run a program cleared (and every
// setting put back as it was when the test ends).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com/variant.h"
#include "host/late_bound.h"
#include "menu_images/skarvo_ids.h"
#include "sequencer/form1.h"
#include "services/mod_registry.h"
#include "services/settings_store.h"
#include "tests/wine/wine_test_support.h"

namespace form1_test {

struct Domanda {
    std::string Testo;
    UINT Stile;
    std::string Titolo;
};

// Actions run from the next message loop of this thread, the run engine's
// wait included: each is posted to a message-only window of the test, so it
// runs when that loop takes its next message, whatever the machine's speed.
inline std::deque<std::function<void()>>& CodaAzioni() {
    static std::deque<std::function<void()>> coda;
    return coda;
}
inline LRESULT CALLBACK ProcAzioni(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg != WM_APP) return DefWindowProcA(h, msg, w, l);
    if (CodaAzioni().empty()) return 0;
    auto azione = std::move(CodaAzioni().front());
    CodaAzioni().pop_front();
    azione();
    return 0;
}
inline HWND FinestraAzioni() {
    static const HWND finestra = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ProcAzioni;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuelmarTestAzioni";
        RegisterClassA(&wc);
        return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }();
    return finestra;
}
inline void Poi(std::function<void()> azione) {
    CodaAzioni().push_back(std::move(azione));
    PostMessageA(FinestraAzioni(), WM_APP, 0, 0);
}

// A hang guard only, never a trigger: runs `action` should the test still be
// waiting `ms` from now. One guard is pending at a time.
inline std::function<void()>& AzioneGuardia() {
    static std::function<void()> azione;
    return azione;
}
inline UINT_PTR& TimerGuardia() {
    static UINT_PTR id = 0;
    return id;
}
inline void AnnullaAzioni() {
    if (TimerGuardia()) KillTimer(nullptr, TimerGuardia());
    TimerGuardia() = 0;
    AzioneGuardia() = nullptr;
    CodaAzioni().clear();
}
inline void CALLBACK EseguiGuardia(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (id != TimerGuardia()) return;
    TimerGuardia() = 0;
    auto azione = std::move(AzioneGuardia());
    AzioneGuardia() = nullptr;
    if (azione) azione();
}
inline void GuardiaBlocco(UINT ms, std::function<void()> action) {
    if (TimerGuardia()) KillTimer(nullptr, TimerGuardia());
    AzioneGuardia() = std::move(action);
    TimerGuardia() = SetTimer(nullptr, 0, ms, EseguiGuardia);
}

// The answer of a call through IDispatch by name, as a hosted control makes
// it: `error` is the raised error's number when `hr` is DISP_E_EXCEPTION.
struct CallResult {
    HRESULT hr = E_FAIL;
    com::Variant value;
    HRESULT error = S_OK;
};
inline CallResult CallByName(IDispatch* o, const wchar_t* name, std::vector<com::Variant> args = {},
                             WORD flags = DISPATCH_PROPERTYGET | DISPATCH_METHOD) {
    CallResult r;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    r.hr = o->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(r.hr)) return r;
    std::vector<VARIANT> rg;
    for (auto it = args.rbegin(); it != args.rend(); ++it) rg.push_back(it->Ref());
    DISPPARAMS p = {rg.data(), nullptr, static_cast<UINT>(rg.size()), 0};
    EXCEPINFO ex = {};
    r.hr = o->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, r.value.Out(), &ex, nullptr);
    if (r.hr == DISP_E_EXCEPTION) r.error = ex.scode;
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrHelpFile);
    return r;
}

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        Impostazioni::Scrivi("FileStart", "Nome", "");
        modRegistry::CancellaValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun,
                                    modRegistry::kNomeAutostart);
        trace_ = wine_test::TempPath(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                     ".trace");
        DeleteFileA(trace_.c_str());
        SetEnvironmentVariableA("QUELMAR_PORT_TRACE", trace_.c_str());
    }
    void TearDown() override {
        for (const std::string& p : tempFiles_) {
            SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(p.c_str());
        }
        AnnullaAzioni();
        form_.reset();
        SetEnvironmentVariableA("QUELMAR_PORT_TRACE", nullptr);
        DeleteFileA(trace_.c_str());
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        OleUninitialize();
    }

    // Creates and loads the window with `riga` as its command line.
    void Carica(const std::string& riga = "") {
        CreateAnswered();
        int code = 0;
        ASSERT_TRUE(form_->Load(riga, code));
    }
    // Creates the window, not yet loaded, its question boxes answered from
    // risposte_ (No once it is empty) and noted, its beeps counted.
    void CreateAnswered() {
        form_ = std::make_unique<quelmar::Form1>(GetModuleHandleA(nullptr));
        form_->MsgBox = [this](const std::string& testo, UINT stile, const std::string& titolo) {
            domande_.push_back({testo, stile, titolo});
            if (risposte_.empty()) return IDNO;
            const int r = risposte_.front();
            risposte_.pop_front();
            return r;
        };
        form_->Beep = [this] { ++beep_; };
    }

    // A fresh temporary path, removed again (read-only or not) at the end of the test.
    std::string Temp(const std::string& nome) {
        tempFiles_.push_back(wine_test::TempPath(nome));
        DeleteFileA(tempFiles_.back().c_str());
        return tempFiles_.back();
    }

    // Loads the window on the custom address 0x378 with `steps` as its program.
    void LoadOnCustomPort(const std::vector<quelmar::StepRec>& steps) {
        ASSERT_NO_FATAL_FAILURE(Carica());
        ASSERT_NO_FATAL_FAILURE(PortaPersonalizzata(0x378));
        S().TotaleSteps = static_cast<int32_t>(steps.size());
        for (size_t i = 0; i < steps.size(); ++i) S().Steps(static_cast<int>(i) + 1) = steps[i];
    }

    quelmar::Form1& F() { return *form_; }
    quelmar::SequencerState& S() { return form_->Stato(); }
    HWND C(const std::string& nome) {
        HWND h = form_->Control(nome);
        EXPECT_NE(h, nullptr) << nome;
        return h;
    }
    std::string Testo(const std::string& nome) { return TestoDi(C(nome)); }
    static std::string TestoDi(HWND h) {
        char buf[70000] = {};
        GetWindowTextA(h, buf, sizeof buf);
        return buf;
    }
    bool Spuntato(const std::string& nome) { return SendMessageA(C(nome), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Clic(const std::string& nome) {
        HWND h = C(nome);
        SendMessageA(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED), reinterpret_cast<LPARAM>(h));
    }
    // A click as the user makes it: the box toggles itself, then reports.
    void ClicCasella(const std::string& nome) { SendMessageA(C(nome), BM_CLICK, 0, 0); }
    void Menu(const std::string& nome) {
        const UINT id = form_->MenuId(nome);
        ASSERT_NE(id, 0u) << nome;
        SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }
    bool MenuAbilitato(const std::string& nome) {
        return !(GetMenuState(GetMenu(form_->Handle()), form_->MenuId(nome), MF_BYCOMMAND) & MF_GRAYED);
    }
    // The caption DTPSkarvo1 draws for the entry `chiave` (a key or an index
    // from 1): the menu itself holds no text once the control draws the entry.
    std::string DidascaliaDisegnata(const com::Variant& chiave) {
        com::Variant v;
        if (!F().MenuImmagini() ||
            FAILED(host::GetById(F().MenuImmagini(), skarvo::kDispCaption, {host::Arg::Val(chiave.Ref())}, v)) ||
            v.Type() != VT_BSTR)
            return "<no caption>";
        char buf[512] = {};
        WideCharToMultiByte(CP_ACP, 0, v.Ref().bstrVal, static_cast<int>(SysStringLen(v.Ref().bstrVal)), buf,
                            sizeof buf - 1, nullptr, nullptr);
        return buf;
    }
    // An entry's text as the user sees it.
    std::string TestoMenu(const std::string& nome) {
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(GetMenu(form_->Handle()), form_->MenuId(nome), FALSE, &mii);
        if (mii.fType & MFT_OWNERDRAW) return DidascaliaDisegnata(com::Variant(std::wstring(nome.begin(), nome.end())));
        char buf[128] = {};
        GetMenuStringA(GetMenu(form_->Handle()), form_->MenuId(nome), buf, sizeof buf, MF_BYCOMMAND);
        return buf;
    }
    bool MenuSpuntato(const std::string& nome) {
        return (GetMenuState(GetMenu(form_->Handle()), form_->MenuId(nome), MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    std::string Tooltip(const std::string& nome) {
        HWND tip = nullptr;
        // The window's tooltip control is a top-level window owned by it.
        EnumThreadWindows(GetCurrentThreadId(), TrovaTooltip, reinterpret_cast<LPARAM>(&tip));
        if (!tip) return "<no tooltip control>";
        // The wide request: the narrow one stops at 80 characters.
        wchar_t buf[1024] = {};
        TOOLINFOW ti = {};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.hwnd = form_->Handle();
        ti.uId = reinterpret_cast<UINT_PTR>(C(nome));
        ti.lpszText = buf;
        SendMessageW(tip, TTM_GETTEXTW, sizeof buf / sizeof buf[0], reinterpret_cast<LPARAM>(&ti));
        char testo[2048] = {};
        WideCharToMultiByte(1252, 0, buf, -1, testo, sizeof testo, nullptr, nullptr);
        return testo;
    }
    static BOOL CALLBACK TrovaTooltip(HWND h, LPARAM p) {
        char cls[64] = {};
        GetClassNameA(h, cls, sizeof cls);
        if (std::string(cls) != TOOLTIPS_CLASSA) return TRUE;
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
    }
    // Types one character into a box, as the keyboard does.
    void Digita(const std::string& nome, char c) { SendMessageA(C(nome), WM_CHAR, static_cast<unsigned char>(c), 0); }

    // Selects the custom address `indirizzo` as the run's port.
    void PortaPersonalizzata(int16_t indirizzo) {
        S().IndirizzoPersonalizzato = indirizzo;
        Menu("mnuLPTPers");
        ASSERT_EQ(F().IndirizzoPorta(), indirizzo);
    }

    std::vector<wine_test::TraceLine> Traccia() { return wine_test::ReadTrace(trace_); }

    // Runs `azione` in the wait that follows the run's n-th port write (the
    // writes of runs nested in it count too).
    void AllaScrittura(int n, std::function<void()> azione) {
        F().DopoScritturaPorta = [n, azione, scritture = 0]() mutable {
            if (++scritture == n) Poi(azione);
        };
    }

    wine_test::SavedSettings savedSettings_;  // restored after TearDown, the window gone
    std::unique_ptr<quelmar::Form1> form_;
    std::deque<int> risposte_;
    std::vector<Domanda> domande_;
    int beep_ = 0;
    std::string trace_;
    std::vector<std::string> tempFiles_;
};

}  // namespace form1_test
