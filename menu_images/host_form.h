// The host form contract: what DTPSkarvo reads, late-bound by name, from
// the form object a host passes to SubClassMenu (and, later, to
// ShowPopupMenu). The form answers:
//   MenuControls        an object with Count and Item(i), i = 1 ... Count,
//                       one entry per menu control in menu order;
//   each entry:         Name (text), Index (a number; an error for a control
//                       that is not in a control array), Caption (text),
//                       Tag (text), Visible (Boolean);
//   hWnd, ScaleMode, ScaleX(value, from, to), ScaleY(value, from, to).
// Every read is made with errors ignored: a member the form lacks reads as
// empty, and a form without MenuControls has no menu controls.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "menu_images/menu_item_store.h"

namespace skarvo {

std::vector<MenuControlInfo> ReadMenuControls(IDispatch* form);

// Whether `host` is an MDI frame (its first child is an MDI client window);
// the client window, or null.
HWND MdiClientOf(HWND host);

}  // namespace skarvo
