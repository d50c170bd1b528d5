// The host form contract's automation objects: the form, its collection of
// menu controls, each menu control, and the collection's enumerator. They
// hold a copy of what the form designed, so they stay valid (answering from
// that copy) whoever keeps them after the window has gone.
#include "sequencer/form1_menu_controls.h"

#include <memory>
#include <utility>

#include "com/screen_units.h"
#include "com/plain_dispatch.h"
#include "com/text.h"
#include "com/variant.h"

namespace quelmar {

namespace {

struct FormData {
    HWND hwnd = nullptr;
    std::vector<MenuControlDesc> menus;
};
using SharedForm = std::shared_ptr<const FormData>;

HRESULT Raise(EXCEPINFO* excep, HRESULT code, const wchar_t* description) {
    return com::NumberedError(excep, L"Quelmar", code, description);
}

using com::Argument;

class MenuControlObject final : public com::PlainDispatch {
public:
    MenuControlObject(SharedForm form, size_t index) : form_(std::move(form)), index_(index) {}

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const com::NameId table[] = {{L"Name", form_dispid::kName},
                                       {L"Index", form_dispid::kIndex},
                                       {L"Caption", form_dispid::kCaption},
                                       {L"Tag", form_dispid::kTag},
                                       {L"Visible", form_dispid::kVisible}};
        return com::LookUpNames(table, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT*) override {
        if (!com::IsRead(flags)) return DISP_E_MEMBERNOTFOUND;  // every property is read only
        if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        const MenuControlDesc& m = form_->menus[index_];
        com::Variant v;
        switch (id) {
            case form_dispid::kName: v = com::Variant(com::AnsiToWide(m.Name)); break;
            case form_dispid::kCaption: v = com::Variant(com::AnsiToWide(m.Caption)); break;
            case form_dispid::kTag: v = com::Variant(com::AnsiToWide(m.Tag)); break;
            case form_dispid::kVisible: v = com::Variant(m.Visible); break;
            case form_dispid::kIndex:
                if (m.Index < 0) return Raise(excep, kErrNotAnArray, L"Object not an array");
                v = com::Variant(static_cast<short>(m.Index));
                break;
            default: return DISP_E_MEMBERNOTFOUND;
        }
        return com::HandResult(v, result);
    }

private:
    SharedForm form_;
    size_t index_;
};

com::ComPtr<IDispatch> MenuControl(const SharedForm& form, size_t index) {
    return com::ComPtr<IDispatch>(new MenuControlObject(form, index));
}

class MenuControlsEnum final : public IEnumVARIANT, public com::RefCounted {
public:
    MenuControlsEnum(SharedForm form, size_t next) : form_(std::move(form)), next_(next) {}
    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG n = 0;
        for (; n < count && next_ < form_->menus.size(); ++n, ++next_) {
            VariantInit(&out[n]);
            V_VT(&out[n]) = VT_DISPATCH;
            V_DISPATCH(&out[n]) = MenuControl(form_, next_).Detach();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = form_->menus.size() - next_;
        next_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        *out = new MenuControlsEnum(form_, next_);
        return S_OK;
    }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) return static_cast<IEnumVARIANT*>(this);
        return nullptr;
    }
    SharedForm form_;
    size_t next_;
};

class MenuControlsObject final : public com::PlainDispatch {
public:
    explicit MenuControlsObject(SharedForm form) : form_(std::move(form)) {}

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const com::NameId table[] = {{L"Item", form_dispid::kItem},
                                       {L"Count", form_dispid::kCount},
                                       {L"_NewEnum", form_dispid::kNewEnum}};
        return com::LookUpNames(table, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (!com::IsRead(flags)) return DISP_E_MEMBERNOTFOUND;
        const UINT args = params ? params->cArgs : 0;
        com::Variant v;
        switch (id) {
            case form_dispid::kCount:
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                v = com::Variant(static_cast<long>(form_->menus.size()));
                break;
            case form_dispid::kNewEnum: {
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                IEnumVARIANT* e = new MenuControlsEnum(form_, 0);
                if (result) {
                    VariantInit(result);
                    V_VT(result) = VT_UNKNOWN;
                    V_UNKNOWN(result) = e;
                } else {
                    e->Release();
                }
                return S_OK;
            }
            case form_dispid::kItem: {
                if (args != 1) return DISP_E_BADPARAMCOUNT;
                VARIANT n;
                if (!com::ArgumentAs(Argument(params, 0), VT_I4, n)) {
                    if (argErr) *argErr = 0;
                    return DISP_E_TYPEMISMATCH;
                }
                // Numbered from 1, as a collection is.
                if (V_I4(&n) < 1 || static_cast<size_t>(V_I4(&n)) > form_->menus.size())
                    return Raise(excep, kErrSubscript, L"Subscript out of range");
                v = com::Variant(MenuControl(form_, static_cast<size_t>(V_I4(&n) - 1)).Get());
                break;
            }
            default: return DISP_E_MEMBERNOTFOUND;
        }
        return com::HandResult(v, result);
    }

private:
    SharedForm form_;
};

class FormObject final : public com::PlainDispatch {
public:
    explicit FormObject(SharedForm form) : form_(std::move(form)) {}

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const com::NameId table[] = {{L"hWnd", form_dispid::kHWnd},
                                       {L"ScaleMode", form_dispid::kScaleMode},
                                       {L"ScaleX", form_dispid::kScaleX},
                                       {L"ScaleY", form_dispid::kScaleY},
                                       {L"MenuControls", form_dispid::kMenuControls}};
        return com::LookUpNames(table, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (!com::IsRead(flags)) return DISP_E_MEMBERNOTFOUND;
        const UINT args = params ? params->cArgs : 0;
        com::Variant v;
        switch (id) {
            case form_dispid::kHWnd:
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                v = com::Variant(static_cast<long>(reinterpret_cast<LONG_PTR>(form_->hwnd)));
                break;
            case form_dispid::kScaleMode:
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                v = com::Variant(scale_mode::kTwips);
                break;
            case form_dispid::kMenuControls:
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                v = com::Variant(com::ComPtr<IDispatch>(new MenuControlsObject(form_)).Get());
                break;
            case form_dispid::kScaleX:
            case form_dispid::kScaleY: {
                // ScaleX(Width, [FromScale = himetric], [ToScale = the form's scale]).
                if (args < 1 || args > 3) return DISP_E_BADPARAMCOUNT;
                VARIANT width, from, to;
                short scales[2] = {scale_mode::kHimetric, scale_mode::kTwips};
                if (!com::ArgumentAs(Argument(params, 0), VT_R8, width)) {
                    if (argErr) *argErr = args - 1;
                    return DISP_E_TYPEMISMATCH;
                }
                VARIANT* slots[2] = {&from, &to};
                for (UINT k = 0; k < 2; ++k) {
                    const VARIANT* a = Argument(params, k + 1);
                    if (!a) continue;
                    if (!com::ArgumentAs(a, VT_I2, *slots[k])) {
                        if (argErr) *argErr = args - 2 - k;
                        return DISP_E_TYPEMISMATCH;
                    }
                    scales[k] = V_I2(slots[k]);
                }
                double out = 0;
                if (!ConvertScale(V_R8(&width), scales[0], scales[1], id == form_dispid::kScaleY, out))
                    return Raise(excep, kErrInvalidCall, L"Invalid procedure call or argument");
                VARIANT r;
                VariantInit(&r);
                V_VT(&r) = VT_R4;
                V_R4(&r) = static_cast<float>(out);
                if (result) *result = r;
                return S_OK;
            }
            default: return DISP_E_MEMBERNOTFOUND;
        }
        return com::HandResult(v, result);
    }

private:
    SharedForm form_;
};

// Units of a scale in one inch; 0 for a scale that is not a length.
double UnitsPerInch(short scale, bool vertical) {
    switch (scale) {
        case scale_mode::kUser:
        case scale_mode::kTwips: return 1440;
        case scale_mode::kPoints: return 72;
        case scale_mode::kPixels: return vertical ? com::ScreenDpiY() : com::ScreenDpiX();
        case scale_mode::kCharacters: return vertical ? 1440.0 / 240 : 1440.0 / 120;
        case scale_mode::kInches: return 1;
        case scale_mode::kMillimeters: return 25.4;
        case scale_mode::kCentimeters: return 2.54;
        case scale_mode::kHimetric: return 2540;
        default: return 0;
    }
}

}  // namespace

bool ConvertScale(double value, short from, short to, bool vertical, double& out) {
    const double f = UnitsPerInch(from, vertical), t = UnitsPerInch(to, vertical);
    if (f == 0 || t == 0) return false;
    out = value / f * t;
    return true;
}

com::ComPtr<IDispatch> CreateFormObject(HWND hwnd, std::vector<MenuControlDesc> menuControls) {
    auto data = std::make_shared<FormData>();
    data->hwnd = hwnd;
    data->menus = std::move(menuControls);
    return com::ComPtr<IDispatch>(new FormObject(std::move(data)));
}

}  // namespace quelmar
