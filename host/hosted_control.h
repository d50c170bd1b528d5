// One control hosted on a window: created from its library without
// registration (or by ProgID), given its stored properties, sited and
// activated in place as a child window, its events routed to the window's
// named handlers, and torn down cleanly with the window.
//
// Typical use by a window (all on the window's thread, inside OleInitialize):
//
//   host::EventHandlers events;   // a member of the window, outliving its controls
//   events.Add("mmtimer1_Timer", [this](host::EventArgs&) { mmtimer1_Timer(); });
//   host::ControlSpec setup;
//   setup.name = "mmtimer1";
//   setup.source = host::ControlSource::FromDll(L"Rintok.dll", rintok::kClsidRintokCtl);
//   setup.parent = hwnd;
//   setup.position = {120, 4680, 2325, 450};            // twips
//   setup.stored = host::StoredProperties{{L"Interval", 0}, {L"Periodic", true}, {L"Resolution", 0}};
//   setup.handlers = &events;
//   std::unique_ptr<host::HostedControl> mmtimer1;
//   HRESULT hr = host::HostedControl::Create(setup, mmtimer1);
//   host::PutById(mmtimer1->Dispatch(), rintok::kDispInterval, host::Arg::Val(250L));
//
// The port-access component is hosted the same way with no parent: it gets
// no site and no window, only its dispatch interface.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/com_support.h"
#include "host/control_site.h"
#include "host/event_sink.h"
#include "host/late_bound.h"
#include "host/property_bag_of_values.h"

namespace host {

// Where a control's code comes from.
struct ControlSource {
    enum class Kind { Dll, ProgId, Object };

    // The library at `path` (a bare name: the file beside the program, by its
    // full path), asked directly for its class factory: no registration needed.
    static ControlSource FromDll(std::wstring path, const CLSID& clsid) {
        ControlSource s;
        s.kind = Kind::Dll;
        s.path = std::move(path);
        s.clsid = clsid;
        return s;
    }
    // A registered class.
    static ControlSource FromProgId(std::wstring progId) {
        ControlSource s;
        s.kind = Kind::ProgId;
        s.progId = std::move(progId);
        return s;
    }
    // An object made by the caller; it only has to stay alive until Create returns.
    static ControlSource FromObject(IUnknown* object) {
        ControlSource s;
        s.kind = Kind::Object;
        s.object = object;
        return s;
    }

    Kind kind = Kind::Dll;
    std::wstring path;
    CLSID clsid = {};
    std::wstring progId;
    IUnknown* object = nullptr;
};

// A rectangle in twips, in the parent window's client area.
struct TwipsRect {
    long left = 0;
    long top = 0;
    long width = 0;
    long height = 0;
};

struct ControlSpec {
    std::string name;                          // the control's name on its window, "mmtimer1"
    ControlSource source;
    HWND parent = nullptr;                     // null: an object without a window (no site)
    TwipsRect position;
    std::optional<StoredProperties> stored;    // the window's stored values; none: a new control
    AmbientProperties ambient;                 // displayName defaults to `name`
    std::wstring toolTipText;                  // the extender's ToolTipText
    const EventHandlers* handlers = nullptr;   // must outlive the control; an object without events routes none
};

class HostedControl {
    struct Key {
        explicit Key() = default;
    };

public:
    // Creates the control, gives it its stored properties (or InitNew), sites
    // it and activates it in place on `setup.parent`. On failure `out` stays
    // empty and nothing is left behind; the result says which step failed.
    static HRESULT Create(const ControlSpec& setup, std::unique_ptr<HostedControl>& out);

    explicit HostedControl(Key);
    HostedControl(const HostedControl&) = delete;
    HostedControl& operator=(const HostedControl&) = delete;
    // Tears down: InPlaceDeactivate, UIDeactivate, Unadvise, DoVerb(HIDE),
    // Close(NOSAVE), SetClientSite(NULL), then releases the control.
    ~HostedControl();

    const std::string& Name() const { return name_; }
    // The control's automation interface, for CallById, GetById and PutById.
    IDispatch* Dispatch() const { return dispatch_.Get(); }
    IUnknown* Object() const { return object_.Get(); }
    // The control's window while it is active in place; null otherwise.
    HWND Window() const;

    // Where the control is, as it accepted it (a control may keep a size of its own).
    TwipsRect Position() const;
    void Move(const TwipsRect& position);

    bool UserMode() const;
    // Changes the ambient user mode and tells the control.
    void SetUserMode(bool userMode);

    std::wstring ToolTipText() const;
    void SetToolTipText(const std::wstring& text);

    // Properties the control reported as changed (IPropertyNotifySink) since
    // it was created or the list was cleared: each once, oldest first.
    const std::vector<DISPID>& ChangedProperties() const;
    void ClearChangedProperties();

    // The control's properties as it stores them, into a fresh store.
    HRESULT SaveProperties(StoredProperties& out) const;

private:
    HRESULT Build(const ControlSpec& setup);
    HRESULT AdviseEvents(const EventHandlers* handlers);
    void AdvisePropertyNotify();
    void Unadvise(const IID& iid, DWORD& cookie);

    std::string name_;
    com::ComPtr<IUnknown> object_;
    com::ComPtr<IOleObject> oleObject_;
    com::ComPtr<IDispatch> dispatch_;
    com::ComPtr<ControlSite> site_;
    com::ComPtr<EventSink> sink_;
    IID eventIid_ = {};
    DWORD eventCookie_ = 0;
    DWORD notifyCookie_ = 0;
    bool sited_ = false;
};

}  // namespace host
