// DTPSkarvo's life cycle, persistence and control properties. The control
// starts at run time as soon as it knows its properties (from a bag, a
// stream, or as a new control) and its site: the host window is the site's
// window, or that window's top-level ancestor when it is a child without a
// menu; from then on the control watches the host's menu messages.
#include "menu_images/dtp_skarvo.h"

#include <cmath>

#include "com/automation_error.h"
#include "com/property_bag.h"
#include "com/screen_units.h"
#include "com/text.h"
#include "menu_images/dtp_skarvo_control.h"
#include "menu_images/gsubclass.h"
#include "menu_images/host_form.h"
#include "menu_images/m_declares.h"
#include "menu_images/msubclass.h"
#include "menu_images/skarvo_ids.h"

namespace skarvo {
namespace {

const com::ControlClassInfo kClassInfo = {CLSID_DTPSkarvo, IID__DTPSkarvo, DIID___DTPSkarvo, "DTPSkarvoWindow"};

// The host messages the control watches, in the order it registers them:
// menu select, measure item, draw item, command, menu char, system command,
// init menu popup, setting change.
constexpr UINT kHostMessages[] = {287, 44, 43, 273, 288, 274, 279, 26};
constexpr UINT kMdiSetMenu = 560;

constexpr long kControlPixels = 30;
constexpr int kCheckPatternResource = 49;
constexpr int kDesignResource = 48;

// The record a stream holds: a version, then the two stored properties.
struct StreamRecord {
    DWORD version;
    LONG tickIconIndex;
    LONG highlightCheckedItems;
};
constexpr DWORD kStreamVersion = 1;

}  // namespace

// The engine's client: every registered message reaches the control after
// the window's previous procedure has run.
class DTPSkarvo::SubclassClient final : public com::DispatchOver<_ISubclass> {
public:
    explicit SubclassClient(DTPSkarvo& owner) : DispatchOver(IID__ISubclass), owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner_.QueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }
    STDMETHODIMP get_MsgResponse(EMsgResponse* response) override {
        if (!response) return E_POINTER;
        *response = emrPreprocess;
        return S_OK;
    }
    STDMETHODIMP put_MsgResponse(EMsgResponse) override { return S_OK; }
    STDMETHODIMP WindowProc(LONG hwnd, LONG iMsg, LONG_PTR wParam, LONG_PTR lParam, LONG_PTR* result) override {
        if (!result) return E_POINTER;
        *result = owner_.HostWindowProc(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd)),
                                        static_cast<UINT>(iMsg), static_cast<WPARAM>(wParam),
                                        static_cast<LPARAM>(lParam));
        return S_OK;
    }

private:
    DTPSkarvo& owner_;
};

// IPersistStreamInit: containers that keep a control's properties in a
// stream, or that only initialise it new, start it the same way.
class DTPSkarvo::StreamPersistence final : public IPersistStreamInit {
public:
    explicit StreamPersistence(DTPSkarvo& owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner_.QueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }
    STDMETHODIMP GetClassID(CLSID* out) override { return owner_.GetClassID(out); }
    STDMETHODIMP IsDirty() override { return owner_.Dirty() ? S_OK : S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override { return owner_.LoadFromStream(stream); }
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override { return owner_.SaveToStream(stream, clearDirty); }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
        if (!size) return E_POINTER;
        size->QuadPart = sizeof(StreamRecord);
        return S_OK;
    }
    STDMETHODIMP InitNew() override { return owner_.InitNew(); }

private:
    DTPSkarvo& owner_;
};

DTPSkarvo::DTPSkarvo()
    : OleControl(kClassInfo),
      metrics_(std::make_unique<cNCMetrics>()),
      client_(std::make_unique<SubclassClient>(*this)),
      stream_(std::make_unique<StreamPersistence>(*this)) {}

// Terminate: the list goes, the popups the control made are destroyed, the
// host's messages are released and the drawing objects deleted.
DTPSkarvo::~DTPSkarvo() {
    store_.Clear();
    store_.DestroyCreatedPopups(menus_, 0);
    DetachHostMessages();
    if (menuTextDC_) {
        if (designBitmap_) SelectObject(menuTextDC_->Get(), replacedBitmap_);
        if (rememberedFont_) SelectObject(menuTextDC_->Get(), rememberedFont_);
    }
    menuTextDC_.reset();
    designBitmap_.Reset();
    checkPatternBitmap_.Reset();
    metrics_.reset();
}

STDMETHODIMP DTPSkarvo::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID__ISubclass) {
        *out = static_cast<_ISubclass*>(client_.get());
    } else if (iid == IID_IPersistStreamInit) {
        *out = static_cast<IPersistStreamInit*>(stream_.get());
    } else if (iid == IID_ISupportErrorInfo) {
        *out = static_cast<ISupportErrorInfo*>(this);
    } else {
        return OleControl::QueryInterface(iid, out);
    }
    AddRef();
    return S_OK;
}

namespace {

// Writes a number into a by-reference argument: a Long variable, or a
// Variant variable as scripts pass them.
bool CanWriteBack(const VARIANT& arg) {
    return arg.vt == (VT_I4 | VT_BYREF) || (arg.vt == (VT_VARIANT | VT_BYREF) && arg.pvarVal);
}
void WriteBack(VARIANT& arg, LONG value) {
    if (arg.vt == (VT_I4 | VT_BYREF)) {
        *arg.plVal = value;
        return;
    }
    VariantClear(arg.pvarVal);
    arg.pvarVal->vt = VT_I4;
    arg.pvarVal->lVal = value;
}

}  // namespace

STDMETHODIMP DTPSkarvo::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excep, UINT* argErr) {
    // GetVersion writes into the caller's variables, of whatever kind a script holds.
    if (id == kDispGetVersion && (flags & DISPATCH_METHOD) && params && params->cArgs == 3 &&
        params->cNamedArgs == 0) {
        LONG version[3] = {};
        GetVersion(&version[0], &version[1], &version[2]);
        // Arguments arrive last first: lRevision, lMinor, lMajor.
        for (UINT i = 0; i < 3; ++i)
            if (!CanWriteBack(params->rgvarg[i])) {
                if (argErr) *argErr = i;
                return DISP_E_TYPEMISMATCH;
            }
        for (UINT i = 0; i < 3; ++i) WriteBack(params->rgvarg[2 - i], version[i]);
        if (result) VariantInit(result);
        return S_OK;
    }
    // Any number of positions, each of any type that converts to a number.
    if (id == kDispIndexForMenuHierarchyParamArray && (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) && params &&
        params->cNamedArgs == 0) {
        SAFEARRAYBOUND bound = {params->cArgs, 0};
        SAFEARRAY* positions = SafeArrayCreate(VT_VARIANT, 1, &bound);
        if (!positions) return E_OUTOFMEMORY;
        for (UINT i = 0; i < params->cArgs; ++i) {
            LONG at = static_cast<LONG>(i);
            SafeArrayPutElement(positions, &at, &params->rgvarg[params->cArgs - 1 - i]);
        }
        LONG index = 0;
        const HRESULT hr = get_IndexForMenuHierarchyParamArray(positions, &index);
        SafeArrayDestroy(positions);
        if (FAILED(hr)) return hr;
        if (result) {
            VariantInit(result);
            result->vt = VT_I4;
            result->lVal = index;
        }
        return S_OK;
    }
    return com::ErrorToException(OleControl::Invoke(id, iid, lcid, flags, params, result, excep, argErr), excep);
}

HRESULT DTPSkarvo::ItemError(int32_t number, const char* sourceSuffix) {
    const wchar_t* description = L"";
    switch (number) {
    case kErrSubscript: description = L"Subscript out of range"; break;
    case kErrDuplicateKey: description = L"This key is already associated with an element of this collection"; break;
    case kErrOverflow: description = L"Overflow"; break;
    default: break;
    }
    std::wstring source = LibraryName();
    for (const char* c = sourceSuffix; c && *c; ++c) source += static_cast<wchar_t>(*c);
    return com::RaiseError(com::ErrorResult(number), source, description, IID__DTPSkarvo);
}

_ISubclass* DTPSkarvo::Client() { return client_.get(); }

STDMETHODIMP DTPSkarvo::SetClientSite(IOleClientSite* site) {
    const HRESULT hr = OleControl::SetClientSite(site);
    sited_ = site != nullptr;
    if (loaded_) Start();
    return hr;
}

// A newly placed control sets no defaults of its own: HighlightCheckedItems
// false and TickIconIndex 0.
STDMETHODIMP DTPSkarvo::InitNew() {
    loaded_ = true;
    Start();
    return S_OK;
}

HRESULT DTPSkarvo::OnReadProperties(IPropertyBag* bag) {
    bool highlight = true;
    long tick = -1, style = 0;
    HRESULT hr = com::ReadBool(bag, L"HighlightCheckedItems", true, highlight);
    if (SUCCEEDED(hr)) hr = com::ReadLong(bag, L"TickIconIndex", -1, tick);
    // Read and dropped: no member takes the style.
    if (SUCCEEDED(hr)) hr = com::ReadLong(bag, L"HighlightStyle", 0, style);
    if (FAILED(hr)) return hr;
    highlightCheckedItems_ = highlight;
    tickIconIndex_ = tick;
    loaded_ = true;
    Start();
    return S_OK;
}

HRESULT DTPSkarvo::OnWriteProperties(IPropertyBag* bag) {
    HRESULT hr = com::WriteBool(bag, L"HighlightCheckedItems", highlightCheckedItems_, true);
    if (SUCCEEDED(hr)) hr = com::WriteLong(bag, L"TickIconIndex", tickIconIndex_, -1);
    if (SUCCEEDED(hr)) hr = com::WriteLong(bag, L"HighlightStyle", 0, 0);
    if (SUCCEEDED(hr)) dirty_ = false;
    return hr;
}

HRESULT DTPSkarvo::LoadFromStream(IStream* stream) {
    if (!stream) return E_POINTER;
    StreamRecord record = {};
    ULONG read = 0;
    const HRESULT hr = stream->Read(&record, sizeof record, &read);
    if (FAILED(hr)) return hr;
    if (read != sizeof record || record.version != kStreamVersion) return STG_E_READFAULT;
    tickIconIndex_ = record.tickIconIndex;
    highlightCheckedItems_ = record.highlightCheckedItems != 0;
    loaded_ = true;
    Start();
    return S_OK;
}

HRESULT DTPSkarvo::SaveToStream(IStream* stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    const StreamRecord record = {kStreamVersion, tickIconIndex_, highlightCheckedItems_ ? -1L : 0L};
    ULONG written = 0;
    const HRESULT hr = stream->Write(&record, sizeof record, &written);
    if (FAILED(hr)) return hr;
    if (written != sizeof record) return STG_E_WRITEFAULT;
    if (clearDirty) dirty_ = false;
    return S_OK;
}

void DTPSkarvo::Start() {
    if (started_ || !sited_) return;
    // In the designer the control only shows itself.
    if (!AmbientUserMode()) {
        started_ = true;
        menuTextDC_ = std::make_unique<com::MemoryDC>(nullptr);
        if (!*menuTextDC_) return;
        designBitmap_.Reset(static_cast<HBITMAP>(
            LoadImageA(com::ThisModule(), MAKEINTRESOURCEA(kDesignResource), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
        if (designBitmap_) replacedBitmap_ = SelectObject(menuTextDC_->Get(), designBitmap_.Get());
        return;
    }
    HWND window = ContainerWindow();
    if (!window) return;
    if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && !GetMenu(window)) window = GetAncestor(window, GA_ROOT);
    started_ = true;
    host_ = window;
    menuTextDC_ = std::make_unique<com::MemoryDC>(nullptr);
    RefreshMetrics();
    checkPatternBitmap_.Reset(static_cast<HBITMAP>(LoadImageA(com::ThisModule(), MAKEINTRESOURCEA(kCheckPatternResource),
                                                              IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    AttachHostMessages();
}

// A host window of another process cannot be watched: the control then
// keeps its item store and answers no menu message.
void DTPSkarvo::AttachHostMessages() {
    if (!host_ || attached_) return;
    for (UINT message : kHostMessages) MSubclass::AttachMessage(Client(), host_, message);
    attached_ = true;
}

void DTPSkarvo::DetachHostMessages() {
    if (attached_) {
        for (UINT message : kHostMessages) MSubclass::DetachMessage(Client(), host_, message);
        attached_ = false;
    }
    if (mdiClient_) MSubclass::DetachMessage(Client(), mdiClient_, kMdiSetMenu);
    mdiClient_ = nullptr;
    host_ = nullptr;
}

void DTPSkarvo::RefreshMetrics() {
    if (!menuTextDC_ || !*menuTextDC_) return;
    HDC dc = menuTextDC_->Get();
    // The cached menu font goes with GetMetrics: it must not stay selected.
    if (rememberedFont_) SelectObject(dc, rememberedFont_);
    metrics_->GetMetrics();
    HGDIOBJ replaced = SelectObject(dc, metrics_->FontHandle(cNCMetrics::kMenuFont));
    if (!rememberedFont_) rememberedFont_ = replaced;
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc, "yY", 2, &r, DT_CALCRECT);
    const long h = r.bottom - r.top;
    cellSize_ = iconSize_ + 6 < h ? h + 6 : iconSize_ + 6;
    if (host_) DrawMenuBar(host_);
}

// A container whose site gives no window before activation gives one now.
void DTPSkarvo::OnShow() {
    if (loaded_) Start();
}

void DTPSkarvo::SnapSize(SIZE& pixels) { pixels = SIZE{kControlPixels, kControlPixels}; }

void DTPSkarvo::OnDraw(HDC dc, const RECT& bounds) {
    FillRect(dc, &bounds, GetSysColorBrush(COLOR_BTNFACE));
    com::GdiObject<HBITMAP> face(static_cast<HBITMAP>(
        LoadImageA(com::ThisModule(), MAKEINTRESOURCEA(1), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (!face) return;
    com::MemoryDC memory(dc);
    if (!memory) return;
    com::SelectedObject selected(memory.Get(), face.Get());
    const int x = bounds.left + (bounds.right - bounds.left - 16) / 2;
    const int y = bounds.top + (bounds.bottom - bounds.top - 16) / 2;
    BitBlt(dc, x, y, 16, 16, memory.Get(), 0, 0, SRCCOPY);
}

STDMETHODIMP DTPSkarvo::GetVersion(LONG* lMajor, LONG* lMinor, LONG* lRevision) {
    if (!lMajor || !lMinor || !lRevision) return E_POINTER;
    *lMajor = 1;
    *lMinor = 0;
    *lRevision = 2;
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_HighlightCheckedItems(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = com::ToVariantBool(highlightCheckedItems_);
    return S_OK;
}
STDMETHODIMP DTPSkarvo::put_HighlightCheckedItems(VARIANT_BOOL value) {
    highlightCheckedItems_ = value != 0;
    dirty_ = true;
    PropertyChanged(kDispHighlightCheckedItems);
    return S_OK;
}
STDMETHODIMP DTPSkarvo::get_TickIconIndex(LONG* value) {
    if (!value) return E_POINTER;
    *value = tickIconIndex_;
    return S_OK;
}
STDMETHODIMP DTPSkarvo::put_TickIconIndex(LONG value) {
    tickIconIndex_ = value;
    dirty_ = true;
    PropertyChanged(kDispTickIconIndex);
    return S_OK;
}

// A handle (Long, or in the 64-bit library also LongPtr), or an image-list
// object's hImageList; every failure of the object leaves no image list.
STDMETHODIMP DTPSkarvo::put_ImageList(VARIANT* vImageList) {
    imageList_ = nullptr;
    imageCache_.Clear();
    if (!vImageList) return S_OK;
    const com::Variant given(*vImageList);
    com::Variant plain;
    if (FAILED(VariantCopyInd(plain.Get(), const_cast<VARIANT*>(&given.Ref())))) return S_OK;
    LONG_PTR handle = 0;
    if (plain.Type() == VT_I4) {
        handle = plain.Ref().lVal;
    } else if (plain.Type() == VT_I8 && sizeof(LONG_PTR) == 8) {
        handle = static_cast<LONG_PTR>(plain.Ref().llVal);
    } else if (plain.Type() == VT_DISPATCH && plain.Ref().pdispVal) {
        IDispatch* list = plain.Ref().pdispVal;
        // Drawing the first picture makes an image-list control build its
        // handle; any failure here is ignored.
        com::Variant images, first, drawn;
        const com::Variant one(1L), zero(0L);
        if (CallByName(list, L"ListImages", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, images.Out()) &&
            images.Type() == VT_DISPATCH && images.Ref().pdispVal &&
            CallByName(images.Ref().pdispVal, L"Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {one.Ref()},
                       first.Out()) &&
            first.Type() == VT_DISPATCH && first.Ref().pdispVal)
            CallByName(first.Ref().pdispVal, L"Draw", DISPATCH_METHOD, {zero.Ref(), zero.Ref(), zero.Ref()},
                       drawn.Out());
        com::Variant read;
        if (CallByName(list, L"hImageList", DISPATCH_PROPERTYGET, {}, read.Out()) && FAILED(read.ToPointerSized(handle)))
            handle = 0;
    }
    imageList_ = reinterpret_cast<HIMAGELIST>(handle);
    if (!mDeclares::IsImageListHandle(imageList_)) imageList_ = nullptr;
    int cx = 0, cy = 0;
    if (imageList_ && ImageList_GetIconSize(imageList_, &cx, &cy)) {
        iconSize_ = cy;
        RefreshMetrics();
    }
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_MenuItemsPerScreen(LONG* value) {
    if (!value) return E_POINTER;
    RECT area = {};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
        area.top = 0;
        area.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    *value = cellSize_ > 0 ? (area.bottom - area.top) / cellSize_ : 0;
    return S_OK;
}

namespace {

// A coordinate rounded half to even; one that fits no Long counts as 0.
long WholeTwips(float v) {
    if (!std::isfinite(v) || v >= 2147483647.0f || v <= -2147483648.0f) return 0;
    return static_cast<long>(std::nearbyint(v));
}

}  // namespace

// The submenu of an item shown at (x, y) of objTo, in objTo's own scale
// (twips for an object without one). The choice comes back as Click.
STDMETHODIMP DTPSkarvo::ShowPopupMenu(IDispatch** objTo, VARIANT vKeyParent, float x, float y,
                                      CSPShowPopupMenuConstants eOptions, LONG* value) {
    if (!value) return E_POINTER;
    *value = 0;
    int32_t index = 0;
    const HRESULT hr = Resolve(vKeyParent, index);
    if (FAILED(hr)) return hr;
    const HMENU popup = MenuFromHandle(store_.HPopupMenu(menus_, index));
    if (!popup) return S_OK;
    const UINT flags = static_cast<UINT>(eOptions) | TPM_RETURNCMD;

    // From here on a failing object only leaves the point where it was.
    IDispatch* target = objTo ? *objTo : nullptr;
    POINT at = {0, 0};
    com::Variant mode;
    if (CallByName(target, L"ScaleMode", DISPATCH_PROPERTYGET, {}, mode.Out())) {
        com::Variant vx, vy;
        vx.Get()->vt = VT_R4;
        vx.Get()->fltVal = x;
        vy.Get()->vt = VT_R4;
        vy.Get()->fltVal = y;
        const com::Variant pixels(3L);
        com::Variant sx, sy;
        long px = 0, py = 0;
        if (CallByName(target, L"ScaleX", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {vx.Ref(), mode.Ref(), pixels.Ref()},
                       sx.Out()) &&
            SUCCEEDED(sx.ToLong(px)))
            at.x = px;
        if (CallByName(target, L"ScaleY", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {vy.Ref(), mode.Ref(), pixels.Ref()},
                       sy.Out()) &&
            SUCCEEDED(sy.ToLong(py)))
            at.y = py;
    } else {
        at.x = WholeTwips(x) / com::TwipsPerPixelX();
        at.y = WholeTwips(y) / com::TwipsPerPixelY();
    }
    com::Variant window;
    long hwnd = 0;
    if (CallByName(target, L"hwnd", DISPATCH_PROPERTYGET, {}, window.Out()) && SUCCEEDED(window.ToLong(hwnd)))
        ClientToScreen(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd)), &at);

    const int32_t chosen = TrackPopupMenu(popup, flags, at.x, at.y, 0, host_, nullptr);
    if (chosen == 0) return S_OK;
    for (int32_t k = 1; k <= store_.Count(); ++k)
        if (store_.Item(k).ItemHandle == chosen) {
            RaiseClick(k);
            break;
        }
    return S_OK;
}

STDMETHODIMP DTPSkarvo::SystemMenuAppendItem(BSTR sCaption, LONG* value) {
    if (!value) return E_POINTER;
    *value = 0;
    HMENU w = host_ ? GetSystemMenu(host_, FALSE) : nullptr;
    if (!w) return S_OK;
    const std::string caption = com::BstrToAnsi(sCaption);
    const long id = nextSystemCommandId_++;
    if (caption == "-") {
        AppendMenuA(w, MF_SEPARATOR, static_cast<UINT_PTR>(id), nullptr);
    } else {
        AppendMenuA(w, MF_STRING, static_cast<UINT_PTR>(id), caption.c_str());
    }
    *value = id;
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_SystemMenuCaption(LONG lPosition, BSTR* value) {
    if (!value) return E_POINTER;
    *value = SysAllocString(L"");
    HMENU w = host_ ? GetSystemMenu(host_, FALSE) : nullptr;
    if (!w) return S_OK;
    char text[128] = {};
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_TYPE;
    info.dwTypeData = text;
    info.cch = 127;
    if (GetMenuItemInfoA(w, static_cast<UINT>(lPosition - 1), TRUE, &info)) {
        SysFreeString(*value);
        *value = com::AnsiToBstr(std::string(text, info.cch < 127 ? info.cch : 127));
    }
    return S_OK;
}

STDMETHODIMP DTPSkarvo::get_SystemMenuCount(LONG* value) {
    if (!value) return E_POINTER;
    HMENU w = host_ ? GetSystemMenu(host_, FALSE) : nullptr;
    *value = w ? GetMenuItemCount(w) : 0;
    return S_OK;
}

STDMETHODIMP DTPSkarvo::SystemMenuRemoveItem(LONG lPosition) {
    HMENU w = host_ ? GetSystemMenu(host_, FALSE) : nullptr;
    if (w) RemoveMenu(w, static_cast<UINT>(lPosition - 1), MF_BYPOSITION);
    return S_OK;
}

STDMETHODIMP DTPSkarvo::SystemMenuRestore() {
    if (host_) GetSystemMenu(host_, TRUE);
    nextSystemCommandId_ = 8192;
    return S_OK;
}

HRESULT CreateDTPSkarvo(REFIID iid, void** out) { return com::CreateControl<DTPSkarvo>(iid, out); }

}  // namespace skarvo
