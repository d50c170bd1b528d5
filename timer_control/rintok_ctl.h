// RintokCtl, the high-resolution timer control: raises Timer on the host's
// user-interface thread after a delay, or at a period, in milliseconds, paced
// by the multimedia timer.
#pragma once

#include <windows.h>

namespace rintok {

// Class-factory creation of a new RintokCtl.
HRESULT CreateRintokCtl(REFIID iid, void** out);

}  // namespace rintok
