// The main window's button pictures and status lights, drawn at start-up.
#pragma once

#include <windows.h>

#include "sequencer/win_handles.h"

namespace quelmar::Immagini {

// Previous / next arrow of the step-selection buttons (0 previous, 1 next).
GdiPtr<HBITMAP> Freccia(int direzione);
// The run button's faces: 0 idle ("play"), 1 running ("stop").
GdiPtr<HBITMAP> FacciaEsegui(int stato);
// The status light: 0 idle (dark), 1 running (lit green).
GdiPtr<HBITMAP> Spia(int stato);

}  // namespace quelmar::Immagini
