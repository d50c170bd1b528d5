// The host form contract (described in the README): DTPSkarvo reads the
// form object a host passes to SubClassMenu late-bound, by name. The form's
// MenuControls has Count and Item(i), i = 1 ... Count, in menu order; each
// entry has Name, Index (an error outside a control array), Caption, Tag
// and Visible. Every read is made with errors ignored: a member the form
// lacks reads as empty, and a form without MenuControls has no menu controls.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "menu_images/menu_item_store.h"

namespace skarvo {

std::vector<MenuControlInfo> ReadMenuControls(IDispatch* form);

// Calls member `name` of `object` late-bound with `args` in declared order
// (a property read with flags DISPATCH_PROPERTYGET); false when the object
// lacks the member or the call fails. Exceptions are dropped.
bool CallByName(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<VARIANT>& args,
                VARIANT* result);

// Whether `host` is an MDI frame (its first child is an MDI client window);
// the client window, or null.
HWND MdiClientOf(HWND host);

}  // namespace skarvo
