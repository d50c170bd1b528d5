// The four entry points of an in-process COM server, over the table of the
// classes it serves: each library names its table once with
// COM_DLL_ENTRY_POINTS(table) in one of its source files.
#pragma once

#include <windows.h>

#include <cstddef>

#include "com/com_support.h"

namespace com {

template <size_t N>
HRESULT GetClassObject(const ServerClass (&classes)[N], REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const ServerClass& c : classes)
        if (clsid == c.clsid) return c.getFactory(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

// Removes every class, the last first; what another registration of the
// other width shares stays.
template <size_t N>
HRESULT UnregisterServerClasses(const ServerClass (&classes)[N]) {
    for (size_t i = N; i-- > 0;) UnregisterServerClass(classes[i]);
    return S_OK;
}

// Registers every class in order; when one fails, the whole registration
// is removed and its error returned.
template <size_t N>
HRESULT RegisterServerClasses(const ServerClass (&classes)[N]) {
    for (const ServerClass& c : classes) {
        const HRESULT hr = RegisterServerClass(c);
        if (FAILED(hr)) {
            UnregisterServerClasses(classes);
            return hr;
        }
    }
    return S_OK;
}

}  // namespace com

#define COM_DLL_ENTRY_POINTS(classes)                                                                 \
    extern "C" {                                                                                      \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {                                \
        return com::GetClassObject(classes, clsid, iid, out);                                         \
    }                                                                                                 \
    STDAPI DllCanUnloadNow() { return com::ModuleCount() == 0 ? S_OK : S_FALSE; }                     \
    STDAPI DllRegisterServer() { return com::RegisterServerClasses(classes); }                        \
    STDAPI DllUnregisterServer() { return com::UnregisterServerClasses(classes); }                    \
    }
