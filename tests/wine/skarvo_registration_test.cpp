// Skarvo.dll registered with the system's regsvr32: its classes reached by
// ProgID from an outside script (cscript) with the engine's and the item
// API's errors, the control started by the system's ATL host window, which
// only initialises it new and offers no ambient properties; then
// unregistered, its keys gone.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "com/com_support.h"
#include "com/text.h"
#include "com/variant.h"
#include "com/win_handles.h"
#include "tests/wine/registration_support.h"
#include "tests/wine/skarvo_test_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

using namespace registration_test;

constexpr char kSkarvoDll[] = "Skarvo.dll";
using SkarvoRegistrationTest = LibraryRegistrationTest<kSkarvoDll>;

// The keys of both classes, their ProgIDs, the type library and its interfaces.
std::vector<std::string> RegisteredKeys() {
    return {"CLSID\\" + com::GuidText(CLSID_DTPSkarvo) + "\\InprocServer32",
            "CLSID\\" + com::GuidText(CLSID_DTPSkarvo) + "\\Control",
            "CLSID\\" + com::GuidText(CLSID_GSubclass) + "\\InprocServer32",
            "Skarvo.DTPSkarvo\\CLSID",
            "Skarvo.GSubclass\\CLSID",
            "TypeLib\\" + com::GuidText(LIBID_Skarvo) + "\\1.0",
            "Interface\\" + com::GuidText(IID__DTPSkarvo),
            "Interface\\" + com::GuidText(IID__GSubclass),
            "Interface\\" + com::GuidText(IID__ISubclass)};
}

TEST_F(SkarvoRegistrationTest, ScriptsReachBothClassesByProgIdAndReadTheirErrors) {
    for (const std::string& key : RegisteredKeys()) ASSERT_FALSE(KeyExists(key)) << key;
    ASSERT_EQ(Regsvr32("/s"), 0u);
    for (const std::string& key : RegisteredKeys()) EXPECT_TRUE(KeyExists(key)) << key;

    // A window of this process: for the script, another process's window.
    com::Window window(CreateWindowExA(0, "STATIC", "altro processo", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                       nullptr, nullptr));
    ASSERT_TRUE(window);
    std::map<std::string, std::string> notes;
    ASSERT_NO_FATAL_FAILURE(RunScript("skarvo_automation.vbs",
                                      std::to_string(reinterpret_cast<LONG_PTR>(window.Get())), 120000, notes));

    const std::map<std::string, std::string> expected = {
        {"Attach.invalid.Number", "-2147208421"},
        {"Attach.invalid.Source", "Skarvo.WindowProc"},
        {"Attach.invalid.Description", "Invalid window"},
        {"Attach.external.Number", "-2147208420"},
        {"Attach.external.Source", "Skarvo.WindowProc"},
        {"Attach.external.Description", "Can't modify external window"},
        {"Detach.unregistered.Number", "0"},
        {"CurrentMessage.type", "Long"},
        {"MenuIndex.unknown.Number", "9"},
        {"MenuIndex.unknown.Source", "Skarvo"},
        {"MenuExists.unknown", "0"},
        {"AddItem.first", "1"},
        {"AddItem.duplicate.Number", "457"},
        {"AddItem.duplicate.Source", "Skarvo"},
        {"Count", "1"},
        {"MenuIndex.k1", "1"},
        {"Caption.k1", "Uno"},
        {"HelpText.7.Number", "9"},
        {"IndexForMenuHierarchyParamArray", "0"},
        {"IndexForMenuHierarchyParamArray.Number", "0"},
        {"Version", "1.0.2"},
    };
    ExpectNotes(notes, expected);
    EXPECT_NE(notes.at("created").find("GSubclass,"), std::string::npos) << notes.at("created");
    EXPECT_NE(notes.at("created").find("DTPSkarvo"), std::string::npos) << notes.at("created");
    // The script could not touch the window.
    EXPECT_EQ(GetPropA(window.Get(), ("C" + std::to_string(reinterpret_cast<LONG_PTR>(window.Get()))).c_str()),
              nullptr);

    ASSERT_EQ(Regsvr32("/u /s"), 0u);
    for (const std::string& key : RegisteredKeys()) EXPECT_FALSE(KeyExists(key)) << key;
    EXPECT_FALSE(KeyExists("TypeLib\\" + com::GuidText(LIBID_Skarvo)));
}

TEST_F(SkarvoRegistrationTest, TheAtlHostWindowStartsTheControlOnItsHostsMenus) {
    ASSERT_EQ(Regsvr32("/s"), 0u);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        std::vector<HMENU> popups;
        wine_test::WindowShape shape;
        shape.className = "SkarvoAtlFrame";
        shape.caption = "frame";
        shape.width = 400;
        shape.height = 300;
        shape.menu = wine_test::MakeMenuBar({{"&File", {{11, "&Apri"}, {12, "&Salva"}}}}, &popups);
        const HMENU popup = popups[0];
        com::Window frame(wine_test::MakeWindow(shape));
        ASSERT_TRUE(frame);
        // The control sits in a child window without a menu: its host is the frame.
        com::Window ax;
        com::ComPtr<IUnknown> control;
        ASSERT_NO_FATAL_FAILURE(HostInAtlWindow(frame.Get(), "Skarvo.DTPSkarvo", {0, 0, 30, 30}, ax, control));
        auto menus = skarvo_test::QueryAs<_DTPSkarvo>(control.Get(), IID__DTPSkarvo);
        ASSERT_TRUE(menus);
        VARIANT missing;
        missing.vt = VT_ERROR;
        missing.scode = DISP_E_PARAMNOTFOUND;
        ASSERT_EQ(menus->SubClassMenu(missing, VARIANT_FALSE), S_OK);
        short count = 0;
        menus->get_Count(&count);
        EXPECT_EQ(count, 3);
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(popup, 1, TRUE, &info);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
        // It watches the frame's menu messages.
        const std::string registrations = "C" + std::to_string(reinterpret_cast<LONG_PTR>(frame.Get()));
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetPropA(frame.Get(), registrations.c_str())), 8);
        menus.Reset();
        control.Reset();
        ax.Reset();
        // Ended with its window: the frame is no longer watched.
        EXPECT_EQ(GetPropA(frame.Get(), registrations.c_str()), nullptr);
    }
    OleUninitialize();
}

// The type library as a host of the library's width reads it: a menu handle
// and a message's wParam, lParam and result are the host's LongPtr (VT_I4 in
// the 32-bit library, VT_I8 in the 64-bit one); window handles and message
// numbers stay Long in both.
TEST(SkarvoTypeLibrary, HandleAndMessageValuesArePointerSizedAndWindowHandlesLong) {
    com::ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(com::AnsiToWide(wine_test::ProgramFolder() + "\\Skarvo.dll").c_str(), REGKIND_NONE,
                            lib.Out()),
              S_OK);
    const VARTYPE pointer = sizeof(void*) == 8 ? VT_I8 : VT_I4;
    constexpr int kResult = -1;
    struct Case {
        const IID* iface;
        const wchar_t* member;
        int argument;  // from 0, or kResult
        VARTYPE expected;
    };
    const Case cases[] = {
        {&IID__ISubclass, L"WindowProc", 0, VT_I4},          {&IID__ISubclass, L"WindowProc", 1, VT_I4},
        {&IID__ISubclass, L"WindowProc", 2, pointer},        {&IID__ISubclass, L"WindowProc", 3, pointer},
        {&IID__ISubclass, L"WindowProc", kResult, pointer},  {&IID__GSubclass, L"CallOldWindowProc", 0, VT_I4},
        {&IID__GSubclass, L"CallOldWindowProc", 2, pointer}, {&IID__GSubclass, L"CallOldWindowProc", 3, pointer},
        {&IID__GSubclass, L"CallOldWindowProc", kResult, pointer},
        {&IID__GSubclass, L"AttachMessage", 1, VT_I4},       {&IID__DTPSkarvo, L"EnsureMenuSeparators", 0, pointer},
        {&IID__DTPSkarvo, L"hPopupMenu", kResult, pointer},  {&IID__DTPSkarvo, L"IDForIndex", kResult, VT_I4},
        {&IID__DTPSkarvo, L"ItemData", kResult, VT_I4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << com::GuidText(*c.iface) << " " << std::string(c.member, c.member + wcslen(c.member))
                                        << " " << c.argument);
        com::ComPtr<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfoOfGuid(*c.iface, info.Out()), S_OK);
        MEMBERID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(c.member);
        ASSERT_EQ(info->GetIDsOfNames(&name, 1, &id), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        const WORD functions = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        bool found = false;
        for (UINT f = 0; f < functions && !found; ++f) {
            FUNCDESC* desc = nullptr;
            ASSERT_EQ(info->GetFuncDesc(f, &desc), S_OK);
            // The reading form of a property; the value comes back as the result.
            if (desc->memid == id && desc->invkind != INVOKE_PROPERTYPUT) {
                found = true;
                if (c.argument == kResult) {
                    EXPECT_EQ(desc->elemdescFunc.tdesc.vt, c.expected);
                } else {
                    ASSERT_LT(c.argument, desc->cParams);
                    EXPECT_EQ(desc->lprgelemdescParam[c.argument].tdesc.vt, c.expected);
                }
            }
            info->ReleaseFuncDesc(desc);
        }
        EXPECT_TRUE(found);
    }
}

}  // namespace
