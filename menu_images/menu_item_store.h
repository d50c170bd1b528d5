// DTPSkarvo's item store: one MenuItemRecord per menu item, numbered from 1,
// linked parent to child by handles, with the lookups, key checks, command
// identifiers, removal and tree queries of the item API. Menu handles and
// command identifiers are plain 32-bit integers here; the few menu reads and
// changes the store needs go through MenuSystem, which the control implements
// on the platform's menus (and the native tests on a model of them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace skarvo {

// Menu flags and item states, with the platform's values.
namespace menu_flags {
constexpr uint32_t kGrayed = 0x1;
constexpr uint32_t kDisabled = 0x2;
constexpr uint32_t kChecked = 0x8;
constexpr uint32_t kPopup = 0x10;
constexpr uint32_t kMenuBarBreak = 0x20;
constexpr uint32_t kMenuBreak = 0x40;
constexpr uint32_t kOwnerDraw = 0x100;
constexpr uint32_t kByPosition = 0x400;
constexpr uint32_t kSeparator = 0x800;
}  // namespace menu_flags

struct MenuItemRecord {
    std::string HelpText;
    std::string Caption;       // without markers and shortcut text; "-" for a separator
    std::string AccessKey;     // upper-cased character after the first "&"
    std::string ShortcutText;  // the caption's part after the first tab
    std::string Key;           // unique when not empty
    std::string Tag;
    int32_t CommandId = 0;     // identifier the item was put into its menu with
    int32_t ItemHandle = 0;    // identifier the menu knows it by now: the submenu's handle for a popup
    int32_t ItemData = 0;
    int32_t ParentHandle = 0;  // parent's ItemHandle; 0 on the menu bar
    int32_t IconIndex = 0;     // negative: no icon
    bool Checked = false;
    bool Enabled = false;
    int32_t OwnerMenu = 0;     // the menu holding the item
    bool FromHostMenu = false;
    int32_t ShortcutColumn = 0;
    bool RemovedMark = false;
    bool BarBreak = false;
    bool ColumnBreak = false;
    bool IsDefault = false;
    bool SeenMark = false;
};

// Automation error numbers of the item API.
namespace item_errors {
constexpr int32_t kNone = 0;
constexpr int32_t kOverflow = 6;
constexpr int32_t kSubscriptOutOfRange = 9;
constexpr int32_t kDuplicateKey = 457;
// Source suffix of the error for an insertion whose "before" item has a
// parent that cannot be found; other errors carry the library's name alone.
constexpr char kPopMenuSource[] = ".cPopMenu";
}  // namespace item_errors

// The answer of an item-API step: a value, or an error number (with the
// suffix to append to the library's name as the error's source).
template <class T>
struct ItemResult {
    T value{};
    int32_t error = item_errors::kNone;
    const char* sourceSuffix = "";

    bool ok() const { return error == item_errors::kNone; }
    static ItemResult Failure(int32_t number, const char* suffix = "") {
        ItemResult r;
        r.error = number;
        r.sourceSuffix = suffix;
        return r;
    }
};

// The vKey argument of the item API: a number is an index, anything else a key.
class ItemKey {
public:
    static ItemKey Number(double n);
    // Text that reads as a number (spaces around it, a sign, decimals, an
    // exponent, or &H / &O notation) counts as that number.
    static ItemKey Text(const std::string& text);

    bool IsNumeric() const { return numeric_; }
    double NumberValue() const { return number_; }
    const std::string& TextValue() const { return text_; }

private:
    bool numeric_ = false;
    double number_ = 0;
    std::string text_;
};

// Parses text as the automation's numeric conversion would; nullopt when it
// is not a number.
std::optional<double> NumberFromText(const std::string& text);

// The menu flags of an item: checked (8), grayed when not enabled (1),
// separator when the trimmed caption is "-" (0x800), menu-bar break (0x20),
// menu break (0x40). Owner-draw, popup and by-position are the caller's.
uint32_t ItemMenuFlags(const MenuItemRecord& item);
// Check and enabled state as read from a menu item's state bits. Either
// disabled bit (grayed 0x1, disabled 0x2) makes the item not enabled: the
// user cannot choose it, and what Enabled let stores (disabled, not grayed)
// is what Enabled get answers.
bool CheckedFromState(uint32_t state);
bool EnabledFromState(uint32_t state);
// The state bits to add and remove for Checked let and Enabled let; Enabled
// false marks the item disabled but not grayed.
struct StateChange {
    uint32_t add = 0;
    uint32_t remove = 0;
};
StateChange CheckedChange(bool checked);
StateChange EnabledChange(bool enabled);
// The flags SetItemState gives ModifyMenuA: the item's flags plus owner-draw
// (and popup when it has a submenu), plus `add`, without `remove`.
uint32_t SetItemStateFlags(const MenuItemRecord& item, bool hasSubmenu, StateChange change);

// The few menu operations the store needs. Menus and identifiers as integers.
class MenuSystem {
public:
    virtual ~MenuSystem() = default;
    // Number of items in `menu`; -1 when it is not a menu.
    virtual int32_t ItemCount(int32_t menu) = 0;
    // Identifier of the item at zero-based `position` as a read with the
    // identifier mask gives it (a popup item reports its submenu's handle);
    // 0 when the read fails.
    virtual int32_t ItemIdAt(int32_t menu, int32_t position) = 0;
    // Submenu of the item with identifier `command` in `menu`; 0 when none.
    virtual int32_t SubMenuOf(int32_t menu, int32_t command) = 0;
    // Takes the item with identifier `command` out of `menu`, its submenu kept.
    virtual bool RemoveByCommand(int32_t menu, int32_t command) = 0;
    virtual void DestroyMenu(int32_t menu) = 0;
};

// One entry of the host form's menu controls, in menu order.
struct MenuControlInfo {
    std::string Name;
    std::optional<int32_t> Index;  // present for a member of a control array
    std::string Caption;
    std::string Tag;
    bool Visible = true;
};

// The fields a new item gets from AddItem, InsertItem or a
// RequestNewMenuDetails answer.
struct NewItemDetails {
    std::string Caption;
    std::string Key;
    std::string HelpText;
    int32_t ItemData = 0;
    int32_t IconIndex = -1;
    bool Checked = false;
    bool Enabled = true;
    std::string Tag;
};

// ReplaceItem's optional arguments: only those present change the item.
struct ItemChanges {
    std::optional<std::string> Caption;
    std::optional<std::string> HelpText;
    std::optional<int32_t> ItemData;
    std::optional<int32_t> IconIndex;
    std::optional<bool> Checked;
    std::optional<bool> Enabled;
};

// A popup menu the control created itself, with the menu bar that was
// current when it was made.
struct CreatedPopup {
    int32_t Popup = 0;
    int32_t MenuBar = 0;
};

// A step of an item's path from the menu bar down: the 1-based position in
// its menu (0 when not found there) and its caption.
struct PathStep {
    int32_t Position = 0;
    std::string Caption;
};

class MenuItemStore {
public:
    // --- The list ---------------------------------------------------------
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // Count as the 16-bit automation value: error 6 above 32767.
    ItemResult<int16_t> CountInteger() const;
    bool IsIndex(int32_t index) const { return index >= 1 && index <= Count(); }
    // 1-based; the index must be valid.
    MenuItemRecord& Item(int32_t index) { return items_[static_cast<size_t>(index - 1)]; }
    const MenuItemRecord& Item(int32_t index) const { return items_[static_cast<size_t>(index - 1)]; }
    const std::vector<MenuItemRecord>& Items() const { return items_; }
    // Replaces the whole list (an MDI menu's saved list brought back).
    void SetItems(std::vector<MenuItemRecord> items) { items_ = std::move(items); }
    // Appends an empty record and returns its index.
    int32_t AppendRecord();
    // Empties the list; the menus and the created popups are not touched.
    void Clear() { items_.clear(); }

    int32_t LastCommandId() const { return lastCommandId_; }
    void SetLastCommandId(int32_t id) { lastCommandId_ = id; }
    std::vector<CreatedPopup>& CreatedPopups() { return createdPopups_; }
    const std::vector<CreatedPopup>& CreatedPopups() const { return createdPopups_; }

    // --- Lookups ----------------------------------------------------------
    // Index for vKey: a number in 1 ... Count is that index, text the first
    // item with exactly that key; -1 otherwise. Empty text names no item.
    int32_t ResolveItemIndex(const ItemKey& key) const;
    // ResolveItemIndex with error 9 for an unknown item.
    ItemResult<int32_t> MenuIndex(const ItemKey& key) const;
    bool MenuExists(const ItemKey& key) const { return ResolveItemIndex(key) > 0; }
    // An index in 1 ... Count, else error 9 (MenuKey's addressing).
    ItemResult<int32_t> CheckIndex(int32_t index) const;
    // First index whose ItemHandle is `handle`, else 0.
    int32_t IndexForHandle(int32_t handle) const;

    // --- Keys and identifiers ---------------------------------------------
    // The key to store for `key`: blank gives empty; a key some item other
    // than `exceptIndex` already has is error 457.
    ItemResult<std::string> CheckNewKey(const std::string& key, int32_t exceptIndex = 0) const;
    // A new record under `parentHandle` with a fresh command id; no record when none is left.
    ItemResult<int32_t> AppendDetails(const NewItemDetails& details, const std::string& key, int32_t parentHandle);
    // A fresh command identifier for the record just appended: from
    // LastCommandId up, never the ItemHandle of an item, and within
    // 1 ... 0xFFFF, since a menu command reports only 16 bits of it; past
    // 0xFFFF the count starts again at 1. Error 6 when every one is taken.
    ItemResult<int32_t> NewCommandId();

    // --- Building the list ------------------------------------------------
    // AddItem before its menu entry: checks the key (457) and the parent
    // index (0 for the menu bar, else an existing item; 9), appends the item
    // with a new identifier and returns its index. Nothing changes on error.
    ItemResult<int32_t> AppendNewItem(const NewItemDetails& details, int32_t parentIndex);
    // InsertItem before its menu entry: checks the key (457), resolves the
    // item to insert before (9) and its parent (9 from ".cPopMenu"), and
    // appends the item in that item's menu. `before` gets its index.
    ItemResult<int32_t> AppendItemBefore(const NewItemDetails& details, const ItemKey& beforeKey,
                                         int32_t& before);
    // An item read from the host's menus (SubClassMenu).
    int32_t AppendHostItem(int32_t menu, int32_t identifier, int32_t parentHandle, uint32_t state,
                           uint32_t type, const std::string& text);
    // An unknown item found by CheckForNewItems with the details its
    // RequestNewMenuDetails handler gave: key check (457, nothing appended).
    ItemResult<int32_t> AppendScannedItem(const NewItemDetails& details, int32_t menu, int32_t identifier,
                                          int32_t parentHandle, uint32_t state);
    // SubClassMenu's pairing of items with the visible menu controls in
    // order: Key = Name or Name(Index), Tag = Tag.
    void PairWithMenuControls(const std::vector<MenuControlInfo>& controls);
    // ReplaceItem's stored changes.
    void ApplyChanges(int32_t index, const ItemChanges& changes);

    // --- Shrinking --------------------------------------------------------
    // Keeps, in order, the items `keep` accepts; returns how many went.
    template <class Keep>
    int32_t Compact(Keep keep) {
        std::vector<MenuItemRecord> kept;
        kept.reserve(items_.size());
        for (MenuItemRecord& r : items_)
            if (keep(static_cast<const MenuItemRecord&>(r))) kept.push_back(std::move(r));
        const int32_t gone = Count() - static_cast<int32_t>(kept.size());
        items_ = std::move(kept);
        return gone;
    }
    // Every item under `handle`, depth first: marked removed; the menus
    // holding them, each once, in the order met.
    std::vector<int32_t> MarkDescendants(int32_t handle);
    // RemoveItem: takes the item out of its menu, destroys the submenus of
    // its descendants and drops it and them from the list (and the destroyed
    // menus from CreatedPopups). False when nothing was dropped.
    bool RemoveItemAt(MenuSystem& menus, int32_t index);
    // Removes every item of the item's submenu; returns the item's index after.
    int32_t ClearSubMenusOfItem(MenuSystem& menus, int32_t index);
    // CheckForNewItems' last step: only items seen in the menus stay.
    void KeepSeenItems();
    void ClearSeenMarks();
    // Destroys the created popups of `menuBar` (all when 0), last first.
    void DestroyCreatedPopups(MenuSystem& menus, int32_t menuBar);

    // --- Tree queries -----------------------------------------------------
    int32_t Parent(int32_t index) const;
    int32_t FirstChild(int32_t index) const;
    int32_t NextSibling(int32_t index) const;
    int32_t SiblingCount(int32_t index) const;
    bool HasChildren(int32_t index) const { return FirstChild(index) != 0; }
    // The menu-bar item above `index` (itself on the menu bar); error 9 when
    // an ancestor is missing from the list.
    ItemResult<int32_t> UltimateParent(int32_t index) const;
    int32_t HPopupMenu(MenuSystem& menus, int32_t index) const;
    // 1-based position of the item in `menu`: the last position holding its
    // ItemHandle when `menu` is its OwnerMenu; 0 otherwise.
    int32_t ItemPosition(MenuSystem& menus, int32_t menu, int32_t index) const;
    // From the menu-bar level down to the item; error 9 when an ancestor is
    // missing from the list.
    ItemResult<std::vector<PathStep>> ItemPath(MenuSystem& menus, int32_t index) const;
    // The positions of ItemPath (GetHierarchyForIndexPosition).
    ItemResult<std::vector<int32_t>> HierarchyPositions(MenuSystem& menus, int32_t index) const;
    // Captions from `startLevel` down to the item joined by `separator`;
    // empty when startLevel is above the depth, error 9 below 1.
    ItemResult<std::string> HierarchyPath(MenuSystem& menus, int32_t index, int32_t startLevel,
                                          const std::string& separator) const;
    // The item at the 1-based `positions` from `menuBar` down; 0 when the
    // path leads nowhere.
    int32_t IndexForMenuHierarchy(MenuSystem& menus, int32_t menuBar, const std::vector<int32_t>& positions) const;

private:
    std::vector<MenuItemRecord> items_;
    int32_t lastCommandId_ = 0;
    std::vector<CreatedPopup> createdPopups_;
};

// A saved copy of the item list of one menu bar, records copied whole.
class cStoreMenu {
public:
    int32_t MenuHandle() const { return menuHandle_; }
    void SetMenuHandle(int32_t h) { menuHandle_ = h; }
    // Saves items 1 ... count (all when count exceeds the list); none when count <= 0.
    void SaveItems(const std::vector<MenuItemRecord>& items, int32_t count);
    // Replaces `items` with the saved records; returns their count.
    int32_t LoadItems(std::vector<MenuItemRecord>& items) const;

private:
    int32_t menuHandle_ = 0;
    std::vector<MenuItemRecord> items_;
};

}  // namespace skarvo
