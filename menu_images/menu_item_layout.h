// The arithmetic of DTPSkarvo's owner-drawn items, apart from the drawing
// calls: how large an item is, where its icon and text go, and which system
// colours its background and text take.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "menu_images/menu_item_store.h"

namespace skarvo {

// Measuring always starts from these; painting uses whatever the control
// holds at the time.
constexpr int32_t kMeasuredCellSize = 19;
constexpr int32_t kMeasuredIconSize = 16;

// Spaces taken from both ends, as captions are compared and drawn.
std::string TrimmedText(const std::string& text);

struct ItemSize {
    int32_t width = 0;
    int32_t height = 0;
};

// Width in pixels of a text in the font selected for measuring.
using TextWidth = std::function<int32_t(const std::string&)>;

// The items of the same menu as `index` whose Caption and ShortcutText are
// the longest by number of characters (the first met wins a tie).
struct LongestTexts {
    int32_t caption = 0;
    int32_t shortcut = 0;
};
LongestTexts LongestSiblingTexts(const MenuItemStore& store, int32_t index);

// The size of item `index`. On the menu bar: as high as the bar, and 18
// (with an icon) or 0 plus its caption's width, or 4 for an empty caption or
// "-". In a popup: a separator is 32 x 10; any other item is cell-high and
// 32 (10 with an empty caption) plus the width of the longest sibling
// caption, and, when the menu has shortcut texts, 8 plus the longest
// shortcut's width, the column where shortcuts start being written into
// every item of the menu.
ItemSize MeasureItemSize(MenuItemStore& store, int32_t index, bool onMenuBar, int32_t menuBarHeight,
                         const TextWidth& textWidth);

// The x of the icon and tick column: the item's left on the menu bar, else
// an 18-pixel image centred in the cell.
inline int32_t ImageColumnX(int32_t left, int32_t cellSize, bool onMenuBar) {
    return onMenuBar ? left : left + (cellSize - 18) / 2;
}

// How far the caption moves down to be centred in a cell of `cellHeight`.
inline int32_t TextTopOffset(int32_t cellHeight, int32_t textHeight) {
    return cellHeight - textHeight > 0 ? (cellHeight - textHeight) / 2 : 0;
}

// How far the caption moves right: past the icon column in a popup, past
// the icon (or a small margin) on the menu bar.
inline int32_t TextLeftOffset(bool onMenuBar, bool hasIcon) {
    if (!onMenuBar) return 20;
    return hasIcon ? 18 : 4;
}

// System colour indexes of an enabled item's background and text.
struct ItemColours {
    int background = 0;
    int text = 0;
};
ItemColours ColoursFor(bool selected, bool onMenuBar, bool newerThanWindows2000);

}  // namespace skarvo
