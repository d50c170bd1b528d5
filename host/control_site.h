// The container side of one hosted control: its client site, in-place site
// and control site, the ambient properties it asks for through IDispatch,
// the extender object (Name, ToolTipText, position) and the sink of its
// property-changed notifications.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "com/com_support.h"

namespace host {

// What the container answers when a control asks for an ambient property.
struct AmbientProperties {
    bool userMode = true;                  // false while the window is being designed
    std::wstring displayName;              // the control's name on its window
    std::wstring fontName = L"MS Sans Serif";
    double fontPoints = 8.25;
    bool fontBold = false;
    OLE_COLOR backColor = 0x8000000F;      // the system's button face
    OLE_COLOR foreColor = 0x80000012;      // the system's button text
    LCID locale = GetUserDefaultLCID();
};

class ControlSite final : public com::RefCounted,
                          public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleControlSite,
                          public IDispatch,
                          public IPropertyNotifySink {
public:
    // `parent` is the window the control sits on (null: no in-place activation);
    // `placement` its rectangle there, in pixels.
    ControlSite(std::wstring name, HWND parent, const RECT& placement, AmbientProperties ambient);

    COM_REFCOUNT_METHODS(Find)

    // The container's side.
    void SetControl(IUnknown* control);
    // Releases everything that refers to the control; calls after it get answers without it.
    void Detach();
    const std::wstring& Name() const { return name_; }
    HWND Parent() const { return parent_; }
    RECT Placement() const { return placement_; }
    // Moves the control (pixels); it may answer with a size of its own.
    void Move(const RECT& placement);
    AmbientProperties& Ambient() { return ambient_; }
    IOleInPlaceObject* InPlaceObject() const { return inPlaceObject_.Get(); }
    // The control's window while it is active in place; null otherwise.
    HWND ControlWindow() const;
    // The control's side of the key traffic while it is active in place.
    com::ComPtr<IOleInPlaceActiveObject> ActiveObject() const;
    // The site of the control inside `root` that last reported the focus; null if none.
    static ControlSite* WithFocus(HWND root);
    std::wstring toolTipText;
    std::vector<DISPID> changedProperties;      // from OnChanged, each once, oldest first
    std::function<void(DISPID)> onPropertyChanged;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return parent_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT pos) override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** out) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    // Tab the control does not use moves the focus on past the control.
    STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD modifiers) override;
    STDMETHODIMP OnFocus(BOOL focus) override;
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

    // IPropertyNotifySink
    STDMETHODIMP OnChanged(DISPID id) override;
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

    // The control's dispatch interface, for the extender's members it does not answer itself.
    com::ComPtr<IDispatch> ControlDispatch() const;

private:
    void* Find(REFIID iid);
    RECT ClipRect() const;
    HWND Root() const { return parent_ ? GetAncestor(parent_, GA_ROOT) : nullptr; }
    void DropFocus();

    std::wstring name_;
    HWND parent_;
    RECT placement_;
    AmbientProperties ambient_;
    com::ComPtr<IUnknown> control_;
    com::ComPtr<IOleInPlaceObject> inPlaceObject_;
};

}  // namespace host
