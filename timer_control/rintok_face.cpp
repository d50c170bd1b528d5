// Paints the timer control's face.
#include "rintok_face.h"

#include <algorithm>
#include <cstdint>

namespace rintok {
namespace {

constexpr char kCaption[] = "High Precision Timer";
constexpr int kTextLeft = 31;

// The gradient runs from deep blue at the left to a lighter blue at the right.
void PaintGradient(uint8_t* bits, int stride) {
    for (int y = 0; y < kFaceHeight; ++y) {
        uint8_t* row = bits + y * stride;
        for (int x = 0; x < kFaceWidth; ++x) {
            const int shade = x * 255 / (kFaceWidth - 1);
            row[x * 3 + 0] = static_cast<uint8_t>(128 + shade * 127 / 255);  // blue
            row[x * 3 + 1] = static_cast<uint8_t>(shade * 110 / 255);        // green
            row[x * 3 + 2] = static_cast<uint8_t>(shade * 40 / 255);         // red
        }
    }
}

void PaintStopwatch(HDC dc) {
    com::GdiObject<HPEN> outline(CreatePen(PS_SOLID, 1, RGB(16, 16, 48)));
    com::GdiObject<HBRUSH> metal(CreateSolidBrush(RGB(192, 192, 200)));
    com::GdiObject<HBRUSH> dial(CreateSolidBrush(RGB(255, 255, 255)));
    com::GdiObject<HPEN> hand(CreatePen(PS_SOLID, 2, RGB(200, 0, 0)));
    com::SelectedObject pen(dc, outline.Get());
    {
        com::SelectedObject brush(dc, metal.Get());
        Rectangle(dc, 13, 1, 18, 5);   // crown
        Rectangle(dc, 22, 4, 26, 8);   // side button
        Ellipse(dc, 3, 5, 28, 30);     // case
    }
    {
        com::SelectedObject brush(dc, dial.Get());
        Ellipse(dc, 6, 8, 25, 27);
    }
    // Ticks at twelve, three, six and nine.
    MoveToEx(dc, 15, 9, nullptr);
    LineTo(dc, 15, 11);
    MoveToEx(dc, 22, 17, nullptr);
    LineTo(dc, 24, 17);
    MoveToEx(dc, 15, 24, nullptr);
    LineTo(dc, 15, 26);
    MoveToEx(dc, 7, 17, nullptr);
    LineTo(dc, 9, 17);
    com::SelectedObject red(dc, hand.Get());
    MoveToEx(dc, 15, 17, nullptr);
    LineTo(dc, 20, 12);
}

void PaintCaption(HDC dc) {
    // The largest bold size that fits beside the stopwatch.
    for (int height = 13; height >= 8; --height) {
        com::GdiObject<HFONT> font(CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                               DEFAULT_PITCH | FF_SWISS, "Tahoma"));
        if (!font) continue;
        com::SelectedObject selected(dc, font.Get());
        SIZE extent = {};
        GetTextExtentPoint32A(dc, kCaption, sizeof kCaption - 1, &extent);
        if (extent.cx > kFaceWidth - kTextLeft - 2 && height > 8) continue;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT area = {kTextLeft, 0, kFaceWidth, kFaceHeight};
        DrawTextA(dc, kCaption, -1, &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
}

}  // namespace

com::GdiObject<HBITMAP> MakeFace() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kFaceWidth;
    info.bmiHeader.biHeight = -kFaceHeight;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    com::GdiObject<HBITMAP> face(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!face || !bits) return com::GdiObject<HBITMAP>();

    const int stride = (kFaceWidth * 3 + 3) & ~3;
    PaintGradient(static_cast<uint8_t*>(bits), stride);
    com::MemoryDC dc(nullptr);
    if (!dc) return com::GdiObject<HBITMAP>();
    {
        com::SelectedObject selected(dc.Get(), face.Get());
        PaintStopwatch(dc.Get());
        PaintCaption(dc.Get());
    }
    GdiFlush();
    return face;
}

void DrawFace(HDC dc, const RECT& bounds, HBITMAP face) {
    if (!face) return;
    com::MemoryDC source(dc);
    if (!source) return;
    com::SelectedObject selected(source.Get(), face);
    const int width = std::min<int>(kFaceWidth, bounds.right - bounds.left);
    const int height = std::min<int>(kFaceHeight, bounds.bottom - bounds.top);
    if (width > 0 && height > 0) BitBlt(dc, bounds.left, bounds.top, width, height, source.Get(), 0, 0, SRCCOPY);
}

}  // namespace rintok
