// Numbered automation errors of Skarvo: each carries its number, a source
// and a description to the caller through IErrorInfo, and through the
// EXCEPINFO of IDispatch::Invoke for late-bound callers such as scripts.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "com/com_support.h"

namespace skarvo {

// The error HRESULT of a numbered error: a number above 1000 is an object
// error (0x80040000 + number); one of 1000 or less is a plain error, which
// script engines show as that number.
inline HRESULT ErrorResult(long number) {
    return number > 1000 ? static_cast<HRESULT>(0x80040000u + static_cast<unsigned long>(number))
                         : static_cast<HRESULT>(0x800A0000u + static_cast<unsigned long>(number));
}

// Sets the thread's error information and returns `hr`, for the member to return.
inline HRESULT RaiseError(HRESULT hr, const std::wstring& source, const std::wstring& description, REFIID iid) {
    com::ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Out()))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(source.c_str()));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        auto info = create.As<IErrorInfo>(IID_IErrorInfo);
        SetErrorInfo(0, info.Get());
    }
    return hr;
}

// Turns a member's own error, as IDispatch::Invoke got it back, into the
// exception an automation caller reads; argument and dispatch errors pass as they are.
inline HRESULT ErrorToException(HRESULT hr, EXCEPINFO* excep) {
    if (SUCCEEDED(hr) || hr == DISP_E_EXCEPTION || HRESULT_FACILITY(hr) == FACILITY_DISPATCH || !excep) return hr;
    *excep = EXCEPINFO{};
    excep->scode = hr;
    com::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) == S_OK && info) {
        info->GetSource(&excep->bstrSource);
        info->GetDescription(&excep->bstrDescription);
    }
    return DISP_E_EXCEPTION;
}

}  // namespace skarvo
