// DTPSkarvo, the menu-image control: takes over its host window's menus,
// keeps its own store of their items and offers the item API.
#pragma once

#include <windows.h>

namespace skarvo {

// Class-factory creation of a new DTPSkarvo.
HRESULT CreateDTPSkarvo(REFIID iid, void** out);

}  // namespace skarvo
