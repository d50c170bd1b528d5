// Connection points of a connectable object: the sinks advised on one
// outgoing interface, firing an event to each of them, the property-changed
// notification, and the enumerators a client may ask for.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "com/automation_error.h"
#include "com/com_support.h"

namespace com {

// An enumerator over a fixed copy of items. `Hold` and `Drop` take and give
// back the reference each item carries.
template <class IEnum, class Item, const IID* EnumIid, void (*Hold)(Item&), void (*Drop)(Item&)>
class SnapshotEnum final : public IEnum, public RefCounted {
public:
    explicit SnapshotEnum(std::vector<Item> items, size_t position = 0)
        : items_(std::move(items)), position_(position) {
        for (Item& item : items_) Hold(item);
    }
    ~SnapshotEnum() override {
        for (Item& item : items_) Drop(item);
    }

    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && position_ < items_.size()) {
            out[n] = items_[position_++];
            Hold(out[n]);
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = items_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** out) override {
        if (!out) return E_POINTER;
        *out = new SnapshotEnum(items_, position_);
        return S_OK;
    }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == *EnumIid) return static_cast<IEnum*>(this);
        return nullptr;
    }
    std::vector<Item> items_;
    size_t position_;
};

inline void HoldConnection(CONNECTDATA& c) { c.pUnk->AddRef(); }
inline void DropConnection(CONNECTDATA& c) { c.pUnk->Release(); }
inline void HoldPoint(IConnectionPoint*& p) { p->AddRef(); }
inline void DropPoint(IConnectionPoint*& p) { p->Release(); }

using ConnectionEnum = SnapshotEnum<IEnumConnections, CONNECTDATA, &IID_IEnumConnections, HoldConnection, DropConnection>;
using ConnectionPointEnum =
    SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints, HoldPoint, DropPoint>;

// One connection point. It lives inside its object and shares that object's
// reference count, so a client holding the point keeps the object alive.
class ConnectionPoint final : public IConnectionPoint {
public:
    // `owner` is the object's identity; `container` the object's container interface.
    ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID iid)
        : owner_(owner), container_(container), iid_(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = iid_;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
        if (!out) return E_POINTER;
        *out = container_;
        container_->AddRef();
        return S_OK;
    }
    // Holds the sink as the point's own interface, so firing needs no lookup.
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        *cookie = 0;
        ComPtr<IUnknown> asInterface;
        if (FAILED(sink->QueryInterface(iid_, asInterface.OutVoid())) || !asInterface)
            return CONNECT_E_CANNOTCONNECT;
        *cookie = ++lastCookie_;
        sinks_.emplace_back(*cookie, std::move(asInterface));
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
            if (it->first == cookie) {
                // Released after leaving the list, in case the sink calls back.
                ComPtr<IUnknown> gone = std::move(it->second);
                sinks_.erase(it);
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }
    STDMETHODIMP EnumConnections(IEnumConnections** out) override {
        if (!out) return E_POINTER;
        std::vector<CONNECTDATA> items;
        for (const auto& s : sinks_) items.push_back(CONNECTDATA{s.second.Get(), s.first});
        *out = new ConnectionEnum(std::move(items));
        return S_OK;
    }

    const IID& Iid() const { return iid_; }
    bool HasSinks() const { return !sinks_.empty(); }

    // The sinks as they are now, each as the point's interface `I`; a sink may
    // unadvise (or the object be released) while the others are called.
    template <class I>
    std::vector<ComPtr<I>> Sinks() const {
        std::vector<ComPtr<I>> out;
        for (const auto& s : sinks_) out.emplace_back(static_cast<I*>(s.second.Get()), true);
        return out;
    }

    void UnadviseAll() {
        auto gone = std::move(sinks_);
        sinks_.clear();
    }

private:
    IUnknown* owner_;
    IConnectionPointContainer* container_;
    IID iid_;
    DWORD lastCookie_ = 0;
    std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
};

// Calls event `id` on every sink of a dispatch point. `argsLastFirst` holds the
// event's arguments in the order of DISPPARAMS (the last argument first).
// Every sink is called; the answer is the first failure a sink reported.
inline HRESULT FireEvent(const ConnectionPoint& point, DISPID id, VARIANT* argsLastFirst = nullptr, UINT count = 0) {
    HRESULT first = S_OK;
    for (const auto& sink : point.Sinks<IDispatch>()) {
        DISPPARAMS params = {argsLastFirst, nullptr, count, 0};
        ExceptionInfo excep;
        const HRESULT hr =
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, excep.Get(), nullptr);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    return first;
}

// Tells every IPropertyNotifySink that property `id` has changed.
inline void NotifyPropertyChanged(const ConnectionPoint& point, DISPID id) {
    for (const auto& sink : point.Sinks<IPropertyNotifySink>()) sink->OnChanged(id);
}

// The answers of IConnectionPointContainer over an object's points.
inline HRESULT FindPoint(std::initializer_list<ConnectionPoint*> points, REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (ConnectionPoint* p : points) {
        if (p->Iid() == iid) {
            *out = p;
            p->AddRef();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

inline HRESULT EnumPoints(std::initializer_list<ConnectionPoint*> points, IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    std::vector<IConnectionPoint*> items(points.begin(), points.end());
    *out = new ConnectionPointEnum(std::move(items));
    return S_OK;
}

}  // namespace com
