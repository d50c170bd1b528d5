// Reading the host form contract late-bound, by name.
#include "menu_images/host_form.h"

#include <string>

#include "com/automation_error.h"
#include "com/com_support.h"
#include "com/text.h"
#include "com/variant.h"

namespace skarvo {
namespace {

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

// Reads property `name` (with `arg` when given); false when the object has
// no such member or the read fails.
bool Get(IDispatch* object, const wchar_t* name, com::Variant& out, const VARIANT* arg = nullptr) {
    if (!object) return false;
    const DISPID id = IdOf(object, name);
    if (id == DISPID_UNKNOWN) return false;
    VARIANT args[1];
    DISPPARAMS params = {nullptr, nullptr, 0, 0};
    if (arg) {
        args[0] = *arg;
        params.rgvarg = args;
        params.cArgs = 1;
    }
    com::ExceptionInfo excep;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                                      &params, out.Out(), excep.Get(), nullptr);
    return SUCCEEDED(hr);
}

std::string TextOf(IDispatch* object, const wchar_t* name) {
    com::Variant v;
    std::wstring text;
    if (Get(object, name, v)) v.ToString(text);
    return com::WideToAnsi(text);
}

}  // namespace

bool CallByName(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<VARIANT>& args,
                VARIANT* result) {
    if (result) VariantInit(result);
    if (!object) return false;
    const DISPID id = IdOf(object, name);
    if (id == DISPID_UNKNOWN) return false;
    std::vector<VARIANT> lastFirst(args.rbegin(), args.rend());
    DISPPARAMS params = {lastFirst.empty() ? nullptr : lastFirst.data(), nullptr, static_cast<UINT>(lastFirst.size()),
                         0};
    com::ExceptionInfo excep;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excep.Get(), nullptr);
    return SUCCEEDED(hr);
}

std::vector<MenuControlInfo> ReadMenuControls(IDispatch* form) {
    std::vector<MenuControlInfo> controls;
    com::Variant list;
    if (!Get(form, L"MenuControls", list) || list.Type() != VT_DISPATCH || !list.Ref().pdispVal) return controls;
    IDispatch* menus = list.Ref().pdispVal;
    com::Variant countValue;
    long count = 0;
    if (!Get(menus, L"Count", countValue) || FAILED(countValue.ToLong(count))) return controls;
    for (long i = 1; i <= count; ++i) {
        com::Variant position(i);
        com::Variant entryValue;
        MenuControlInfo info;
        if (Get(menus, L"Item", entryValue, &position.Ref()) && entryValue.Type() == VT_DISPATCH &&
            entryValue.Ref().pdispVal) {
            IDispatch* entry = entryValue.Ref().pdispVal;
            info.Caption = TextOf(entry, L"Caption");
            info.Name = TextOf(entry, L"Name");
            info.Tag = TextOf(entry, L"Tag");
            // Only a successful read gives the control an index.
            com::Variant index;
            long number = 0;
            if (Get(entry, L"Index", index) && index.Type() != VT_EMPTY && index.Type() != VT_NULL &&
                SUCCEEDED(index.ToLong(number)))
                info.Index = static_cast<int32_t>(number);
            com::Variant visible;
            bool shown = false;
            info.Visible = Get(entry, L"Visible", visible) && SUCCEEDED(visible.ToBool(shown)) && shown;
        }
        controls.push_back(info);
    }
    return controls;
}

HWND MdiClientOf(HWND host) {
    HWND child = host ? GetWindow(host, GW_CHILD) : nullptr;
    if (!child) return nullptr;
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    return lstrcmpiA(name, "MDIClient") == 0 ? child : nullptr;
}

}  // namespace skarvo
