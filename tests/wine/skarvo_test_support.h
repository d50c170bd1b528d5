// What the Skarvo tests share: objects made straight from Skarvo.dll
// without registration, and the reading of an automation error.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "com/com_support.h"
#include "menu_images/skarvo_ids.h"
#include "menu_images/skarvo_typelib.h"

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

}  // namespace skarvo_test
