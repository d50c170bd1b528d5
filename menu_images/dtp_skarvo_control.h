// The DTPSkarvo control class, private to the library: its life cycle and
// properties are in dtp_skarvo.cpp, the item API in dtp_skarvo_items.cpp.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "com/ole_control.h"
#include "menu_images/host_menus.h"
#include "menu_images/list_image_cache.h"
#include "menu_images/menu_item_store.h"
#include "menu_images/nc_metrics.h"
#include "menu_images/skarvo_typelib.h"

namespace skarvo {

class DTPSkarvo final : public com::OleControl<_DTPSkarvo>, public ISupportErrorInfo {
public:
    DTPSkarvo();
    ~DTPSkarvo() override;

    // IUnknown, answering also for the engine's client and the stream persistence.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == IID__DTPSkarvo ? S_OK : S_FALSE;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP InitNew() override;

    // _DTPSkarvo: the item store and item API.
    STDMETHODIMP AddItem(BSTR sCaption, BSTR sKey, BSTR sHelptext, LONG lItemData, LONG lParentIndex,
                         LONG lIconIndex, VARIANT_BOOL bChecked, VARIANT_BOOL bEnabled, LONG* index) override;
    STDMETHODIMP InsertItem(BSTR sCaption, VARIANT vKeyBefore, BSTR sKey, BSTR sHelptext, LONG lItemData,
                            LONG lIconIndex, VARIANT_BOOL bChecked, VARIANT_BOOL bEnabled, LONG* index) override;
    STDMETHODIMP RemoveItem(VARIANT vKey) override;
    STDMETHODIMP ReplaceItem(VARIANT vKey, VARIANT sCaption, VARIANT sHelptext, VARIANT lItemData,
                             VARIANT lIconIndex, VARIANT bChecked, VARIANT bEnabled, LONG* value) override;
    STDMETHODIMP CheckForNewItems() override;
    STDMETHODIMP Clear() override;
    STDMETHODIMP ClearSubMenusOfItem(VARIANT vKey, LONG* index) override;
    STDMETHODIMP EnsureMenuSeparators(LONG_PTR hMenu) override;
    STDMETHODIMP SubClassMenu(VARIANT oForm, VARIANT_BOOL bLeaveTopLevelMenus) override;
    STDMETHODIMP UnsubclassMenu() override;
    STDMETHODIMP get_MenuExists(VARIANT vKey, VARIANT_BOOL* value) override;
    STDMETHODIMP get_MenuIndex(VARIANT vKey, LONG* value) override;

    // Item properties and hierarchy queries.
    STDMETHODIMP get_Caption(VARIANT vKey, BSTR* value) override;
    STDMETHODIMP put_Caption(VARIANT vKey, BSTR value) override;
    STDMETHODIMP get_Checked(VARIANT vKey, VARIANT_BOOL* value) override;
    STDMETHODIMP put_Checked(VARIANT vKey, VARIANT_BOOL value) override;
    STDMETHODIMP get_Enabled(VARIANT vKey, VARIANT_BOOL* value) override;
    STDMETHODIMP put_Enabled(VARIANT vKey, VARIANT_BOOL value) override;
    STDMETHODIMP get_Count(short* value) override;
    STDMETHODIMP get_FirstChild(VARIANT vKey, LONG* value) override;
    STDMETHODIMP GetHierarchyForIndexPosition(VARIANT vKey, SAFEARRAY** lHierarchy) override;
    STDMETHODIMP get_HasChildren(VARIANT vKey, VARIANT* value) override;
    STDMETHODIMP get_HelpText(VARIANT vKey, BSTR* value) override;
    STDMETHODIMP put_HelpText(VARIANT vKey, BSTR value) override;
    STDMETHODIMP get_HierarchyPath(VARIANT vKey, LONG lStartLevel, BSTR sSeparator, BSTR* value) override;
    STDMETHODIMP get_hPopupMenu(VARIANT vKey, LONG_PTR* value) override;
    STDMETHODIMP get_IDForIndex(VARIANT vKey, LONG* value) override;
    STDMETHODIMP get_IndexForMenuHierarchy(SAFEARRAY** lHierarchy, LONG* value) override;
    STDMETHODIMP get_IndexForMenuHierarchyParamArray(SAFEARRAY* vHierarchy, LONG* value) override;
    STDMETHODIMP get_ItemData(VARIANT vKey, LONG* value) override;
    STDMETHODIMP put_ItemData(VARIANT vKey, LONG value) override;
    STDMETHODIMP get_ItemIcon(VARIANT vKey, LONG* value) override;
    STDMETHODIMP put_ItemIcon(VARIANT vKey, LONG value) override;
    STDMETHODIMP get_MenuDefault(VARIANT vKey, VARIANT_BOOL* value) override;
    STDMETHODIMP put_MenuDefault(VARIANT vKey, VARIANT_BOOL value) override;
    STDMETHODIMP get_MenuKey(LONG lIndex, BSTR* value) override;
    STDMETHODIMP put_MenuKey(LONG lIndex, BSTR value) override;
    STDMETHODIMP get_MenuTag(VARIANT vKey, BSTR* value) override;
    STDMETHODIMP put_MenuTag(VARIANT vKey, BSTR value) override;
    STDMETHODIMP get_NextSibling(VARIANT vKey, LONG* value) override;
    STDMETHODIMP get_Parent(VARIANT vKey, LONG* value) override;
    STDMETHODIMP get_SiblingCount(VARIANT vKey, LONG* value) override;
    STDMETHODIMP get_UltimateParent(VARIANT vKey, LONG* value) override;

    // Control properties, popup and window menus.
    STDMETHODIMP GetVersion(LONG* lMajor, LONG* lMinor, LONG* lRevision) override;
    STDMETHODIMP get_HighlightCheckedItems(VARIANT_BOOL* value) override;
    STDMETHODIMP put_HighlightCheckedItems(VARIANT_BOOL value) override;
    STDMETHODIMP get_TickIconIndex(LONG* value) override;
    STDMETHODIMP put_TickIconIndex(LONG value) override;
    STDMETHODIMP put_ImageList(VARIANT* vImageList) override;
    STDMETHODIMP get_MenuItemsPerScreen(LONG* value) override;
    STDMETHODIMP ShowPopupMenu(IDispatch** objTo, VARIANT vKeyParent, float x, float y,
                               CSPShowPopupMenuConstants eOptions, LONG* value) override;
    STDMETHODIMP SystemMenuAppendItem(BSTR sCaption, LONG* value) override;
    STDMETHODIMP get_SystemMenuCaption(LONG lPosition, BSTR* value) override;
    STDMETHODIMP get_SystemMenuCount(LONG* value) override;
    STDMETHODIMP SystemMenuRemoveItem(LONG lPosition) override;
    STDMETHODIMP SystemMenuRestore() override;

    // The engine's client: the host's menu messages (dtp_skarvo_messages.cpp).
    LRESULT HostWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    // The stream persistence.
    HRESULT LoadFromStream(IStream* stream);
    HRESULT SaveToStream(IStream* stream, BOOL clearDirty);
    bool Dirty() const { return dirty_; }

protected:
    HRESULT OnReadProperties(IPropertyBag* bag) override;
    HRESULT OnWriteProperties(IPropertyBag* bag) override;
    void SnapSize(SIZE& pixels) override;
    void OnDraw(HDC dc, const RECT& bounds) override;
    void OnShow() override;

private:
    class SubclassClient;
    class StreamPersistence;

    // Start at run time: once the properties are known and the control is sited.
    void Start();
    void AttachHostMessages();
    void DetachHostMessages();
    void RefreshMetrics();
    _ISubclass* Client();

    // Owner-draw measuring and painting (dtp_skarvo_paint.cpp).
    void MeasureMenuItem(int32_t id, UINT& width, UINT& height);
    void DrawMenuItem(const DRAWITEMSTRUCT& record);
    // The caption's place in `rect`: centred in the cell, past the icon column.
    void PlaceItemText(HDC dc, int32_t index, bool onMenuBar, RECT& rect) const;
    // The caption at `rect` (two pixels in), the shortcut text at its column.
    void DrawItemText(HDC dc, int32_t index, RECT& rect) const;
    // The parts of DrawMenuItem, in the order they paint.
    struct ItemPaint;
    void DrawSeparator(const ItemPaint& p) const;
    void DrawEmbossedText(const ItemPaint& p) const;
    void DrawItemFace(const ItemPaint& p) const;
    void DrawImageCell(const ItemPaint& p);
    void DrawCheckMark(const ItemPaint& p, int x);
    void FillCheckCell(const ItemPaint& p) const;

    // The host's menu messages and the events they raise (dtp_skarvo_messages.cpp).
    // Each returns false when an event handler raised an error: the message's
    // handling ends there.
    bool SettingChange();
    bool FindCommandItem(int32_t id);
    bool IsOwnSystemCommand(uint32_t command) const;
    bool HandleInitPopup(int32_t popup);
    bool HandleMenuSelect(int32_t id);
    bool RaiseMenuExit();
    long HandleMenuChar(int32_t menu, uint32_t code);
    bool MdiSetMenu(int32_t newBar);
    bool RaiseClick(int32_t index);
    bool RaiseItemNumber(DISPID event, long number);

    // Errors of the item API, with the library's name as the source.
    HRESULT ItemError(int32_t number, const char* sourceSuffix = "");
    template <class T>
    HRESULT Fail(const ItemResult<T>& r) {
        return ItemError(r.error, r.sourceSuffix);
    }
    // MenuIndex: the index of vKey, or error 9.
    HRESULT Resolve(const VARIANT& vKey, int32_t& index);
    // `body(index)` for the item vKey names, or error 9 without it.
    template <class Body>
    HRESULT WithItem(const VARIANT& vKey, Body&& body) {
        int32_t index = 0;
        const HRESULT hr = Resolve(vKey, index);
        return FAILED(hr) ? hr : body(index);
    }
    // A property of the item vKey names: `read(index)` into *value.
    template <class T, class Read>
    HRESULT ReadItem(const VARIANT& vKey, T* value, Read&& read) {
        if (!value) return E_POINTER;
        return WithItem(vKey, [&](int32_t index) {
            *value = read(index);
            return S_OK;
        });
    }

    HMENU HostMenuBar() const { return host_ ? GetMenu(host_) : nullptr; }
    void CreateMenuEntry(int32_t index);
    void WalkHostMenu(HMENU menu, int32_t parentHandle, bool leave);
    void AddHostMenuItem(HMENU menu, int position, int32_t parentHandle, bool leave);
    void MakeOwnerDrawn(HMENU menu, int position, int32_t index, bool popup);
    HRESULT ScanForNewItems(HMENU menu, int32_t parentHandle);
    void ReplaceItemAt(int32_t index, const ItemChanges& changes);
    void SetItemState(int32_t index, StateChange change);
    // Checked or Enabled of the item vKey names, as its menu has it now, and set.
    HRESULT GetStateFlag(VARIANT vKey, VARIANT_BOOL* value, bool MenuItemRecord::*flag, bool (*fromState)(uint32_t));
    HRESULT PutStateFlag(VARIANT vKey, VARIANT_BOOL value, bool MenuItemRecord::*flag, StateChange (*change)(bool));

    MenuItemStore store_;
    PlatformMenus menus_;
    HWND host_ = nullptr;
    HWND mdiClient_ = nullptr;
    int32_t menuBar_ = 0;
    bool leaveTopLevelMenus_ = false;
    std::vector<cStoreMenu> storedMenus_;

    bool loaded_ = false;
    bool sited_ = false;
    bool started_ = false;
    bool attached_ = false;
    bool dirty_ = false;

    long cellSize_ = 19;
    long iconSize_ = 16;
    HIMAGELIST imageList_ = nullptr;
    // The list's pictures as last drawn, checked against the list at each use.
    ListImageCache imageCache_;
    long tickIconIndex_ = 0;
    bool highlightCheckedItems_ = false;
    long nextSystemCommandId_ = 8192;

    std::unique_ptr<cNCMetrics> metrics_;
    std::unique_ptr<com::MemoryDC> menuTextDC_;
    HGDIOBJ rememberedFont_ = nullptr;
    com::GdiObject<HBITMAP> checkPatternBitmap_;
    // Selected into MenuTextDC while the form is designed, and the bitmap it replaced.
    com::GdiObject<HBITMAP> designBitmap_;
    HGDIOBJ replacedBitmap_ = nullptr;

    std::unique_ptr<SubclassClient> client_;
    std::unique_ptr<StreamPersistence> stream_;
};

}  // namespace skarvo
