// Rintok.dll registered with the system's regsvr32, driven by ProgID from an
// outside automation client (cscript running a VBScript) and from the hosting
// layer, then unregistered: every key registration added must be gone.
#include <windows.h>
#include <mmsystem.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "com/com_support.h"
#include "host/hosted_control.h"
#include "tests/wine/registration_support.h"
#include "tests/wine/rintok_test_support.h"
#include "tests/wine/wine_test_support.h"
#include "timer_control/rintok_ids.h"

namespace {

using namespace registration_test;

constexpr char kRintokDll[] = "Rintok.dll";
using RintokRegistrationTest = LibraryRegistrationTest<kRintokDll>;

// The default and the event interface; its name and toolbox picture too.
TEST_F(RintokRegistrationTest, UnregistrationRemovesExactlyWhatRegistrationAdded) {
    const std::string key = "CLSID\\" + Upper(com::GuidText(rintok::kClsidRintokCtl));
    ExpectRegistrationUndone(dll_, "Rintok.RintokCtl", rintok::kClsidRintokCtl, rintok::kLibidRintok, 2,
                             {{key, nullptr, "High Precision Timer"},
                              {key + "\\ToolboxBitmap32", nullptr, Upper(dll_) + ", 1"}});
}

TEST_F(RintokRegistrationTest, RegisteredControlWorksByProgIdFromAScriptAndFromTheHost) {
    ASSERT_EQ(Regsvr32("/s"), 0u);

    // An outside client, late-bound by name.
    std::map<std::string, std::string> seen;
    ASSERT_NO_FATAL_FAILURE(RunScript("rintok_automation.vbs", "", 180000, seen));
    TIMECAPS caps = {};
    timeGetDevCaps(&caps, sizeof caps);
    const std::map<std::string, std::string> expected = {
        {"new.Interval", "0"},
        {"new.Resolution", "0"},
        {"new.Periodic", "0"},
        {"new.Enabled", "0"},
        {"new.Tag", "[]"},
        {"Interval.0", "1"},
        {"Interval.-5", "1"},
        {"Interval.60000", "60000"},
        {"Resolution.-1", std::to_string(caps.wPeriodMin)},
        {"Resolution.2000000000", std::to_string(caps.wPeriodMax)},
        {"Periodic.1", "-1"},
        {"Periodic.False", "0"},
        {"Tag", "[passo uno]"},
        {"Enabled.True", "-1"},
        {"Enabled.0", "0"},
        {"hwnd.nonzero", "-1"},
        {"hwnd.set.error", "-1"},
        {"Interval.abc.error", "13"},
        {"Interval.after.abc", "60000"},
        {"done", "1"},
    };
    ExpectNotes(seen, expected);

    // The hosting layer by ProgID, as Quelmar may create a registered control.
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        com::Window parent(rintok_test::MakeHostWindow());
        host::ControlSpec setup;
        setup.name = "mmtimer1";
        setup.source = host::ControlSource::FromProgId(rintok::kProgId);
        setup.parent = parent.Get();
        setup.stored = host::StoredProperties{{L"Periodic", true}, {L"Interval", 0}, {L"Resolution", 0}};
        std::unique_ptr<host::HostedControl> c;
        ASSERT_EQ(host::HostedControl::Create(setup, c), S_OK);
        com::Variant v;
        EXPECT_EQ(host::GetById(c->Dispatch(), rintok::kDispPeriodic, v), S_OK);
        EXPECT_EQ(v.Ref().boolVal, VARIANT_TRUE);
        EXPECT_TRUE(IsWindow(c->Window()));
    }
    rintok_test::DrainMessages();
    CoFreeUnusedLibraries();
    OleUninitialize();

    ASSERT_EQ(Regsvr32("/u /s"), 0u);
    ExpectUnregistered("RINTOK.RINTOKCTL", rintok::kClsidRintokCtl, rintok::kLibidRintok);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    CLSID none = {};
    EXPECT_EQ(CLSIDFromProgID(rintok::kProgId, &none), CO_E_CLASSSTRING);
    OleUninitialize();
}

// The other control libraries: registration adds their class and ProgID, and
// unregistration leaves the class, type library and interface trees and the
// root as it found them. One line per library.
TEST(ControlLibraryRegistration, UnregistrationLeavesNoKeyBehind) {
    const struct {
        const char* file;
        const char* progId;  // upper case
    } libraries[] = {
        {"hwinterface.ocx", "HWINTERFACELIB.HWINTERFACE"},
    };
    for (const auto& l : libraries) {
        const std::string dll = wine_test::ProgramFolder() + "\\" + l.file;
        Regsvr32("/u /s", dll);  // what an earlier run may have left
        const RegistryState before = RegistryState::Read();
        ASSERT_EQ(Regsvr32("/s", dll), 0u) << l.file;
        const RegistryState registered = RegistryState::Read();
        EXPECT_EQ(Added(before.root, registered.root), std::vector<std::string>{l.progId}) << l.file;
        EXPECT_EQ(Added(before.clsid, registered.clsid).size(), 1u) << l.file;
        ASSERT_EQ(Regsvr32("/u /s", dll), 0u) << l.file;
        ExpectSameRegistry(RegistryState::Read(), before, l.file);
    }
}

}  // namespace
