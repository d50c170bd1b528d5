// AnimaForm: the opening and closing effect of Quelmar's windows. Thin
// outlines grow from the pointer's position to the window (opening) or
// shrink from the window back to where its opening began (closing), drawn
// straight on the screen, then the system's caption animation and a repaint
// of every window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "services/window_animation_math.h"

namespace AnimaForm {

constexpr int32_t kApertura = 1;
constexpr int32_t kChiusura = 0;

// `apertura` is kApertura or kChiusura; `pausa` the milliseconds waited before
// each of the ten outlines. Every caller of the closing effect is the window's
// own unload, which destroys the window afterwards: the effect itself never
// unloads it a second time.
void AnimaFinestra(HWND finestra, int32_t apertura, DWORD pausa);

// The module's current point and slots.
const TabellaFinestre& Tabella();

// Called after each outline has been drawn on the screen, with that outline;
// none by default. Lets a test look at the screen between the outlines.
extern std::function<void(const Rettangolo&)> DopoContorno;

}  // namespace AnimaForm
