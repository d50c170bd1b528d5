// What the Skarvo tests (and the menu benchmark) share: objects made straight
// from Skarvo.dll without registration, the control hosted on a window as a
// form hosts it, and the reading of an automation error.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com/com_support.h"
#include "com/variant.h"
#include "host/hosted_control.h"
#include "menu_images/skarvo_ids.h"
#include "menu_images/skarvo_typelib.h"
#include "tests/wine/wine_test_support.h"

namespace skarvo_test {

// A new object of class `clsid` from Skarvo.dll beside the test, asked for `iid`.
template <class T>
com::ComPtr<T> CreateFromDll(REFCLSID clsid, REFIID iid) {
    com::ComPtr<T> object;
    static HMODULE dll = LoadLibraryW(skarvo::kDllName);
    if (!dll) return object;
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    com::ComPtr<IClassFactory> factory;
    if (!get || FAILED(get(clsid, IID_IClassFactory, factory.OutVoid()))) return object;
    factory->CreateInstance(nullptr, iid, object.OutVoid());
    return object;
}

// `object` asked for another of its interfaces.
template <class T>
com::ComPtr<T> QueryAs(IUnknown* object, REFIID iid) {
    com::ComPtr<T> out;
    if (object) object->QueryInterface(iid, out.OutVoid());
    return out;
}

// The menu bar of the tests' host window: File (Open, a separator, Exit)
// and Port (two ports captioned `lpt1` and `lpt2`).
constexpr UINT kOpen = 101, kExit = 102, kLpt1 = 201, kLpt2 = 202;
struct HostMenuBar {
    HMENU bar, file, port;
};
inline HostMenuBar MakeHostMenuBar(const char* lpt1, const char* lpt2) {
    std::vector<HMENU> popups;
    const HMENU bar = wine_test::MakeMenuBar(
        {{"&File", {{kOpen, "&Open\tCtrl+O"}, {0, nullptr}, {kExit, "E&xit"}}}, {"&Port", {{kLpt1, lpt1}, {kLpt2, lpt2}}}},
        &popups);
    return {bar, popups[0], popups[1]};
}

// DTPSkarvo1 from Skarvo.dll on `parent`, loaded from an empty property bag;
// a caller may change the rest (stored values, ambient user mode) before hosting.
inline host::ControlSpec MenusSpec(HWND parent, const host::TwipsRect& position, const host::EventHandlers* handlers) {
    host::ControlSpec setup;
    setup.name = "DTPSkarvo1";
    setup.source = host::ControlSource::FromDll(skarvo::kDllName, CLSID_DTPSkarvo);
    setup.parent = parent;
    setup.position = position;
    setup.stored = host::StoredProperties{};
    setup.handlers = handlers;
    return setup;
}

// Hosts the control `setup` describes; `menus` receives its _DTPSkarvo interface.
inline HRESULT HostMenus(const host::ControlSpec& setup, std::unique_ptr<host::HostedControl>& control,
                         com::ComPtr<_DTPSkarvo>& menus) {
    const HRESULT hr = host::HostedControl::Create(setup, control);
    if (SUCCEEDED(hr) && control->Dispatch()) menus = QueryAs<_DTPSkarvo>(control->Dispatch(), IID__DTPSkarvo);
    return hr;
}

// The thread's error information as the last failing member left it.
struct ErrorText {
    std::wstring source;
    std::wstring description;
};
inline ErrorText TakeErrorInfo() {
    ErrorText text;
    com::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) != S_OK || !info) return text;
    BSTR s = nullptr;
    if (SUCCEEDED(info->GetSource(&s)) && s) text.source = s;
    SysFreeString(s);
    s = nullptr;
    if (SUCCEEDED(info->GetDescription(&s)) && s) text.description = s;
    SysFreeString(s);
    return text;
}

// An automation object answering a fixed set of members by name; enough to
// stand for a host form and its menu controls.
class FakeObject final : public IDispatch, public com::RefCounted {
public:
    using Member = std::function<HRESULT(DISPPARAMS*, VARIANT*)>;
    COM_REFCOUNT_METHODS(Find)

    void Add(std::wstring name, Member member) { members_.emplace_back(std::move(name), std::move(member)); }
    void AddValue(const std::wstring& name, const com::Variant& value) {
        Add(name, [value](DISPPARAMS*, VARIANT* out) { return out ? VariantCopy(out, const_cast<VARIANT*>(&value.Ref())) : S_OK; });
    }

    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        for (size_t i = 0; i < members_.size(); ++i)
            if (lstrcmpiW(members_[i].first.c_str(), names[0]) == 0) {
                ids[0] = static_cast<DISPID>(i + 1);
                return S_OK;
            }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
        if (result) VariantInit(result);
        return members_[static_cast<size_t>(id - 1)].second(params, result);
    }

private:
    void* Find(REFIID iid) {
        return iid == IID_IUnknown || iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
    }
    std::vector<std::pair<std::wstring, Member>> members_;
};

}  // namespace skarvo_test
