// A control's stored properties in a stream, for containers that keep
// controls through IPersistStreamInit: the control writes to and reads from
// a property bag in memory, exactly as with a container's property bag, and
// the bag's entries go to the stream in the order they were written.
//
// Stream layout (little-endian): "QPB1", the entry count (32 bits), then per
// entry the name (32-bit length in UTF-16 units, the units), the VARTYPE (16
// bits) and the value: I2/BOOL 2 bytes; I4/UI4/R4/ERROR 4; R8/CY/DATE 8;
// BSTR a 32-bit length and the units; DISPATCH/UNKNOWN the object through
// OleSaveToStream (a font, for one); EMPTY nothing.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <ole2.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "com/com_support.h"
#include "com/variant.h"

namespace com {

class MemoryPropertyBag final : public RefCounted, public IPropertyBag {
public:
    using Entries = std::vector<std::pair<std::wstring, Variant>>;

    COM_REFCOUNT_METHODS(Find)

    // A missing name reads as E_INVALIDARG ("use the default"); a caller that
    // asks for a type gets the value converted to it.
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        auto it = Lookup(name);
        if (it == entries_.end()) return E_INVALIDARG;
        const VARTYPE asked = value->vt;
        VariantInit(value);
        if (asked == VT_EMPTY) return VariantCopy(value, it->second.Get());
        return VariantChangeType(value, it->second.Get(), 0, asked);
    }
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
        if (!name || !value) return E_POINTER;
        Variant copy(*value);
        auto it = Lookup(name);
        if (it != entries_.end()) it->second = std::move(copy);
        else entries_.emplace_back(name, std::move(copy));
        return S_OK;
    }

    const Entries& Values() const { return entries_; }

    HRESULT SaveTo(IStream* stream) const {
        if (!stream) return E_POINTER;
        HRESULT hr = WriteBytes(stream, kMagic, 4);
        if (SUCCEEDED(hr)) hr = WriteDword(stream, static_cast<DWORD>(entries_.size()));
        for (const auto& [name, value] : entries_) {
            if (FAILED(hr)) break;
            hr = WriteText(stream, name.data(), name.size());
            if (SUCCEEDED(hr)) hr = WriteValue(stream, value.Ref());
        }
        return hr;
    }

    // Reads the whole stream's entries; on any fault the bag stays empty, so
    // a damaged stream sets no property at all.
    HRESULT LoadFrom(IStream* stream) {
        if (!stream) return E_POINTER;
        entries_.clear();
        Entries read;
        char magic[4] = {};
        HRESULT hr = ReadBytes(stream, magic, 4);
        if (SUCCEEDED(hr) && memcmp(magic, kMagic, 4) != 0) hr = STG_E_INVALIDHEADER;
        DWORD count = 0;
        if (SUCCEEDED(hr)) hr = ReadDword(stream, count);
        if (SUCCEEDED(hr) && count > kMaxEntries) hr = STG_E_DOCFILECORRUPT;
        for (DWORD i = 0; SUCCEEDED(hr) && i < count; ++i) {
            std::wstring name;
            Variant value;
            hr = ReadText(stream, name);
            if (SUCCEEDED(hr)) hr = ReadValue(stream, value);
            if (SUCCEEDED(hr)) read.emplace_back(std::move(name), std::move(value));
        }
        if (SUCCEEDED(hr)) entries_ = std::move(read);
        return hr;
    }

private:
    static constexpr char kMagic[4] = {'Q', 'P', 'B', '1'};
    static constexpr DWORD kMaxEntries = 4096;
    static constexpr DWORD kMaxText = 16u << 20;  // UTF-16 units of one name or string

    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IPropertyBag) return static_cast<IPropertyBag*>(this);
        return nullptr;
    }
    Entries::iterator Lookup(LPCOLESTR name) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (lstrcmpiW(it->first.c_str(), name) == 0) return it;
        return entries_.end();
    }

    static HRESULT WriteBytes(IStream* s, const void* data, ULONG size) {
        ULONG written = 0;
        HRESULT hr = s->Write(data, size, &written);
        if (SUCCEEDED(hr) && written != size) hr = STG_E_MEDIUMFULL;
        return hr;
    }
    static HRESULT ReadBytes(IStream* s, void* data, ULONG size) {
        ULONG got = 0;
        HRESULT hr = s->Read(data, size, &got);
        if (SUCCEEDED(hr) && got != size) hr = STG_E_READFAULT;
        return hr;
    }
    static HRESULT WriteDword(IStream* s, DWORD v) { return WriteBytes(s, &v, sizeof v); }
    static HRESULT ReadDword(IStream* s, DWORD& v) { return ReadBytes(s, &v, sizeof v); }
    static HRESULT WriteText(IStream* s, const wchar_t* text, size_t length) {
        HRESULT hr = WriteDword(s, static_cast<DWORD>(length));
        if (SUCCEEDED(hr) && length) hr = WriteBytes(s, text, static_cast<ULONG>(length * sizeof(wchar_t)));
        return hr;
    }
    static HRESULT ReadText(IStream* s, std::wstring& text) {
        DWORD length = 0;
        HRESULT hr = ReadDword(s, length);
        if (FAILED(hr)) return hr;
        if (length > kMaxText) return STG_E_DOCFILECORRUPT;
        text.assign(length, L'\0');
        return length ? ReadBytes(s, text.data(), length * sizeof(wchar_t)) : S_OK;
    }

    static HRESULT WriteValue(IStream* s, const VARIANT& v) {
        VARTYPE vt = v.vt;
        IUnknown* object = (vt == VT_DISPATCH || vt == VT_UNKNOWN) ? v.punkVal : nullptr;
        if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && !object) vt = VT_EMPTY;
        HRESULT hr = WriteBytes(s, &vt, sizeof vt);
        if (FAILED(hr)) return hr;
        switch (vt) {
        case VT_EMPTY: return S_OK;
        case VT_I2: case VT_BOOL: return WriteBytes(s, &v.iVal, 2);
        case VT_I4: case VT_UI4: case VT_R4: case VT_ERROR: return WriteBytes(s, &v.lVal, 4);
        case VT_R8: case VT_CY: case VT_DATE: return WriteBytes(s, &v.dblVal, 8);
        case VT_BSTR: return WriteText(s, v.bstrVal, v.bstrVal ? SysStringLen(v.bstrVal) : 0);
        case VT_DISPATCH: case VT_UNKNOWN: {
            ComPtr<IPersistStream> persist;
            hr = object->QueryInterface(IID_IPersistStream, persist.OutVoid());
            return FAILED(hr) ? DISP_E_BADVARTYPE : OleSaveToStream(persist.Get(), s);
        }
        default: return DISP_E_BADVARTYPE;
        }
    }
    static HRESULT ReadValue(IStream* s, Variant& out) {
        VARTYPE vt = VT_EMPTY;
        HRESULT hr = ReadBytes(s, &vt, sizeof vt);
        if (FAILED(hr)) return hr;
        VARIANT v;
        VariantInit(&v);
        switch (vt) {
        case VT_EMPTY: break;
        case VT_I2: case VT_BOOL: hr = ReadBytes(s, &v.iVal, 2); break;
        case VT_I4: case VT_UI4: case VT_R4: case VT_ERROR: hr = ReadBytes(s, &v.lVal, 4); break;
        case VT_R8: case VT_CY: case VT_DATE: hr = ReadBytes(s, &v.dblVal, 8); break;
        case VT_BSTR: {
            std::wstring text;
            hr = ReadText(s, text);
            if (SUCCEEDED(hr)) out = Variant(text);
            return hr;
        }
        case VT_DISPATCH: case VT_UNKNOWN: {
            ComPtr<IUnknown> object;
            hr = OleLoadFromStream(s, vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, object.OutVoid());
            if (FAILED(hr)) return hr;
            VARIANT o;
            VariantInit(&o);
            o.vt = vt;
            o.punkVal = object.Detach();
            out = Variant(o);
            VariantClear(&o);
            return S_OK;
        }
        default: return STG_E_DOCFILECORRUPT;
        }
        if (FAILED(hr)) return hr;
        v.vt = vt;
        out = Variant(v);
        return S_OK;
    }

    Entries entries_;
};

}  // namespace com
