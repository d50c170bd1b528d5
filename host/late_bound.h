// Late-bound calls by dispatch id, as the main window makes them to its
// hosted controls: a method call, a property get, and a property put, with
// each argument passed by value or by reference to the caller's variable.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "com/variant.h"

namespace host {

// One argument: a value, or a reference to a variable of the caller, which
// the called member may read and (when it declares so) write.
class Arg {
public:
    static Arg Val(short v) { return Arg(com::Variant(v)); }
    static Arg Val(long v) { return Arg(com::Variant(v)); }
    static Arg Val(int v) { return Arg(com::Variant(static_cast<long>(v))); }
    static Arg Val(bool v) { return Arg(com::Variant(v)); }
    static Arg Val(const std::wstring& v) { return Arg(com::Variant(v)); }
    static Arg Val(const wchar_t* v) { return Arg(com::Variant(v)); }
    static Arg Val(const VARIANT& v) { return Arg(com::Variant(v)); }

    static Arg Ref(short& v) { return Arg(com::Variant::Reference(VT_I2, &v)); }
    static Arg Ref(long& v) { return Arg(com::Variant::Reference(VT_I4, &v)); }
    static Arg Ref(BSTR& v) { return Arg(com::Variant::Reference(VT_BSTR, &v)); }
    static Arg Ref(VARIANT& v) { return Arg(com::Variant::Reference(VT_VARIANT, &v)); }
    // VARIANT_BOOL is a short too, hence its own name.
    static Arg RefBool(VARIANT_BOOL& v) { return Arg(com::Variant::Reference(VT_BOOL, &v)); }

    const VARIANT& Value() const { return value_.Ref(); }

private:
    explicit Arg(com::Variant v) : value_(std::move(v)) {}
    com::Variant value_;
};

// Calls method `id` with `args` in their declared order; the return value, if
// any, goes to `result`. Returns the call's error, the member's own error
// code when it raised one.
HRESULT CallById(IDispatch* object, DISPID id, const std::vector<Arg>& args = {}, com::Variant* result = nullptr);

// Reads property `id`.
HRESULT GetById(IDispatch* object, DISPID id, com::Variant& result);

// Sets property `id` to `value` (a property let).
HRESULT PutById(IDispatch* object, DISPID id, const Arg& value);

// Reads indexed property `id` (an item's property given by its key or index).
HRESULT GetById(IDispatch* object, DISPID id, const std::vector<Arg>& index, com::Variant& result);

// Sets indexed property `id` of the item `index` names to `value`.
HRESULT PutById(IDispatch* object, DISPID id, const std::vector<Arg>& index, const Arg& value);

// Sets object property `id` to `value` by reference (a property set, as for a font).
HRESULT PutRefById(IDispatch* object, DISPID id, const Arg& value);

}  // namespace host
