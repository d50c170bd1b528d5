// Form1: construction of the window, its controls and menus, message
// dispatch, and the load sequence.
#include "form1.h"

#include <commctrl.h>

#include <iterator>

#include "host/dialog_keys.h"
#include "sequencer/form1_ids.h"
#include "sequencer/form1_pictures.h"
#include "sequencer/form1_texts.h"
#include "sequencer/platform_files.h"
#include "sequencer/program_file.h"
#include "services/anima_form.h"
#include "services/arg_argv.h"
#include "services/mod_registry.h"
#include "services/options_values.h"
#include "services/port_setup.h"
#include "services/porte_sistema.h"
#include "services/settings_store.h"

namespace quelmar {
namespace {

constexpr char kClasse[] = "QuelmarForm1";
constexpr int kLarghezzaClient = 600;
constexpr int kAltezzaClient = 356;

// The main window's keyboard shortcuts.
constexpr ACCEL kShortcuts[] = {{FCONTROL | FVIRTKEY, 'G', ids::kMnuGraph}};

// Twips to pixels on this screen.
int PixelY(int twips) {
    com::WindowDC dc(nullptr);
    return MulDiv(twips, GetDeviceCaps(dc.Get(), LOGPIXELSY), 1440);
}

}  // namespace

std::string DidascaliaInattiva() {
    return std::string(Testi::kDidascaliaBase) + Testi::kVersione + Testi::kCarattere223;
}

std::string DidascaliaEsecuzione() { return DidascaliaInattiva() + Testi::kInEsecuzione; }

Form1::Form1(HINSTANCE instance)
    : instance_(instance), accelerators_(kShortcuts, static_cast<int>(std::size(kShortcuts))) {
    MsgBox = [this](const std::string& testo, UINT stile, const std::string& titolo) {
        return MessageBoxA(hwnd_ && IsWindowVisible(hwnd_) ? hwnd_ : nullptr, testo.c_str(), titolo.c_str(), stile);
    };
    Beep = [] { MessageBeep(MB_OK); };
    LeggiPorte = Porte_Sistema::LeggiPorte;

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIcon(instance_, MAKEINTRESOURCE(1));
    wc.lpszClassName = kClasse;
    RegisterClassExA(&wc);

    const DWORD stile = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r = {0, 0, kLarghezzaClient, kAltezzaClient};
    AdjustWindowRect(&r, stile, TRUE);
    // Created hidden: the load sequence decides whether it is ever shown.
    hwnd_ = CreateWindowExA(0, kClasse, DidascaliaInattiva().c_str(), stile, CW_USEDEFAULT, CW_USEDEFAULT,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance_, this);
    if (!hwnd_) return;
    CreaMenu();
    CreaControlli();
    CreaControlliOspitati();
    host::EnableDialogKeys(hwnd_);
    host::SetAccelerators(hwnd_, accelerators_.Get());
}

Form1::~Form1() {
    chiusura_ = true;
    distruzioneDaCodice_ = true;
    if (hwnd_) DestroyWindow(hwnd_);
    RilasciaControlliOspitati();
}

HWND Form1::Control(const std::string& nome) const {
    for (const Controllo& c : controlli_)
        if (c.Nome == nome) return c.Hwnd;
    return nullptr;
}

com::ComPtr<IDispatch> Form1::OggettoForm() const { return CreateFormObject(hwnd_, menuControlli_); }

UINT Form1::MenuId(const std::string& nome) const {
    auto it = menuIds_.find(nome);
    return it == menuIds_.end() ? 0 : it->second;
}

// ---- Construction ----------------------------------------------------------

HWND Form1::Crea(const std::string& nome, const char* classe, const char* testo, DWORD stile, int x, int y, int w,
                 int h, UINT id) {
    const DWORD exStile = (std::string(classe) == "EDIT") ? WS_EX_CLIENTEDGE : 0;
    HWND c = CreateWindowExA(exStile, classe, testo, WS_CHILD | WS_CLIPSIBLINGS | stile, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    controlli_.push_back({nome, c});
    return c;
}

void Form1::ImpostaTooltip(HWND control, const std::string& testo) {
    if (!tooltip_ || !control) return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<char*>(testo.c_str());
    TOOLINFOA esistente = ti;
    esistente.lpszText = nullptr;
    if (SendMessageA(tooltip_, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&esistente)))
        SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    else
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Form1::CreaMenu() {
    com::Menu barra(CreateMenu());
    com::Menu file(CreatePopupMenu());
    com::Menu lpt(CreatePopupMenu());
    struct Voce {
        HMENU menu;
        const char* nome;
        UINT id;
        const char* testo;
    };
    const Voce voci[] = {
        {file.Get(), "mnuNuovo", ids::kMnuNuovo, Testi::kMnuNuovo},
        {file.Get(), "MnuApri", ids::kMnuApri, Testi::kMnuApri},
        {file.Get(), "MnuRegistra", ids::kMnuRegistra, Testi::kMnuRegistra},
        {file.Get(), "mnuSalvaConNome", ids::kMnuSalvaConNome, Testi::kMnuSalvaConNome},
        {file.Get(), nullptr, 0, nullptr},
        {file.Get(), "mnuEsegui", ids::kMnuEsegui, Testi::kMnuEsegui},
        {file.Get(), "mnuGraph", ids::kMnuGraph, Testi::kMnuGraph},
        {file.Get(), nullptr, 0, nullptr},
        {file.Get(), "MnuOpz", ids::kMnuOpz, Testi::kMnuOpz},
        {file.Get(), nullptr, 0, nullptr},
        {file.Get(), "MnuFine", ids::kMnuFine, Testi::kMnuFine},
        {lpt.Get(), "mnuLPT1", ids::kMnuLPT1, Testi::kMnuLPT1},
        {lpt.Get(), "mnuLPT2", ids::kMnuLPT2, Testi::kMnuLPT2},
        {lpt.Get(), "mnuLPTPers", ids::kMnuLPTPers, Testi::kMnuLPTPers},
    };
    // The menu controls in menu order: each title, then its entries. The
    // separator lines are the control array mnuSep.
    menuControlli_.clear();
    menuControlli_.push_back({"MnuFile", -1, Testi::kMnuFile, "", true});
    int separatori = 0;
    for (const Voce& v : voci) {
        if (v.menu == lpt.Get() && v.id == ids::kMnuLPT1)
            menuControlli_.push_back({"mnuLPT", -1, Testi::kMnuLPT, "", true});
        if (!v.nome) {
            AppendMenuA(v.menu, MF_SEPARATOR, 0, nullptr);
            menuControlli_.push_back({"mnuSep", separatori++, "-", "", true});
            continue;
        }
        AppendMenuA(v.menu, MF_STRING, v.id, v.testo);
        menuIds_[v.nome] = v.id;
        menuControlli_.push_back({v.nome, -1, v.testo, "", true});
    }
    // "LPT1" is designed with its check mark set.
    CheckMenuItem(lpt.Get(), ids::kMnuLPT1, MF_BYCOMMAND | MF_CHECKED);
    AppendMenuA(barra.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(file.Release()), Testi::kMnuFile);
    AppendMenuA(barra.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(lpt.Release()), Testi::kMnuLPT);
    // "?" has no entries: choosing it acts at once.
    AppendMenuA(barra.Get(), MF_STRING, ids::kMnuHelp, Testi::kMnuHelp);
    menuIds_["mnuHelp"] = ids::kMnuHelp;
    menuControlli_.push_back({"mnuHelp", -1, Testi::kMnuHelp, "", true});
    if (SetMenu(hwnd_, barra.Get())) barra.Release();
}

void Form1::CreaControlli() {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
    const DWORD vis = WS_VISIBLE;
    const DWORD label = vis | SS_NOTIFY;
    const DWORD frame = vis | BS_GROUPBOX;
    const DWORD pulsante = vis | WS_TABSTOP | BS_PUSHBUTTON;
    const DWORD casella = vis | WS_TABSTOP | BS_AUTOCHECKBOX;

    // Outputs of the current step.
    Crea("Frame1", "BUTTON", Testi::kFrame1, frame, 8, 4, 364, 96, ids::kStatico);
    Crea("Label3(0)", "STATIC", Testi::kBitUscita, label, 18, 46, 62, 16, ids::kStatico);
    for (int i = 0; i < 8; ++i) {
        const int x = 86 + i * 34;
        Label1[i] = Crea("Label1(" + std::to_string(i) + ")", "STATIC", std::to_string(i).c_str(),
                         label | SS_CENTER, x, 24, 20, 14, ids::kLabel1 + i);
        Check1[i] = Crea("Check1(" + std::to_string(i) + ")", "BUTTON", "", casella, x + 3, 44, 16, 18,
                         ids::kCheck1 + i);
    }
    Check4 = Crea("Check4", "BUTTON", Testi::kCheck4, casella, 18, 72, 140, 18, ids::kCheck4);

    // Bit description.
    Frame4 = Crea("Frame4", "BUTTON", "", frame, 8, 104, 364, 50, ids::kStatico);
    Text2 = Crea("Text2", "EDIT", "", vis | WS_TABSTOP | ES_AUTOHSCROLL, 18, 122, 344, 22, ids::kText2);

    // Step description or list of all steps.
    Frame3 = Crea("Frame3", "BUTTON", "", frame, 8, 158, 364, 168, ids::kStatico);
    GetWindowRect(Frame3, &frame3_);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&frame3_), 2);
    Label2 = Crea("Label2", "STATIC", Testi::kLabel2, 0, 18, frame3_.top + 11, 344, 13, ids::kStatico);
    Text1 = Crea("Text1", "EDIT", "",
                 vis | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL |
                     WS_HSCROLL,
                 18, frame3_.top + 17, 344, 129, ids::kText1);
    fontElenco_.Reset(CreateFontA(-MulDiv(8, PixelY(1440), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  FIXED_PITCH | FF_MODERN, "Courier New"));
    if (fontElenco_) {
        SendMessageA(Text1, WM_SETFONT, reinterpret_cast<WPARAM>(fontElenco_.Get()), FALSE);
        SendMessageA(Label2, WM_SETFONT, reinterpret_cast<WPARAM>(fontElenco_.Get()), FALSE);
    }

    // File name / run status.
    Label8 = Crea("Label8", "STATIC", "", label | SS_SUNKEN | SS_PATHELLIPSIS | SS_CENTERIMAGE, 8, 332, 488, 18,
                  ids::kStatico);
    PortStatus = Crea("PortStatus", "STATIC", "", label | SS_SUNKEN | SS_CENTER | SS_CENTERIMAGE, 500, 332, 92, 18,
                      ids::kStatico);

    // Step selection and counters.
    Crea("Frame7", "BUTTON", Testi::kFrameSelezioneStep, frame, 380, 4, 212, 96, ids::kStatico);
    frecce_[0] = Immagini::Freccia(0);
    frecce_[1] = Immagini::Freccia(1);
    for (int i = 0; i < 2; ++i) {
        Command2[i] = Crea("Command2(" + std::to_string(i) + ")", "BUTTON", "", pulsante | BS_BITMAP,
                           i == 0 ? 392 : 548, 24, 34, 26, ids::kCommand2 + i);
        SendMessageA(Command2[i], BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(frecce_[i].Get()));
    }
    Crea("Label5", "STATIC", Testi::kLabel5, label, 430, 30, 74, 14, ids::kStatico);
    Label4 = Crea("Label4", "STATIC", "", label | SS_SUNKEN | SS_CENTER, 506, 28, 36, 16, ids::kStatico);
    Crea("Label10", "STATIC", Testi::kLabel10, label, 392, 62, 80, 14, ids::kStatico);
    Label9 = Crea("Label9", "STATIC", "", label | SS_SUNKEN | SS_CENTER, 476, 60, 50, 16, ids::kStatico);

    // Fields of the current step.
    Crea("Label3(1)", "STATIC", Testi::kIntervallo, label, 382, 110, 56, 14, ids::kStatico);
    // The duration box is wider than any duration it takes; the rest of the
    // row is the check box's caption. Its limit is longer than any duration,
    // so that too large a number is refused with a message rather than cut.
    Text3 = Crea("Text3", "EDIT", "", vis | WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT, 440, 106, 72, 22, ids::kText3);
    SendMessageA(Text3, EM_LIMITTEXT, 20, 0);
    Check2 = Crea("Check2", "BUTTON", Testi::kCheck2, casella, 516, 108, 76, 18, ids::kCheck2);

    // Step commands.
    Crea("Frame2", "BUTTON", Testi::kFrameComandiStep, frame, 380, 132, 212, 82, ids::kStatico);
    // "Descrizione" is the longest caption: its button takes some of "Elenco"'s width.
    const struct {
        int indice, x, y, w;
    } posti[] = {{0, 388, 150, 64}, {1, 456, 150, 64}, {2, 524, 150, 64}, {3, 388, 182, 64}, {7, 456, 182, 64},
                 {4, 388, 238, 72}, {5, 464, 238, 52}, {6, 532, 238, 52}};
    for (const auto& p : posti) {
        if (p.indice == 4) {
            Crea("Frame5", "BUTTON", Testi::kFrameVisualizza, frame, 380, 220, 140, 50, ids::kStatico);
            Crea("Frame6", "BUTTON", Testi::kFrameTest, frame, 524, 220, 68, 50, ids::kStatico);
        }
        Command1[p.indice] = Crea("Command1(" + std::to_string(p.indice) + ")", "BUTTON",
                                  Testi::kCommand1[p.indice].Caption, pulsante, p.x, p.y, p.w, 24,
                                  ids::kCommand1 + p.indice);
    }

    // Run options, total duration and the run button.
    Check3 = Crea("Check3", "BUTTON", Testi::kCheck3, casella, 382, 276, 120, 18, ids::kCheck3);
    Frame9 = Crea("Frame9", "BUTTON", Testi::kFrame9, frame, 380, 292, 120, 36, ids::kStatico);
    Label7 = Crea("Label7", "STATIC", "0", label | SS_CENTER, 388, 308, 104, 14, ids::kStatico);
    Frame8 = Crea("Frame8", "BUTTON", Testi::kFrameEsecuzione, frame, 508, 272, 84, 56, ids::kStatico);
    facce_[0] = Immagini::FacciaEsegui(0);
    facce_[1] = Immagini::FacciaEsegui(1);
    Command3 = Crea("Command3", "BUTTON", "", pulsante | BS_BITMAP, 516, 288, 40, 36, ids::kCommand3);
    spie_[0] = Immagini::Spia(0);
    spie_[1] = Immagini::Spia(1);
    for (int i = 0; i < 2; ++i) {
        Picture1[i] = Crea("Picture1(" + std::to_string(i) + ")", "STATIC", "", (i == 0 ? vis : 0) | SS_BITMAP,
                           562 + i * 4, 296 + i * 12, 18, 18, ids::kStatico);
        SendMessageA(Picture1[i], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(spie_[i].Get()));
    }
    for (int i = 0; i < 2; ++i) {
        // Hidden holders of the run button's two faces.
        Picture2[i] = Crea("Picture2(" + std::to_string(i) + ")", "STATIC", "", SS_BITMAP, 0, 0, 32, 32,
                           ids::kStatico);
        SendMessageA(Picture2[i], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(facce_[i].Get()));
    }
    MostraFacciaEsecuzione(false);
    // Frames lie under the controls they hold.
    for (const Controllo& c : controlli_)
        if (c.Nome.compare(0, 5, "Frame") == 0)
            SetWindowPos(c.Hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Fixed tooltips.
    ImpostaTooltip(Text3, Testi::kTipText3);
    ImpostaTooltip(Check2, Testi::kTipCheck2);
    ImpostaTooltip(Check3, Testi::kTipCheck3);
    ImpostaTooltip(Check4, Testi::kTipCheck4);
    for (int i = 0; i < 8; ++i) ImpostaTooltip(Command1[i], Testi::kCommand1[i].Tooltip);
    for (int i = 0; i < 2; ++i) ImpostaTooltip(Command2[i], Testi::kTipCommand2[i]);
    ImpostaTooltip(Command3, Testi::kTipCommand3);
    ImpostaTooltip(Text2, Testi::kTipText2);
    ImpostaTooltip(Label4, Testi::kTipLabel4);
    ImpostaTooltip(Label9, Testi::kTipLabel9);
    ImpostaTooltip(Label7, Testi::kTipLabel7);
    ImpostaTooltip(Frame9, Testi::kTipFrame9);
    for (int i = 0; i < 8; ++i) {
        ImpostaTooltip(Check1[i], "");
        ImpostaTooltip(Label1[i], "");
    }

    // Keys of the duration box and the press and release of the step buttons.
    SetWindowSubclass(Text3, SottoclasseProc, ids::kText3, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(Label8, SottoclasseProc, ids::kLabel8, reinterpret_cast<DWORD_PTR>(this));
    // A double-click on a row of the list selects that step.
    SetWindowSubclass(Text1, SottoclasseProc, ids::kText1, reinterpret_cast<DWORD_PTR>(this));
    // The keys that stop a run, and the bit whose description shows following the focus.
    SetWindowSubclass(Command3, SottoclasseProc, ids::kCommand3, reinterpret_cast<DWORD_PTR>(this));
    for (int i = 0; i < 8; ++i)
        SetWindowSubclass(Check1[i], SottoclasseProc, ids::kCheck1 + i, reinterpret_cast<DWORD_PTR>(this));
    for (int i = 0; i < 2; ++i)
        SetWindowSubclass(Command2[i], SottoclasseProc, ids::kCommand2 + i, reinterpret_cast<DWORD_PTR>(this));
}

void Form1::PosizionaText1(int topTwips, int heightTwips) {
    MoveWindow(Text1, frame3_.left + 10, frame3_.top + PixelY(topTwips), frame3_.right - frame3_.left - 20,
               PixelY(heightTwips), TRUE);
}

void Form1::MostraFacciaEsecuzione(bool running) {
    const int i = running ? 1 : 0;
    ShowWindow(Picture1[i], SW_SHOW);
    ShowWindow(Picture1[1 - i], SW_HIDE);
    const LPARAM faccia = SendMessageA(Picture2[i], STM_GETIMAGE, IMAGE_BITMAP, 0);
    SendMessageA(Command3, BM_SETIMAGE, IMAGE_BITMAP, faccia);
}

// ---- Small helpers ---------------------------------------------------------

std::string Form1::Testo(HWND h) {
    const int n = GetWindowTextLengthA(h);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(got > 0 ? got : 0));
    return s;
}

void Form1::ImpostaTesto(HWND h, const std::string& testo) {
    if (h && Testo(h) != testo) SetWindowTextA(h, testo.c_str());
}

bool Form1::Selezionato(HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Form1::Seleziona(HWND h, bool on) { SendMessageA(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

void Form1::AbilitaMenu(UINT id, bool on) {
    EnableMenuItem(GetMenu(hwnd_), id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(hwnd_);
}

void Form1::Timer1Acceso(bool on) {
    if (on)
        SetTimer(hwnd_, ids::kTimer1, 100, nullptr);
    else
        KillTimer(hwnd_, ids::kTimer1);
    timer1Acceso_ = on;
}

int Form1::Domanda(const char* frase) {
    return Ask(frase + (" " + std::to_string(stato_.StepCorrente)) + Testi::kDomandaFine,
               MB_YESNO | MB_ICONQUESTION, Testi::kTitoloAvviso);
}

int Form1::Ask(const std::string& testo, UINT stile, const std::string& titolo) {
    if (stato_.InEsecuzione) Command3_Click();
    return MsgBox(testo, stile, titolo);
}

bool Form1::PortWritable() {
    if (IndirizzoUtilizzabile(IndirizzoPorta_)) return true;
    Ask(MessaggioIndirizzoRiservato(IndirizzoPorta_), MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
    return false;
}

void Form1::ShowPortInUse() { ImpostaTesto(PortStatus, TestoPortaInUso(IndirizzoPorta_)); }

// ---- Messages --------------------------------------------------------------

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Form1* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Form1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    return self ? self->HandleMessage(msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Form1::SottoclasseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data) {
    auto* self = reinterpret_cast<Form1*>(data);
    if (id == ids::kText3) {
        if (msg == WM_CHAR && !self->Text3_KeyPress(wParam)) return 0;
        if (msg == WM_LBUTTONDOWN && GetFocus() != hwnd) {
            // A click into the box takes its whole number, as Tab does, so
            // that typing replaces it.
            const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
            SendMessageA(hwnd, EM_SETSEL, 0, -1);
            return r;
        }
        if (msg == WM_PASTE) {
            self->Text3_Paste();
            return 0;
        }
    } else if (id == ids::kText1) {
        if (msg == WM_LBUTTONDBLCLK && self->ModoElenco != 0) {
            const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
            // The row under the pointer: row n lists step n + 1.
            const LRESULT posto = SendMessageA(hwnd, EM_CHARFROMPOS, 0, lParam);
            self->SelectStep(HIWORD(posto) + 1);
            return r;
        }
    } else if (id == ids::kLabel8) {
        // During a run the text changes at every step; it is stored at once and
        // drawn by the periodic repaint instead of at each change.
        if (msg == WM_SETTEXT && self->rinfrescoDifferito_ > 0) {
            const LRESULT r = IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, msg, wParam, lParam)
                                                    : DefWindowProcA(hwnd, msg, wParam, lParam);
            self->label8DaRidisegnare_ = true;
            return r;
        }
    } else if (id == ids::kCommand3) {
        // Escape stops a run, as Space and Enter on the focused button do.
        if (msg == WM_KEYDOWN && wParam == VK_ESCAPE && self->stato_.InEsecuzione) {
            self->Command3_Click();
            return 0;
        }
    } else if (id >= ids::kCheck1 && id < ids::kCheck1 + 8) {
        if (msg == WM_SETFOCUS) self->Label1_Click(static_cast<int>(id - ids::kCheck1));
    } else if (id == ids::kCommand2 || id == ids::kCommand2 + 1) {
        const int indice = static_cast<int>(id - ids::kCommand2);
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            // The button's own handling first, so that its press is drawn.
            const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
            self->Command2_MouseDown(indice);
            return r;
        }
        if (msg == WM_LBUTTONUP) {
            // The release comes before the click the button then reports.
            self->Command2_MouseUp(indice);
            return DefSubclassProc(hwnd, msg, wParam, lParam);
        }
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, SottoclasseProc, id);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_TIMER:
            if (wParam == ids::kTimer1) Timer1_Timer();
            if (wParam == ids::kTimerLabel8 && label8DaRidisegnare_) {
                label8DaRidisegnare_ = false;
                InvalidateRect(Label8, nullptr, TRUE);
            }
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_QUERYENDSESSION:
            return ChiusuraConsentita() ? TRUE : FALSE;
        case WM_ENDSESSION:
            if (wParam) Chiudi();
            return 0;
        case WM_DESTROY:
            chiusura_ = true;
            KillTimer(hwnd_, ids::kTimer1);
            // The controls go before the window that holds them.
            RilasciaControlliOspitati();
            if (!distruzioneDaCodice_) PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return 0;
        default:
            return DefWindowProcA(hwnd_, msg, wParam, lParam);
    }
}

void Form1::OnCommand(UINT id, UINT code, HWND from) {
    if (!from) {
        // Menu entries.
        switch (id) {
            case ids::kMnuNuovo: mnuNuovo_Click(); break;
            case ids::kMnuApri: CaricaFile(); break;
            case ids::kMnuRegistra: MnuRegistra_Click(); break;
            case ids::kMnuSalvaConNome: SalvaConNome(); break;
            case ids::kMnuEsegui: mnuEsegui_Click(); break;
            case ids::kMnuOpz: MnuOpz_Click(); break;
            case ids::kMnuHelp: mnuHelp_Click(); break;
            case ids::kMnuGraph: mnuGraph_Click(); break;
            case ids::kMnuFine: MnuFine_Click(); break;
            case ids::kMnuLPT1: mnuLPT_Click(1); break;
            case ids::kMnuLPT2: mnuLPT_Click(2); break;
            case ids::kMnuLPTPers: mnuLPT_Click(3); break;
            default: break;
        }
        return;
    }
    if (id >= ids::kCheck1 && id < ids::kCheck1 + 8) {
        if (code == BN_CLICKED) Check1_Click(static_cast<int>(id - ids::kCheck1));
    } else if (id >= ids::kLabel1 && id < ids::kLabel1 + 8) {
        if (code == STN_CLICKED) Label1_Click(static_cast<int>(id - ids::kLabel1));
    } else if (id >= ids::kCommand1 && id < ids::kCommand1 + 8) {
        if (code == BN_CLICKED) Command1_Click(static_cast<int>(id - ids::kCommand1));
    } else if (id >= ids::kCommand2 && id < ids::kCommand2 + 2) {
        if (code == BN_CLICKED) Command2_Click(static_cast<int>(id - ids::kCommand2));
    } else if (code == BN_CLICKED && id == ids::kCheck2) {
        stato_.Steps(stato_.StepCorrente).Abilitato = Selezionato(Check2);
        TempoTotale();
        ProgramEdited();
    } else if (code == BN_CLICKED && id == ids::kCheck3) {
        stato_.Testata.Loop = Selezionato(Check3);
    } else if (code == BN_CLICKED && id == ids::kCheck4) {
        stato_.Testata.VisualizzaOutput = Selezionato(Check4);
    } else if (code == BN_CLICKED && id == ids::kCommand3) {
        Command3_Click();
    } else if (code == EN_CHANGE && id == ids::kText1) {
        Text1_Change();
    } else if (code == EN_CHANGE && id == ids::kText2) {
        Text2_Change();
    } else if (code == EN_CHANGE && id == ids::kText3) {
        Text3_Change();
    }
}

void Form1::OnClose() {
    if (ChiusuraConsentita()) Chiudi();
}

// A run in progress is abandoned: its nested wait unwinds when the window
// has gone.
void Form1::Chiudi() {
    stato_.InEsecuzione = false;
    Timer1Acceso(false);
    mmtimer1_Enabled(false);
    Scarica();
}

void Form1::Scarica() {
    // The menus are let go before the window starts to go.
    DTPSkarvo1_UnsubclassMenu();
    AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kChiusura, 1);
    DestroyWindow(hwnd_);
}

// ---- Load sequence ---------------------------------------------------------

void Form1::ImpostaPorta() {
    AbilitaMenu(ids::kMnuLPT2, true);
    AbilitaMenu(ids::kMnuLPT1, true);
    LeggiPorte(stato_.PortaLPT1, stato_.PortaLPT2);
    stato_.IndirizzoPersonalizzato = Impostazioni::LeggiIntero(Impostazioni::kPortaIndirizzo);
    const PortaImpostata p =
        quelmar::ImpostaPorta(stato_.PortaLPT1, stato_.PortaLPT2, stato_.IndirizzoPersonalizzato,
                              Impostazioni::LeggiIntero(Impostazioni::kPortaIndice), IndirizzoPorta_);
    if (!p.LPT1Abilitata) AbilitaMenu(ids::kMnuLPT1, false);
    if (!p.LPT2Abilitata) AbilitaMenu(ids::kMnuLPT2, false);
    stato_.Testata.IndicePorta = p.IndicePorta;
    IndirizzoPorta_ = p.IndirizzoPorta;
    AggiornaIconePorta(stato_.Testata.IndicePorta);
    ShowPortInUse();
}

bool Form1::Load(const std::string& rigaComando, int& exitCode) {
    exitCode = 0;
    if (!hwnd_) {
        exitCode = 3;
        return false;
    }
    // 1. Centred on the screen.
    RECT r;
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // 2. The opening effect.
    AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kApertura, 1);

    // 3. Tooltips of the bit boxes until the first refresh.
    for (int i = 0; i < 8; ++i)
        ImpostaTooltip(Check1[i], Testi::kBitTipPrefisso + std::to_string(i) + Testi::kBitTipSuffisso);

    // 4. The menu pictures.
    ImpostaMenuIcone();

    // 5. Port set-up, which marks the selected port's entry by its picture.
    ImpostaPorta();

    // 6. Command-line options.
    const ArgArgv::RigaSuddivisa riga = ArgArgv::DividiComando(rigaComando);
    const OpzioniRiga opzioni = AnalizzaOpzioni(riga);
    for (const std::string& nome : opzioni.File) {
        // A file that does not exist is ignored, name included.
        if (!FileEsiste(nome)) continue;
        const std::string precedente = NomeFile;
        NomeFile = nome;
        if (LeggiFile()) {
            ImpostaTesto(Label8, NomeFile);
            AvvioDaRiga = true;
        } else {
            NomeFile = precedente;
        }
    }
    if (opzioni.IndicePorta != 0) {
        stato_.Testata.IndicePorta = opzioni.IndicePorta;
        if (opzioni.IndicePorta == 3) stato_.IndirizzoPersonalizzato = opzioni.IndirizzoPersonalizzato;
    }
    ScritturaDiretta = opzioni.ScritturaDiretta;

    // 7. Direct-write mode: one write and the program ends without a window.
    if (ScritturaDiretta) {
        // Nothing is written when any value of the line was refused.
        if (!opzioni.Errori.empty()) {
            for (const std::string& e : opzioni.Errori) Ask(e, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
            exitCode = 1;
            return false;
        }
        IndirizzoPorta_ = IndirizzoScritturaDiretta(stato_.Testata.IndicePorta, stato_.IndirizzoPersonalizzato);
        if (!PortWritable()) {
            exitCode = 1;
            return false;
        }
        if (!Hwinterface1) {
            Ask(Testi::kComponenteAssente, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
            exitCode = 2;
            return false;
        }
        Hwinterface1_Scrivi(IndirizzoPorta_, opzioni.ValoreDiretto);
        return false;
    }
    for (const std::string& e : opzioni.Errori) Ask(e, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);

    // 8. The running picture sits on the idle one.
    RECT p0;
    GetWindowRect(Picture1[0], &p0);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&p0), 2);
    ShowWindow(Picture1[1], SW_HIDE);
    SetWindowPos(Picture1[1], nullptr, p0.left, p0.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // 9-11.
    stato_.StepCorrente = 1;
    BitSelezionato = 0;
    ImpostaTesto(Text2, stato_.Testata.DescrBit[0]);
    SetWindowTextA(hwnd_, DidascaliaInattiva().c_str());
    stato_.Steps(stato_.StepCorrente).Abilitato = true;

    // 12. Shown.
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    host::FocusFirstControl(hwnd_);
    UpdateWindow(hwnd_);

    // 13. Without LPT2 a selection of it falls back to LPT1. A custom address
    // stays selected: turning it into LPT1 here would send the run of step 14
    // to the stored address instead of the one given with "P=H".
    if (stato_.PortaLPT2 == 0) {
        AbilitaMenu(ids::kMnuLPT2, false);
        if (stato_.Testata.IndicePorta != 3) stato_.Testata.IndicePorta = 1;
    }

    // What closing compares with: a program run from the command line and
    // left unedited closes without a question.
    Registrato();

    // 14. A program from the command line runs at once.
    if (AvvioDaRiga) {
        if (stato_.Testata.IndicePorta == 3) {
            IndirizzoPorta_ = stato_.IndirizzoPersonalizzato;
        } else if (stato_.Testata.IndicePorta == 2) {
            IndirizzoPorta_ = stato_.PortaLPT2;
            AbilitaMenu(ids::kMnuLPT2, true);
        }
        ShowPortInUse();
        stato_.InEsecuzione = false;
        Command3_Click();
        if (chiusura_) return true;
    } else {
        stato_.TotaleSteps = 1;
        Registrato();
    }

    // 15. Description mode, which refreshes the whole view.
    Command1_Click(4);

    // 16. The start-up file of the settings, for starts without a file of
    // their own: the one named with "F=" stays loaded and shown.
    const std::string fileStart = Impostazioni::Leggi(Impostazioni::kFileStartNome);
    if (!fileStart.empty() && !AvvioDaRiga) CaricaFile2(fileStart);

    // 17. Autostart runs the program at once.
    if (AutostartOn(modRegistry::LeggiValore(modRegistry::kHKeyCurrentUser, modRegistry::kChiaveRun,
                                             modRegistry::kNomeAutostart))) {
        stato_.InEsecuzione = false;
        Command3_Click();
        if (chiusura_) return true;
    }

    // 18. Minimised while a run is in progress.
    if (Impostazioni::LeggiIntero(Impostazioni::kOptionMin) != 0 && stato_.InEsecuzione)
        ShowWindow(hwnd_, SW_MINIMIZE);
    return true;
}

}  // namespace quelmar
