// Dravik.dll registered with the system's regsvr32, driven by ProgID from an
// outside automation client (cscript running a VBScript) and sited in another
// container (the ATL host window of the system's atl.dll), then unregistered:
// every key registration added must be gone.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "com/com_support.h"
#include "com/screen_units.h"
#include "com/variant.h"
#include "com/win_handles.h"
#include "file_box/dravik_ids.h"
#include "host/late_bound.h"
#include "tests/wine/registration_support.h"
#include "tests/wine/rintok_test_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

using namespace registration_test;

constexpr char kDravikDll[] = "Dravik.dll";
using DravikRegistrationTest = LibraryRegistrationTest<kDravikDll>;

// The default and the event interface.
TEST_F(DravikRegistrationTest, UnregistrationRemovesExactlyWhatRegistrationAdded) {
    ExpectRegistrationUndone(dll_, "Dravik.FileBrowser", dravik::kClsidFileBrowser, dravik::kLibidDravik, 2);
}

// The system's ATL host window: it creates the control by the ProgID in its
// window text, initialises it through IPersistStreamInit::InitNew and offers
// no ambient properties.
void HostedInAtlWindow() {
    com::Window parent(rintok_test::MakeHostWindow());
    com::Window ax;
    com::ComPtr<IUnknown> control;
    ASSERT_NO_FATAL_FAILURE(HostInAtlWindow(parent.Get(), "Dravik.FileBrowser", {10, 10, 300, 24}, ax, control));
    auto dispatch = control.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);

    auto text = [&](DISPID id) {
        com::Variant v;
        EXPECT_EQ(host::GetById(dispatch.Get(), id, v), S_OK);
        std::wstring s;
        v.ToString(s);
        return s;
    };
    EXPECT_EQ(text(dravik::kDispTitle), L"Apri");
    EXPECT_EQ(text(dravik::kDispInitDir), L"C:\\");
    EXPECT_EQ(text(dravik::kDispFilter), L"Tutti i files (*.*) | *.*");
    // No ambient font: the system's GUI font.
    com::Variant font;
    ASSERT_EQ(host::GetById(dispatch.Get(), dravik::kDispFont, font), S_OK);
    ASSERT_EQ(font.Type(), VT_DISPATCH);
    com::ComPtr<IFont> f;
    font.Ref().pdispVal->QueryInterface(IID_IFont, f.OutVoid());
    ASSERT_TRUE(f);
    LOGFONTW gui = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    FONTDESC desc = {sizeof desc, gui.lfFaceName, {{82500, 0}}, FW_NORMAL, DEFAULT_CHARSET, FALSE, FALSE, FALSE};
    com::ComPtr<IFont> guiFont;
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFont, guiFont.OutVoid()), S_OK);
    // Both names as the system resolves them.
    com::Bstr name, guiName;
    f->get_Name(name.Out());
    guiFont->get_Name(guiName.Out());
    EXPECT_EQ(name.Text(), guiName.Text());
    CY size = {};
    f->get_Size(&size);
    EXPECT_EQ(size.int64, -gui.lfHeight * 72 * 10000 / com::ScreenDpiY());

    // Working in its window: Text goes to the box, which fills the width left of the button.
    EXPECT_EQ(host::PutById(dispatch.Get(), dravik::kDispText, host::Arg::Val(L"C:\\atl.prl")), S_OK);
    EXPECT_EQ(text(dravik::kDispText), L"C:\\atl.prl");
    HWND controlWindow = nullptr;
    auto oleWindow = control.As<IOleWindow>(IID_IOleWindow);
    ASSERT_TRUE(oleWindow);
    ASSERT_EQ(oleWindow->GetWindow(&controlWindow), S_OK);
    EXPECT_EQ(GetParent(controlWindow), ax.Get());
    HWND box = FindWindowExA(controlWindow, nullptr, "Edit", nullptr);
    ASSERT_TRUE(box);
    EXPECT_EQ(wine_test::WindowTextW(box), L"C:\\atl.prl");
    RECT r = {};
    GetWindowRect(box, &r);
    EXPECT_EQ(r.right - r.left, 300 - 21);
    dispatch.Reset();
    oleWindow.Reset();
    control.Reset();
    ax.Reset();
}

TEST_F(DravikRegistrationTest, RegisteredControlWorksFromAScriptAndInAnotherContainer) {
    ASSERT_EQ(Regsvr32("/s"), 0u);

    std::map<std::string, std::string> seen;
    ASSERT_NO_FATAL_FAILURE(RunScript("dravik_automation.vbs", "", 60000, seen));
    const std::map<std::string, std::string> expected = {
        {"new.Title", "[Apri]"},
        {"new.InitDir", "[C:\\]"},
        {"new.Filter", "[Tutti i files (*.*) | *.*]"},
        {"new.FileDialogType", "0"},
        {"new.Text", "[]"},
        {"new.Enabled", "-1"},
        {"new.Locked", "0"},
        {"new.BackColor", "80000005"},
        {"new.ForeColor", "80000008"},
        {"new.Font.nonempty", "-1"},
        {"Text", "[C:\\dati\\prova.prl]"},
        {"SelText", "[dati]"},
        {"Text.after.SelText", "[C:\\DATI\\prova.prl]"},
        {"SelStart", "7"},
        {"SelLength", "0"},
        {"Title", "[Scegli]"},
        {"InitDir", "[D:\\]"},
        {"Filter", "[Programmi (*.prl)|*.prl|]"},
        {"Filter.blanks", "[ a | b ]"},
        {"FileDialogType", "1"},
        {"FileDialogType.-3", "-3"},
        {"Locked", "-1"},
        {"BackColor", "FF"},
        {"ForeColor", "80000012"},
        {"Font.Bold", "-1"},
        {"Enabled", "0"},
        {"Clicca.disabled", "returned"},
        {"Text.after.Clicca", "[C:\\DATI\\prova.prl]"},
        {"SelStart.tre.error", "13"},
        {"SelStart.-1.error", "380"},
        {"SelStart.-1.source", "Dravik"},
        {"BackColor.rosso.error", "13"},
        {"Font.Nothing.error", "-1"},
        {"Enabled.forse.error", "13"},
        {"Text.after.errors", "[C:\\DATI\\prova.prl]"},
        {"done", "1"},
    };
    ExpectNotes(seen, expected);

    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    HostedInAtlWindow();
    rintok_test::DrainMessages();
    CoFreeUnusedLibraries();
    OleUninitialize();

    ASSERT_EQ(Regsvr32("/u /s"), 0u);
    ExpectUnregistered("DRAVIK.FILEBROWSER", dravik::kClsidFileBrowser, dravik::kLibidDravik);
}

}  // namespace
