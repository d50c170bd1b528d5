#include "menu_images/menu_item_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "menu_images/menu_caption.h"

namespace skarvo {
namespace {

// Menus as the platform keeps them: each menu a list of identifiers (a popup
// item's identifier is its submenu's handle).
struct MenuModel : MenuSystem {
    std::map<int32_t, std::vector<int32_t>> menus;
    std::vector<int32_t> destroyed;

    int32_t ItemCount(int32_t menu) override {
        auto it = menus.find(menu);
        return it == menus.end() ? -1 : static_cast<int32_t>(it->second.size());
    }
    int32_t ItemIdAt(int32_t menu, int32_t position) override {
        auto it = menus.find(menu);
        if (it == menus.end() || position < 0 || position >= static_cast<int32_t>(it->second.size())) return 0;
        return it->second[static_cast<size_t>(position)];
    }
    int32_t SubMenuOf(int32_t menu, int32_t command) override {
        auto it = menus.find(menu);
        if (it == menus.end() || command == 0) return 0;
        for (int32_t id : it->second)
            if (id == command && menus.count(id)) return id;
        return 0;
    }
    bool RemoveByCommand(int32_t menu, int32_t command) override {
        auto it = menus.find(menu);
        if (it == menus.end()) return false;
        auto pos = std::find(it->second.begin(), it->second.end(), command);
        if (pos == it->second.end()) return false;
        it->second.erase(pos);
        return true;
    }
    void DestroyMenu(int32_t menu) override {
        destroyed.push_back(menu);
        menus.erase(menu);
    }
};

constexpr int32_t kBar = 100, kFile = 200, kLpt = 300, kRecent = 400;

// The main window's menus, with a submenu of recent files under "Apri".
struct HostMenus {
    MenuModel model;
    MenuItemStore store;
    std::map<int32_t, std::string> texts;

    HostMenus() {
        model.menus[kBar] = {kFile, kLpt, 2020};
        model.menus[kFile] = {2001, kRecent, 2003, 0, 2005, 0, 2007};
        model.menus[kRecent] = {2101, 2102};
        model.menus[kLpt] = {2011, 2012, 2013};
        texts = {{kFile, "File"}, {kLpt, "Porta LPT"}, {2020, "?"}, {2001, "&Nuovo"}, {kRecent, "&Apri"},
                 {2003, "&Salva\tCtrl+S"}, {2005, "&Esegui"}, {2007, "&Uscita"}, {2101, "uno.prl"},
                 {2102, "due.prl"}, {2011, "LPT1"}, {2012, "LPT2"}, {2013, "Indirizzo personalizzato"}};
        Walk(kBar, 0);
    }
    // Reads the menus into the store depth first, as SubClassMenu does.
    void Walk(int32_t menu, int32_t parent) {
        for (int32_t id : model.menus[menu]) {
            store.AppendHostItem(menu, id, parent, 0, id == 0 ? menu_flags::kSeparator : 0, texts[id]);
            if (model.menus.count(id)) Walk(id, id);
        }
    }
    int32_t Index(const std::string& caption) const {
        for (int32_t i = 1; i <= store.Count(); ++i)
            if (store.Item(i).Caption == caption) return i;
        return 0;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> c;
        for (const MenuItemRecord& r : store.Items()) c.push_back(r.Caption);
        return c;
    }
};

TEST(MenuCaption, MarkersTabsAndAccessKeys) {
    struct Case {
        const char* text;
        const char* caption;
        const char* shortcut;
        const char* accessKey;
        bool barBreak, columnBreak;
    };
    const Case cases[] = {
        {"&Apri\tCtrl+O", "&Apri", "Ctrl+O", "A", false, false},
        {"Salva con &nome", "Salva con &nome", "old", "N", false, false},
        {"Fine&", "Fine&", "old", "", false, false},
        {"a\tb\tc", "a", "b\tc", "", false, false},
        {"|Colonna", "Colonna", "old", "", true, false},
        {"Col||onna", "Col||onna", "old", "", false, false},
        {"^Nuova|&x", "Nuova&x", "old", "X", true, true},
        {"^^due|", "^^due", "old", "", true, false},
        {"&\xE8 citt\xE0", "&\xE8 citt\xE0", "old", "\xC8", false, false},
        {"", "", "old", "", false, false},
        {"\t", "", "", "", false, false},
    };
    for (const Case& c : cases) {
        MenuItemRecord r;
        r.ShortcutText = "old";
        ParseCaption(r, c.text, false);
        EXPECT_EQ(r.Caption, c.caption) << c.text;
        EXPECT_EQ(r.ShortcutText, c.shortcut) << c.text;
        EXPECT_EQ(r.AccessKey, c.accessKey) << c.text;
        EXPECT_EQ(r.BarBreak, c.barBreak) << c.text;
        EXPECT_EQ(r.ColumnBreak, c.columnBreak) << c.text;
    }
    // A separator keeps everything but its caption.
    MenuItemRecord r;
    ParseCaption(r, "&Vecchio\tF1", false);
    ParseCaption(r, "|x\ty", true);
    EXPECT_EQ(r.Caption, "-");
    EXPECT_EQ(r.ShortcutText, "F1");
    EXPECT_EQ(r.AccessKey, "V");
    EXPECT_FALSE(r.BarBreak);
}

TEST(MenuItemStore, FlagsAndStatesOfItems) {
    MenuItemRecord r;
    r.Enabled = true;
    EXPECT_EQ(ItemMenuFlags(r), 0u);
    r.Checked = true;
    r.Enabled = false;
    r.Caption = " - ";
    r.BarBreak = r.ColumnBreak = true;
    EXPECT_EQ(ItemMenuFlags(r), 0x8u | 0x1u | 0x800u | 0x20u | 0x40u);

    // Enabled let false marks disabled-not-grayed; get must read it back false.
    r = MenuItemRecord();
    r.Enabled = false;
    const uint32_t state = SetItemStateFlags(r, false, EnabledChange(false));
    EXPECT_EQ(state & 0x3u, 0x2u);
    EXPECT_EQ(state & 0x100u, 0x100u);
    EXPECT_FALSE(EnabledFromState(state));
    r.Enabled = true;
    EXPECT_EQ(SetItemStateFlags(r, true, EnabledChange(true)), 0x100u | 0x10u);
    EXPECT_EQ(SetItemStateFlags(r, false, CheckedChange(true)), 0x108u);
    r.Checked = true;
    EXPECT_EQ(SetItemStateFlags(r, false, CheckedChange(false)), 0x100u);
    struct StateCase {
        uint32_t state;
        bool checked, enabled;
    };
    for (const StateCase& c : {StateCase{0, false, true}, StateCase{8, true, true}, StateCase{3, false, false},
                               StateCase{2, false, false}, StateCase{1, false, true}, StateCase{0x8B, true, false}}) {
        EXPECT_EQ(CheckedFromState(c.state), c.checked) << c.state;
        EXPECT_EQ(EnabledFromState(c.state), c.enabled) << c.state;
    }
}

TEST(MenuItemStore, ItemsResolveByIndexOrKey) {
    HostMenus h;
    h.store.Item(2).Key = "mnuNuovo";
    h.store.Item(5).Key = "mnuLPT1(0)";
    h.store.Item(6).Key = "123";
    const int32_t n = h.store.Count();
    struct Case {
        ItemKey key;
        int32_t index;
    };
    const Case cases[] = {
        {ItemKey::Number(1), 1},
        {ItemKey::Number(n), n},
        {ItemKey::Number(0), -1},
        {ItemKey::Number(-1), -1},
        {ItemKey::Number(n + 1), -1},
        {ItemKey::Number(2.4), 2},
        {ItemKey::Number(0.6), -1},
        {ItemKey::Text("3"), 3},
        {ItemKey::Text(" 4 "), 4},
        {ItemKey::Text("&H3"), 3},
        {ItemKey::Text("5e0"), 5},
        {ItemKey::Text("mnuNuovo"), 2},
        {ItemKey::Text("MNUNUOVO"), -1},
        {ItemKey::Text("mnuLPT1(0)"), 5},
        {ItemKey::Text("123"), -1},  // a key of digits reads as an index
        {ItemKey::Text(""), -1},     // nor does an empty key name a keyless item
        {ItemKey::Text("-"), -1},
        {ItemKey::Text("1x"), -1},
    };
    for (const Case& c : cases) {
        const std::string what = c.key.IsNumeric() ? std::to_string(c.key.NumberValue()) : c.key.TextValue();
        EXPECT_EQ(h.store.ResolveItemIndex(c.key), c.index) << what;
        EXPECT_EQ(h.store.MenuExists(c.key), c.index > 0) << what;
        const auto r = h.store.MenuIndex(c.key);
        EXPECT_EQ(r.error, c.index > 0 ? 0 : 9) << what;
        if (r.ok()) {
            EXPECT_EQ(r.value, c.index);
        }
    }
    EXPECT_EQ(h.store.CheckIndex(0).error, 9);
    EXPECT_EQ(h.store.CheckIndex(n).value, n);
}

TEST(MenuItemStore, NewKeysAreUniqueAndBlankKeysEmpty) {
    HostMenus h;
    h.store.Item(1).Key = "File";
    struct Case {
        const char* key;
        int32_t except;
        int32_t error;
        const char* stored;
    };
    const Case cases[] = {
        {"", 0, 0, ""}, {"   ", 0, 0, ""}, {"File", 0, 457, ""}, {"file", 0, 0, "file"},
        {" File", 0, 0, " File"}, {"File", 1, 0, "File"}, {"File", 2, 457, ""},
    };
    for (const Case& c : cases) {
        const auto r = h.store.CheckNewKey(c.key, c.except);
        EXPECT_EQ(r.error, c.error) << c.key;
        EXPECT_EQ(r.value, c.stored) << c.key;
    }
    // A duplicate key or a parent outside the list adds nothing.
    const auto before = h.Captions();
    NewItemDetails d;
    d.Caption = "Nuovo";
    d.Key = "File";
    EXPECT_EQ(h.store.AppendNewItem(d, 0).error, 457);
    d.Key = "k";
    EXPECT_EQ(h.store.AppendNewItem(d, h.store.Count() + 1).error, 9);
    EXPECT_EQ(h.store.AppendNewItem(d, -1).error, 9);
    int32_t b = 0;
    EXPECT_EQ(h.store.AppendItemBefore(d, ItemKey::Text("nessuno"), b).error, 9);
    EXPECT_EQ(h.Captions(), before);
    // An item whose parent has left the list cannot be inserted before.
    h.store.Item(h.Index("LPT2")).ParentHandle = 999;
    const auto r = h.store.AppendItemBefore(d, ItemKey::Number(h.Index("LPT2")), b);
    EXPECT_EQ(r.error, 9);
    EXPECT_STREQ(r.sourceSuffix, ".cPopMenu");
    EXPECT_EQ(h.Captions(), before);
}

TEST(MenuItemStore, NewItemsGetFreshIdentifiersBelow0x10000) {
    MenuItemStore s;
    NewItemDetails d;
    d.Caption = "&Uno\tF2";
    const auto first = s.AppendNewItem(d, 0);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(s.Item(1).CommandId, 1);
    EXPECT_EQ(s.Item(1).ItemHandle, 1);
    EXPECT_EQ(s.Item(1).AccessKey, "U");
    EXPECT_EQ(s.Item(1).ShortcutText, "F2");
    EXPECT_TRUE(s.Item(1).Enabled);
    EXPECT_EQ(s.Item(1).IconIndex, -1);

    // Identifiers skip those items hold, and follow LastCommandId upward.
    struct Case {
        int32_t last;
        std::vector<int32_t> taken;
        int32_t expected;
    };
    const Case cases[] = {
        {0, {5, 6}, 3},                  // below the count: the count
        {10, {}, 11},
        {10, {11, 12}, 13},
        {0xFFFE, {}, 0xFFFF},
        {0xFFFF, {}, 1},                 // wraps: a menu command reports 16 bits
        {0xFFFF, {1, 2}, 3},
        {0xFFFE, {0xFFFF, 1}, 2},
        {0x7FFFFFFF, {}, 1},
    };
    for (const Case& c : cases) {
        MenuItemStore t;
        for (int32_t id : c.taken) t.Item(t.AppendRecord()).ItemHandle = id;
        t.AppendRecord();
        t.SetLastCommandId(c.last);
        const auto id = t.NewCommandId();
        ASSERT_TRUE(id.ok()) << c.last;
        EXPECT_EQ(id.value, c.expected) << c.last;
        EXPECT_EQ(t.LastCommandId(), c.expected) << c.last;
    }
    // With every identifier taken: overflow, and nothing appended.
    MenuItemStore full;
    for (int32_t id = 1; id <= 0xFFFF; ++id) full.Item(full.AppendRecord()).ItemHandle = id;
    EXPECT_EQ(full.AppendNewItem(d, 0).error, 6);
    EXPECT_EQ(full.Count(), 0xFFFF);
    EXPECT_EQ(full.CountInteger().error, 6);
}

TEST(MenuItemStore, CountIsA16BitValue) {
    MenuItemStore s;
    EXPECT_EQ(s.CountInteger().value, 0);
    for (int i = 0; i < 32767; ++i) s.AppendRecord();
    EXPECT_EQ(s.CountInteger().value, 32767);
    s.AppendRecord();
    EXPECT_EQ(s.CountInteger().error, 6);
}

TEST(MenuItemStore, HostMenusReadDepthFirstAndPairWithVisibleControls) {
    HostMenus h;
    EXPECT_EQ(h.Captions(), (std::vector<std::string>{"File", "&Nuovo", "&Apri", "uno.prl", "due.prl", "&Salva", "-",
                                                      "&Esegui", "-", "&Uscita", "Porta LPT", "LPT1", "LPT2",
                                                      "Indirizzo personalizzato", "?"}));
    EXPECT_EQ(h.store.Item(6).ShortcutText, "Ctrl+S");
    EXPECT_TRUE(h.store.Item(1).FromHostMenu);
    EXPECT_EQ(h.store.Item(1).IconIndex, -1);

    std::vector<MenuControlInfo> controls = {
        {"MnuFile", {}, "File", "t1", true},    {"mnuNuovo", {}, "&Nuovo", "", true},
        {"mnuHidden", {}, "x", "", false},      {"MnuApri", {}, "&Apri", "", true},
        {"mnuRecent", 0, "uno.prl", "", true},  {"mnuRecent", 1, "due.prl", "r", true},
    };
    h.store.PairWithMenuControls(controls);
    EXPECT_EQ(h.store.Item(1).Key, "MnuFile");
    EXPECT_EQ(h.store.Item(1).Tag, "t1");
    EXPECT_EQ(h.store.Item(3).Key, "MnuApri");
    EXPECT_EQ(h.store.Item(4).Key, "mnuRecent(0)");
    EXPECT_EQ(h.store.Item(5).Key, "mnuRecent(1)");
    EXPECT_EQ(h.store.Item(5).Tag, "r");
    EXPECT_EQ(h.store.Item(6).Key, "");  // the list ran out
}

TEST(MenuItemStore, TreeQueriesAndPaths) {
    HostMenus h;
    const int32_t file = h.Index("File"), apri = h.Index("&Apri"), due = h.Index("due.prl"),
                  lpt2 = h.Index("LPT2"), help = h.Index("?"), sep = 7;
    EXPECT_EQ(h.store.Parent(file), 0);
    EXPECT_EQ(h.store.Parent(due), apri);
    EXPECT_EQ(h.store.Parent(apri), file);
    EXPECT_EQ(h.store.FirstChild(file), h.Index("&Nuovo"));
    EXPECT_EQ(h.store.FirstChild(apri), h.Index("uno.prl"));
    EXPECT_EQ(h.store.FirstChild(sep), 0);  // a separator's identifier 0 is no parent
    EXPECT_EQ(h.store.FirstChild(help), 0);
    EXPECT_TRUE(h.store.HasChildren(apri));
    EXPECT_EQ(h.store.NextSibling(file), h.Index("Porta LPT"));
    EXPECT_EQ(h.store.NextSibling(help), 0);
    EXPECT_EQ(h.store.SiblingCount(file), 3);
    EXPECT_EQ(h.store.SiblingCount(due), 2);
    EXPECT_EQ(h.store.UltimateParent(due).value, file);
    EXPECT_EQ(h.store.UltimateParent(help).value, help);
    EXPECT_EQ(h.store.HPopupMenu(h.model, apri), kRecent);
    EXPECT_EQ(h.store.HPopupMenu(h.model, lpt2), 0);

    EXPECT_EQ(h.store.HierarchyPositions(h.model, due).value, (std::vector<int32_t>{1, 2, 2}));
    struct PathCase {
        int32_t start;
        const char* sep;
        int32_t error;
        const char* text;
    };
    for (const PathCase& c : {PathCase{1, " > ", 0, "File > &Apri > due.prl"}, PathCase{2, "/", 0, "&Apri/due.prl"},
                              PathCase{3, "/", 0, "due.prl"}, PathCase{4, "/", 0, ""},
                              PathCase{1, "", 0, "File&Apridue.prl"}, PathCase{0, "/", 9, ""}}) {
        const auto r = h.store.HierarchyPath(h.model, due, c.start, c.sep);
        EXPECT_EQ(r.error, c.error) << c.start;
        EXPECT_EQ(r.value, c.text) << c.start;
    }
    struct IndexCase {
        std::vector<int32_t> positions;
        int32_t index;
    };
    for (const IndexCase& c : {IndexCase{{1}, file}, IndexCase{{1, 2}, apri}, IndexCase{{1, 2, 2}, due},
                               IndexCase{{2, 2}, lpt2}, IndexCase{{3}, help}, IndexCase{{1, 4}, sep},
                               IndexCase{{4}, 0}, IndexCase{{0}, 0}, IndexCase{{2, 4}, 0}, IndexCase{{3, 1}, 0},
                               IndexCase{{}, 0}}) {
        EXPECT_EQ(h.store.IndexForMenuHierarchy(h.model, kBar, c.positions), c.index) << c.positions.size();
    }
    // A parent gone from the list: the walk up ends in error 9, never loops.
    h.store.Item(apri).ItemHandle = 12345;
    EXPECT_EQ(h.store.UltimateParent(due).error, 9);
    EXPECT_EQ(h.store.HierarchyPath(h.model, due, 1, "/").error, 9);
    EXPECT_EQ(h.store.Parent(due), 0);
}

TEST(MenuItemStore, RemovingAPopupTakesItsDescendantsAndKeepsTheRestInOrder) {
    HostMenus h;
    h.store.CreatedPopups() = {{kRecent, kBar}, {555, kBar}};
    h.store.Item(h.Index("LPT1")).Key = "lpt1";
    h.store.SetLastCommandId(40000);
    const int32_t lpt2Before = h.Index("LPT2");
    ASSERT_TRUE(h.store.RemoveItemAt(h.model, h.Index("File")));
    EXPECT_EQ(h.Captions(), (std::vector<std::string>{"Porta LPT", "LPT1", "LPT2", "Indirizzo personalizzato", "?"}));
    EXPECT_EQ(h.Index("LPT2"), lpt2Before - 10);
    // Links are handles: still right after the move.
    EXPECT_EQ(h.store.Parent(h.Index("LPT2")), 1);
    EXPECT_EQ(h.store.ResolveItemIndex(ItemKey::Text("lpt1")), 2);
    EXPECT_EQ(h.model.menus[kBar], (std::vector<int32_t>{kLpt, 2020}));
    EXPECT_EQ(h.model.destroyed, (std::vector<int32_t>{kFile, kRecent}));
    // The destroyed popup leaves the list of created ones, the other stays.
    ASSERT_EQ(h.store.CreatedPopups().size(), 1u);
    EXPECT_EQ(h.store.CreatedPopups()[0].Popup, 555);
    // Highest plain identifier left; menu handles do not count.
    EXPECT_EQ(h.store.LastCommandId(), 2020);
    h.store.DestroyCreatedPopups(h.model, kBar);
    EXPECT_TRUE(h.store.CreatedPopups().empty());
    EXPECT_EQ(h.model.destroyed.back(), 555);
}

TEST(MenuItemStore, RemovingASeparatorOrAnItemNotInAMenu) {
    HostMenus h;
    const int32_t n = h.store.Count();
    // Separators carry identifier 0, the menu bar's parent value: only the one goes.
    ASSERT_TRUE(h.store.RemoveItemAt(h.model, 7));
    EXPECT_EQ(h.store.Count(), n - 1);
    EXPECT_EQ(h.store.Item(1).Caption, "File");
    EXPECT_TRUE(h.model.destroyed.empty());
    // Not in its menu and no descendants: stays, marked, dropped by the next removal.
    h.store.Item(h.Index("LPT1")).OwnerMenu = 0;
    EXPECT_FALSE(h.store.RemoveItemAt(h.model, h.Index("LPT1")));
    EXPECT_EQ(h.store.Count(), n - 1);
    ASSERT_TRUE(h.store.RemoveItemAt(h.model, h.Index("LPT2")));
    EXPECT_EQ(h.store.Count(), n - 3);
    EXPECT_EQ(h.Index("LPT1"), 0);
}

TEST(MenuItemStore, ClearingSubmenusAndKeepingSeenItems) {
    HostMenus h;
    const int32_t idx = h.store.ClearSubMenusOfItem(h.model, h.Index("File"));
    EXPECT_EQ(idx, 1);
    EXPECT_EQ(h.Captions(), (std::vector<std::string>{"File", "Porta LPT", "LPT1", "LPT2", "Indirizzo personalizzato",
                                                      "?"}));
    EXPECT_TRUE(h.model.menus[kFile].empty());
    const int32_t lpt = h.store.ClearSubMenusOfItem(h.model, h.Index("Porta LPT"));
    EXPECT_EQ(lpt, 2);
    EXPECT_EQ(h.store.Count(), 3);

    h.store.ClearSeenMarks();
    h.store.Item(1).SeenMark = h.store.Item(3).SeenMark = true;
    NewItemDetails d;
    d.Caption = "Nuovo\tF3";
    d.Key = "k";
    d.Tag = "t";
    d.IconIndex = 4;
    const auto r = h.store.AppendScannedItem(d, kBar, 2030, 0, 0x8);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(h.store.AppendScannedItem(d, kBar, 2031, 0, 0).error, 457);
    h.store.KeepSeenItems();
    EXPECT_EQ(h.Captions(), (std::vector<std::string>{"File", "?", "Nuovo"}));
    const MenuItemRecord& n = h.store.Item(3);
    EXPECT_EQ(n.CommandId, 2030);
    EXPECT_TRUE(n.Checked);
    EXPECT_TRUE(n.Enabled);
    EXPECT_EQ(n.ShortcutText, "F3");
    EXPECT_EQ(n.Tag, "t");
    EXPECT_EQ(n.IconIndex, 4);
}

TEST(MenuItemStore, SavedListsAreWholeCopies) {
    HostMenus h;
    h.store.Item(3).Tag = "x";
    cStoreMenu saved;
    saved.SetMenuHandle(kBar);
    saved.SaveItems(h.store.Items(), h.store.Count());
    h.store.Item(3).Tag = "changed";
    std::vector<MenuItemRecord> back;
    EXPECT_EQ(saved.LoadItems(back), h.store.Count());
    EXPECT_EQ(back[2].Tag, "x");
    EXPECT_EQ(back[2].Caption, "&Apri");
    saved.SaveItems(h.store.Items(), 0);
    EXPECT_EQ(saved.LoadItems(back), 0);
    EXPECT_TRUE(back.empty());
}

}  // namespace
}  // namespace skarvo
