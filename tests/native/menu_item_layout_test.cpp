// The measuring and placing arithmetic of DTPSkarvo's owner-drawn items,
// with a text width of one unit per character (or a table of widths).
#include "menu_images/menu_item_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace skarvo {
namespace {

constexpr int32_t kBar = 1000, kFile = 2000, kEdit = 3000;

struct Entry {
    int32_t menu;
    std::string caption;
    std::string shortcut;
    int32_t icon;
};

MenuItemStore StoreOf(const std::vector<Entry>& entries) {
    MenuItemStore store;
    for (const Entry& e : entries) {
        MenuItemRecord& r = store.Item(store.AppendRecord());
        r.OwnerMenu = e.menu;
        r.Caption = e.caption;
        r.ShortcutText = e.shortcut;
        r.IconIndex = e.icon;
    }
    return store;
}

// Wide letters count 10, every other character 1: long and narrow texts
// tell a pick by characters from a pick by pixels.
int32_t Width(const std::string& text) {
    int32_t w = 0;
    for (char c : text) w += c == 'W' ? 10 : 1;
    return w;
}

TEST(MenuItemLayout, PopupItemsTakeTheLongestSiblingCaptionByCharactersAndTheFirstOnATie) {
    MenuItemStore store = StoreOf({
        {kBar, "&File", "", -1},
        {kFile, "WWW", "", 3},        // widest in pixels, 3 characters
        {kFile, "abcdef", "", -1},    // first of the two longest
        {kFile, "-", "", -1},
        {kFile, "ghijkl", "", -1},
        {kEdit, "a much longer caption elsewhere", "", -1},
    });
    for (int32_t k : {2, 3, 5}) {
        const ItemSize s = MeasureItemSize(store, k, false, 20, Width);
        EXPECT_EQ(s.width, 32 + 6) << k;
        EXPECT_EQ(s.height, kMeasuredCellSize) << k;
    }
    const ItemSize sep = MeasureItemSize(store, 4, false, 20, Width);
    EXPECT_EQ(sep.width, 32);
    EXPECT_EQ(sep.height, 10);
    // No shortcut text in the menu: no column is written.
    for (int32_t k = 1; k <= store.Count(); ++k) EXPECT_EQ(store.Item(k).ShortcutColumn, 0) << k;

    std::vector<std::string> measured;
    MeasureItemSize(store, 3, false, 20, [&](const std::string& t) {
        measured.push_back(t);
        return Width(t);
    });
    EXPECT_EQ(measured, std::vector<std::string>{"abcdef"});
}

TEST(MenuItemLayout, ShortcutColumnIsSharedByEveryItemOfTheMenuOnly) {
    MenuItemStore store = StoreOf({
        {kFile, "&Open", "Ctrl+O", 0},
        {kFile, "&Print", "Ctrl+Shift+P", -1},
        {kFile, "E&xit", "", -1},
        {kEdit, "&Copy", "Ctrl+C", -1},
    });
    const ItemSize s = MeasureItemSize(store, 3, false, 20, Width);
    const int32_t column = 32 + 6 + 8;
    EXPECT_EQ(s.width, column + 12);
    for (int32_t k : {1, 2, 3}) EXPECT_EQ(store.Item(k).ShortcutColumn, column) << k;
    EXPECT_EQ(store.Item(4).ShortcutColumn, 0);
}

TEST(MenuItemLayout, EmptyPopupCaptionStartsFromTenAndStillTakesTheSiblings) {
    MenuItemStore store = StoreOf({{kFile, "", "", -1}, {kFile, "abcd", "", -1}});
    EXPECT_EQ(MeasureItemSize(store, 1, false, 20, Width).width, kMeasuredIconSize - 6 + 4);
}

TEST(MenuItemLayout, MenuBarItems) {
    struct Case {
        std::string caption;
        int32_t icon;
        int32_t width;
    } const cases[] = {
        {"&File", 2, 18 + 5}, {"&File", -1, 5}, {"&File", -2, 5}, {"", 2, 4}, {"   ", 2, 4}, {" - ", 2, 4},
    };
    for (const Case& c : cases) {
        MenuItemStore store = StoreOf({{kBar, c.caption, "", c.icon}, {kBar, "a long neighbour", "x", -1}});
        const ItemSize s = MeasureItemSize(store, 1, true, 23, Width);
        EXPECT_EQ(s.width, c.width) << "'" << c.caption << "' " << c.icon;
        EXPECT_EQ(s.height, 23) << c.caption;
        EXPECT_EQ(store.Item(1).ShortcutColumn, 0);
    }
}

TEST(MenuItemLayout, UnknownIndexMeasuresNothing) {
    MenuItemStore store = StoreOf({{kFile, "a", "", -1}});
    const ItemSize s = MeasureItemSize(store, 2, false, 20, Width);
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(s.height, 0);
}

TEST(MenuItemLayout, ImageAndTextPlaces) {
    EXPECT_EQ(ImageColumnX(10, 19, false), 10);
    EXPECT_EQ(ImageColumnX(10, 22, false), 12);
    EXPECT_EQ(ImageColumnX(10, 23, false), 12);
    EXPECT_EQ(ImageColumnX(10, 17, false), 10);  // rounded toward zero, not down
    EXPECT_EQ(ImageColumnX(10, 30, true), 10);

    EXPECT_EQ(TextTopOffset(19, 13), 3);
    EXPECT_EQ(TextTopOffset(19, 14), 2);
    EXPECT_EQ(TextTopOffset(19, 19), 0);
    EXPECT_EQ(TextTopOffset(19, 25), 0);

    EXPECT_EQ(TextLeftOffset(false, true), 20);
    EXPECT_EQ(TextLeftOffset(false, false), 20);
    EXPECT_EQ(TextLeftOffset(true, true), 18);
    EXPECT_EQ(TextLeftOffset(true, false), 4);
}

TEST(MenuItemLayout, ColoursBySelectionPlaceAndSystem) {
    struct Case {
        bool selected, bar, newer;
        int background, text;
    } const cases[] = {
        {false, false, false, 4, 7},  {false, false, true, 4, 7},   {true, false, false, 13, 14},
        {true, false, true, 13, 14},  {false, true, false, 10, 7},  {false, true, true, 30, 7},
        {true, true, false, 4, 7},    {true, true, true, 13, 14},
    };
    for (const Case& c : cases) {
        const ItemColours got = ColoursFor(c.selected, c.bar, c.newer);
        EXPECT_EQ(got.background, c.background) << c.selected << c.bar << c.newer;
        EXPECT_EQ(got.text, c.text) << c.selected << c.bar << c.newer;
    }
}

TEST(MenuItemLayout, TrimmedTextTakesSpacesOnly) {
    EXPECT_EQ(TrimmedText("  a b  "), "a b");
    EXPECT_EQ(TrimmedText("\ta\t"), "\ta\t");
    EXPECT_EQ(TrimmedText("   "), "");
}

}  // namespace
}  // namespace skarvo
