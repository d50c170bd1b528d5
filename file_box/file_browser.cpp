// FileBrowser. The text box txtFolder owns the text, the selection, the
// colours, the font, Locked and Enabled: every access reads or writes it.
// Only the four dialog settings are fields of the control.
#include "file_browser.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "browse_dialog.h"
#include "browse_picture.h"
#include "com/automation_error.h"
#include "com/key_modifiers.h"
#include "com/ole_control.h"
#include "com/property_bag.h"
#include "com/text.h"
#include "dravik_h.h"
#include "dravik_ids.h"
#include "file_box_rules.h"

namespace dravik {
namespace {

constexpr OLE_COLOR kDefaultBackColor = 0x80000005;  // the system's window background
constexpr OLE_COLOR kDefaultForeColor = 0x80000008;  // the system's window text
constexpr const wchar_t* kDefaultInitDir = L"C:\\";
constexpr const wchar_t* kDefaultTitle = L"Apri";
constexpr UINT_PTR kKeyPreviewId = 1;

std::wstring DefaultFilter() { return com::AnsiToWide(kDefaultFilter); }

const com::ControlClassInfo kClassInfo = {CLSID_FileBrowser, IID__FileBrowser, DIID___FileBrowser,
                                          "DravikFileBrowserWindow"};

constexpr const wchar_t* kErrorSource = L"Dravik";
constexpr const wchar_t* kInvalidValueText = L"Valore della propriet\u00e0 non valido";

// Error 380, with the library as its source and its text, for the caller's
// EXCEPINFO (a script's Err).
HRESULT InvalidValue() {
    return com::RaiseError(CTL_E_INVALIDPROPERTYVALUE, kErrorSource, kInvalidValueText, IID__FileBrowser);
}

HRESULT ReturnText(BSTR* out, const std::wstring& text) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring FromBstr(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// The current modifier keys as a key event's shift state.
int ShiftState() {
    int state = 0;
    if (GetKeyState(VK_SHIFT) < 0) state |= kShiftMask;
    if (GetKeyState(VK_CONTROL) < 0) state |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0) state |= kAltMask;
    return state;
}

// The system's GUI font as a font object, for containers without an ambient font.
com::ComPtr<IFont> GuiFont() {
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    const int dpi = com::ScreenDpiY();
    const long height = lf.lfHeight < 0 ? -lf.lfHeight : (lf.lfHeight > 0 ? lf.lfHeight : 11);
    com::Bstr face(lf.lfFaceName[0] ? std::wstring(lf.lfFaceName) : std::wstring(L"MS Shell Dlg"));
    FONTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = face.Get();
    desc.cySize.int64 = static_cast<LONGLONG>(height) * 72 * 10000 / dpi;
    desc.sWeight = static_cast<SHORT>(lf.lfWeight ? lf.lfWeight : FW_NORMAL);
    desc.sCharset = lf.lfCharSet;
    desc.fItalic = lf.lfItalic != 0;
    desc.fUnderline = lf.lfUnderline != 0;
    desc.fStrikethrough = lf.lfStrikeOut != 0;
    com::ComPtr<IFont> font;
    OleCreateFontIndirect(&desc, IID_IFont, font.OutVoid());
    return font;
}

// A GDI font with the attributes of `font`, at the screen's resolution.
com::GdiObject<HFONT> RealizeFont(IFont* font) {
    if (!font) return {};
    com::Bstr name;
    CY size = {};
    BOOL italic = FALSE, underline = FALSE, strike = FALSE;
    SHORT weight = FW_NORMAL, charset = DEFAULT_CHARSET;
    font->get_Name(name.Out());
    font->get_Size(&size);
    font->get_Italic(&italic);
    font->get_Underline(&underline);
    font->get_Strikethrough(&strike);
    font->get_Weight(&weight);
    font->get_Charset(&charset);
    LOGFONTW lf = {};
    lf.lfHeight = -static_cast<LONG>((size.int64 * com::ScreenDpiY() + 36 * 10000) / (72 * 10000));
    lf.lfWeight = weight;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfUnderline = underline ? 1 : 0;
    lf.lfStrikeOut = strike ? 1 : 0;
    lf.lfCharSet = static_cast<BYTE>(charset);
    lstrcpynW(lf.lfFaceName, name.Get() ? name.Get() : L"", LF_FACESIZE);
    return com::GdiObject<HFONT>(CreateFontIndirectW(&lf));
}

com::ComPtr<IFont> CloneFont(IFont* font) {
    com::ComPtr<IFont> copy;
    if (font) font->Clone(copy.Out());
    return copy;
}

// Two fonts that look the same. The names are compared as the fonts report
// them, which is the face the system found for each.
bool SameFont(IFont* a, IFont* b) {
    if (!a || !b) return a == b;
    if (a == b) return true;
    com::Bstr nameA, nameB;
    CY sizeA = {}, sizeB = {};
    BOOL italicA = FALSE, italicB = FALSE, underlineA = FALSE, underlineB = FALSE, strikeA = FALSE, strikeB = FALSE;
    SHORT weightA = 0, weightB = 0, charsetA = 0, charsetB = 0;
    a->get_Name(nameA.Out());
    b->get_Name(nameB.Out());
    a->get_Size(&sizeA);
    b->get_Size(&sizeB);
    a->get_Italic(&italicA);
    b->get_Italic(&italicB);
    a->get_Underline(&underlineA);
    b->get_Underline(&underlineB);
    a->get_Strikethrough(&strikeA);
    b->get_Strikethrough(&strikeB);
    a->get_Weight(&weightA);
    b->get_Weight(&weightB);
    a->get_Charset(&charsetA);
    b->get_Charset(&charsetB);
    return lstrcmpiW(nameA.Text().c_str(), nameB.Text().c_str()) == 0 && sizeA.int64 == sizeB.int64 &&
           !italicA == !italicB && !underlineA == !underlineB && !strikeA == !strikeB && weightA == weightB &&
           charsetA == charsetB;
}

// Tells the control when a property of its font object changes (a script's
// "box.Font.Bold = True"), so the box shows the change.
class FontWatch final : public com::RefCounted, public IPropertyNotifySink {
public:
    explicit FontWatch(std::function<void()> onChange) : onChange_(std::move(onChange)) {}

    COM_REFCOUNT_METHODS(Find)

    STDMETHODIMP OnChanged(DISPID) override {
        if (onChange_) onChange_();
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

    // No call reaches the control after this.
    void Detach() { onChange_ = nullptr; }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) return static_cast<IPropertyNotifySink*>(this);
        return nullptr;
    }
    std::function<void()> onChange_;
};

class FileBrowser final : public com::OleControl<_FileBrowser> {
public:
    // Unsited (a script's CreateObject) there is no persistence call at
    // all: the control starts with the values of a newly placed one.
    FileBrowser() : OleControl(kClassInfo) { SetNewDefaults(); }

    ~FileBrowser() override {
        // No message may reach the object while its parts go.
        com::DetachWindowObject(WindowHandle());
        StopWatchingFont();
        if (txtFolder_) RemoveWindowSubclass(txtFolder_.Get(), &KeyPreview, kKeyPreviewId);
        if (cmdBrowse_) RemoveWindowSubclass(cmdBrowse_.Get(), &KeyPreview, kKeyPreviewId);
        toolTip_.Reset();
        cmdBrowse_.Reset();
        txtFolder_.Reset();
    }

    // Properties of the text box.

    STDMETHODIMP get_BackColor(OLE_COLOR* color) override {
        if (!color) return E_POINTER;
        *color = backColor_;
        return S_OK;
    }
    STDMETHODIMP put_BackColor(OLE_COLOR color) override {
        HRESULT hr = SetBackColor(color);
        if (SUCCEEDED(hr)) PropertyChanged(kDispBackColor);
        return hr;
    }
    STDMETHODIMP get_ForeColor(OLE_COLOR* color) override {
        if (!color) return E_POINTER;
        *color = foreColor_;
        return S_OK;
    }
    STDMETHODIMP put_ForeColor(OLE_COLOR color) override {
        HRESULT hr = SetForeColor(color);
        if (SUCCEEDED(hr)) PropertyChanged(kDispForeColor);
        return hr;
    }

    STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override {
        if (!enabled) return E_POINTER;
        *enabled = com::ToVariantBool(IsWindowEnabled(txtFolder_.Get()) != FALSE);
        return S_OK;
    }
    // The button follows the box's resulting state.
    STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override {
        EnableWindow(txtFolder_.Get(), enabled != 0);
        EnableWindow(cmdBrowse_.Get(), IsWindowEnabled(txtFolder_.Get()));
        PropertyChanged(kDispEnabled);
        return S_OK;
    }

    STDMETHODIMP get_Font(IFontDisp** font) override {
        if (!font) return E_POINTER;
        *font = nullptr;
        if (!font_) return S_OK;
        return font_->QueryInterface(IID_IFontDisp, reinterpret_cast<void**>(font));
    }
    STDMETHODIMP putref_Font(IFontDisp* font) override {
        com::ComPtr<IFont> f;
        if (!font || FAILED(font->QueryInterface(IID_IFont, f.OutVoid())) || !f) return InvalidValue();
        SetFont(std::move(f));
        PropertyChanged(kDispFont);
        return S_OK;
    }

    STDMETHODIMP get_Locked(VARIANT_BOOL* locked) override {
        if (!locked) return E_POINTER;
        *locked = com::ToVariantBool((GetWindowLongW(txtFolder_.Get(), GWL_STYLE) & ES_READONLY) != 0);
        return S_OK;
    }
    // The button is not affected: a locked box still takes a browsed path.
    STDMETHODIMP put_Locked(VARIANT_BOOL locked) override {
        SendMessageW(txtFolder_.Get(), EM_SETREADONLY, locked != 0, 0);
        PropertyChanged(kDispLocked);
        return S_OK;
    }

    STDMETHODIMP get_SelStart(long* start) override {
        if (!start) return E_POINTER;
        DWORD from = 0, to = 0;
        SendMessageW(txtFolder_.Get(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        *start = static_cast<long>(from);
        return S_OK;
    }
    // The caret goes to `start` (at most the text's end) with nothing selected.
    STDMETHODIMP put_SelStart(long start) override {
        if (start < 0) return InvalidValue();
        SendMessageW(txtFolder_.Get(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start));
        PropertyChanged(kDispSelStart);
        return S_OK;
    }
    STDMETHODIMP get_SelLength(long* length) override {
        if (!length) return E_POINTER;
        DWORD from = 0, to = 0;
        SendMessageW(txtFolder_.Get(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        *length = static_cast<long>(to - from);
        return S_OK;
    }
    // Selects `length` characters from the selection's start, at most to the text's end.
    STDMETHODIMP put_SelLength(long length) override {
        if (length < 0) return InvalidValue();
        DWORD from = 0, to = 0;
        SendMessageW(txtFolder_.Get(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        const DWORD end = static_cast<DWORD>(std::min<unsigned long long>(
            static_cast<unsigned long long>(from) + static_cast<unsigned long>(length), 0x7FFFFFFF));
        SendMessageW(txtFolder_.Get(), EM_SETSEL, from, end);
        PropertyChanged(kDispSelLength);
        return S_OK;
    }
    STDMETHODIMP get_SelText(BSTR* text) override {
        DWORD from = 0, to = 0;
        SendMessageW(txtFolder_.Get(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        const std::wstring all = BoxText();
        from = std::min<DWORD>(from, static_cast<DWORD>(all.size()));
        to = std::min<DWORD>(std::max(from, to), static_cast<DWORD>(all.size()));
        return ReturnText(text, all.substr(from, to - from));
    }
    // Replaces the selection (raises Change through the box).
    STDMETHODIMP put_SelText(BSTR text) override {
        const std::wstring value = FromBstr(text);
        SendMessageW(txtFolder_.Get(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(value.c_str()));
        PropertyChanged(kDispSelText);
        return S_OK;
    }
    STDMETHODIMP get_Text(BSTR* text) override { return ReturnText(text, BoxText()); }
    // Raises Change through the box.
    STDMETHODIMP put_Text(BSTR text) override {
        const std::wstring value = FromBstr(text);
        SetWindowTextW(txtFolder_.Get(), value.c_str());
        PropertyChanged(kDispText);
        return S_OK;
    }

    // The dialog settings, fields of the control.

    STDMETHODIMP get_FileDialogType(DialogType* type) override {
        if (!type) return E_POINTER;
        *type = static_cast<DialogType>(dialogType_);
        return S_OK;
    }
    STDMETHODIMP put_FileDialogType(DialogType type) override {
        dialogType_ = static_cast<long>(type);
        PropertyChanged(kDispFileDialogType);
        return S_OK;
    }
    STDMETHODIMP get_Filter(BSTR* filter) override { return ReturnText(filter, filter_); }
    STDMETHODIMP put_Filter(BSTR filter) override {
        filter_ = FromBstr(filter);
        PropertyChanged(kDispFilter);
        return S_OK;
    }
    STDMETHODIMP get_InitDir(BSTR* folder) override { return ReturnText(folder, initDir_); }
    STDMETHODIMP put_InitDir(BSTR folder) override {
        initDir_ = FromBstr(folder);
        PropertyChanged(kDispInitDir);
        return S_OK;
    }
    STDMETHODIMP get_Title(BSTR* title) override { return ReturnText(title, title_); }
    STDMETHODIMP put_Title(BSTR title) override {
        title_ = FromBstr(title);
        PropertyChanged(kDispTitle);
        return S_OK;
    }

    // Methods.

    STDMETHODIMP Clicca() override {
        if (IsWindowEnabled(txtFolder_.Get())) Browse();
        return S_OK;
    }
    STDMETHODIMP Refresh() override {
        InvalidateRect(txtFolder_.Get(), nullptr, TRUE);
        UpdateWindow(txtFolder_.Get());
        return S_OK;
    }

    // The colours cross as 32-bit numbers either way: scripts write system
    // colours as negative numbers (&H80000005), which the type information's
    // unsigned OLE_COLOR would refuse, and read them back as they wrote them.
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (id != kDispBackColor && id != kDispForeColor)
            return OleControl::Invoke(id, iid, lcid, flags, params, result, excep, argErr);
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (!params) return E_INVALIDARG;
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            OLE_COLOR color = 0;
            HRESULT hr = ColorArgument(params->rgvarg[0], color);
            if (FAILED(hr)) {
                if (argErr) *argErr = 0;
                return hr;
            }
            hr = id == kDispBackColor ? put_BackColor(color) : put_ForeColor(color);
            // A colour refused past the type information reaches the caller as an exception.
            return FAILED(hr) ? com::NumberedError(excep, kErrorSource, hr, kInvalidValueText) : hr;
        }
        if (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) {
            if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
            if (result) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(id == kDispBackColor ? backColor_ : foreColor_);
            }
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    void OnCreate() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        const HWND self = WindowHandle();
        // A tab stop for containers that move the focus to the control as a
        // whole, and a control parent for those that step through its parts.
        SetWindowLongW(self, GWL_STYLE, GetWindowLongW(self, GWL_STYLE) | WS_CLIPCHILDREN | WS_TABSTOP);
        SetWindowLongW(self, GWL_EXSTYLE, GetWindowLongW(self, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        txtFolder_.Reset(CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, self,
                                         reinterpret_cast<HMENU>(kTextBoxId), ThisModuleHandle(), nullptr));
        cmdBrowse_.Reset(CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP,
                                         0, 0, 0, 0, self, reinterpret_cast<HMENU>(kButtonId), ThisModuleHandle(),
                                         nullptr));
        picture_ = MakeBrowsePicture();
        if (cmdBrowse_ && picture_)
            SendMessageW(cmdBrowse_.Get(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.Get()));
        // The control previews the keys of its parts.
        if (txtFolder_) SetWindowSubclass(txtFolder_.Get(), &KeyPreview, kKeyPreviewId, reinterpret_cast<DWORD_PTR>(this));
        if (cmdBrowse_) SetWindowSubclass(cmdBrowse_.Get(), &KeyPreview, kKeyPreviewId, reinterpret_cast<DWORD_PTR>(this));
        SetBackColor(backColor_);
        SetForeColor(foreColor_);
        SetFont(font_ ? CloneFont(font_.Get()) : GuiFont());
    }

    // A new control placed in a container: the dialog settings' defaults and
    // the container's font. The text box keeps its own state.
    void OnInitProperties() override {
        dialogType_ = kApriFile;
        filter_ = DefaultFilter();
        initDir_ = kDefaultInitDir;
        title_ = kDefaultTitle;
        SetFont(DefaultFont());
    }

    // Every entry is read and checked before any is applied, so a store with
    // a wrong value changes nothing; they are applied in the stored order,
    // the selection before Text, so the stored text wins.
    HRESULT OnReadProperties(IPropertyBag* bag) override {
        OLE_COLOR back = 0, fore = 0;
        long selLength = 0, selStart = 0, type = 0;
        bool enabled = true, locked = false;
        std::wstring selText, text, filter, initDir, title;
        com::ComPtr<IFont> defaultFont = DefaultFont();
        com::ComPtr<IFont> font;
        HRESULT hr = ReadColor(bag, L"BackColor", kDefaultBackColor, back);
        if (SUCCEEDED(hr)) hr = ReadColor(bag, L"ForeColor", kDefaultForeColor, fore);
        if (SUCCEEDED(hr)) hr = com::ReadBool(bag, L"Enabled", true, enabled);
        if (SUCCEEDED(hr)) hr = ReadFont(bag, defaultFont.Get(), font);
        if (SUCCEEDED(hr)) hr = com::ReadBool(bag, L"Locked", false, locked);
        if (SUCCEEDED(hr)) hr = com::ReadLong(bag, L"SelLength", 0, selLength);
        if (SUCCEEDED(hr)) hr = com::ReadLong(bag, L"SelStart", 0, selStart);
        if (SUCCEEDED(hr)) hr = com::ReadString(bag, L"SelText", L"", selText);
        if (SUCCEEDED(hr)) hr = com::ReadString(bag, L"Text", L"", text);
        if (SUCCEEDED(hr)) hr = com::ReadLong(bag, L"FileDialogType", kApriFile, type);
        if (SUCCEEDED(hr)) hr = com::ReadString(bag, L"Filter", DefaultFilter(), filter);
        if (SUCCEEDED(hr)) hr = com::ReadString(bag, L"InitDir", kDefaultInitDir, initDir);
        if (SUCCEEDED(hr)) hr = com::ReadString(bag, L"Title", kDefaultTitle, title);
        if (FAILED(hr)) return hr;
        if (!ValidColor(back) || !ValidColor(fore) || selLength < 0 || selStart < 0) return InvalidValue();

        const HWND box = txtFolder_.Get();
        SetBackColor(back);
        SetForeColor(fore);
        EnableWindow(box, enabled);
        EnableWindow(cmdBrowse_.Get(), IsWindowEnabled(box));
        SetFont(std::move(font));
        SendMessageW(box, EM_SETREADONLY, locked, 0);
        DWORD from = 0, to = 0;
        SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        SendMessageW(box, EM_SETSEL, from, from + static_cast<DWORD>(selLength));
        SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(selStart), static_cast<LPARAM>(selStart));
        SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(selText.c_str()));
        SetWindowTextW(box, text.c_str());
        dialogType_ = type;
        filter_ = filter;
        initDir_ = initDir;
        title_ = title;
        return S_OK;
    }

    // A value equal to its default is left out.
    HRESULT OnWriteProperties(IPropertyBag* bag) override {
        VARIANT_BOOL enabled = VARIANT_TRUE, locked = VARIANT_FALSE;
        long selLength = 0, selStart = 0;
        com::Bstr selText;
        get_Enabled(&enabled);
        get_Locked(&locked);
        get_SelLength(&selLength);
        get_SelStart(&selStart);
        get_SelText(selText.Out());
        com::ComPtr<IFont> defaultFont = DefaultFont();
        HRESULT hr = com::WriteLong(bag, L"BackColor", static_cast<long>(backColor_), static_cast<long>(kDefaultBackColor));
        if (SUCCEEDED(hr))
            hr = com::WriteLong(bag, L"ForeColor", static_cast<long>(foreColor_), static_cast<long>(kDefaultForeColor));
        if (SUCCEEDED(hr)) hr = com::WriteBool(bag, L"Enabled", enabled != 0, true);
        if (SUCCEEDED(hr) && font_ && !SameFont(font_.Get(), defaultFont.Get())) {
            com::ComPtr<IFont> copy = CloneFont(font_.Get());
            com::ComPtr<IDispatch> disp = copy.As<IDispatch>(IID_IDispatch);
            hr = disp ? com::WriteValue(bag, L"Font", com::Variant(disp.Get())) : E_FAIL;
        }
        if (SUCCEEDED(hr)) hr = com::WriteBool(bag, L"Locked", locked != 0, false);
        if (SUCCEEDED(hr)) hr = com::WriteLong(bag, L"SelLength", selLength, 0);
        if (SUCCEEDED(hr)) hr = com::WriteLong(bag, L"SelStart", selStart, 0);
        if (SUCCEEDED(hr)) hr = com::WriteString(bag, L"SelText", selText.Text(), L"");
        if (SUCCEEDED(hr)) hr = com::WriteString(bag, L"Text", BoxText(), L"");
        if (SUCCEEDED(hr)) hr = com::WriteLong(bag, L"FileDialogType", dialogType_, kApriFile);
        if (SUCCEEDED(hr)) hr = com::WriteString(bag, L"Filter", filter_, DefaultFilter());
        if (SUCCEEDED(hr)) hr = com::WriteString(bag, L"InitDir", initDir_, kDefaultInitDir);
        if (SUCCEEDED(hr)) hr = com::WriteString(bag, L"Title", title_, kDefaultTitle);
        return hr;
    }

    // Tab steps between the box and the button; Tab out of the control, and
    // Enter or Escape in the box, go to the container. Enter on the button browses.
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override {
        if (!msg) return E_POINTER;
        if (msg->message != WM_KEYDOWN) return S_FALSE;
        const HWND focus = GetFocus();
        const bool inBox = focus && focus == txtFolder_.Get(), onButton = focus && focus == cmdBrowse_.Get();
        if (!inBox && !onButton) return S_FALSE;
        const DWORD modifiers = com::KeyModifiersNow();
        if (modifiers & (com::kKeyModControl | com::kKeyModAlt)) return S_FALSE;
        const bool back = (modifiers & com::kKeyModShift) != 0;
        switch (msg->wParam) {
        case VK_TAB:
            if (inBox && !back && IsWindowEnabled(cmdBrowse_.Get()) && IsWindowVisible(cmdBrowse_.Get())) {
                SetFocus(cmdBrowse_.Get());
                return S_OK;
            }
            if (onButton && back && IsWindowEnabled(txtFolder_.Get())) {
                SendMessageW(txtFolder_.Get(), EM_SETSEL, 0, -1);
                SetFocus(txtFolder_.Get());
                return S_OK;
            }
            return ToContainer(msg, modifiers);
        case VK_RETURN:
            if (onButton) {
                Browse();
                return S_OK;
            }
            return ToContainer(msg, modifiers);
        case VK_ESCAPE:
            return ToContainer(msg, modifiers);
        default:
            return S_FALSE;
        }
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(lp) == txtFolder_.Get() && txtFolder_ && HIWORD(wp) == EN_CHANGE) {
                FireEvent(kEventChange);
            } else if (reinterpret_cast<HWND>(lp) == cmdBrowse_.Get() && cmdBrowse_ && HIWORD(wp) == BN_CLICKED) {
                Browse();
            }
            result = 0;
            return true;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lp) != txtFolder_.Get()) return false;
            SetTextColor(reinterpret_cast<HDC>(wp), Translate(foreColor_));
            SetBkColor(reinterpret_cast<HDC>(wp), Translate(backColor_));
            result = reinterpret_cast<LRESULT>(backBrush_.Get());
            return true;
        case WM_SIZE:
            LayOutParts();
            return false;
        case WM_SHOWWINDOW:
            // Each Show takes the container's current tool-tip.
            if (wp) TakeToolTip();
            return false;
        case WM_SETFOCUS:
            SetFocus(txtFolder_.Get());
            result = 0;
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (IsBrowseKey(static_cast<int>(wp), ShiftState())) {
                Browse();
                result = 0;
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    void OnResize() override { LayOutParts(); }

    // The surface in the window background colour, and the 3D-light column
    // just left of the button.
    void OnDraw(HDC dc, const RECT& bounds) override {
        FillRect(dc, &bounds, GetSysColorBrush(COLOR_WINDOW));
        const BoxLayout l = LayOut(bounds.right - bounds.left, bounds.bottom - bounds.top, com::TwipsPerPixelX());
        com::GdiObject<HPEN> light(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DLIGHT)));
        com::SelectedObject pen(dc, light.Get());
        MoveToEx(dc, bounds.left + l.lineX, bounds.top, nullptr);
        LineTo(dc, bounds.left + l.lineX, bounds.bottom);
    }

private:
    static constexpr int kTextBoxId = 1;
    static constexpr int kButtonId = 2;

    static HINSTANCE ThisModuleHandle() { return com::ThisModule(); }

    static LRESULT CALLBACK KeyPreview(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
        auto* control = reinterpret_cast<FileBrowser*>(self);
        if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && IsBrowseKey(static_cast<int>(wp), ShiftState())) {
            control->Browse();
            return 0;
        }
        // The container hears when the focus enters the control and when it
        // leaves it, not when it moves between the box and the button.
        if (msg == WM_SETFOCUS) {
            const HWND from = reinterpret_cast<HWND>(wp);
            if (from != control->txtFolder_.Get() && from != control->cmdBrowse_.Get()) control->TellFocus(true);
        } else if (msg == WM_KILLFOCUS) {
            const HWND to = reinterpret_cast<HWND>(wp);
            if (!control->Contains(to)) control->TellFocus(false);
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    }

    bool Contains(HWND h) { return h && (h == WindowHandle() || IsChild(WindowHandle(), h)); }
    void TellFocus(bool focus) {
        if (auto site = ControlSiteOf()) site->OnFocus(focus ? TRUE : FALSE);
    }
    HRESULT ToContainer(LPMSG msg, DWORD modifiers) {
        auto site = ControlSiteOf();
        return site && site->TranslateAccelerator(msg, modifiers) == S_OK ? S_OK : S_FALSE;
    }

    void SetNewDefaults() {
        dialogType_ = kApriFile;
        filter_ = DefaultFilter();
        initDir_ = kDefaultInitDir;
        title_ = kDefaultTitle;
    }

    // The browse operation: the dialog of the dialog type with the current
    // settings; a chosen path goes into the box, which raises Change. Nothing
    // chosen leaves the text alone.
    void Browse() {
        if (browsing_) return;  // one dialog at a time
        com::ComPtr<IUnknown> keep(static_cast<IOleObject*>(this), true);
        browsing_ = true;
        BrowseRequest request;
        request.owner = InPlaceActive() ? WindowHandle() : nullptr;
        request.filter = filter_;
        request.title = title_;
        request.initialDirectory = initDir_;
        const std::wstring path = dialogType_ == kApriFile ? ShowOpenDialog(request) : ShowSaveDialog(request);
        browsing_ = false;
        if (!path.empty() && txtFolder_) SetWindowTextW(txtFolder_.Get(), path.c_str());
    }

    std::wstring BoxText() const {
        const int length = GetWindowTextLengthW(txtFolder_.Get());
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        const int got = GetWindowTextW(txtFolder_.Get(), text.data(), static_cast<int>(text.size()));
        text.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return text;
    }

    void LayOutParts() {
        RECT client = {};
        GetClientRect(WindowHandle(), &client);
        const BoxLayout l = LayOut(client.right, client.bottom, com::TwipsPerPixelX());
        MoveWindow(cmdBrowse_.Get(), l.buttonLeft, 0, l.buttonWidth, l.buttonHeight, TRUE);
        MoveWindow(txtFolder_.Get(), l.textLeft, l.textTop, l.textWidth, l.textHeight, TRUE);
        InvalidateRect(WindowHandle(), nullptr, TRUE);
    }

    static bool ValidColor(OLE_COLOR color) {
        COLORREF rgb = 0;
        return SUCCEEDED(OleTranslateColor(color, nullptr, &rgb));
    }
    static COLORREF Translate(OLE_COLOR color) {
        COLORREF rgb = 0;
        OleTranslateColor(color, nullptr, &rgb);
        return rgb;
    }
    HRESULT SetBackColor(OLE_COLOR color) {
        if (!ValidColor(color)) return InvalidValue();
        backColor_ = color;
        backBrush_.Reset(CreateSolidBrush(Translate(color)));
        InvalidateRect(txtFolder_.Get(), nullptr, TRUE);
        return S_OK;
    }
    HRESULT SetForeColor(OLE_COLOR color) {
        if (!ValidColor(color)) return InvalidValue();
        foreColor_ = color;
        InvalidateRect(txtFolder_.Get(), nullptr, TRUE);
        return S_OK;
    }

    // The box shows `font`, which the control keeps as it was given and
    // follows when its attributes change.
    void SetFont(com::ComPtr<IFont> font) {
        if (!font || !ShowFont(font.Get())) return;
        if (font.Get() == font_.Get()) return;
        StopWatchingFont();
        font_ = std::move(font);
        auto container = font_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
        if (container && SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink, fontPoint_.Out()))) {
            fontWatch_ = com::ComPtr<FontWatch>(new FontWatch([this] { ShowFont(font_.Get()); }));
            if (FAILED(fontPoint_->Advise(static_cast<IPropertyNotifySink*>(fontWatch_.Get()), &fontCookie_)))
                StopWatchingFont();
        }
    }
    bool ShowFont(IFont* font) {
        com::GdiObject<HFONT> realized = RealizeFont(font);
        if (!realized) return false;
        SendMessageW(txtFolder_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(realized.Get()), TRUE);
        boxFont_ = std::move(realized);
        return true;
    }
    void StopWatchingFont() {
        if (fontWatch_) fontWatch_->Detach();
        if (fontPoint_ && fontCookie_) fontPoint_->Unadvise(fontCookie_);
        fontCookie_ = 0;
        fontPoint_.Reset();
        fontWatch_.Reset();
    }

    // The container's ambient font, or the system's GUI font when it has
    // none; a copy, so that the control's font is its own.
    com::ComPtr<IFont> DefaultFont() {
        com::Variant ambient;
        if (SUCCEEDED(AmbientProperty(DISPID_AMBIENT_FONT, ambient)) &&
            (ambient.Type() == VT_DISPATCH || ambient.Type() == VT_UNKNOWN) && ambient.Ref().punkVal) {
            com::ComPtr<IFont> font;
            ambient.Ref().punkVal->QueryInterface(IID_IFont, font.OutVoid());
            if (font) {
                com::ComPtr<IFont> copy = CloneFont(font.Get());
                if (copy) return copy;
            }
        }
        return GuiFont();
    }

    // A colour is stored as a 32-bit number, signed or not.
    static HRESULT ReadColor(IPropertyBag* bag, const wchar_t* name, OLE_COLOR def, OLE_COLOR& out) {
        com::Variant value;
        HRESULT hr = com::ReadPropertyAs(bag, name, VT_UI4, com::Variant(static_cast<long>(def)), value);
        if (hr == DISP_E_OVERFLOW) hr = com::ReadPropertyAs(bag, name, VT_I4, com::Variant(static_cast<long>(def)), value);
        if (FAILED(hr)) return hr;
        long n = 0;
        if (value.Type() == VT_UI4) n = static_cast<long>(value.Ref().ulVal);
        else hr = value.ToLong(n);
        out = static_cast<OLE_COLOR>(n);
        return hr;
    }

    // A stored font is copied, so that later changes do not reach the store.
    static HRESULT ReadFont(IPropertyBag* bag, IFont* defaultFont, com::ComPtr<IFont>& out) {
        com::Variant value;
        com::Variant none;
        HRESULT hr = com::ReadPropertyAs(bag, L"Font", VT_DISPATCH, none, value);
        if (FAILED(hr)) return hr;
        if (value.Type() == VT_EMPTY) {
            out = com::ComPtr<IFont>(defaultFont, true);
            return S_OK;
        }
        com::ComPtr<IFont> stored;
        if (value.Ref().pdispVal) value.Ref().pdispVal->QueryInterface(IID_IFont, stored.OutVoid());
        if (!stored) return DISP_E_TYPEMISMATCH;
        out = CloneFont(stored.Get());
        return out ? S_OK : E_OUTOFMEMORY;
    }

    // The tool-tip over the text box is the container's extender ToolTipText;
    // a container without an extender leaves it as it is.
    void TakeToolTip() {
        com::ComPtr<IDispatch> extender = Extender();
        if (!extender) return;
        LPOLESTR name = const_cast<LPOLESTR>(L"ToolTipText");
        DISPID id = 0;
        if (FAILED(extender->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        com::Variant value;
        if (FAILED(extender->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Out(),
                                    nullptr, nullptr)))
            return;
        std::wstring text;
        if (FAILED(value.ToString(text))) return;
        SetToolTip(text);
    }

    void SetToolTip(const std::wstring& text) {
        toolTipText_ = text;
        if (!toolTip_) {
            toolTip_.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                                           0, 0, WindowHandle(), nullptr, ThisModuleHandle(), nullptr));
            if (!toolTip_) return;
            TTTOOLINFOW tool = ToolInfo();
            SendMessageW(toolTip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            return;
        }
        TTTOOLINFOW tool = ToolInfo();
        SendMessageW(toolTip_.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    TTTOOLINFOW ToolInfo() {
        TTTOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = WindowHandle();
        tool.uId = reinterpret_cast<UINT_PTR>(txtFolder_.Get());
        tool.lpszText = toolTipText_.data();
        return tool;
    }

    HRESULT ColorArgument(const VARIANT& arg, OLE_COLOR& color) {
        com::Variant value(arg);
        com::Variant converted;
        if (SUCCEEDED(value.ConvertTo(VT_UI4, converted))) {
            color = converted.Ref().ulVal;
            return S_OK;
        }
        long n = 0;
        HRESULT hr = value.ToLong(n);
        if (SUCCEEDED(hr)) color = static_cast<OLE_COLOR>(n);
        return hr;
    }

    long dialogType_ = kApriFile;
    std::wstring filter_;
    std::wstring initDir_;
    std::wstring title_;
    OLE_COLOR backColor_ = kDefaultBackColor;
    OLE_COLOR foreColor_ = kDefaultForeColor;
    com::GdiObject<HBRUSH> backBrush_;
    com::ComPtr<IFont> font_;
    com::ComPtr<IConnectionPoint> fontPoint_;
    com::ComPtr<FontWatch> fontWatch_;
    DWORD fontCookie_ = 0;
    com::GdiObject<HFONT> boxFont_;
    com::GdiObject<HBITMAP> picture_;
    std::wstring toolTipText_;
    bool browsing_ = false;
    // The parts go before the objects they use.
    com::Window toolTip_;
    com::Window cmdBrowse_;
    com::Window txtFolder_;
};

}  // namespace

HRESULT CreateFileBrowser(REFIID iid, void** out) { return com::CreateControl<FileBrowser>(iid, out); }

}  // namespace dravik
