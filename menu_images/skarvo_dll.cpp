// Entry points of Skarvo.dll, an in-process server with two classes: the
// menu-image control DTPSkarvo ("Skarvo.DTPSkarvo") and the subclassing
// engine's global object GSubclass ("Skarvo.GSubclass").
#include <windows.h>

#include "com/dll_entry_points.h"
#include "menu_images/dtp_skarvo.h"
#include "menu_images/gsubclass.h"
#include "menu_images/skarvo_typelib.h"

namespace {

const com::ServerClass kClasses[] = {
    {CLSID_DTPSkarvo, "Skarvo.DTPSkarvo", "Menu images", "Apartment", true, LIBID_Skarvo, 1, 0,
     com::GetFactory<skarvo::CreateDTPSkarvo>},
    {CLSID_GSubclass, "Skarvo.GSubclass", "Window subclassing engine", "Apartment", false, LIBID_Skarvo, 1, 0,
     com::GetFactory<skarvo::CreateGSubclass>}};

}  // namespace

COM_DLL_ENTRY_POINTS(kClasses)
