// The main window's button pictures and status lights, drawn at start-up.
#pragma once

#include <windows.h>

#include "com/win_handles.h"

namespace quelmar::Immagini {

// Previous / next arrow of the step-selection buttons (0 previous, 1 next).
com::GdiObject<HBITMAP> Freccia(int direzione);
// The run button's faces: 0 idle ("play"), 1 running ("stop").
com::GdiObject<HBITMAP> FacciaEsegui(int stato);
// The status light: 0 idle (dark), 1 running (lit green).
com::GdiObject<HBITMAP> Spia(int stato);

}  // namespace quelmar::Immagini
