// The timer control's face: a fixed 157 by 31 picture in 24-bit colour, a
// stopwatch at the left and "High Precision Timer" in white bold letters on a
// blue gradient, shown clipped to the control's own size.
#pragma once

#include <windows.h>

#include "com/win_handles.h"

namespace rintok {

constexpr int kFaceWidth = 157;
constexpr int kFaceHeight = 31;

// Paints the picture once into a new 24-bit bitmap; empty when GDI refuses.
com::GdiObject<HBITMAP> MakeFace();

// Copies the picture to `dc` at the top left of `bounds`, clipped to `bounds`.
void DrawFace(HDC dc, const RECT& bounds, HBITMAP face);

}  // namespace rintok
