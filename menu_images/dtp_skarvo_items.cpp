// DTPSkarvo's item API on the host's real menus: reading them into the
// store (SubClassMenu, CheckForNewItems), adding, inserting, replacing and
// removing items, and each item's properties and place in the tree. The
// store decides; this file reads and changes the menus.
#include "com/variant.h"
#include "com/text.h"
#include "menu_images/dtp_skarvo_control.h"
#include "menu_images/host_form.h"
#include "menu_images/msubclass.h"
#include "menu_images/skarvo_ids.h"

namespace skarvo {
namespace {

constexpr UINT kMdiSetMenu = 560;

LPCSTR DataOf(int32_t value) { return reinterpret_cast<LPCSTR>(static_cast<intptr_t>(value)); }
UINT_PTR IdOf(int32_t value) { return static_cast<UINT_PTR>(static_cast<uint32_t>(value)); }

// vKey: a number (or a Boolean or empty, which read as numbers) is an
// index; text, and anything else as text, is a key.
ItemKey KeyOf(const VARIANT& vKey) {
    com::Variant plain;
    if (FAILED(VariantCopyInd(plain.Get(), const_cast<VARIANT*>(&vKey)))) return ItemKey::Text("");
    switch (plain.Type()) {
    case VT_BSTR: return ItemKey::Text(com::BstrToAnsi(plain.Ref().bstrVal));
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT: case VT_UI1: case VT_UI2: case VT_UI4:
    case VT_UI8: case VT_UINT: case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL: case VT_BOOL:
    case VT_EMPTY: case VT_DATE: {
        com::Variant number;
        if (SUCCEEDED(plain.ConvertTo(VT_R8, number))) return ItemKey::Number(number.Ref().dblVal);
        return ItemKey::Text("");
    }
    default: {
        std::wstring text;
        plain.ToString(text);
        return ItemKey::Text(com::WideToAnsi(text));
    }
    }
}

// An optional argument the caller left out.
bool Missing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

NewItemDetails Details(BSTR caption, BSTR key, BSTR helpText, LONG itemData, LONG iconIndex, VARIANT_BOOL checked,
                       VARIANT_BOOL enabled) {
    NewItemDetails d;
    d.Caption = com::BstrToAnsi(caption);
    d.Key = com::BstrToAnsi(key);
    d.HelpText = com::BstrToAnsi(helpText);
    d.ItemData = itemData;
    d.IconIndex = iconIndex;
    d.Checked = checked != 0;
    d.Enabled = enabled != 0;
    return d;
}

HRESULT NewLongArray(const std::vector<int32_t>& values, SAFEARRAY** out) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), 1};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 1, &bound);
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = i + 1;
        LONG v = values[static_cast<size_t>(i)];
        SafeArrayPutElement(array, &index, &v);
    }
    *out = array;
    return S_OK;
}

// The elements of a one-dimensional array, lower to upper bound, as numbers.
bool ArrayNumbers(SAFEARRAY* array, std::vector<int32_t>& out) {
    if (!array || SafeArrayGetDim(array) != 1) return false;
    VARTYPE vt = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &vt))) return false;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        com::Variant element;
        if (vt == VT_VARIANT) {
            if (FAILED(SafeArrayGetElement(array, &i, element.Get()))) return false;
        } else {
            VARIANT* slot = element.Get();
            union {
                LONG l;
                SHORT s;
                double d;
                BYTE b;
            } value = {};
            if (FAILED(SafeArrayGetElement(array, &i, &value))) return false;
            switch (vt) {
            case VT_I4: slot->vt = VT_I4; slot->lVal = value.l; break;
            case VT_I2: slot->vt = VT_I2; slot->iVal = value.s; break;
            case VT_R8: slot->vt = VT_R8; slot->dblVal = value.d; break;
            case VT_UI1: slot->vt = VT_UI1; slot->bVal = value.b; break;
            default: return false;
            }
        }
        long n = 0;
        if (FAILED(element.ToLong(n))) return false;
        out.push_back(static_cast<int32_t>(n));
    }
    return true;
}

}  // namespace

HRESULT DTPSkarvo::Resolve(const VARIANT& vKey, int32_t& index) {
    const auto r = store_.MenuIndex(KeyOf(vKey));
    if (!r.ok()) return Fail(r);
    index = r.value;
    return S_OK;
}

// ---- Putting items into the menus -------------------------------------

void DTPSkarvo::MakeOwnerDrawn(HMENU menu, int position, int32_t index, bool popup) {
    const MenuItemRecord& item = store_.Item(index);
    UINT flags = ItemMenuFlags(item) | MF_OWNERDRAW | MF_BYPOSITION;
    if (popup) flags |= MF_POPUP;
    ModifyMenuA(menu, static_cast<UINT>(position), flags, IdOf(item.ItemHandle), DataOf(item.ItemHandle));
}

// The item just appended gets its entry: on the menu bar, or in its
// parent's submenu, made here when the parent had none.
void DTPSkarvo::CreateMenuEntry(int32_t index) {
    HMENU target = nullptr;
    const int32_t parentHandle = store_.Item(index).ParentHandle;
    if (parentHandle != 0) {
        const int32_t p = store_.IndexForHandle(parentHandle);
        if (p == 0) return;
        int32_t sub = menus_.SubMenuOf(store_.Item(p).OwnerMenu, store_.Item(p).ItemHandle);
        if (sub == 0) {
            com::Menu popup(CreatePopupMenu());
            if (!popup) return;
            MenuItemRecord& parent = store_.Item(p);
            const UINT flags = ((ItemMenuFlags(parent) & ~menu_flags::kByPosition) | MF_POPUP | MF_OWNERDRAW);
            if (!ModifyMenuA(MenuFromHandle(parent.OwnerMenu), IdOf(parent.ItemHandle), flags | MF_BYCOMMAND,
                             reinterpret_cast<UINT_PTR>(popup.Get()), DataOf(parent.ItemHandle)))
                return;
            // The parent's menu holds the popup now; the control destroys it
            // when it unsubclasses the menu or ends.
            sub = HandleOfMenu(popup.Release());
            store_.CreatedPopups().push_back(CreatedPopup{sub, menuBar_});
            parent.ItemHandle = sub;
            store_.Item(index).ParentHandle = sub;
        }
        target = MenuFromHandle(sub);
    } else {
        target = HostMenuBar();
    }
    MenuItemRecord& item = store_.Item(index);
    if (AppendMenuA(target, ItemMenuFlags(item) | MF_OWNERDRAW | MF_BYPOSITION, IdOf(item.CommandId),
                    DataOf(item.CommandId)))
        item.OwnerMenu = HandleOfMenu(target);
    if (item.ParentHandle == 0 && host_) DrawMenuBar(host_);
}

STDMETHODIMP DTPSkarvo::AddItem(BSTR sCaption, BSTR sKey, BSTR sHelptext, LONG lItemData, LONG lParentIndex,
                                LONG lIconIndex, VARIANT_BOOL bChecked, VARIANT_BOOL bEnabled, LONG* index) {
    if (!index) return E_POINTER;
    *index = 0;
    const auto r =
        store_.AppendNewItem(Details(sCaption, sKey, sHelptext, lItemData, lIconIndex, bChecked, bEnabled), lParentIndex);
    if (!r.ok()) return Fail(r);
    CreateMenuEntry(r.value);
    *index = r.value;
    return S_OK;
}

STDMETHODIMP DTPSkarvo::InsertItem(BSTR sCaption, VARIANT vKeyBefore, BSTR sKey, BSTR sHelptext, LONG lItemData,
                                   LONG lIconIndex, VARIANT_BOOL bChecked, VARIANT_BOOL bEnabled, LONG* index) {
    if (!index) return E_POINTER;
    *index = 0;
    int32_t before = 0;
    const auto r = store_.AppendItemBefore(Details(sCaption, sKey, sHelptext, lItemData, lIconIndex, bChecked, bEnabled),
                                           KeyOf(vKeyBefore), before);
    if (!r.ok()) return Fail(r);
    const MenuItemRecord& b = store_.Item(before);
    HMENU target = b.ParentHandle != 0 ? MenuFromHandle(b.OwnerMenu) : HostMenuBar();
    const int32_t position = store_.ItemPosition(menus_, b.OwnerMenu, before);
    MenuItemRecord& item = store_.Item(r.value);
    if (InsertMenuA(target, static_cast<UINT>(position - 1), ItemMenuFlags(item) | MF_OWNERDRAW | MF_BYPOSITION,
                    IdOf(item.CommandId), DataOf(item.CommandId)))
        item.OwnerMenu = HandleOfMenu(target);
    *index = r.value;
    return S_OK;
}

STDMETHODIMP DTPSkarvo::RemoveItem(VARIANT vKey) {
    return WithItem(vKey, [&](int32_t i) {
        store_.RemoveItemAt(menus_, i);
        return S_OK;
    });
}

// The item leaves its menu and comes back at the same place, so that the
// system measures it again.
void DTPSkarvo::ReplaceItemAt(int32_t i, const ItemChanges& changes) {
    store_.ApplyChanges(i, changes);
    const MenuItemRecord& item = store_.Item(i);
    const HMENU owner = MenuFromHandle(item.OwnerMenu);
    const int32_t position = store_.ItemPosition(menus_, item.OwnerMenu, i);
    const int32_t sub = menus_.SubMenuOf(item.OwnerMenu, item.ItemHandle);
    RemoveMenu(owner, IdOf(item.ItemHandle), MF_BYCOMMAND);
    const UINT flags = ItemMenuFlags(item) | MF_OWNERDRAW;
    InsertMenuA(owner, static_cast<UINT>(position - 1), flags | MF_BYPOSITION, IdOf(item.CommandId),
                DataOf(item.CommandId));
    if (sub != 0)
        ModifyMenuA(owner, IdOf(item.CommandId), flags | MF_POPUP | MF_BYCOMMAND, IdOf(sub), DataOf(item.ItemHandle));
    if (host_ && owner == HostMenuBar()) DrawMenuBar(host_);
}

STDMETHODIMP DTPSkarvo::ReplaceItem(VARIANT vKey, VARIANT sCaption, VARIANT sHelptext, VARIANT lItemData,
                                    VARIANT lIconIndex, VARIANT bChecked, VARIANT bEnabled, LONG* value) {
    if (!value) return E_POINTER;
    *value = 0;
    int32_t i = 0;
    HRESULT hr = Resolve(vKey, i);
    if (FAILED(hr)) return hr;
    // Every present argument is converted before anything changes.
    ItemChanges changes;
    std::wstring text;
    long number = 0;
    bool flag = false;
    if (!Missing(sCaption)) {
        if (FAILED(hr = com::Variant(sCaption).ToString(text))) return hr;
        changes.Caption = com::WideToAnsi(text);
    }
    if (!Missing(sHelptext)) {
        if (FAILED(hr = com::Variant(sHelptext).ToString(text))) return hr;
        changes.HelpText = com::WideToAnsi(text);
    }
    if (!Missing(lItemData)) {
        if (FAILED(hr = com::Variant(lItemData).ToLong(number))) return hr;
        changes.ItemData = static_cast<int32_t>(number);
    }
    if (!Missing(lIconIndex)) {
        if (FAILED(hr = com::Variant(lIconIndex).ToLong(number))) return hr;
        changes.IconIndex = static_cast<int32_t>(number);
    }
    if (!Missing(bChecked)) {
        if (FAILED(hr = com::Variant(bChecked).ToBool(flag))) return hr;
        changes.Checked = flag;
    }
    if (!Missing(bEnabled)) {
        if (FAILED(hr = com::Variant(bEnabled).ToBool(flag))) return hr;
        changes.Enabled = flag;
    }
    ReplaceItemAt(i, changes);
    return S_OK;
}

// ---- Reading the host's menus ------------------------------------------

void DTPSkarvo::AddHostMenuItem(HMENU menu, int position, int32_t parentHandle, bool leave) {
    const MenuItemRead read = FullRead(menu, static_cast<UINT>(position - 1));
    // The system knows an item with a submenu by the submenu's handle.
    const int32_t identifier = read.subMenu ? read.subMenu : read.identifier;
    const int32_t index = store_.AppendHostItem(HandleOfMenu(menu), identifier, parentHandle, read.state, read.type,
                                                read.text);
    if (parentHandle == 0 && leave) return;
    MakeOwnerDrawn(menu, position - 1, index, read.subMenu != 0);
}

void DTPSkarvo::WalkHostMenu(HMENU menu, int32_t parentHandle, bool leave) {
    const int count = GetMenuItemCount(menu);
    for (int i = 1; i <= count; ++i) {
        AddHostMenuItem(menu, i, parentHandle, leave);
        if (HMENU sub = GetSubMenu(menu, i - 1)) WalkHostMenu(sub, HandleOfMenu(sub), leave);
    }
}

STDMETHODIMP DTPSkarvo::SubClassMenu(VARIANT oForm, VARIANT_BOOL bLeaveTopLevelMenus) {
    store_.Clear();
    leaveTopLevelMenus_ = bLeaveTopLevelMenus != 0;
    if (!host_) return S_OK;
    std::vector<MenuControlInfo> controls;
    com::Variant form;
    if (SUCCEEDED(VariantCopyInd(form.Get(), &oForm)) && form.Type() == VT_DISPATCH && form.Ref().pdispVal)
        controls = ReadMenuControls(form.Ref().pdispVal);
    WalkHostMenu(HostMenuBar(), 0, leaveTopLevelMenus_);
    if (!controls.empty()) store_.PairWithMenuControls(controls);
    if (!mdiClient_) {
        if (HWND client = MdiClientOf(host_)) {
            mdiClient_ = client;
            menuBar_ = HandleOfMenu(HostMenuBar());
            MSubclass::AttachMessage(Client(), mdiClient_, kMdiSetMenu);
        }
    }
    DrawMenuBar(host_);
    return S_OK;
}

HRESULT DTPSkarvo::ScanForNewItems(HMENU menu, int32_t parentHandle) {
    // A request starts from the answers of the previous one in the same menu.
    long itemData = 0;
    std::string helpText, tag;
    const int count = GetMenuItemCount(menu);
    for (int b = 1; b <= count; ++b) {
        const int32_t identifier = menus_.ItemIdAt(HandleOfMenu(menu), b - 1);
        HMENU sub = GetSubMenu(menu, b - 1);
        const int32_t known = store_.IndexForHandle(identifier);
        if (known != 0) {
            store_.Item(known).SeenMark = true;
        } else {
            const MenuItemRead read = FullRead(menu, static_cast<UINT>(b - 1));
            const std::string text = (read.type & MF_SEPARATOR) ? std::string("-") : read.text;
            com::Bstr caption, key, help, itemTag;
            *caption.Out() = com::AnsiToBstr(text);
            *key.Out() = SysAllocString(L"");
            *help.Out() = com::AnsiToBstr(helpText);
            *itemTag.Out() = com::AnsiToBstr(tag);
            long icon = -1;
            BSTR captionRef = caption.Detach(), keyRef = key.Detach(), helpRef = help.Detach(), tagRef = itemTag.Detach();
            {
                // Arguments last first: sTag, sHelptext, lItemData, iIcon, sKey, sCaption.
                VARIANT args[6];
                args[0].vt = VT_BSTR | VT_BYREF; args[0].pbstrVal = &tagRef;
                args[1].vt = VT_BSTR | VT_BYREF; args[1].pbstrVal = &helpRef;
                args[2].vt = VT_I4 | VT_BYREF; args[2].plVal = &itemData;
                args[3].vt = VT_I4 | VT_BYREF; args[3].plVal = &icon;
                args[4].vt = VT_BSTR | VT_BYREF; args[4].pbstrVal = &keyRef;
                args[5].vt = VT_BSTR | VT_BYREF; args[5].pbstrVal = &captionRef;
                FireEvent(kEventRequestNewMenuDetails, args, 6);
            }
            *caption.Out() = captionRef;
            *key.Out() = keyRef;
            *help.Out() = helpRef;
            *itemTag.Out() = tagRef;
            helpText = com::BstrToAnsi(help.Get());
            tag = com::BstrToAnsi(itemTag.Get());
            NewItemDetails details;
            details.Caption = com::BstrToAnsi(caption.Get());
            details.Key = com::BstrToAnsi(key.Get());
            details.HelpText = helpText;
            details.ItemData = itemData;
            details.IconIndex = icon;
            details.Tag = tag;
            const auto r = store_.AppendScannedItem(details, HandleOfMenu(menu), identifier, parentHandle, read.state);
            if (!r.ok()) return Fail(r);
            if (!(menu == HostMenuBar() && leaveTopLevelMenus_)) MakeOwnerDrawn(menu, b - 1, r.value, sub != nullptr);
        }
        if (sub) {
            const HRESULT hr = ScanForNewItems(sub, HandleOfMenu(sub));
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

STDMETHODIMP DTPSkarvo::CheckForNewItems() {
    store_.ClearSeenMarks();
    const HRESULT hr = ScanForNewItems(HostMenuBar(), 0);
    if (FAILED(hr)) return hr;
    store_.KeepSeenItems();
    return S_OK;
}

STDMETHODIMP DTPSkarvo::ClearSubMenusOfItem(VARIANT vKey, LONG* index) {
    if (!index) return E_POINTER;
    *index = 0;
    int32_t i = 0;
    HRESULT hr = Resolve(vKey, i);
    if (FAILED(hr)) return hr;
    *index = store_.ClearSubMenusOfItem(menus_, i);
    return S_OK;
}

STDMETHODIMP DTPSkarvo::Clear() {
    store_.Clear();
    return S_OK;
}

STDMETHODIMP DTPSkarvo::UnsubclassMenu() {
    store_.DestroyCreatedPopups(menus_, menuBar_);
    return S_OK;
}

STDMETHODIMP DTPSkarvo::EnsureMenuSeparators(LONG_PTR hMenu) {
    GetMenuItemCount(reinterpret_cast<HMENU>(hMenu));
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_MenuExists(VARIANT vKey, VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = com::ToVariantBool(store_.MenuExists(KeyOf(vKey)));
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_MenuIndex(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return i; });
}

// ---- Item properties ---------------------------------------------------

void DTPSkarvo::SetItemState(int32_t i, StateChange change) {
    const MenuItemRecord& item = store_.Item(i);
    const bool hasSub = menus_.SubMenuOf(item.OwnerMenu, item.ItemHandle) != 0;
    const UINT flags = SetItemStateFlags(item, hasSub, change);
    ModifyMenuA(MenuFromHandle(item.OwnerMenu), IdOf(item.ItemHandle), flags | MF_BYCOMMAND, IdOf(item.ItemHandle),
                DataOf(item.ItemHandle));
}

STDMETHODIMP DTPSkarvo::get_Caption(VARIANT vKey, BSTR* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return com::AnsiToBstr(store_.Item(i).Caption); });
}

// The popup's width and shortcut column depend on all its captions, so
// every item of the same menu is measured again.
STDMETHODIMP DTPSkarvo::put_Caption(VARIANT vKey, BSTR value) {
    return WithItem(vKey, [&](int32_t i) {
        ItemChanges changes;
        changes.Caption = com::BstrToAnsi(value);
        ReplaceItemAt(i, changes);
        const int32_t owner = store_.Item(i).OwnerMenu;
        for (int32_t k = 1; k <= store_.Count(); ++k)
            if (k != i && store_.Item(k).OwnerMenu == owner) ReplaceItemAt(k, ItemChanges{});
        return S_OK;
    });
}

// Checked and Enabled are read from the menu itself, since the host may
// have changed them there; the record follows what was read.
HRESULT DTPSkarvo::GetStateFlag(VARIANT vKey, VARIANT_BOOL* value, bool MenuItemRecord::*flag,
                                bool (*fromState)(uint32_t)) {
    if (!value) return E_POINTER;
    return WithItem(vKey, [&](int32_t i) {
        MenuItemRecord& item = store_.Item(i);
        item.*flag = fromState(StateByCommand(MenuFromHandle(item.OwnerMenu), IdOf(item.ItemHandle)));
        *value = com::ToVariantBool(item.*flag);
        return S_OK;
    });
}

HRESULT DTPSkarvo::PutStateFlag(VARIANT vKey, VARIANT_BOOL value, bool MenuItemRecord::*flag,
                                StateChange (*change)(bool)) {
    return WithItem(vKey, [&](int32_t i) {
        store_.Item(i).*flag = value != 0;
        SetItemState(i, change(value != 0));
        return S_OK;
    });
}

STDMETHODIMP DTPSkarvo::get_Checked(VARIANT vKey, VARIANT_BOOL* value) {
    return GetStateFlag(vKey, value, &MenuItemRecord::Checked, CheckedFromState);
}
STDMETHODIMP DTPSkarvo::put_Checked(VARIANT vKey, VARIANT_BOOL value) {
    return PutStateFlag(vKey, value, &MenuItemRecord::Checked, CheckedChange);
}
STDMETHODIMP DTPSkarvo::get_Enabled(VARIANT vKey, VARIANT_BOOL* value) {
    return GetStateFlag(vKey, value, &MenuItemRecord::Enabled, EnabledFromState);
}
STDMETHODIMP DTPSkarvo::put_Enabled(VARIANT vKey, VARIANT_BOOL value) {
    return PutStateFlag(vKey, value, &MenuItemRecord::Enabled, EnabledChange);
}

STDMETHODIMP DTPSkarvo::get_Count(short* value) {
    if (!value) return E_POINTER;
    const auto r = store_.CountInteger();
    if (!r.ok()) return Fail(r);
    *value = r.value;
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_FirstChild(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.FirstChild(i); });
}

STDMETHODIMP DTPSkarvo::get_NextSibling(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.NextSibling(i); });
}

STDMETHODIMP DTPSkarvo::get_Parent(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.Parent(i); });
}

STDMETHODIMP DTPSkarvo::get_SiblingCount(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.SiblingCount(i); });
}

STDMETHODIMP DTPSkarvo::get_IDForIndex(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.Item(i).ItemHandle; });
}

STDMETHODIMP DTPSkarvo::get_hPopupMenu(VARIANT vKey, LONG_PTR* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.HPopupMenu(menus_, i); });
}

STDMETHODIMP DTPSkarvo::get_ItemData(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.Item(i).ItemData; });
}

STDMETHODIMP DTPSkarvo::get_ItemIcon(VARIANT vKey, LONG* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return store_.Item(i).IconIndex; });
}

STDMETHODIMP DTPSkarvo::get_UltimateParent(VARIANT vKey, LONG* value) {
    if (!value) return E_POINTER;
    return WithItem(vKey, [&](int32_t i) {
        const auto r = store_.UltimateParent(i);
        if (!r.ok()) return Fail(r);
        *value = r.value;
        return S_OK;
    });
}

STDMETHODIMP DTPSkarvo::get_HasChildren(VARIANT vKey, VARIANT* value) {
    if (!value) return E_POINTER;
    return WithItem(vKey, [&](int32_t i) {
        VariantInit(value);
        value->vt = VT_BOOL;
        value->boolVal = com::ToVariantBool(store_.HasChildren(i));
        return S_OK;
    });
}

STDMETHODIMP DTPSkarvo::GetHierarchyForIndexPosition(VARIANT vKey, SAFEARRAY** lHierarchy) {
    if (!lHierarchy) return E_POINTER;
    return WithItem(vKey, [&](int32_t i) {
        const auto r = store_.HierarchyPositions(menus_, i);
        if (!r.ok()) return Fail(r);
        SAFEARRAY* filled = nullptr;
        const HRESULT hr = NewLongArray(r.value, &filled);
        if (FAILED(hr)) return hr;
        if (*lHierarchy) SafeArrayDestroy(*lHierarchy);
        *lHierarchy = filled;
        return S_OK;
    });
}

STDMETHODIMP DTPSkarvo::get_HierarchyPath(VARIANT vKey, LONG lStartLevel, BSTR sSeparator, BSTR* value) {
    if (!value) return E_POINTER;
    return WithItem(vKey, [&](int32_t i) {
        const auto r = store_.HierarchyPath(menus_, i, lStartLevel, com::BstrToAnsi(sSeparator));
        if (!r.ok()) return Fail(r);
        *value = com::AnsiToBstr(r.value);
        return S_OK;
    });
}

STDMETHODIMP DTPSkarvo::get_IndexForMenuHierarchy(SAFEARRAY** lHierarchy, LONG* value) {
    if (!value) return E_POINTER;
    *value = 0;
    std::vector<int32_t> positions;
    if (!lHierarchy || !ArrayNumbers(*lHierarchy, positions)) return DISP_E_TYPEMISMATCH;
    *value = store_.IndexForMenuHierarchy(menus_, HandleOfMenu(HostMenuBar()), positions);
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_IndexForMenuHierarchyParamArray(SAFEARRAY* vHierarchy, LONG* value) {
    if (!value) return E_POINTER;
    *value = 0;
    std::vector<int32_t> positions;
    if (vHierarchy && !ArrayNumbers(vHierarchy, positions)) return DISP_E_TYPEMISMATCH;
    *value = store_.IndexForMenuHierarchy(menus_, HandleOfMenu(HostMenuBar()), positions);
    return S_OK;
}

// ItemIcon let reports its own errors with two message boxes, the step
// that failed and the item asked for, and goes on.
STDMETHODIMP DTPSkarvo::put_ItemIcon(VARIANT vKey, LONG value) {
    const int32_t index = store_.ResolveItemIndex(KeyOf(vKey));
    if (index < 1) {
        MessageBoxA(nullptr, "Errore alla riga 1", "Errore", MB_ICONEXCLAMATION);
        std::wstring keyText;
        com::Variant(vKey).ToString(keyText);
        const std::string second = "lindex=0 vKey=" + com::WideToAnsi(keyText);
        MessageBoxA(nullptr, second.c_str(), "Errore", MB_ICONEXCLAMATION);
        return S_OK;
    }
    store_.Item(index).IconIndex = value;
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_HelpText(VARIANT vKey, BSTR* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return com::AnsiToBstr(store_.Item(i).HelpText); });
}
STDMETHODIMP DTPSkarvo::put_HelpText(VARIANT vKey, BSTR value) {
    return WithItem(vKey, [&](int32_t i) {
        store_.Item(i).HelpText = com::BstrToAnsi(value);
        return S_OK;
    });
}
STDMETHODIMP DTPSkarvo::put_ItemData(VARIANT vKey, LONG value) {
    return WithItem(vKey, [&](int32_t i) {
        store_.Item(i).ItemData = value;
        return S_OK;
    });
}
STDMETHODIMP DTPSkarvo::get_MenuTag(VARIANT vKey, BSTR* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return com::AnsiToBstr(store_.Item(i).Tag); });
}
STDMETHODIMP DTPSkarvo::put_MenuTag(VARIANT vKey, BSTR value) {
    return WithItem(vKey, [&](int32_t i) {
        store_.Item(i).Tag = com::BstrToAnsi(value);
        return S_OK;
    });
}
STDMETHODIMP DTPSkarvo::get_MenuDefault(VARIANT vKey, VARIANT_BOOL* value) {
    return ReadItem(vKey, value, [&](int32_t i) { return com::ToVariantBool(store_.Item(i).IsDefault); });
}
STDMETHODIMP DTPSkarvo::put_MenuDefault(VARIANT vKey, VARIANT_BOOL value) {
    return WithItem(vKey, [&](int32_t i) {
        store_.Item(i).IsDefault = value != 0;
        return S_OK;
    });
}

STDMETHODIMP DTPSkarvo::get_MenuKey(LONG lIndex, BSTR* value) {
    if (!value) return E_POINTER;
    const auto r = store_.CheckIndex(lIndex);
    if (!r.ok()) return Fail(r);
    *value = com::AnsiToBstr(store_.Item(r.value).Key);
    return S_OK;
}
STDMETHODIMP DTPSkarvo::put_MenuKey(LONG lIndex, BSTR value) {
    const auto r = store_.CheckIndex(lIndex);
    if (!r.ok()) return Fail(r);
    const auto key = store_.CheckNewKey(com::BstrToAnsi(value), r.value);
    if (!key.ok()) return Fail(key);
    store_.Item(r.value).Key = key.value;
    return S_OK;
}

}  // namespace skarvo
