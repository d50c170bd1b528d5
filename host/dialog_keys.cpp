// Keyboard use of the program's windows.
#include "dialog_keys.h"

#include <commctrl.h>

#include "com/com_support.h"
#include "host/control_site.h"

namespace host {
namespace {

constexpr char kDialogKeys[] = "QuelmarDialogKeys";
constexpr char kSavedFocus[] = "QuelmarSavedFocus";
constexpr char kEscapeCloses[] = "QuelmarEscapeCloses";
constexpr char kAccelerators[] = "QuelmarAccelerators";
constexpr UINT_PTR kRootSubclass = 0x51D1;
constexpr UINT_PTR kFocusFrameSubclass = 0x51D2;

bool Pressed(int key) { return GetKeyState(key) < 0; }

bool ClassIs(HWND h, const char* name) {
    char cls[32] = {};
    GetClassNameA(h, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

bool Usable(HWND h) {
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    return (style & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE;
}

// A label that reports clicks and takes the focus works as a link: Space and
// Enter click it.
bool IsLink(HWND h) {
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    return ClassIs(h, "Static") && (style & SS_NOTIFY) && (style & WS_TABSTOP);
}

// A check box without a caption, or a link, has no focus mark of its own.
bool NeedsFocusFrame(HWND h) {
    if (IsLink(h)) return true;
    if (!ClassIs(h, "Button")) return false;
    const LONG type = GetWindowLongA(h, GWL_STYLE) & BS_TYPEMASK;
    return (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE) &&
           GetWindowTextLengthA(h) == 0;
}

bool FocusHidden(HWND h) { return (SendMessageA(h, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0; }

// Keyboard users see where the focus is, whatever state the window was left in.
void ShowFocus(HWND root) {
    if (FocusHidden(root)) SendMessageA(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

LRESULT CALLBACK FocusFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    switch (msg) {
    case WM_PAINT: {
        const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        if (GetFocus() == hwnd && !FocusHidden(hwnd)) {
            RECT rc;
            GetClientRect(hwnd, &rc);
            if (HDC dc = GetDC(hwnd)) {
                DrawFocusRect(dc, &rc);
                ReleaseDC(hwnd, dc);
            }
        }
        return r;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, FocusFrameProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

BOOL CALLBACK AddFocusFrame(HWND h, LPARAM) {
    if (NeedsFocusFrame(h)) SetWindowSubclass(h, FocusFrameProc, kFocusFrameSubclass, 0);
    return TRUE;
}

// A plain window forgets its focused control when it is deactivated; this
// keeps it, as a dialog does, and starts at the first control.
LRESULT CALLBACK RootProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_ACTIVATE) {
        if (LOWORD(wp) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus)) SetPropA(hwnd, kSavedFocus, focus);
        } else if (!HIWORD(wp)) {
            HWND target = static_cast<HWND>(GetPropA(hwnd, kSavedFocus));
            if (!target || !IsChild(hwnd, target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
                target = NextTabStop(hwnd, nullptr, false);
            if (target) {
                SetFocus(target);
                return 0;
            }
        }
    } else if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kSavedFocus);
        RemovePropA(hwnd, kDialogKeys);
        RemovePropA(hwnd, kEscapeCloses);
        RemovePropA(hwnd, kAccelerators);
        RemoveWindowSubclass(hwnd, RootProc, id);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// Enter on a focused push button or link clicks it, as the dialog manager
// does for a default button.
bool PressFocused(HWND root) {
    const HWND focus = GetFocus();
    if (!focus || !IsChild(root, focus) || !IsWindowEnabled(focus)) return false;
    const LRESULT code = SendMessageA(focus, WM_GETDLGCODE, 0, 0);
    WORD notification = 0;
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))
        notification = BN_CLICKED;
    else if (IsLink(focus))
        notification = STN_CLICKED;
    else
        return false;
    SendMessageA(GetParent(focus), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), notification),
                 reinterpret_cast<LPARAM>(focus));
    return true;
}

// The hosted control that has the focus gets the keys first.
bool ToFocusedControl(HWND root, MSG& msg) {
    com::ComPtr<ControlSite> site(ControlSite::WithFocus(root), true);
    if (!site) return false;
    const HWND window = site->ControlWindow();
    const HWND focus = GetFocus();
    if (!window || !focus || (focus != window && !IsChild(window, focus))) return false;
    com::ComPtr<IOleInPlaceActiveObject> active = site->ActiveObject();
    return active && active->TranslateAccelerator(&msg) == S_OK;
}

}  // namespace

void EnableDialogKeys(HWND window, EscapeCloses escape) {
    if (!window || GetPropA(window, kDialogKeys)) return;
    SetPropA(window, kDialogKeys, window);
    if (escape == EscapeCloses::Yes) SetPropA(window, kEscapeCloses, window);
    SetWindowSubclass(window, RootProc, kRootSubclass, 0);
    EnumChildWindows(window, AddFocusFrame, 0);
    ShowFocus(window);
}

void SetAccelerators(HWND window, HACCEL table) {
    if (!window) return;
    if (table)
        SetPropA(window, kAccelerators, table);
    else
        RemovePropA(window, kAccelerators);
}

void FocusFirstControl(HWND window) {
    const HWND focus = GetFocus();
    if (!window || (focus && IsChild(window, focus))) return;
    if (const HWND first = NextTabStop(window, nullptr, false)) SetFocus(first);
}

HWND NextTabStop(HWND root, HWND from, bool back) {
    if (from && !IsChild(root, from)) from = nullptr;
    const HWND next = GetNextDlgTabItem(root, from, back ? TRUE : FALSE);
    if (!next || next == root || next == from || !IsChild(root, next) || !Usable(next)) return nullptr;
    return next;
}

bool MoveFocus(HWND root, HWND from, bool back) {
    const HWND next = NextTabStop(root, from, back);
    if (!next) return false;
    // A text box entered with Tab has its text selected, as in a dialog.
    if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(next, EM_SETSEL, 0, -1);
    SetFocus(next);
    return true;
}

bool PreTranslateKeys(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (!root || !GetPropA(root, kDialogKeys)) return false;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) ShowFocus(root);
    // Escape closes a window that asks for it, whichever control has the focus.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && GetPropA(root, kEscapeCloses) &&
        !Pressed(VK_CONTROL) && !Pressed(VK_MENU)) {
        PostMessageA(root, WM_CLOSE, 0, 0);
        return true;
    }
    if (const auto table = static_cast<HACCEL>(GetPropA(root, kAccelerators)))
        if (TranslateAcceleratorA(root, table, &msg)) return true;
    if (ToFocusedControl(root, msg)) return true;

    const bool plain = !Pressed(VK_CONTROL) && !Pressed(VK_MENU);
    if (msg.message == WM_KEYDOWN && plain) {
        // Tab always moves on, from a text box of several lines too.
        if (msg.wParam == VK_TAB) {
            const HWND focus = GetFocus();
            MoveFocus(root, focus && IsChild(root, focus) ? focus : nullptr, Pressed(VK_SHIFT));
            return true;
        }
        if (msg.wParam == VK_RETURN && PressFocused(root)) return true;

        if (msg.wParam == VK_SPACE && IsLink(GetFocus()) && PressFocused(root)) return true;
    }
    // Enter and Escape elsewhere reach the focused control as before: the
    // windows have no default or cancel button.
    const bool enterOrEscape =
        ((msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
         (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) ||
        (msg.message == WM_CHAR && (msg.wParam == '\r' || msg.wParam == 0x1B));
    if (enterOrEscape) return false;
    // The rest (mnemonics, the controls' own keys) as in a dialog.
    return IsDialogMessageA(root, &msg) != FALSE;
}

void TranslateAndDispatch(MSG& msg) {
    if (PreTranslateKeys(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

}  // namespace host
