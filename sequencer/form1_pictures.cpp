// Button pictures drawn with GDI on the button face colour.
#include "form1_pictures.h"

namespace quelmar::Immagini {
namespace {

// A w x h bitmap filled with the button face; `draw` paints on it.
template <class Draw>
com::GdiObject<HBITMAP> Disegna(int w, int h, Draw draw) {
    com::WindowDC screen(nullptr);
    com::GdiObject<HBITMAP> bmp(CreateCompatibleBitmap(screen.Get(), w, h));
    com::MemoryDC dc(nullptr);
    if (!bmp || !dc.Get()) return bmp;
    com::SelectedObject sel(dc.Get(), bmp.Get());
    RECT r = {0, 0, w, h};
    FillRect(dc.Get(), &r, GetSysColorBrush(COLOR_BTNFACE));
    draw(dc.Get());
    return bmp;
}

void Poligono(HDC dc, const POINT* pts, int n, COLORREF fill, COLORREF edge) {
    com::GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    com::GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, edge));
    com::SelectedObject b(dc, brush.Get());
    com::SelectedObject p(dc, pen.Get());
    Polygon(dc, pts, n);
}

void Cerchio(HDC dc, RECT r, COLORREF fill, COLORREF edge) {
    com::GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    com::GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, edge));
    com::SelectedObject b(dc, brush.Get());
    com::SelectedObject p(dc, pen.Get());
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
}

}  // namespace

com::GdiObject<HBITMAP> Freccia(int direzione) {
    return Disegna(20, 16, [direzione](HDC dc) {
        const COLORREF blu = RGB(30, 60, 160);
        if (direzione == 0) {
            const POINT pts[] = {{14, 2}, {14, 13}, {4, 7}};
            Poligono(dc, pts, 3, blu, blu);
        } else {
            const POINT pts[] = {{5, 2}, {5, 13}, {15, 7}};
            Poligono(dc, pts, 3, blu, blu);
        }
    });
}

com::GdiObject<HBITMAP> FacciaEsegui(int stato) {
    return Disegna(32, 32, [stato](HDC dc) {
        if (stato == 0) {
            const POINT pts[] = {{9, 5}, {9, 26}, {26, 15}};
            Poligono(dc, pts, 3, RGB(20, 150, 40), RGB(0, 90, 20));
        } else {
            const POINT pts[] = {{7, 7}, {24, 7}, {24, 24}, {7, 24}};
            Poligono(dc, pts, 4, RGB(200, 30, 30), RGB(120, 0, 0));
        }
    });
}

com::GdiObject<HBITMAP> Spia(int stato) {
    return Disegna(18, 18, [stato](HDC dc) {
        const RECT r = {2, 2, 16, 16};
        if (stato == 0)
            Cerchio(dc, r, RGB(70, 70, 70), RGB(30, 30, 30));
        else
            Cerchio(dc, r, RGB(40, 230, 60), RGB(0, 110, 20));
    });
}

}  // namespace quelmar::Immagini
