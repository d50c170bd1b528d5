// The window animation on the screen.
#include "anima_form.h"

#include <utility>

#include "com/screen_units.h"
#include "com/win_handles.h"

namespace AnimaForm {

std::function<void(const Rettangolo&)> DopoContorno;

namespace {

TabellaFinestre g_tabella;

// None of the windows sets a fill colour of its own: the platform's default.
constexpr COLORREF kColoreRiempimento = RGB(0, 0, 0);

// The whole screen's device context, from the desktop window.
class DCSchermo {
public:
    DCSchermo() : desktop_(GetDesktopWindow()), dc_(GetWindowDC(desktop_)) {}
    DCSchermo(const DCSchermo&) = delete;
    DCSchermo& operator=(const DCSchermo&) = delete;
    ~DCSchermo() {
        if (dc_) ReleaseDC(desktop_, dc_);
    }
    HDC Get() const { return dc_; }

private:
    HWND desktop_;
    HDC dc_;
};

// Each edge with a brush and a screen DC of its own, released at once, so
// that nothing is held between the pauses.
void DisegnaContorno(const Rettangolo& r, COLORREF colore) {
    const RECT lati[4] = {{r.left, r.top, r.right, r.top + 1},
                          {r.right - 1, r.top, r.right, r.bottom},
                          {r.left, r.bottom - 1, r.right, r.bottom},
                          {r.left, r.top, r.left + 1, r.bottom}};
    for (const RECT& lato : lati) {
        com::GdiObject<HBRUSH> pennello(CreateSolidBrush(colore));
        DCSchermo schermo;
        if (pennello && schermo.Get()) FillRect(schermo.Get(), &lato, pennello.Get());
    }
}

void Zoom(const Rettangolo& da, const Rettangolo& a, DWORD pausa, COLORREF colore) {
    for (const Rettangolo& passo : PassiZoom(da, a)) {
        Sleep(pausa);
        DisegnaContorno(passo, colore);
        if (DopoContorno) DopoContorno(passo);
    }
}

RECT ComeRECT(const Rettangolo& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

const TabellaFinestre& Tabella() { return g_tabella; }

void AnimaFinestra(HWND finestra, int32_t apertura, DWORD pausa) {
    const double twipsX = 1440.0 / com::ScreenDpiX();
    const double twipsY = 1440.0 / com::ScreenDpiY();
    const COLORREF colore = kColoreRiempimento;

    const uintptr_t chiave = reinterpret_cast<uintptr_t>(finestra);
    if (apertura == kApertura) {
        POINT cursore = {};
        // Without a pointer position the previous point stands in.
        if (GetCursorPos(&cursore))
            g_tabella.Apri(chiave, {cursore.x, cursore.y});
        else
            g_tabella.Apri(chiave, g_tabella.PuntoCorrente());
    } else {
        g_tabella.Chiudi(chiave);
    }

    // The window's place in twips, as the window reports it, back to pixels.
    RECT w = {};
    GetWindowRect(finestra, &w);
    const auto tw = [](LONG pixel, double fattore) { return ArrotondaPari(pixel * fattore); };
    const Rettangolo finestraPx =
        RettangoloInPixel(tw(w.left, twipsX), tw(w.top, twipsY), tw(w.right - w.left, twipsX),
                          tw(w.bottom - w.top, twipsY), twipsX, twipsY);
    const Rettangolo punto = RettangoloPunto(g_tabella.PuntoCorrente());
    const RECT rFinestra = ComeRECT(finestraPx), rPunto = ComeRECT(punto);

    if (apertura == kApertura) {
        Zoom(punto, finestraPx, pausa, colore);
        DrawAnimatedRects(finestra, IDANI_CAPTION, &rPunto, &rFinestra);
    } else {
        Zoom(finestraPx, punto, pausa, colore);
        DrawAnimatedRects(finestra, IDANI_CAPTION, &rFinestra, &rPunto);
    }
    // Every window on the screen repaints, and the outlines go with it.
    InvalidateRect(nullptr, nullptr, TRUE);
}

}  // namespace AnimaForm
