// DTPSkarvo's item store: lookups, keys, identifiers, building, removal and
// tree queries over the list of MenuItemRecord.
#include "menu_images/menu_item_store.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "menu_images/menu_caption.h"

namespace skarvo {

namespace {

// Menu commands report 16 bits of the identifier, so identifiers stay below.
constexpr int32_t kHighestCommandId = 0xFFFF;

std::string TrimSpaces(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    const size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<double> RadixNumber(const std::string& digits, int radix) {
    if (digits.empty()) return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
        int d;
        if (IsDigit(c)) d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        if (d >= radix) return std::nullopt;
        v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    // As the automation reads them: up to 16 bits is an Integer, else a Long.
    if (v <= 0xFFFF) return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(v)));
    return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
}

}  // namespace

std::optional<double> NumberFromText(const std::string& text) {
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    const size_t e = text.find_last_not_of(" \t");
    const std::string t = text.substr(b, e - b + 1);
    if (t.size() > 2 && t[0] == '&') {
        if (t[1] == 'H' || t[1] == 'h') return RadixNumber(t.substr(2), 16);
        if (t[1] == 'O' || t[1] == 'o') return RadixNumber(t.substr(2), 8);
        return std::nullopt;
    }
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    const double v = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

ItemKey ItemKey::Number(double n) {
    ItemKey k;
    k.numeric_ = true;
    k.number_ = n;
    return k;
}

ItemKey ItemKey::Text(const std::string& text) {
    ItemKey k;
    k.text_ = text;
    if (auto n = NumberFromText(text)) {
        k.numeric_ = true;
        k.number_ = *n;
    }
    return k;
}

uint32_t ItemMenuFlags(const MenuItemRecord& item) {
    uint32_t f = 0;
    if (item.Checked) f |= menu_flags::kChecked;
    if (!item.Enabled) f |= menu_flags::kGrayed;
    if (TrimSpaces(item.Caption) == "-") f |= menu_flags::kSeparator;
    if (item.BarBreak) f |= menu_flags::kMenuBarBreak;
    if (item.ColumnBreak) f |= menu_flags::kMenuBreak;
    return f;
}

bool CheckedFromState(uint32_t state) { return (state & menu_flags::kChecked) != 0; }

bool EnabledFromState(uint32_t state) { return (state & (menu_flags::kDisabled | menu_flags::kGrayed)) == 0; }

StateChange CheckedChange(bool checked) {
    return checked ? StateChange{menu_flags::kChecked, 0} : StateChange{0, menu_flags::kChecked};
}

StateChange EnabledChange(bool enabled) {
    return enabled ? StateChange{0, menu_flags::kGrayed} : StateChange{menu_flags::kDisabled, menu_flags::kGrayed};
}

uint32_t SetItemStateFlags(const MenuItemRecord& item, bool hasSubmenu, StateChange change) {
    uint32_t f = ItemMenuFlags(item) | menu_flags::kOwnerDraw;
    if (hasSubmenu) f |= menu_flags::kPopup;
    f &= ~menu_flags::kByPosition;
    f |= change.add;
    f &= ~change.remove;
    return f;
}

// --- The list ---------------------------------------------------------------

ItemResult<int16_t> MenuItemStore::CountInteger() const {
    if (Count() > 32767) return ItemResult<int16_t>::Failure(item_errors::kOverflow);
    ItemResult<int16_t> r;
    r.value = static_cast<int16_t>(Count());
    return r;
}

int32_t MenuItemStore::AppendRecord() {
    items_.emplace_back();
    return Count();
}

// --- Lookups ------------------------------------------------------------------

int32_t MenuItemStore::ResolveItemIndex(const ItemKey& key) const {
    if (key.IsNumeric()) {
        const double n = key.NumberValue();
        if (!(n >= 1 && n <= Count())) return -1;
        // An index given as a fraction is rounded as the automation does.
        return static_cast<int32_t>(std::nearbyint(n));
    }
    if (key.TextValue().empty()) return -1;
    for (int32_t i = 1; i <= Count(); ++i)
        if (Item(i).Key == key.TextValue()) return i;
    return -1;
}

ItemResult<int32_t> MenuItemStore::MenuIndex(const ItemKey& key) const {
    const int32_t i = ResolveItemIndex(key);
    if (i < 1) return ItemResult<int32_t>::Failure(item_errors::kSubscriptOutOfRange);
    ItemResult<int32_t> r;
    r.value = i;
    return r;
}

ItemResult<int32_t> MenuItemStore::CheckIndex(int32_t index) const {
    if (!IsIndex(index)) return ItemResult<int32_t>::Failure(item_errors::kSubscriptOutOfRange);
    ItemResult<int32_t> r;
    r.value = index;
    return r;
}

int32_t MenuItemStore::IndexForHandle(int32_t handle) const {
    for (int32_t i = 1; i <= Count(); ++i)
        if (Item(i).ItemHandle == handle) return i;
    return 0;
}

// --- Keys and identifiers ---------------------------------------------------

ItemResult<std::string> MenuItemStore::CheckNewKey(const std::string& key, int32_t exceptIndex) const {
    ItemResult<std::string> r;
    if (TrimSpaces(key).empty()) return r;
    for (int32_t i = 1; i <= Count(); ++i)
        if (i != exceptIndex && Item(i).Key == key) return ItemResult<std::string>::Failure(item_errors::kDuplicateKey);
    r.value = key;
    return r;
}

ItemResult<int32_t> MenuItemStore::NewCommandId() {
    std::vector<bool> taken(static_cast<size_t>(kHighestCommandId) + 1);
    for (const MenuItemRecord& r : items_)
        if (r.ItemHandle >= 1 && r.ItemHandle <= kHighestCommandId) taken[static_cast<size_t>(r.ItemHandle)] = true;
    int32_t id;
    if (lastCommandId_ < Count()) id = Count();
    else if (lastCommandId_ >= kHighestCommandId) id = 1;
    else id = lastCommandId_ + 1;
    for (int32_t tries = 0; tries <= kHighestCommandId; ++tries, ++id) {
        if (id < 1 || id > kHighestCommandId) id = 1;
        if (!taken[static_cast<size_t>(id)]) {
            lastCommandId_ = id;
            ItemResult<int32_t> r;
            r.value = id;
            return r;
        }
    }
    return ItemResult<int32_t>::Failure(item_errors::kOverflow);
}

// --- Building the list ------------------------------------------------------

namespace {

void StoreDetails(MenuItemRecord& r, const NewItemDetails& d, const std::string& key) {
    ParseCaption(r, d.Caption, d.Caption == "-");
    r.AccessKey = AccessKeyOf(d.Caption);
    r.HelpText = d.HelpText;
    r.IconIndex = d.IconIndex;
    r.ItemData = d.ItemData;
    r.Checked = d.Checked;
    r.Enabled = d.Enabled;
    r.Key = key;
    r.Tag = d.Tag;
}

}  // namespace

ItemResult<int32_t> MenuItemStore::AppendNewItem(const NewItemDetails& details, int32_t parentIndex) {
    auto key = CheckNewKey(details.Key);
    if (!key.ok()) return ItemResult<int32_t>::Failure(key.error);
    if (parentIndex != 0 && !IsIndex(parentIndex))
        return ItemResult<int32_t>::Failure(item_errors::kSubscriptOutOfRange);
    const int32_t parentHandle = parentIndex == 0 ? 0 : Item(parentIndex).ItemHandle;
    return AppendDetails(details, key.value, parentHandle);
}

ItemResult<int32_t> MenuItemStore::AppendDetails(const NewItemDetails& details, const std::string& key,
                                                 int32_t parentHandle) {
    const int32_t i = AppendRecord();
    auto id = NewCommandId();
    if (!id.ok()) {
        items_.pop_back();
        return id;
    }
    MenuItemRecord& r = Item(i);
    r.CommandId = r.ItemHandle = id.value;
    StoreDetails(r, details, key);
    r.ParentHandle = parentHandle;
    ItemResult<int32_t> res;
    res.value = i;
    return res;
}

ItemResult<int32_t> MenuItemStore::AppendItemBefore(const NewItemDetails& details, const ItemKey& beforeKey,
                                                    int32_t& before) {
    before = 0;
    auto key = CheckNewKey(details.Key);
    if (!key.ok()) return ItemResult<int32_t>::Failure(key.error);
    auto b = MenuIndex(beforeKey);
    if (!b.ok()) return b;
    const int32_t parentHandle = Item(b.value).ParentHandle;
    if (parentHandle != 0 && IndexForHandle(parentHandle) == 0)
        return ItemResult<int32_t>::Failure(item_errors::kSubscriptOutOfRange, item_errors::kPopMenuSource);
    auto appended = AppendDetails(details, key.value, parentHandle);
    if (appended.ok()) before = b.value;
    return appended;
}

int32_t MenuItemStore::AppendHostItem(int32_t menu, int32_t identifier, int32_t parentHandle, uint32_t state,
                                      uint32_t type, const std::string& text) {
    const int32_t i = AppendRecord();
    MenuItemRecord& r = Item(i);
    r.FromHostMenu = true;
    r.IconIndex = -1;
    r.Checked = CheckedFromState(state);
    r.Enabled = EnabledFromState(state);
    r.OwnerMenu = menu;
    r.CommandId = r.ItemHandle = identifier;
    r.ParentHandle = parentHandle;
    ParseCaption(r, text, (type & menu_flags::kSeparator) != 0);
    return i;
}

ItemResult<int32_t> MenuItemStore::AppendScannedItem(const NewItemDetails& details, int32_t menu,
                                                     int32_t identifier, int32_t parentHandle, uint32_t state) {
    auto key = CheckNewKey(details.Key);
    if (!key.ok()) return ItemResult<int32_t>::Failure(key.error);
    const int32_t i = AppendRecord();
    MenuItemRecord& r = Item(i);
    r.CommandId = r.ItemHandle = identifier;
    StoreDetails(r, details, key.value);
    r.ParentHandle = parentHandle;
    r.Checked = CheckedFromState(state);
    r.Enabled = EnabledFromState(state);
    r.SeenMark = true;
    r.OwnerMenu = menu;
    ItemResult<int32_t> res;
    res.value = i;
    return res;
}

void MenuItemStore::PairWithMenuControls(const std::vector<MenuControlInfo>& controls) {
    size_t c = 0;
    for (int32_t k = 1; k <= Count(); ++k) {
        while (c < controls.size() && !controls[c].Visible) ++c;
        if (c == controls.size()) return;
        const MenuControlInfo& m = controls[c++];
        Item(k).Key = m.Index ? m.Name + "(" + std::to_string(*m.Index) + ")" : m.Name;
        Item(k).Tag = m.Tag;
    }
}

void MenuItemStore::ApplyChanges(int32_t index, const ItemChanges& ch) {
    MenuItemRecord& r = Item(index);
    if (ch.Caption) ParseCaption(r, *ch.Caption, *ch.Caption == "-");
    if (ch.HelpText) r.HelpText = *ch.HelpText;
    if (ch.ItemData) r.ItemData = *ch.ItemData;
    if (ch.IconIndex) r.IconIndex = *ch.IconIndex;
    if (ch.Checked) r.Checked = *ch.Checked;
    if (ch.Enabled) r.Enabled = *ch.Enabled;
}

// --- Shrinking ----------------------------------------------------------------

std::vector<int32_t> MenuItemStore::MarkDescendants(int32_t handle) {
    std::vector<int32_t> menus;
    // Menu-bar items have parent 0: a handle of 0 (a separator) has no children.
    if (handle == 0) return menus;
    // Depth first: children of a handle are handled before its later siblings.
    struct Frame {
        int32_t handle;
        int32_t next;
    };
    std::vector<Frame> stack{{handle, 1}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next > Count()) {
            stack.pop_back();
            continue;
        }
        MenuItemRecord& r = Item(f.next++);
        if (r.ParentHandle != f.handle || r.RemovedMark) continue;
        r.RemovedMark = true;
        if (r.OwnerMenu != 0 && std::find(menus.begin(), menus.end(), r.OwnerMenu) == menus.end())
            menus.push_back(r.OwnerMenu);
        if (r.ItemHandle != 0) stack.push_back({r.ItemHandle, 1});
    }
    return menus;
}

bool MenuItemStore::RemoveItemAt(MenuSystem& menus, int32_t index) {
    MenuItemRecord& item = Item(index);
    const bool removed = menus.RemoveByCommand(item.OwnerMenu, item.ItemHandle);
    item.RemovedMark = true;
    const std::vector<int32_t> destroy = MarkDescendants(item.ItemHandle);
    for (int32_t m : destroy) menus.DestroyMenu(m);
    if (destroy.empty() && !removed) return false;
    // A destroyed menu's handle may be reused: it must not be destroyed again.
    createdPopups_.erase(std::remove_if(createdPopups_.begin(), createdPopups_.end(),
                                        [&](const CreatedPopup& p) {
                                            return std::find(destroy.begin(), destroy.end(), p.Popup) !=
                                                   destroy.end();
                                        }),
                         createdPopups_.end());
    Compact([](const MenuItemRecord& r) { return !r.RemovedMark; });
    int32_t highest = Count();
    for (const MenuItemRecord& r : items_)
        if (r.ItemHandle > highest && menus.ItemCount(r.ItemHandle) == -1) highest = r.ItemHandle;
    lastCommandId_ = highest;
    return true;
}

int32_t MenuItemStore::ClearSubMenusOfItem(MenuSystem& menus, int32_t index) {
    const int32_t handle = Item(index).ItemHandle;
    // Items whose append failed have OwnerMenu 0; a separator's handle 0 holds none of them.
    if (handle == 0) return index;
    for (int32_t i = Count(); i >= 1; --i)
        if (i <= Count() && Item(i).OwnerMenu == handle) RemoveItemAt(menus, i);
    return IndexForHandle(handle);
}

void MenuItemStore::KeepSeenItems() {
    Compact([](const MenuItemRecord& r) { return r.SeenMark; });
}

void MenuItemStore::ClearSeenMarks() {
    for (MenuItemRecord& r : items_) r.SeenMark = false;
}

void MenuItemStore::DestroyCreatedPopups(MenuSystem& menus, int32_t menuBar) {
    for (size_t i = createdPopups_.size(); i-- > 0;) {
        if (menuBar != 0 && createdPopups_[i].MenuBar != menuBar) continue;
        menus.DestroyMenu(createdPopups_[i].Popup);
        createdPopups_.erase(createdPopups_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

// --- Tree queries -------------------------------------------------------------

int32_t MenuItemStore::Parent(int32_t index) const {
    const int32_t ph = Item(index).ParentHandle;
    return ph == 0 ? 0 : IndexForHandle(ph);
}

int32_t MenuItemStore::FirstChild(int32_t index) const {
    const int32_t h = Item(index).ItemHandle;
    if (h == 0) return 0;
    for (int32_t i = 1; i <= Count(); ++i)
        if (i != index && Item(i).ParentHandle == h) return i;
    return 0;
}

int32_t MenuItemStore::NextSibling(int32_t index) const {
    const int32_t ph = Item(index).ParentHandle;
    for (int32_t i = index + 1; i <= Count(); ++i)
        if (Item(i).ParentHandle == ph) return i;
    return 0;
}

int32_t MenuItemStore::SiblingCount(int32_t index) const {
    const int32_t ph = Item(index).ParentHandle;
    return static_cast<int32_t>(
        std::count_if(items_.begin(), items_.end(), [ph](const MenuItemRecord& r) { return r.ParentHandle == ph; }));
}

ItemResult<int32_t> MenuItemStore::UltimateParent(int32_t index) const {
    int32_t cur = index;
    // An ancestor missing from the list, or a loop of links, ends in error 9.
    for (int32_t steps = 0; Item(cur).ParentHandle != 0; ++steps) {
        const int32_t p = IndexForHandle(Item(cur).ParentHandle);
        if (p == 0 || steps >= Count()) return ItemResult<int32_t>::Failure(item_errors::kSubscriptOutOfRange);
        cur = p;
    }
    ItemResult<int32_t> r;
    r.value = cur;
    return r;
}

int32_t MenuItemStore::HPopupMenu(MenuSystem& menus, int32_t index) const {
    return menus.SubMenuOf(Item(index).OwnerMenu, Item(index).ItemHandle);
}

int32_t MenuItemStore::ItemPosition(MenuSystem& menus, int32_t menu, int32_t index) const {
    const MenuItemRecord& r = Item(index);
    if (menu != r.OwnerMenu) return 0;
    int32_t found = 0;
    const int32_t n = menus.ItemCount(menu);
    for (int32_t p = 0; p < n; ++p)
        if (menus.ItemIdAt(menu, p) == r.ItemHandle) found = p + 1;
    return found;
}

ItemResult<std::vector<PathStep>> MenuItemStore::ItemPath(MenuSystem& menus, int32_t index) const {
    ItemResult<std::vector<PathStep>> res;
    int32_t cur = index;
    for (int32_t steps = 0;; ++steps) {
        const MenuItemRecord& r = Item(cur);
        res.value.push_back({ItemPosition(menus, r.OwnerMenu, cur), r.Caption});
        if (r.ParentHandle == 0) break;
        const int32_t p = IndexForHandle(r.ParentHandle);
        if (p == 0 || steps >= Count())
            return ItemResult<std::vector<PathStep>>::Failure(item_errors::kSubscriptOutOfRange);
        cur = p;
    }
    std::reverse(res.value.begin(), res.value.end());
    return res;
}

ItemResult<std::vector<int32_t>> MenuItemStore::HierarchyPositions(MenuSystem& menus, int32_t index) const {
    auto path = ItemPath(menus, index);
    if (!path.ok()) return ItemResult<std::vector<int32_t>>::Failure(path.error);
    ItemResult<std::vector<int32_t>> r;
    for (const PathStep& s : path.value) r.value.push_back(s.Position);
    return r;
}

ItemResult<std::string> MenuItemStore::HierarchyPath(MenuSystem& menus, int32_t index, int32_t startLevel,
                                                     const std::string& separator) const {
    if (startLevel < 1) return ItemResult<std::string>::Failure(item_errors::kSubscriptOutOfRange);
    auto path = ItemPath(menus, index);
    if (!path.ok()) return ItemResult<std::string>::Failure(path.error);
    ItemResult<std::string> r;
    for (size_t level = static_cast<size_t>(startLevel); level <= path.value.size(); ++level) {
        if (level > static_cast<size_t>(startLevel)) r.value += separator;
        r.value += path.value[level - 1].Caption;
    }
    return r;
}

int32_t MenuItemStore::IndexForMenuHierarchy(MenuSystem& menus, int32_t menuBar,
                                             const std::vector<int32_t>& positions) const {
    int32_t menu = menuBar;
    for (size_t k = 0; k < positions.size(); ++k) {
        // A failed read gives identifier 0, which separators carry too.
        if (positions[k] < 1 || positions[k] > menus.ItemCount(menu)) return 0;
        const int32_t id = menus.ItemIdAt(menu, positions[k] - 1);
        int32_t found = 0;
        for (int32_t i = 1; i <= Count() && found == 0; ++i)
            if (Item(i).ItemHandle == id && Item(i).OwnerMenu == menu) found = i;
        if (found == 0) return 0;
        if (k + 1 == positions.size()) return found;
        menu = HPopupMenu(menus, found);
        if (menu == 0) return 0;
    }
    return 0;
}

// --- cStoreMenu -----------------------------------------------------------------

void cStoreMenu::SaveItems(const std::vector<MenuItemRecord>& items, int32_t count) {
    items_.clear();
    if (count <= 0) return;
    const size_t n = std::min(static_cast<size_t>(count), items.size());
    items_.assign(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(n));
}

int32_t cStoreMenu::LoadItems(std::vector<MenuItemRecord>& items) const {
    items = items_;
    return static_cast<int32_t>(items_.size());
}

}  // namespace skarvo
