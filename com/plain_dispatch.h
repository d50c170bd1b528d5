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

// Argument `n` (0 = first) of a call, or nullptr when it was not given.
inline const VARIANT* Argument(const DISPPARAMS* params, UINT n) {
    if (!params || n >= params->cArgs) return nullptr;
    const VARIANT* v = &params->rgvarg[params->cArgs - 1 - n];
    if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    if (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND) return nullptr;
    return v;
}

// Fills `excep` for a numbered error of `source`, for Invoke to return.
inline HRESULT NumberedError(EXCEPINFO* excep, const wchar_t* source, HRESULT code, const wchar_t* description) {
    if (excep) {
        *excep = EXCEPINFO{};
        excep->scode = code;
        excep->bstrSource = SysAllocString(source);
        excep->bstrDescription = SysAllocString(description);
    }
    return DISP_E_EXCEPTION;
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
