// What a windowed COM control of this project shares: the OLE embedding and
// in-place activation a container drives, the property-bag persistence, the
// class information and connection points for events and property-changed
// notification, and the control's own window. The same stored properties
// reach containers that persist controls through IPersistStreamInit. A
// control derives from
// OleControl<its dual interface>, implements that interface, and fills in the
// hooks (properties, drawing, messages, size rule) it needs.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>

#include "com/com_support.h"
#include "com/connection_points.h"
#include "com/screen_units.h"
#include "com/stream_property_bag.h"
#include "com/variant.h"
#include "com/win_handles.h"
#include "com/window_base.h"

namespace com {

// The identifiers of one control class.
struct ControlClassInfo {
    CLSID clsid;
    IID dispIid;             // the default dual interface
    IID eventIid;            // the default source dispinterface
    const char* windowClass; // the name under which the control registers its window class
};

template <class Iface>
class OleControl : public DispatchOver<Iface>,
                   public IOleObject,
                   public IOleInPlaceObject,
                   public IOleInPlaceActiveObject,
                   public IOleControl,
                   public IPersistPropertyBag,
                   public IPersistStreamInit,
                   public IViewObject2,
                   public IProvideClassInfo2,
                   public IConnectionPointContainer,
                   public RefCounted {
public:
    COM_REFCOUNT_METHODS(FindInterface)

    // Makes the control's window; called once, right after construction.
    HRESULT Initialize() {
        if (!RegisterWindowClass()) return HRESULT_FROM_WIN32(GetLastError());
        ++WindowClassUsers();
        usesWindowClass_ = true;
        // A message-only window until a container activates the control in
        // place: it already receives posted messages and has a handle to give.
        HWND hwnd = CreateWindowExA(0, info_.windowClass, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, HWND_MESSAGE,
                                    nullptr, ThisModule(), this);
        if (!hwnd) return HRESULT_FROM_WIN32(GetLastError());
        window_.Reset(hwnd);
        OnCreate();
        return S_OK;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        site_ = ComPtr<IOleClientSite>(site, true);
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** out) override {
        if (!out) return E_POINTER;
        *out = site_.Copy().Detach();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override {
        InPlaceDeactivate();
        if (saveOption == OLECLOSE_SAVEIFDIRTY && dirty_ && site_) site_->SaveObject();
        if (adviseHolder_) adviseHolder_->SendOnClose();
        viewSink_.Reset();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT pos) override {
        switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
            return ActivateInPlace(activeSite, false, parent, pos);
        case OLEIVERB_UIACTIVATE:
            return ActivateInPlace(activeSite, true, parent, pos);
        case OLEIVERB_HIDE:
            if (window_) ShowWindow(window_.Get(), SW_HIDE);
            return S_OK;
        default:
            return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
        }
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) override {
        if (out) *out = nullptr;
        return OLE_S_USEREG;
    }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* out) override {
        if (!out) return E_POINTER;
        *out = info_.clsid;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* out) override {
        if (out) *out = nullptr;
        return OLE_S_USEREG;
    }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        if (!size) return E_POINTER;
        const SIZE asked = PixelsFromHimetric(*size);
        SIZE allowed = asked;
        SnapSize(allowed);
        extent_ = (allowed.cx == asked.cx && allowed.cy == asked.cy) ? *size : HimetricFromPixels(allowed);
        if (inPlaceActive_ && inPlaceSite_ && (allowed.cx != asked.cx || allowed.cy != asked.cy)) {
            RECT now = PlacedRect();
            RECT wanted = {now.left, now.top, now.left + allowed.cx, now.top + allowed.cy};
            inPlaceSite_->OnPosRectChange(&wanted);
        }
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        if (!size) return E_POINTER;
        *size = extent_;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override {
        if (!adviseHolder_) {
            HRESULT hr = CreateOleAdviseHolder(adviseHolder_.Out());
            if (FAILED(hr)) return hr;
        }
        return adviseHolder_->Advise(sink, cookie);
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
    }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return adviseHolder_ ? adviseHolder_->EnumAdvise(out) : S_OK;
    }
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override {
        if (!status) return E_POINTER;
        *status = aspect == DVASPECT_CONTENT ? MiscStatus() : 0;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow (of IOleInPlaceObject and IOleInPlaceActiveObject)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = window_.Get();
        return *out ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override {
        if (!inPlaceActive_) return S_OK;
        UIDeactivate();
        inPlaceActive_ = false;
        ShowWindow(window_.Get(), SW_HIDE);
        SetParent(window_.Get(), HWND_MESSAGE);
        frame_.Reset();
        uiWindow_.Reset();
        ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
        if (site) site->OnInPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override {
        if (!uiActive_) return S_OK;
        uiActive_ = false;
        if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
        if (frame_) frame_->SetActiveObject(nullptr, nullptr);
        if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
        return S_OK;
    }
    // Places the window at `pos` (container pixels), at the size the control
    // allows; a control that keeps its own size asks the container to follow.
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override {
        if (!pos) return E_POINTER;
        const unsigned call = ++placements_;
        const SIZE asked = {pos->right - pos->left, pos->bottom - pos->top};
        SIZE allowed = asked;
        SnapSize(allowed);
        const RECT placed = {pos->left, pos->top, pos->left + allowed.cx, pos->top + allowed.cy};
        if ((allowed.cx != asked.cx || allowed.cy != asked.cy) && inPlaceSite_) {
            inPlaceSite_->OnPosRectChange(&placed);
            // The container answered with a placement of its own.
            if (placements_ != call) return S_OK;
        }
        extent_ = HimetricFromPixels(allowed);
        MoveWindow(window_.Get(), placed.left, placed.top, allowed.cx, allowed.cy, TRUE);
        OnResize();
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override {
        if (!info) return E_POINTER;
        info->cb = sizeof *info;
        info->hAccel = nullptr;
        info->cAccel = 0;
        info->dwFlags = 0;
        return S_OK;
    }
    STDMETHODIMP OnMnemonic(LPMSG) override { return E_NOTIMPL; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override {
        OnAmbientChanged(id);
        return S_OK;
    }
    STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

    // IPersistPropertyBag
    STDMETHODIMP GetClassID(CLSID* out) override {
        if (!out) return E_POINTER;
        *out = info_.clsid;
        return S_OK;
    }
    STDMETHODIMP InitNew() override {
        OnInitProperties();
        return S_OK;
    }
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog*) override {
        if (!bag) return E_POINTER;
        return OnReadProperties(bag);
    }
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL) override {
        if (!bag) return E_POINTER;
        HRESULT hr = OnWriteProperties(bag);
        if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
        return hr;
    }

    // IPersistStreamInit: the property bag's names, values and order, kept
    // in the stream. InitNew and GetClassID are shared with IPersistPropertyBag.
    STDMETHODIMP IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override {
        if (!stream) return E_POINTER;
        ComPtr<MemoryPropertyBag> bag(new MemoryPropertyBag());
        HRESULT hr = bag->LoadFrom(stream);
        return FAILED(hr) ? hr : OnReadProperties(bag.Get());
    }
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override {
        if (!stream) return E_POINTER;
        ComPtr<MemoryPropertyBag> bag(new MemoryPropertyBag());
        HRESULT hr = OnWriteProperties(bag.Get());
        if (SUCCEEDED(hr)) hr = bag->SaveTo(stream);
        if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
        return hr;
    }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
        if (!size) return E_POINTER;
        ComPtr<IStream> measure;
        HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, measure.Out());
        if (SUCCEEDED(hr)) hr = Save(measure.Get(), FALSE);
        STATSTG stat = {};
        if (SUCCEEDED(hr)) hr = measure->Stat(&stat, STATFLAG_NONAME);
        if (SUCCEEDED(hr)) *size = stat.cbSize;
        return hr;
    }

    // IViewObject2: the same face as the window shows, drawn into the caller's DC.
    STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                      WINBOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        if (!dc) return E_INVALIDARG;
        RECT r = {};
        if (bounds) r = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
        else GetClientRect(window_.Get(), &r);
        SavedDC saved(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        OnDraw(dc, r);
        return S_OK;
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** out) override {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink* sink) override {
        viewSink_ = ComPtr<IAdviseSink>(sink, true);
        return S_OK;
    }
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) override {
        if (aspects) *aspects = DVASPECT_CONTENT;
        if (advf) *advf = 0;
        if (sink) *sink = viewSink_.Copy().Detach();
        return S_OK;
    }
    STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
        return GetExtent(aspect, size);
    }

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** out) override {
        if (!out) return E_POINTER;
        return LoadOwnTypeInfo(info_.clsid, out);
    }
    STDMETHODIMP GetGUID(DWORD kind, GUID* out) override {
        if (!out) return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        *out = info_.eventIid;
        return S_OK;
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
        return EnumPoints({&events_, &propertyNotify_}, out);
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        return FindPoint({&events_, &propertyNotify_}, iid, out);
    }

protected:
    explicit OleControl(const ControlClassInfo& info)
        : DispatchOver<Iface>(info.dispIid),
          info_(info),
          events_(Identity(), this, info.eventIid),
          propertyNotify_(Identity(), this, IID_IPropertyNotifySink) {}

    ~OleControl() override {
        if (window_) {
            // No message may reach the object from here on.
            DetachWindowObject(window_.Get());
            window_.Reset();
        }
        if (usesWindowClass_ && --WindowClassUsers() == 0) UnregisterClassA(info_.windowClass, ThisModule());
    }

    // Hooks for the control.
    virtual void OnCreate() {}
    virtual void OnInitProperties() {}
    virtual HRESULT OnReadProperties(IPropertyBag*) { return S_OK; }
    virtual HRESULT OnWriteProperties(IPropertyBag*) { return S_OK; }
    virtual void OnDraw(HDC dc, const RECT& bounds) { FillRect(dc, &bounds, GetSysColorBrush(COLOR_BTNFACE)); }
    // Sees every window message first; returns true when it has answered it.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // Changes `pixels` to the size the control accepts.
    virtual void SnapSize(SIZE&) {}
    virtual void OnResize() {}
    virtual void OnShow() {}
    virtual void OnAmbientChanged(DISPID) {}
    virtual DWORD MiscStatus() const {
        return OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_RECOMPOSEONRESIZE |
               OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT;
    }

    // Services for the control.
    HWND WindowHandle() const { return window_.Get(); }
    bool InPlaceActive() const { return inPlaceActive_; }

    HRESULT AmbientProperty(DISPID id, Variant& out) {
        if (!site_) return E_FAIL;
        auto ambient = site_.As<IDispatch>(IID_IDispatch);
        if (!ambient) return E_NOINTERFACE;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        return ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out.Out(), nullptr,
                               nullptr);
    }
    // The container's user mode: true (run mode) when no container answers.
    bool AmbientUserMode() {
        Variant v;
        bool userMode = true;
        if (SUCCEEDED(AmbientProperty(DISPID_AMBIENT_USERMODE, v))) v.ToBool(userMode);
        return userMode;
    }
    // The container's extender object for this control (ToolTipText and the rest).
    ComPtr<IDispatch> Extender() {
        ComPtr<IDispatch> extender;
        auto controlSite = site_.As<IOleControlSite>(IID_IOleControlSite);
        if (controlSite) controlSite->GetExtendedControl(extender.Out());
        return extender;
    }
    // The container's control site; null when it has none.
    ComPtr<IOleControlSite> ControlSiteOf() { return site_.As<IOleControlSite>(IID_IOleControlSite); }
    // The window the container places the control in.
    HWND ContainerWindow() {
        HWND hwnd = nullptr;
        if (inPlaceSite_) {
            inPlaceSite_->GetWindow(&hwnd);
        } else if (site_) {
            auto oleWindow = site_.As<IOleWindow>(IID_IOleWindow);
            if (oleWindow) oleWindow->GetWindow(&hwnd);
        }
        return hwnd;
    }
    // Tells the container that property `id` has changed, so that it marks its stored copy dirty.
    void PropertyChanged(DISPID id) {
        dirty_ = true;
        NotifyPropertyChanged(propertyNotify_, id);
    }
    HRESULT FireEvent(DISPID id, VARIANT* argsLastFirst = nullptr, UINT count = 0) {
        // A handler may release the last reference the container holds.
        ComPtr<IUnknown> keep(Identity(), true);
        return com::FireEvent(events_, id, argsLastFirst, count);
    }
    // Asks the container for this size (pixels) at the current position.
    void SetOwnSize(SIZE pixels) {
        extent_ = HimetricFromPixels(pixels);
        if (inPlaceActive_ && inPlaceSite_) {
            RECT now = PlacedRect();
            RECT wanted = {now.left, now.top, now.left + pixels.cx, now.top + pixels.cy};
            inPlaceSite_->OnPosRectChange(&wanted);
        }
    }

private:
    IUnknown* Identity() { return static_cast<IUnknown*>(static_cast<IOleObject*>(this)); }

    void* FindInterface(REFIID iid) {
        if (iid == IID_IUnknown) return Identity();
        if (iid == IID_IDispatch || iid == info_.dispIid) return static_cast<Iface*>(this);
        if (iid == IID_IOleObject) return static_cast<IOleObject*>(this);
        if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
        if (iid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(this);
        if (iid == IID_IOleControl) return static_cast<IOleControl*>(this);
        if (iid == IID_IPersist || iid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
        if (iid == IID_IPersistStreamInit) return static_cast<IPersistStreamInit*>(this);
        if (iid == IID_IViewObject || iid == IID_IViewObject2) return static_cast<IViewObject2*>(this);
        if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
            return static_cast<IProvideClassInfo2*>(this);
        if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
        return nullptr;
    }

    // One count per module and control class: the class goes when its last window has gone.
    static std::atomic<long>& WindowClassUsers() {
        static std::atomic<long> users{0};
        return users;
    }
    bool RegisterWindowClass() {
        return RegisterWindowClassOnce(ThisModule(), {info_.windowClass, CS_DBLCLKS}, &OleControl::WindowProc);
    }

    // Not a WindowBase: the control's window lives as long as the COM
    // object's references, which hold it while it answers.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = WindowObject<OleControl>(hwnd, msg, lp);
        if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
        // The object stays alive while it answers, even if a handler releases it.
        self->AddRefImpl();
        const LRESULT result = self->HandleMessage(hwnd, msg, wp, lp);
        self->ReleaseImpl();
        return result;
    }

    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        LRESULT result = 0;
        if (OnMessage(msg, wp, lp, result)) return result;
        switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT client;
            GetClientRect(hwnd, &client);
            OnDraw(dc, client);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd, &client);
            OnDraw(reinterpret_cast<HDC>(wp), client);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // OnDraw paints the whole face
        default:
            return DefWindowProcA(hwnd, msg, wp, lp);
        }
    }

    HRESULT ActivateInPlace(IOleClientSite* activeSite, bool uiActivate, HWND parentHint, LPCRECT posHint) {
        if (!inPlaceActive_) {
            IOleClientSite* site = activeSite ? activeSite : site_.Get();
            if (!site) return E_UNEXPECTED;
            ComPtr<IOleInPlaceSite> inPlaceSite;
            site->QueryInterface(IID_IOleInPlaceSite, inPlaceSite.OutVoid());
            if (!inPlaceSite) return E_NOINTERFACE;
            if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
            HRESULT hr = inPlaceSite->OnInPlaceActivate();
            if (FAILED(hr)) return hr;
            inPlaceSite_ = std::move(inPlaceSite);
            inPlaceActive_ = true;

            HWND parent = nullptr;
            if (FAILED(inPlaceSite_->GetWindow(&parent)) || !parent) parent = parentHint;
            RECT pos = {}, clip = {};
            OLEINPLACEFRAMEINFO frameInfo = {};
            frameInfo.cb = sizeof frameInfo;
            if (FAILED(inPlaceSite_->GetWindowContext(frame_.Out(), uiWindow_.Out(), &pos, &clip, &frameInfo))) {
                const SIZE size = PixelsFromHimetric(extent_);
                pos = posHint ? *posHint : RECT{0, 0, size.cx, size.cy};
                clip = pos;
            }
            SetParent(window_.Get(), parent);
            SetObjectRects(&pos, &clip);
            ShowWindow(window_.Get(), SW_SHOWNA);
            OnShow();
        }
        if (uiActivate && !uiActive_ && inPlaceSite_) {
            uiActive_ = true;
            inPlaceSite_->OnUIActivate();
            auto* active = static_cast<IOleInPlaceActiveObject*>(this);
            if (frame_) frame_->SetActiveObject(active, nullptr);
            if (uiWindow_) uiWindow_->SetActiveObject(active, nullptr);
        }
        return S_OK;
    }

    // The window's rectangle in its parent's client coordinates.
    RECT PlacedRect() const {
        RECT r = {};
        GetWindowRect(window_.Get(), &r);
        MapWindowPoints(nullptr, GetParent(window_.Get()), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    ControlClassInfo info_;
    ConnectionPoint events_;
    ConnectionPoint propertyNotify_;
    com::Window window_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> uiWindow_;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IAdviseSink> viewSink_;
    SIZEL extent_ = {0, 0};
    unsigned placements_ = 0;
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    bool dirty_ = false;
    bool usesWindowClass_ = false;
};

// Class-factory creation function of control class T (see ClassFactory).
template <class T>
HRESULT CreateControl(REFIID iid, void** out) {
    auto* object = new T();
    HRESULT hr = object->Initialize();
    if (SUCCEEDED(hr)) hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

}  // namespace com
