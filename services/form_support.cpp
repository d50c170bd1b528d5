// Helpers of the secondary windows.
#include "form_support.h"

#include <algorithm>


namespace quelmar {
HWND CreaFinestraCentrata(const char* classe, const std::string& didascalia, DWORD stile, HWND owner,
                          int larghezza, int altezza, HINSTANCE instance, void* parametro) {
    RECT r = {0, 0, larghezza, altezza};
    AdjustWindowRect(&r, stile, FALSE);
    const int w = r.right - r.left, h = r.bottom - r.top;
    RECT sopra = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(owner, &sopra);
    int x = sopra.left + (sopra.right - sopra.left - w) / 2;
    int y = sopra.top + (sopra.bottom - sopra.top - h) / 2;
    // Kept on the screen.
    x = std::max(0L, std::min<long>(x, GetSystemMetrics(SM_CXSCREEN) - w));
    y = std::max(0L, std::min<long>(y, GetSystemMetrics(SM_CYSCREEN) - h));
    return CreateWindowExA(0, classe, didascalia.c_str(), stile, x, y, w, h, owner, nullptr, instance, parametro);
}

std::string TestoFinestra(HWND h) {
    const int n = GetWindowTextLengthA(h);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    const int letti = GetWindowTextA(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(letti > 0 ? letti : 0));
    return s;
}

}  // namespace quelmar
