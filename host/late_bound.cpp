// Late-bound calls through IDispatch::Invoke.
#include "late_bound.h"

#include "com/automation_error.h"

namespace host {
namespace {

HRESULT InvokeById(IDispatch* object, DISPID id, WORD flags, const std::vector<const VARIANT*>& declared,
                   com::Variant* result) {
    if (!object) return E_POINTER;
    // DISPPARAMS holds the arguments last first. The VARIANTs are shallow
    // copies: the Args keep owning their values.
    std::vector<VARIANT> reversed;
    reversed.reserve(declared.size());
    for (auto it = declared.rbegin(); it != declared.rend(); ++it) reversed.push_back(**it);
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), put ? &putId : nullptr,
                         static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    com::ExceptionInfo excep;
    UINT argErr = 0;
    com::Variant ignored;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                put ? nullptr : (result ? result->Out() : ignored.Out()), excep.Get(), &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (excep->pfnDeferredFillIn) excep->pfnDeferredFillIn(excep.Get());
        if (FAILED(excep->scode)) hr = excep->scode;
        else if (excep->wCode) hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, excep->wCode);
    }
    return hr;
}

}  // namespace

HRESULT CallById(IDispatch* object, DISPID id, const std::vector<Arg>& args, com::Variant* result) {
    std::vector<const VARIANT*> declared;
    for (const Arg& a : args) declared.push_back(&a.Value());
    return InvokeById(object, id, DISPATCH_METHOD, declared, result);
}

HRESULT GetById(IDispatch* object, DISPID id, com::Variant& result) {
    return InvokeById(object, id, DISPATCH_PROPERTYGET, {}, &result);
}

HRESULT PutById(IDispatch* object, DISPID id, const Arg& value) {
    return InvokeById(object, id, DISPATCH_PROPERTYPUT, {&value.Value()}, nullptr);
}

HRESULT GetById(IDispatch* object, DISPID id, const std::vector<Arg>& index, com::Variant& result) {
    std::vector<const VARIANT*> declared;
    for (const Arg& a : index) declared.push_back(&a.Value());
    return InvokeById(object, id, DISPATCH_PROPERTYGET, declared, &result);
}

HRESULT PutById(IDispatch* object, DISPID id, const std::vector<Arg>& index, const Arg& value) {
    std::vector<const VARIANT*> declared;
    for (const Arg& a : index) declared.push_back(&a.Value());
    declared.push_back(&value.Value());
    return InvokeById(object, id, DISPATCH_PROPERTYPUT, declared, nullptr);
}

HRESULT PutRefById(IDispatch* object, DISPID id, const Arg& value) {
    return InvokeById(object, id, DISPATCH_PROPERTYPUTREF, {&value.Value()}, nullptr);
}

}  // namespace host
