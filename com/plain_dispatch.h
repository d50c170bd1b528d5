// IDispatch without type information, answered from a table of member names:
// for the small automation objects a program hands to late-bound callers.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>

#include "com/automation_error.h"
#include "com/com_support.h"
#include "com/variant.h"

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

// Whether a call reads a member: a property get, or a method call that
// stands for one.
inline bool IsRead(WORD flags) { return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0; }

// An argument converted to `type` in `out`; false when it is missing or does not convert.
inline bool ArgumentAs(const VARIANT* v, VARTYPE type, VARIANT& out) {
    VariantInit(&out);
    return v && SUCCEEDED(VariantChangeType(&out, const_cast<VARIANT*>(v), 0, type));
}

// Hands a value to the caller's result slot, when the caller gave one.
inline HRESULT HandResult(Variant& v, VARIANT* result) {
    if (!result) return S_OK;
    VariantInit(result);
    return VariantCopy(result, v.Get());
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
