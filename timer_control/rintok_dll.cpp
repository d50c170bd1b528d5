// Entry points of Rintok.dll, an in-process control server with one class,
// RintokCtl ("Rintok.RintokCtl").
#include <windows.h>

#include "com/dll_entry_points.h"
#include "rintok_ctl.h"
#include "rintok_h.h"

namespace {

const com::ServerClass kClasses[] = {{CLSID_RintokCtl, "Rintok.RintokCtl", "High Precision Timer", "Apartment", true,
                                      LIBID_Rintok, 1, 0, com::GetFactory<rintok::CreateRintokCtl>}};

}  // namespace

COM_DLL_ENTRY_POINTS(kClasses)
