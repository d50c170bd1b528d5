// Small helpers shared by the program's secondary windows: a top-level window
// of a given client size placed over its owner, and a window's text.
#pragma once

#include <windows.h>

#include <string>

namespace quelmar {

// Creates a hidden window of class `classe` whose client area is `larghezza` by
// `altezza` pixels, centred over `owner` (over the screen without one).
HWND CreaFinestraCentrata(const char* classe, const std::string& didascalia, DWORD stile, HWND owner,
                          int larghezza, int altezza, HINSTANCE instance, void* parametro);

// The text of a window in the ANSI code page.
std::string TestoFinestra(HWND h);

}  // namespace quelmar
