// Keyboard use of the program's windows, which are plain top-level windows
// rather than dialogs: Tab and Shift+Tab through the tab stops (into and out
// of hosted controls), Space and Enter on the focused control, the focus
// given to the first control when the window opens and kept across
// activations, and the focus always shown once the keyboard is used.
//
// Every message loop of the program passes its messages to
// TranslateAndDispatch, the run engine's nested loop included.
#pragma once

#include <windows.h>

namespace host {

// Whether Escape closes the window, as it does a dialog with a cancel button.
enum class EscapeCloses { No, Yes };

// Makes `window` (top level, its controls made) follow the dialog keys.
void EnableDialogKeys(HWND window, EscapeCloses escape = EscapeCloses::No);
// The window's keyboard shortcuts (commands sent as a menu's are), taken
// before the focused control sees the key; null for none. The table must
// outlive the window or be replaced first.
void SetAccelerators(HWND window, HACCEL table);
// Gives the focus to the window's first tab stop unless a control of the
// window already has it.
void FocusFirstControl(HWND window);
// The tab stop of `root` after (or before) `from`, entering windows marked
// WS_EX_CONTROLPARENT; `from` null starts from the first (or the last).
// Null when `root` has no other tab stop.
HWND NextTabStop(HWND root, HWND from, bool back);
// Moves the focus as Tab (or Shift+Tab) does; false when nothing took it.
bool MoveFocus(HWND root, HWND from, bool back);
// The keyboard handling of one message for a window that follows the dialog
// keys: true when the message is handled and must not be dispatched.
bool PreTranslateKeys(MSG& msg);
// What every message loop does with a message it has taken from the queue.
void TranslateAndDispatch(MSG& msg);

}  // namespace host
