// Reading and writing a control's stored properties through the container's
// property bag: each value has a name and a default; a missing entry reads as
// the default, and a value equal to its default is not written.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "com/variant.h"

namespace com {

// Reads `name` converted to `vt`. A missing entry gives `def` and S_OK; an
// entry that cannot be converted fails with the conversion's error.
inline HRESULT ReadPropertyAs(IPropertyBag* bag, const wchar_t* name, VARTYPE vt, const Variant& def, Variant& out) {
    if (!bag) return E_POINTER;
    Variant read;
    HRESULT hr = bag->Read(name, read.Get(), nullptr);
    if (FAILED(hr)) {
        // The bag's way of saying "no such entry".
        if (hr == E_INVALIDARG || hr == HRESULT_FROM_WIN32(ERROR_NOT_FOUND) || hr == DISP_E_MEMBERNOTFOUND) {
            out = def;
            return S_OK;
        }
        return hr;
    }
    return read.ConvertTo(vt, out);
}

inline HRESULT ReadLong(IPropertyBag* bag, const wchar_t* name, long def, long& out) {
    Variant v;
    HRESULT hr = ReadPropertyAs(bag, name, VT_I4, Variant(def), v);
    if (SUCCEEDED(hr)) hr = v.ToLong(out);
    return hr;
}

inline HRESULT ReadBool(IPropertyBag* bag, const wchar_t* name, bool def, bool& out) {
    Variant v;
    HRESULT hr = ReadPropertyAs(bag, name, VT_BOOL, Variant(def), v);
    if (SUCCEEDED(hr)) hr = v.ToBool(out);
    return hr;
}

inline HRESULT ReadString(IPropertyBag* bag, const wchar_t* name, const std::wstring& def, std::wstring& out) {
    Variant v;
    HRESULT hr = ReadPropertyAs(bag, name, VT_BSTR, Variant(def), v);
    if (SUCCEEDED(hr)) hr = v.ToString(out);
    return hr;
}

inline HRESULT WriteValue(IPropertyBag* bag, const wchar_t* name, Variant value) {
    if (!bag) return E_POINTER;
    return bag->Write(name, value.Get());
}

inline HRESULT WriteLong(IPropertyBag* bag, const wchar_t* name, long value, long def) {
    return value == def ? S_OK : WriteValue(bag, name, Variant(value));
}

inline HRESULT WriteBool(IPropertyBag* bag, const wchar_t* name, bool value, bool def) {
    return value == def ? S_OK : WriteValue(bag, name, Variant(value));
}

inline HRESULT WriteString(IPropertyBag* bag, const wchar_t* name, const std::wstring& value,
                           const std::wstring& def) {
    return value == def ? S_OK : WriteValue(bag, name, Variant(value));
}

}  // namespace com
