// The units controls and their host convert between: screen pixels, twips
// (1/1440 inch, the host's positions) and HIMETRIC (0.01 mm, OLE extents).
#pragma once

#include <windows.h>

#include "com/win_handles.h"

namespace com {

// The screen's logical pixels per inch, 96 when it cannot be read.
inline int ScreenDpiX() {
    WindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : 96;
}
inline int ScreenDpiY() {
    WindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

// The screen's twips per pixel (15 at 96 pixels per inch).
inline int TwipsPerPixelX() { return 1440 / ScreenDpiX(); }
inline int TwipsPerPixelY() { return 1440 / ScreenDpiY(); }

inline long PixelsFromTwipsX(long twips) { return MulDiv(twips, ScreenDpiX(), 1440); }
inline long PixelsFromTwipsY(long twips) { return MulDiv(twips, ScreenDpiY(), 1440); }
inline long TwipsFromPixelsX(long pixels) { return MulDiv(pixels, 1440, ScreenDpiX()); }
inline long TwipsFromPixelsY(long pixels) { return MulDiv(pixels, 1440, ScreenDpiY()); }

inline SIZEL HimetricFromPixels(SIZE px) {
    return SIZEL{MulDiv(px.cx, 2540, ScreenDpiX()), MulDiv(px.cy, 2540, ScreenDpiY())};
}
inline SIZE PixelsFromHimetric(SIZEL hm) {
    return SIZE{MulDiv(hm.cx, ScreenDpiX(), 2540), MulDiv(hm.cy, ScreenDpiY(), 2540)};
}

}  // namespace com
