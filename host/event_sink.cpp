// Routing of control events to the window's named handlers.
#include "event_sink.h"

#include <utility>

#include "com/variant.h"

namespace host {

EventSink::EventSink(std::string controlName, const IID& eventIid, com::ComPtr<ITypeInfo> events,
                     const EventHandlers* handlers)
    : controlName_(std::move(controlName)), eventIid_(eventIid), events_(std::move(events)), handlers_(handlers) {}

void* EventSink::Find(REFIID iid) {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == eventIid_) return static_cast<IDispatch*>(this);
    return nullptr;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = events_ ? 1 : 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0 || !events_) return DISP_E_BADINDEX;
    *out = events_.Copy().Detach();
    return S_OK;
}

std::string EventSink::HandlerName(DISPID id) {
    auto it = names_.find(id);
    if (it != names_.end()) return it->second;
    std::string name;
    com::Bstr eventName;
    UINT found = 0;
    if (events_ && SUCCEEDED(events_->GetNames(id, eventName.Out(), 1, &found)) && found == 1) {
        const std::wstring wide = eventName.Text();
        name = controlName_ + "_";
        for (wchar_t c : wide) name += static_cast<char>(c < 0x80 ? c : '?');
    }
    names_[id] = name;
    return name;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                               UINT*) {
    if (result) VariantInit(result);
    if (!handlers_) return S_OK;
    const std::string name = HandlerName(id);
    if (name.empty()) return S_OK;
    const EventHandler* handler = handlers_->Find(name);
    if (!handler || !*handler) return S_OK;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EventArgs args{name, id, params ? params : &none};
    // A copy: the handler may replace the window's handlers while it runs.
    const EventHandler call = *handler;
    call(args);
    return S_OK;
}

}  // namespace host
