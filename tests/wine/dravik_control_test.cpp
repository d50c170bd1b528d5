// FileBrowser in-process, hosted through the hosting layer as the options
// window hosts FileBrowser1: its interface, stored properties in both
// persistence forms, Change, the real open and save dialogs, the browse key,
// Locked and Enabled, the layout, the tool-tip and wrong arguments.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/screen_units.h"
#include "com/variant.h"
#include "com/win_handles.h"
#include "file_box/dravik_ids.h"
#include "host/hosted_control.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/rintok_test_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

using Stored = host::StoredProperties;
using wine_test::DialogDriver;

const std::wstring kDefaultFilter = L"Tutti i files (*.*) | *.*";

class DravikTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        window_.Reset(rintok_test::MakeHostWindow());
        ASSERT_TRUE(window_);
        events_.Add("FileBrowser1_Change", [this](host::EventArgs& e) {
            ++changes_;
            changeArgs_ += static_cast<int>(e.Count());
        });
    }
    void TearDown() override {
        rintok_test::DrainMessages();
        window_.Reset();
        OleUninitialize();
    }

    std::unique_ptr<host::HostedControl> Host(std::optional<Stored> stored = std::nullopt, HRESULT* result = nullptr,
                                              const std::wstring& toolTip = L"") {
        host::ControlSpec setup;
        setup.name = "FileBrowser1";
        setup.source = host::ControlSource::FromDll(dravik::kDllName, dravik::kClsidFileBrowser);
        setup.parent = window_.Get();
        setup.position = {120, 240, 4500, 315};
        setup.stored = std::move(stored);
        setup.toolTipText = toolTip;
        setup.handlers = &events_;
        std::unique_ptr<host::HostedControl> control;
        const HRESULT hr = host::HostedControl::Create(setup, control);
        if (result) *result = hr;
        else EXPECT_EQ(hr, S_OK);
        return control;
    }

    static void Put(host::HostedControl* c, DISPID id, const host::Arg& value) {
        EXPECT_EQ(host::PutById(c->Dispatch(), id, value), S_OK) << "put of 0x" << std::hex << id;
    }
    static com::Variant Get(host::HostedControl* c, DISPID id) {
        com::Variant v;
        EXPECT_EQ(host::GetById(c->Dispatch(), id, v), S_OK) << "get of 0x" << std::hex << id;
        return v;
    }
    static std::wstring Text(host::HostedControl* c, DISPID id = dravik::kDispText) {
        std::wstring s;
        EXPECT_EQ(Get(c, id).ToString(s), S_OK);
        return s;
    }
    static long Long(host::HostedControl* c, DISPID id) {
        long n = -12345;
        EXPECT_EQ(Get(c, id).ToLong(n), S_OK);
        return n;
    }
    static int Bool(host::HostedControl* c, DISPID id) {
        com::Variant v = Get(c, id);
        EXPECT_EQ(v.Type(), VT_BOOL);
        return v.Ref().boolVal;
    }
    static HRESULT Clicca(host::HostedControl* c) { return host::CallById(c->Dispatch(), dravik::kDispClicca); }

    // The control's text box and browse button.
    static HWND Box(host::HostedControl* c) { return FindWindowExA(c->Window(), nullptr, "Edit", nullptr); }
    static HWND Button(host::HostedControl* c) { return FindWindowExA(c->Window(), nullptr, "Button", nullptr); }

    static std::vector<std::wstring> Names(const Stored& s) {
        std::vector<std::wstring> names;
        for (const auto& [name, value] : s) names.push_back(name);
        return names;
    }

    // A file that exists, for the open dialog.
    std::string ExistingFile(const std::string& name) {
        const std::string path = wine_test::TempPath(name);
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
        made_.push_back(path);
        return path;
    }
    ~DravikTest() override {
        for (const std::string& p : made_) DeleteFileA(p.c_str());
    }

    com::Window window_;
    host::EventHandlers events_;
    int changes_ = 0;
    int changeArgs_ = 0;
    std::vector<std::string> made_;
};

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// The tool-tip window of this thread that has an owner: the control's.
BOOL CALLBACK FindToolTip(HWND h, LPARAM p) {
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    if (lstrcmpiA(name, "tooltips_class32") == 0 && GetWindow(h, GW_OWNER)) {
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
    }
    return TRUE;
}

TEST_F(DravikTest, MembersStandInTheirOrderWithThePublishedDispatchIdsAndChangeIsEventOne) {
    auto c = Host();
    ASSERT_TRUE(c);
    const struct {
        const wchar_t* name;
        DISPID id;
    } members[] = {
        {L"BackColor", 0x6803000B}, {L"Clicca", 0x6003000C},   {L"Enabled", 0x6803000A}, {L"FileDialogType", 0x68030009},
        {L"Filter", 0x68030008},    {L"Font", -512},           {L"ForeColor", 0x68030007}, {L"InitDir", 0x68030006},
        {L"Locked", 0x68030005},    {L"Refresh", 0x6003000D},  {L"SelLength", 0x68030004}, {L"SelStart", 0x68030003},
        {L"SelText", 0x68030002},   {L"Text", 0x68030001},     {L"Title", 0x68030000},
    };
    for (const auto& m : members) {
        LPOLESTR name = const_cast<LPOLESTR>(m.name);
        DISPID id = 0;
        EXPECT_EQ(c->Dispatch()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK) << m.name;
        EXPECT_EQ(id, m.id) << m.name;
    }

    // The interface lists them in this order (a property's get and put side by side).
    com::ComPtr<ITypeInfo> info;
    ASSERT_EQ(c->Dispatch()->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const UINT count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    std::vector<DISPID> order;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
        if ((order.empty() || order.back() != f->memid) && !(f->wFuncFlags & FUNCFLAG_FRESTRICTED))
            order.push_back(f->memid);
        info->ReleaseFuncDesc(f);
    }
    std::vector<DISPID> expected;
    for (const auto& m : members) expected.push_back(m.id);
    // IDispatch's own members, restricted, come first in a dual interface's description.
    ASSERT_GE(order.size(), expected.size());
    EXPECT_EQ(std::vector<DISPID>(order.end() - expected.size(), order.end()), expected);

    IID eventIid = {};
    com::ComPtr<ITypeInfo> coclass;
    ASSERT_NO_FATAL_FAILURE(rintok_test::ReadClassInfo(c->Object(), eventIid, coclass));
    com::ComPtr<ITypeLib> lib;
    UINT index = 0;
    ASSERT_EQ(coclass->GetContainingTypeLib(lib.Out(), &index), S_OK);
    com::ComPtr<ITypeInfo> events;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(eventIid, events.Out()), S_OK);
    EXPECT_EQ(rintok_test::MemberId(events.Get(), L"Change"), 1);
}

TEST_F(DravikTest, ANewControlHasTheDialogDefaultsTheContainersFontAndStoresNothing) {
    auto c = Host();
    ASSERT_TRUE(c);
    EXPECT_EQ(Text(c.get(), dravik::kDispTitle), L"Apri");
    EXPECT_EQ(Text(c.get(), dravik::kDispInitDir), L"C:\\");
    EXPECT_EQ(Text(c.get(), dravik::kDispFilter), kDefaultFilter);
    EXPECT_EQ(Long(c.get(), dravik::kDispFileDialogType), 0);
    EXPECT_EQ(Text(c.get()), L"");
    EXPECT_EQ(Bool(c.get(), dravik::kDispEnabled), -1);
    EXPECT_EQ(Bool(c.get(), dravik::kDispLocked), 0);
    EXPECT_EQ(Long(c.get(), dravik::kDispBackColor), static_cast<long>(0x80000005));
    EXPECT_EQ(Long(c.get(), dravik::kDispForeColor), static_cast<long>(0x80000008));

    // The hosting layer's ambient font: MS Sans Serif, 8.25 points (under
    // the face the system gives that name).
    com::Variant font = Get(c.get(), dravik::kDispFont);
    ASSERT_EQ(font.Type(), VT_DISPATCH);
    com::ComPtr<IFont> f;
    ASSERT_EQ(font.Ref().pdispVal->QueryInterface(IID_IFont, f.OutVoid()), S_OK);
    com::ComPtr<IFont> ambient;
    FONTDESC desc = {sizeof desc, const_cast<LPOLESTR>(L"MS Sans Serif"), {{82500, 0}}, FW_NORMAL, ANSI_CHARSET,
                     FALSE, FALSE, FALSE};
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFont, ambient.OutVoid()), S_OK);
    com::Bstr name, ambientName;
    CY size = {};
    f->get_Name(name.Out());
    ambient->get_Name(ambientName.Out());
    f->get_Size(&size);
    EXPECT_EQ(name.Text(), ambientName.Text());
    EXPECT_EQ(size.int64, 82500);

    Stored saved;
    ASSERT_EQ(c->SaveProperties(saved), S_OK);
    EXPECT_EQ(Names(saved), std::vector<std::wstring>{});
}

TEST_F(DravikTest, StoredValuesLoadInOrderAndTheStoredTextWinsOverTheSelection) {
    const struct {
        Stored stored;
        std::wstring text;
    } cases[] = {
        {{{L"SelText", L"scelto"}, {L"Text", L"C:\\prog\\avvio.prl"}}, L"C:\\prog\\avvio.prl"},
        {{{L"Text", L"C:\\a.prl"}, {L"SelStart", 2}, {L"SelLength", 1}, {L"SelText", L"XY"}}, L"C:\\a.prl"},
        // Text's default comes last too: a selection's text alone does not stay.
        {{{L"SelText", L"solo"}}, L""},
        {{}, L""},
    };
    for (const auto& k : cases) {
        auto c = Host(k.stored);
        ASSERT_TRUE(c);
        EXPECT_EQ(Text(c.get()), k.text);
    }

    auto c = Host(Stored{{L"FileDialogType", 7},
                         {L"Filter", L"Programmi (*.prl)|*.prl|"},
                         {L"InitDir", L"D:\\dati"},
                         {L"Title", L"Scegli"},
                         {L"Enabled", false},
                         {L"Locked", true},
                         {L"BackColor", 0x00FF00L},
                         {L"ForeColor", static_cast<long>(0x80000012)}});
    ASSERT_TRUE(c);
    EXPECT_EQ(Long(c.get(), dravik::kDispFileDialogType), 7);
    EXPECT_EQ(Text(c.get(), dravik::kDispFilter), L"Programmi (*.prl)|*.prl|");
    EXPECT_EQ(Text(c.get(), dravik::kDispInitDir), L"D:\\dati");
    EXPECT_EQ(Text(c.get(), dravik::kDispTitle), L"Scegli");
    EXPECT_EQ(Bool(c.get(), dravik::kDispEnabled), 0);
    EXPECT_FALSE(IsWindowEnabled(Box(c.get())));
    EXPECT_FALSE(IsWindowEnabled(Button(c.get())));
    EXPECT_EQ(Bool(c.get(), dravik::kDispLocked), -1);
    EXPECT_EQ(Long(c.get(), dravik::kDispBackColor), 0x00FF00);
    EXPECT_EQ(Long(c.get(), dravik::kDispForeColor), static_cast<long>(0x80000012));

    // A value the box cannot take refuses the whole store.
    for (const Stored& bad : {Stored{{L"Text", L"x"}, {L"SelStart", -1}}, Stored{{L"BackColor", L"rosso"}},
                              Stored{{L"Font", L"Arial"}}, Stored{{L"ForeColor", static_cast<long>(0x800000FF)}}}) {
        HRESULT hr = S_OK;
        auto refused = Host(bad, &hr);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_FALSE(refused);
    }
}

TEST_F(DravikTest, SaveWritesInItsOrderLeavingDefaultsOutAndLoadsBackTheSame) {
    auto c = Host();
    ASSERT_TRUE(c);
    Put(c.get(), dravik::kDispTitle, host::Arg::Val(L"Titolo"));
    Put(c.get(), dravik::kDispFilter, host::Arg::Val(L"A|*.a"));
    Put(c.get(), dravik::kDispFileDialogType, host::Arg::Val(1L));
    Put(c.get(), dravik::kDispText, host::Arg::Val(L"C:\\uno.prl"));
    Put(c.get(), dravik::kDispSelStart, host::Arg::Val(3L));
    Put(c.get(), dravik::kDispSelLength, host::Arg::Val(3L));
    Put(c.get(), dravik::kDispLocked, host::Arg::Val(true));
    Put(c.get(), dravik::kDispForeColor, host::Arg::Val(0x0000FFL));
    Put(c.get(), dravik::kDispEnabled, host::Arg::Val(false));
    Put(c.get(), dravik::kDispInitDir, host::Arg::Val(L"E:\\"));
    com::ComPtr<IFontDisp> bold;
    {
        FONTDESC desc = {sizeof desc, const_cast<LPOLESTR>(L"Arial"), {{100000, 0}}, FW_BOLD, ANSI_CHARSET, FALSE, FALSE, FALSE};
        ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, bold.OutVoid()), S_OK);
    }
    EXPECT_EQ(host::PutRefById(c->Dispatch(), dravik::kDispFont, host::Arg::Val(com::Variant(bold.Get()).Ref())), S_OK);

    Stored saved;
    ASSERT_EQ(c->SaveProperties(saved), S_OK);
    const std::vector<std::wstring> order = {L"ForeColor", L"Enabled", L"Font",          L"Locked", L"SelLength",
                                             L"SelStart",  L"SelText", L"Text", L"FileDialogType", L"Filter",
                                             L"InitDir",   L"Title"};
    EXPECT_EQ(Names(saved), order);

    // Loaded into a second control, the same store comes back, except the
    // selection: the stored Text, written last, puts the caret at the start.
    auto copy = Host(saved);
    ASSERT_TRUE(copy);
    Stored again;
    ASSERT_EQ(copy->SaveProperties(again), S_OK);
    std::vector<std::wstring> withoutSelection = order;
    withoutSelection.erase(withoutSelection.begin() + 4, withoutSelection.begin() + 7);
    ASSERT_EQ(Names(again), withoutSelection);
    for (const auto& [name, value] : again) {
        if (name == L"Font") continue;
        const auto stored = std::find_if(saved.begin(), saved.end(), [&](const auto& e) { return e.first == name; });
        ASSERT_NE(stored, saved.end());
        EXPECT_EQ(VarCmp(const_cast<VARIANT*>(&stored->second.Ref()), const_cast<VARIANT*>(&value.Ref()),
                         LOCALE_USER_DEFAULT, 0),
                  static_cast<HRESULT>(VARCMP_EQ))
            << std::string(name.begin(), name.end());
    }
    EXPECT_EQ(Text(copy.get()), L"C:\\uno.prl");
    com::ComPtr<IFont> font;
    Get(copy.get(), dravik::kDispFont).Ref().pdispVal->QueryInterface(IID_IFont, font.OutVoid());
    ASSERT_TRUE(font);
    BOOL isBold = FALSE;
    font->get_Bold(&isBold);
    EXPECT_TRUE(isBold);

    // The box shows the font object it was given, and follows its changes.
    auto shownWeight = [](HWND box) {
        LOGFONTW shown = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), sizeof shown, &shown);
        return shown.lfWeight;
    };
    EXPECT_EQ(shownWeight(Box(c.get())), FW_BOLD);
    com::ComPtr<IFont> given = bold.As<IFont>(IID_IFont);
    ASSERT_TRUE(given);
    given->put_Bold(FALSE);
    EXPECT_EQ(shownWeight(Box(c.get())), FW_NORMAL);
}

TEST_F(DravikTest, EveryKindOfTextChangeRaisesChangeAndEverySetNotifiesTheContainer) {
    auto c = Host();
    ASSERT_TRUE(c);
    const HWND box = Box(c.get());
    ASSERT_TRUE(box);
    c->ClearChangedProperties();

    Put(c.get(), dravik::kDispText, host::Arg::Val(L"C:\\ab"));
    EXPECT_EQ(changes_, 1) << "write of Text";
    Put(c.get(), dravik::kDispSelStart, host::Arg::Val(5L));
    Put(c.get(), dravik::kDispSelText, host::Arg::Val(L"c.prl"));
    EXPECT_EQ(changes_, 2) << "write of SelText";
    EXPECT_EQ(Text(c.get()), L"C:\\abc.prl");
    SendMessageW(box, WM_CHAR, 'x', 1);
    EXPECT_EQ(changes_, 3) << "typing";
    // Pasting.
    ASSERT_TRUE(wine_test::SetClipboardText(window_.Get(), "\\d"));
    SendMessageW(box, WM_PASTE, 0, 0);
    EXPECT_EQ(changes_, 4) << "pasting";
    EXPECT_EQ(Text(c.get()), L"C:\\abc.prlx\\d");
    EXPECT_EQ(changeArgs_, 0) << "Change has no arguments";

    // Every property set tells the container.
    Put(c.get(), dravik::kDispBackColor, host::Arg::Val(static_cast<long>(0x80000005)));
    Put(c.get(), dravik::kDispForeColor, host::Arg::Val(static_cast<long>(0x80000008)));
    Put(c.get(), dravik::kDispEnabled, host::Arg::Val(true));
    Put(c.get(), dravik::kDispFileDialogType, host::Arg::Val(0L));
    Put(c.get(), dravik::kDispFilter, host::Arg::Val(kDefaultFilter));
    Put(c.get(), dravik::kDispInitDir, host::Arg::Val(L"C:\\"));
    Put(c.get(), dravik::kDispLocked, host::Arg::Val(false));
    Put(c.get(), dravik::kDispSelLength, host::Arg::Val(0L));
    Put(c.get(), dravik::kDispTitle, host::Arg::Val(L"Apri"));
    com::Variant font = Get(c.get(), dravik::kDispFont);
    EXPECT_EQ(host::PutRefById(c->Dispatch(), dravik::kDispFont, host::Arg::Val(font.Ref())), S_OK);
    const std::vector<DISPID> expected = {dravik::kDispText,     dravik::kDispSelStart,   dravik::kDispSelText,
                                          dravik::kDispBackColor, dravik::kDispForeColor, dravik::kDispEnabled,
                                          dravik::kDispFileDialogType, dravik::kDispFilter, dravik::kDispInitDir,
                                          dravik::kDispLocked,   dravik::kDispSelLength, dravik::kDispTitle,
                                          dravik::kDispFont};
    EXPECT_EQ(c->ChangedProperties(), expected);
}

TEST_F(DravikTest, TheOpenDialogPutsTheChosenPathAndCancelOrFailureLeaveTheText) {
    auto c = Host();
    ASSERT_TRUE(c);
    const std::string file = ExistingFile("dravik-aperto.prl");
    Put(c.get(), dravik::kDispTitle, host::Arg::Val(L"Scegli il programma"));
    Put(c.get(), dravik::kDispFilter, host::Arg::Val(L"Programmi (*.prl)|*.prl"));
    Put(c.get(), dravik::kDispText, host::Arg::Val(L"prima"));
    changes_ = 0;

    DialogDriver driver;
    std::string firstType;
    bool readOnlyShown = true;
    driver.Then([&](HWND d) {
        firstType = DialogDriver::FirstFileType(d);
        readOnlyShown = DialogDriver::ReadOnlyBoxVisible(d);
        DialogDriver::TypeAndOk(d, file);
    });
    EXPECT_EQ(Clicca(c.get()), S_OK);
    EXPECT_EQ(driver.Seen(), std::vector<std::string>{"Scegli il programma"});
    EXPECT_EQ(firstType, "Programmi (*.prl)");
    EXPECT_FALSE(readOnlyShown);
    EXPECT_EQ(Text(c.get()), Wide(file));
    EXPECT_EQ(changes_, 1);
    // The stored filter is the text as it was set, after any number of dialogs.
    EXPECT_EQ(Text(c.get(), dravik::kDispFilter), L"Programmi (*.prl)|*.prl");

    // Cancelled: the text stays and no Change.
    driver.Then([](HWND d) { DialogDriver::Press(d, IDCANCEL); });
    EXPECT_EQ(Clicca(c.get()), S_OK);
    EXPECT_EQ(Text(c.get()), Wide(file));
    EXPECT_EQ(changes_, 1);

    // A file that must exist but does not: the dialog says so and stays; then cancelled.
    driver.Then([&](HWND d) {
        DialogDriver::TypeAndOk(d, wine_test::TempPath("dravik-manca.prl"));
    });
    driver.Then([&](HWND box) {
        const HWND dialog = GetWindow(box, GW_OWNER);
        driver.WhenGone(box, [dialog] { DialogDriver::Press(dialog, IDCANCEL); });
        DialogDriver::Press(box, IDOK);
    });
    EXPECT_EQ(Clicca(c.get()), S_OK);
    EXPECT_EQ(driver.Seen().size(), 4u) << "the open dialog, its warning, nothing else";
    EXPECT_EQ(Text(c.get()), Wide(file));
    EXPECT_EQ(changes_, 1);

    EXPECT_EQ(Text(c.get(), dravik::kDispFilter), L"Programmi (*.prl)|*.prl");
    EXPECT_EQ(driver.Unexpected(), 0);
}

TEST_F(DravikTest, EveryNonzeroDialogTypeOpensTheSaveDialogWithItsPrompts) {
    auto c = Host();
    ASSERT_TRUE(c);
    const std::string existing = ExistingFile("dravik-esiste.prl");
    const std::string fresh = wine_test::TempPath("dravik-nuovo.prl");
    DeleteFileA(fresh.c_str());
    Put(c.get(), dravik::kDispTitle, host::Arg::Val(L"Salva"));
    DialogDriver driver;
    // Every prompt is confirmed: to overwrite an existing file, and to create
    // a new one where the platform asks.
    driver.Otherwise([](HWND prompt) { DialogDriver::Press(prompt, IDYES); });
    const struct {
        long type;
        std::string path;
        bool prompted;
    } cases[] = {{1, fresh, false}, {7, existing, true}, {-1, fresh, false}, {1, existing, true}};
    for (const auto& k : cases) {
        Put(c.get(), dravik::kDispFileDialogType, host::Arg::Val(k.type));
        Put(c.get(), dravik::kDispText, host::Arg::Val(L""));
        changes_ = 0;
        const size_t before = driver.Seen().size();
        driver.Then([&](HWND d) { DialogDriver::TypeAndOk(d, k.path); });
        EXPECT_EQ(Clicca(c.get()), S_OK);
        ASSERT_GE(driver.Seen().size(), before + 1) << "type " << k.type;
        EXPECT_EQ(driver.Seen()[before], "Salva");
        if (k.prompted) {
            EXPECT_EQ(driver.Seen().size(), before + 2) << "type " << k.type << ": the overwrite prompt";
        }
        EXPECT_EQ(Text(c.get()), Wide(k.path)) << k.type;
        EXPECT_EQ(changes_, 1);
    }
    EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES) << "the control never writes a file";

    // A path longer than the dialog's buffer of 255 makes the dialog fail:
    // the text stays and no Change.
    Put(c.get(), dravik::kDispFileDialogType, host::Arg::Val(1L));
    changes_ = 0;
    const std::string tooLong = "C:\\" + std::string(252, 'a') + ".prl";
    driver.Then([&](HWND d) { DialogDriver::TypeAndOk(d, tooLong); });
    EXPECT_EQ(Clicca(c.get()), S_OK);
    EXPECT_EQ(Text(c.get()), Wide(existing));
    EXPECT_EQ(changes_, 0);
    EXPECT_EQ(driver.Unexpected(), 0);
}

TEST_F(DravikTest, OnlyAltDownBrowsesAndLockedStopsTypingButNotBrowsing) {
    auto c = Host();
    ASSERT_TRUE(c);
    const HWND box = Box(c.get());
    DialogDriver driver;
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE saved[256] = {};
    auto chord = [&](bool shift, bool ctrl, bool alt) {
        BYTE state[256] = {};
        state[VK_SHIFT] = shift ? 0x80 : 0;
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        state[VK_MENU] = alt ? 0x80 : 0;
        SetKeyboardState(state);
        const UINT msg = alt && !ctrl ? WM_SYSKEYDOWN : WM_KEYDOWN;
        SendMessageW(box, msg, VK_DOWN, alt ? (1 | (1 << 29)) : 1);
        SetKeyboardState(const_cast<BYTE*>(saved));
    };
    const struct {
        bool shift, ctrl, alt, browses;
    } cases[] = {{false, false, true, true},
                 {false, false, false, false},
                 {true, false, true, false},
                 {false, true, true, false},
                 {true, true, true, false}};
    for (const auto& k : cases) {
        const size_t before = driver.Seen().size();
        if (k.browses) driver.Then([](HWND d) { DialogDriver::Press(d, IDCANCEL); });
        chord(k.shift, k.ctrl, k.alt);
        EXPECT_EQ(driver.Seen().size() - before, k.browses ? 1u : 0u)
            << "shift " << k.shift << " ctrl " << k.ctrl << " alt " << k.alt;
    }
    SetKeyboardState(keys);

    // Locked: typing changes nothing, the button still browses and the path goes in.
    Put(c.get(), dravik::kDispText, host::Arg::Val(L"fisso"));
    Put(c.get(), dravik::kDispLocked, host::Arg::Val(true));
    changes_ = 0;
    SendMessageW(box, WM_CHAR, 'x', 1);
    EXPECT_EQ(Text(c.get()), L"fisso");
    EXPECT_EQ(changes_, 0);
    const std::string file = ExistingFile("dravik-bloccato.prl");
    driver.Then([&](HWND d) { DialogDriver::TypeAndOk(d, file); });
    SendMessageW(Button(c.get()), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(c.get()), Wide(file));
    EXPECT_EQ(changes_, 1);

    // Disabled: box and button together, and Clicca does nothing.
    Put(c.get(), dravik::kDispEnabled, host::Arg::Val(false));
    EXPECT_FALSE(IsWindowEnabled(box));
    EXPECT_FALSE(IsWindowEnabled(Button(c.get())));
    EXPECT_EQ(Bool(c.get(), dravik::kDispEnabled), 0);
    const size_t before = driver.Seen().size();
    EXPECT_EQ(Clicca(c.get()), S_OK);
    EXPECT_EQ(driver.Seen().size(), before);
    Put(c.get(), dravik::kDispEnabled, host::Arg::Val(true));
    EXPECT_TRUE(IsWindowEnabled(Button(c.get())));
    EXPECT_EQ(driver.Unexpected(), 0);
}

// A container that has no keyboard navigation of its own: it only hands the
// keys to the control's TranslateAccelerator and moves the focus on when the
// control passes Tab back to the control site.
TEST_F(DravikTest, TabStepsThroughBoxAndButtonAndLeavesThroughTheControlSite) {
    auto c = Host();
    ASSERT_TRUE(c);
    ShowWindow(window_.Get(), SW_SHOWNA);
    com::Window after(CreateWindowExA(0, "BUTTON", "dopo", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10,
                                      100, 80, 24, window_.Get(), nullptr, GetModuleHandleA(nullptr), nullptr));
    com::ComPtr<IOleInPlaceActiveObject> active;
    ASSERT_EQ(c->Object()->QueryInterface(IID_IOleInPlaceActiveObject, active.OutVoid()), S_OK);
    const HWND box = Box(c.get()), button = Button(c.get()), other = after.Get();

    // The focus given to the control as a whole goes to its box, and the
    // container hears that the control has it.
    SetFocus(c->Window());
    EXPECT_EQ(GetFocus(), box);
    EXPECT_NE(host::ControlSite::WithFocus(window_.Get()), nullptr);

    BYTE saved[256] = {};
    GetKeyboardState(saved);
    const struct {
        HWND from;
        WPARAM key;
        bool shift;
        HWND to;
        HRESULT result;
    } cases[] = {
        {box, VK_TAB, false, button, S_OK},      // into the button
        {button, VK_TAB, true, box, S_OK},       // back into the box
        {button, VK_TAB, false, other, S_OK},    // out, through the site
        {box, VK_TAB, true, other, S_OK},        // out backwards, round the window
        {box, 'A', false, box, S_FALSE},         // the box's own keys stay with it
        {box, VK_DOWN, false, box, S_FALSE},
    };
    for (const auto& k : cases) {
        SetFocus(k.from);
        BYTE state[256] = {};
        state[VK_SHIFT] = k.shift ? 0x80 : 0;
        SetKeyboardState(state);
        MSG msg = {k.from, WM_KEYDOWN, k.key, 1, 0, {0, 0}};
        EXPECT_EQ(active->TranslateAccelerator(&msg), k.result) << "key " << k.key << " shift " << k.shift;
        SetKeyboardState(saved);
        EXPECT_EQ(GetFocus(), k.to) << "key " << k.key << " shift " << k.shift;
    }
    // Leaving the control is reported too.
    SetFocus(other);
    EXPECT_EQ(host::ControlSite::WithFocus(window_.Get()), nullptr);

    // Enter on the button browses; Enter in the box is the container's.
    DialogDriver driver;
    driver.Then([](HWND d) { DialogDriver::Press(d, IDCANCEL); });
    SetFocus(button);
    MSG enter = {button, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    EXPECT_EQ(active->TranslateAccelerator(&enter), S_OK);
    EXPECT_EQ(driver.Seen().size(), 1u);
    SetFocus(box);
    enter.hwnd = box;
    EXPECT_EQ(active->TranslateAccelerator(&enter), S_FALSE);
    EXPECT_EQ(driver.Seen().size(), 1u);
    EXPECT_EQ(driver.Unexpected(), 0);
}

TEST_F(DravikTest, TheButtonStays270TwipsWideAtTheRightEdgeAtEveryWidth) {
    auto c = Host();
    ASSERT_TRUE(c);
    ASSERT_EQ(com::TwipsPerPixelX(), 15) << "the widths below are for 96 pixels per inch";
    for (long widthTwips : {4500L, 3000L, 1200L, 600L, 330L, 150L, 9000L}) {
        c->Move({120, 240, widthTwips, 315});
        RECT control = {}, button = {}, box = {};
        GetClientRect(c->Window(), &control);
        GetWindowRect(Button(c.get()), &button);
        GetWindowRect(Box(c.get()), &box);
        MapWindowPoints(nullptr, c->Window(), reinterpret_cast<POINT*>(&button), 2);
        MapWindowPoints(nullptr, c->Window(), reinterpret_cast<POINT*>(&box), 2);
        const long width = widthTwips / 15;
        EXPECT_EQ(control.right, width);
        EXPECT_EQ(button.right - button.left, 18) << widthTwips;
        EXPECT_EQ(button.right, width) << widthTwips;
        EXPECT_EQ(button.top, 0);
        EXPECT_EQ(button.bottom, control.bottom);
        EXPECT_EQ(box.left, 1);
        EXPECT_EQ(box.top, 1);
        EXPECT_EQ(box.right - box.left, std::max(0L, width - 21)) << widthTwips;
        EXPECT_EQ(box.bottom, control.bottom + 1);
    }
}

TEST_F(DravikTest, TheContainersToolTipReachesTheBoxAtEachShow) {
    auto c = Host(std::nullopt, nullptr, L"Il file caricato all'avvio");
    ASSERT_TRUE(c);
    HWND tip = nullptr;
    auto tipText = [&]() -> std::wstring {
        tip = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindToolTip, reinterpret_cast<LPARAM>(&tip));
        if (!tip) return L"<no tool-tip>";
        wchar_t text[256] = {};
        TTTOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = c->Window();
        tool.uId = reinterpret_cast<UINT_PTR>(Box(c.get()));
        tool.lpszText = text;
        SendMessageW(tip, TTM_GETTEXTW, 255, reinterpret_cast<LPARAM>(&tool));
        return text;
    };
    EXPECT_EQ(tipText(), L"Il file caricato all'avvio");
    c->SetToolTipText(L"Nuovo");
    EXPECT_EQ(tipText(), L"Il file caricato all'avvio") << "taken at Show only";
    ShowWindow(c->Window(), SW_HIDE);
    ShowWindow(c->Window(), SW_SHOWNA);
    EXPECT_EQ(tipText(), L"Nuovo");
}

TEST_F(DravikTest, StreamPersistenceKeepsTheSameValuesAndADamagedStreamChangesNothing) {
    auto c = Host();
    ASSERT_TRUE(c);
    Put(c.get(), dravik::kDispText, host::Arg::Val(L"C:\\flusso.prl"));
    Put(c.get(), dravik::kDispTitle, host::Arg::Val(L"Citt\u00e0"));
    Put(c.get(), dravik::kDispFileDialogType, host::Arg::Val(1L));
    com::ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(c->Object()->QueryInterface(IID_IPersistStreamInit, persist.OutVoid()), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    com::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()), S_OK);
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ULARGE_INTEGER max = {};
    EXPECT_EQ(persist->GetSizeMax(&max), S_OK);
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(max.QuadPart, stat.cbSize.QuadPart);

    auto other = Host();
    ASSERT_TRUE(other);
    com::ComPtr<IPersistStreamInit> load;
    ASSERT_EQ(other->Object()->QueryInterface(IID_IPersistStreamInit, load.OutVoid()), S_OK);
    // Every cut of the stream is refused and leaves the control as it was.
    for (ULONG cut : {0UL, 3UL, 9UL, static_cast<ULONG>(stat.cbSize.QuadPart - 1)}) {
        com::ComPtr<IStream> part;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, part.Out()), S_OK);
        LARGE_INTEGER zero = {};
        ULARGE_INTEGER n = {};
        n.QuadPart = cut;
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        stream->CopyTo(part.Get(), n, nullptr, nullptr);
        part->Seek(zero, STREAM_SEEK_SET, nullptr);
        EXPECT_TRUE(FAILED(load->Load(part.Get()))) << cut;
        EXPECT_EQ(Text(other.get()), L"") << cut;
        EXPECT_EQ(Text(other.get(), dravik::kDispTitle), L"Apri") << cut;
    }
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(load->Load(stream.Get()), S_OK);
    EXPECT_EQ(Text(other.get()), L"C:\\flusso.prl");
    EXPECT_EQ(Text(other.get(), dravik::kDispTitle), L"Citt\u00e0");
    EXPECT_EQ(Long(other.get(), dravik::kDispFileDialogType), 1);
    Stored a, b;
    ASSERT_EQ(c->SaveProperties(a), S_OK);
    ASSERT_EQ(other->SaveProperties(b), S_OK);
    EXPECT_EQ(Names(a), Names(b));
}

TEST_F(DravikTest, WrongArgumentsGetAutomationErrorsAndChangeNothing) {
    auto c = Host();
    ASSERT_TRUE(c);
    Put(c.get(), dravik::kDispText, host::Arg::Val(L"abc"));
    Put(c.get(), dravik::kDispSelStart, host::Arg::Val(1L));
    const struct {
        DISPID id;
        com::Variant value;
        HRESULT error;
    } cases[] = {
        {dravik::kDispSelStart, com::Variant(L"tre"), DISP_E_TYPEMISMATCH},
        {dravik::kDispSelStart, com::Variant(-1L), DISP_E_EXCEPTION},
        {dravik::kDispSelLength, com::Variant(-5L), DISP_E_EXCEPTION},
        {dravik::kDispFileDialogType, com::Variant(L"salva"), DISP_E_TYPEMISMATCH},
        {dravik::kDispEnabled, com::Variant(L"forse"), DISP_E_TYPEMISMATCH},
        {dravik::kDispBackColor, com::Variant(L"rosso"), DISP_E_TYPEMISMATCH},
        {dravik::kDispBackColor, com::Variant(static_cast<long>(0x800000FF)), DISP_E_EXCEPTION},
        {dravik::kDispForeColor, com::Variant(static_cast<long>(0x12345678)), DISP_E_EXCEPTION},
    };
    for (const auto& k : cases) {
        DISPID named = DISPID_PROPERTYPUT;
        VARIANT arg = k.value.Ref();
        DISPPARAMS params = {&arg, &named, 1, 1};
        EXCEPINFO excep = {};
        UINT argErr = 0;
        const HRESULT hr = c->Dispatch()->Invoke(k.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                                 nullptr, &excep, &argErr);
        EXPECT_EQ(hr, k.error) << "0x" << std::hex << k.id;
        if (hr == DISP_E_EXCEPTION) {
            EXPECT_EQ(excep.scode, CTL_E_INVALIDPROPERTYVALUE);
            EXPECT_EQ(std::wstring(excep.bstrSource ? excep.bstrSource : L""), L"Dravik");
        }
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }
    // A font that is no font, and none at all.
    com::ComPtr<IDispatch> notAFont(c->Dispatch(), true);
    EXPECT_TRUE(FAILED(host::PutRefById(c->Dispatch(), dravik::kDispFont, host::Arg::Val(com::Variant(notAFont.Get()).Ref()))));
    EXPECT_TRUE(FAILED(host::PutRefById(c->Dispatch(), dravik::kDispFont, host::Arg::Val(com::Variant(static_cast<IDispatch*>(nullptr)).Ref()))));

    EXPECT_EQ(Text(c.get()), L"abc");
    EXPECT_EQ(Long(c.get(), dravik::kDispSelStart), 1);
    EXPECT_EQ(Long(c.get(), dravik::kDispFileDialogType), 0);
    EXPECT_EQ(Long(c.get(), dravik::kDispBackColor), static_cast<long>(0x80000005));
    EXPECT_EQ(Get(c.get(), dravik::kDispFont).Type(), VT_DISPATCH);
    // System colours written as negative numbers, as scripts do.
    Put(c.get(), dravik::kDispBackColor, host::Arg::Val(static_cast<long>(0x8000000F)));
    EXPECT_EQ(Long(c.get(), dravik::kDispBackColor), static_cast<long>(0x8000000F));
}

}  // namespace
