// DTPSkarvo's owner-drawn menu items: how large each item is, and how it is
// painted (background, highlight, icon cell, check mark, caption and
// shortcut text, embossed text of disabled items).
#include <optional>

#include "menu_images/dtp_skarvo_control.h"
#include "menu_images/m_declares.h"
#include "menu_images/menu_item_layout.h"

namespace skarvo {

namespace {

constexpr int kImageSize = 16;

bool OnMenuBar(const MenuItemRecord& item, HMENU bar) { return bar && item.OwnerMenu == HandleOfMenu(bar); }

RECT TextExtent(HDC dc, const std::string& text) {
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT);
    return r;
}

// An image index the list really holds: a missing or foreign list, or an
// index past its end, draws nothing.
bool HasImage(HIMAGELIST list, long index) {
    return index >= 0 && mDeclares::IsImageListHandle(list) && index < ImageList_GetImageCount(list);
}

void EdgeAt(HDC dc, RECT r, UINT edge, UINT sides) { DrawEdge(dc, &r, edge, sides); }

}  // namespace

void DTPSkarvo::MeasureMenuItem(int32_t id, UINT& width, UINT& height) {
    cellSize_ = kMeasuredCellSize;
    iconSize_ = kMeasuredIconSize;
    const int32_t k = store_.IndexForHandle(id);
    if (k == 0) return;
    HDC dc = menuTextDC_ && *menuTextDC_ ? menuTextDC_->Get() : nullptr;
    // The bold font stays selected only while this item's texts are measured.
    com::GdiObject<HFONT> bold;
    std::optional<com::SelectedObject> boldSelected;
    if (dc && store_.Item(k).IsDefault) {
        bold = metrics_->BoldenedFontHandle(cNCMetrics::kMenuFont);
        if (bold) boldSelected.emplace(dc, bold.Get());
    }
    // The bar's height only for a bar item: reading a system metric is slow
    // under Wine, and a popup measures many items.
    const bool onMenuBar = OnMenuBar(store_.Item(k), HostMenuBar());
    const ItemSize size = MeasureItemSize(
        store_, k, onMenuBar, onMenuBar ? GetSystemMetrics(SM_CYMENU) : 0,
        [dc](const std::string& text) { return dc ? static_cast<int32_t>(TextExtent(dc, text).right) : 0; });
    width = static_cast<UINT>(size.width);
    height = static_cast<UINT>(size.height);
}

void DTPSkarvo::PlaceItemText(HDC dc, int32_t index, bool onMenuBar, RECT& rect) const {
    const MenuItemRecord& item = store_.Item(index);
    const long cellHeight = onMenuBar ? GetSystemMetrics(SM_CYMENU) - 2 : cellSize_;
    const RECT extent = TextExtent(dc, item.Caption);
    rect.top += TextTopOffset(cellHeight, extent.bottom - extent.top);
    rect.left += TextLeftOffset(onMenuBar, item.IconIndex >= 0);
}

void DTPSkarvo::DrawItemText(HDC dc, int32_t index, RECT& rect) const {
    const MenuItemRecord& item = store_.Item(index);
    rect.left += 2;
    const std::string caption = TrimmedText(item.Caption);
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &rect, 0);
    const std::string shortcut = TrimmedText(item.ShortcutText);
    if (shortcut.empty()) return;
    RECT column = rect;
    column.left = item.ShortcutColumn;
    DrawTextA(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &column, 0);
}

// System brushes (GetSysColorBrush) belong to the system and are never
// deleted; only the brushes made here are.
void DTPSkarvo::DrawMenuItem(const DRAWITEMSTRUCT& record) {
    if (record.CtlType != ODT_MENU || !record.hDC) return;
    const int32_t k = store_.IndexForHandle(static_cast<int32_t>(record.itemID));
    if (k == 0) return;
    const MenuItemRecord item = store_.Item(k);
    HDC dc = record.hDC;
    SetBkMode(dc, TRANSPARENT);
    const bool disabled = (record.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    const bool checked = (record.itemState & ODS_CHECKED) != 0;
    const bool selected = (record.itemState & ODS_SELECTED) != 0;
    const bool top = OnMenuBar(item, HostMenuBar());
    const RECT full = record.rcItem;
    const long L = full.left, T = full.top, R = full.right;
    const bool separator = item.Caption == "-";
    const bool hasIcon = item.IconIndex >= 0;

    if (disabled) {
        if (separator) {
            EdgeAt(dc, RECT{L + 2, T + 4, R - 2, T + 1}, EDGE_ETCHED, BF_TOP);
        } else {
            // Embossed: a highlight copy one pixel left and down, the shadow copy on top.
            RECT text = full;
            PlaceItemText(dc, k, top, text);
            text.left -= 3;
            text.top += 1;
            SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            DrawItemText(dc, k, text);
            text.left -= 1;
            text.top -= 1;
            SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
            DrawItemText(dc, k, text);
            SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
        }
    } else if (separator) {
        if (!top) EdgeAt(dc, RECT{L + 2, T, R - 2, T + 80}, EDGE_ETCHED, BF_TOP);
    } else {
        const ItemColours colours = ColoursFor(selected, top, mDeclares::IsNewerThanWindows2000());
        RECT highlight = full;
        if (hasIcon || checked) {
            const RECT column = {L, T, L + cellSize_, full.bottom};
            FillRect(dc, &column, GetSysColorBrush(COLOR_MENU));
            highlight.left = L + cellSize_ + 1;
        }
        FillRect(dc, selected || top ? &highlight : &full, GetSysColorBrush(colours.background));
        SetTextColor(dc, GetSysColor(colours.text));
        RECT text = full;
        PlaceItemText(dc, k, top, text);
        DrawItemText(dc, k, text);
        if (selected && top) EdgeAt(dc, full, BDR_SUNKENOUTER, BF_RECT);
    }

    const RECT cell = {L, T, L + cellSize_, T + cellSize_};
    const int x = ImageColumnX(L, cellSize_, top);
    if (checked) {
        EdgeAt(dc, cell, BDR_SUNKENOUTER, BF_RECT);
        if (!disabled) {
            const RECT inside = {L + 1, T + 1, L + cellSize_ - 2, T + cellSize_ - 2};
            if (selected) {
                FillRect(dc, &inside, GetSysColorBrush(COLOR_MENU));
            } else {
                // Without the pattern bitmap the cell keeps the colour painted before.
                com::GdiObject<HBRUSH> brush(
                    highlightCheckedItems_
                        ? (checkPatternBitmap_ ? CreatePatternBrush(checkPatternBitmap_.Get()) : nullptr)
                        : CreateSolidBrush(GetSysColor(COLOR_MENU)));
                if (brush) FillRect(dc, &inside, brush.Get());
            }
        }
        // The tick only for an item that asks for no icon at all (-1).
        if (item.IconIndex == -1 && HasImage(imageList_, tickIconIndex_)) {
            using Look = ListImageCache::Look;
            if (disabled)
                imageCache_.Draw(dc, imageList_, tickIconIndex_, x, T + 1, Look::kDisabled, kImageSize);
            else
                imageCache_.Draw(dc, imageList_, tickIconIndex_, x + 2, T + 2, Look::kPlain, kImageSize);
        }
    } else if (selected && !top && !disabled && hasIcon) {
        EdgeAt(dc, cell, BDR_RAISEDINNER, BF_RECT);
    }

    if (HasImage(imageList_, item.IconIndex))
        imageCache_.Draw(dc, imageList_, item.IconIndex, x + 1, T + 1,
                         disabled ? ListImageCache::Look::kDisabled : ListImageCache::Look::kPlain, kImageSize);
}

}  // namespace skarvo
