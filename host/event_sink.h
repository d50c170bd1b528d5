// Events of hosted controls, routed to the window's handlers by name: the
// control's name, an underscore and the event's name ("mmtimer1_Timer"),
// the event found by its dispatch id in the control's class information.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <string>

#include "com/com_support.h"

namespace host {

// One event as a handler receives it.
struct EventArgs {
    std::string handler;            // "mmtimer1_Timer"
    DISPID id = 0;
    DISPPARAMS* params = nullptr;

    size_t Count() const { return params ? params->cArgs : 0; }
    // Argument `i` in declared order, from 0; a by-reference argument may be written.
    VARIANT& Arg(size_t i) const { return params->rgvarg[params->cArgs - 1 - i]; }
};

// Handlers run on the window's thread, inside the control's own call; they must not throw.
using EventHandler = std::function<void(EventArgs&)>;

// The named event handlers of one window.
class EventHandlers {
public:
    void Add(const std::string& name, EventHandler handler) { handlers_[name] = std::move(handler); }
    const EventHandler* Find(const std::string& name) const {
        auto it = handlers_.find(name);
        return it == handlers_.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, EventHandler> handlers_;
};

// The sink advised on a control's event interface.
class EventSink final : public com::RefCounted, public IDispatch {
public:
    // `events` describes the event interface `eventIid`; `handlers` must stay
    // alive until Detach.
    EventSink(std::string controlName, const IID& eventIid, com::ComPtr<ITypeInfo> events,
              const EventHandlers* handlers);

    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

    // No event reaches the window's handlers after this.
    void Detach() { handlers_ = nullptr; }
    const IID& Iid() const { return eventIid_; }
    // The handler name of event `id`, empty when the control's class information lacks it.
    std::string HandlerName(DISPID id);

private:
    void* Find(REFIID iid);

    std::string controlName_;
    IID eventIid_;
    com::ComPtr<ITypeInfo> events_;
    const EventHandlers* handlers_;
    std::map<DISPID, std::string> names_;
};

}  // namespace host
