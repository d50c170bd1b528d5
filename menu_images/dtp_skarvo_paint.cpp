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

// What one owner-draw request paints: the item, where, and in which state.
// Painting changes no item, so `item` stays valid while the parts paint.
struct DTPSkarvo::ItemPaint {
    HDC dc;
    int32_t index;
    const MenuItemRecord& item;
    RECT full;
    bool disabled = false, checked = false, selected = false;
    bool onMenuBar = false, separator = false, hasIcon = false;
};

// System brushes (GetSysColorBrush) belong to the system and are never
// deleted; only the brushes made here are.
void DTPSkarvo::DrawMenuItem(const DRAWITEMSTRUCT& record) {
    if (record.CtlType != ODT_MENU || !record.hDC) return;
    const int32_t k = store_.IndexForHandle(static_cast<int32_t>(record.itemID));
    if (k == 0) return;
    ItemPaint p{record.hDC, k, store_.Item(k), record.rcItem};
    p.disabled = (record.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    p.checked = (record.itemState & ODS_CHECKED) != 0;
    p.selected = (record.itemState & ODS_SELECTED) != 0;
    p.onMenuBar = OnMenuBar(p.item, HostMenuBar());
    p.separator = p.item.Caption == "-";
    p.hasIcon = p.item.IconIndex >= 0;

    SetBkMode(p.dc, TRANSPARENT);
    if (p.separator)
        DrawSeparator(p);
    else if (p.disabled)
        DrawEmbossedText(p);
    else
        DrawItemFace(p);
    DrawImageCell(p);
}

void DTPSkarvo::DrawSeparator(const ItemPaint& p) const {
    const long L = p.full.left, T = p.full.top, R = p.full.right;
    if (p.disabled)
        EdgeAt(p.dc, RECT{L + 2, T + 4, R - 2, T + 1}, EDGE_ETCHED, BF_TOP);
    else if (!p.onMenuBar)
        EdgeAt(p.dc, RECT{L + 2, T, R - 2, T + 80}, EDGE_ETCHED, BF_TOP);
}

// A disabled item's texts: a highlight copy one pixel left and down, the shadow copy on top.
void DTPSkarvo::DrawEmbossedText(const ItemPaint& p) const {
    RECT text = p.full;
    PlaceItemText(p.dc, p.index, p.onMenuBar, text);
    text.left -= 3;
    text.top += 1;
    SetTextColor(p.dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawItemText(p.dc, p.index, text);
    text.left -= 1;
    text.top -= 1;
    SetTextColor(p.dc, GetSysColor(COLOR_BTNSHADOW));
    DrawItemText(p.dc, p.index, text);
    SetTextColor(p.dc, GetSysColor(COLOR_MENUTEXT));
}

// An enabled item: the icon column in the menu's colour, the background or
// highlight beside it, the texts, and a pressed look for an open bar item.
void DTPSkarvo::DrawItemFace(const ItemPaint& p) const {
    const ItemColours colours = ColoursFor(p.selected, p.onMenuBar, mDeclares::IsNewerThanWindows2000());
    RECT highlight = p.full;
    if (p.hasIcon || p.checked) {
        const RECT column = {p.full.left, p.full.top, p.full.left + cellSize_, p.full.bottom};
        FillRect(p.dc, &column, GetSysColorBrush(COLOR_MENU));
        highlight.left = p.full.left + cellSize_ + 1;
    }
    FillRect(p.dc, p.selected || p.onMenuBar ? &highlight : &p.full, GetSysColorBrush(colours.background));
    SetTextColor(p.dc, GetSysColor(colours.text));
    RECT text = p.full;
    PlaceItemText(p.dc, p.index, p.onMenuBar, text);
    DrawItemText(p.dc, p.index, text);
    if (p.selected && p.onMenuBar) EdgeAt(p.dc, p.full, BDR_SUNKENOUTER, BF_RECT);
}

// The cell at the item's left: the check mark's frame, fill and tick, or the
// raised frame of a selected item's icon, then the icon itself.
void DTPSkarvo::DrawImageCell(const ItemPaint& p) {
    const long L = p.full.left, T = p.full.top;
    const int x = ImageColumnX(L, cellSize_, p.onMenuBar);
    if (p.checked)
        DrawCheckMark(p, x);
    else if (p.selected && !p.onMenuBar && !p.disabled && p.hasIcon)
        EdgeAt(p.dc, RECT{L, T, L + cellSize_, T + cellSize_}, BDR_RAISEDINNER, BF_RECT);

    if (HasImage(imageList_, p.item.IconIndex))
        imageCache_.Draw(p.dc, imageList_, p.item.IconIndex, x + 1, T + 1,
                         p.disabled ? ListImageCache::Look::kDisabled : ListImageCache::Look::kPlain, kImageSize);
}

void DTPSkarvo::DrawCheckMark(const ItemPaint& p, int x) {
    const long L = p.full.left, T = p.full.top;
    EdgeAt(p.dc, RECT{L, T, L + cellSize_, T + cellSize_}, BDR_SUNKENOUTER, BF_RECT);
    if (!p.disabled) FillCheckCell(p);
    // The tick only for an item that asks for no icon at all (-1).
    if (p.item.IconIndex == -1 && HasImage(imageList_, tickIconIndex_)) {
        using Look = ListImageCache::Look;
        if (p.disabled)
            imageCache_.Draw(p.dc, imageList_, tickIconIndex_, x, T + 1, Look::kDisabled, kImageSize);
        else
            imageCache_.Draw(p.dc, imageList_, tickIconIndex_, x + 2, T + 2, Look::kPlain, kImageSize);
    }
}

// Inside the check mark's frame: the menu's colour under the selection,
// otherwise the checked pattern or the menu's colour as the control asks.
void DTPSkarvo::FillCheckCell(const ItemPaint& p) const {
    const long L = p.full.left, T = p.full.top;
    const RECT inside = {L + 1, T + 1, L + cellSize_ - 2, T + cellSize_ - 2};
    if (p.selected) {
        FillRect(p.dc, &inside, GetSysColorBrush(COLOR_MENU));
        return;
    }
    // Without the pattern bitmap the cell keeps the colour painted before.
    com::GdiObject<HBRUSH> brush(highlightCheckedItems_
                                     ? (checkPatternBitmap_ ? CreatePatternBrush(checkPatternBitmap_.Get()) : nullptr)
                                     : CreateSolidBrush(GetSysColor(COLOR_MENU)));
    if (brush) FillRect(p.dc, &inside, brush.Get());
}

}  // namespace skarvo
