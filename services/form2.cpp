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

constexpr char kClasse[] = "QuelmarForm2";
constexpr UINT kIdLabel1 = 100;
constexpr DWORD kStile = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr COLORREF kColoreLink = RGB(0, 0, 255);

}  // namespace

Form2::Form2(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}

Form2::~Form2() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Form2::Show() {
    if (!hwnd_) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kClasse;
        RegisterClassExA(&wc);
        hwnd_ = CreaFinestraCentrata(kClasse, Testi::kDidascaliaForm2, kStile, owner_, com::PixelsFromTwipsX(9330),
                                     com::PixelsFromTwipsY(5400), instance_, this);
        if (!hwnd_) return false;
        CreaControlli();
        host::EnableDialogKeys(hwnd_, host::EscapeCloses::Yes);
        Form_Load();
    }
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
    host::FocusFirstControl(hwnd_);
    return true;
}

void Form2::CreaControlli() {
    figura_ = DisegnaFiguraAiuto();
    Label1_ = CreateWindowExA(0, "STATIC", Testi::kIndirizzoSito,
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_NOTIFY | SS_LEFTNOWORDWRAP, com::PixelsFromTwipsX(6840),
                              com::PixelsFromTwipsY(120), com::PixelsFromTwipsX(2415), com::PixelsFromTwipsY(255),
                              hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kIdLabel1)), instance_, nullptr);
    // 9.75 points, blue and underlined.
    fontLink_.Reset(CreateFontA(-MulDiv(975, com::ScreenDpiY(), 7200), 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE,
                                ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));
    SendMessageA(Label1_, WM_SETFONT, reinterpret_cast<WPARAM>(fontLink_.Get()), FALSE);

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

void Form2::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (figura_) {
        com::MemoryDC mem(dc);
        if (mem) {
            com::SelectedObject sel(mem.Get(), figura_.Get());
            BitBlt(dc, 0, 0, kLarghezzaFiguraAiuto, kAltezzaFiguraAiuto, mem.Get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK Form2::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Form2* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Form2*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Form2*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    return self ? self->HandleMessage(msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT Form2::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kIdLabel1 && HIWORD(wParam) == STN_CLICKED) Label1_Click();
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == Label1_) {
                const HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, kColoreLink);
                SetBkColor(dc, RGB(255, 255, 255));
                return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
            }
            break;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == Label1_) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            // The effect runs once; a close asked for meanwhile adds nothing.
            if (scaricamento_) return 0;
            scaricamento_ = true;
            Form_Unload();
            DestroyWindow(hwnd_);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            Label1_ = nullptr;
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

}  // namespace quelmar
