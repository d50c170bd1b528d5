// The property bag over a window's stored values.
#include "property_bag_of_values.h"

namespace host {

StoredProperties::iterator PropertyBagOfValues::Lookup(LPCOLESTR name) {
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (lstrcmpiW(it->first.c_str(), name) == 0) return it;
    }
    return values_.end();
}

STDMETHODIMP PropertyBagOfValues::Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) {
    if (!name || !value) return E_POINTER;
    auto it = Lookup(name);
    if (it == values_.end()) return E_INVALIDARG;
    const VARTYPE wanted = value->vt;
    com::Variant out;
    HRESULT hr = wanted == VT_EMPTY ? S_OK : it->second.ConvertTo(wanted, out);
    if (wanted == VT_EMPTY) out = it->second;
    if (FAILED(hr)) {
        if (log) {
            EXCEPINFO excep = {};
            excep.scode = hr;
            log->AddError(name, &excep);
        }
        return hr;
    }
    // The caller's VARIANT only names the type it wants; it holds nothing to free.
    *value = *out.Get();
    VariantInit(out.Get());  // ownership passed to the caller
    return S_OK;
}

STDMETHODIMP PropertyBagOfValues::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    com::Variant copy;
    // A by-reference value is stored as the value it refers to.
    HRESULT hr = VariantCopyInd(copy.Get(), value);
    if (FAILED(hr)) return hr;
    auto it = Lookup(name);
    if (it != values_.end()) it->second = std::move(copy);
    else values_.emplace_back(name, std::move(copy));
    return S_OK;
}

}  // namespace host
