// ImageList1's automation objects: the list, its ListImages collection and
// each ListImage. The items share the list's data, so an item kept by a
// caller still answers after the list object has been released.
#include "sequencer/form1_image_list.h"

#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com/plain_dispatch.h"
#include "com/text.h"
#include "com/variant.h"
#include "com/win_handles.h"
#include "sequencer/menu_pictures.h"

namespace quelmar {
namespace {

using namespace image_list_dispid;

// The see-through colour of the pictures as they are added to the list.
constexpr COLORREF kSfondo = RGB(255, 0, 255);

struct DatiLista {
    HIMAGELIST h = nullptr;
    std::vector<std::string> chiavi;  // in list order
    DatiLista() = default;
    DatiLista(const DatiLista&) = delete;
    DatiLista& operator=(const DatiLista&) = delete;
    ~DatiLista() {
        if (h) ImageList_Destroy(h);
    }
};
using Lista = std::shared_ptr<const DatiLista>;

// One picture as a 32-bit bitmap, the see-through pixels in kSfondo.
com::GdiObject<HBITMAP> Bitmap(const ImmaginiMenu::Immagine& im) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = ImmaginiMenu::kLato;
    bi.bmiHeader.biHeight = -ImmaginiMenu::kLato;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    com::GdiObject<HBITMAP> bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp || !bits) return com::GdiObject<HBITMAP>();
    auto* px = static_cast<uint32_t*>(bits);
    const uint32_t sfondo = (GetRValue(kSfondo) << 16) | (GetGValue(kSfondo) << 8) | GetBValue(kSfondo);
    for (int y = 0; y < ImmaginiMenu::kLato; ++y)
        for (int x = 0; x < ImmaginiMenu::kLato; ++x) {
            uint32_t rgb = 0;
            px[y * ImmaginiMenu::kLato + x] = ImmaginiMenu::ColorePixel(im.Righe[y][x], rgb) ? rgb : sfondo;
        }
    GdiFlush();
    return bmp;
}

HRESULT Raise(EXCEPINFO* excep, HRESULT code, const wchar_t* description) {
    return com::NumberedError(excep, L"ImageList1", code, description);
}

using com::Argument;

bool LongArgument(const VARIANT* v, long& out) {
    VARIANT n;
    if (!com::ArgumentAs(v, VT_I4, n)) return false;
    out = V_I4(&n);
    return true;
}

// A handle: pointer-sized, so a 64-bit caller's LongPtr arrives whole.
bool PointerArgument(const VARIANT* v, LONG_PTR& out) {
    return v && SUCCEEDED(com::Variant(*v).ToPointerSized(out));
}

class ListImage final : public com::PlainDispatch {
public:
    ListImage(Lista lista, int indice) : lista_(std::move(lista)), indice_(indice) {}

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* nomi, UINT quanti, LCID, DISPID* ids) override {
        static const com::NameId tabella[] = {{L"Key", kKey}, {L"Index", kIndex}, {L"Draw", kDraw}};
        return com::LookUpNames(tabella, nomi, quanti, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argErr) override {
        if (!com::IsRead(flags)) return DISP_E_MEMBERNOTFOUND;
        const UINT args = params ? params->cArgs : 0;
        com::Variant v;
        switch (id) {
            case kKey:
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                v = com::Variant(com::AnsiToWide(lista_->chiavi[static_cast<size_t>(indice_ - 1)]));
                break;
            case kIndex:
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                v = com::Variant(static_cast<long>(indice_));
                break;
            case kDraw: {
                if (args < 3 || args > 4) return DISP_E_BADPARAMCOUNT;
                // hDC is a handle (LongPtr), the others Long.
                LONG_PTR dc = 0;
                long x = 0, y = 0, stile = ILD_NORMAL;
                for (UINT i = 0; i < args; ++i) {
                    long* dest[] = {nullptr, &x, &y, &stile};
                    const VARIANT* a = Argument(params, i);
                    if (!a && i == 3) continue;
                    if (i == 0 ? !PointerArgument(a, dc) : !LongArgument(a, *dest[i])) {
                        if (argErr) *argErr = args - 1 - i;
                        return DISP_E_TYPEMISMATCH;
                    }
                }
                // No device: nothing to draw on, and nothing is wrong.
                if (dc != 0)
                    ImageList_Draw(lista_->h, indice_ - 1, reinterpret_cast<HDC>(dc), static_cast<int>(x),
                                   static_cast<int>(y), static_cast<UINT>(stile));
                if (result) VariantInit(result);
                return S_OK;
            }
            default: return DISP_E_MEMBERNOTFOUND;
        }
        return com::HandResult(v, result);
    }

private:
    Lista lista_;
    int indice_;  // from 1
};

class ListImages final : public com::PlainDispatch {
public:
    explicit ListImages(Lista lista) : lista_(std::move(lista)) {}

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* nomi, UINT quanti, LCID, DISPID* ids) override {
        static const com::NameId tabella[] = {{L"Item", kItem}, {L"Count", kCount}};
        return com::LookUpNames(tabella, nomi, quanti, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (!com::IsRead(flags)) return DISP_E_MEMBERNOTFOUND;
        const UINT args = params ? params->cArgs : 0;
        com::Variant v;
        switch (id) {
            case kCount:
                if (args != 0) return DISP_E_BADPARAMCOUNT;
                v = com::Variant(static_cast<long>(lista_->chiavi.size()));
                break;
            case kItem: {
                if (args != 1) return DISP_E_BADPARAMCOUNT;
                const VARIANT* a = Argument(params, 0);
                long indice = 0;
                if (a && V_VT(a) == VT_BSTR) {
                    indice = ImmaginiMenu::PosizioneChiave(lista_->chiavi, com::BstrToAnsi(V_BSTR(a)));
                    if (indice == 0) return Raise(excep, kErrElementoAssente, L"Element not found");
                } else if (!LongArgument(a, indice)) {
                    if (argErr) *argErr = 0;
                    return DISP_E_TYPEMISMATCH;
                } else if (indice < 1 || static_cast<size_t>(indice) > lista_->chiavi.size()) {
                    return Raise(excep, kErrIndiceFuoriLimiti, L"Index out of bounds");
                }
                v = com::Variant(com::ComPtr<IDispatch>(new ListImage(lista_, static_cast<int>(indice))).Get());
                break;
            }
            default: return DISP_E_MEMBERNOTFOUND;
        }
        return com::HandResult(v, result);
    }

private:
    Lista lista_;
};

class ImageList final : public com::PlainDispatch {
public:
    explicit ImageList(Lista lista) : lista_(std::move(lista)) {}

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* nomi, UINT quanti, LCID, DISPID* ids) override {
        static const com::NameId tabella[] = {{L"hImageList", kHImageList}, {L"ListImages", kListImages}};
        return com::LookUpNames(tabella, nomi, quanti, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (!com::IsRead(flags)) return DISP_E_MEMBERNOTFOUND;
        if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        com::Variant v;
        switch (id) {
            case kHImageList: v = com::Variant::PointerSized(reinterpret_cast<LONG_PTR>(lista_->h)); break;
            case kListImages: v = com::Variant(com::ComPtr<IDispatch>(new ListImages(lista_)).Get()); break;
            default: return DISP_E_MEMBERNOTFOUND;
        }
        return com::HandResult(v, result);
    }

private:
    Lista lista_;
};

}  // namespace

com::ComPtr<IDispatch> CreaImageList1() {
    auto dati = std::make_shared<DatiLista>();
    const auto& immagini = ImmaginiMenu::Immagini();
    dati->h = ImageList_Create(ImmaginiMenu::kLato, ImmaginiMenu::kLato, ILC_COLOR32 | ILC_MASK,
                               static_cast<int>(immagini.size()), 0);
    if (!dati->h) return com::ComPtr<IDispatch>();
    for (const auto& im : immagini) {
        com::GdiObject<HBITMAP> bmp = Bitmap(im);
        if (!bmp || ImageList_AddMasked(dati->h, bmp.Get(), kSfondo) < 0) return com::ComPtr<IDispatch>();
        dati->chiavi.push_back(im.Chiave);
    }
    return com::ComPtr<IDispatch>(new ImageList(std::move(dati)));
}

}  // namespace quelmar
