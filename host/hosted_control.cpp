// Creation, siting and teardown of a hosted control.
#include "hosted_control.h"

#include <map>
#include <mutex>

#include "com/library_loading.h"
#include "com/screen_units.h"
#include "com/text.h"

namespace host {
namespace {

// A control library not named by a full path is taken from the program's
// folder, by its full path: a file of that name in the current folder or on
// PATH is never loaded.
std::wstring ControlLibraryPath(const std::wstring& path) {
    const bool full = (path.size() > 2 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
                      path.rfind(L"\\\\", 0) == 0;
    return full ? path : com::PathBesideModule(nullptr, path);
}

// The control libraries loaded by path stay loaded for the rest of the
// process, as COM keeps the libraries of registered classes: a multimedia
// timer callback or a message still queued for a control's window may run
// code of the library after its last object has gone.
HMODULE LoadControlLibrary(const std::wstring& name) {
    static std::mutex lock;
    static std::map<std::wstring, HMODULE> loaded;
    std::lock_guard<std::mutex> guard(lock);
    const std::wstring path = ControlLibraryPath(name);
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    auto it = loaded.find(path);
    if (it != loaded.end()) return it->second;
    HMODULE module = LoadLibraryW(path.c_str());
    if (module) loaded.emplace(path, module);
    return module;
}

HRESULT CreateFromDll(const std::wstring& path, const CLSID& clsid, com::ComPtr<IUnknown>& out) {
    HMODULE module = LoadControlLibrary(path);
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (!getClassObject) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    com::ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, factory.OutVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, IID_IUnknown, out.OutVoid());
}

HRESULT CreateObject(const ControlSource& source, com::ComPtr<IUnknown>& out) {
    switch (source.kind) {
    case ControlSource::Kind::Dll:
        return CreateFromDll(source.path, source.clsid, out);
    case ControlSource::Kind::ProgId: {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(source.progId.c_str(), &clsid);
        if (FAILED(hr)) return hr;
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, out.OutVoid());
    }
    case ControlSource::Kind::Object:
        if (!source.object) return E_POINTER;
        out = com::ComPtr<IUnknown>(source.object, true);
        return S_OK;
    }
    return E_INVALIDARG;
}

RECT PixelsFromTwips(const TwipsRect& t) {
    const long left = com::PixelsFromTwipsX(t.left), top = com::PixelsFromTwipsY(t.top);
    return RECT{left, top, left + com::PixelsFromTwipsX(t.width), top + com::PixelsFromTwipsY(t.height)};
}

// The control's default event interface and its description, from its class information.
HRESULT FindEventInterface(IUnknown* object, IID& iid, com::ComPtr<ITypeInfo>& events) {
    com::ComPtr<IProvideClassInfo> classInfo;
    HRESULT hr = object->QueryInterface(IID_IProvideClassInfo, classInfo.OutVoid());
    if (FAILED(hr)) return hr;
    com::ComPtr<ITypeInfo> coclass;
    hr = classInfo->GetClassInfo(coclass.Out());
    if (FAILED(hr)) return hr;
    TYPEATTR* attr = nullptr;
    hr = coclass->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const UINT count = attr->cImplTypes;
    coclass->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < count; ++i) {
        INT flags = 0;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
        if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
            continue;
        HREFTYPE ref = 0;
        if (FAILED(coclass->GetRefTypeOfImplType(i, &ref))) continue;
        com::ComPtr<ITypeInfo> info;
        if (FAILED(coclass->GetRefTypeInfo(ref, info.Out()))) continue;
        TYPEATTR* eventAttr = nullptr;
        if (FAILED(info->GetTypeAttr(&eventAttr))) continue;
        iid = eventAttr->guid;
        info->ReleaseTypeAttr(eventAttr);
        events = std::move(info);
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

com::ComPtr<IConnectionPoint> FindPoint(IUnknown* object, const IID& iid) {
    com::ComPtr<IConnectionPoint> point;
    com::ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(object->QueryInterface(IID_IConnectionPointContainer, container.OutVoid())) && container)
        container->FindConnectionPoint(iid, point.Out());
    return point;
}

}  // namespace

HostedControl::HostedControl(Key) {}

HRESULT HostedControl::Create(const ControlSpec& setup, std::unique_ptr<HostedControl>& out) {
    out.reset();
    auto control = std::make_unique<HostedControl>(Key{});
    // On failure the destructor undoes the steps already taken.
    HRESULT hr = control->Build(setup);
    if (FAILED(hr)) return hr;
    out = std::move(control);
    return S_OK;
}

HRESULT HostedControl::Build(const ControlSpec& setup) {
    name_ = setup.name;
    HRESULT hr = CreateObject(setup.source, object_);
    if (FAILED(hr)) return hr;
    hr = object_->QueryInterface(IID_IDispatch, dispatch_.OutVoid());
    if (FAILED(hr)) return hr;

    const RECT placement = PixelsFromTwips(setup.position);
    AmbientProperties ambient = setup.ambient;
    site_ = com::ComPtr<ControlSite>(new ControlSite(com::AnsiToWide(setup.name), setup.parent, placement, ambient));
    site_->SetControl(object_.Get());
    site_->toolTipText = setup.toolTipText;

    object_->QueryInterface(IID_IOleObject, oleObject_.OutVoid());
    DWORD misc = 0;
    if (oleObject_) oleObject_->GetMiscStatus(DVASPECT_CONTENT, &misc);
    // Most controls read ambient properties (user mode) while they load.
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (oleObject_ && siteFirst) {
        hr = oleObject_->SetClientSite(site_.Get());
        if (FAILED(hr)) return hr;
        sited_ = true;
    }

    com::ComPtr<IPersistPropertyBag> persist;
    object_->QueryInterface(IID_IPersistPropertyBag, persist.OutVoid());
    if (setup.stored) {
        if (persist) {
            com::ComPtr<PropertyBagOfValues> bag(new PropertyBagOfValues(*setup.stored));
            hr = persist->Load(bag.Get(), nullptr);
            if (FAILED(hr)) return hr;
        } else if (!setup.stored->empty()) {
            return E_NOINTERFACE;  // stored values the object cannot take
        }
    } else if (persist) {
        hr = persist->InitNew();
        if (FAILED(hr)) return hr;
    } else {
        com::ComPtr<IPersistStreamInit> streamInit;
        object_->QueryInterface(IID_IPersistStreamInit, streamInit.OutVoid());
        if (streamInit) {
            hr = streamInit->InitNew();
            if (FAILED(hr)) return hr;
        }
    }

    if (oleObject_ && !siteFirst) {
        hr = oleObject_->SetClientSite(site_.Get());
        if (FAILED(hr)) return hr;
        sited_ = true;
    }

    if (setup.handlers) {
        hr = AdviseEvents(setup.handlers);
        if (FAILED(hr)) return hr;
    }
    AdvisePropertyNotify();

    if (oleObject_ && setup.parent) {
        SIZEL extent = com::HimetricFromPixels(SIZE{placement.right - placement.left, placement.bottom - placement.top});
        oleObject_->SetExtent(DVASPECT_CONTENT, &extent);
        RECT rc = placement;
        hr = oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, setup.parent, &rc);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// An object that publishes no event interface (the port-access component)
// has nothing to route: it is hosted all the same. One that publishes events
// but offers no connection point for them cannot be hosted as asked.
HRESULT HostedControl::AdviseEvents(const EventHandlers* handlers) {
    com::ComPtr<ITypeInfo> events;
    if (FAILED(FindEventInterface(object_.Get(), eventIid_, events))) {
        eventIid_ = IID_NULL;
        return S_OK;
    }
    auto point = FindPoint(object_.Get(), eventIid_);
    if (!point) return CONNECT_E_NOCONNECTION;
    sink_ = com::ComPtr<EventSink>(new EventSink(name_, eventIid_, std::move(events), handlers));
    const HRESULT hr = point->Advise(static_cast<IDispatch*>(sink_.Get()), &eventCookie_);
    if (FAILED(hr)) {
        sink_->Detach();
        sink_.Reset();
    }
    return hr;
}

// A control without property-changed notification is hosted all the same.
void HostedControl::AdvisePropertyNotify() {
    auto point = FindPoint(object_.Get(), IID_IPropertyNotifySink);
    if (point) point->Advise(static_cast<IOleClientSite*>(site_.Get()), &notifyCookie_);
}

void HostedControl::Unadvise(const IID& iid, DWORD& cookie) {
    if (!cookie) return;
    auto point = FindPoint(object_.Get(), iid);
    if (point) point->Unadvise(cookie);
    cookie = 0;
}

HostedControl::~HostedControl() {
    if (site_) {
        com::ComPtr<IOleInPlaceObject> inPlace(site_->InPlaceObject(), true);
        if (inPlace) {
            inPlace->InPlaceDeactivate();
            inPlace->UIDeactivate();
        }
    }
    if (object_) {
        Unadvise(eventIid_, eventCookie_);
        Unadvise(IID_IPropertyNotifySink, notifyCookie_);
    }
    if (oleObject_ && sited_) {
        oleObject_->DoVerb(OLEIVERB_HIDE, nullptr, site_.Get(), 0, site_->Parent(), nullptr);
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    if (sink_) sink_->Detach();
    if (site_) site_->Detach();
    dispatch_.Reset();
    oleObject_.Reset();
    object_.Reset();
}

HWND HostedControl::Window() const {
    HWND hwnd = nullptr;
    if (site_ && site_->InPlaceObject()) site_->InPlaceObject()->GetWindow(&hwnd);
    return hwnd;
}

TwipsRect HostedControl::Position() const {
    const RECT r = site_->Placement();
    return TwipsRect{com::TwipsFromPixelsX(r.left), com::TwipsFromPixelsY(r.top),
                     com::TwipsFromPixelsX(r.right - r.left), com::TwipsFromPixelsY(r.bottom - r.top)};
}

void HostedControl::Move(const TwipsRect& position) {
    const RECT r = PixelsFromTwips(position);
    if (oleObject_) {
        SIZEL extent = com::HimetricFromPixels(SIZE{r.right - r.left, r.bottom - r.top});
        oleObject_->SetExtent(DVASPECT_CONTENT, &extent);
    }
    site_->Move(r);
}

bool HostedControl::UserMode() const { return site_->Ambient().userMode; }

void HostedControl::SetUserMode(bool userMode) {
    site_->Ambient().userMode = userMode;
    com::ComPtr<IOleControl> control;
    object_->QueryInterface(IID_IOleControl, control.OutVoid());
    if (control) control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
}

std::wstring HostedControl::ToolTipText() const { return site_->toolTipText; }

void HostedControl::SetToolTipText(const std::wstring& text) { site_->toolTipText = text; }

const std::vector<DISPID>& HostedControl::ChangedProperties() const { return site_->changedProperties; }

void HostedControl::ClearChangedProperties() { site_->changedProperties.clear(); }

HRESULT HostedControl::SaveProperties(StoredProperties& out) const {
    com::ComPtr<IPersistPropertyBag> persist;
    HRESULT hr = object_->QueryInterface(IID_IPersistPropertyBag, persist.OutVoid());
    if (FAILED(hr)) return hr;
    com::ComPtr<PropertyBagOfValues> bag(new PropertyBagOfValues());
    hr = persist->Save(bag.Get(), TRUE, TRUE);
    if (SUCCEEDED(hr)) out = bag->Values();
    return hr;
}

}  // namespace host
