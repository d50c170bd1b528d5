// RintokCtl. The multimedia timer's callback only posts WM_CHAR 10 to the
// control's window; the key-press handling turns that character into the
// Timer event, so every event is raised on the user-interface thread, one per
// expiry, never merged.
#include "rintok_ctl.h"

#include <string>

#include "com/ole_control.h"
#include "com/property_bag.h"
#include "mod_hi_pre_timer.h"
#include "rintok_face.h"
#include "rintok_h.h"
#include "rintok_ids.h"

namespace rintok {
namespace {

// The size the control keeps, in pixels.
constexpr SIZE kControlSize = {155, 30};

// Stored-property defaults: they apply only when a bag lacks the entry.
constexpr long kDefaultInterval = 1000;
constexpr long kDefaultResolution = 10000;

const com::ControlClassInfo kClassInfo = {CLSID_RintokCtl, IID__RintokCtl, DIID___RintokCtl, "RintokCtlWindow"};

class RintokCtl final : public com::OleControl<_RintokCtl> {
public:
    // A new control sets no defaults of its own: numbers 0, flags false, Tag empty.
    RintokCtl() : OleControl(kClassInfo) {
        // The result is not tested: when the call fails both limits stay 0.
        TIMECAPS caps = {};
        modHiPreTimer::timeGetDevCaps(&caps, sizeof caps);
        periodMin_ = caps.wPeriodMin;
        periodMax_ = caps.wPeriodMax;
    }

    ~RintokCtl() override { StopTimer(); }

    // Each set of a stored property tells the container that it changed, so
    // that a design-time host marks its stored copy dirty.

    STDMETHODIMP get_Tag(BSTR* tag) override {
        if (!tag) return E_POINTER;
        *tag = SysAllocStringLen(tag_.data(), static_cast<UINT>(tag_.size()));
        return *tag ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP put_Tag(BSTR tag) override {
        tag_.assign(tag ? tag : L"", tag ? SysStringLen(tag) : 0);
        PropertyChanged(kDispTag);
        return S_OK;
    }

    STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override {
        if (!enabled) return E_POINTER;
        *enabled = enabled_;
        return S_OK;
    }
    STDMETHODIMP put_Enabled(VARIANT_BOOL* value) override {
        if (!value) return E_POINTER;
        SetEnabled(*value != 0);
        PropertyChanged(kDispEnabled);
        return S_OK;
    }

    STDMETHODIMP get_hwnd(long* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = static_cast<long>(reinterpret_cast<LONG_PTR>(WindowHandle()));
        return S_OK;
    }

    STDMETHODIMP get_Interval(long* interval) override {
        if (!interval) return E_POINTER;
        *interval = interval_;
        return S_OK;
    }
    // A running timer is killed and registered afresh, its delay counted from
    // now; a stopped one stays stopped.
    STDMETHODIMP put_Interval(long interval) override {
        interval_ = interval < 1 ? 1 : interval;
        SetEnabled(enabled_ != 0);
        PropertyChanged(kDispInterval);
        return S_OK;
    }

    STDMETHODIMP get_Periodic(VARIANT_BOOL* periodic) override {
        if (!periodic) return E_POINTER;
        *periodic = periodic_;
        return S_OK;
    }
    // Takes effect at the next start.
    STDMETHODIMP put_Periodic(VARIANT_BOOL periodic) override {
        periodic_ = com::ToVariantBool(periodic != 0);
        PropertyChanged(kDispPeriodic);
        return S_OK;
    }

    STDMETHODIMP get_Resolution(long* resolution) override {
        if (!resolution) return E_POINTER;
        *resolution = resolution_;
        return S_OK;
    }
    // Clamped into the device's range (signed comparisons); takes effect at the next start.
    STDMETHODIMP put_Resolution(long resolution) override {
        const long low = static_cast<long>(periodMin_);
        const long high = static_cast<long>(periodMax_);
        resolution_ = resolution < low ? low : (resolution > high ? high : resolution);
        PropertyChanged(kDispResolution);
        return S_OK;
    }

    // Enabled's set takes its argument by reference; callers pass it either
    // way and with any type that converts to a Boolean, so it is answered here
    // rather than by the type information, and nothing is written back.
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (id != kDispEnabled || !(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
            return OleControl::Invoke(id, iid, lcid, flags, params, result, excep, argErr);
        if (!params) return E_INVALIDARG;
        if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (params->cNamedArgs > 1 || (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_PARAMNOTFOUND;
        bool value = false;
        if (FAILED(com::Variant(params->rgvarg[0]).ToBool(value))) {
            if (argErr) *argErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        SetEnabled(value);
        PropertyChanged(kDispEnabled);
        return S_OK;
    }

protected:
    // Every entry is read and checked before any is applied, so a bag with a
    // value of the wrong type changes nothing. Enabled comes last, so that a
    // timer started at load already has its interval, mode and resolution.
    HRESULT OnReadProperties(IPropertyBag* bag) override {
        long interval = 0, resolution = 0;
        bool periodic = false, enabled = false;
        std::wstring tag;
        HRESULT hr = com::ReadLong(bag, L"Interval", kDefaultInterval, interval);
        if (SUCCEEDED(hr)) hr = com::ReadBool(bag, L"Periodic", false, periodic);
        if (SUCCEEDED(hr)) hr = com::ReadLong(bag, L"Resolution", kDefaultResolution, resolution);
        if (SUCCEEDED(hr)) hr = com::ReadString(bag, L"Tag", L"", tag);
        if (SUCCEEDED(hr)) hr = com::ReadBool(bag, L"Enabled", false, enabled);
        if (FAILED(hr)) return hr;
        // Stored values are taken as they are: no lower bound, no clamping.
        interval_ = interval;
        periodic_ = com::ToVariantBool(periodic);
        resolution_ = resolution;
        tag_ = tag;
        SetEnabled(enabled);
        return S_OK;
    }

    HRESULT OnWriteProperties(IPropertyBag* bag) override {
        HRESULT hr = com::WriteLong(bag, L"Interval", interval_, kDefaultInterval);
        if (SUCCEEDED(hr)) hr = com::WriteBool(bag, L"Periodic", periodic_ != 0, false);
        if (SUCCEEDED(hr)) hr = com::WriteLong(bag, L"Resolution", resolution_, kDefaultResolution);
        if (SUCCEEDED(hr)) hr = com::WriteString(bag, L"Tag", tag_, L"");
        if (SUCCEEDED(hr)) hr = com::WriteBool(bag, L"Enabled", enabled_ != 0, false);
        return hr;
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        switch (msg) {
        case WM_CHAR:
            // Character 10 is the timer's expiry, from the callback or from anyone else.
            if (wp == modHiPreTimer::kTimerCharacter) FireEvent(kEventTimer);
            result = 0;
            return true;
        case WM_GETDLGCODE:
            // A dialog host must not take the expiry character for itself.
            result = DLGC_WANTALLKEYS | DLGC_WANTCHARS;
            return true;
        default:
            return false;
        }
    }

    void SnapSize(SIZE& pixels) override { pixels = kControlSize; }

    void OnDraw(HDC dc, const RECT& bounds) override {
        if (!face_) face_ = MakeFace();
        DrawFace(dc, bounds, face_.Get());
    }

private:
    // In run mode Enabled becomes the start's result, so it reads false when
    // the system refused the timer; in design mode it is stored and nothing
    // starts. Off, it is the complement of the stop's result.
    void SetEnabled(bool value) {
        if (value) {
            enabled_ = AmbientUserMode() ? StartTimer() : VARIANT_TRUE;
        } else {
            enabled_ = static_cast<VARIANT_BOOL>(~StopTimer());
        }
    }

    VARIANT_BOOL StartTimer() {
        StopTimer();
        const HWND hwnd = WindowHandle();
        const UINT eventType = (periodic_ ? TIME_PERIODIC : TIME_ONESHOT) | TIME_CALLBACK_FUNCTION;
        timerId_ = modHiPreTimer::timeSetEvent(static_cast<UINT>(interval_), static_cast<UINT>(resolution_),
                                              &modHiPreTimer::TimerProc, reinterpret_cast<DWORD_PTR>(hwnd),
                                              eventType);
        return com::ToVariantBool(timerId_ != 0);
    }

    // A spent one-shot identifier is handed to timeKillEvent too, which then
    // has nothing left to kill; its result is ignored.
    VARIANT_BOOL StopTimer() {
        if (timerId_ != 0) {
            modHiPreTimer::timeKillEvent(timerId_);
            timerId_ = 0;
        }
        return VARIANT_TRUE;
    }

    UINT timerId_ = 0;
    long interval_ = 0;
    long resolution_ = 0;
    UINT periodMin_ = 0;
    UINT periodMax_ = 0;
    VARIANT_BOOL periodic_ = VARIANT_FALSE;
    VARIANT_BOOL enabled_ = VARIANT_FALSE;
    std::wstring tag_;
    com::GdiObject<HBITMAP> face_;
};

}  // namespace

HRESULT CreateRintokCtl(REFIID iid, void** out) { return com::CreateControl<RintokCtl>(iid, out); }

}  // namespace rintok
