// Helpers of the secondary windows.
#include "form_support.h"

#include <algorithm>

#include "host/dialog_keys.h"

namespace quelmar {

com::WindowBounds CenteredBounds(DWORD style, HWND owner, int clientWidth, int clientHeight) {
    RECT r = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, style, FALSE);
    const int w = r.right - r.left, h = r.bottom - r.top;
    RECT over = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(owner, &over);
    const long x = over.left + (over.right - over.left - w) / 2;
    const long y = over.top + (over.bottom - over.top - h) / 2;
    // Kept on the screen.
    return {static_cast<int>(std::max(0L, std::min<long>(x, GetSystemMetrics(SM_CXSCREEN) - w))),
            static_cast<int>(std::max(0L, std::min<long>(y, GetSystemMetrics(SM_CYSCREEN) - h))), w, h};
}

void BringForward(HWND hwnd) {
    ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd);
}

void ShowInFront(HWND hwnd) {
    BringForward(hwnd);
    host::FocusFirstControl(hwnd);
}

std::string TestoFinestra(HWND h) {
    const int n = GetWindowTextLengthA(h);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    const int letti = GetWindowTextA(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(letti > 0 ? letti : 0));
    return s;
}

}  // namespace quelmar
