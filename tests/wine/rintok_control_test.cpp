// RintokCtl in-process, hosted through the hosting layer as Quelmar hosts
// mmtimer1: its interface, clamping, stored properties, design and run mode,
// one-shot and periodic timers, restarts, late and foreign expiry characters,
// the fixed size and the face.
#include <windows.h>
#include <mmsystem.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "com/screen_units.h"
#include "tests/wine/wine_test_support.h"
#include "tests/wine/rintok_test_support.h"

namespace {

using rintok_test::DrainMessages;
using rintok_test::HostedTimerTest;
using Stored = host::StoredProperties;

class RintokTest : public HostedTimerTest {
protected:
    // Keeps this thread busy, taking no message, until a twin periodic timer
    // of `periodMs` started now has expired `count` times: the timer service
    // serves both in the order they fall due, so the control's timer, started
    // before, has expired (and posted) at least as often by then.
    struct Gemello {
        volatile LONG scadenze = 0;
        long attese = 0;
        wine_test::KernelHandle fatto{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    };
    static void CALLBACK ScadenzaGemello(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        auto* g = reinterpret_cast<Gemello*>(user);
        if (InterlockedIncrement(&g->scadenze) == g->attese) SetEvent(g->fatto.Get());
    }
    static void OccupatoPerScadenze(UINT periodMs, long count) {
        Gemello g;
        g.attese = count;
        const UINT id = timeSetEvent(periodMs, 1, ScadenzaGemello, reinterpret_cast<DWORD_PTR>(&g),
                                     TIME_PERIODIC | TIME_CALLBACK_FUNCTION);
        ASSERT_NE(id, 0u);
        const DWORD esito = WaitForSingleObject(g.fatto.Get(), 30000);  // hang guard
        timeKillEvent(id);
        ASSERT_EQ(esito, WAIT_OBJECT_0) << "the twin timer never expired";
    }

    // Holds the timer service: a twin one-shot due in `delayMs` keeps the
    // service's thread in its callback until released, and no other timer of
    // the process expires meanwhile. What the test does while it is held
    // cannot be overtaken by an expiry, however slow the machine.
    class ServiceHold {
    public:
        explicit ServiceHold(UINT delayMs)
            : id_(timeSetEvent(delayMs, 1, Hold, reinterpret_cast<DWORD_PTR>(this),
                               TIME_ONESHOT | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS)) {}
        ServiceHold(const ServiceHold&) = delete;
        ServiceHold& operator=(const ServiceHold&) = delete;
        ~ServiceHold() {
            Release();
            if (id_) timeKillEvent(id_);  // waits for a callback under way
        }
        bool WaitHeld() { return id_ && WaitForSingleObject(held_.Get(), 30000) == WAIT_OBJECT_0; }  // hang guard
        void Release() { SetEvent(release_.Get()); }

    private:
        static void CALLBACK Hold(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
            auto* self = reinterpret_cast<ServiceHold*>(user);
            SetEvent(self->held_.Get());
            WaitForSingleObject(self->release_.Get(), 30000);  // hang guard
        }
        wine_test::KernelHandle held_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        wine_test::KernelHandle release_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        UINT id_ = 0;
    };
};

TEST_F(RintokTest, MembersAndTheTimerEventCarryThePublishedDispatchIds) {
    auto c = Host();
    ASSERT_TRUE(c);
    const struct {
        const wchar_t* name;
        DISPID id;
    } members[] = {{L"Resolution", 0x68030000}, {L"Periodic", 0x68030001}, {L"Interval", 0x68030002},
                   {L"hwnd", 0x68030003},       {L"Enabled", 0x68030004},  {L"Tag", 0x40030007}};
    for (const auto& m : members) {
        LPOLESTR name = const_cast<LPOLESTR>(m.name);
        DISPID id = 0;
        EXPECT_EQ(c->Dispatch()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, m.id) << m.name;
    }

    // The default source interface has one event, Timer, with dispatch id 1.
    IID eventIid = {};
    com::ComPtr<ITypeInfo> coclass;
    ASSERT_NO_FATAL_FAILURE(rintok_test::ReadClassInfo(c->Object(), eventIid, coclass));
    com::ComPtr<ITypeInfo> events;
    for (UINT i = 0; i < 2 && !events; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
        if (!(flags & IMPLTYPEFLAG_FSOURCE)) continue;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, events.Out()), S_OK);
    }
    ASSERT_TRUE(events);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, eventIid));
    EXPECT_EQ(attr->cFuncs, 1);
    events->ReleaseTypeAttr(attr);
    EXPECT_EQ(rintok_test::MemberId(events.Get(), L"Timer"), 1);
}

TEST_F(RintokTest, IntervalBelowOneAndResolutionOutsideTheDeviceRangeAreClamped) {
    TIMECAPS caps = {};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), MMSYSERR_NOERROR);
    const long low = static_cast<long>(caps.wPeriodMin), high = static_cast<long>(caps.wPeriodMax);
    ASSERT_LT(low + 1, high);
    // Design mode, so that no set starts a timer.
    auto c = Host(std::nullopt, false);
    ASSERT_TRUE(c);
    const struct {
        DISPID id;
        long set;
        long expected;
    } cases[] = {
        {rintok::kDispInterval, 0, 1},           {rintok::kDispInterval, -1, 1},
        {rintok::kDispInterval, LONG_MIN, 1},    {rintok::kDispInterval, 1, 1},
        {rintok::kDispInterval, 250, 250},       {rintok::kDispInterval, LONG_MAX, LONG_MAX},
        {rintok::kDispResolution, low - 1, low}, {rintok::kDispResolution, -1, low},
        {rintok::kDispResolution, LONG_MIN, low}, {rintok::kDispResolution, low, low},
        {rintok::kDispResolution, low + 1, low + 1}, {rintok::kDispResolution, high, high},
        {rintok::kDispResolution, high + 1, high}, {rintok::kDispResolution, LONG_MAX, high},
    };
    for (const auto& k : cases) {
        Put(c.get(), k.id, host::Arg::Val(k.set));
        EXPECT_EQ(GetLong(c.get(), k.id), k.expected) << "set 0x" << std::hex << k.id << " to " << std::dec << k.set;
    }
}

TEST_F(RintokTest, BooleansReadBackAsZeroOrMinusOneWhateverNonzeroValueWasSet) {
    auto c = Host(std::nullopt, false);
    ASSERT_TRUE(c);
    const struct {
        DISPID id;
        com::Variant set;
        int expected;
    } cases[] = {
        {rintok::kDispPeriodic, com::Variant(1L), -1},       {rintok::kDispPeriodic, com::Variant(0L), 0},
        {rintok::kDispPeriodic, com::Variant(short(7)), -1}, {rintok::kDispEnabled, com::Variant(2L), -1},
        {rintok::kDispEnabled, com::Variant(false), 0},      {rintok::kDispEnabled, com::Variant(short(-1)), -1},
        {rintok::kDispEnabled, com::Variant(L"True"), -1},   {rintok::kDispEnabled, com::Variant(0L), 0},
    };
    for (const auto& k : cases) {
        Put(c.get(), k.id, host::Arg::Val(k.set.Ref()));
        EXPECT_EQ(GetBool(c.get(), k.id), k.expected);
    }

    // Enabled's set takes its argument by reference and leaves the caller's variable alone.
    VARIANT_BOOL on = 1;
    Put(c.get(), rintok::kDispEnabled, host::Arg::RefBool(on));
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), -1);
    EXPECT_EQ(on, 1);
    short off = 0;
    Put(c.get(), rintok::kDispEnabled, host::Arg::Ref(off));
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), 0);
}

TEST_F(RintokTest, WrongArgumentsToEnabledAreRefusedAndChangeNothing) {
    auto c = Host(std::nullopt, false);
    ASSERT_TRUE(c);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_EQ(host::PutById(c->Dispatch(), rintok::kDispEnabled, host::Arg::Val(L"maybe")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), -1);

    DISPID putId = DISPID_PROPERTYPUT;
    VARIANT two[2];
    for (VARIANT& v : two) {
        VariantInit(&v);
        v.vt = VT_BOOL;
        v.boolVal = VARIANT_FALSE;
    }
    DISPPARAMS tooMany = {two, &putId, 2, 1};
    EXPECT_EQ(c->Dispatch()->Invoke(rintok::kDispEnabled, IID_NULL, 0, DISPATCH_PROPERTYPUT, &tooMany, nullptr,
                                    nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    DISPPARAMS none = {nullptr, &putId, 0, 1};
    EXPECT_EQ(c->Dispatch()->Invoke(rintok::kDispEnabled, IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr,
                                    nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), -1);
    // hwnd has no set.
    EXPECT_NE(host::PutById(c->Dispatch(), rintok::kDispHwnd, host::Arg::Val(5L)), S_OK);
}

TEST_F(RintokTest, TagKeepsAnyTextAndHasNoEffectOnTheTimer) {
    auto c = Host();
    ASSERT_TRUE(c);
    const std::wstring texts[] = {L"", L"passo \u00E8 \u00B0", std::wstring(5000, L'x'), std::wstring(L"a\0b", 3)};
    for (const std::wstring& text : texts) {
        Put(c.get(), rintok::kDispTag, host::Arg::Val(text));
        EXPECT_EQ(GetText(c.get(), rintok::kDispTag), text);
    }
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), 0);
}

// A new control sets no defaults of its own; the defaults 1000 and 10000
// come only from a store that lacks the entries.
TEST_F(RintokTest, NewControlHoldsZerosWhileAnEmptyStoreGivesTheStoredDefaults) {
    const struct {
        const char* what;
        std::optional<Stored> stored;
        long interval, resolution;
    } cases[] = {{"new (InitNew)", std::nullopt, 0, 0}, {"empty store", Stored{}, 1000, 10000}};
    for (const auto& k : cases) {
        auto c = Host(k.stored);
        ASSERT_TRUE(c) << k.what;
        EXPECT_EQ(GetLong(c.get(), rintok::kDispInterval), k.interval) << k.what;
        EXPECT_EQ(GetLong(c.get(), rintok::kDispResolution), k.resolution) << k.what;
        EXPECT_EQ(GetBool(c.get(), rintok::kDispPeriodic), 0) << k.what;
        EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), 0) << k.what;
        EXPECT_EQ(GetText(c.get(), rintok::kDispTag), L"") << k.what;
    }
}

TEST_F(RintokTest, StoredValuesAreTakenAsTheyAreWithoutClamping) {
    auto c = Host(Stored{{L"Interval", -7}, {L"Periodic", true}, {L"Resolution", 99999999}, {L"Tag", L"t\u00E8"}});
    ASSERT_TRUE(c);
    EXPECT_EQ(GetLong(c.get(), rintok::kDispInterval), -7);
    EXPECT_EQ(GetLong(c.get(), rintok::kDispResolution), 99999999);
    EXPECT_EQ(GetBool(c.get(), rintok::kDispPeriodic), -1);
    EXPECT_EQ(GetText(c.get(), rintok::kDispTag), L"t\u00E8");
    // Entries of another type are converted as the store gives them; names match without regard to case.
    auto d = Host(Stored{{L"interval", L"250"}, {L"TAG", 5}, {L"Periodic", L"True"}});
    ASSERT_TRUE(d);
    EXPECT_EQ(GetLong(d.get(), rintok::kDispInterval), 250);
    EXPECT_EQ(GetText(d.get(), rintok::kDispTag), L"5");
    EXPECT_EQ(GetBool(d.get(), rintok::kDispPeriodic), -1);
}

TEST_F(RintokTest, StoredValueOfTheWrongKindFailsTheLoadWithATypeMismatch) {
    const Stored cases[] = {
        {{L"Interval", L"abc"}},
        {{L"Interval", 5}, {L"Enabled", L"maybe"}},
        {{L"Resolution", L"99999999999999999999"}},
        {{L"Periodic", L"yes please"}, {L"Enabled", true}},
    };
    for (const Stored& stored : cases) {
        HRESULT hr = S_OK;
        auto c = Host(stored, true, "mmtimer1", &hr);
        EXPECT_FALSE(c);
        EXPECT_TRUE(hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) << std::hex << hr;
    }
    WaitForMarker(30);
    EXPECT_EQ(Timers(), 0u) << "a refused load must start no timer";
}

// Saving writes, in the fixed order, only the values that differ from their defaults.
TEST_F(RintokTest, SavedPropertiesOmitDefaultsKeepTheirOrderAndLoadBackAlike) {
    const struct {
        const char* what;
        std::optional<Stored> stored;
        std::vector<std::wstring> names;
    } cases[] = {
        {"new control", std::nullopt, {L"Interval", L"Resolution"}},
        {"empty store", Stored{}, {}},
        {"defaults stored explicitly",
         Stored{{L"Enabled", false}, {L"Tag", L""}, {L"Resolution", 10000}, {L"Periodic", false}, {L"Interval", 1000}},
         {}},
        {"mmtimer1 as the main window stores it",
         Stored{{L"Periodic", true}, {L"Interval", 0}, {L"Resolution", 0}},
         {L"Interval", L"Periodic", L"Resolution"}},
        {"every value set",
         Stored{{L"Enabled", true}, {L"Tag", L"x"}, {L"Resolution", 3}, {L"Periodic", true}, {L"Interval", 5}},
         {L"Interval", L"Periodic", L"Resolution", L"Tag", L"Enabled"}},
    };
    const DISPID ids[] = {rintok::kDispInterval, rintok::kDispPeriodic, rintok::kDispResolution, rintok::kDispTag,
                          rintok::kDispEnabled};
    for (const auto& k : cases) {
        // Design mode: an Enabled true is kept without starting a timer.
        auto c = Host(k.stored, false);
        ASSERT_TRUE(c) << k.what;
        Stored saved;
        ASSERT_EQ(c->SaveProperties(saved), S_OK) << k.what;
        std::vector<std::wstring> names;
        for (const auto& entry : saved) names.push_back(entry.first);
        EXPECT_EQ(names, k.names) << k.what;
        for (const auto& entry : saved) {
            const VARTYPE vt = entry.second.Type();
            if (entry.first == L"Periodic" || entry.first == L"Enabled") EXPECT_EQ(vt, VT_BOOL) << k.what;
            else if (entry.first == L"Tag") EXPECT_EQ(vt, VT_BSTR) << k.what;
            else EXPECT_EQ(vt, VT_I4) << k.what;
        }

        auto again = Host(saved, false);
        ASSERT_TRUE(again) << k.what;
        for (DISPID id : ids) {
            com::Variant a, b;
            ASSERT_EQ(host::GetById(c->Dispatch(), id, a), S_OK);
            ASSERT_EQ(host::GetById(again->Dispatch(), id, b), S_OK);
            EXPECT_EQ(VarCmp(a.Get(), b.Get(), LOCALE_USER_DEFAULT, 0), static_cast<HRESULT>(VARCMP_EQ))
                << k.what << ", property 0x" << std::hex << id;
        }
    }
}

TEST_F(RintokTest, EnabledInDesignModeReadsTrueAndStartsNoTimer) {
    auto set = Host(std::nullopt, false);
    ASSERT_TRUE(set);
    Put(set.get(), rintok::kDispPeriodic, host::Arg::Val(true));
    Put(set.get(), rintok::kDispInterval, host::Arg::Val(5L));
    Put(set.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_EQ(GetBool(set.get(), rintok::kDispEnabled), -1);
    // Saved as enabled and loaded in design mode: the same.
    auto loaded = Host(Stored{{L"Interval", 5}, {L"Periodic", true}, {L"Enabled", true}}, false);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(GetBool(loaded.get(), rintok::kDispEnabled), -1);
    // Changing Interval sets the same Enabled again: still no timer.
    Put(loaded.get(), rintok::kDispInterval, host::Arg::Val(3L));
    EXPECT_EQ(GetBool(loaded.get(), rintok::kDispEnabled), -1);
    WaitForMarker(150);
    EXPECT_EQ(Timers(), 0u);
}

TEST_F(RintokTest, RefusedTimerReadsBackFalseAndRaisesNothing) {
    // mmtimer1 as the main window stores it, then enabled before any Interval is set.
    auto stored = Host(Stored{{L"Periodic", true}, {L"Interval", 0}, {L"Resolution", 0}});
    ASSERT_TRUE(stored);
    EXPECT_EQ(GetLong(stored.get(), rintok::kDispInterval), 0);
    Put(stored.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_EQ(GetBool(stored.get(), rintok::kDispEnabled), 0);
    // Saved as enabled with an interval of 0: the start at load is refused.
    auto loaded = Host(Stored{{L"Interval", 0}, {L"Enabled", true}});
    ASSERT_TRUE(loaded);
    EXPECT_EQ(GetBool(loaded.get(), rintok::kDispEnabled), 0);
    WaitForMarker(100);
    EXPECT_EQ(Timers(), 0u);
    // The same control starts once it has an interval the system accepts.
    Put(stored.get(), rintok::kDispInterval, host::Arg::Val(0L));
    EXPECT_EQ(GetLong(stored.get(), rintok::kDispInterval), 1);
    EXPECT_EQ(GetBool(stored.get(), rintok::kDispEnabled), 0) << "a stopped timer stays stopped";
    Put(stored.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_EQ(GetBool(stored.get(), rintok::kDispEnabled), -1);
    EXPECT_TRUE(WaitForTimers(3));
    Put(stored.get(), rintok::kDispEnabled, host::Arg::Val(false));
}

TEST_F(RintokTest, OneShotRaisesTimerOnceAndStillReadsEnabled) {
    auto c = Host(Stored{});
    ASSERT_TRUE(c);
    Put(c.get(), rintok::kDispResolution, host::Arg::Val(1L));
    Put(c.get(), rintok::kDispInterval, host::Arg::Val(20L));
    EXPECT_EQ(Timers(), 0u);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), -1);
    ASSERT_TRUE(WaitForTimers(1));
    WaitForMarker(200);
    EXPECT_EQ(Timers(), 1u);
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), -1);
    // Raised on this thread with no arguments.
    EXPECT_EQ(timerThreads_[0], GetCurrentThreadId());
    EXPECT_EQ(timerArgs_[0], 0u);
    // Enabled set to true again starts it afresh; false stops it.
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    ASSERT_TRUE(WaitForTimers(2));
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), 0);
}

TEST_F(RintokTest, PeriodicTimerRaisesTimerOnTheUserInterfaceThreadUntilDisabled) {
    auto c = Host(Stored{{L"Periodic", true}, {L"Interval", 5}, {L"Resolution", 1}});
    ASSERT_TRUE(c);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    ASSERT_TRUE(WaitForTimers(5));
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), 0);
    WaitForMarker(30);  // what was queued before the stop
    const size_t stopped = Timers();
    WaitForMarker(100);
    EXPECT_EQ(Timers(), stopped);
    for (DWORD thread : timerThreads_) EXPECT_EQ(thread, GetCurrentThreadId());
}

TEST_F(RintokTest, IntervalChangeRestartsARunningTimerAndLeavesAStoppedOneStopped) {
    auto c = Host(Stored{{L"Resolution", 1}, {L"Interval", 30}});
    ASSERT_TRUE(c);
    // A running one-shot given a long delay does not fire at its old one: the
    // two sets come while the timer service is held, so that the old delay
    // cannot run out between them.
    {
        ServiceHold hold(1);
        ASSERT_TRUE(hold.WaitHeld());
        Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
        Put(c.get(), rintok::kDispInterval, host::Arg::Val(60000L));
    }
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), -1);
    WaitForMarker(200);  // falls due after the old delay
    EXPECT_EQ(Timers(), 0u);
    // A spent one-shot still reads enabled, so a new Interval arms it again.
    Put(c.get(), rintok::kDispInterval, host::Arg::Val(10L));
    ASSERT_TRUE(WaitForTimers(1));
    Put(c.get(), rintok::kDispInterval, host::Arg::Val(10L));
    ASSERT_TRUE(WaitForTimers(2));
    // A stopped one stays stopped.
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
    Put(c.get(), rintok::kDispInterval, host::Arg::Val(5L));
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), 0);
    WaitForMarker(100);
    EXPECT_EQ(Timers(), 2u);
}

TEST_F(RintokTest, IntervalChangeCountsTheDelayAnewFromTheChange) {
    auto c = Host(Stored{{L"Resolution", 1}, {L"Interval", 300}});
    ASSERT_TRUE(c);
    // The change comes while the timer service is held by a twin started
    // before the control and due halfway through its delay: after the start,
    // before the old deadline, whatever the machine's pace.
    ServiceHold hold(150);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    // A marker started after the control falls due with or after the old
    // deadline, and before the new one.
    WaitForMarkerAfter([&] {
        ASSERT_TRUE(hold.WaitHeld());
        Put(c.get(), rintok::kDispInterval, host::Arg::Val(300L));
        hold.Release();
    }, 300);
    EXPECT_EQ(Timers(), 0u) << "raised at the old deadline";
    ASSERT_TRUE(WaitForTimers(1)) << "the new delay never ran out";
}

TEST_F(RintokTest, PeriodicAndResolutionChangesWaitForTheNextStart) {
    auto c = Host(Stored{{L"Resolution", 1}, {L"Interval", 20}});
    ASSERT_TRUE(c);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    Put(c.get(), rintok::kDispPeriodic, host::Arg::Val(true));
    Put(c.get(), rintok::kDispResolution, host::Arg::Val(5L));
    ASSERT_TRUE(WaitForTimers(1));
    WaitForMarker(150);
    EXPECT_EQ(Timers(), 1u) << "the running timer stays one-shot";
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    EXPECT_TRUE(WaitForTimers(4)) << "restarted, it is periodic";
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
}

TEST_F(RintokTest, TimerQueuedBeforeADisableIsStillRaised) {
    auto c = Host(Stored{{L"Periodic", true}, {L"Interval", 1}, {L"Resolution", 1}});
    ASSERT_TRUE(c);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    OccupatoPerScadenze(1, 5);  // the thread is busy: expiries queue up
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
    EXPECT_EQ(Timers(), 0u);
    WaitForMarker(20);
    EXPECT_GT(Timers(), 0u);
    EXPECT_EQ(GetBool(c.get(), rintok::kDispEnabled), 0);

    // The same for a character already queued when Interval changes.
    const size_t before = Timers();
    PostMessageA(ControlHwnd(c.get()), WM_CHAR, 10, 0);
    Put(c.get(), rintok::kDispInterval, host::Arg::Val(100L));
    DrainMessages();
    EXPECT_EQ(Timers(), before + 1);
}

TEST_F(RintokTest, ExpiriesWhileTheThreadIsBusyArriveLaterOneEach) {
    auto c = Host(Stored{{L"Periodic", true}, {L"Interval", 10}, {L"Resolution", 1}});
    ASSERT_TRUE(c);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    OccupatoPerScadenze(10, 30);  // 30 expiries while the thread cannot take them
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(false));
    EXPECT_EQ(Timers(), 0u);
    WaitForMarker(20);
    // Merged into one, as a window timer's messages would be, they would give 1.
    EXPECT_GE(Timers(), 10u);
    for (DWORD thread : timerThreads_) EXPECT_EQ(thread, GetCurrentThreadId());
}

TEST_F(RintokTest, OnlyCharacterTenRaisesTimerWhateverItsSource) {
    // Design mode: the control runs no timer of its own.
    auto c = Host(std::nullopt, false);
    ASSERT_TRUE(c);
    const HWND hwnd = ControlHwnd(c.get());
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(hwnd, c->Window());
    EXPECT_EQ(GetParent(hwnd), window_.Get());
    const struct {
        UINT msg;
        WPARAM wp;
        bool send;
        size_t raised;
    } cases[] = {
        {WM_CHAR, 10, false, 1}, {WM_CHAR, 10, true, 1},   {WM_CHAR, 13, false, 0},
        {WM_CHAR, 'a', true, 0}, {WM_CHAR, 0, false, 0},   {WM_KEYDOWN, 10, false, 0},
        {WM_CHAR, 266, false, 0}, {WM_SYSCHAR, 10, false, 0},
    };
    for (const auto& k : cases) {
        const size_t before = Timers();
        if (k.send) SendMessageA(hwnd, k.msg, k.wp, 0);
        else PostMessageA(hwnd, k.msg, k.wp, 0);
        DrainMessages();
        EXPECT_EQ(Timers() - before, k.raised) << "message 0x" << std::hex << k.msg << " code " << std::dec << k.wp;
    }
    // Fifty queued characters raise fifty events.
    const size_t before = Timers();
    for (int i = 0; i < 50; ++i) PostMessageA(hwnd, WM_CHAR, 10, 0);
    DrainMessages();
    EXPECT_EQ(Timers() - before, 50u);
}

TEST_F(RintokTest, AnySizeSnapsBackTo155By30Pixels) {
    auto c = Host();
    ASSERT_TRUE(c);
    const long tx = com::TwipsPerPixelX(), ty = com::TwipsPerPixelY();
    const host::TwipsRect sizes[] = {{150, 300, 2325, 450}, {0, 0, 0, 0},        {300, 150, 15, 15},
                                     {45, 60, 6000, 3000},  {30, 30, -900, -45}, {15, 15, 2340, 465}};
    for (const auto& s : sizes) {
        c->Move(s);
        RECT client = {};
        GetClientRect(c->Window(), &client);
        EXPECT_EQ(client.right, 155) << s.width << "x" << s.height;
        EXPECT_EQ(client.bottom, 30) << s.width << "x" << s.height;
        RECT placed = {};
        GetWindowRect(c->Window(), &placed);
        MapWindowPoints(nullptr, window_.Get(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, com::PixelsFromTwipsX(s.left));
        EXPECT_EQ(placed.top, com::PixelsFromTwipsY(s.top));
        const host::TwipsRect now = c->Position();
        EXPECT_EQ(now.width, 155 * tx);
        EXPECT_EQ(now.height, 30 * ty);
    }
    // The OLE extent snaps too.
    com::ComPtr<IOleObject> ole;
    ASSERT_EQ(c->Object()->QueryInterface(IID_IOleObject, ole.OutVoid()), S_OK);
    SIZEL asked = {5000, 5000}, got = {};
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &asked), S_OK);
    EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &got), S_OK);
    const SIZE px = com::PixelsFromHimetric(got);
    EXPECT_EQ(px.cx, 155);
    EXPECT_EQ(px.cy, 30);
}

// The face: blue gradient, white letters, drawn no further than the control.
TEST_F(RintokTest, FaceIsTheBlueBannerWithWhiteLettersClippedToTheControl) {
    auto c = Host();
    ASSERT_TRUE(c);
    constexpr int kW = 200, kH = 50;
    constexpr uint32_t kMagenta = 0xFF00FF;
    void* bits = nullptr;
    com::GdiObject<HBITMAP> canvas(wine_test::MakeDib32(kW, kH, &bits));
    ASSERT_TRUE(canvas && bits);
    auto* px = static_cast<uint32_t*>(bits);
    com::MemoryDC dc(nullptr);
    com::SelectedObject selected(dc.Get(), canvas.Get());

    const std::function<void()> painters[] = {
        [&] {
            com::ComPtr<IViewObject> view;
            ASSERT_EQ(c->Object()->QueryInterface(IID_IViewObject, view.OutVoid()), S_OK);
            RECTL bounds = {0, 0, 155, 30};
            EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.Get(), &bounds, nullptr,
                                 nullptr, 0),
                      S_OK);
        },
        [&] { SendMessageA(c->Window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT); },
    };
    std::vector<uint32_t> first;
    for (const auto& paint : painters) {
        std::fill(px, px + kW * kH, kMagenta);
        paint();
        GdiFlush();
        int outside = 0, magentaInside = 0, white = 0;
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                const uint32_t p = px[y * kW + x] & 0xFFFFFF;
                const bool inside = x < 155 && y < 30;
                if (!inside && p != kMagenta) ++outside;
                if (inside && p == kMagenta) ++magentaInside;
                if (inside && x >= 31 && (p & 0xF0F0F0) == 0xF0F0F0) ++white;
            }
        }
        EXPECT_EQ(outside, 0) << "painted beyond 155 x 30";
        EXPECT_EQ(magentaInside, 0) << "left part of the control unpainted";
        EXPECT_GT(white, 40) << "no white letters";
        // The banner at the top right, away from the letters, is blue.
        const uint32_t corner = px[1 * kW + 152];
        const int b = corner & 0xFF, g = (corner >> 8) & 0xFF, r = (corner >> 16) & 0xFF;
        EXPECT_GT(b, r);
        EXPECT_GT(b, g);
        std::vector<uint32_t> inside;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 155; ++x) inside.push_back(px[y * kW + x] & 0xFFFFFF);
        if (first.empty()) first = inside;
        else EXPECT_TRUE(inside == first) << "the window and the view object draw different faces";
    }
}

TEST_F(RintokTest, ReleasingARunningControlStopsItAndRemovesItsWindow) {
    auto c = Host(Stored{{L"Periodic", true}, {L"Interval", 1}, {L"Resolution", 1}});
    ASSERT_TRUE(c);
    Put(c.get(), rintok::kDispEnabled, host::Arg::Val(true));
    ASSERT_TRUE(WaitForTimers(3));
    const HWND hwnd = c->Window();
    c.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    const size_t gone = Timers();
    WaitForMarker(50);
    EXPECT_EQ(Timers(), gone);
}

// Created straight from the class factory with no container at all.
TEST(RintokBare, WithoutAContainerItRunsAndTheLibraryCanUnloadWhenAllIsReleased) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HMODULE dll = LoadLibraryW(rintok::kDllName);
    ASSERT_NE(dll, nullptr);
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using CanUnloadFn = HRESULT(WINAPI*)();
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_TRUE(getClassObject && canUnload);
    EXPECT_EQ(canUnload(), S_OK);
    {
        com::ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(rintok::kClsidRintokCtl, IID_IClassFactory, factory.OutVoid()), S_OK);
        com::ComPtr<IClassFactory> none;
        EXPECT_EQ(getClassObject(IID_IDispatch, IID_IClassFactory, none.OutVoid()), CLASS_E_CLASSNOTAVAILABLE);
        com::ComPtr<IDispatch> timer;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, timer.OutVoid()), S_OK);
        factory.Reset();
        EXPECT_EQ(canUnload(), S_FALSE);

        com::Variant v;
        EXPECT_EQ(host::GetById(timer.Get(), rintok::kDispInterval, v), S_OK);
        EXPECT_EQ(v.Ref().lVal, 0);
        // With no container to ask, the control takes itself to be in run mode.
        EXPECT_EQ(host::PutById(timer.Get(), rintok::kDispInterval, host::Arg::Val(60000L)), S_OK);
        EXPECT_EQ(host::PutById(timer.Get(), rintok::kDispEnabled, host::Arg::Val(true)), S_OK);
        EXPECT_EQ(host::GetById(timer.Get(), rintok::kDispEnabled, v), S_OK);
        EXPECT_EQ(v.Ref().boolVal, VARIANT_TRUE);
        EXPECT_EQ(host::GetById(timer.Get(), rintok::kDispHwnd, v), S_OK);
        EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(static_cast<LONG_PTR>(v.Ref().lVal))));
    }
    EXPECT_EQ(canUnload(), S_OK);
    DrainMessages();
    OleUninitialize();
}

}  // namespace
