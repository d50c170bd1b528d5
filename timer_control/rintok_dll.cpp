// Entry points of Rintok.dll, an in-process control server with one class,
// RintokCtl ("Rintok.RintokCtl").
#include <windows.h>

#include "com/com_support.h"
#include "rintok_ctl.h"
#include "rintok_h.h"

namespace {

const com::ServerClass kClass = {CLSID_RintokCtl, "Rintok.RintokCtl", "High Precision Timer", "Apartment",
                                 true, LIBID_Rintok, "1.0"};

}  // namespace

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_RintokCtl) return CLASS_E_CLASSNOTAVAILABLE;
    return com::GetFactory<rintok::CreateRintokCtl>(iid, out);
}

STDAPI DllCanUnloadNow() { return com::ModuleCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return com::RegisterServerClass(kClass); }

STDAPI DllUnregisterServer() { return com::UnregisterServerClass(kClass, 1, 0); }

}  // extern "C"
