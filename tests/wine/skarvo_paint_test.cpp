// DTPSkarvo measuring and painting its owner-drawn items through the host
// window's real WM_MEASUREITEM and WM_DRAWITEM: sizes against the menu font,
// pixels of items drawn into a memory bitmap with an image list of solid
// colours.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "com/variant.h"
#include "com/win_handles.h"
#include "host/hosted_control.h"
#include "tests/wine/skarvo_test_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

constexpr UINT kOpen = 101;
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kYellow = RGB(255, 255, 0), kSentinel = RGB(255, 0, 255);
constexpr long kTick = 3;
constexpr int kCell = 19;  // the cell size every measuring leaves

// The system's menu font, read through the wide interface with the full
// record (the control reads the 340-byte narrow one), plain or in bold. The
// test machine's menu font is of normal weight, so bold is 700.
com::GdiObject<HFONT> MenuFont(bool bold = false) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    LOGFONTW font = metrics.lfMenuFont;
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    if (bold) font.lfWeight = FW_BOLD;
    return com::GdiObject<HFONT>(CreateFontIndirectW(&font));
}

int TextWidth(HFONT font, const char* text) {
    com::MemoryDC dc(nullptr);
    com::SelectedObject selected(dc.Get(), font);
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc.Get(), text, -1, &r, DT_CALCRECT);
    return r.right;
}

// A 32-bit bitmap to draw items into, read back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height) : dc_(nullptr), width_(width), height_(height) {
        void* bits = nullptr;
        bitmap_.Reset(wine_test::MakeDib32(width, height, &bits, dc_.Get()));
        bitmapSelected_ = std::make_unique<com::SelectedObject>(dc_.Get(), bitmap_.Get());
        fontSelected_ = std::make_unique<com::SelectedObject>(dc_.Get(), font_.Get());
    }
    HDC Dc() const { return dc_.Get(); }
    void Fill(COLORREF colour) {
        com::GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
        RECT all = {0, 0, width_, height_};
        FillRect(dc_.Get(), &all, brush.Get());
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        return GetPixel(dc_.Get(), x, y);
    }
    // The pixels of exactly `colour` inside `r`.
    std::set<std::pair<int, int>> Find(COLORREF colour, RECT r) const {
        std::set<std::pair<int, int>> found;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) == colour) found.insert({x, y});
        return found;
    }
    bool Has(COLORREF colour, RECT r) const { return !Find(colour, r).empty(); }

private:
    com::MemoryDC dc_;
    int width_, height_;
    com::GdiObject<HBITMAP> bitmap_;
    com::GdiObject<HFONT> font_ = MenuFont();
    std::unique_ptr<com::SelectedObject> bitmapSelected_;
    std::unique_ptr<com::SelectedObject> fontSelected_;
};

// Images 0 red, 1 green, 2 blue, 3 yellow (the tick), each 16 x 16 and solid.
class TestImages {
public:
    TestImages() : list_(ImageList_Create(16, 16, ILC_COLOR24, 4, 0)) {
        com::WindowDC screen(nullptr);
        for (COLORREF c : {kRed, kGreen, kBlue, kYellow}) {
            com::GdiObject<HBITMAP> image(CreateCompatibleBitmap(screen.Get(), 16, 16));
            {
                com::MemoryDC dc(screen.Get());
                com::SelectedObject selected(dc.Get(), image.Get());
                com::GdiObject<HBRUSH> brush(CreateSolidBrush(c));
                RECT r = {0, 0, 16, 16};
                FillRect(dc.Get(), &r, brush.Get());
            }
            ImageList_Add(list_, image.Get(), nullptr);
        }
    }
    TestImages(const TestImages&) = delete;
    TestImages& operator=(const TestImages&) = delete;
    ~TestImages() { ImageList_Destroy(list_); }
    HIMAGELIST Get() const { return list_; }

private:
    HIMAGELIST list_;
};

class SkarvoPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        wine_test::WindowShape shape;
        shape.className = "SkarvoPaintHost";
        shape.style = WS_OVERLAPPEDWINDOW;
        shape.width = 400;
        shape.height = 300;
        shape.menu = wine_test::MakeMenuBar({{"&File", {{kOpen, "&Open\tCtrl+O"}}}});
        window_.Reset(wine_test::MakeWindow(shape));
        ASSERT_TRUE(window_);
        ASSERT_EQ(skarvo_test::HostMenus(skarvo_test::MenusSpec(window_.Get(), {0, 0, 30, 30}, &events_), control_,
                                         menus_),
                  S_OK);
        ASSERT_TRUE(menus_);
        com::Variant none;
        ASSERT_EQ(menus_->SubClassMenu(none.Ref(), VARIANT_FALSE), S_OK);
        GiveImageList(reinterpret_cast<LONG_PTR>(images_.Get()));
        ASSERT_EQ(menus_->put_TickIconIndex(kTick), S_OK);
        ASSERT_EQ(menus_->put_HighlightCheckedItems(VARIANT_FALSE), S_OK);
    }
    void TearDown() override {
        menus_.Reset();
        control_.reset();
        window_.Reset();
        OleUninitialize();
    }

    // The handle as a host of this width passes it: Long, or LongPtr in 64 bits.
    void GiveImageList(LONG_PTR handle) {
        com::Variant list = com::Variant::PointerSized(handle);
        ASSERT_EQ(menus_->put_ImageList(list.Get()), S_OK);
    }
    // A new item under the item `parent` (0: the menu bar).
    struct Item {
        long index;
        UINT id;  // its identifier in the menu
    };
    Item Add(const wchar_t* caption, long parent, long icon) {
        com::Bstr c(caption), k(L""), h(L"");
        LONG index = 0;
        EXPECT_EQ(menus_->AddItem(c.Get(), k.Get(), h.Get(), 0, parent, icon, VARIANT_FALSE, VARIANT_TRUE, &index),
                  S_OK);
        LONG id = 0;
        com::Variant i(static_cast<long>(index));
        EXPECT_EQ(menus_->get_IDForIndex(i.Ref(), &id), S_OK);
        return {index, static_cast<UINT>(id)};
    }
    struct Measured {
        LRESULT result;
        UINT width, height;
    };
    Measured Measure(UINT id, UINT width = 0, UINT height = 0) {
        MEASUREITEMSTRUCT m = {};
        m.CtlType = ODT_MENU;
        m.itemID = id;
        m.itemWidth = width;
        m.itemHeight = height;
        const LRESULT r = SendMessageA(window_.Get(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m));
        return {r, m.itemWidth, m.itemHeight};
    }
    void Draw(Canvas& canvas, UINT id, UINT state, RECT rect) {
        DRAWITEMSTRUCT d = {};
        d.CtlType = ODT_MENU;
        d.itemID = id;
        d.itemAction = ODA_DRAWENTIRE;
        d.itemState = state;
        d.hDC = canvas.Dc();
        d.rcItem = rect;
        SendMessageA(window_.Get(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    }
    void SetDefault(const Item& item) {
        com::Variant i(item.index);
        ASSERT_EQ(menus_->put_MenuDefault(i.Ref(), VARIANT_TRUE), S_OK);
    }

    com::Window window_;
    host::EventHandlers events_;
    std::unique_ptr<host::HostedControl> control_;
    com::ComPtr<_DTPSkarvo> menus_;
    TestImages images_;
};

COLORREF Sys(int index) { return GetSysColor(index); }

// --- Measuring -------------------------------------------------------------

// Item 1 is &File on the menu bar, item 2 its &Open with "Ctrl+O".
constexpr long kFileIndex = 1;

TEST_F(SkarvoPaintTest, PopupItemsShareTheLongestSiblingCaptionAndShortcutColumn) {
    const Item save = Add(L"Salva con &nome...", kFileIndex, 0);
    const Item sep = Add(L"-", kFileIndex, -1);
    const Item print = Add(L"&Stampa\tCtrl+Shift+P", kFileIndex, -1);
    const com::GdiObject<HFONT> font = MenuFont();
    const int column = 32 + TextWidth(font.Get(), "Salva con &nome...") + 8;
    const int width = column + TextWidth(font.Get(), "Ctrl+Shift+P");
    for (UINT id : {kOpen, save.id, print.id}) {
        const Measured m = Measure(id);
        EXPECT_EQ(m.result, 1) << id;
        EXPECT_EQ(static_cast<int>(m.width), width) << id;
        EXPECT_EQ(m.height, static_cast<UINT>(kCell)) << id;
    }
    const Measured s = Measure(sep.id);
    EXPECT_EQ(s.width, 32u);
    EXPECT_EQ(s.height, 10u);
}

TEST_F(SkarvoPaintTest, PopupWithoutShortcutsStopsAtTheCaptionAndBoldIsWider) {
    const Item edit = Add(L"&Modifica", 0, -1);
    const Item undo = Add(L"&Annulla", edit.index, 2);
    const Item cut = Add(L"Taglia tutto", edit.index, -1);
    const com::GdiObject<HFONT> font = MenuFont(), bold = MenuFont(true);
    const Measured plain = Measure(undo.id);
    EXPECT_EQ(static_cast<int>(plain.width), 32 + TextWidth(font.Get(), "Taglia tutto"));
    EXPECT_EQ(plain.height, static_cast<UINT>(kCell));
    SetDefault(cut);
    const Measured strong = Measure(cut.id);
    EXPECT_EQ(static_cast<int>(strong.width), 32 + TextWidth(bold.Get(), "Taglia tutto"));
    EXPECT_GT(strong.width, plain.width);
    // The bold font went back out: the next plain item measures as before.
    EXPECT_EQ(Measure(undo.id).width, plain.width);
}

TEST_F(SkarvoPaintTest, MenuBarItemsAreAsHighAsTheBarAndIconAddsEighteen) {
    const UINT withIcon = Add(L"&Porta", 0, 1).id;
    const UINT plain = Add(L"&Aiuto", 0, -1).id;
    const UINT empty = Add(L"", 0, 1).id;
    const com::GdiObject<HFONT> font = MenuFont();
    const UINT bar = static_cast<UINT>(GetSystemMetrics(SM_CYMENU));
    struct Case {
        UINT id;
        int width;
    } const cases[] = {
        {withIcon, 18 + TextWidth(font.Get(), "&Porta")},
        {plain, TextWidth(font.Get(), "&Aiuto")},
        {empty, 4},
    };
    for (const Case& c : cases) {
        const Measured m = Measure(c.id);
        EXPECT_EQ(static_cast<int>(m.width), c.width) << c.id;
        EXPECT_EQ(m.height, bar) << c.id;
    }
}

TEST_F(SkarvoPaintTest, UnknownItemsAndOtherControlsKeepTheirSizes) {
    const Measured unknown = Measure(4321, 77, 55);
    EXPECT_EQ(unknown.result, 1);
    EXPECT_EQ(unknown.width, 77u);
    EXPECT_EQ(unknown.height, 55u);

    MEASUREITEMSTRUCT list = {};
    list.CtlType = ODT_LISTBOX;
    list.itemID = kOpen;
    list.itemHeight = 5;
    EXPECT_EQ(SendMessageA(window_.Get(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&list)), 0);
    EXPECT_EQ(list.itemHeight, 5u);
}

// --- Painting --------------------------------------------------------------

constexpr int L = 10, T = 20, R = 210;
constexpr RECT kPopupItem = {L, T, R, T + kCell};
constexpr RECT kCellRect = {L, T, L + kCell, T + kCell};
constexpr COLORREF kWhite = RGB(255, 255, 255);

class SkarvoPaintPixelsTest : public SkarvoPaintTest {
protected:
    void SetUp() override {
        SkarvoPaintTest::SetUp();
        if (HasFatalFailure()) return;
        icon_ = Add(L"&Rosso", kFileIndex, 0);
        plain_ = Add(L"Niente", kFileIndex, -1);
        noTick_ = Add(L"Meno due", kFileIndex, -2);
        separator_ = Add(L"-", kFileIndex, -1);
        Measure(icon_.id);  // the cell size of every measuring: 19
    }
    // Draws `item` on a new canvas filled with `background`.
    std::unique_ptr<Canvas> Paint(UINT id, UINT state, RECT rect = kPopupItem, COLORREF background = kSentinel) {
        auto canvas = std::make_unique<Canvas>(400, 60);
        canvas->Fill(background);
        Draw(*canvas, id, state, rect);
        return canvas;
    }
    bool Untouched(const Canvas& canvas) {
        return canvas.Find(kSentinel, RECT{0, 0, 400, 60}).size() == 400u * 60u;
    }

    Item icon_{}, plain_{}, noTick_{}, separator_{};
};

TEST_F(SkarvoPaintPixelsTest, IconSitsInItsCellAndTheHighlightStartsOnePixelRightOfIt) {
    const auto selected = Paint(icon_.id, ODS_SELECTED);
    // The 16-pixel image at (L + 1 + (19 - 18) / 2, T + 1).
    EXPECT_EQ(selected->At(L + 1, T + 1), kRed);
    EXPECT_EQ(selected->At(L + 16, T + 16), kRed);
    EXPECT_NE(selected->At(L + 17, T + 1), kRed);
    EXPECT_NE(selected->At(L + 1, T + 17), kRed);
    // A raised button round the icon cell.
    EXPECT_EQ(selected->At(L, T + 9), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(selected->At(L + kCell - 1, T + 9), Sys(COLOR_BTNSHADOW));
    // The highlight leaves one column between the cell and itself.
    EXPECT_EQ(selected->At(L + kCell, T + 9), kSentinel);
    EXPECT_EQ(selected->At(L + kCell + 1, T + 9), Sys(COLOR_HIGHLIGHT));
    EXPECT_EQ(selected->At(R - 1, T + kCell - 1), Sys(COLOR_HIGHLIGHT));
    EXPECT_EQ(selected->At(R, T + 9), kSentinel);

    const auto plain = Paint(icon_.id, 0);
    EXPECT_EQ(plain->At(L + 1, T + 1), kRed);
    EXPECT_EQ(plain->At(L, T + 9), Sys(COLOR_MENU));
    EXPECT_EQ(plain->At(L + kCell, T + 9), Sys(COLOR_MENU));
    EXPECT_FALSE(plain->Has(Sys(COLOR_HIGHLIGHT), kPopupItem));
}

TEST_F(SkarvoPaintPixelsTest, DisabledCaptionIsEmbossedInTwoColoursOnePixelApart) {
    // A disabled item paints no background of its own.
    const auto disabled = Paint(plain_.id, ODS_GRAYED | ODS_DISABLED);
    const auto enabled = Paint(plain_.id, 0, kPopupItem, Sys(COLOR_MENU));
    const auto shadow = disabled->Find(Sys(COLOR_BTNSHADOW), kPopupItem);
    const auto light = disabled->Find(Sys(COLOR_BTNHIGHLIGHT), kPopupItem);
    const auto text = enabled->Find(Sys(COLOR_MENUTEXT), kPopupItem);
    ASSERT_FALSE(shadow.empty());
    ASSERT_FALSE(light.empty());
    ASSERT_FALSE(text.empty());
    // The shadow copy sits two pixels left of the enabled text...
    std::set<std::pair<int, int>> moved;
    for (const auto& p : text) moved.insert({p.first - 2, p.second});
    EXPECT_EQ(shadow, moved);
    // ...and the highlight copy one pixel left of and below it.
    for (const auto& p : light) EXPECT_EQ(shadow.count({p.first + 1, p.second - 1}), 1u) << p.first << "," << p.second;
    EXPECT_FALSE(disabled->Has(Sys(COLOR_MENUTEXT), kPopupItem));
}

TEST_F(SkarvoPaintPixelsTest, CheckedItemsGetASunkenCellAndTheTickOnlyForMinusOne) {
    struct Case {
        const char* what;
        UINT id;
        UINT state;
        bool sunken, tick, red;
    } const cases[] = {
        {"checked, no icon", plain_.id, ODS_CHECKED, true, true, false},
        {"checked, selected, no icon", plain_.id, ODS_CHECKED | ODS_SELECTED, true, true, false},
        {"checked, icon -2", noTick_.id, ODS_CHECKED, true, false, false},
        {"checked, with an icon", icon_.id, ODS_CHECKED, true, false, true},
        {"not checked, no icon", plain_.id, 0, false, false, false},
        {"checked and disabled", plain_.id, ODS_CHECKED | ODS_DISABLED, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto canvas = Paint(c.id, c.state);
        if (c.sunken) {
            EXPECT_EQ(canvas->At(L, T + 9), Sys(COLOR_BTNSHADOW));
            EXPECT_EQ(canvas->At(L + 9, T), Sys(COLOR_BTNSHADOW));
            EXPECT_EQ(canvas->At(L + kCell - 1, T + 9), Sys(COLOR_BTNHIGHLIGHT));
            EXPECT_EQ(canvas->At(L + 9, T + kCell - 1), Sys(COLOR_BTNHIGHLIGHT));
        } else {
            EXPECT_NE(canvas->At(L, T + 9), Sys(COLOR_BTNSHADOW));
        }
        EXPECT_EQ(canvas->Has(kYellow, kCellRect), c.tick);
        EXPECT_EQ(canvas->Has(kRed, kCellRect), c.red);
        if (c.tick) {  // drawn two pixels into the cell
            EXPECT_EQ(canvas->At(L + 2, T + 2), kYellow);
            EXPECT_EQ(canvas->At(L + 17, T + 17), kYellow);
            EXPECT_NE(canvas->At(L + 1, T + 1), kYellow);
        }
    }
}

TEST_F(SkarvoPaintPixelsTest, CheckCellIsFilledWithThePatternOrPlainly) {
    const RECT inside = {L + 1, T + 1, L + kCell - 2, T + kCell - 2};
    auto colours = [&](const Canvas& canvas) {
        std::set<COLORREF> seen;
        for (int y = inside.top; y < inside.bottom; ++y)
            for (int x = inside.left; x < inside.right; ++x) seen.insert(canvas.At(x, y));
        return seen;
    };
    EXPECT_EQ(colours(*Paint(noTick_.id, ODS_CHECKED)), std::set<COLORREF>{Sys(COLOR_MENU)});
    EXPECT_EQ(colours(*Paint(noTick_.id, ODS_CHECKED | ODS_SELECTED)), std::set<COLORREF>{Sys(COLOR_MENU)});
    ASSERT_EQ(menus_->put_HighlightCheckedItems(VARIANT_TRUE), S_OK);
    const auto pattern = Paint(noTick_.id, ODS_CHECKED);
    EXPECT_EQ(colours(*pattern).size(), 2u);
    EXPECT_NE(pattern->At(L + 1, T + 1), pattern->At(L + 2, T + 1));
    EXPECT_NE(pattern->At(L + 1, T + 1), pattern->At(L + 1, T + 2));
    EXPECT_TRUE(colours(*pattern).count(kWhite));
    // Selected, the cell is plain again.
    EXPECT_EQ(colours(*Paint(noTick_.id, ODS_CHECKED | ODS_SELECTED)), std::set<COLORREF>{Sys(COLOR_MENU)});
}

TEST_F(SkarvoPaintPixelsTest, SeparatorsAreEtchedInPopupsOnly) {
    const auto popup = Paint(separator_.id, 0, RECT{L, T, R, T + 10});
    EXPECT_EQ(popup->At(L + 2, T), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(popup->At(R - 3, T + 1), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(popup->At(L + 1, T), kSentinel);
    EXPECT_EQ(popup->At(R - 2, T), kSentinel);
    EXPECT_EQ(popup->At(L + 20, T + 5), kSentinel);

    const Item barSeparator = Add(L"-", 0, -1);
    EXPECT_TRUE(Untouched(*Paint(barSeparator.id, 0, RECT{L, T, L + 4, T + 19})));
}

TEST_F(SkarvoPaintPixelsTest, MenuBarItemsTakeTheBarColoursAndASunkenEdgeWhenSelected) {
    const Item port = Add(L"&Porta", 0, 1);
    Measure(port.id);
    const int barHeight = GetSystemMetrics(SM_CYMENU);
    const RECT item = {L, T, L + 80, T + barHeight};
    const DWORD v = GetVersion();
    const bool newer = LOBYTE(LOWORD(v)) * 100 + HIBYTE(LOWORD(v)) > 500;

    const auto idle = Paint(port.id, 0, item);
    EXPECT_EQ(idle->At(L + 79, T + 1), Sys(newer ? COLOR_MENUBAR : COLOR_ACTIVEBORDER));
    EXPECT_EQ(idle->At(L + 1, T + 1), kGreen);  // no centring on the bar
    EXPECT_NE(idle->At(L, T + 1), kGreen);

    const auto selected = Paint(port.id, ODS_SELECTED, item);
    EXPECT_EQ(selected->At(L, T + 10), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(selected->At(L + 79, T + 10), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(selected->At(L + 60, T + 5), Sys(newer ? COLOR_HIGHLIGHT : COLOR_MENU));
}

TEST_F(SkarvoPaintPixelsTest, ShortcutTextStartsAtTheColumnSharedByTheMenu) {
    const Item print = Add(L"&Stampa tutto\tCtrl+Shift+P", kFileIndex, -1);
    Measure(print.id);  // writes the column of every item of the popup, Open's too
    const com::GdiObject<HFONT> font = MenuFont();
    // The longest caption of the popup by characters.
    const int column = 32 + TextWidth(font.Get(), "&Stampa tutto") + 8;
    const RECT item = {0, T, 390, T + kCell};
    const auto canvas = Paint(kOpen, 0, item);
    const auto text = canvas->Find(Sys(COLOR_MENUTEXT), item);
    ASSERT_FALSE(text.empty());
    int captionEnd = 0, shortcutStart = 400, shortcutEnd = 0;
    for (const auto& p : text) {
        if (p.first < column - 4) captionEnd = std::max(captionEnd, p.first);
        else shortcutStart = std::min(shortcutStart, p.first), shortcutEnd = std::max(shortcutEnd, p.first);
    }
    EXPECT_LT(captionEnd, 22 + TextWidth(font.Get(), "&Open"));
    EXPECT_GE(shortcutStart, column);
    EXPECT_LT(shortcutStart, column + 4);
    EXPECT_LE(shortcutEnd, column + TextWidth(font.Get(), "Ctrl+O"));
}

// Makes `make()` allocate above 4 GiB: the free address space below 4 GiB is
// reserved and the process heap filled until it grows above it; all is given
// back afterwards. Wine's heap otherwise stays low.
template <class Make>
auto AllocatedAbove4GiB(Make make) {
    std::vector<void*> reserved, filler;
    MEMORY_BASIC_INFORMATION info;
    const uint64_t limit = uint64_t{1} << 32;
    for (uint64_t at = 0x10000; at < limit && VirtualQuery(reinterpret_cast<void*>(static_cast<ULONG_PTR>(at)), &info,
                                                           sizeof info);
         at = reinterpret_cast<ULONG_PTR>(info.BaseAddress) + uint64_t{info.RegionSize}) {
        const uint64_t base = reinterpret_cast<ULONG_PTR>(info.BaseAddress);
        const uint64_t size = std::min<uint64_t>(info.RegionSize, limit - base);
        if (info.State == MEM_FREE)
            if (void* r = VirtualAlloc(info.BaseAddress, static_cast<SIZE_T>(size), MEM_RESERVE, PAGE_NOACCESS))
                reserved.push_back(r);
    }
    for (int i = 0; i < (1 << 22); ++i) {
        void* block = HeapAlloc(GetProcessHeap(), 0, 64);
        if (!block) break;
        filler.push_back(block);
        if (reinterpret_cast<ULONG_PTR>(block) >= limit) break;
    }
    auto made = make();
    for (void* block : filler) HeapFree(GetProcessHeap(), 0, block);
    for (void* r : reserved) VirtualFree(r, 0, MEM_RELEASE);
    return made;
}

// A 64-bit host may hold an image list whose handle does not fit 32 bits: it
// passes the whole handle as LongPtr and the icons are drawn from it.
TEST_F(SkarvoPaintPixelsTest, AnImageListAbove4GiBIsDrawn) {
    if (sizeof(void*) == 4) GTEST_SKIP() << "a 32-bit process has no address above 4 GiB";
    const auto high = AllocatedAbove4GiB([] { return std::make_unique<TestImages>(); });
    const auto handle = reinterpret_cast<ULONG_PTR>(high->Get());
    ASSERT_GT(uint64_t{handle}, 0xFFFFFFFFull);
    GiveImageList(static_cast<LONG_PTR>(handle));
    EXPECT_EQ(Paint(icon_.id, ODS_SELECTED)->At(L + 1, T + 1), kRed);
    GiveImageList(reinterpret_cast<LONG_PTR>(images_.Get()));
}

// --- Bad input ---------------------------------------------------------------

TEST_F(SkarvoPaintPixelsTest, MissingOrWrongImageListsAndIndexesDrawNoImage) {
    com::WindowDC screen(nullptr);
    com::GdiObject<HBITMAP> notAList(CreateCompatibleBitmap(screen.Get(), 4, 4));
    const LONG_PTR lists[] = {0, reinterpret_cast<LONG_PTR>(notAList.Get()), 0x1234};
    for (LONG_PTR list : lists) {
        SCOPED_TRACE(list);
        GiveImageList(list);
        const auto withIcon = Paint(icon_.id, ODS_SELECTED);
        EXPECT_FALSE(withIcon->Has(kRed, kCellRect));
        EXPECT_EQ(withIcon->At(L + kCell + 1, T + 9), Sys(COLOR_HIGHLIGHT));
        const auto ticked = Paint(plain_.id, ODS_CHECKED | ODS_DISABLED);
        EXPECT_FALSE(ticked->Has(kYellow, kCellRect));
        EXPECT_EQ(ticked->At(L, T + 9), Sys(COLOR_BTNSHADOW));
    }
    GiveImageList(reinterpret_cast<LONG_PTR>(images_.Get()));
    for (long tick : {-1L, 4L, 99L}) {
        ASSERT_EQ(menus_->put_TickIconIndex(tick), S_OK);
        const auto ticked = Paint(plain_.id, ODS_CHECKED);
        EXPECT_FALSE(ticked->Has(kYellow, kCellRect)) << tick;
        EXPECT_EQ(ticked->At(L, T + 9), Sys(COLOR_BTNSHADOW)) << tick;
    }
}

TEST_F(SkarvoPaintPixelsTest, UnknownItemsAndOtherControlsAreNotPainted) {
    EXPECT_TRUE(Untouched(*Paint(4321, ODS_SELECTED | ODS_CHECKED)));
    Canvas canvas(400, 60);
    canvas.Fill(kSentinel);
    DRAWITEMSTRUCT d = {};
    d.CtlType = ODT_BUTTON;
    d.itemID = icon_.id;
    d.itemState = ODS_SELECTED;
    d.hDC = canvas.Dc();
    d.rcItem = kPopupItem;
    SendMessageA(window_.Get(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    EXPECT_TRUE(Untouched(canvas));
}

}  // namespace
