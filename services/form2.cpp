// The help window.
#include "form2.h"

#include <commctrl.h>

#include "com/screen_units.h"
#include "host/dialog_keys.h"
#include "services/anima_form.h"
#include "services/cls_hyperlink.h"
#include "services/form_support.h"
#include "services/form_texts.h"
#include "services/help_picture.h"

namespace quelmar {
namespace {

constexpr char kClassName[] = "QuelmarForm2";
constexpr UINT kIdLabel1 = 100;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr COLORREF kLinkColour = RGB(0, 0, 255);

}  // namespace

Form2::Form2(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}

Form2::~Form2() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Form2::Show() {
    if (!hwnd_ && !Create()) return false;
    ShowInFront(hwnd_);
    return true;
}

// The window, its controls and its load event; Escape closes it.
bool Form2::Create() {
    const com::WindowClass cls = {kClassName, 0, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))};
    const auto bounds = CenteredBounds(kStyle, owner_, com::PixelsFromTwipsX(9330), com::PixelsFromTwipsY(5400));
    if (!CreateWindowOf(instance_, cls, Testi::kDidascaliaForm2, kStyle, bounds, owner_)) return false;
    CreateControls();
    host::EnableDialogKeys(hwnd_, host::EscapeCloses::Yes);
    Form_Load();
    return true;
}

void Form2::CreateControls() {
    picture_ = DisegnaFiguraAiuto();
    Label1_ = CreateWindowExA(0, "STATIC", Testi::kIndirizzoSito,
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_NOTIFY | SS_LEFTNOWORDWRAP,
                              com::PixelsFromTwipsX(6840), com::PixelsFromTwipsY(120), com::PixelsFromTwipsX(2415),
                              com::PixelsFromTwipsY(255), hwnd_,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kIdLabel1)), instance_, nullptr);
    // 9.75 points, blue and underlined.
    linkFont_.Reset(CreateFontA(-MulDiv(975, com::ScreenDpiY(), 7200), 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE,
                                ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));
    SendMessageA(Label1_, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.Get()), FALSE);

    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(Label1_);
    ti.lpszText = const_cast<char*>(Testi::kTipLabel1Form2);
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Form2::Form_Load() { AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kApertura, 1); }

void Form2::Form_Unload() { AnimaForm::AnimaFinestra(hwnd_, AnimaForm::kChiusura, 1); }

void Form2::Label1_Click() {
    // A fresh link for every click.
    clsHyperlink link;
    link.URL(Testi::kIndirizzoSito);
    link.ExplorerStatus(SW_SHOWNORMAL);
    link.OpenURL();
}

// ---- Messages --------------------------------------------------------------

LRESULT Form2::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
        case WM_CTLCOLORSTATIC:
            if (OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result)) return result;
            break;
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case WM_CLOSE: OnClose(); return 0;
        case WM_NCDESTROY: OnNcDestroy(); break;
        default: break;
    }
    return DefaultHandling(msg, wParam, lParam);
}

void Form2::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (picture_) {
        com::MemoryDC mem(dc);
        if (mem) {
            com::SelectedObject sel(mem.Get(), picture_.Get());
            BitBlt(dc, 0, 0, kLarghezzaFiguraAiuto, kAltezzaFiguraAiuto, mem.Get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(hwnd_, &ps);
}

void Form2::OnCommand(UINT id, UINT code) {
    if (id == kIdLabel1 && code == STN_CLICKED) Label1_Click();
}

bool Form2::OnCtlColorStatic(HDC dc, HWND control, LRESULT& brush) {
    if (control != Label1_) return false;
    SetTextColor(dc, kLinkColour);
    SetBkColor(dc, RGB(255, 255, 255));
    brush = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    return true;
}

bool Form2::OnSetCursor(HWND over) {
    if (over != Label1_) return false;
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    return true;
}

void Form2::OnClose() {
    // The effect runs once; a close asked for meanwhile adds nothing.
    if (unloading_) return;
    unloading_ = true;
    Form_Unload();
    DestroyWindow(hwnd_);
}

void Form2::OnNcDestroy() { Label1_ = nullptr; }

}  // namespace quelmar
