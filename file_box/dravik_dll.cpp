// Entry points of Dravik.dll, an in-process control server with one class,
// FileBrowser ("Dravik.FileBrowser").
#include <windows.h>

#include "com/com_support.h"
#include "dravik_h.h"
#include "file_browser.h"

namespace {

const com::ServerClass kClass = {CLSID_FileBrowser, "Dravik.FileBrowser", "File-selection box", "Apartment",
                                 true, LIBID_Dravik, "1.0"};

}  // namespace

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_FileBrowser) return CLASS_E_CLASSNOTAVAILABLE;
    return com::GetFactory<dravik::CreateFileBrowser>(iid, out);
}

STDAPI DllCanUnloadNow() { return com::ModuleCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return com::RegisterServerClass(kClass); }

STDAPI DllUnregisterServer() { return com::UnregisterServerClass(kClass, 1, 0); }

}  // extern "C"
