// The container side of one hosted control.
#include "control_site.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "com/key_modifiers.h"
#include "com/plain_dispatch.h"
#include "com/screen_units.h"
#include "com/variant.h"
#include "host/dialog_keys.h"

namespace host {
namespace {

// The frame window the control is placed in: the top-level window of its parent.
class InPlaceFrame final : public com::RefCounted, public IOleInPlaceFrame {
public:
    explicit InPlaceFrame(HWND frame) : frame_(frame) {}

    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = frame_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override {
        active_ = com::ComPtr<IOleInPlaceActiveObject>(active, true);
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow ||
            iid == IID_IOleInPlaceFrame)
            return static_cast<IOleInPlaceFrame*>(this);
        return nullptr;
    }
    HWND frame_;
    com::ComPtr<IOleInPlaceActiveObject> active_;
};

// The extender: the properties the container adds to each control. Names the
// extender does not know go to the control itself.
class Extender final : public com::PlainDispatch {
public:
    explicit Extender(ControlSite* site) : site_(site, true) {}

    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        if (count >= 1) {
            for (const Member& m : kMembers) {
                if (lstrcmpiW(names[0], m.name) == 0) {
                    ids[0] = m.id;
                    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
                    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
                }
            }
        }
        auto control = site_->ControlDispatch();
        if (!control) return DISP_E_UNKNOWNNAME;
        return control->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (!IsOwn(id)) {
            auto control = site_->ControlDispatch();
            if (!control) return DISP_E_MEMBERNOTFOUND;
            return control->Invoke(id, iid, lcid, flags, params, result, excep, argErr);
        }
        if (flags & DISPATCH_PROPERTYGET) {
            if (!result) return E_POINTER;
            return Get(id, *result);
        }
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            return Put(id, com::Variant(params->rgvarg[0]));
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    enum : DISPID {
        kName = static_cast<DISPID>(0x80010000),
        kToolTipText,
        kLeft,
        kTop,
        kWidth,
        kHeight,
        kVisible,
        kObject,
    };
    struct Member {
        const wchar_t* name;
        DISPID id;
    };
    static constexpr Member kMembers[] = {{L"Name", kName},     {L"ToolTipText", kToolTipText},
                                          {L"Left", kLeft},     {L"Top", kTop},
                                          {L"Width", kWidth},   {L"Height", kHeight},
                                          {L"Visible", kVisible}, {L"Object", kObject}};
    static bool IsOwn(DISPID id) {
        for (const Member& m : kMembers)
            if (m.id == id) return true;
        return false;
    }

    HRESULT Get(DISPID id, VARIANT& result) {
        VariantInit(&result);
        const RECT r = site_->Placement();
        com::Variant value;
        switch (id) {
        case kName: value = com::Variant(site_->Name()); break;
        case kToolTipText: value = com::Variant(site_->toolTipText); break;
        case kLeft: value = com::Variant(com::TwipsFromPixelsX(r.left)); break;
        case kTop: value = com::Variant(com::TwipsFromPixelsY(r.top)); break;
        case kWidth: value = com::Variant(com::TwipsFromPixelsX(r.right - r.left)); break;
        case kHeight: value = com::Variant(com::TwipsFromPixelsY(r.bottom - r.top)); break;
        case kVisible: value = com::Variant(IsVisible()); break;
        case kObject: value = com::Variant(site_->ControlDispatch().Get()); break;
        default: return DISP_E_MEMBERNOTFOUND;
        }
        result = *value.Get();
        VariantInit(value.Get());
        return S_OK;
    }

    HRESULT Put(DISPID id, const com::Variant& value) {
        if (id == kToolTipText) return value.ToString(site_->toolTipText);
        if (id == kVisible) {
            bool visible = false;
            HRESULT hr = value.ToBool(visible);
            HWND hwnd = ControlWindow();
            if (SUCCEEDED(hr) && hwnd) ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
            return hr;
        }
        if (id == kLeft || id == kTop || id == kWidth || id == kHeight) {
            long twips = 0;
            HRESULT hr = value.ToLong(twips);
            if (FAILED(hr)) return hr;
            RECT r = site_->Placement();
            const long w = r.right - r.left, h = r.bottom - r.top;
            if (id == kLeft) r.left = com::PixelsFromTwipsX(twips), r.right = r.left + w;
            if (id == kTop) r.top = com::PixelsFromTwipsY(twips), r.bottom = r.top + h;
            if (id == kWidth) r.right = r.left + com::PixelsFromTwipsX(twips);
            if (id == kHeight) r.bottom = r.top + com::PixelsFromTwipsY(twips);
            site_->Move(r);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;  // Name and Object are read only
    }

    HWND ControlWindow() const {
        HWND hwnd = nullptr;
        if (site_->InPlaceObject()) site_->InPlaceObject()->GetWindow(&hwnd);
        return hwnd;
    }
    bool IsVisible() const {
        HWND hwnd = ControlWindow();
        return hwnd && IsWindowVisible(hwnd);
    }

    com::ComPtr<ControlSite> site_;
};

constexpr char kSiteWithFocus[] = "QuelmarSiteWithFocus";

// An ambient property's answer.
HRESULT AmbientValue(const AmbientProperties& a, DISPID id, com::Variant& out) {
    switch (id) {
    case DISPID_AMBIENT_USERMODE: out = com::Variant(a.userMode); return S_OK;
    case DISPID_AMBIENT_DISPLAYNAME: out = com::Variant(a.displayName); return S_OK;
    case DISPID_AMBIENT_BACKCOLOR: out = com::Variant(static_cast<long>(a.backColor)); return S_OK;
    case DISPID_AMBIENT_FORECOLOR: out = com::Variant(static_cast<long>(a.foreColor)); return S_OK;
    case DISPID_AMBIENT_LOCALEID: out = com::Variant(static_cast<long>(a.locale)); return S_OK;
    case DISPID_AMBIENT_FONT: {
        com::Bstr face(a.fontName);
        FONTDESC desc = {};
        desc.cbSizeofstruct = sizeof desc;
        desc.lpstrName = face.Get();
        desc.cySize.int64 = static_cast<LONGLONG>(std::llround(a.fontPoints * 10000.0));
        desc.sWeight = static_cast<SHORT>(a.fontBold ? FW_BOLD : FW_NORMAL);
        desc.sCharset = ANSI_CHARSET;
        com::ComPtr<IDispatch> font;
        HRESULT hr = OleCreateFontIndirect(&desc, IID_IFontDisp, font.OutVoid());
        if (FAILED(hr)) return hr;
        out = com::Variant(font.Get());
        return S_OK;
    }
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
        out = com::Variant(false);
        return S_OK;
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
        out = com::Variant(!a.userMode);
        return S_OK;
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP:
        out = com::Variant(true);
        return S_OK;
    case DISPID_AMBIENT_SCALEUNITS: out = com::Variant(L"Twip"); return S_OK;
    case DISPID_AMBIENT_TEXTALIGN: out = com::Variant(0); return S_OK;
    case DISPID_AMBIENT_APPEARANCE: out = com::Variant(1); return S_OK;  // 3D
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace

ControlSite::ControlSite(std::wstring name, HWND parent, const RECT& placement, AmbientProperties ambient)
    : name_(std::move(name)), parent_(parent), placement_(placement), ambient_(std::move(ambient)) {
    if (ambient_.displayName.empty()) ambient_.displayName = name_;
}

void* ControlSite::Find(REFIID iid) {
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) return static_cast<IOleClientSite*>(this);
    if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) return static_cast<IOleInPlaceSite*>(this);
    if (iid == IID_IOleControlSite) return static_cast<IOleControlSite*>(this);
    if (iid == IID_IDispatch) return static_cast<IDispatch*>(this);
    if (iid == IID_IPropertyNotifySink) return static_cast<IPropertyNotifySink*>(this);
    return nullptr;
}

void ControlSite::SetControl(IUnknown* control) { control_ = com::ComPtr<IUnknown>(control, true); }

void ControlSite::Detach() {
    DropFocus();
    inPlaceObject_.Reset();
    control_.Reset();
    onPropertyChanged = nullptr;
}

com::ComPtr<IDispatch> ControlSite::ControlDispatch() const { return control_.As<IDispatch>(IID_IDispatch); }

RECT ControlSite::ClipRect() const {
    RECT clip = placement_;
    if (parent_) GetClientRect(parent_, &clip);
    return clip;
}

void ControlSite::Move(const RECT& placement) {
    placement_ = placement;
    if (!inPlaceObject_) return;
    const RECT clip = ClipRect();
    inPlaceObject_->SetObjectRects(&placement_, &clip);
}

STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = parent_;
    return parent_ ? S_OK : E_FAIL;
}

STDMETHODIMP ControlSite::OnInPlaceActivate() {
    if (control_) control_->QueryInterface(IID_IOleInPlaceObject, inPlaceObject_.OutVoid());
    return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !pos || !clip) return E_POINTER;
    HWND root = parent_ ? GetAncestor(parent_, GA_ROOT) : nullptr;
    *frame = new InPlaceFrame(root);
    if (doc) *doc = nullptr;
    *pos = placement_;
    *clip = ClipRect();
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = root;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceDeactivate() {
    inPlaceObject_.Reset();
    return S_OK;
}

// The control asks for another rectangle (a control of fixed size after a
// resize): the container takes it and places the control there.
STDMETHODIMP ControlSite::OnPosRectChange(LPCRECT pos) {
    if (!pos) return E_POINTER;
    Move(*pos);
    return S_OK;
}

STDMETHODIMP ControlSite::GetExtendedControl(IDispatch** out) {
    if (!out) return E_POINTER;
    *out = new Extender(this);
    return S_OK;
}

// The container's own units are twips.
STDMETHODIMP ControlSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
    if (!himetric || !container) return E_POINTER;
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = static_cast<float>(himetric->x * 1440.0 / 2540.0);
        container->y = static_cast<float>(himetric->y * 1440.0 / 2540.0);
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = std::lround(container->x * 2540.0 / 1440.0);
        himetric->y = std::lround(container->y * 2540.0 / 1440.0);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HWND ControlSite::ControlWindow() const {
    HWND hwnd = nullptr;
    if (inPlaceObject_) inPlaceObject_->GetWindow(&hwnd);
    return hwnd;
}

com::ComPtr<IOleInPlaceActiveObject> ControlSite::ActiveObject() const {
    if (!inPlaceObject_) return {};
    return control_.As<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
}

ControlSite* ControlSite::WithFocus(HWND root) {
    return root ? static_cast<ControlSite*>(GetPropA(root, kSiteWithFocus)) : nullptr;
}

void ControlSite::DropFocus() {
    const HWND root = Root();
    if (root && WithFocus(root) == this) RemovePropA(root, kSiteWithFocus);
}

STDMETHODIMP ControlSite::OnFocus(BOOL focus) {
    const HWND root = Root();
    if (!root) return S_OK;
    if (focus && control_)
        SetPropA(root, kSiteWithFocus, this);
    else
        DropFocus();
    return S_OK;
}

STDMETHODIMP ControlSite::TranslateAccelerator(MSG* msg, DWORD modifiers) {
    if (!msg) return E_POINTER;
    const HWND root = Root(), window = ControlWindow();
    if (!root || !window || msg->message != WM_KEYDOWN || msg->wParam != VK_TAB ||
        (modifiers & (com::kKeyModControl | com::kKeyModAlt)))
        return S_FALSE;
    return MoveFocus(root, window, (modifiers & com::kKeyModShift) != 0) ? S_OK : S_FALSE;
}

STDMETHODIMP ControlSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO*, UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return E_POINTER;
    com::Variant value;
    HRESULT hr = AmbientValue(ambient_, id, value);
    if (FAILED(hr)) return hr;
    VariantInit(result);
    *result = *value.Get();
    VariantInit(value.Get());  // passed to the caller
    return S_OK;
}

// Each property is recorded once until the host clears the list: a running
// program sets the same properties over and over, and the list must not grow.
STDMETHODIMP ControlSite::OnChanged(DISPID id) {
    if (std::find(changedProperties.begin(), changedProperties.end(), id) == changedProperties.end())
        changedProperties.push_back(id);
    if (onPropertyChanged) onPropertyChanged(id);
    return S_OK;
}

}  // namespace host
