// Small helpers shared by the program's secondary windows: where a top-level
// window of a given client size stands over its owner, bringing it forward,
// and a window's text.
#pragma once

#include <windows.h>

#include <string>

#include "com/window_base.h"

namespace quelmar {

// The bounds of a window of style `style` whose client area is `clientWidth`
// by `clientHeight` pixels, centred over `owner` (over the screen without
// one) and kept on the screen.
com::WindowBounds CenteredBounds(DWORD style, HWND owner, int clientWidth, int clientHeight);

// Shows `hwnd` (restored when minimised) and puts it in front.
void BringForward(HWND hwnd);
// The same, with the focus on its first control.
void ShowInFront(HWND hwnd);

// The text of a window in the ANSI code page.
std::string TestoFinestra(HWND h);

}  // namespace quelmar
