// The port-access component: an in-process COM object whose dispatch
// interface writes a byte to an I/O address (dispatch id 2, arguments by
// value or by reference, never written back).
#include <windows.h>

#include <string>

#include "com/dll_entry_points.h"
#include "com/text.h"
#include "hwinterface_h.h"
#include "port_backend.h"
#include "port_trace.h"

namespace {

constexpr DISPID kDispOut = 2;

// Reads a VARIANT argument (by value or by reference) as a 32-bit integer.
HRESULT IntegerArgument(const VARIANT& arg, long& out) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = VariantChangeType(&v, const_cast<VARIANT*>(&arg), 0, VT_I4);
    if (SUCCEEDED(hr)) out = v.lVal;
    VariantClear(&v);
    return hr;
}

class Hwinterface final : public com::DispatchOver<_Hwinterface>, public com::RefCounted {
public:
    Hwinterface() : DispatchOver(IID__Hwinterface), backend_(port_access::PortBackend::Instance()) {}

    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP Inp(VARIANT address, short* value) override {
        if (!value) return E_POINTER;
        long a = 0;
        HRESULT hr = IntegerArgument(address, a);
        if (FAILED(hr)) return hr;
        *value = backend_.Read(static_cast<uint16_t>(a));
        return S_OK;
    }

    STDMETHODIMP Out(VARIANT address, VARIANT value) override {
        long a = 0, v = 0;
        HRESULT hr = IntegerArgument(address, a);
        if (SUCCEEDED(hr)) hr = IntegerArgument(value, v);
        if (FAILED(hr)) return hr;
        Write(static_cast<uint16_t>(a), static_cast<uint8_t>(v));
        return S_OK;
    }

    STDMETHODIMP get_Backend(BSTR* name) override {
        if (!name) return E_POINTER;
        *name = SysAllocString(backend_.Real() ? com::AnsiToWide(port_access::kDriverName).c_str() : L"simulated");
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    // The port write is answered here rather than through the type information,
    // so that by-reference arguments of any integer type are read in place and
    // never coerced or written back.
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (id != kDispOut) return DispatchOver::Invoke(id, iid, lcid, flags, params, result, excep, argErr);
        if (!(flags & DISPATCH_METHOD) || !params) return DISP_E_MEMBERNOTFOUND;
        if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
        // Arguments arrive last first.
        long a = 0, v = 0;
        if (FAILED(IntegerArgument(params->rgvarg[1], a))) {
            if (argErr) *argErr = 1;
            return DISP_E_TYPEMISMATCH;
        }
        if (FAILED(IntegerArgument(params->rgvarg[0], v))) {
            if (argErr) *argErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        Write(static_cast<uint16_t>(a), static_cast<uint8_t>(v));
        if (result) VariantInit(result);
        return S_OK;
    }

private:
    void Write(uint16_t address, uint8_t value) {
        backend_.Write(address, value);
        trace_.Record(address, value);
    }

    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__Hwinterface)
            return static_cast<_Hwinterface*>(this);
        return nullptr;
    }

    port_access::PortBackend& backend_;
    port_access::PortTrace trace_;
};

const com::ServerClass kClasses[] = {{CLSID_Hwinterface, "HWINTERFACELib.Hwinterface", "Quelmar port access",
                                      "Apartment", false, LIBID_HWINTERFACELib, 1, 0,
                                      com::GetFactory<com::CreateObject<Hwinterface>>}};

}  // namespace

COM_DLL_ENTRY_POINTS(kClasses)
