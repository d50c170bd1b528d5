// The interfaces of Skarvo's type library for the library's own code. The
// published enumerations reuse names that the system headers define as
// macros (SC_CLOSE, TPM_LEFTALIGN...), so those macros are dropped first;
// the library's code uses the enumerations' names or plain numbers instead.
#pragma once

#include <windows.h>

#undef SC_RESTORE
#undef SC_MOVE
#undef SC_SIZE
#undef SC_MAXIMIZE
#undef SC_MINIMIZE
#undef SC_CLOSE
#undef SC_ARRANGE
#undef SC_HOTKEY
#undef SC_HSCROLL
#undef SC_KEYMENU
#undef SC_MANAGER_CONNECT
#undef SC_MANAGER_CREATE_SERVICE
#undef SC_MANAGER_ENUMERATE_SERVICE
#undef SC_MANAGER_LOCK
#undef SC_MANAGER_MODIFY_BOOT_CONFIG
#undef SC_MANAGER_QUERY_LOCK_STATUS
#undef SC_MOUSEMENU
#undef SC_NEXTWINDOW
#undef SC_PREVWINDOW
#undef SC_SCREENSAVE
#undef SC_TASKLIST
#undef SC_VSCROLL
#undef SC_ZOOM
#undef SC_ICON
#undef TPM_CENTERALIGN
#undef TPM_LEFTALIGN
#undef TPM_LEFTBUTTON
#undef TPM_RIGHTALIGN
#undef TPM_RIGHTBUTTON
#undef TPM_HORIZONTAL
#undef TPM_VERTICAL
#undef TPM_RECURSE
#undef TPM_HORPOSANIMATION
#undef TPM_HORNEGANIMATION
#undef TPM_VERPOSANIMATION
#undef TPM_VERNEGANIMATION
#undef TPM_NOANIMATION

#include "skarvo_h.h"
