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

constexpr char kClassName[] = "QuelmarForm1";
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 356;

// The main window's keyboard shortcuts.
constexpr ACCEL kShortcuts[] = {{FCONTROL | FVIRTKEY, 'G', ids::kMnuGraph}};

// Twips to pixels on this screen.
int PixelY(int twips) {
    com::WindowDC dc(nullptr);
    return MulDiv(twips, GetDeviceCaps(dc.Get(), LOGPIXELSY), 1440);
}

// One control of the window as designed, in client pixels.
struct ControlRow {
    const char* name;
    const char* cls;
    const char* text;
    DWORD style;
    int x, y, w, h;
    UINT id;
};

constexpr DWORD kVisible = WS_VISIBLE;
constexpr DWORD kLabel = kVisible | SS_NOTIFY;
constexpr DWORD kFrame = kVisible | BS_GROUPBOX;
constexpr DWORD kButton = kVisible | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kVisible | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kList = kVisible | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN |
                        WS_VSCROLL | WS_HSCROLL;
constexpr DWORD kCounter = kLabel | SS_SUNKEN | SS_CENTER;
constexpr UINT kNone = ids::kStatico;

// The controls in creation order, which is the order of the control
// collection: these, the eight bit columns, then kControls. Frames are sent
// under the controls they hold once all exist.
constexpr ControlRow kControlsBeforeBits[] = {
    // Outputs of the current step.
    {"Frame1", "BUTTON", Testi::kFrame1, kFrame, 8, 4, 364, 96, kNone},
    {"Label3(0)", "STATIC", Testi::kBitUscita, kLabel, 18, 46, 62, 16, kNone},
};
constexpr ControlRow kControls[] = {
    {"Check4", "BUTTON", Testi::kCheck4, kCheckBox, 18, 72, 140, 18, ids::kCheck4},
    // Bit description.
    {"Frame4", "BUTTON", "", kFrame, 8, 104, 364, 50, kNone},
    {"Text2", "EDIT", "", kVisible | WS_TABSTOP | ES_AUTOHSCROLL, 18, 122, 344, 22, ids::kText2},
    // Step description or list of all steps; Label2 heads the list.
    {"Frame3", "BUTTON", "", kFrame, 8, 158, 364, 168, kNone},
    {"Label2", "STATIC", Testi::kLabel2, 0, 18, 169, 344, 13, kNone},
    {"Text1", "EDIT", "", kList, 18, 175, 344, 129, ids::kText1},
    // File name / run status, and the port in use.
    {"Label8", "STATIC", "", kLabel | SS_SUNKEN | SS_PATHELLIPSIS | SS_CENTERIMAGE, 8, 332, 488, 18, kNone},
    {"PortStatus", "STATIC", "", kLabel | SS_SUNKEN | SS_CENTER | SS_CENTERIMAGE, 500, 332, 92, 18, kNone},
    // Step selection and counters.
    {"Frame7", "BUTTON", Testi::kFrameSelezioneStep, kFrame, 380, 4, 212, 96, kNone},
    {"Command2(0)", "BUTTON", "", kButton | BS_BITMAP, 392, 24, 34, 26, ids::kCommand2 + 0},
    {"Command2(1)", "BUTTON", "", kButton | BS_BITMAP, 548, 24, 34, 26, ids::kCommand2 + 1},
    {"Label5", "STATIC", Testi::kLabel5, kLabel, 430, 30, 74, 14, kNone},
    {"Label4", "STATIC", "", kCounter, 506, 28, 36, 16, kNone},
    {"Label10", "STATIC", Testi::kLabel10, kLabel, 392, 62, 80, 14, kNone},
    {"Label9", "STATIC", "", kCounter, 476, 60, 50, 16, kNone},
    // Fields of the current step. The duration box is wider than any
    // duration it takes; the rest of the row is the check box's caption.
    {"Label3(1)", "STATIC", Testi::kIntervallo, kLabel, 382, 110, 56, 14, kNone},
    {"Text3", "EDIT", "", kVisible | WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT, 440, 106, 72, 22, ids::kText3},
    {"Check2", "BUTTON", Testi::kCheck2, kCheckBox, 516, 108, 76, 18, ids::kCheck2},
    // Step commands. "Descrizione" is the longest caption: its button takes
    // some of "Elenco"'s width.
    {"Frame2", "BUTTON", Testi::kFrameComandiStep, kFrame, 380, 132, 212, 82, kNone},
    {"Command1(0)", "BUTTON", Testi::kCommand1[0].Caption, kButton, 388, 150, 64, 24, ids::kCommand1 + 0},
    {"Command1(1)", "BUTTON", Testi::kCommand1[1].Caption, kButton, 456, 150, 64, 24, ids::kCommand1 + 1},
    {"Command1(2)", "BUTTON", Testi::kCommand1[2].Caption, kButton, 524, 150, 64, 24, ids::kCommand1 + 2},
    {"Command1(3)", "BUTTON", Testi::kCommand1[3].Caption, kButton, 388, 182, 64, 24, ids::kCommand1 + 3},
    {"Command1(7)", "BUTTON", Testi::kCommand1[7].Caption, kButton, 456, 182, 64, 24, ids::kCommand1 + 7},
    {"Frame5", "BUTTON", Testi::kFrameVisualizza, kFrame, 380, 220, 140, 50, kNone},
    {"Frame6", "BUTTON", Testi::kFrameTest, kFrame, 524, 220, 68, 50, kNone},
    {"Command1(4)", "BUTTON", Testi::kCommand1[4].Caption, kButton, 388, 238, 72, 24, ids::kCommand1 + 4},
    {"Command1(5)", "BUTTON", Testi::kCommand1[5].Caption, kButton, 464, 238, 52, 24, ids::kCommand1 + 5},
    {"Command1(6)", "BUTTON", Testi::kCommand1[6].Caption, kButton, 532, 238, 52, 24, ids::kCommand1 + 6},
    // Run options, total duration and the run button with its lamps; the
    // lit lamp Picture1(1) shows only during a run.
    {"Check3", "BUTTON", Testi::kCheck3, kCheckBox, 382, 276, 120, 18, ids::kCheck3},
    {"Frame9", "BUTTON", Testi::kFrame9, kFrame, 380, 292, 120, 36, kNone},
    {"Label7", "STATIC", "0", kLabel | SS_CENTER, 388, 308, 104, 14, kNone},
    {"Frame8", "BUTTON", Testi::kFrameEsecuzione, kFrame, 508, 272, 84, 56, kNone},
    {"Command3", "BUTTON", "", kButton | BS_BITMAP, 516, 288, 40, 36, ids::kCommand3},
    {"Picture1(0)", "STATIC", "", kVisible | SS_BITMAP, 562, 296, 18, 18, kNone},
    {"Picture1(1)", "STATIC", "", SS_BITMAP, 566, 308, 18, 18, kNone},
    // Hidden holders of the run button's two faces.
    {"Picture2(0)", "STATIC", "", SS_BITMAP, 0, 0, 32, 32, kNone},
    {"Picture2(1)", "STATIC", "", SS_BITMAP, 0, 0, 32, 32, kNone},
};

// "Check1(3)" and the like: a member of a control array.
std::string Indexed(const char* array, int index) { return std::string(array) + "(" + std::to_string(index) + ")"; }

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

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRect(&r, style, TRUE);
    const com::WindowClass cls = {kClassName, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), MAKEINTRESOURCEA(1)};
    // Created hidden: the load sequence decides whether it is ever shown.
    if (!CreateWindowOf(instance_, cls, DidascaliaInattiva().c_str(), style,
                        {CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top}, nullptr))
        return;
    CreateMenus();
    CreateControls();
    CreaControlliOspitati();
    host::EnableDialogKeys(hwnd_);
    host::SetAccelerators(hwnd_, accelerators_.Get());
}

Form1::~Form1() {
    chiusura_ = true;
    destroyedByCode_ = true;
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

HWND Form1::AddControl(const std::string& name, const char* cls, const char* text, DWORD style, int x, int y,
                       int w, int h, UINT id) {
    const DWORD exStyle = (std::string(cls) == "EDIT") ? WS_EX_CLIENTEDGE : 0;
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_CLIPSIBLINGS | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    controlli_.push_back({name, c});
    return c;
}

void Form1::SetTooltip(HWND control, const std::string& text) {
    if (!tooltip_ || !control) return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<char*>(text.c_str());
    TOOLINFOA existing = ti;
    existing.lpszText = nullptr;
    if (SendMessageA(tooltip_, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&existing)))
        SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    else
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Form1::CreateMenus() {
    com::Menu bar(CreateMenu());
    com::Menu file(CreatePopupMenu());
    com::Menu lpt(CreatePopupMenu());
    struct Entry {
        HMENU menu;
        const char* name;
        UINT id;
        const char* text;
    };
    const Entry entries[] = {
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
    int separators = 0;
    for (const Entry& v : entries) {
        if (v.menu == lpt.Get() && v.id == ids::kMnuLPT1)
            menuControlli_.push_back({"mnuLPT", -1, Testi::kMnuLPT, "", true});
        if (!v.name) {
            AppendMenuA(v.menu, MF_SEPARATOR, 0, nullptr);
            menuControlli_.push_back({"mnuSep", separators++, "-", "", true});
            continue;
        }
        AppendMenuA(v.menu, MF_STRING, v.id, v.text);
        menuIds_[v.name] = v.id;
        menuControlli_.push_back({v.name, -1, v.text, "", true});
    }
    // "LPT1" is designed with its check mark set.
    CheckMenuItem(lpt.Get(), ids::kMnuLPT1, MF_BYCOMMAND | MF_CHECKED);
    AppendMenuA(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(file.Release()), Testi::kMnuFile);
    AppendMenuA(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(lpt.Release()), Testi::kMnuLPT);
    // "?" has no entries: choosing it acts at once.
    AppendMenuA(bar.Get(), MF_STRING, ids::kMnuHelp, Testi::kMnuHelp);
    menuIds_["mnuHelp"] = ids::kMnuHelp;
    menuControlli_.push_back({"mnuHelp", -1, Testi::kMnuHelp, "", true});
    if (SetMenu(hwnd_, bar.Get())) bar.Release();
}

void Form1::CreateControls() {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
    const auto addRows = [this](const auto& rows) {
        for (const ControlRow& c : rows) AddControl(c.name, c.cls, c.text, c.style, c.x, c.y, c.w, c.h, c.id);
    };
    addRows(kControlsBeforeBits);
    // Each bit's number over its box.
    for (int i = 0; i < 8; ++i) {
        const int x = 86 + i * 34;
        AddControl(Indexed("Label1", i), "STATIC", std::to_string(i).c_str(), kLabel | SS_CENTER, x, 24, 20, 14,
                   ids::kLabel1 + i);
        AddControl(Indexed("Check1", i), "BUTTON", "", kCheckBox, x + 3, 44, 16, 18, ids::kCheck1 + i);
    }
    addRows(kControls);
    BindNamedControls();
    SetControlPictures();
    // Its limit is longer than any duration, so that too large a number is
    // refused with a message rather than cut.
    SendMessageA(Text3, EM_LIMITTEXT, 20, 0);
    GetWindowRect(Frame3, &frame3Rect_);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&frame3Rect_), 2);
    // Frames lie under the controls they hold.
    for (const Controllo& c : controlli_)
        if (c.Nome.compare(0, 5, "Frame") == 0)
            SetWindowPos(c.Hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetFixedTooltips();
    SubclassControls();
}

void Form1::BindNamedControls() {
    for (int i = 0; i < 8; ++i) {
        Check1[i] = Control(Indexed("Check1", i));
        Label1[i] = Control(Indexed("Label1", i));
        Command1[i] = Control(Indexed("Command1", i));
    }
    for (int i = 0; i < 2; ++i) {
        Command2[i] = Control(Indexed("Command2", i));
        Picture1[i] = Control(Indexed("Picture1", i));
        Picture2[i] = Control(Indexed("Picture2", i));
    }
    Check2 = Control("Check2"), Check3 = Control("Check3"), Check4 = Control("Check4");
    Text1 = Control("Text1"), Text2 = Control("Text2"), Text3 = Control("Text3");
    Label2 = Control("Label2"), Label4 = Control("Label4"), Label7 = Control("Label7");
    Label8 = Control("Label8"), Label9 = Control("Label9");
    Frame3 = Control("Frame3"), Frame4 = Control("Frame4"), Frame8 = Control("Frame8"), Frame9 = Control("Frame9");
    Command3 = Control("Command3");
    PortStatus = Control("PortStatus");
}

// The list's fixed-pitch font, the step arrows, the lamps and the run button's faces.
void Form1::SetControlPictures() {
    listFont_.Reset(CreateFontA(-MulDiv(8, PixelY(1440), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
                                "Courier New"));
    if (listFont_) {
        SendMessageA(Text1, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.Get()), FALSE);
        SendMessageA(Label2, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.Get()), FALSE);
    }
    for (int i = 0; i < 2; ++i) {
        arrows_[i] = Immagini::Freccia(i);
        SendMessageA(Command2[i], BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(arrows_[i].Get()));
        lamps_[i] = Immagini::Spia(i);
        SendMessageA(Picture1[i], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(lamps_[i].Get()));
        runFaces_[i] = Immagini::FacciaEsegui(i);
        SendMessageA(Picture2[i], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(runFaces_[i].Get()));
    }
    MostraFacciaEsecuzione(false);
}

void Form1::SetFixedTooltips() {
    SetTooltip(Text3, Testi::kTipText3);
    SetTooltip(Check2, Testi::kTipCheck2);
    SetTooltip(Check3, Testi::kTipCheck3);
    SetTooltip(Check4, Testi::kTipCheck4);
    for (int i = 0; i < 8; ++i) SetTooltip(Command1[i], Testi::kCommand1[i].Tooltip);
    for (int i = 0; i < 2; ++i) SetTooltip(Command2[i], Testi::kTipCommand2[i]);
    SetTooltip(Command3, Testi::kTipCommand3);
    SetTooltip(Text2, Testi::kTipText2);
    SetTooltip(Label4, Testi::kTipLabel4);
    SetTooltip(Label9, Testi::kTipLabel9);
    SetTooltip(Label7, Testi::kTipLabel7);
    SetTooltip(Frame9, Testi::kTipFrame9);
    for (int i = 0; i < 8; ++i) {
        SetTooltip(Check1[i], "");
        SetTooltip(Label1[i], "");
    }
}

void Form1::SubclassControls() {
    const auto self = reinterpret_cast<DWORD_PTR>(this);
    // Keys of the duration box and the press and release of the step buttons.
    SetWindowSubclass(Text3, ControlProc, ids::kText3, self);
    SetWindowSubclass(Label8, ControlProc, ids::kLabel8, self);
    // A double-click on a row of the list selects that step.
    SetWindowSubclass(Text1, ControlProc, ids::kText1, self);
    // The keys that stop a run, and the bit whose description shows following the focus.
    SetWindowSubclass(Command3, ControlProc, ids::kCommand3, self);
    for (int i = 0; i < 8; ++i) SetWindowSubclass(Check1[i], ControlProc, ids::kCheck1 + i, self);
    for (int i = 0; i < 2; ++i) SetWindowSubclass(Command2[i], ControlProc, ids::kCommand2 + i, self);
}

void Form1::PlaceText1(int topTwips, int heightTwips) {
    MoveWindow(Text1, frame3Rect_.left + 10, frame3Rect_.top + PixelY(topTwips),
               frame3Rect_.right - frame3Rect_.left - 20, PixelY(heightTwips), TRUE);
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

LRESULT Form1::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
        case WM_TIMER: OnTimer(wParam); return 0;
        case WM_CLOSE: OnClose(); return 0;
        case WM_QUERYENDSESSION: return MayClose() ? TRUE : FALSE;
        case WM_ENDSESSION: OnEndSession(wParam != 0); return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        default: return DefaultHandling(msg, wParam, lParam);
    }
}

LRESULT CALLBACK Form1::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR data) {
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ControlProc, id);
    ControlMessage m = {hwnd, msg, wParam, lParam};
    return reinterpret_cast<Form1*>(data)->OnControlMessage(static_cast<UINT>(id), m)
               ? m.result
               : DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool Form1::OnControlMessage(UINT id, ControlMessage& m) {
    if (id == ids::kText3) return OnText3Message(m);
    if (id == ids::kText1) return OnText1Message(m);
    if (id == ids::kLabel8) return OnLabel8Message(m);
    if (id == ids::kCommand3) return OnCommand3Message(m);
    if (id >= ids::kCheck1 && id < ids::kCheck1 + 8) {
        if (m.msg == WM_SETFOCUS) Label1_Click(static_cast<int>(id - ids::kCheck1));
        return false;
    }
    if (id == ids::kCommand2 || id == ids::kCommand2 + 1)
        return OnCommand2Message(static_cast<int>(id - ids::kCommand2), m);
    return false;
}

bool Form1::OnText3Message(ControlMessage& m) {
    if (m.msg == WM_CHAR) return !Text3_KeyPress(m.wParam);
    if (m.msg == WM_LBUTTONDOWN && GetFocus() != m.hwnd) {
        // A click into the box takes its whole number, as Tab does, so that
        // typing replaces it.
        m.result = DefSubclassProc(m.hwnd, m.msg, m.wParam, m.lParam);
        SendMessageA(m.hwnd, EM_SETSEL, 0, -1);
        return true;
    }
    if (m.msg == WM_PASTE) {
        Text3_Paste();
        return true;
    }
    return false;
}

// A double-click on a row of the list selects that step.
bool Form1::OnText1Message(ControlMessage& m) {
    if (m.msg != WM_LBUTTONDBLCLK || ModoElenco == 0) return false;
    m.result = DefSubclassProc(m.hwnd, m.msg, m.wParam, m.lParam);
    // The row under the pointer: row n lists step n + 1.
    const LRESULT posto = SendMessageA(m.hwnd, EM_CHARFROMPOS, 0, m.lParam);
    SelectStep(HIWORD(posto) + 1);
    return true;
}

// During a run the text changes at every step; it is stored at once and
// drawn by the periodic repaint instead of at each change.
bool Form1::OnLabel8Message(ControlMessage& m) {
    if (m.msg != WM_SETTEXT || rinfrescoDifferito_ <= 0) return false;
    m.result = IsWindowUnicode(m.hwnd) ? DefWindowProcW(m.hwnd, m.msg, m.wParam, m.lParam)
                                       : DefWindowProcA(m.hwnd, m.msg, m.wParam, m.lParam);
    label8DaRidisegnare_ = true;
    return true;
}

// Escape stops a run, as Space and Enter on the focused button do.
bool Form1::OnCommand3Message(ControlMessage& m) {
    if (m.msg != WM_KEYDOWN || m.wParam != VK_ESCAPE || !stato_.InEsecuzione) return false;
    Command3_Click();
    return true;
}

bool Form1::OnCommand2Message(int index, ControlMessage& m) {
    if (m.msg == WM_LBUTTONDOWN || m.msg == WM_LBUTTONDBLCLK) {
        // The button's own handling first, so that its press is drawn.
        m.result = DefSubclassProc(m.hwnd, m.msg, m.wParam, m.lParam);
        Command2_MouseDown(index);
        return true;
    }
    if (m.msg == WM_LBUTTONUP) {
        // The release comes before the click the button then reports.
        Command2_MouseUp(index);
        m.result = DefSubclassProc(m.hwnd, m.msg, m.wParam, m.lParam);
        return true;
    }
    return false;
}

void Form1::OnCommand(UINT id, UINT code, HWND from) {
    if (!from) {
        OnMenu(id);
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

void Form1::OnMenu(UINT id) {
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
}

void Form1::OnTimer(UINT_PTR id) {
    if (id == ids::kTimer1) Timer1_Timer();
    if (id == ids::kTimerLabel8 && label8DaRidisegnare_) {
        label8DaRidisegnare_ = false;
        InvalidateRect(Label8, nullptr, TRUE);
    }
}

void Form1::OnClose() {
    if (MayClose()) Close();
}

void Form1::OnEndSession(bool ending) {
    if (ending) Close();
}

void Form1::OnDestroy() {
    chiusura_ = true;
    KillTimer(hwnd_, ids::kTimer1);
    // The controls go before the window that holds them.
    RilasciaControlliOspitati();
    if (!destroyedByCode_) PostQuitMessage(0);
}

// A run in progress is abandoned: its nested wait unwinds when the window
// has gone.
void Form1::Close() {
    stato_.InEsecuzione = false;
    Timer1Acceso(false);
    mmtimer1_Enabled(false);
    Unload();
}

void Form1::Unload() {
    // The menus are let go before the window starts to go.
    DTPSkarvo1_UnsubclassMenu();
    AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kChiusura, 1);
    DestroyWindow(hwnd_);
}

// ---- Load sequence ---------------------------------------------------------

bool Form1::Load(const std::string& rigaComando, int& exitCode) {
    exitCode = 0;
    if (!hwnd_) {
        exitCode = 3;
        return false;
    }
    CentreOnScreen();
    AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kApertura, 1);
    SetBitTooltips();
    ImpostaMenuIcone();
    ImpostaPorta();
    const OpzioniRiga options = ApplyCommandLine(rigaComando);
    if (ScritturaDiretta) {
        exitCode = WriteDirectly(options);
        return false;
    }
    ReportRefusedOptions(options);
    PlaceRunningPicture();
    StartOnStepOne();
    ShowOnLoad();
    FallBackWithoutLPT2();
    // What closing compares with: a program run from the command line and
    // left unedited closes without a question.
    Registrato();
    if (!RunFromCommandLine()) return true;
    // Description mode, which refreshes the whole view.
    Command1_Click(4);
    LoadStartFile();
    if (!RunOnAutostart()) return true;
    MinimiseWhileRunning();
    return true;
}

void Form1::CentreOnScreen() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The bit boxes' tooltips until the first refresh names the bits.
void Form1::SetBitTooltips() {
    for (int i = 0; i < 8; ++i)
        SetTooltip(Check1[i], Testi::kBitTipPrefisso + std::to_string(i) + Testi::kBitTipSuffisso);
}

// Port set-up, which marks the selected port's entry by its picture.
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

// The options of the command line: the files named are read (one that does
// not exist is ignored, name included), the port chosen and the direct-write
// value taken. The address in use and the menu pictures stay as they are.
OpzioniRiga Form1::ApplyCommandLine(const std::string& commandLine) {
    OpzioniRiga options = AnalizzaOpzioni(ArgArgv::DividiComando(commandLine));
    for (const std::string& name : options.File) {
        if (!FileEsiste(name)) continue;
        const std::string previous = NomeFile;
        NomeFile = name;
        if (LeggiFile()) {
            ImpostaTesto(Label8, NomeFile);
            AvvioDaRiga = true;
        } else {
            NomeFile = previous;
        }
    }
    if (options.IndicePorta != 0) {
        stato_.Testata.IndicePorta = options.IndicePorta;
        if (options.IndicePorta == 3) stato_.IndirizzoPersonalizzato = options.IndirizzoPersonalizzato;
    }
    ScritturaDiretta = options.ScritturaDiretta;
    return options;
}

// One write and the program ends without a window; nothing is written when
// any value of the line was refused.
int Form1::WriteDirectly(const OpzioniRiga& options) {
    if (!options.Errori.empty()) {
        ReportRefusedOptions(options);
        return 1;
    }
    IndirizzoPorta_ = IndirizzoScritturaDiretta(stato_.Testata.IndicePorta, stato_.IndirizzoPersonalizzato);
    if (!PortWritable()) return 1;
    if (!Hwinterface1) {
        Ask(Testi::kComponenteAssente, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
        return 2;
    }
    Hwinterface1_Scrivi(IndirizzoPorta_, options.ValoreDiretto);
    return 0;
}

void Form1::ReportRefusedOptions(const OpzioniRiga& options) {
    for (const std::string& message : options.Errori) Ask(message, MB_OK | MB_ICONEXCLAMATION, Testi::kTitoloAvviso);
}

// The running picture sits on the idle one.
void Form1::PlaceRunningPicture() {
    RECT p0;
    GetWindowRect(Picture1[0], &p0);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&p0), 2);
    ShowWindow(Picture1[1], SW_HIDE);
    SetWindowPos(Picture1[1], nullptr, p0.left, p0.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Step 1 and bit 0 are the ones edited, under the idle caption; step 1 is
// enabled, also in a program the command line loaded.
void Form1::StartOnStepOne() {
    stato_.StepCorrente = 1;
    BitSelezionato = 0;
    ImpostaTesto(Text2, stato_.Testata.DescrBit[0]);
    SetWindowTextA(hwnd_, DidascaliaInattiva().c_str());
    stato_.Steps(stato_.StepCorrente).Abilitato = true;
}

void Form1::ShowOnLoad() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    host::FocusFirstControl(hwnd_);
    UpdateWindow(hwnd_);
}

// Without LPT2 a selection of it falls back to LPT1. A custom address stays
// selected: turning it into LPT1 here would send the run from the command
// line to the stored address instead of the one given with "P=H".
void Form1::FallBackWithoutLPT2() {
    if (stato_.PortaLPT2 != 0) return;
    AbilitaMenu(ids::kMnuLPT2, false);
    if (stato_.Testata.IndicePorta != 3) stato_.Testata.IndicePorta = 1;
}

// A program from the command line runs at once, on the port chosen by now;
// without one the program in memory is the empty one of a single step.
bool Form1::RunFromCommandLine() {
    if (!AvvioDaRiga) {
        stato_.TotaleSteps = 1;
        Registrato();
        return true;
    }
    if (stato_.Testata.IndicePorta == 3) {
        IndirizzoPorta_ = stato_.IndirizzoPersonalizzato;
    } else if (stato_.Testata.IndicePorta == 2) {
        IndirizzoPorta_ = stato_.PortaLPT2;
        AbilitaMenu(ids::kMnuLPT2, true);
    }
    ShowPortInUse();
    return RunAtOnce();
}

// Presses the run button with no run in progress, so that a run starts; the
// load sequence goes on when it has ended.
bool Form1::RunAtOnce() {
    stato_.InEsecuzione = false;
    Command3_Click();
    return !chiusura_;
}

// The start-up file of the settings, for starts without a file of their own:
// the one named with "F=" stays loaded and shown.
void Form1::LoadStartFile() {
    const std::string startFile = Impostazioni::Leggi(Impostazioni::kFileStartNome);
    if (!startFile.empty() && !AvvioDaRiga) CaricaFile2(startFile);
}

bool Form1::RunOnAutostart() {
    const bool autostart = AutostartOn(modRegistry::LeggiValore(modRegistry::kHKeyCurrentUser,
                                                                modRegistry::kChiaveRun, modRegistry::kNomeAutostart));
    return !autostart || RunAtOnce();
}

void Form1::MinimiseWhileRunning() {
    if (Impostazioni::LeggiIntero(Impostazioni::kOptionMin) != 0 && stato_.InEsecuzione)
        ShowWindow(hwnd_, SW_MINIMIZE);
}

}  // namespace quelmar
