// DTPSkarvo hosted on a window with a real menu: reading the host's menus
// with its menu controls, adding, removing and finding items, the state
// properties read back from the menu, and checking for items the host
// added or removed itself.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "com/variant.h"
#include "com/win_handles.h"
#include "host/hosted_control.h"
#include "tests/wine/skarvo_test_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

struct MenuControl {
    std::wstring name;
    std::optional<long> index;
    std::wstring caption;
    std::wstring tag;
    bool visible;
};

// A host form offering its menu controls in menu order.
com::ComPtr<IDispatch> MakeForm(const std::vector<MenuControl>& controls) {
    std::vector<com::Variant> entries;
    for (const MenuControl& c : controls) {
        com::ComPtr<skarvo_test::FakeObject> entry(new skarvo_test::FakeObject());
        entry->AddValue(L"Name", com::Variant(c.name));
        entry->AddValue(L"Caption", com::Variant(c.caption));
        entry->AddValue(L"Tag", com::Variant(c.tag));
        entry->AddValue(L"Visible", com::Variant(c.visible));
        const std::optional<long> index = c.index;
        // A control that is not in an array answers Index with an error.
        entry->Add(L"Index", [index](DISPPARAMS*, VARIANT* out) -> HRESULT {
            if (!index) return DISP_E_EXCEPTION;
            out->vt = VT_I4;
            out->lVal = *index;
            return S_OK;
        });
        entries.emplace_back(static_cast<IDispatch*>(entry.Get()));
    }
    com::ComPtr<skarvo_test::FakeObject> list(new skarvo_test::FakeObject());
    list->AddValue(L"Count", com::Variant(static_cast<long>(entries.size())));
    list->Add(L"Item", [entries](DISPPARAMS* params, VARIANT* out) -> HRESULT {
        long i = 0;
        if (!params || params->cArgs != 1 || FAILED(com::Variant(params->rgvarg[0]).ToLong(i))) return E_INVALIDARG;
        if (i < 1 || static_cast<size_t>(i) > entries.size()) return DISP_E_BADINDEX;
        return VariantCopy(out, const_cast<VARIANT*>(&entries[static_cast<size_t>(i - 1)].Ref()));
    });
    com::ComPtr<skarvo_test::FakeObject> form(new skarvo_test::FakeObject());
    form->AddValue(L"MenuControls", com::Variant(static_cast<IDispatch*>(list.Get())));
    return com::ComPtr<IDispatch>(form.Detach());
}

com::Variant Key(const wchar_t* key) { return com::Variant(key); }
com::Variant Index(long i) { return com::Variant(i); }

std::string Text(BSTR b) {
    std::wstring w(b ? b : L"", b ? SysStringLen(b) : 0);
    SysFreeString(b);
    return std::string(w.begin(), w.end());
}

UINT TypeAt(HMENU menu, UINT position) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, position, TRUE, &info);
    return info.fType;
}

using skarvo_test::kExit;
using skarvo_test::kLpt1;
using skarvo_test::kLpt2;
using skarvo_test::kOpen;

class SkarvoControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        const skarvo_test::HostMenuBar menus = skarvo_test::MakeHostMenuBar("LPT1", "LPT2");
        file_ = menus.file;
        port_ = menus.port;
        wine_test::WindowShape shape;
        shape.className = "SkarvoControlHost";
        shape.menu = menus.bar;
        window_.Reset(wine_test::MakeWindow(shape));
        ASSERT_TRUE(window_);

        events_.Add("DTPSkarvo1_RequestNewMenuDetails", [this](host::EventArgs& e) {
            requests_.push_back(Text(SysAllocString(*e.Arg(0).pbstrVal)));
            if (!nextKey_.empty()) {
                SysFreeString(*e.Arg(1).pbstrVal);
                *e.Arg(1).pbstrVal = SysAllocString(nextKey_.c_str());
            }
            *e.Arg(2).plVal = 4;  // icon
        });
        ASSERT_EQ(skarvo_test::HostMenus(skarvo_test::MenusSpec(window_.Get(), {0, 0, 450, 450}, &events_), control_,
                                         menus_),
                  S_OK);
        ASSERT_TRUE(menus_);
    }
    void TearDown() override {
        menus_.Reset();
        control_.reset();
        window_.Reset();
        OleUninitialize();
    }

    // The host's menu controls: a hidden one between Open and Exit (not in
    // the system's menu) and a control array for the ports.
    void SubClass(bool leaveTopLevel = false) {
        const auto form = MakeForm({
            {L"mnuFile", std::nullopt, L"&File", L"f", true},
            {L"mnuOpen", std::nullopt, L"&Open", L"o", true},
            {L"mnuSep", std::nullopt, L"-", L"", true},
            {L"mnuHidden", std::nullopt, L"Hidden", L"h", false},
            {L"mnuExit", std::nullopt, L"E&xit", L"x", true},
            {L"mnuPort", std::nullopt, L"&Port", L"", true},
            {L"mnuLPT", 0L, L"LPT1", L"1", true},
            {L"mnuLPT", 1L, L"LPT2", L"2", true},
        });
        com::Variant formArg(form.Get());
        ASSERT_EQ(menus_->SubClassMenu(formArg.Ref(), com::ToVariantBool(leaveTopLevel)), S_OK);
    }

    short Count() {
        short n = -1;
        EXPECT_EQ(menus_->get_Count(&n), S_OK);
        return n;
    }
    long IndexOf(const wchar_t* key) {
        LONG i = -1;
        const HRESULT hr = menus_->get_MenuIndex(Key(key).Ref(), &i);
        return SUCCEEDED(hr) ? i : -static_cast<long>(HRESULT_CODE(hr));
    }
    std::string KeyAt(long i) {
        BSTR b = nullptr;
        menus_->get_MenuKey(i, &b);
        return Text(b);
    }
    std::string CaptionOf(const com::Variant& k) {
        BSTR b = nullptr;
        menus_->get_Caption(k.Ref(), &b);
        return Text(b);
    }
    template <class T>
    T Query(HRESULT (STDMETHODCALLTYPE _DTPSkarvo::*member)(VARIANT, T*), const com::Variant& k) {
        T v = -1;
        EXPECT_EQ((menus_.Get()->*member)(k.Ref(), &v), S_OK);
        return v;
    }
    long Add(const wchar_t* caption, const wchar_t* key, long parent) {
        com::Bstr c(caption), k(key), h(L"");
        LONG index = 0;
        EXPECT_EQ(menus_->AddItem(c.Get(), k.Get(), h.Get(), 0, parent, -1, VARIANT_FALSE, VARIANT_TRUE, &index), S_OK);
        return index;
    }

    com::Window window_;
    HMENU file_ = nullptr;
    HMENU port_ = nullptr;
    host::EventHandlers events_;
    std::unique_ptr<host::HostedControl> control_;
    com::ComPtr<_DTPSkarvo> menus_;
    std::vector<std::string> requests_;
    std::wstring nextKey_;
};

TEST_F(SkarvoControlTest, SubClassMenuReadsTheMenusDepthFirstAndPairsTheVisibleMenuControls) {
    SubClass();
    ASSERT_EQ(Count(), 7);
    struct Expect {
        const char* key;
        const char* caption;
        long parent;
    };
    const Expect expected[] = {
        {"mnuFile", "&File", 0}, {"mnuOpen", "&Open", 1}, {"mnuSep", "-", 1},      {"mnuExit", "E&xit", 1},
        {"mnuPort", "&Port", 0}, {"mnuLPT(0)", "LPT1", 5}, {"mnuLPT(1)", "LPT2", 5},
    };
    for (long i = 1; i <= 7; ++i) {
        const Expect& e = expected[i - 1];
        EXPECT_EQ(KeyAt(i), e.key) << i;
        EXPECT_EQ(CaptionOf(Index(i)), e.caption) << i;
        EXPECT_EQ(Query(&_DTPSkarvo::get_Parent, Index(i)), e.parent) << i;
    }
    BSTR tag = nullptr;
    menus_->get_MenuTag(Key(L"mnuExit").Ref(), &tag);
    EXPECT_EQ(Text(tag), "x");
    // Popup items are known by their submenu's handle, plain ones by their command.
    EXPECT_EQ(Query(&_DTPSkarvo::get_IDForIndex, Key(L"mnuPort")), static_cast<long>(reinterpret_cast<LONG_PTR>(port_)));
    EXPECT_EQ(Query(&_DTPSkarvo::get_IDForIndex, Key(L"mnuExit")), static_cast<long>(kExit));
    // Every item is owner-drawn now, on the bar and in the popups.
    HMENU bar = GetMenu(window_.Get());
    EXPECT_TRUE(TypeAt(bar, 0) & MFT_OWNERDRAW);
    EXPECT_TRUE(TypeAt(file_, 0) & MFT_OWNERDRAW);
    EXPECT_TRUE(TypeAt(file_, 1) & MFT_SEPARATOR);
    EXPECT_TRUE(TypeAt(port_, 1) & MFT_OWNERDRAW);
    EXPECT_EQ(GetSubMenu(bar, 1), port_);
    EXPECT_EQ(GetMenuItemID(file_, 2), kExit);
}

TEST_F(SkarvoControlTest, LeavingTopLevelMenusKeepsTheBarsLookButStillTakesThePopups) {
    SubClass(true);
    EXPECT_EQ(Count(), 7);
    HMENU bar = GetMenu(window_.Get());
    EXPECT_FALSE(TypeAt(bar, 0) & MFT_OWNERDRAW);
    EXPECT_FALSE(TypeAt(bar, 1) & MFT_OWNERDRAW);
    EXPECT_TRUE(TypeAt(file_, 0) & MFT_OWNERDRAW);
    EXPECT_TRUE(TypeAt(port_, 0) & MFT_OWNERDRAW);
}

TEST_F(SkarvoControlTest, AddingUnderAPlainItemTurnsItIntoAPopupAndRemovingAPopupTakesItsDescendants) {
    SubClass();
    const long open = IndexOf(L"mnuOpen");
    const long sub = Add(L"Recenti", L"recent", open);
    EXPECT_EQ(sub, 8);
    const long deeper = Add(L"primo.prl", L"first", sub);
    EXPECT_EQ(deeper, 9);
    // Open now opens a submenu; it is known by that submenu's handle.
    const HMENU popup = GetSubMenu(file_, 0);
    ASSERT_TRUE(popup);
    EXPECT_EQ(Query(&_DTPSkarvo::get_IDForIndex, Key(L"mnuOpen")), static_cast<long>(reinterpret_cast<LONG_PTR>(popup)));
    EXPECT_EQ(Query(&_DTPSkarvo::get_hPopupMenu, Key(L"mnuOpen")), reinterpret_cast<LONG_PTR>(popup));
    EXPECT_EQ(Query(&_DTPSkarvo::get_Parent, Index(sub)), open);
    EXPECT_EQ(Query(&_DTPSkarvo::get_FirstChild, Key(L"mnuOpen")), sub);
    EXPECT_EQ(GetMenuItemCount(popup), 1);
    const HMENU deeperPopup = GetSubMenu(popup, 0);
    ASSERT_TRUE(deeperPopup);
    // A new command identifier is nobody's ItemHandle.
    const long newId = Query(&_DTPSkarvo::get_IDForIndex, Index(deeper));
    for (long i = 1; i < deeper; ++i) EXPECT_NE(Query(&_DTPSkarvo::get_IDForIndex, Index(i)), newId) << i;

    // An item on the bar without a parent goes on the bar.
    const long onBar = Add(L"&Aiuto", L"help", 0);
    EXPECT_EQ(GetMenuItemCount(GetMenu(window_.Get())), 3);

    // Removing File takes Open, its submenus and their items, the separator and Exit.
    ASSERT_EQ(menus_->RemoveItem(Key(L"mnuFile").Ref()), S_OK);
    EXPECT_EQ(Count(), 4);
    EXPECT_FALSE(IsMenu(popup));
    EXPECT_FALSE(IsMenu(deeperPopup));
    EXPECT_EQ(GetMenuItemCount(GetMenu(window_.Get())), 2);
    VARIANT_BOOL exists = VARIANT_TRUE;
    menus_->get_MenuExists(Key(L"recent").Ref(), &exists);
    EXPECT_EQ(exists, VARIANT_FALSE);
    // Later indices moved down by the number removed.
    EXPECT_EQ(IndexOf(L"mnuPort"), 1);
    EXPECT_EQ(IndexOf(L"help"), onBar - 6);
    // The destroyed popups are no longer the control's to destroy.
    ASSERT_EQ(menus_->UnsubclassMenu(), S_OK);
    EXPECT_EQ(GetMenuItemCount(GetMenu(window_.Get())), 2);
}

TEST_F(SkarvoControlTest, HierarchyPathAndIndexForMenuHierarchyWalkTheTreeBothWays) {
    SubClass();
    struct Case {
        const wchar_t* key;
        long start;
        const wchar_t* separator;
        const char* path;
    };
    const Case cases[] = {
        {L"mnuLPT(1)", 1, L" > ", "&Port > LPT2"},
        {L"mnuLPT(1)", 2, L" > ", "LPT2"},
        {L"mnuLPT(1)", 3, L" > ", ""},
        {L"mnuExit", 1, L"", "&FileE&xit"},
        {L"mnuFile", 1, L"/", "&File"},
    };
    for (const Case& c : cases) {
        com::Bstr separator(c.separator);
        BSTR path = nullptr;
        EXPECT_EQ(menus_->get_HierarchyPath(Key(c.key).Ref(), c.start, separator.Get(), &path), S_OK);
        EXPECT_EQ(Text(path), c.path);
    }
    com::Bstr separator(L"/");
    BSTR path = nullptr;
    EXPECT_EQ(HRESULT_CODE(menus_->get_HierarchyPath(Key(L"mnuExit").Ref(), 0, separator.Get(), &path)), 9);

    struct Walk {
        std::vector<long> positions;
        long index;
    };
    const Walk walks[] = {{{2, 2}, 7}, {{1, 3}, 4}, {{1}, 1}, {{1, 4}, 0}, {{3}, 0}, {{2, 1, 1}, 0}};
    for (const Walk& w : walks) {
        SAFEARRAYBOUND bound = {static_cast<ULONG>(w.positions.size()), 0};
        SAFEARRAY* array = SafeArrayCreate(VT_I4, 1, &bound);
        for (LONG i = 0; i < static_cast<LONG>(w.positions.size()); ++i)
            SafeArrayPutElement(array, &i, const_cast<long*>(&w.positions[static_cast<size_t>(i)]));
        LONG index = -1;
        EXPECT_EQ(menus_->get_IndexForMenuHierarchy(&array, &index), S_OK);
        EXPECT_EQ(index, w.index) << w.positions.size();
        SafeArrayDestroy(array);
    }
    // The positions of an item, from the bar down.
    SAFEARRAY* positions = nullptr;
    ASSERT_EQ(menus_->GetHierarchyForIndexPosition(Key(L"mnuExit").Ref(), &positions), S_OK);
    LONG lower = 0, upper = 0, first = 0, second = 0;
    SafeArrayGetLBound(positions, 1, &lower);
    SafeArrayGetUBound(positions, 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 2);
    LONG at = 1;
    SafeArrayGetElement(positions, &at, &first);
    at = 2;
    SafeArrayGetElement(positions, &at, &second);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 3);
    SafeArrayDestroy(positions);
    // UltimateParent of a bar item is itself.
    EXPECT_EQ(Query(&_DTPSkarvo::get_UltimateParent, Key(L"mnuLPT(0)")), 5);
    EXPECT_EQ(Query(&_DTPSkarvo::get_UltimateParent, Key(L"mnuPort")), 5);
    EXPECT_EQ(Query(&_DTPSkarvo::get_SiblingCount, Key(L"mnuOpen")), 3);
}

TEST_F(SkarvoControlTest, StatePropertiesReadWhatTheMenuHolds) {
    SubClass();
    VARIANT_BOOL value = VARIANT_TRUE;
    // Disabled, not grayed; read back as disabled.
    ASSERT_EQ(menus_->put_Enabled(Key(L"mnuExit").Ref(), VARIANT_FALSE), S_OK);
    EXPECT_EQ(GetMenuState(file_, kExit, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), static_cast<UINT>(MF_DISABLED));
    ASSERT_EQ(menus_->get_Enabled(Key(L"mnuExit").Ref(), &value), S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
    ASSERT_EQ(menus_->put_Enabled(Key(L"mnuExit").Ref(), VARIANT_TRUE), S_OK);
    ASSERT_EQ(menus_->get_Enabled(Key(L"mnuExit").Ref(), &value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
    // The host grays and checks through its own menu calls.
    EnableMenuItem(port_, kLpt2, MF_BYCOMMAND | MF_GRAYED);
    CheckMenuItem(port_, kLpt1, MF_BYCOMMAND | MF_CHECKED);
    ASSERT_EQ(menus_->get_Enabled(Key(L"mnuLPT(1)").Ref(), &value), S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
    ASSERT_EQ(menus_->get_Checked(Key(L"mnuLPT(0)").Ref(), &value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
    ASSERT_EQ(menus_->put_Checked(Key(L"mnuLPT(0)").Ref(), VARIANT_FALSE), S_OK);
    EXPECT_EQ(GetMenuState(port_, kLpt1, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_TRUE(TypeAt(port_, 0) & MFT_OWNERDRAW);
    // A caption change keeps the item in its place.
    com::Bstr caption(L"Esci\tAlt+F4");
    ASSERT_EQ(menus_->put_Caption(Key(L"mnuExit").Ref(), caption.Get()), S_OK);
    EXPECT_EQ(CaptionOf(Key(L"mnuExit")), "Esci");
    EXPECT_EQ(GetMenuItemID(file_, 2), kExit);
}

TEST_F(SkarvoControlTest, UnknownItemsAndDuplicateKeysAreRefusedAndChangeNothing) {
    SubClass();
    EXPECT_EQ(IndexOf(L"nessuno"), -9);
    EXPECT_EQ(IndexOf(L""), -9);
    LONG v = 0;
    EXPECT_EQ(HRESULT_CODE(menus_->get_Parent(Index(99).Ref(), &v)), 9);
    EXPECT_EQ(HRESULT_CODE(menus_->RemoveItem(Index(0).Ref())), 9);
    EXPECT_EQ(HRESULT_CODE(menus_->RemoveItem(Key(L"nessuno").Ref())), 9);
    com::Bstr c(L"Doppio"), k(L"mnuExit"), h(L"");
    LONG index = 0;
    EXPECT_EQ(HRESULT_CODE(menus_->AddItem(c.Get(), k.Get(), h.Get(), 0, 0, -1, 0, -1, &index)), 457);
    EXPECT_EQ(HRESULT_CODE(menus_->put_MenuKey(1, k.Get())), 457);
    BSTR none = nullptr;
    EXPECT_EQ(HRESULT_CODE(menus_->get_MenuKey(8, &none)), 9);
    EXPECT_EQ(Count(), 7);
    EXPECT_EQ(KeyAt(1), "mnuFile");
    EXPECT_EQ(GetMenuItemCount(GetMenu(window_.Get())), 2);
    const auto error = skarvo_test::TakeErrorInfo();
    EXPECT_EQ(error.source, L"Skarvo");
}

TEST_F(SkarvoControlTest, CheckForNewItemsAsksForWhatTheHostAddedAndDropsWhatItRemoved) {
    SubClass();
    AppendMenuA(port_, MF_STRING, 203, "LPT3");
    RemoveMenu(file_, kExit, MF_BYCOMMAND);
    nextKey_ = L"mnuLPT3";
    ASSERT_EQ(menus_->CheckForNewItems(), S_OK);
    EXPECT_EQ(requests_, std::vector<std::string>{"LPT3"});
    EXPECT_EQ(Count(), 7);
    VARIANT_BOOL exists = VARIANT_TRUE;
    menus_->get_MenuExists(Key(L"mnuExit").Ref(), &exists);
    EXPECT_EQ(exists, VARIANT_FALSE);
    EXPECT_EQ(IndexOf(L"mnuLPT3"), 7);
    EXPECT_EQ(Query(&_DTPSkarvo::get_ItemIcon, Key(L"mnuLPT3")), 4);
    EXPECT_EQ(Query(&_DTPSkarvo::get_Parent, Key(L"mnuLPT3")), IndexOf(L"mnuPort"));
    EXPECT_TRUE(TypeAt(port_, 2) & MFT_OWNERDRAW);
    // Nothing new: no request.
    requests_.clear();
    ASSERT_EQ(menus_->CheckForNewItems(), S_OK);
    EXPECT_TRUE(requests_.empty());
    EXPECT_EQ(Count(), 7);
    // A duplicate key from the handler ends the check with error 457.
    AppendMenuA(port_, MF_STRING, 204, "LPT4");
    nextKey_ = L"mnuPort";
    EXPECT_EQ(HRESULT_CODE(menus_->CheckForNewItems()), 457);
}

}  // namespace

namespace {

// Answers every message box of this thread as it opens, noting its title and text.
struct MessageBoxAnswerer {
    static std::vector<std::string>* seen;
    HHOOK hook = nullptr;
    explicit MessageBoxAnswerer(std::vector<std::string>& out) {
        seen = &out;
        hook = SetWindowsHookExA(WH_CBT, Proc, nullptr, GetCurrentThreadId());
    }
    ~MessageBoxAnswerer() {
        UnhookWindowsHookEx(hook);
        seen = nullptr;
    }
    static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp) {
        if (code == HCBT_ACTIVATE && seen && wine_test::ClassName(reinterpret_cast<HWND>(wp)) == "#32770") {
            const HWND box = reinterpret_cast<HWND>(wp);
            char title[64] = {};
            GetWindowTextA(box, title, sizeof title);
            seen->push_back(std::string(title) + ": " + wine_test::MessageBoxText(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
};
std::vector<std::string>* MessageBoxAnswerer::seen = nullptr;

}  // namespace

TEST_F(SkarvoControlTest, ItemIconReportsAnUnknownItemInTwoMessageBoxesAndChangesNothing) {
    SubClass();
    std::vector<std::string> boxes;
    {
        MessageBoxAnswerer answerer(boxes);
        EXPECT_EQ(menus_->put_ItemIcon(Key(L"mnuNessuno").Ref(), 3), S_OK);
    }
    EXPECT_EQ(boxes, (std::vector<std::string>{"Errore: Errore alla riga 1", "Errore: lindex=0 vKey=mnuNessuno"}));
    ASSERT_EQ(menus_->put_ItemIcon(Key(L"mnuExit").Ref(), 3), S_OK);
    EXPECT_EQ(Query(&_DTPSkarvo::get_ItemIcon, Key(L"mnuExit")), 3);
    EXPECT_EQ(Query(&_DTPSkarvo::get_ItemIcon, Key(L"mnuOpen")), -1);
    EXPECT_EQ(Count(), 7);
}

// What a control starts with: a new one sets nothing, one read from a bag
// takes the bag's defaults, and a stream gives back what was saved.
TEST(SkarvoPersistence, NewBagAndStreamStartsGiveTheirOwnValues) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        auto fresh = skarvo_test::CreateFromDll<IPersistStreamInit>(CLSID_DTPSkarvo, IID_IPersistStreamInit);
        ASSERT_TRUE(fresh);
        ASSERT_EQ(fresh->InitNew(), S_OK);
        auto freshMenus = skarvo_test::QueryAs<_DTPSkarvo>(fresh.Get(), IID__DTPSkarvo);
        VARIANT_BOOL highlight = VARIANT_TRUE;
        LONG tick = 5;
        freshMenus->get_HighlightCheckedItems(&highlight);
        freshMenus->get_TickIconIndex(&tick);
        EXPECT_EQ(highlight, VARIANT_FALSE);
        EXPECT_EQ(tick, 0);

        auto bagged = skarvo_test::CreateFromDll<IPersistPropertyBag>(CLSID_DTPSkarvo, IID_IPersistPropertyBag);
        host::StoredProperties empty;
        com::ComPtr<IPropertyBag> bag(new host::PropertyBagOfValues(empty));
        ASSERT_EQ(bagged->Load(bag.Get(), nullptr), S_OK);
        auto baggedMenus = skarvo_test::QueryAs<_DTPSkarvo>(bagged.Get(), IID__DTPSkarvo);
        baggedMenus->get_HighlightCheckedItems(&highlight);
        baggedMenus->get_TickIconIndex(&tick);
        EXPECT_EQ(highlight, VARIANT_TRUE);
        EXPECT_EQ(tick, -1);

        // Saved to a stream and loaded into another control.
        baggedMenus->put_TickIconIndex(7);
        baggedMenus->put_HighlightCheckedItems(VARIANT_FALSE);
        com::ComPtr<IStream> stream;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()), S_OK);
        auto saver = skarvo_test::QueryAs<IPersistStreamInit>(bagged.Get(), IID_IPersistStreamInit);
        EXPECT_EQ(saver->IsDirty(), S_OK);
        ASSERT_EQ(saver->Save(stream.Get(), TRUE), S_OK);
        EXPECT_EQ(saver->IsDirty(), S_FALSE);
        const LARGE_INTEGER start = {};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        auto loaded = skarvo_test::CreateFromDll<IPersistStreamInit>(CLSID_DTPSkarvo, IID_IPersistStreamInit);
        ASSERT_EQ(loaded->Load(stream.Get()), S_OK);
        auto loadedMenus = skarvo_test::QueryAs<_DTPSkarvo>(loaded.Get(), IID__DTPSkarvo);
        loadedMenus->get_HighlightCheckedItems(&highlight);
        loadedMenus->get_TickIconIndex(&tick);
        EXPECT_EQ(highlight, VARIANT_FALSE);
        EXPECT_EQ(tick, 7);

        // A stream cut short is refused and changes nothing.
        com::ComPtr<IStream> shortStream;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, shortStream.Out()), S_OK);
        const char two[2] = {1, 0};
        shortStream->Write(two, sizeof two, nullptr);
        shortStream->Seek(start, STREAM_SEEK_SET, nullptr);
        EXPECT_TRUE(FAILED(loaded->Load(shortStream.Get())));
        loadedMenus->get_TickIconIndex(&tick);
        EXPECT_EQ(tick, 7);
        LONG major = 0, minor = 0, revision = 0;
        loadedMenus->GetVersion(&major, &minor, &revision);
        EXPECT_EQ(major * 10000 + minor * 100 + revision, 10002);
    }
    OleUninitialize();
}
