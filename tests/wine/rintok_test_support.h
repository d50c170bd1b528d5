// What the Rintok and hosting-layer tests share: a plain window to host
// controls on, the timer control hosted through the hosting layer with its
// Timer events counted, and a second timer used as a marker, so that a test
// waits for a later event instead of sleeping.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/variant.h"
#include "com/win_handles.h"
#include "host/hosted_control.h"
#include "tests/wine/wine_test_support.h"
#include "timer_control/rintok_ids.h"

namespace rintok_test {

// A top-level window that hosts the controls of a test; never shown.
inline HWND MakeHostWindow() { return wine_test::MakeWindow({}); }

// The timer control `name` from Rintok.dll on `parent`, its events to `handlers`.
inline host::ControlSpec TimerSpec(const std::string& name, HWND parent, const host::TwipsRect& position = {},
                                   const host::EventHandlers* handlers = nullptr) {
    host::ControlSpec setup;
    setup.name = name;
    setup.source = host::ControlSource::FromDll(rintok::kDllName, rintok::kClsidRintokCtl);
    setup.parent = parent;
    setup.position = position;
    setup.handlers = handlers;
    return setup;
}

// What a container learns of the class of `object` (IProvideClassInfo2): its
// default event interface and its coclass's type information.
inline void ReadClassInfo(IUnknown* object, IID& eventIid, com::ComPtr<ITypeInfo>& coclass) {
    com::ComPtr<IProvideClassInfo2> info;
    ASSERT_EQ(object->QueryInterface(IID_IProvideClassInfo2, info.OutVoid()), S_OK);
    ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &eventIid), S_OK);
    ASSERT_EQ(info->GetClassInfo(coclass.Out()), S_OK);
}

// The dispatch id of the member `name` of `info` (DISPID_UNKNOWN: none).
inline MEMBERID MemberId(ITypeInfo* info, const wchar_t* name) {
    LPOLESTR n = const_cast<LPOLESTR>(name);
    MEMBERID id = DISPID_UNKNOWN;
    EXPECT_EQ(info->GetIDsOfNames(&n, 1, &id), S_OK) << "no member of that name";
    return id;
}

// Empties the thread's queue, so that no message of one test reaches the next.
inline void DrainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class HostedTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        window_.Reset(MakeHostWindow());
        ASSERT_TRUE(window_);
        events_.Add("mmtimer1_Timer", [this](host::EventArgs& e) {
            timerThreads_.push_back(GetCurrentThreadId());
            timerArgs_.push_back(e.Count());
        });
        events_.Add("marker_Timer", [this](host::EventArgs&) { ++markers_; });
    }
    void TearDown() override {
        marker_.reset();
        DrainMessages();
        window_.Reset();
        OleUninitialize();
    }

    // Hosts a timer control named `name` on the test window.
    std::unique_ptr<host::HostedControl> Host(std::optional<host::StoredProperties> stored = std::nullopt,
                                              bool userMode = true, const std::string& name = "mmtimer1",
                                              HRESULT* result = nullptr) {
        host::ControlSpec setup = TimerSpec(name, window_.Get(), {150, 300, 2325, 450}, &events_);
        setup.stored = std::move(stored);
        setup.ambient.userMode = userMode;
        std::unique_ptr<host::HostedControl> control;
        const HRESULT hr = host::HostedControl::Create(setup, control);
        if (result) *result = hr;
        else EXPECT_EQ(hr, S_OK) << "hosting " << name;
        return control;
    }

    // Processes messages until a marker timer started now has fired after
    // `ms`: every Timer of mmtimer1 posted before then has been raised.
    void WaitForMarker(long ms) { WaitForMarkerAfter([] {}, ms); }
    // The same, with `meanwhile` run once the marker is started.
    void WaitForMarkerAfter(const std::function<void()>& meanwhile, long ms) {
        const int before = markers_;
        marker_ = Host(std::nullopt, true, "marker");
        ASSERT_TRUE(marker_);
        Put(marker_.get(), rintok::kDispInterval, host::Arg::Val(ms));
        Put(marker_.get(), rintok::kDispEnabled, host::Arg::Val(true));
        meanwhile();
        ASSERT_TRUE(wine_test::PumpUntil([&] { return markers_ > before; }, 60000 + ms)) << "the marker never fired";
        marker_.reset();
    }

    // Processes messages until mmtimer1 has raised `count` Timer events in all.
    bool WaitForTimers(size_t count, DWORD timeoutMs = 60000) {
        return wine_test::PumpUntil([&] { return timerThreads_.size() >= count; }, timeoutMs);
    }

    static void Put(host::HostedControl* c, DISPID id, const host::Arg& value) {
        EXPECT_EQ(host::PutById(c->Dispatch(), id, value), S_OK) << "put of 0x" << std::hex << id;
    }
    static long GetLong(host::HostedControl* c, DISPID id) {
        com::Variant v;
        EXPECT_EQ(host::GetById(c->Dispatch(), id, v), S_OK);
        long n = -12345;
        EXPECT_EQ(v.ToLong(n), S_OK);
        return n;
    }
    // The Boolean as it crosses the interface: 0 or -1.
    static int GetBool(host::HostedControl* c, DISPID id) {
        com::Variant v;
        EXPECT_EQ(host::GetById(c->Dispatch(), id, v), S_OK);
        EXPECT_EQ(v.Type(), VT_BOOL);
        return v.Ref().boolVal;
    }
    static std::wstring GetText(host::HostedControl* c, DISPID id) {
        com::Variant v;
        EXPECT_EQ(host::GetById(c->Dispatch(), id, v), S_OK);
        std::wstring s;
        EXPECT_EQ(v.ToString(s), S_OK);
        return s;
    }
    static HWND ControlHwnd(host::HostedControl* c) {
        return reinterpret_cast<HWND>(static_cast<LONG_PTR>(GetLong(c, rintok::kDispHwnd)));
    }

    size_t Timers() const { return timerThreads_.size(); }

    com::Window window_;
    host::EventHandlers events_;
    std::vector<DWORD> timerThreads_;   // the thread of each Timer event
    std::vector<size_t> timerArgs_;     // the argument count of each
    int markers_ = 0;
    std::unique_ptr<host::HostedControl> marker_;
};

}  // namespace rintok_test
