// Entry points of Skarvo.dll, an in-process server with two classes: the
// menu-image control DTPSkarvo ("Skarvo.DTPSkarvo") and the subclassing
// engine's global object GSubclass ("Skarvo.GSubclass").
#include <windows.h>

#include "com/com_support.h"
#include "menu_images/dtp_skarvo.h"
#include "menu_images/gsubclass.h"
#include "menu_images/skarvo_typelib.h"

namespace {

const com::ServerClass kControlClass = {CLSID_DTPSkarvo, "Skarvo.DTPSkarvo", "Menu images", "Apartment",
                                        true, LIBID_Skarvo, "1.0"};
const com::ServerClass kSubclassClass = {CLSID_GSubclass, "Skarvo.GSubclass", "Window subclassing engine",
                                         "Apartment", false, LIBID_Skarvo, "1.0"};

}  // namespace

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid == CLSID_DTPSkarvo) return com::GetFactory<skarvo::CreateDTPSkarvo>(iid, out);
    if (clsid == CLSID_GSubclass) return com::GetFactory<skarvo::CreateGSubclass>(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return com::ModuleCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    HRESULT hr = com::RegisterServerClass(kControlClass);
    if (SUCCEEDED(hr)) hr = com::RegisterServerClass(kSubclassClass);
    if (FAILED(hr)) {
        com::UnregisterServerClass(kSubclassClass, 1, 0);
        com::UnregisterServerClass(kControlClass, 1, 0);
    }
    return hr;
}

STDAPI DllUnregisterServer() {
    com::UnregisterServerClass(kSubclassClass, 1, 0);
    return com::UnregisterServerClass(kControlClass, 1, 0);
}

}  // extern "C"
