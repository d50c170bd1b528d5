// The property store a window keeps for each of its controls: name and value
// pairs, handed to the control as a property bag to load from or save to.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>
#include <utility>
#include <vector>

#include "com/com_support.h"
#include "com/variant.h"

namespace host {

// A control's stored properties, in the order they were written.
using StoredProperties = std::vector<std::pair<std::wstring, com::Variant>>;

// IPropertyBag over stored values. Names match without regard to case. A
// missing name reads as E_INVALIDARG, which a control takes as "use the
// default"; a read that asks for a type gets the value converted to it, or
// the conversion's error. A write replaces the value of the same name.
class PropertyBagOfValues final : public com::RefCounted, public IPropertyBag {
public:
    explicit PropertyBagOfValues(StoredProperties values = {}) : values_(std::move(values)) {}

    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

    const StoredProperties& Values() const { return values_; }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IPropertyBag) return static_cast<IPropertyBag*>(this);
        return nullptr;
    }
    StoredProperties::iterator Lookup(LPCOLESTR name);

    StoredProperties values_;
};

}  // namespace host
