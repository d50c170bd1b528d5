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

class SkarvoRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = wine_test::ProgramFolder();
        dll_ = folder_ + "\\Skarvo.dll";
        Regsvr32("/u /s");
    }
    void TearDown() override { Regsvr32("/u /s"); }

    DWORD Regsvr32(const std::string& options) { return registration_test::Regsvr32(options, dll_); }

    std::string folder_;
    std::string dll_;
};

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
    const std::string notesPath = wine_test::TempPath("skarvo_automation.txt");
    DeleteFileA(notesPath.c_str());
    const std::string command = "cscript.exe //nologo \"" + folder_ + "\\skarvo_automation.vbs\" \"" + notesPath +
                                "\" " + std::to_string(reinterpret_cast<LONG_PTR>(window.Get()));
    const auto run = wine_test::RunProcess(command, folder_, {}, 120000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    const auto notes = ReadNotes(notesPath);

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
    ASSERT_TRUE(notes.count("created")) << "the script could not create the objects";
    EXPECT_NE(notes.at("created").find("GSubclass,"), std::string::npos) << notes.at("created");
    EXPECT_NE(notes.at("created").find("DTPSkarvo"), std::string::npos) << notes.at("created");
    for (const auto& [name, value] : expected) {
        const auto it = notes.find(name);
        ASSERT_NE(it, notes.end()) << name;
        EXPECT_EQ(it->second, value) << name;
    }
    // The script could not touch the window.
    EXPECT_EQ(GetPropA(window.Get(), ("C" + std::to_string(reinterpret_cast<LONG_PTR>(window.Get()))).c_str()),
              nullptr);

    ASSERT_EQ(Regsvr32("/u /s"), 0u);
    for (const std::string& key : RegisteredKeys()) EXPECT_FALSE(KeyExists(key)) << key;
    EXPECT_FALSE(KeyExists("TypeLib\\" + com::GuidText(LIBID_Skarvo)));
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(h, m, wp, lp); }

TEST_F(SkarvoRegistrationTest, TheAtlHostWindowStartsTheControlOnItsHostsMenus) {
    ASSERT_EQ(Regsvr32("/s"), 0u);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        HMODULE atl = LoadLibraryA("atl.dll");
        ASSERT_TRUE(atl);
        using InitFn = BOOL(WINAPI*)();
        using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
        auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        auto getControl =
            reinterpret_cast<GetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
        ASSERT_TRUE(init && getControl);
        ASSERT_TRUE(init());

        WNDCLASSA wc = {};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SkarvoAtlFrame";
        RegisterClassA(&wc);
        com::Menu bar(CreateMenu());
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 11, "&Apri");
        AppendMenuA(popup, MF_STRING, 12, "&Salva");
        AppendMenuA(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&File");
        com::Window frame(CreateWindowExA(0, "SkarvoAtlFrame", "frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                          400, 300, nullptr, bar.Release(), GetModuleHandleA(nullptr), nullptr));
        ASSERT_TRUE(frame);
        // The control sits in a child window without a menu: its host is the frame.
        com::Window ax(CreateWindowExA(0, "AtlAxWin", "Skarvo.DTPSkarvo", WS_CHILD | WS_VISIBLE, 0, 0, 30, 30,
                                       frame.Get(), nullptr, GetModuleHandleA(nullptr), nullptr));
        ASSERT_TRUE(ax);
        com::ComPtr<IUnknown> control;
        ASSERT_EQ(getControl(ax.Get(), control.Out()), S_OK);
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
