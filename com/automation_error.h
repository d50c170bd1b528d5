// Automation errors as a script's Err shows them: a number, a source and a
// description, carried through the thread's IErrorInfo to early-bound
// callers and through the EXCEPINFO of IDispatch::Invoke to late-bound ones.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "com/com_support.h"

namespace com {

// The error HRESULT of a numbered error: a number above 1000 is an object
// error (0x80040000 + number); one of 1000 or less is a plain error, which
// script engines show as that number.
inline HRESULT ErrorResult(long number) {
    return number > 1000 ? static_cast<HRESULT>(0x80040000u + static_cast<unsigned long>(number))
                         : static_cast<HRESULT>(0x800A0000u + static_cast<unsigned long>(number));
}

// Sets the thread's error information and returns `hr`, for the member to return.
inline HRESULT RaiseError(HRESULT hr, const std::wstring& source, const std::wstring& description, REFIID iid) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Out()))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(source.c_str()));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        auto info = create.As<IErrorInfo>(IID_IErrorInfo);
        SetErrorInfo(0, info.Get());
    }
    return hr;
}

// Fills `excep` for Invoke to return; a caller that gave no EXCEPINFO gets
// the error itself, as there is nowhere to put its text.
inline HRESULT NumberedError(EXCEPINFO* excep, const wchar_t* source, HRESULT code, const wchar_t* description) {
    if (!excep) return code;
    *excep = EXCEPINFO{};
    excep->scode = code;
    excep->bstrSource = SysAllocString(source);
    excep->bstrDescription = SysAllocString(description);
    return DISP_E_EXCEPTION;
}

// Turns a member's own error, as IDispatch::Invoke got it back, into the
// exception an automation caller reads, its text from the thread's error
// information; argument and dispatch errors pass as they are.
inline HRESULT ErrorToException(HRESULT hr, EXCEPINFO* excep) {
    if (SUCCEEDED(hr) || hr == DISP_E_EXCEPTION || HRESULT_FACILITY(hr) == FACILITY_DISPATCH || !excep) return hr;
    *excep = EXCEPINFO{};
    excep->scode = hr;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) == S_OK && info) {
        info->GetSource(&excep->bstrSource);
        info->GetDescription(&excep->bstrDescription);
    }
    return DISP_E_EXCEPTION;
}

// The EXCEPINFO a caller hands to Invoke; frees the strings the callee put in it.
class ExceptionInfo {
public:
    ExceptionInfo() = default;
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo() {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }
    EXCEPINFO* Get() { return &info_; }
    EXCEPINFO* operator->() { return &info_; }

private:
    EXCEPINFO info_ = {};
};

}  // namespace com
