// The picture of the help window: the command-line options of Quelmar with
// examples, drawn by the program on white.
#pragma once

#include <windows.h>

#include "com/win_handles.h"

namespace quelmar {

constexpr int kLarghezzaFiguraAiuto = 624;
constexpr int kAltezzaFiguraAiuto = 373;

// A new 624x373 bitmap holding the help text; empty when the system refused it.
com::GdiObject<HBITMAP> DisegnaFiguraAiuto();

}  // namespace quelmar
