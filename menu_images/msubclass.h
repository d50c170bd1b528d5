// MSubclass, the window subclassing engine: lets objects of the process
// watch chosen messages of any window of the process. Every registration
// lives in the subclassed window's own property list; the engine keeps a
// copy of its own registrations in memory only so that dispatching a message
// reads no property.
#pragma once

#include <windows.h>

#include <string>

#include "menu_images/skarvo_typelib.h"

namespace MSubclass {

// Registers `client` for message `m` of window `h`, subclassing the window
// on its first registration. Returns 0, or the error number (13081-13084)
// with the store unchanged.
long AttachMessage(_ISubclass* client, HWND h, UINT m);

// Removes the registration; one that does not exist changes nothing. The
// last registration on a window puts its previous procedure back.
void DetachMessage(_ISubclass* client, HWND h, UINT m);

// Calls the previous procedure of the window whose message is being
// dispatched (the process-wide value, not a look-up for `h`).
LRESULT CallOldWindowProc(HWND h, UINT m, WPARAM wp, LPARAM lp);

// The message being dispatched; stale outside a dispatch.
UINT CurrentMessage();

// Sets the thread's error information for `number` and returns its HRESULT:
// above 1000 an object error with the source "Skarvo.WindowProc" and the
// engine's description, else a plain error with no description.
HRESULT RaiseSubclassError(long number);

// The property names of the store, for the window `h` and message `m`.
std::string PreviousProcName(HWND h);
std::string RegistrationCountName(HWND h);
std::string MessageCountName(HWND h, UINT m);
std::string SlotName(HWND h, UINT m, long slot);

}  // namespace MSubclass
