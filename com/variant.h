// Owners of automation values: a VARIANT cleared when it goes, a BSTR freed
// when it goes, and the conversions the controls and the host need.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace com {

// Boolean of the automation interfaces: 0 false, -1 true.
inline VARIANT_BOOL ToVariantBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text)
        : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) {
            SysFreeString(s_);
            s_ = std::exchange(o.s_, nullptr);
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(s_); }

    BSTR Get() const { return s_; }
    BSTR* Out() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR Detach() { return std::exchange(s_, nullptr); }
    std::wstring Text() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

private:
    BSTR s_ = nullptr;
};

// Owns one VARIANT. A by-reference VARIANT only points at the caller's
// variable, which clearing leaves alone.
class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(int n) : Variant(static_cast<long>(n)) {}
    Variant(long n) {
        VariantInit(&v_);
        v_.vt = VT_I4;
        v_.lVal = n;
    }
    Variant(short n) {
        VariantInit(&v_);
        v_.vt = VT_I2;
        v_.iVal = n;
    }
    Variant(bool b) {
        VariantInit(&v_);
        v_.vt = VT_BOOL;
        v_.boolVal = ToVariantBool(b);
    }
    Variant(const wchar_t* text) : Variant(std::wstring(text ? text : L"")) {}
    Variant(const std::wstring& text) {
        VariantInit(&v_);
        v_.vt = VT_BSTR;
        v_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!v_.bstrVal) v_.vt = VT_EMPTY;
    }
    // Takes a reference to the object.
    explicit Variant(IDispatch* object) {
        VariantInit(&v_);
        v_.vt = VT_DISPATCH;
        v_.pdispVal = object;
        if (object) object->AddRef();
    }
    // A handle or an address as the host's LongPtr: VT_I4 in a 32-bit
    // process, VT_I8 in a 64-bit one.
    static Variant PointerSized(LONG_PTR n) {
        Variant r;
        if constexpr (sizeof(LONG_PTR) == 8) {
            r.v_.vt = VT_I8;
            r.v_.llVal = n;
        } else {
            r.v_.vt = VT_I4;
            r.v_.lVal = static_cast<LONG>(n);
        }
        return r;
    }
    // A deep copy of any VARIANT.
    explicit Variant(const VARIANT& other) {
        VariantInit(&v_);
        VariantCopy(&v_, const_cast<VARIANT*>(&other));
    }
    Variant(const Variant& other) : Variant(other.v_) {}
    Variant& operator=(const Variant& other) {
        if (this != &other) {
            VariantClear(&v_);
            VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
        }
        return *this;
    }
    Variant(Variant&& other) noexcept {
        v_ = other.v_;
        VariantInit(&other.v_);
    }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&v_);
            v_ = other.v_;
            VariantInit(&other.v_);
        }
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    // A VARIANT that refers to the caller's variable of type `vt` at `target`.
    static Variant Reference(VARTYPE vt, void* target) {
        Variant r;
        r.v_.vt = static_cast<VARTYPE>(vt | VT_BYREF);
        r.v_.byref = target;
        return r;
    }

    const VARIANT& Ref() const { return v_; }
    VARIANT* Get() { return &v_; }
    // Clears the value and hands out the slot, for out-parameters.
    VARIANT* Out() {
        VariantClear(&v_);
        return &v_;
    }
    VARTYPE Type() const { return v_.vt; }
    // A copy of the value into the caller's VARIANT, for a result.
    HRESULT Copy(VARIANT* out) const {
        if (!out) return S_OK;
        VariantInit(out);
        return VariantCopy(out, const_cast<VARIANT*>(&v_));
    }

    // The value converted to `vt` (a by-reference value is read through);
    // fails with the conversion's error and leaves `out` alone.
    HRESULT ConvertTo(VARTYPE vt, Variant& out) const {
        Variant converted;
        HRESULT hr = VariantChangeType(converted.Get(), const_cast<VARIANT*>(&v_), 0, vt);
        if (SUCCEEDED(hr)) out = std::move(converted);
        return hr;
    }
    HRESULT ToLong(long& out) const {
        Variant c;
        HRESULT hr = ConvertTo(VT_I4, c);
        if (SUCCEEDED(hr)) out = c.v_.lVal;
        return hr;
    }
    // The value as a handle or an address: converted to VT_I8 in a 64-bit
    // process, to VT_I4 in a 32-bit one, where a wider value cannot be one.
    HRESULT ToPointerSized(LONG_PTR& out) const {
        Variant c;
        HRESULT hr = ConvertTo(sizeof(LONG_PTR) == 8 ? VT_I8 : VT_I4, c);
        if (SUCCEEDED(hr)) out = sizeof(LONG_PTR) == 8 ? static_cast<LONG_PTR>(c.v_.llVal) : c.v_.lVal;
        return hr;
    }
    // Any nonzero value counts as true.
    HRESULT ToBool(bool& out) const {
        Variant c;
        HRESULT hr = ConvertTo(VT_BOOL, c);
        if (SUCCEEDED(hr)) out = c.v_.boolVal != 0;
        return hr;
    }
    HRESULT ToString(std::wstring& out) const {
        Variant c;
        HRESULT hr = ConvertTo(VT_BSTR, c);
        if (SUCCEEDED(hr)) out = c.v_.bstrVal ? std::wstring(c.v_.bstrVal, SysStringLen(c.v_.bstrVal)) : L"";
        return hr;
    }

private:
    VARIANT v_;
};

}  // namespace com
