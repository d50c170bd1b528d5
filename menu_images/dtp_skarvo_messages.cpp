// DTPSkarvo's answers to the host window's menu messages. Each registered
// message reaches HostWindowProc after the window's previous procedure has
// run; the value returned here becomes the message's result. Events are
// raised synchronously; a handler that raises an error ends the handling of
// the message (what the previous procedure did stands).
#include "menu_images/dtp_skarvo_control.h"

#include <algorithm>
#include <vector>

#include "com/variant.h"
#include "com/text.h"
#include "menu_images/skarvo_ids.h"

namespace skarvo {
namespace {

constexpr UINT kMdiSetMenu = 560;
constexpr uint32_t kWindowMenuFlag = 0x2000;  // WM_MENUCHAR from the window menu
constexpr long kExecuteItem = 0x20000;         // WM_MENUCHAR: run the item at the low word's position
constexpr long kSelectItem = 0x30000;          // WM_MENUCHAR: select the item at the low word's position
constexpr int32_t kFirstOwnSystemCommand = 8192;

// The window commands the system menu carries, by their exact values.
constexpr uint32_t kWindowCommands[] = {SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE, SC_RESTORE};

bool IsWindowCommand(uint32_t id) {
    for (uint32_t c : kWindowCommands)
        if (c == id) return true;
    return false;
}

// An argument passed by reference, which the event's handlers may change.
VARIANT ByRef(VARTYPE type, void* target) {
    VARIANT v;
    v.vt = static_cast<VARTYPE>(type | VT_BYREF);
    v.byref = target;
    return v;
}
VARIANT LongRef(long* target) { return ByRef(VT_I4, target); }
VARIANT BoolRef(VARIANT_BOOL* target) { return ByRef(VT_BOOL, target); }
VARIANT TextRef(BSTR* target) { return ByRef(VT_BSTR, target); }

}  // namespace

LRESULT DTPSkarvo::HostWindowProc(HWND, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MEASUREITEM: {
        auto* record = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (!record || record->CtlType != ODT_MENU) return 0;
        MeasureMenuItem(static_cast<int32_t>(record->itemID), record->itemWidth, record->itemHeight);
        return 1;
    }
    case WM_DRAWITEM: {
        const auto* record = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (record) DrawMenuItem(*record);
        return 0;
    }
    case WM_SETTINGCHANGE:
        SettingChange();
        return 0;
    case WM_COMMAND:
        // A control's notification carries its window; menus and accelerators none.
        if (lp == 0) FindCommandItem(static_cast<int32_t>(wp & 0xFFFF));
        return 0;
    case WM_SYSCOMMAND:
        if (IsOwnSystemCommand(static_cast<uint32_t>(wp)))
            RaiseItemNumber(kEventSystemMenuClick, static_cast<long>(wp));
        return 0;
    case WM_INITMENUPOPUP:
        if (static_cast<int16_t>(HIWORD(lp)) <= 0) HandleInitPopup(HandleOfMenu(reinterpret_cast<HMENU>(wp)));
        return 0;
    case WM_MENUSELECT: {
        const UINT id = LOWORD(wp);
        HMENU menu = reinterpret_cast<HMENU>(lp);
        const int count = GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i)
            if (GetMenuItemID(menu, i) == id) {
                HandleMenuSelect(static_cast<int32_t>(id));
                return 0;
            }
        RaiseMenuExit();
        return 0;
    }
    case WM_MENUCHAR:
        if (HIWORD(wp) & kWindowMenuFlag) return 0;
        return HandleMenuChar(HandleOfMenu(reinterpret_cast<HMENU>(lp)), LOWORD(wp));
    case kMdiSetMenu:
        MdiSetMenu(HandleOfMenu(reinterpret_cast<HMENU>(wp)));
        return 0;
    default:
        return 0;
    }
}

// Every item is measured again in the new system font and sizes.
bool DTPSkarvo::SettingChange() {
    metrics_->ClearUp();
    imageCache_.Clear();
    RefreshMetrics();
    const int32_t count = store_.Count();
    for (int32_t k = 1; k <= count && store_.IsIndex(k); ++k) ReplaceItemAt(k, ItemChanges{});
    return SUCCEEDED(FireEvent(kEventWinIniChange));
}

bool DTPSkarvo::RaiseItemNumber(DISPID event, long number) {
    VARIANT args[1] = {LongRef(&number)};
    return SUCCEEDED(FireEvent(event, args, 1));
}

bool DTPSkarvo::RaiseClick(int32_t index) { return RaiseItemNumber(kEventClick, index); }

bool DTPSkarvo::RaiseMenuExit() { return SUCCEEDED(FireEvent(kEventMenuExit)); }

bool DTPSkarvo::FindCommandItem(int32_t id) {
    if (IsWindowCommand(static_cast<uint32_t>(id))) return true;
    const int32_t k = store_.IndexForHandle(id);
    return k < 1 || RaiseClick(k);
}

// A drag or keyboard move or size carries extra low bits and is no command
// of the control's.
bool DTPSkarvo::IsOwnSystemCommand(uint32_t command) const {
    if (IsWindowCommand(command)) return true;
    return command >= static_cast<uint32_t>(kFirstOwnSystemCommand) &&
           static_cast<long>(command) <= nextSystemCommandId_ - 1;
}

// The popup's parent: found from the last item of the popup back to the
// item whose submenu it is.
bool DTPSkarvo::HandleInitPopup(int32_t popup) {
    for (int32_t k = store_.Count(); k >= 1; --k) {
        if (store_.Item(k).OwnerMenu != popup) continue;
        const int32_t parentHandle = store_.Item(k).ParentHandle;
        for (int32_t p = k; p >= 1; --p)
            if (store_.Item(p).ItemHandle == parentHandle) return RaiseItemNumber(kEventInitPopupMenu, p);
        return true;
    }
    return true;
}

bool DTPSkarvo::HandleMenuSelect(int32_t id) {
    const int32_t k = store_.IndexForHandle(id);
    if (k >= 1) {
        long number = k;
        com::Bstr caption;
        *caption.Out() = com::AnsiToBstr(store_.Item(k).Caption);
        VARIANT_BOOL enabled = com::ToVariantBool(store_.Item(k).Enabled);
        VARIANT_BOOL separator = com::ToVariantBool(store_.Item(k).Caption == "-");
        BSTR captionRef = caption.Detach();
        // Arguments last first: bSeparator, bEnabled, strCaption, lngItemNumber.
        VARIANT args[4] = {BoolRef(&separator), BoolRef(&enabled), TextRef(&captionRef), LongRef(&number)};
        const HRESULT hr = FireEvent(kEventItemHighlight, args, 4);
        *caption.Out() = captionRef;
        if (FAILED(hr)) return false;
        // What the handler gave goes into the stored record, not the menu.
        if (store_.IsIndex(k)) {
            store_.Item(k).Caption = com::BstrToAnsi(caption.Get());
            store_.Item(k).Enabled = enabled != VARIANT_FALSE;
        }
        return true;
    }
    if (IsOwnSystemCommand(static_cast<uint32_t>(id))) {
        HMENU w = host_ ? GetSystemMenu(host_, FALSE) : nullptr;
        const UINT state = w ? StateByCommand(w, static_cast<UINT>(id)) : 0;
        long number = id;
        VARIANT_BOOL enabled = com::ToVariantBool((state & 3) != 3);
        VARIANT_BOOL separator = VARIANT_FALSE;
        VARIANT args[3] = {BoolRef(&separator), BoolRef(&enabled), LongRef(&number)};
        return SUCCEEDED(FireEvent(kEventSystemMenuItemHighlight, args, 3));
    }
    return RaiseMenuExit();
}

// The item of `menu` whose access key was typed: the system runs the item at
// the answer's low word.
long DTPSkarvo::HandleMenuChar(int32_t menu, uint32_t code) {
    char typed[2] = {static_cast<char>(code & 0xFF), '\0'};
    CharUpperBuffA(typed, 1);
    const std::string key(1, typed[0]);
    std::vector<int32_t> positions;  // zero-based, of the items that carry the key
    for (int32_t k = 1; k <= store_.Count(); ++k) {
        const MenuItemRecord& item = store_.Item(k);
        if (item.OwnerMenu != menu || item.AccessKey != key) continue;
        // An item the menu no longer holds cannot be run.
        const int32_t position = store_.ItemPosition(menus_, menu, k);
        if (position >= 1) positions.push_back(position - 1);
    }
    if (positions.empty()) return 0;
    if (positions.size() == 1) return positions.front() | kExecuteItem;
    // Several items share the key: as the system does for its own menus,
    // each press selects the next of them and Enter runs the one selected.
    std::sort(positions.begin(), positions.end());
    const HMENU m = MenuFromHandle(menu);
    int32_t selected = -1;
    for (int i = 0, n = GetMenuItemCount(m); i < n && selected < 0; ++i)
        if (GetMenuState(m, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) selected = i;
    for (int32_t p : positions)
        if (p > selected) return p | kSelectItem;
    return positions.front() | kSelectItem;
}

// An MDI frame's menu bar changes with the active child: the list of the bar
// that goes is kept, and the new bar's own list comes back when it was seen
// before.
bool DTPSkarvo::MdiSetMenu(int32_t newBar) {
    const int32_t current = menuBar_;
    if (newBar == 0 || newBar == current) return true;
    int found = -1, next = -1;
    for (size_t i = 0; i < storedMenus_.size(); ++i) {
        if (found < 0 && storedMenus_[i].MenuHandle() == current) found = static_cast<int>(i);
        if (next < 0 && storedMenus_[i].MenuHandle() == newBar) next = static_cast<int>(i);
    }
    if (found < 0) {
        storedMenus_.emplace_back();
        storedMenus_.back().SetMenuHandle(current);
        found = static_cast<int>(storedMenus_.size() - 1);
    }
    storedMenus_[static_cast<size_t>(found)].SaveItems(store_.Items(), store_.Count());
    menuBar_ = newBar;
    if (next >= 0) {
        std::vector<MenuItemRecord> items;
        storedMenus_[static_cast<size_t>(next)].LoadItems(items);
        store_.SetItems(std::move(items));
        return true;
    }
    store_.Clear();
    return SUCCEEDED(FireEvent(kEventNewMDIMenu));
}

}  // namespace skarvo
