// The arithmetic of DTPSkarvo's owner-drawn items.
#include "menu_images/menu_item_layout.h"

namespace skarvo {

namespace {
// System colour indexes.
constexpr int kMenu = 4;
constexpr int kMenuText = 7;
constexpr int kActiveBorder = 10;
constexpr int kHighlight = 13;
constexpr int kHighlightText = 14;
constexpr int kMenuBar = 30;

constexpr int32_t kPopupTextMargin = 32;
constexpr int32_t kShortcutGap = 8;
constexpr int32_t kEmptyBarItemWidth = 4;
constexpr int32_t kBarIconWidth = 18;
constexpr int32_t kSeparatorHeight = 10;
}  // namespace

std::string TrimmedText(const std::string& text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

LongestTexts LongestSiblingTexts(const MenuItemStore& store, int32_t index) {
    LongestTexts longest;
    if (!store.IsIndex(index)) return longest;
    const int32_t menu = store.Item(index).OwnerMenu;
    size_t caption = 0, shortcut = 0;
    for (int32_t i = 1; i <= store.Count(); ++i) {
        const MenuItemRecord& r = store.Item(i);
        if (r.OwnerMenu != menu) continue;
        if (longest.caption == 0 || r.Caption.size() > caption) {
            longest.caption = i;
            caption = r.Caption.size();
        }
        if (longest.shortcut == 0 || r.ShortcutText.size() > shortcut) {
            longest.shortcut = i;
            shortcut = r.ShortcutText.size();
        }
    }
    return longest;
}

ItemSize MeasureItemSize(MenuItemStore& store, int32_t index, bool onMenuBar, int32_t menuBarHeight,
                         const TextWidth& textWidth) {
    ItemSize size;
    if (!store.IsIndex(index)) return size;
    const MenuItemRecord& item = store.Item(index);
    if (onMenuBar) {
        size.height = menuBarHeight;
        const std::string trimmed = TrimmedText(item.Caption);
        if (trimmed.empty() || trimmed == "-") {
            size.width = kEmptyBarItemWidth;
            return size;
        }
        size.width = (item.IconIndex < 0 ? 0 : kBarIconWidth) + textWidth(item.Caption);
        return size;
    }
    size.height = kMeasuredCellSize;
    if (item.Caption == "-") {
        size.height = kSeparatorHeight;
        size.width = kPopupTextMargin;
        return size;
    }
    size.width = item.Caption.empty() ? kMeasuredIconSize - 6 : kPopupTextMargin;
    const LongestTexts longest = LongestSiblingTexts(store, index);
    size.width += textWidth(store.Item(longest.caption).Caption);
    const std::string shortcut = store.Item(longest.shortcut).ShortcutText;
    if (!shortcut.empty()) {
        size.width += kShortcutGap;
        const int32_t menu = item.OwnerMenu;
        for (int32_t i = 1; i <= store.Count(); ++i)
            if (store.Item(i).OwnerMenu == menu) store.Item(i).ShortcutColumn = size.width;
        size.width += textWidth(shortcut);
    }
    return size;
}

ItemColours ColoursFor(bool selected, bool onMenuBar, bool newerThanWindows2000) {
    ItemColours c{kMenu, kMenuText};
    if (selected && (!onMenuBar || newerThanWindows2000)) c = {kHighlight, kHighlightText};
    if (onMenuBar && !selected) c.background = newerThanWindows2000 ? kMenuBar : kActiveBorder;
    return c;
}

}  // namespace skarvo
