// Module2: the program's entry routine and the common-controls set-up.
#pragma once

#include <windows.h>

namespace Module2 {

// Initialises the common controls (ICC_USEREX_CLASSES); false when the call failed.
bool InizializzaControlli();

// The program: initialises the controls, loads Form1 and runs its messages.
int Main(HINSTANCE instance, const char* rigaComando);

}  // namespace Module2
