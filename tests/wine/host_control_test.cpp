// The control-hosting layer as Quelmar's windows use it: what a hosted
// control sees of its container (ambient properties, extender, user mode),
// stored properties, events routed to the window's named handlers,
// property-changed notifications, late-bound calls by dispatch id (the
// port-access component hosted without a window), failures and teardown.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "com/library_loading.h"
#include "com/screen_units.h"
#include "tests/wine/rintok_test_support.h"

namespace {

using rintok_test::DrainMessages;
using Stored = host::StoredProperties;

const CLSID kClsidHwinterface = {0xe6b59980, 0x497a, 0x4656, {0xa0, 0x4b, 0x9b, 0x5d, 0x08, 0xef, 0x5d, 0xcf}};
constexpr DISPID kDispPortIn = 1;
constexpr DISPID kDispPortOut = 2;

class HostTest : public rintok_test::HostedTimerTest {
protected:
    // The container as the control reaches it: its client site.
    static com::ComPtr<IOleClientSite> SiteOf(host::HostedControl* c) {
        com::ComPtr<IOleObject> ole;
        EXPECT_EQ(c->Object()->QueryInterface(IID_IOleObject, ole.OutVoid()), S_OK);
        com::ComPtr<IOleClientSite> site;
        if (ole) {
            EXPECT_EQ(ole->GetClientSite(site.Out()), S_OK);
        }
        return site;
    }
    static HRESULT Ambient(host::HostedControl* c, DISPID id, com::Variant& out) {
        auto site = SiteOf(c);
        auto ambient = site.As<IDispatch>(IID_IDispatch);
        if (!ambient) return E_NOINTERFACE;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        return ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out.Out(), nullptr,
                               nullptr);
    }
    static com::ComPtr<IDispatch> ExtenderOf(host::HostedControl* c) {
        auto controlSite = SiteOf(c).As<IOleControlSite>(IID_IOleControlSite);
        com::ComPtr<IDispatch> extender;
        EXPECT_TRUE(controlSite);
        if (controlSite) {
            EXPECT_EQ(controlSite->GetExtendedControl(extender.Out()), S_OK);
        }
        return extender;
    }
    static HRESULT IdOf(IDispatch* d, const wchar_t* name, DISPID& id) {
        LPOLESTR n = const_cast<LPOLESTR>(name);
        return d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    }

    std::unique_ptr<host::HostedControl> HostPort(const host::EventHandlers* handlers, HRESULT* result = nullptr) {
        host::ControlSpec setup;
        setup.name = "Hwinterface1";
        setup.source = host::ControlSource::FromDll(L"hwinterface.ocx", kClsidHwinterface);
        setup.handlers = handlers;
        std::unique_ptr<host::HostedControl> port;
        const HRESULT hr = host::HostedControl::Create(setup, port);
        if (result) *result = hr;
        else EXPECT_EQ(hr, S_OK);
        return port;
    }

    static BOOL CALLBACK CountWindow(HWND, LPARAM count) {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
    }
    int ChildWindows() const {
        int n = 0;
        EnumChildWindows(window_.Get(), CountWindow, reinterpret_cast<LPARAM>(&n));
        return n;
    }
};

TEST_F(HostTest, ControlIsPlacedAsAVisibleChildAtItsPositionInTwips) {
    auto c = Host();
    ASSERT_TRUE(c);
    const HWND hwnd = c->Window();
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetParent(hwnd), window_.Get());
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE);
    RECT r = {};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, window_.Get(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, com::PixelsFromTwipsX(150));
    EXPECT_EQ(r.top, com::PixelsFromTwipsY(300));
    const host::TwipsRect at = c->Position();
    EXPECT_EQ(at.left, 150);
    EXPECT_EQ(at.top, 300);
    EXPECT_EQ(c->Name(), "mmtimer1");
}

TEST_F(HostTest, ControlSeesTheAmbientPropertiesOfItsContainer) {
    host::ControlSpec setup = rintok_test::TimerSpec("mmtimer1", window_.Get(), {0, 0, 2325, 450});
    setup.ambient.fontName = L"Tahoma";
    setup.ambient.fontPoints = 12;
    setup.ambient.fontBold = true;
    setup.ambient.backColor = 0x00112233;
    setup.ambient.foreColor = 0x00445566;
    setup.ambient.locale = 0x0410;
    std::unique_ptr<host::HostedControl> c;
    ASSERT_EQ(host::HostedControl::Create(setup, c), S_OK);

    const struct {
        DISPID id;
        com::Variant expected;
    } cases[] = {
        {DISPID_AMBIENT_USERMODE, com::Variant(true)},
        {DISPID_AMBIENT_DISPLAYNAME, com::Variant(L"mmtimer1")},  // the control's name when none is given
        {DISPID_AMBIENT_BACKCOLOR, com::Variant(0x00112233L)},
        {DISPID_AMBIENT_FORECOLOR, com::Variant(0x00445566L)},
        {DISPID_AMBIENT_LOCALEID, com::Variant(0x0410L)},
        {DISPID_AMBIENT_SHOWHATCHING, com::Variant(false)},
        {DISPID_AMBIENT_UIDEAD, com::Variant(false)},
    };
    for (const auto& k : cases) {
        com::Variant got;
        ASSERT_EQ(Ambient(c.get(), k.id, got), S_OK) << k.id;
        com::Variant expected = k.expected;
        EXPECT_EQ(VarCmp(got.Get(), expected.Get(), LOCALE_USER_DEFAULT, 0), static_cast<HRESULT>(VARCMP_EQ))
            << "ambient " << k.id;
    }

    com::Variant font;
    ASSERT_EQ(Ambient(c.get(), DISPID_AMBIENT_FONT, font), S_OK);
    ASSERT_EQ(font.Type(), VT_DISPATCH);
    com::ComPtr<IFont> ifont;
    ASSERT_EQ(font.Get()->pdispVal->QueryInterface(IID_IFont, ifont.OutVoid()), S_OK);
    // The system may report a substitute face and a size rounded to pixels:
    // compare with a font made here from the same description.
    com::Bstr face(L"Tahoma");
    FONTDESC desc = {sizeof(FONTDESC), face.Get(), {}, FW_BOLD, ANSI_CHARSET, FALSE, FALSE, FALSE};
    desc.cySize.int64 = 120000;
    com::ComPtr<IFont> reference;
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFont, reference.OutVoid()), S_OK);
    com::Bstr name, referenceName;
    ASSERT_EQ(ifont->get_Name(name.Out()), S_OK);
    ASSERT_EQ(reference->get_Name(referenceName.Out()), S_OK);
    EXPECT_EQ(name.Text(), referenceName.Text());
    CY size = {}, referenceSize = {};
    ASSERT_EQ(ifont->get_Size(&size), S_OK);
    ASSERT_EQ(reference->get_Size(&referenceSize), S_OK);
    EXPECT_EQ(size.int64, referenceSize.int64);
    BOOL bold = FALSE;
    ASSERT_EQ(ifont->get_Bold(&bold), S_OK);
    EXPECT_TRUE(bold);

    com::Variant none;
    EXPECT_EQ(Ambient(c.get(), 0x12345, none), DISP_E_MEMBERNOTFOUND);
}

// The control reads the user mode at each start: switched to design mode it
// starts nothing; switched back, it runs.
TEST_F(HostTest, UserModeChangeReachesTheControl) {
    auto c = Host(Stored{{L"Periodic", true}, {L"Interval", 2}, {L"Resolution", 1}});
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->UserMode());
    c->SetUserMode(false);
    EXPECT_FALSE(c->UserMode());
    com::Variant mode;
    ASSERT_EQ(Ambient(c.get(), DISPID_AMBIENT_USERMODE, mode), S_OK);
    EXPECT_EQ(mode.Ref().boolVal, VARIANT_FALSE);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), -1);
    WaitForMarker(60);
    EXPECT_EQ(Timers(), 0u);

    c->SetUserMode(true);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_TRUE(WaitForTimers(3));
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
}

TEST_F(HostTest, EventsReachTheHandlerNamedAfterTheControlAndTheEvent) {
    std::vector<std::string> calls;
    host::EventHandlers handlers;
    for (const char* name : {"mmtimer1_Timer", "tmrScadenza_Timer"}) {
        handlers.Add(name, [&](host::EventArgs& e) {
            calls.push_back(e.handler);
            EXPECT_EQ(e.id, rintok::kEventTimer);
            EXPECT_EQ(e.Count(), 0u);
        });
    }
    auto make = [&](const std::string& name, const host::EventHandlers* h) {
        std::unique_ptr<host::HostedControl> c;
        EXPECT_EQ(host::HostedControl::Create(rintok_test::TimerSpec(name, window_.Get(), {}, h), c), S_OK) << name;
        return c;
    };
    auto first = make("mmtimer1", &handlers);
    auto second = make("tmrScadenza", &handlers);
    auto unhandled = make("tmrSenzaGestore", &handlers);  // no handler of that name
    auto unrouted = make("mmtimer1", nullptr);            // no handlers at all
    ASSERT_TRUE(first && second && unhandled && unrouted);

    const struct {
        host::HostedControl* control;
        std::vector<std::string> expected;
    } cases[] = {
        {first.get(), {"mmtimer1_Timer"}},
        {second.get(), {"tmrScadenza_Timer"}},
        {unhandled.get(), {}},
        {unrouted.get(), {}},
    };
    for (const auto& k : cases) {
        calls.clear();
        PostMessageA(k.control->Window(), WM_CHAR, 10, 0);
        DrainMessages();
        EXPECT_EQ(calls, k.expected) << k.control->Name();
    }
}

TEST_F(HostTest, HandlerMayReleaseTheControlThatRaisedTheEvent) {
    std::unique_ptr<host::HostedControl> c;
    int raised = 0;
    host::EventHandlers handlers;
    handlers.Add("mmtimer1_Timer", [&](host::EventArgs&) {
        ++raised;
        c.reset();
    });
    ASSERT_EQ(host::HostedControl::Create(rintok_test::TimerSpec("mmtimer1", window_.Get(), {}, &handlers), c), S_OK);
    const HWND hwnd = c->Window();
    PostMessageA(hwnd, WM_CHAR, 10, 0);
    PostMessageA(hwnd, WM_CHAR, 10, 0);  // reaches no window any more
    DrainMessages();
    EXPECT_EQ(raised, 1);
    EXPECT_FALSE(c);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(HostTest, StoredPropertiesAreLoadedAndChangesAreReportedOnceEach) {
    auto c = Host(Stored{{L"Periodic", true}, {L"Interval", 0}, {L"Resolution", 0}});
    ASSERT_TRUE(c);
    EXPECT_EQ(GetBool(c.get(), rintok::kDispPeriodic), -1);
    EXPECT_EQ(GetLong(c.get(), rintok::kDispInterval), 0);
    EXPECT_TRUE(c->ChangedProperties().empty()) << "loading is no change";

    Put(c.get(), rintok::kDispInterval, host::Arg::Val(5L));
    Put(c.get(), rintok::kDispTag, host::Arg::Val(L"passo"));
    Put(c.get(), rintok::kDispInterval, host::Arg::Val(6L));
    Put(c.get(), rintok::kDispPeriodic, host::Arg::Val(false));
    for (int i = 0; i < 1000; ++i) Put(c.get(), rintok::kDispResolution, host::Arg::Val(1L));
    const std::vector<DISPID> expected = {rintok::kDispInterval, rintok::kDispTag, rintok::kDispPeriodic,
                                          rintok::kDispResolution};
    EXPECT_EQ(c->ChangedProperties(), expected);
    c->ClearChangedProperties();
    EXPECT_TRUE(c->ChangedProperties().empty());
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
    EXPECT_EQ(c->ChangedProperties(), std::vector<DISPID>{rintok::kDispEnabled});
    // Reading changes nothing.
    c->ClearChangedProperties();
    GetLong(c.get(), rintok::kDispInterval);
    EXPECT_TRUE(c->ChangedProperties().empty());
}

TEST_F(HostTest, ExtenderAnswersToolTipTextNameAndPositionAndPassesTheRestToTheControl) {
    host::ControlSpec setup = rintok_test::TimerSpec("mmtimer1", window_.Get(), {300, 450, 2325, 450});
    setup.toolTipText = L"Durata \u00E8 in ms";
    std::unique_ptr<host::HostedControl> c;
    ASSERT_EQ(host::HostedControl::Create(setup, c), S_OK);
    auto extender = ExtenderOf(c.get());
    ASSERT_TRUE(extender);

    auto get = [&](const wchar_t* name) {
        DISPID id = 0;
        EXPECT_EQ(IdOf(extender.Get(), name, id), S_OK) << name;
        com::Variant v;
        EXPECT_EQ(host::GetById(extender.Get(), id, v), S_OK) << name;
        return v;
    };
    auto text = [&](const wchar_t* name) {
        std::wstring s;
        EXPECT_EQ(get(name).ToString(s), S_OK);
        return s;
    };
    auto number = [&](const wchar_t* name) {
        long n = 0;
        EXPECT_EQ(get(name).ToLong(n), S_OK);
        return n;
    };
    EXPECT_EQ(text(L"ToolTipText"), L"Durata \u00E8 in ms");
    EXPECT_EQ(text(L"tooltiptext"), L"Durata \u00E8 in ms");
    EXPECT_EQ(text(L"Name"), L"mmtimer1");
    EXPECT_EQ(number(L"Left"), 300);
    EXPECT_EQ(number(L"Top"), 450);
    EXPECT_EQ(number(L"Width"), 155 * com::TwipsPerPixelX());
    EXPECT_EQ(number(L"Height"), 30 * com::TwipsPerPixelY());
    EXPECT_EQ(number(L"Interval"), 0) << "a member of the control itself";

    // The host's tool-tip and the extender's are one value, whichever side sets it.
    c->SetToolTipText(L"nuovo");
    EXPECT_EQ(text(L"ToolTipText"), L"nuovo");
    DISPID tip = 0;
    ASSERT_EQ(IdOf(extender.Get(), L"ToolTipText", tip), S_OK);
    EXPECT_EQ(host::PutById(extender.Get(), tip, host::Arg::Val(L"dal controllo")), S_OK);
    EXPECT_EQ(c->ToolTipText(), L"dal controllo");

    DISPID nameId = 0, unknown = 0;
    ASSERT_EQ(IdOf(extender.Get(), L"Name", nameId), S_OK);
    EXPECT_NE(host::PutById(extender.Get(), nameId, host::Arg::Val(L"altro")), S_OK) << "Name is read only";
    EXPECT_EQ(text(L"Name"), L"mmtimer1");
    EXPECT_EQ(IdOf(extender.Get(), L"NessunMembro", unknown), DISP_E_UNKNOWNNAME);
}

TEST_F(HostTest, PortAccessComponentIsHostedWithoutAWindowAndWrittenByIdWithReferences) {
    const std::string trace = wine_test::TempPath("host-port-trace.txt");
    DeleteFileA(trace.c_str());
    SetEnvironmentVariableA("QUELMAR_PORT_TRACE", trace.c_str());
    // The window's handlers are given as for any control: the component has no events to route.
    auto port = HostPort(&events_);
    SetEnvironmentVariableA("QUELMAR_PORT_TRACE", nullptr);
    ASSERT_TRUE(port);
    EXPECT_EQ(port->Window(), nullptr);

    short address = 0x378, value = 0xA5;
    EXPECT_EQ(host::CallById(port->Dispatch(), kDispPortOut, {host::Arg::Ref(address), host::Arg::Ref(value)}), S_OK);
    EXPECT_EQ(address, 0x378);
    EXPECT_EQ(value, 0xA5);
    EXPECT_EQ(host::CallById(port->Dispatch(), kDispPortOut, {host::Arg::Val(short(0x278)), host::Arg::Val(7L)}),
              S_OK);
    short custom = static_cast<short>(0xDC00), byte = 255;
    EXPECT_EQ(host::CallById(port->Dispatch(), kDispPortOut, {host::Arg::Ref(custom), host::Arg::Ref(byte)}), S_OK);

    com::Variant read;
    EXPECT_EQ(host::CallById(port->Dispatch(), kDispPortIn, {host::Arg::Val(short(0x378))}, &read), S_OK);
    long last = -1;
    EXPECT_EQ(read.ToLong(last), S_OK);
    EXPECT_EQ(last, 0xA5);

    // Wrong calls are refused and write nothing.
    EXPECT_EQ(host::CallById(port->Dispatch(), kDispPortOut, {host::Arg::Ref(address)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(host::CallById(port->Dispatch(), kDispPortOut, {host::Arg::Val(L"x"), host::Arg::Ref(value)}),
              DISP_E_TYPEMISMATCH);
    EXPECT_NE(host::CallById(port->Dispatch(), 99, {}), S_OK);
    EXPECT_EQ(host::CallById(nullptr, kDispPortOut, {}), E_POINTER);
    port.reset();

    const auto lines = wine_test::ReadTrace(trace);
    EXPECT_EQ(wine_test::Writes(lines), (std::vector<std::pair<int, int>>{{0x378, 0xA5}, {0x278, 7}, {0xDC00, 255}}));
    DeleteFileA(trace.c_str());
}

TEST_F(HostTest, LateBoundPutsAndGetsByIdPassValuesAndReferences) {
    auto c = Host(std::nullopt, false);
    ASSERT_TRUE(c);
    com::Bstr tag(L"per riferimento");
    BSTR raw = tag.Get();
    EXPECT_EQ(host::PutById(c->Dispatch(), rintok::kDispTag, host::Arg::Ref(raw)), S_OK);
    EXPECT_EQ(GetText(c.get(), rintok::kDispTag), L"per riferimento");
    EXPECT_EQ(raw, tag.Get()) << "the caller's string stays its own";
    long interval = 40;
    EXPECT_EQ(host::PutById(c->Dispatch(), rintok::kDispInterval, host::Arg::Ref(interval)), S_OK);
    EXPECT_EQ(GetLong(c.get(), rintok::kDispInterval), 40);
    VARIANT anything;
    VariantInit(&anything);
    anything.vt = VT_I4;
    anything.lVal = -3;
    EXPECT_EQ(host::PutById(c->Dispatch(), rintok::kDispInterval, host::Arg::Ref(anything)), S_OK);
    EXPECT_EQ(GetLong(c.get(), rintok::kDispInterval), 1);
    com::Variant v;
    EXPECT_EQ(host::GetById(c->Dispatch(), 0x7777, v), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(host::PutById(c->Dispatch(), rintok::kDispInterval, host::Arg::Val(L"non un numero")),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(GetLong(c.get(), rintok::kDispInterval), 1);
}

TEST_F(HostTest, CreationFailuresLeaveNoControlAndNoWindowBehind) {
    const CLSID unknownClsid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
    const struct {
        const char* what;
        host::ControlSource source;
        HRESULT expected;
    } cases[] = {
        {"missing library", host::ControlSource::FromDll(L"nessuno-controllo.dll", rintok::kClsidRintokCtl),
         HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        // A bare name is only ever looked for beside the program.
        {"system library by bare name", host::ControlSource::FromDll(L"kernel32.dll", rintok::kClsidRintokCtl),
         HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"library without a class factory",
         host::ControlSource::FromDll(com::PathInSystemFolder(L"kernel32.dll"), rintok::kClsidRintokCtl),
         HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)},
        {"class the library lacks", host::ControlSource::FromDll(rintok::kDllName, unknownClsid),
         CLASS_E_CLASSNOTAVAILABLE},
        {"unregistered ProgID", host::ControlSource::FromProgId(L"Nessuno.Controllo"), CO_E_CLASSSTRING},
        {"no object", host::ControlSource::FromObject(nullptr), E_POINTER},
    };
    for (const auto& k : cases) {
        host::ControlSpec setup;
        setup.name = "mmtimer1";
        setup.source = k.source;
        setup.parent = window_.Get();
        setup.handlers = &events_;
        std::unique_ptr<host::HostedControl> c;
        EXPECT_EQ(host::HostedControl::Create(setup, c), k.expected) << k.what;
        EXPECT_FALSE(c) << k.what;
        EXPECT_EQ(ChildWindows(), 0) << k.what;
    }
    // Stored values the control refuses: the half-made control is torn down.
    HRESULT hr = S_OK;
    auto c = Host(Stored{{L"Interval", L"abc"}}, true, "mmtimer1", &hr);
    EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(c);
    EXPECT_EQ(ChildWindows(), 0);
}

// After teardown the control holds no site, is out of its window and has no
// sinks; the test's own reference keeps it alive to look.
TEST_F(HostTest, TeardownLeavesTheControlDeactivatedUnsitedAndUnadvised) {
    auto c = Host();
    ASSERT_TRUE(c);
    com::ComPtr<IUnknown> kept = c->Object() ? com::ComPtr<IUnknown>(c->Object(), true) : com::ComPtr<IUnknown>();
    const HWND hwnd = c->Window();
    auto points = kept.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(points);
    auto connections = [&] {
        int n = 0;
        com::ComPtr<IEnumConnectionPoints> all;
        EXPECT_EQ(points->EnumConnectionPoints(all.Out()), S_OK);
        IConnectionPoint* point = nullptr;
        while (all->Next(1, &point, nullptr) == S_OK) {
            com::ComPtr<IConnectionPoint> owned(point);
            com::ComPtr<IEnumConnections> each;
            EXPECT_EQ(owned->EnumConnections(each.Out()), S_OK);
            CONNECTDATA data = {};
            while (each->Next(1, &data, nullptr) == S_OK) {
                data.pUnk->Release();
                ++n;
            }
        }
        return n;
    };
    EXPECT_EQ(connections(), 2) << "the event sink and the property-changed sink";

    c.reset();
    EXPECT_EQ(connections(), 0);
    com::ComPtr<IOleClientSite> site;
    auto ole = kept.As<IOleObject>(IID_IOleObject);
    ASSERT_TRUE(ole);
    ole->GetClientSite(site.Out());
    EXPECT_FALSE(site);
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_NE(GetAncestor(hwnd, GA_PARENT), window_.Get());
    EXPECT_EQ(ChildWindows(), 0);
    // A late character reaches no handler.
    PostMessageA(hwnd, WM_CHAR, 10, 0);
    DrainMessages();
    EXPECT_EQ(Timers(), 0u);
    points.Reset();
    ole.Reset();
    kept.Reset();
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
