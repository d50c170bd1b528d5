// Paints the browse button's picture.
#include "browse_picture.h"

namespace dravik {

com::GdiObject<HBITMAP> MakeBrowsePicture() {
    com::WindowDC screen(nullptr);
    if (!screen) return {};
    com::GdiObject<HBITMAP> picture(CreateCompatibleBitmap(screen.Get(), kPictureSize, kPictureSize));
    com::MemoryDC dc(screen.Get());
    if (!picture || !dc) return {};
    {
        com::SelectedObject selected(dc.Get(), picture.Get());
        const RECT all = {0, 0, kPictureSize, kPictureSize};
        FillRect(dc.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));

        com::GdiObject<HPEN> outline(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
        com::GdiObject<HBRUSH> paper(CreateSolidBrush(RGB(255, 255, 255)));
        com::GdiObject<HBRUSH> fold(CreateSolidBrush(RGB(192, 192, 192)));
        com::SelectedObject pen(dc.Get(), outline.Get());
        {
            // The sheet, its top-right corner cut off.
            const POINT sheet[] = {{3, 1}, {9, 1}, {13, 5}, {13, 14}, {3, 14}};
            com::SelectedObject brush(dc.Get(), paper.Get());
            Polygon(dc.Get(), sheet, 5);
        }
        {
            // The corner folded down onto the sheet.
            const POINT corner[] = {{9, 1}, {9, 5}, {13, 5}};
            com::SelectedObject brush(dc.Get(), fold.Get());
            Polygon(dc.Get(), corner, 3);
        }
    }
    return picture;
}

}  // namespace dravik
