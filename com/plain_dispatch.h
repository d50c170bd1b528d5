// IDispatch without type information, answered from a table of member names:
// for the small automation objects a program hands to late-bound callers.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>

#include "com/com_support.h"

namespace com {

struct NameId {
    const wchar_t* name;
    DISPID id;
};

// GetIDsOfNames over `table`, names compared without case. No member takes
// named arguments, so any name after the first is unknown.
template <size_t N>
HRESULT LookUpNames(const NameId (&table)[N], LPOLESTR* names, UINT count, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0)
            for (const NameId& e : table)
                if (lstrcmpiW(names[i], e.name) == 0) ids[i] = e.id;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

// The IUnknown and type-information half of such an object; GetIDsOfNames
// and Invoke are the object's own.
class PlainDispatch : public IDispatch, public RefCounted {
public:
    COM_REFCOUNT_METHODS(Find)
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return DISP_E_BADINDEX;
    }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IDispatch) return static_cast<IDispatch*>(this);
        return nullptr;
    }
};

}  // namespace com
