// GSubclass. Scripts pass the client object as whatever kind of variable
// they hold it in (an object, or a reference to one), so AttachMessage and
// DetachMessage take their arguments here rather than through the type
// information, and ask the object for its _ISubclass interface.
#include "menu_images/gsubclass.h"

#include "com/automation_error.h"
#include "com/com_support.h"
#include "com/text.h"
#include "com/variant.h"
#include "menu_images/msubclass.h"
#include "menu_images/skarvo_ids.h"
#include "menu_images/skarvo_typelib.h"

namespace skarvo {
namespace {

// Window handles pass as 32-bit numbers in both libraries: the system keeps
// them within 32 significant bits, sign-extended in a 64-bit process.
HWND WindowFromNumber(long hwnd) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd)); }

class GSubclass final : public com::DispatchOver<_GSubclass>, public ISupportErrorInfo, public com::RefCounted {
public:
    GSubclass() : DispatchOver(IID__GSubclass) {}

    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP AttachMessage(_ISubclass** iwp, LONG hwnd, LONG iMsg) override {
        if (!iwp || !*iwp) return E_POINTER;
        const long error = MSubclass::AttachMessage(*iwp, WindowFromNumber(hwnd), static_cast<UINT>(iMsg));
        return error ? MSubclass::RaiseSubclassError(error) : S_OK;
    }
    STDMETHODIMP CallOldWindowProc(LONG hwnd, LONG iMsg, LONG_PTR wParam, LONG_PTR lParam, LONG_PTR* result) override {
        if (!result) return E_POINTER;
        *result = MSubclass::CallOldWindowProc(WindowFromNumber(hwnd), static_cast<UINT>(iMsg),
                                               static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
        return S_OK;
    }
    STDMETHODIMP get_CurrentMessage(LONG* message) override {
        if (!message) return E_POINTER;
        *message = static_cast<LONG>(MSubclass::CurrentMessage());
        return S_OK;
    }
    STDMETHODIMP DetachMessage(_ISubclass** iwp, LONG hwnd, LONG iMsg) override {
        if (!iwp || !*iwp) return E_POINTER;
        MSubclass::DetachMessage(*iwp, WindowFromNumber(hwnd), static_cast<UINT>(iMsg));
        return S_OK;
    }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == IID__GSubclass ? S_OK : S_FALSE;
    }

    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if ((id != kDispAttachMessage && id != kDispDetachMessage) || !(flags & DISPATCH_METHOD))
            return com::ErrorToException(DispatchOver::Invoke(id, iid, lcid, flags, params, result, excep, argErr),
                                         excep);
        if (!params) return E_INVALIDARG;
        if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
        if (params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
        // Arguments arrive last first: iMsg, hwnd, iwp.
        com::ComPtr<_ISubclass> client;
        VARIANT* object = &params->rgvarg[2];
        if (V_VT(object) == (VT_VARIANT | VT_BYREF)) object = V_VARIANTREF(object);
        IUnknown* unknown = nullptr;
        switch (V_VT(object)) {
        case VT_DISPATCH: unknown = V_DISPATCH(object); break;
        case VT_UNKNOWN: unknown = V_UNKNOWN(object); break;
        case VT_DISPATCH | VT_BYREF: unknown = *V_DISPATCHREF(object); break;
        case VT_UNKNOWN | VT_BYREF: unknown = *V_UNKNOWNREF(object); break;
        default: break;
        }
        if (unknown) unknown->QueryInterface(IID__ISubclass, client.OutVoid());
        if (!client) {
            if (argErr) *argErr = 2;
            return DISP_E_TYPEMISMATCH;
        }
        long hwnd = 0, message = 0;
        if (FAILED(com::Variant(params->rgvarg[1]).ToLong(hwnd))) {
            if (argErr) *argErr = 1;
            return DISP_E_TYPEMISMATCH;
        }
        if (FAILED(com::Variant(params->rgvarg[0]).ToLong(message))) {
            if (argErr) *argErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        _ISubclass* raw = client.Get();
        const HRESULT hr = id == kDispAttachMessage ? AttachMessage(&raw, hwnd, message)
                                                    : DetachMessage(&raw, hwnd, message);
        if (result) VariantInit(result);
        return com::ErrorToException(hr, excep);
    }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__GSubclass) return static_cast<_GSubclass*>(this);
        if (iid == IID_ISupportErrorInfo) return static_cast<ISupportErrorInfo*>(this);
        return nullptr;
    }
};

}  // namespace

HRESULT CreateGSubclass(REFIID iid, void** out) { return com::CreateObject<GSubclass>(iid, out); }

std::wstring LibraryName() {
    std::wstring name = com::AnsiToWide(com::ModulePath(com::ThisModule()));
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

}  // namespace skarvo
